#include "leveling/result_listings.h"

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

constexpr int kLeastSquares = 1;
const std::string kDashes(76, '-');

}  // namespace

int ResidualBand(double v, double mV) {
  const double a = std::fabs(v);
  if (mV + 0.0001 < a && a <= 2 * mV) return 1;
  if (2 * mV < a && a <= 3 * mV) return 2;
  if (3 * mV < a) return 3;
  return 0;
}

orvane::RunOutcome WriteResults(AdjustmentRun& run) {
  const int lp = run.PointCount();
  const int m = run.ObservationCount();
  const int dec = run.options.Decimals;
  const bool leastSquares = run.options.Method == kLeastSquares;
  AccuracyAnalysis accuracy(run);

  std::vector<char> isBenchmark(static_cast<std::size_t>(lp) + 1, 0);
  for (int s = 1; s <= run.FixedPointCount(); ++s) isBenchmark[run.fixedPoint[s]] = 1;

  // Every mean error is taken before anything is written, so that a breakdown on absurd input
  // leaves no half-written listing.
  std::vector<double> heightError(static_cast<std::size_t>(lp) + 1, 0.0);
  if (leastSquares) {
    if (!accuracy.HeightMeanErrors()) return StopOnNumericFailure(run);
    for (int i = 1; i <= lp; ++i) {
      heightError[i] = accuracy.HeightMeanError(i);
      if (!std::isfinite(heightError[i])) return StopOnNumericFailure(run);
    }
  }
  std::vector<ObservationErrors> obsError(static_cast<std::size_t>(m) + 1);
  for (int k = 1; k <= m; ++k) {
    obsError[k] = accuracy.ObservationMeanErrors(k);
    const auto& e = obsError[k];
    if (!std::isfinite(e.mDHobs) || !std::isfinite(e.mDHwyr) || !std::isfinite(e.mV)) return StopOnNumericFailure(run);
  }

  // 1. Adjusted heights, least squares only.
  double sumMH = 0;
  double largestMH = 0;
  std::string largestMHPoint;  // robust estimation compares no point: an empty name
  if (leastSquares) {
    largestMHPoint = lp >= 1 ? run.pointNr[1] : std::string();
    run.Report(kDashes);
    run.Report(ToCp1250(" WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ") + FixedField(run.heightMo, 7, 5));
    run.Report("   LP               NRP        H          MH");
    run.Report("                             [ m ]      [ m ]");
    for (int i = 1; i <= lp; ++i) {
      run.pointHeight[i] += run.meanBenchHeight;  // the reduction to the mean is undone here
      const double h = run.pointHeight[i];
      const double mh = heightError[i];
      const char* mark = isBenchmark[i] ? " #   " : "     ";
      sumMH += mh;
      if (mh > largestMH) {
        largestMH = mh;
        largestMHPoint = run.pointNr[i];
      }
      const std::string values = RightAligned(run.pointNr[i], 16) + " " + FixedField(h, 12, dec) + " " +
                                 FixedField(mh, 9, dec) + " " + mark;
      run.Report(IntegerField(i, 5) + " " + values);
      run.heights.Line(values);
    }
  }

  // 2. Characteristic mean errors.
  const double meanMH = orvane::TruncateTo5Decimals(lp > 0 ? sumMH / lp : 0.0);
  largestMH = orvane::TruncateTo5Decimals(largestMH);
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, ToCp1250(" Przeciętny mH    = ") + orvane::ShortNumber(meanMH) + " m");
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, " Maksymalny mHmax = " + orvane::ShortNumber(largestMH) + " m");
  run.Report(kDashes);
  run.Report(ToCp1250(" CHARAKTERYSTYCZNE BŁĘDY ŚREDNIE WYSOKOŚCI:"));
  run.Report(ToCp1250("   - przeciętnie mH     = ") + FixedField(meanMH, 8, 5) + " m");
  run.Report("   - maksymalnie mHmax  = " + FixedField(largestMH, 8, 5) + " m  dla punktu: " + largestMHPoint);

  // 3. Adjusted observations.
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
  double negativeSum = 0, positiveSum = 0;
  int negativeCount = 0, positiveCount = 0;
  double largestAbsV = 0, largestV = 0;
  std::string largestFrom, largestTo;  // empty when no residual differs from 0
  int bandCount[4] = {0, 0, 0, 0};
  for (int k = 1; k <= m; ++k) {
    const Observation& o = run.obs[k];
    const double dhAdjusted = run.pointHeight[o.To] - run.pointHeight[o.From];
    const double v = dhAdjusted - o.DH;
    if (v < 0) {
      negativeSum += v;
      ++negativeCount;
    } else {
      positiveSum += v;
      ++positiveCount;
    }
    accuracy.AddControlTerm(k, v);
    const ObservationErrors& e = obsError[k];
    if (std::fabs(v) > largestAbsV) {
      largestAbsV = std::fabs(v);
      largestV = v;
      largestFrom = run.pointNr[o.From];
      largestTo = run.pointNr[o.To];
    }
    const int band = ResidualBand(v, e.mV);
    ++bandCount[band];
    run.Report(RightAligned(run.pointNr[o.From], 16) + " " + RightAligned(run.pointNr[o.To], 16) +
               FixedField(o.DH, 11, dec) + FixedField(e.mDHobs, 8, dec) + FixedField(v, 10, dec) +
               FixedField(e.mV, 8, dec) + FixedField(dhAdjusted, 11, dec) + FixedField(e.mDHwyr, 8, dec) +
               (band == 3 ? " *  " : "    "));
  }

  // 4. Distribution of the residuals.
  run.Report("  ");
  run.Report(kDashes);
  run.Report("  EMPIRYCZNY ROZKLAD POPRAWEK:");
  auto percent = [&](int count) { return FixedField(m > 0 ? count * 100.0 / m : 0.0, 6, 2); };
  run.Report(" W relacji         |v| <   Mv  jest : " + percent(m - bandCount[1] - bandCount[2] - bandCount[3]) +
             "% poprawek");
  run.Report(" W relacji    Mv < |v| < 2.Mv  jest : " + percent(bandCount[1]) + "% poprawek");
  run.Report(" W relacji  2.Mv < |v| < 3.Mv  jest : " + percent(bandCount[2]) + "% poprawek");
  run.Report(" W relacji  3.Mv < |v|         jest : " + percent(bandCount[3]) + "% poprawek - symbol: *");
  const double negativeAverage = negativeCount > 0 ? negativeSum / negativeCount : 0.0;
  const double positiveAverage = positiveCount > 0 ? positiveSum / positiveCount : 0.0;
  run.Report(ToCp1250("  Przeciętna poprawka ujemna   = ") + FixedField(negativeAverage, 10, 5) + " m");
  run.Report(ToCp1250("        (ilość poprawek (-) = ") + IntegerField(negativeCount));
  run.Report(ToCp1250("  Przeciętna poprawka dodatnia = ") + FixedField(positiveAverage, 10, 5) + " m");
  run.Report(ToCp1250("        (ilość poprawek (+) = ") + IntegerField(positiveCount));
  run.Report(ToCp1250("  Największa wartościowo  v    = ") + FixedField(largestV, 10, 5) + " m");
  run.Report("         dla odcinka: " + largestFrom + " " + largestTo);

  // 5. Control of the accuracy analysis.
  if (run.redundancy > 1) {
    run.Report(ToCp1250("  KONTROLA ANALIZY DOKŁADNOŚCI: "));
    if (run.unitMeanError > 0) {
      const double controlMo = accuracy.ControlMo();
      run.Report("  [pvv] =" + FixedField(accuracy.ControlPvv(), 15, 6) + "  Mo = " + FixedField(controlMo, 10, 5) +
                 "(bez miana)= " + FixedField(controlMo * run.unitMeanError, 10, dec) + "m");
    }
  }

  // 6. Closing line.
  run.Report(std::string(75, '-') + "orvane_2006--");

  // 7. Monitor.
  run.monitorLine += 1;
  run.Monitor(run.monitorLine, ToCp1250(" Największa wartość |v| = ") +
                                   orvane::ShortNumber(orvane::TruncateTo5Decimals(largestAbsV)) + " m");
  return orvane::RunOutcome::Finished;
}

}  // namespace kvel
