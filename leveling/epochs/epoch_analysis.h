#pragma once
// The comparison of the epochs of a control network of vertical displacements, start to end:
// every epoch folder read and adjusted (epoch_network), each epoch compared with the first and
// with the one before (congruence), przemieszczenia.osn and przemieszczenia.csv written into the
// output folder and put in place together (displacement_report).
#include <string>
#include <vector>

#include "common/run_outcome.h"
#include "leveling/adjustment_run.h"
#include "leveling/epochs/congruence.h"

namespace kvel::epochs {

// The pairs compared for `epochs` epochs, as (earlier, later) numbers from 1: each epoch against
// the first, then each against the one before (a pair only once).
std::vector<std::pair<int, int>> ComparedPairs(int epochs);

// Runs the analysis over `folders` (two or more, in time order). Finished when every pair was
// compared and both files were written; Stopped on a data error (told through the host, naming
// the epoch, and written into przemieszczenia.osn) or a file that could not be written. The box
// " KONIEC ANALIZY PRZEMIESZCZEŃ " ends every analysis.
orvane::RunOutcome RunEpochAnalysis(const std::vector<std::string>& folders, const std::string& outFolder,
                                    const CongruenceOptions& options, AdjustmentHost& host);

}  // namespace kvel::epochs
