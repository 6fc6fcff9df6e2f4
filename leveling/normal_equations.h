#pragma once
// The run's phase that shapes the normal equations: the numbering of the points as matrix rows,
// the warning on separate parts, the reservation of the profile with its report lines, and the
// stop when the profile exceeds its capacity.
#include "common/run_outcome.h"
#include "common/text_writer.h"
#include "leveling/adjustment_run.h"
#include "leveling/profile_solver.h"

namespace kvel {

// Reserves `normal` (already numbered) and writes the three reservation lines of the report; when
// the profile exceeds ProfileElementLimit it also writes " *** PRZEKROCZENIE ZAKRESU TABLICY URN",
// allocates nothing and answers false.
bool ReserveProfile(ProfileMatrix& normal, orvane::TextWriter& report);

// Numbering, the warning on separate parts, the reservation and its limit. Stopped (reported and
// told to the user) when the profile does not fit.
orvane::RunOutcome PrepareNormalEquations(AdjustmentRun& run);

}  // namespace kvel
