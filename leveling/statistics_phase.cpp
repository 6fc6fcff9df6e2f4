#include "leveling/statistics_phase.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/cp1250.h"
#include "common/work_folder.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/adjustment_statistics.h"
#include "leveling/profile_solver.h"
#include "leveling/testing_normal_equations.h"
#include "leveling/statistics_report.h"

namespace kvel {

namespace {

constexpr const char* kFileNames[] = {"testy.osn", "wyh.csv", "h.csv"};

}  // namespace

StatisticsInput CollectStatisticsInput(const AdjustmentRun& run) {
  StatisticsInput in;
  const bool leastSquares = run.options.Method == Method::LeastSquares;
  // The listings of least squares add the mean benchmark height back into the heights
  // (AdjustmentRun::ListedHeight); the run's own heights and the benchmarks stay reduced.
  const double heightOffset = leastSquares ? run.meanBenchHeight : 0.0;
  in.leastSquares = leastSquares;
  in.defect = run.defectFound;
  in.redundancy = run.redundancy;
  in.heightMo = run.heightMo;
  in.empiricalMo = !run.options.UnitErrorIsOne && run.benchWithErrorCount == 0 && run.redundancy > 0;
  in.height.assign(run.pointHeight.size(), 0.0);
  for (int i = 1; i <= run.PointCount(); ++i) in.height[i] = run.ListedHeight(i);
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const Observation& o = run.obs[k];
    TestedObservation t;
    t.from = o.Reversed ? o.To : o.From;
    t.to = o.Reversed ? o.From : o.To;
    t.dh = o.Reversed ? -o.DH : o.DH;
    t.weight = o.Weight;
    in.obs.push_back(t);
  }
  if (!leastSquares) {
    in.robustFactor = run.robustFactor;
    in.benchmarkPvv = run.benchmarkControlSum;
  }
  // A benchmark's given height is that of the first record of its number.
  std::unordered_map<std::string_view, int> firstRecord;
  for (int b = run.BenchRecordCount(); b >= 1; --b) firstRecord[run.bench[b].Nr] = b;
  for (int s = 1; s <= run.FixedPointCount(); ++s) {
    TestedBenchmark b;
    b.point = run.fixedPoint[s];
    const auto found = firstRecord.find(run.pointNr[b.point]);
    b.givenHeight = (found != firstRecord.end() ? run.bench[found->second].Height : run.pointHeight[b.point]) + heightOffset;
    b.weight = BenchmarkWeight(run.fixedMeanError[s]);
    b.fixed = IsFixedBenchmark(run.fixedMeanError[s]);
    in.benchmarks.push_back(b);
  }
  return in;
}

void ResetStatisticsFiles(AdjustmentRun& run) {
  const bool leastSquares = run.options.Method == Method::LeastSquares;
  for (int f = 0; f < 3; ++f) {
    orvane::TextWriter file;
    if (!file.Create(orvane::StandardFilePath(run.workFolder, kFileNames[f]), &run.results)) continue;
    // The CSV files keep their header line, so that a script reading them finds their columns.
    if (f == 1) file.Line(ObservationsCsvHeader(leastSquares));
    if (f == 2) file.Line(kHeightsCsvHeader);
    file.Close();
  }
}

bool RunStatisticalTests(AdjustmentRun& run) {
  StatisticsInput input = CollectStatisticsInput(run);
  StatisticsResult result;
  if (input.leastSquares) {
    NetworkNormalEquations normal(run.normal, input, run.referenceInverse);
    // The heights' mean errors as h.osn has them: the cofactors of the run's selected inverse.
    const int lp = run.PointCount();
    input.meanError.assign(static_cast<std::size_t>(lp) + 1, 0.0);
    for (int i = 1; i <= lp; ++i) input.meanError[i] = std::sqrt(normal.Cofactor(i, i) + 1e-20) * run.heightMo;
    // A fixed benchmark has no mean error (h.osn shows 0 where the guard 1e-20 leaves 1e-10).
    for (const TestedBenchmark& b : input.benchmarks)
      if (b.fixed) input.meanError[b.point] = 0;
    // A defective system has no cofactors worth testing: the w-test is left out.
    result = TestAdjustment(input, run.options.Statistics, input.defect ? nullptr : &normal);
  } else {
    result = TestAdjustment(input, run.options.Statistics, nullptr);
  }
  run.host->ReportVerdict(SummarizeTests(input, result));

  ReportNames names;
  names.pointNr = &run.pointNr;
  names.decimals = run.options.Decimals;
  bool ok = true;
  for (int f = 0; f < 3; ++f) {
    orvane::TextWriter file;
    if (!file.Create(orvane::StandardFilePath(run.workFolder, kFileNames[f]), &run.results)) {
      ok = false;
      continue;
    }
    if (f == 0) WriteTestsReport(file, input, result, names);
    if (f == 1) WriteObservationsCsv(file, input, result, names);
    if (f == 2) WriteHeightsCsv(file, input, result, names);
    // A file that cannot be created or written fails the run's whole group of results, which
    // the common exit tells.
    if (!file.Close()) ok = false;
  }
  run.statisticsWritten = true;
  if (result.untiedParts > 0) run.finalWarning = UntiedPartsWarning(result, run.pointNr);
  return ok;
}

}  // namespace kvel
