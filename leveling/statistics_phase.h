#pragma once
// The statistical testing as a phase of the adjustment run: after the result listings it reads
// what the run leaves behind (observations, weights, heights, benchmarks and the cofactors of the
// selected inverse), tests the adjustment (adjustment_statistics.h) and writes testy.osn, wyh.csv
// and h.csv into the working folder (statistics_report.h). wyh.osn and h.osn are not touched.
#include <string>

#include "leveling/adjustment_run.h"
#include "leveling/adjustment_statistics.h"

namespace kvel {

// What the finished run leaves to the testing: observations in the input's orientation with the
// weights the run built, absolute heights, the benchmarks.
StatisticsInput CollectStatisticsInput(const AdjustmentRun& run);

// Puts empty testy.osn, wyh.csv and h.csv into the run's results, so that a run that stopped
// before the testing leaves no results of an earlier run beside its own report.
void ResetStatisticsFiles(AdjustmentRun& run);

// Tests the finished adjustment and writes the three files. Called after the result listings;
// it reuses the run's profile storage. False when one of the files could not be written (told to
// the user through the host); the adjustment's own results stand either way.
bool RunStatisticalTests(AdjustmentRun& run);

}  // namespace kvel
