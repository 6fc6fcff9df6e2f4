#pragma once
// The benchmark file (h.sta, else xyh.sta), its listing, the reduction of the heights to their
// mean, the point catalogue built from the observations and the benchmarks of the network.
#include "leveling/adjustment_run.h"

namespace kvel {

// Reads the benchmark file, lists it, reduces the heights, builds the catalogue, finds the fixed
// points, reports LP and LS and sets MONITOR lines 2 to 4. False when the run must stop (reported).
bool ReadBenchmarksAndCatalogue(AdjustmentRun& run);

}  // namespace kvel
