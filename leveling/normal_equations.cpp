#include "leveling/normal_equations.h"

#include <string>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/messages.h"

namespace kvel {

bool ReserveProfile(ProfileMatrix& normal, orvane::TextWriter& report) {
  const bool fits = normal.Reserve();
  report.Line(" ");
  report.Line(orvane::ToCp1250(" LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = ") +
              orvane::IntegerField(normal.ReservedElementCount()));
  report.Line("  ");
  if (!fits) report.Line(" *** PRZEKROCZENIE ZAKRESU TABLICY URN");
  return fits;
}

orvane::RunOutcome PrepareNormalEquations(AdjustmentRun& run) {
  ProfileMatrix& normal = run.normal;
  normal.Renumber(run.PointCount(), run.startPoint, run.neighbours);
  if (normal.IsolatedPartCount() > 1) {
    run.Report(orvane::ToCp1250(messages::kIsolatedParts) + orvane::IntegerField(normal.IsolatedPartCount()) +
               orvane::ToCp1250(messages::kIsolatedPartsEnd));
  }
  if (!ReserveProfile(normal, run.report)) {
    if (run.host) run.host->ShowInformation(orvane::ToCp1250(messages::kTableOverflow));
    return orvane::RunOutcome::Stopped;
  }
  return orvane::RunOutcome::Finished;
}

}  // namespace kvel
