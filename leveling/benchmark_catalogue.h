#pragma once
// The benchmark file (h.sta, else xyh.sta), its listing, the reduction of the heights to their
// mean, the point catalogue built from the observations and the benchmarks of the network.
#include "leveling/adjustment_run.h"

namespace kvel {

// Reads the benchmark file, lists it, reduces the heights, builds the catalogue, finds the fixed
// points, reports LP and LS and sets MONITOR lines 2 to 4. False when the run must stop (reported).
bool ReadBenchmarksAndCatalogue(AdjustmentRun& run);

// The point catalogue alone, from the observations read (order of first appearance), with its
// limit of kMaxPoints. False when the run must stop (reported).
bool BuildPointCatalogue(AdjustmentRun& run);

}  // namespace kvel
