#include "leveling/accuracy_analysis.h"

#include <cmath>

#include "leveling/profile_solver.h"

namespace kvel {

AccuracyAnalysis::AccuracyAnalysis(AdjustmentRun& run)
    : run_(run),
      rigorous_(run.options.Method == Method::LeastSquares && run.options.AccuracyMode == AccuracyMode::Full) {}

bool AccuracyAnalysis::HeightMeanErrors() {
  ProfileMatrix& normal = run_.normal;
  const int lp = run_.PointCount();
  const int m = run_.ObservationCount();
  heightCofactor_.assign(static_cast<std::size_t>(lp) + 1, 0.0);
  if (rigorous_) obsCofactor_.assign(static_cast<std::size_t>(m) + 1, 0.0);

  normal.Invert(run_.referenceInverse ? InverseMethod::Reference : InverseMethod::Selected);
  for (int i = 1; i <= lp; ++i) {
    const int r = normal.RowOf(i);
    heightCofactor_[i] = normal.Q(r, r);
  }
  if (rigorous_) {
    for (int k = 1; k <= m; ++k)
      obsCofactor_[k] = normal.DifferenceCofactor(normal.RowOf(run_.obs[k].From), normal.RowOf(run_.obs[k].To));
  }
  bool finite = true;
  for (int i = 1; finite && i <= lp; ++i) finite = std::isfinite(heightCofactor_[i]);
  for (std::size_t k = 1; finite && k < obsCofactor_.size(); ++k) finite = std::isfinite(obsCofactor_[k]);
  return finite;
}

double AccuracyAnalysis::HeightMeanError(int i) const {
  return std::sqrt(heightCofactor_[i] + 1e-20) * run_.heightMo;
}

ObservationErrors AccuracyAnalysis::ObservationMeanErrors(int k) const {
  ObservationErrors e;
  e.mDHobs = run_.finalMo / std::sqrt(run_.obs[k].Weight);
  if (rigorous_ && static_cast<std::size_t>(k) < obsCofactor_.size()) {
    e.mDHwyr = std::sqrt(obsCofactor_[k]) * run_.finalMo;
  } else {
    e.mDHwyr = e.mDHobs * run_.otrebskiQ;  // Otrębski: on average the variance shrinks by p
  }
  const double arg = e.mDHobs * e.mDHobs - e.mDHwyr * e.mDHwyr + 1e-11;
  // Rounding in a badly conditioned network can push mDHwyr past mDHobs: shown as 0.
  e.mV = arg > 0 ? std::sqrt(arg) : 0.0;
  return e;
}

void AccuracyAnalysis::AddControlTerm(int k, double v) {
  double term = run_.obs[k].Weight * v * v;
  if (run_.options.Method != Method::LeastSquares) term *= run_.robustFactor[k];
  controlSum_ += term;
}

double AccuracyAnalysis::ControlPvv() const { return controlSum_ + run_.benchmarkControlSum; }

double AccuracyAnalysis::ControlMo() const {
  const double divisor = run_.options.Method == Method::LeastSquares ? run_.redundancy + 1e-9 : run_.factorSum + 1e-7;
  return std::sqrt(ControlPvv() / divisor);
}

}  // namespace kvel
