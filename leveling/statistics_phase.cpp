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
#include "leveling/statistics_report.h"

namespace kvel {

namespace {

// The network's normal matrix through the run's ProfileMatrix. The cofactors are first those of
// the run's selected inverse. The factor for the solves is built only when data snooping needs
// one, and in the run's own matrix: the testing is the run's last phase, every cofactor has been
// read by then, and building the factor again costs no more than keeping a copy of the run's (the
// copy is as much memory traffic, and new memory besides).
class ProfileNormalEquations : public NormalEquations {
 public:
  // `runMatrix` holds the selected inverse of the run's last system, or its factor when the run
  // read its cofactors with the reference routines.
  ProfileNormalEquations(ProfileMatrix& runMatrix, const StatisticsInput& input, bool runHoldsFactor)
      : factor_(runMatrix), input_(input) {
    if (runHoldsFactor) {
      own_ = factor_;
      own_.Invert(InverseMethod::Selected);
      inverse_ = &own_;
      factorReady_ = true;
    } else {
      inverse_ = &runMatrix;
    }
  }

  double Cofactor(int a, int b) const override { return inverse_->Q(factor_.RowOf(a), factor_.RowOf(b)); }

  void Solve(std::vector<std::vector<double>>& columns) override {
    if (!factorReady_) factorReady_ = Factor(std::vector<char>(input_.obs.size(), 0));
    const int n = factor_.Order();
    // The columns by catalogue point become columns by matrix row, solved side by side.
    std::vector<std::vector<double>> byRow(columns.size(), std::vector<double>(static_cast<std::size_t>(n) + 1, 0.0));
    for (std::size_t c = 0; c < columns.size(); ++c)
      for (int i = 1; i <= n; ++i) byRow[c][factor_.RowOf(i)] = columns[c][i];
    factor_.SolveColumns(byRow);
    for (std::size_t c = 0; c < columns.size(); ++c)
      for (int i = 1; i <= n; ++i) columns[c][i] = byRow[c][factor_.RowOf(i)];
  }

  bool Rebuild(const std::vector<char>& removed) override {
    if (!Factor(removed)) return false;
    factorReady_ = true;
    own_ = factor_;
    own_.Invert(InverseMethod::Selected);
    inverse_ = &own_;
    return true;
  }

 private:
  // Builds N of the kept observations and the benchmarks in the run's matrix and factors it.
  bool Factor(const std::vector<char>& removed) {
    factor_.Clear();
    for (std::size_t k = 1; k < input_.obs.size(); ++k) {
      if (removed[k]) continue;
      const TestedObservation& o = input_.obs[k];
      int a = factor_.RowOf(o.from), b = factor_.RowOf(o.to);
      if (a > b) std::swap(a, b);
      factor_.AddObservation(a, b, o.weight, 0.0);
    }
    for (const TestedBenchmark& bm : input_.benchmarks) factor_.AddPointWeight(factor_.RowOf(bm.point), bm.weight);
    factor_.FactorAndSolve();
    return factor_.DefectRow() == 0 && factor_.FactorIsFinite();
  }

  ProfileMatrix& factor_;
  const StatisticsInput& input_;
  ProfileMatrix own_;  // a selected inverse of our own, beside the factor
  const ProfileMatrix* inverse_ = nullptr;
  bool factorReady_ = false;
};

// What the run leaves behind, in the input's orientation and with absolute heights.
StatisticsInput CollectInput(const AdjustmentRun& run) {
  StatisticsInput in;
  const bool leastSquares = run.options.Method == Method::LeastSquares;
  // The listings of least squares add the mean benchmark height back into the heights
  // (AdjustmentRun::ListedHeight); the run's own heights and the benchmarks stay reduced.
  const double heightOffset = leastSquares ? run.meanBenchHeight : 0.0;
  in.leastSquares = leastSquares;
  in.defect = run.defectFound;
  in.redundancy = run.redundancy;
  in.heightMo = run.heightMo;
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
  if (!leastSquares) in.robustFactor = run.robustFactor;
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

constexpr const char* kFileNames[] = {"testy.osn", "wyh.csv", "h.csv"};

}  // namespace

void ResetStatisticsFiles(AdjustmentRun& run) {
  for (const char* name : kFileNames) {
    orvane::TextWriter file;
    if (file.Create(orvane::StandardFilePath(run.workFolder, name), &run.results)) file.Close();
  }
}

bool RunStatisticalTests(AdjustmentRun& run) {
  StatisticsInput input = CollectInput(run);
  StatisticsResult result;
  if (input.leastSquares) {
    ProfileNormalEquations normal(run.normal, input, run.referenceInverse);
    // The heights' mean errors as h.osn has them: the cofactors of the run's selected inverse.
    const int lp = run.PointCount();
    input.meanError.assign(static_cast<std::size_t>(lp) + 1, 0.0);
    for (int i = 1; i <= lp; ++i) input.meanError[i] = std::sqrt(normal.Cofactor(i, i) + 1e-20) * run.heightMo;
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
  return ok;
}

}  // namespace kvel
