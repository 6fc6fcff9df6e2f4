#pragma once
// The observation files deltah and deltah1: measured height differences with their accuracy
// parameters, the end record with the unit mean error, the a-priori weights and the control
// listing of the observations.
#include "leveling/adjustment_run.h"

namespace kvel {

// Reads "deltah" and then "deltah1" (either may be missing) into the observation table, writes the
// observation listing and MONITOR lines 0 and 1. False when the run must stop; the stop has then
// been reported (report line and box).
bool ReadObservationFiles(AdjustmentRun& run);

}  // namespace kvel
