#include "leveling/result_listings.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/accuracy_analysis.h"
#include "leveling/adjustment_iteration.h"

namespace kvel {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::RightAligned;
using orvane::ToCp1250;

const std::string kDashes(76, '-');

}  // namespace

int ResidualBand(double v, double mV) {
  const double a = std::fabs(v);
  if (mV + 0.0001 < a && a <= 2 * mV) return 1;
  if (2 * mV < a && a <= 3 * mV) return 2;
  if (3 * mV < a) return 3;
  return 0;
}

namespace {

// A value that takes the place of the largest so far: larger by more than rounding. Two values
// equal by the reference computation may differ in the last bits (the selected inverse rounds
// otherwise; a residual is a difference of heights many times its size), and then the first of
// them keeps its place. `magnitude` is the size of the numbers the candidate was computed from.
bool ClearlyLarger(double candidate, double largest, double magnitude = 0) {
  constexpr double kRelativeTolerance = 1e-12;
  return candidate > largest + kRelativeTolerance * std::max(std::fabs(largest), magnitude);
}

struct HeightSummary {
  double sumMH = 0;
  double largestMH = 0;
  std::string largestMHPoint;  // robust estimation compares no point: an empty name
};

struct ResidualSummary {
  double negativeSum = 0, positiveSum = 0;
  int negativeCount = 0, positiveCount = 0;
  double largestAbsV = 0, largestV = 0;
  std::string largestFrom, largestTo;  // empty when no residual differs from 0
  int bandCount[4] = {0, 0, 0, 0};
};

// Every mean error before anything is written, so that a breakdown on absurd input leaves no
// half-written listing. False when one is not a finite number.
bool TakeMeanErrors(AdjustmentRun& run, AccuracyAnalysis& accuracy, bool leastSquares,
                    std::vector<double>& heightError, std::vector<ObservationErrors>& obsError) {
  const int lp = run.PointCount();
  const int m = run.ObservationCount();
  heightError.assign(static_cast<std::size_t>(lp) + 1, 0.0);
  if (leastSquares) {
    if (!accuracy.HeightMeanErrors()) return false;
    for (int i = 1; i <= lp; ++i) {
      heightError[i] = accuracy.HeightMeanError(i);
      if (!std::isfinite(heightError[i])) return false;
    }
  }
  obsError.assign(static_cast<std::size_t>(m) + 1, ObservationErrors{});
  for (int k = 1; k <= m; ++k) {
    obsError[k] = accuracy.ObservationMeanErrors(k);
    const auto& e = obsError[k];
    if (!std::isfinite(e.mDHobs) || !std::isfinite(e.mDHwyr) || !std::isfinite(e.mV)) return false;
  }
  return true;
}

// 1. Adjusted heights with their mean errors, into the report and h.osn (least squares only).
HeightSummary WriteAdjustedHeights(AdjustmentRun& run, const std::vector<double>& heightError) {
  const int lp = run.PointCount();
  const int dec = run.options.Decimals;
  std::vector<char> isBenchmark(static_cast<std::size_t>(lp) + 1, 0);
  for (int s = 1; s <= run.FixedPointCount(); ++s) isBenchmark[run.fixedPoint[s]] = 1;

  HeightSummary summary;
  summary.largestMHPoint = lp >= 1 ? run.pointNr[1] : std::string();
  run.Report(kDashes);
  run.Report(ToCp1250(" WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ") + FixedField(run.heightMo, 7, 5));
  run.Report("   LP               NRP        H          MH");
  run.Report("                             [ m ]      [ m ]");
  for (int i = 1; i <= lp; ++i) {
    const double h = run.AdjustedHeight(i);
    const double mh = heightError[i];
    const char* mark = isBenchmark[i] ? " #   " : "     ";
    summary.sumMH += mh;
    if (ClearlyLarger(mh, summary.largestMH)) {
      summary.largestMH = mh;
      summary.largestMHPoint = run.pointNr[i];
    }
    const std::string values = RightAligned(run.pointNr[i], 16) + " " + FixedField(h, 12, dec) + " " +
                               FixedField(mh, 9, dec) + " " + mark;
    run.Report(IntegerField(i, 5) + " " + values);
    run.heights.Line(values);
  }
  return summary;
}

// 2. Characteristic mean errors, in the report and the MONITOR.
void WriteCharacteristicErrors(AdjustmentRun& run, const HeightSummary& heights) {
  const int lp = run.PointCount();
  const double meanMH = orvane::TruncateTo5Decimals(lp > 0 ? heights.sumMH / lp : 0.0);
  const double largestMH = orvane::TruncateTo5Decimals(heights.largestMH);
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, ToCp1250(" Przeciętny mH    = ") + orvane::ShortNumber(meanMH) + " m");
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, " Maksymalny mHmax = " + orvane::ShortNumber(largestMH) + " m");
  run.Report(kDashes);
  run.Report(ToCp1250(" CHARAKTERYSTYCZNE BŁĘDY ŚREDNIE WYSOKOŚCI:"));
  run.Report(ToCp1250("   - przeciętnie mH     = ") + FixedField(meanMH, 8, 5) + " m");
  run.Report("   - maksymalnie mHmax  = " + FixedField(largestMH, 8, 5) + " m  dla punktu: " + heights.largestMHPoint);
}

// 3. Adjusted observations with residuals and marks; adds each control term.
ResidualSummary WriteAdjustedObservations(AdjustmentRun& run, AccuracyAnalysis& accuracy,
                                          const std::vector<ObservationErrors>& obsError) {
  const int m = run.ObservationCount();
  const int dec = run.options.Decimals;
  run.Report(kDashes);
  run.Report(ToCp1250(" OBSERWACJE  WYRÓWNANE "));
  if (accuracy.Rigorous()) {
    run.Report(ToCp1250(" Opcja ścisła analizy dokładności:"));
    run.Report(ToCp1250(" - obliczenie błędów średnich poprawek z macierzy kowariancyjnej"));
  } else {
    run.Report(ToCp1250(" Opcja uproszczona analizy dokładności:"));
    run.Report(ToCp1250(" - obliczenie błędów średnich poprawek z twierdzenia Otrębskiego"));
  }
  run.Report("           Nr[I]            Nr[j]     DHobs  mDHobs        V      mV      DHwyr   mDHwyr");
  run.Report("                                      [ m ]   [ m ]     [ m ]   [ m ]     [ m ]    [ m ]");
  ResidualSummary r;
  for (int k = 1; k <= m; ++k) {
    const Observation& o = run.obs[k];
    const double dhAdjusted = run.AdjustedDifference(k);
    const double v = run.Residual(k);
    if (v < 0) {
      r.negativeSum += v;
      ++r.negativeCount;
    } else {
      r.positiveSum += v;
      ++r.positiveCount;
    }
    accuracy.AddControlTerm(k, v);
    const ObservationErrors& e = obsError[k];
    const double magnitude = std::fabs(run.ListedHeight(o.To)) + std::fabs(run.ListedHeight(o.From)) + std::fabs(o.DH);
    if (ClearlyLarger(std::fabs(v), r.largestAbsV, magnitude)) {
      r.largestAbsV = std::fabs(v);
      r.largestV = v;
      r.largestFrom = run.pointNr[o.From];
      r.largestTo = run.pointNr[o.To];
    }
    const int band = ResidualBand(v, e.mV);
    ++r.bandCount[band];
    run.Report(RightAligned(run.pointNr[o.From], 16) + " " + RightAligned(run.pointNr[o.To], 16) +
               FixedField(o.DH, 11, dec) + FixedField(e.mDHobs, 8, dec) + FixedField(v, 10, dec) +
               FixedField(e.mV, 8, dec) + FixedField(dhAdjusted, 11, dec) + FixedField(e.mDHwyr, 8, dec) +
               (band == 3 ? " *  " : "    "));
  }
  return r;
}

// 4. The empirical distribution of the residuals.
void WriteResidualDistribution(AdjustmentRun& run, const ResidualSummary& r) {
  const int m = run.ObservationCount();
  run.Report("  ");
  run.Report(kDashes);
  run.Report("  EMPIRYCZNY ROZKLAD POPRAWEK:");
  auto percent = [&](int count) { return FixedField(m > 0 ? count * 100.0 / m : 0.0, 6, 2); };
  run.Report(" W relacji         |v| <   Mv  jest : " +
             percent(m - r.bandCount[1] - r.bandCount[2] - r.bandCount[3]) + "% poprawek");
  run.Report(" W relacji    Mv < |v| < 2.Mv  jest : " + percent(r.bandCount[1]) + "% poprawek");
  run.Report(" W relacji  2.Mv < |v| < 3.Mv  jest : " + percent(r.bandCount[2]) + "% poprawek");
  run.Report(" W relacji  3.Mv < |v|         jest : " + percent(r.bandCount[3]) + "% poprawek - symbol: *");
  const double negativeAverage = r.negativeCount > 0 ? r.negativeSum / r.negativeCount : 0.0;
  const double positiveAverage = r.positiveCount > 0 ? r.positiveSum / r.positiveCount : 0.0;
  run.Report(ToCp1250("  Przeciętna poprawka ujemna   = ") + FixedField(negativeAverage, 10, 5) + " m");
  run.Report(ToCp1250("        (ilość poprawek (-) = ") + IntegerField(r.negativeCount));
  run.Report(ToCp1250("  Przeciętna poprawka dodatnia = ") + FixedField(positiveAverage, 10, 5) + " m");
  run.Report(ToCp1250("        (ilość poprawek (+) = ") + IntegerField(r.positiveCount));
  run.Report(ToCp1250("  Największa wartościowo  v    = ") + FixedField(r.largestV, 10, 5) + " m");
  run.Report("         dla odcinka: " + r.largestFrom + " " + r.largestTo);
}

// 5. The control of the accuracy analysis (with more than one redundant observation).
void WriteAnalysisControl(AdjustmentRun& run, const AccuracyAnalysis& accuracy) {
  if (run.redundancy <= 1) return;
  run.Report(ToCp1250("  KONTROLA ANALIZY DOKŁADNOŚCI: "));
  if (run.unitMeanError > 0) {
    const double controlMo = accuracy.ControlMo();
    run.Report("  [pvv] =" + FixedField(accuracy.ControlPvv(), 15, 6) + "  Mo = " + FixedField(controlMo, 10, 5) +
               "(bez miana)= " + FixedField(controlMo * run.unitMeanError, 10, run.options.Decimals) + "m");
  }
}

}  // namespace

orvane::RunOutcome WriteResults(AdjustmentRun& run) {
  const bool leastSquares = run.options.Method == Method::LeastSquares;
  AccuracyAnalysis accuracy(run);
  std::vector<double> heightError;
  std::vector<ObservationErrors> obsError;
  if (!TakeMeanErrors(run, accuracy, leastSquares, heightError, obsError)) return StopOnNumericFailure(run);

  const HeightSummary heights = leastSquares ? WriteAdjustedHeights(run, heightError) : HeightSummary{};
  WriteCharacteristicErrors(run, heights);
  const ResidualSummary residuals = WriteAdjustedObservations(run, accuracy, obsError);
  WriteResidualDistribution(run, residuals);
  WriteAnalysisControl(run, accuracy);
  run.Report(std::string(75, '-') + "orvane_2006--");  // the closing line
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, ToCp1250(" Największa wartość |v| = ") +
                                   orvane::ShortNumber(orvane::TruncateTo5Decimals(residuals.largestAbsV)) + " m");
  return orvane::RunOutcome::Finished;
}

}  // namespace kvel
