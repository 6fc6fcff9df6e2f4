#include "leveling/adjustment_iteration.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/messages.h"
#include "leveling/profile_solver.h"

namespace kvel {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::ToCp1250;

constexpr int kRobustIterations = 9;
// A benchmark whose mean error is below this is held fixed by a weight of 1e20.
constexpr double kWeightedBenchmarkError = 0.00001;
constexpr double kFixedWeight = 1e20;
constexpr int kDefectBoxesPerSolution = 10;

const std::string kDashes(76, '-');

void WriteReliability(AdjustmentRun& run) {
  run.Report(kDashes);
  run.Report(" PARAMETRY NIEZAWODNOSCI SIECI:");
  run.Report(ToCp1250(" Nadwymiarowość sieci             LU =  M-N = ") + IntegerField(run.redundancy));
  run.Report("          liczba obserwacji               M = " + IntegerField(run.ObservationCount()));
  run.Report("          liczba niewiadomych     N = LP-LS = " + IntegerField(run.unknownCount));
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, ToCp1250(" Liczba elementów nadwymiarowych sieci = ") + IntegerField(run.redundancy));
  run.Report(ToCp1250(" Wskaźnik niezawodności            z = LU/M = ") + FixedField(run.reliabilityIndex, 7, 5));
  run.Report(ToCp1250(" Parametr Otrębskiego              p =  N/M = ") + FixedField(run.otrebskiP, 7, 5));
  run.Report(" (przec. zmniejszenie wariancji obserwacji)");
  run.Report(ToCp1250(" Współcz. zmniejsz. bł. śr. obs. q= sgrt(p) = ") + FixedField(run.otrebskiQ, 7, 5));
  run.Report(" ");
}

}  // namespace

double BenchmarkWeight(double meanError) {
  return meanError < kWeightedBenchmarkError ? kFixedWeight : 1.0 / (meanError * meanError);
}

bool IsFixedBenchmark(double meanError) { return meanError < kWeightedBenchmarkError; }

double RobustWeightFactor(double w, double l, double s) {
  if (s == 0.0) return 1.0;  // no scale: every misclosure was exactly 0, nothing to down-weight
  return std::sqrt(1.0 / (0.1111 * w * l * l / (s * s) + 1.0));
}

orvane::RunOutcome StopOnNumericFailure(AdjustmentRun& run) {
  const std::string text = ToCp1250(messages::kNumericalError);
  run.Stop(text);
  return orvane::RunOutcome::Stopped;
}

namespace {

// The state that one iteration hands to the next.
struct IterationState {
  std::vector<int> benchmarkOf;  // [1..LP]: benchmark entry of catalogue point i, 0 for none
  bool robust = false;
  double scale = 1.0;  // s; stays 1 when the network has no redundant observation
};

// 1-3. The observation equations of iteration t, linearised about the current heights, in one
// pass; the robust factors of the next iteration from the third on. Returns [pll].
double BuildObservationEquations(AdjustmentRun& run, const IterationState& state, int t) {
  ProfileMatrix& sys = run.normal;
  sys.Clear();
  run.factorSum = 0;
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    Observation& o = run.obs[k];
    double w = o.Weight;
    if (state.robust && t >= 4) w *= run.robustFactor[k];
    int a = sys.RowOf(o.From);
    int b = sys.RowOf(o.To);
    if (a > b) {
      // The record is turned for good: from the lower to the higher matrix row.
      std::swap(o.From, o.To);
      std::swap(o.FromNr, o.ToNr);
      o.DH = -o.DH;
      o.Reversed = !o.Reversed;
      std::swap(a, b);
    }
    const double l = run.pointHeight[o.To] - run.pointHeight[o.From] - o.DH;
    sys.AddObservation(a, b, w, l);
    if (state.robust && t >= 3) {
      const double f = RobustWeightFactor(w, l, state.scale);
      run.factorSum += f;
      run.robustFactor[k] = f;
    }
  }
  return sys.Pll();
}

// 4. Benchmarks: fixed below 0.00001 m, otherwise observed heights with their mean error.
void AddBenchmarkWeights(AdjustmentRun& run) {
  for (int s = 1; s <= run.FixedPointCount(); ++s) {
    run.normal.AddPointWeight(run.normal.RowOf(run.fixedPoint[s]), BenchmarkWeight(run.fixedMeanError[s]));
  }
}

// 5. The solution, with one box per defective pivot but no more than a few per solution: absurd
// weights can make every pivot defective, and thousands of modal boxes would hold the user as a
// hang does.
void Solve(AdjustmentRun& run) {
  int defectBoxes = 0;
  run.normal.FactorAndSolve([&](int) {
    if (++defectBoxes <= kDefectBoxesPerSolution) run.host->ShowInformation(ToCp1250(messages::kDefect));
  });
  if (run.normal.DefectRow() >= 1) {
    run.Report(" *** DEFEKT SIECI, WSK. NIEWIAD.: " + IntegerField(run.normal.DefectRow()));
    run.defectFound = true;
  }
}

// 6. The corrections applied to the heights (not to the benchmarks' in iteration 1) and the
// benchmarks' control sum. Returns the mean increment sqrt([dx dx] / LP).
double ApplyCorrections(AdjustmentRun& run, const IterationState& state, int t) {
  const int lp = run.PointCount();
  double sumSquares = 0;
  run.benchmarkControlSum = 0;
  for (int i = 1; i <= lp; ++i) {
    double dx = run.normal.Correction(run.normal.RowOf(i));
    sumSquares += dx * dx;
    const int s = state.benchmarkOf[i];
    if (s != 0) {
      const double me = run.fixedMeanError[s];
      if (me >= kWeightedBenchmarkError) run.benchmarkControlSum += (dx / me) * (dx / me);
      // Iteration 2 is linearised about the benchmarks' given heights.
      if (t == 1) dx = 0;
    }
    run.pointHeight[i] += dx;
  }
  return lp > 0 ? std::sqrt(sumSquares / lp) : 0.0;
}

// 7. The reliability parameters of the network (iteration 1).
void SetReliability(AdjustmentRun& run) {
  const int m = run.ObservationCount();
  run.unknownCount = run.PointCount() - run.FixedPointCount();
  run.redundancy = m - run.unknownCount;
  // The reading phases never let a network without observations get this far.
  run.reliabilityIndex = m > 0 ? static_cast<double>(run.redundancy) / m : 0.0;
  run.otrebskiP = m > 0 ? static_cast<double>(run.unknownCount) / m : 0.0;
  run.otrebskiQ = std::sqrt(run.otrebskiP);
}

// 9. The reliability section and the head of the protocol (iteration 1).
void WriteProtocolHead(AdjustmentRun& run) {
  WriteReliability(run);
  run.Report(kDashes);
  run.Report(ToCp1250(" PROTOKÓŁ WYRÓWNANIA SIECI:"));
  run.Report(kDashes);
  run.Report(ToCp1250(" PARAMETRY ZBIEŻNOSCI PROCESU ITERACYJNEGO:"));
}

// 11. The protocol lines of iteration t (fixed widths, whatever the precision of the listings).
void WriteProtocolLines(AdjustmentRun& run, int t, double meanIncrement, double pvv, double iterationMo) {
  run.Report(" ITER = " + IntegerField(t) + ToCp1250(" Średni przyrost niewiadomych = ") +
             orvane::Scientific23(meanIncrement));
  if (t > 3) run.Report(" SUMA WAG = " + orvane::Scientific23(run.factorSum));
  run.Report(" [pvv]= " + FixedField(pvv, 13, 5) + "    Mo  (bez miana) = " + FixedField(iterationMo, 11, 5));
}

// 13. The MONITOR line of iteration t with the truncated Mo, which is the one kept.
double MonitorIteration(AdjustmentRun& run, int t, double iterationMo) {
  if (t == 1) {
    run.monitorLine += 2;
    run.Monitor(run.monitorLine, ToCp1250(" PARAMETRY WYRÓWNANIA:"));
  }
  iterationMo = orvane::TruncateTo5Decimals(iterationMo);
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, " Iter = " + IntegerField(t) + " Mo = " + orvane::ShortNumber(iterationMo));
  return iterationMo;
}

}  // namespace

orvane::RunOutcome RunIteration(AdjustmentRun& run) {
  const int lp = run.PointCount();
  IterationState state;
  state.robust = run.options.Method == Method::Robust;
  state.benchmarkOf.assign(static_cast<std::size_t>(lp) + 1, 0);
  for (int s = 1; s <= run.FixedPointCount(); ++s) state.benchmarkOf[run.fixedPoint[s]] = s;

  run.robustFactor.assign(static_cast<std::size_t>(run.ObservationCount()) + 1, 1.0);
  run.defectFound = false;

  for (int t = 1;; ++t) {
    const double pll = BuildObservationEquations(run, state, t);
    AddBenchmarkWeights(run);
    Solve(run);
    const double meanIncrement = ApplyCorrections(run, state, t);
    if (t == 1) SetReliability(run);

    // 8.
    double pvv = run.normal.Pvv();
    if (!(pvv > 0)) pvv = 0;

    // Absurd input (values near the range of a double) must not run on into the listings.
    bool finite = std::isfinite(pll) && std::isfinite(pvv) && std::isfinite(meanIncrement);
    for (int i = 1; finite && i <= lp; ++i) finite = std::isfinite(run.pointHeight[i]);
    if (!finite) return StopOnNumericFailure(run);

    if (t == 1) WriteProtocolHead(run);

    // 10. Mo of the iteration.
    const int lu = run.redundancy;
    double iterationMo = 1.0;
    if (lu <= 0) {
      if (t == 1) {
        run.Report("  UWAGA:");
        run.Report(ToCp1250(messages::kNoRedundancy));
        run.Report(ToCp1250(messages::kDefaultMo));
      }
    } else {
      const double divisor = (!state.robust || t <= 3) ? lu + 0.0001 : run.factorSum + 0.0001;
      iterationMo = std::sqrt(std::fabs(pvv) / divisor);
      state.scale = std::sqrt(pll / divisor);  // 12: s for the next iteration's robust factors
    }
    if (!std::isfinite(iterationMo) || !std::isfinite(state.scale)) return StopOnNumericFailure(run);

    WriteProtocolLines(run, t, meanIncrement, pvv, iterationMo);
    iterationMo = MonitorIteration(run, t, iterationMo);

    // 14.
    if (run.options.UnitErrorIsOne) iterationMo = 1.0;
    run.finalMo = iterationMo;
    run.heightMo = run.benchWithErrorCount > 0 ? 1.0 : run.finalMo;

    // 15.
    if (state.robust && t == 3) {
      run.Report(" UWAGA:");
      run.Report(ToCp1250(messages::kRobustWithoutHeights));
      run.Report(ToCp1250(messages::kControlOnly));
    }

    // 16.
    const bool another = state.robust ? t < kRobustIterations : (t == 1 || (t == 2 && run.defectFound));
    if (!another) break;
  }
  return orvane::RunOutcome::Finished;
}

}  // namespace kvel
