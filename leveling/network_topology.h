#pragma once
// The structure of the network: each point's distinct neighbours, the determinability table, the
// points without control and the point at which the renumbering starts.
#include "leveling/adjustment_run.h"

namespace kvel {

// Builds the neighbour lists, writes the determinability table and the list of points without
// control, and chooses `startPoint`. False when a point would get too many neighbours (reported).
bool BuildNetworkTopology(AdjustmentRun& run);

}  // namespace kvel
