#pragma once
// The result sections of wyh.osn after the iteration, the heights file h.osn and the result lines
// of the MONITOR: adjusted heights with their mean errors (least squares only), characteristic
// mean errors, adjusted observations with residuals and marks, the empirical distribution of the
// residuals, the control of the accuracy analysis and the closing line.
#include "common/run_outcome.h"
#include "leveling/adjustment_run.h"

namespace kvel {

// Writes every section in order. Stopped only when a mean error is not a finite number
// (reported); nothing of the listings is written then.
orvane::RunOutcome WriteResults(AdjustmentRun& run);

// The band of a residual v against its mean error mV in the distribution: 0 within mV (plus the
// tolerance 0.0001 m), 1 up to 2 mV, 2 up to 3 mV, 3 beyond 3 mV (marked " *  ").
int ResidualBand(double v, double mV);

}  // namespace kvel
