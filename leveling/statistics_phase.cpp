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

constexpr int kLeastSquares = 1;

// The solves of several columns carry the cost of data snooping: built also for AVX2 where the
// processor has it (chosen once at load time), as the profile solver's kernels are.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ORVANE_STATISTICS_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define ORVANE_STATISTICS_WIDE_VECTORS
#endif

// Rows 1..n of the factor (diagonal 1/u(i,i)) applied to columns held side by side in y (row r
// at y[r * cols], cols = starts.size()): U' t = y from the first row of each column down (`starts`
// rising: column s is zero above row starts[s]), then U z = t from the last row up.
ORVANE_STATISTICS_WIDE_VECTORS void SolveSideBySide(const ProfileSystem& sys, const std::vector<int>& starts,
                                                    double* y) {
  const int n = sys.pointCount;
  const std::size_t cols = starts.size();
  const double* u = sys.normalMatrix.data();
  std::size_t active = 0;
  for (int k = cols > 0 ? starts[0] : n + 1; k <= n; ++k) {
    while (active < cols && starts[active] <= k) ++active;
    const long long diag = sys.At(k, k);
    double* yk = y + k * cols;
    for (std::size_t c = 0; c < active; ++c) yk[c] *= u[diag];
    const int last = std::min(sys.LastColumn(k), n);
    for (int q = k + 1; q <= last; ++q) {
      const double ukq = u[diag + (q - k)];
      if (ukq == 0.0) continue;
      double* yq = y + q * cols;
      for (std::size_t c = 0; c < active; ++c) yq[c] -= ukq * yk[c];
    }
  }
  for (int i = n; i >= 1; --i) {
    const long long diag = sys.At(i, i);
    const int last = std::min(sys.LastColumn(i), n);
    double* yi = y + i * cols;
    for (int q = i + 1; q <= last; ++q) {
      const double uiq = u[diag + (q - i)];
      if (uiq == 0.0) continue;
      const double* yq = y + q * cols;
      for (std::size_t c = 0; c < cols; ++c) yi[c] -= uiq * yq[c];
    }
    for (std::size_t c = 0; c < cols; ++c) yi[c] *= u[diag];
  }
}

// The network's normal matrix through the profile solver. The cofactors are first those of the
// run's selected inverse. The factor for the solves is built only when data snooping needs one,
// and in the run's own profile storage: the testing is the run's last phase, every cofactor has
// been read by then, and building the factor again costs no more than keeping a copy of the
// run's (the copy is as much memory traffic, and new memory besides).
class ProfileNormalEquations : public NormalEquations {
 public:
  // `runSystem` holds the selected inverse of the run's last system, or its factor when the run
  // read its cofactors with the reference routines.
  ProfileNormalEquations(ProfileSystem& runSystem, const StatisticsInput& input, bool runHoldsFactor)
      : factor_(runSystem), input_(input) {
    if (runHoldsFactor) {
      own_ = factor_;
      SelectedInverse(own_, own_.pointCount);
      inverse_ = &own_;
      factorReady_ = true;
    } else {
      inverse_ = &runSystem;
    }
  }

  double Cofactor(int a, int b) const override {
    return InverseElement(*inverse_, factor_.newNumber[a], factor_.newNumber[b]);
  }

  void Solve(std::vector<std::vector<double>>& columns) override {
    if (!factorReady_) factorReady_ = Factor(std::vector<char>(input_.obs.size(), 0));
    const int n = factor_.pointCount;
    const std::size_t cols = columns.size();
    // Columns in the order of their first non-zero row: the forward pass takes each column in
    // only from there on.
    std::vector<std::pair<int, std::size_t>> order;
    for (std::size_t c = 0; c < cols; ++c) {
      int first = n + 1;
      for (int i = 1; i <= n; ++i)
        if (columns[c][i] != 0.0) first = std::min(first, factor_.newNumber[i]);
      order.push_back({first, c});
    }
    std::sort(order.begin(), order.end());
    std::vector<int> starts;
    std::vector<double>& y = work_;
    y.assign((static_cast<std::size_t>(n) + 1) * cols, 0.0);
    for (std::size_t s = 0; s < cols; ++s) {
      starts.push_back(order[s].first);
      const std::vector<double>& x = columns[order[s].second];
      for (int i = 1; i <= n; ++i) y[factor_.newNumber[i] * cols + s] = x[i];
    }
    SolveSideBySide(factor_, starts, y.data());
    for (std::size_t s = 0; s < cols; ++s) {
      std::vector<double>& x = columns[order[s].second];
      for (int i = 1; i <= n; ++i) x[i] = y[factor_.newNumber[i] * cols + s];
    }
  }

  bool Rebuild(const std::vector<char>& removed) override {
    if (!Factor(removed)) return false;
    factorReady_ = true;
    own_ = factor_;
    SelectedInverse(own_, own_.pointCount);
    inverse_ = &own_;
    return true;
  }

 private:
  // Builds N of the kept observations and the benchmarks in the profile storage and factors it.
  bool Factor(const std::vector<char>& removed) {
    const int n = factor_.pointCount;
    ClearSystem(factor_);
    for (std::size_t k = 1; k < input_.obs.size(); ++k) {
      if (removed[k]) continue;
      const TestedObservation& o = input_.obs[k];
      int a = factor_.newNumber[o.from], b = factor_.newNumber[o.to];
      if (a > b) std::swap(a, b);
      AddObservationEquation(factor_, a, b, o.weight, 0.0);
    }
    for (const TestedBenchmark& bm : input_.benchmarks) AddPointWeight(factor_, factor_.newNumber[bm.point], bm.weight);
    FactorAndSolve(factor_, n);
    if (factor_.defectIndex != 0) return false;
    for (int i = 1; i <= n; ++i)
      if (!std::isfinite(factor_.normalMatrix[factor_.At(i, i)])) return false;
    return true;
  }

  ProfileSystem& factor_;
  const StatisticsInput& input_;
  ProfileSystem own_;  // a selected inverse of our own, beside the factor
  const ProfileSystem* inverse_ = nullptr;
  bool factorReady_ = false;
  std::vector<double> work_;
};

// What the run leaves behind, in the input's orientation and with absolute heights.
StatisticsInput CollectInput(const AdjustmentRun& run) {
  StatisticsInput in;
  const bool leastSquares = run.options.Method == kLeastSquares;
  // The listings of least squares have added the mean benchmark height back into the heights.
  const double heightOffset = leastSquares ? run.meanBenchHeight : 0.0;
  in.leastSquares = leastSquares;
  in.defect = run.defectFound;
  in.redundancy = run.redundancy;
  in.heightMo = run.heightMo;
  in.height = run.pointHeight;
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
    b.givenHeight = (found != firstRecord.end() ? run.bench[found->second].Height : run.pointHeight[b.point] - heightOffset) + heightOffset;
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
    if (!file.Close()) {
      ok = false;
      const std::string& path = file.Path();
      run.host->ShowInformation(orvane::ToCp1250(" *** BŁĄD ZAPISU PLIKU WYNIKOWEGO: ") +
                                (orvane::IsValidUtf8(path) ? orvane::ToCp1250(path) : path));
    }
  }
  run.statisticsWritten = true;
  return ok;
}

}  // namespace kvel
