#include "leveling/accuracy_analysis.h"

#include <algorithm>
#include <cmath>

#include "leveling/profile_solver.h"

namespace kvel {

namespace {
constexpr int kLeastSquares = 1;
constexpr int kFullAnalysis = 1;
}  // namespace

AccuracyAnalysis::AccuracyAnalysis(AdjustmentRun& run)
    : run_(run),
      rigorous_(run.options.Method == kLeastSquares && run.options.AccuracyMode == kFullAnalysis) {}

bool AccuracyAnalysis::HeightMeanErrors() {
  ProfileSystem& sys = run_.normal;
  const int lp = run_.PointCount();
  const int m = run_.ObservationCount();
  heightCofactor_.assign(static_cast<std::size_t>(lp) + 1, 0.0);
  if (rigorous_) obsCofactor_.assign(static_cast<std::size_t>(m) + 1, 0.0);

  if (run_.referenceInverse) {
    InverseDiagonal(sys, lp);
    for (int i = 1; i <= lp; ++i) heightCofactor_[i] = sys.rightSide[sys.newNumber[i]];
    if (rigorous_) {
      for (int k = 1; k <= m; ++k) {
        std::fill(sys.rightSide.begin() + 1, sys.rightSide.begin() + lp + 1, 0.0);
        sys.rightSide[sys.newNumber[run_.obs[k].From]] = -1.0;
        sys.rightSide[sys.newNumber[run_.obs[k].To]] = 1.0;
        obsCofactor_[k] = InverseQuadraticForm(sys, lp);
      }
    }
  } else {
    SelectedInverse(sys, lp);
    for (int i = 1; i <= lp; ++i) {
      const int r = sys.newNumber[i];
      heightCofactor_[i] = InverseElement(sys, r, r);
    }
    if (rigorous_) {
      for (int k = 1; k <= m; ++k) {
        const int a = sys.newNumber[run_.obs[k].From];
        const int b = sys.newNumber[run_.obs[k].To];
        const double g = InverseElement(sys, a, a) + InverseElement(sys, b, b) - 2.0 * InverseElement(sys, a, b);
        obsCofactor_[k] = std::max(g, 0.0);  // a sum of squares; rounding must not make it negative
      }
    }
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
  if (run_.options.Method != kLeastSquares) term *= run_.robustFactor[k];
  controlSum_ += term;
}

double AccuracyAnalysis::ControlPvv() const { return controlSum_ + run_.benchmarkControlSum; }

double AccuracyAnalysis::ControlMo() const {
  const double divisor = run_.options.Method == kLeastSquares ? run_.redundancy + 1e-9 : run_.factorSum + 1e-7;
  return std::sqrt(ControlPvv() / divisor);
}

}  // namespace kvel
