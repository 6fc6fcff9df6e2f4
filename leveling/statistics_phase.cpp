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
#include "leveling/sparse_factor.h"
#include "leveling/statistics_report.h"

namespace kvel {

namespace {

// The network's normal matrix for the testing. The cofactors are those of the run's selected
// inverse, and of a selected inverse of our own when data snooping asks for them afresh. The
// solves of data snooping go through a sparse factor in a fill-reducing order where that factor
// is much smaller than the run's profile (a network spread over an area), else through the
// profile factor, built in the run's own matrix: the testing is the run's last phase, every
// cofactor has been read by then, and building the factor again costs no more than keeping a
// copy of the run's (the copy is as much memory traffic, and new memory besides).
// Downdates of the sparse factor between two factorisations.
constexpr int kDowndatesPerFactor = 256;

class NetworkNormalEquations : public NormalEquations {
 public:
  // `runMatrix` holds the selected inverse of the run's last system, or its factor when the run
  // read its cofactors with the reference routines.
  NetworkNormalEquations(ProfileMatrix& runMatrix, const StatisticsInput& input, bool runHoldsFactor)
      : profile_(runMatrix), input_(input), items_(TestedItems(input)), runHoldsFactor_(runHoldsFactor) {
    if (runHoldsFactor) {
      own_ = profile_;
      own_.Invert(InverseMethod::Selected);
      inverse_ = &own_;
    } else {
      inverse_ = &runMatrix;
    }
  }

  double Cofactor(int a, int b) const override { return inverse_->Q(profile_.RowOf(a), profile_.RowOf(b)); }

  void Solve(std::vector<std::vector<double>>& columns) override {
    if (!factorReady_) {
      ChooseFactor();
      removed_.assign(items_.size(), 0);
      // The run's matrix may hold the factor of this very system already.
      factorReady_ = runHoldsFactor_ && !sparse_.Analysed() ? true : Factor(std::vector<char>(items_.size(), 0));
    }
    if (sparse_.Analysed()) {
      if (sparseLost_) {
        // A system that no factor answers for: nothing a caller could take for a solution.
        for (std::vector<double>& x : columns) std::fill(x.begin() + 1, x.end(), std::nan(""));
        return;
      }
      sparse_.SolveColumns(columns);
      return;
    }
    const int n = profile_.Order();
    // The columns by catalogue point become columns by matrix row, solved side by side.
    std::vector<std::vector<double>> byRow(columns.size(), std::vector<double>(static_cast<std::size_t>(n) + 1, 0.0));
    for (std::size_t c = 0; c < columns.size(); ++c)
      for (int i = 1; i <= n; ++i) byRow[c][profile_.RowOf(i)] = columns[c][i];
    profile_.SolveColumns(byRow);
    for (std::size_t c = 0; c < columns.size(); ++c)
      for (int i = 1; i <= n; ++i) columns[c][i] = byRow[c][profile_.RowOf(i)];
  }

  // The sparse factor is downdated round by round and factored afresh now and then, against the
  // rounding a chain of downdates gathers. The profile's factorisation is balanced against the
  // rank-one terms a round adds to every column (about LP each, per round since the last
  // factorisation): about sqrt(2 F / LP) = the mean row width rounds.
  int RefactorRounds() const override {
    if (sparse_.Analysed()) return kDowndatesPerFactor;
    const double meanWidth = static_cast<double>(profile_.ReservedElementCount()) / std::max(profile_.Order(), 1);
    return std::clamp(static_cast<int>(meanWidth), 16, 512);
  }

  bool Downdate(int k) override {
    if (!sparse_.Analysed() || !factorReady_) return false;
    removed_[static_cast<std::size_t>(k)] = 1;
    const TestedObservation& o = items_[static_cast<std::size_t>(k)];
    if (!sparse_.Downdate(o.from, o.to, o.weight)) sparseLost_ = !Factor(removed_);
    return true;
  }

  bool Rebuild(const std::vector<char>& removed, bool cofactors) override {
    removed_ = removed;
    sparseLost_ = false;
    if (!Factor(removed)) return false;
    factorReady_ = true;
    if (cofactors) {
      // The cofactors come from the profile: built and factored there too when the solves go
      // through the sparse factor.
      if (sparse_.Analysed() && !FactorProfile(removed)) return false;
      own_ = profile_;
      own_.Invert(InverseMethod::Selected);
      inverse_ = &own_;
    }
    return true;
  }

 private:
  // The sparse factor when it holds at most half the profile's elements.
  void ChooseFactor() {
    std::vector<std::pair<int, int>> links;
    for (std::size_t k = 1; k < items_.size(); ++k)
      if (items_[k].from != 0) links.emplace_back(items_[k].from, items_[k].to);
    const auto limit = static_cast<std::size_t>(std::max(profile_.ReservedElementCount() - 1 - profile_.Order(), 0LL) / 2);
    sparse_.Analyse(profile_.Order(), links, limit);
  }

  // Builds N of the kept items and the fixed benchmarks and factors it.
  bool Factor(const std::vector<char>& removed) {
    if (!sparse_.Analysed()) return FactorProfile(removed);
    sparse_.Clear();
    for (std::size_t k = 1; k < items_.size(); ++k) {
      if (removed[k]) continue;
      const TestedObservation& o = items_[k];
      if (o.from == 0)
        sparse_.AddPointWeight(o.to, o.weight);
      else
        sparse_.AddLink(o.from, o.to, o.weight);
    }
    for (const TestedBenchmark& bm : input_.benchmarks)
      if (bm.fixed) sparse_.AddPointWeight(bm.point, bm.weight);
    return sparse_.Factor();
  }

  // The same in the run's profile matrix.
  bool FactorProfile(const std::vector<char>& removed) {
    profile_.Clear();
    for (std::size_t k = 1; k < items_.size(); ++k) {
      if (removed[k]) continue;
      const TestedObservation& o = items_[k];
      if (o.from == 0) {
        profile_.AddPointWeight(profile_.RowOf(o.to), o.weight);
        continue;
      }
      int a = profile_.RowOf(o.from), b = profile_.RowOf(o.to);
      if (a > b) std::swap(a, b);
      profile_.AddObservation(a, b, o.weight, 0.0);
    }
    for (const TestedBenchmark& bm : input_.benchmarks)
      if (bm.fixed) profile_.AddPointWeight(profile_.RowOf(bm.point), bm.weight);
    profile_.FactorAndSolve();
    return profile_.DefectRow() == 0 && profile_.FactorIsFinite();
  }

  ProfileMatrix& profile_;
  const StatisticsInput& input_;
  std::vector<TestedObservation> items_;
  bool runHoldsFactor_;
  ProfileMatrix own_;  // a selected inverse of our own, beside the factor
  const ProfileMatrix* inverse_ = nullptr;
  SparseFactor sparse_;
  bool sparseLost_ = false;      // a downdate failed and the new factorisation too
  std::vector<char> removed_;    // the items the factor is without
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

constexpr const char* kFileNames[] = {"testy.osn", "wyh.csv", "h.csv"};

}  // namespace

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
  StatisticsInput input = CollectInput(run);
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
