#include "leveling/statistics_phase.h"

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

// The network's normal matrix through the profile solver: a factor of its own (the run's last
// factor has become the selected inverse by the time the listings are written) and the cofactors
// of the run's selected inverse until a rebuild gives new ones.
class ProfileNormalEquations : public NormalEquations {
 public:
  ProfileNormalEquations(const ProfileSystem& runSystem, const StatisticsInput& input)
      : run_(runSystem), input_(input) {}

  // Factors N; `runInverse` holds the selected inverse of the same N, or is null when the run
  // read its cofactors otherwise (then they are read here).
  bool Start(const ProfileSystem* runInverse) {
    const std::vector<char> none(input_.obs.size(), 0);
    if (!Factor(none)) return false;
    if (runInverse) {
      inverse_ = runInverse;
      return true;
    }
    return Invert();
  }

  double Cofactor(int a, int b) const override {
    return InverseElement(*inverse_, run_.newNumber[a], run_.newNumber[b]);
  }

  void Solve(std::vector<double>& x) const override {
    const int n = factor_.pointCount;
    const double* u = factor_.normalMatrix.data();
    std::vector<double>& y = work_;
    y.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) y[run_.newNumber[i]] = x[i];
    // N = U'U: U' t = x from the first row down, then U y = t from the last row up. The diagonal
    // position holds 1/u(i,i).
    for (int k = 1; k <= n; ++k) {
      const long long diag = factor_.At(k, k);
      const double t = y[k] * u[diag];
      y[k] = t;
      if (t == 0.0) continue;
      const int last = std::min(factor_.LastColumn(k), n);
      for (int q = k + 1; q <= last; ++q) y[q] -= t * u[diag + (q - k)];
    }
    for (int i = n; i >= 1; --i) {
      const long long diag = factor_.At(i, i);
      const int last = std::min(factor_.LastColumn(i), n);
      double s = y[i];
      for (int q = i + 1; q <= last; ++q) s -= u[diag + (q - i)] * y[q];
      y[i] = s * u[diag];
    }
    for (int i = 1; i <= n; ++i) x[i] = y[run_.newNumber[i]];
  }

  bool Rebuild(const std::vector<char>& removed) override { return Factor(removed) && Invert(); }

 private:
  // Builds N of the kept observations and the benchmarks and factors it into factor_.
  bool Factor(const std::vector<char>& removed) {
    const int n = run_.pointCount;
    factor_.pointCount = n;
    factor_.newNumber = run_.newNumber;
    factor_.rowWidth = run_.rowWidth;
    factor_.rowStart = run_.rowStart;
    factor_.normalMatrix.assign(static_cast<std::size_t>(run_.rowStart[n + 1]) + 1, 0.0);
    factor_.rightSide.assign(static_cast<std::size_t>(n) + 2, 0.0);
    factor_.correction.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (std::size_t k = 1; k < input_.obs.size(); ++k) {
      if (removed[k]) continue;
      const TestedObservation& o = input_.obs[k];
      int a = run_.newNumber[o.from], b = run_.newNumber[o.to];
      if (a > b) std::swap(a, b);
      AddObservationEquation(factor_, a, b, o.weight, 0.0);
    }
    for (const TestedBenchmark& bm : input_.benchmarks) AddPointWeight(factor_, run_.newNumber[bm.point], bm.weight);
    FactorAndSolve(factor_, n);
    if (factor_.defectIndex != 0) return false;
    for (int i = 1; i <= n; ++i)
      if (!std::isfinite(factor_.normalMatrix[factor_.At(i, i)])) return false;
    return true;
  }

  bool Invert() {
    own_ = factor_;
    SelectedInverse(own_, own_.pointCount);
    inverse_ = &own_;
    return true;
  }

  const ProfileSystem& run_;
  const StatisticsInput& input_;
  ProfileSystem factor_;
  ProfileSystem own_;
  const ProfileSystem* inverse_ = nullptr;
  mutable std::vector<double> work_;
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

void ResetStatisticsFiles(const std::string& workFolder) {
  for (const char* name : kFileNames) {
    orvane::TextWriter file;
    if (file.Create(orvane::StandardFilePath(workFolder, name))) file.Close();
  }
}

bool RunStatisticalTests(AdjustmentRun& run) {
  StatisticsInput input = CollectInput(run);
  StatisticsResult result;
  if (input.leastSquares) {
    ProfileNormalEquations normal(run.normal, input);
    const bool started = normal.Start(run.referenceInverse ? nullptr : &run.normal);
    // The heights' mean errors as h.osn has them: the cofactors of the run's selected inverse.
    const int lp = run.PointCount();
    input.meanError.assign(static_cast<std::size_t>(lp) + 1, 0.0);
    for (int i = 1; i <= lp; ++i) {
      double q = 0;
      if (started) q = normal.Cofactor(i, i);
      else if (!run.referenceInverse) q = InverseElement(run.normal, run.normal.newNumber[i], run.normal.newNumber[i]);
      input.meanError[i] = std::sqrt(q + 1e-20) * run.heightMo;
    }
    // A defective system has no cofactors worth testing: the w-test is left out.
    result = TestAdjustment(input, run.options.Statistics, started && !input.defect ? &normal : nullptr);
  } else {
    result = TestAdjustment(input, run.options.Statistics, nullptr);
  }

  ReportNames names;
  names.pointNr = &run.pointNr;
  names.decimals = run.options.Decimals;
  bool ok = true;
  for (int f = 0; f < 3; ++f) {
    orvane::TextWriter file;
    if (!file.Create(orvane::StandardFilePath(run.workFolder, kFileNames[f]))) {
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
  return ok;
}

}  // namespace kvel
