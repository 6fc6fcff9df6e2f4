#include "leveling/tests_verdict.h"

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/adjustment_statistics.h"

namespace kvel {

TestsVerdict SummarizeTests(const StatisticsInput& input, const StatisticsResult& result) {
  TestsVerdict verdict;
  verdict.globalComputed = result.global.computed;
  verdict.globalAccepted = result.global.accepted;
  verdict.pvv = result.global.pvv;
  verdict.lower = result.global.lower;
  verdict.upper = result.global.upper;
  verdict.degrees = result.global.degrees;
  verdict.leastSquares = input.leastSquares;
  verdict.defect = input.defect;
  for (std::size_t k = 1; k < result.obs.size(); ++k)
    if (result.obs[k].rejected) ++verdict.rejected;
  verdict.snooping = result.options.Snooping;
  verdict.removed = static_cast<int>(result.rounds.size());
  verdict.snoopingStopped = result.snoopingStopped;
  return verdict;
}

std::string VerdictLine(const TestsVerdict& verdict) {
  using orvane::FixedField;
  using orvane::IntegerField;
  std::string line = " TEST GLOBALNY: ";
  if (!verdict.globalComputed) {
    line += "brak obserwacji nadliczbowych - test nie jest wykonywany";
  } else {
    const std::string lu = ", LU = " + IntegerField(verdict.degrees) + ")";
    const std::string pvv = "([pvv] = " + FixedField(verdict.pvv, 0, 5);
    if (verdict.globalAccepted)
      line += "hipoteza PRZYJĘTA " + pvv + " w granicach " + FixedField(verdict.lower, 0, 5) + " - " +
              FixedField(verdict.upper, 0, 5) + lu;
    else if (verdict.pvv < verdict.lower)
      line += "hipoteza ODRZUCONA " + pvv + " < " + FixedField(verdict.lower, 0, 5) + lu;
    else
      line += "hipoteza ODRZUCONA " + pvv + " > " + FixedField(verdict.upper, 0, 5) + lu;
  }
  if (verdict.defect) {
    line += "; DEFEKT SIECI - test w i wykrywanie błędów grubych nie są wykonywane";
  } else if (!verdict.leastSquares) {
    line += "; ESTYMACJA MOCNA: wysokości nie obliczono, test w nie jest wykonywany"
            " (współczynniki wagowe w testy.osn)";
  } else {
    line += "; TEST w: odrzucono " + IntegerField(verdict.rejected);
    if (!verdict.snooping) line += ", wykrywanie błędów grubych wyłączone";
    else line += ", usunięto " + IntegerField(verdict.removed);
    if (verdict.snoopingStopped) line += " (wykrywanie przerwane)";
  }
  return orvane::ToCp1250(line);
}

}  // namespace kvel
