#pragma once
// The misclosures of the network before its adjustment, in zamkniecia.osn: a phase of every run,
// after the topology. It writes only its own file (with the run's other results) and never stops
// the run.
#include "leveling/adjustment_run.h"

namespace kvel {

// `reached`: the run got through the topology; otherwise zamkniecia.osn is left empty, so an old
// one never stands beside the new results.
void WriteMisclosures(AdjustmentRun& run, bool reached);

}  // namespace kvel
