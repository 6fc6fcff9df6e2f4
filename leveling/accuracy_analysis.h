#pragma once
// The numbers that judge the adjustment after the iteration: the mean errors of the adjusted
// heights, of the observations, of the adjusted observations and of the residuals, and the
// control of the analysis (the weighted sum of squared residuals recomputed from the listing).
//
// The least-squares cofactors are queried from the run's ProfileMatrix after its last factor: the
// selected inverse (the cost of one factorisation), or the reference routines (the same values at
// a quadratic cost) when AdjustmentRun::referenceInverse is set.
#include <vector>

#include "leveling/adjustment_run.h"

namespace kvel {

struct ObservationErrors {
  double mDHobs = 0;  // the observation's mean error
  double mDHwyr = 0;  // the adjusted observation's
  double mV = 0;      // the residual's
};

class AccuracyAnalysis {
 public:
  explicit AccuracyAnalysis(AdjustmentRun& run);

  // Full analysis from the covariance matrix: least squares with AccuracyMode 1.
  bool Rigorous() const { return rigorous_; }

  // Least squares only, once, before any observation is analysed: the cofactors of the heights
  // (and, in the rigorous mode, of every observation). False when a value is not finite.
  bool HeightMeanErrors();
  // mH of catalogue point i (m), after HeightMeanErrors.
  double HeightMeanError(int i) const;

  // mDHobs, mDHwyr and mV of observation k.
  ObservationErrors ObservationMeanErrors(int k) const;

  // Control: the term of observation k with residual v, then the totals.
  void AddControlTerm(int k, double v);
  double ControlPvv() const;
  // Only meaningful when the redundancy is above 1.
  double ControlMo() const;

 private:
  AdjustmentRun& run_;
  bool rigorous_ = false;
  std::vector<double> heightCofactor_;  // [1..LP] by catalogue point: Q(i,i)
  std::vector<double> obsCofactor_;     // [1..M]: x' N^-1 x of observation k (rigorous mode)
  double controlSum_ = 0;
};

}  // namespace kvel
