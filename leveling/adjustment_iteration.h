#pragma once
// The adjustment proper: a fixed number of iterations by least squares (2, or 3 after a defect)
// or by robust estimation (9), each linearising the observations about the current heights,
// building and solving the normal equations once, applying the corrections and writing its line
// of the protocol. Iteration 1 also gives the reliability parameters of the network.
#include "common/run_outcome.h"
#include "leveling/adjustment_run.h"

namespace kvel {

// Runs every iteration; afterwards the run holds the final heights, finalMo, heightMo, the
// reliability parameters, the robust factors and the factor of the last system.
// Stopped only when the computation broke down numerically (reported and told to the user).
orvane::RunOutcome RunIteration(AdjustmentRun& run);

// The weight a benchmark is held with: 1e20 (fixed) below a mean error of 0.00001 m, 0 included;
// 1/m^2 from 0.00001 m on (an observed height). IsFixedBenchmark tells the first case.
double BenchmarkWeight(double meanError);
bool IsFixedBenchmark(double meanError);

// The robust weight factor f = (1 + 0.1111 * w * l^2 / s^2)^(-1/2); a scale of exactly 0 (all
// misclosures of the previous iteration exactly 0) gives the factor 1.
double RobustWeightFactor(double w, double l, double s);

// Stops the run on a value that is not a finite number (absurd input that overflowed): the report
// line and the information box, so that no listing is written from such values.
orvane::RunOutcome StopOnNumericFailure(AdjustmentRun& run);

}  // namespace kvel
