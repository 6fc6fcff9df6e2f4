#include "quasigeoid/geodesy.h"

#include <cmath>
#include <limits>

namespace solvanta {

namespace {

// Sine and cosine in extended precision. On x87 the FSINCOS instruction gives both in one step,
// within one unit in the last place of the library's sinl and cosl for |x| <= 1.25 rad (all of
// the model's area), at a tenth of their cost; the frame conversion of every PL-ETRF89 point
// pays for two of them. Elsewhere, and on other machines, the library does it.
inline void SinCos(Real x, Real& s, Real& c) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && __LDBL_MANT_DIG__ == 64
  if (std::fabs(x) <= 1.25L) {
    __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(x));
    return;
  }
#endif
  s = std::sin(x);
  c = std::cos(x);
}

}  // namespace

void BlhToXyz(Real B, Real L, Real h, Real& X, Real& Y, Real& Z) {
  const Real inverseRho = 1.0L / kRho;
  const Real b = B * inverseRho;
  const Real l = L * inverseRho;
  const Real e2 = kEccentricity * kEccentricity;
  Real sinB, cosB, sinL, cosL;
  SinCos(b, sinB, cosB);
  SinCos(l, sinL, cosL);
  const Real nn = kSemiMajorAxis / std::sqrt(1.0L - e2 * (sinB * sinB));
  X = (nn + h) * cosB * cosL;
  Y = (nn + h) * cosB * sinL;
  Z = ((1.0L - e2) * nn + h) * sinB;
}

void Etrf2000ToEtrf89(Real X, Real Y, Real Z, Real& X89, Real& Y89, Real& Z89) {
  // The offsets from the centre are rounded to double, as the parameters were derived with them.
  const double dX = static_cast<double>(X - static_cast<Real>(kFrameCentreX));
  const double dY = static_cast<double>(Y - static_cast<Real>(kFrameCentreY));
  const double dZ = static_cast<double>(Z - static_cast<Real>(kFrameCentreZ));
  X89 = X + 0.0322L + 5.102e-8L * dX + 7.46e-9L * dY - 4.804e-8L * dZ;
  Y89 = Y + 0.0347L - 7.46e-9L * dX + 5.102e-8L * dY - 6.152e-8L * dZ;
  Z89 = Z + 0.0507L + 4.804e-8L * dX + 6.152e-8L * dY + 5.102e-8L * dZ;
}

namespace {

constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

// The foot point of the ellipsoid normal through (p, Z) in the meridian plane: its distance t
// from the polar axis and s = sqrt((a + t)(a - t)), so that the foot point is (t, k s).
struct FootPoint {
  Real t;
  Real s;
  Real k;
};

enum class FootResult { Found, OnAxis, Failed };

FootResult FindFootPoint(Real p, Real Z, FootPoint& foot) {
  const Real a = kSemiMajorAxis;
  const Real b = a * (1.0L - kFlattening);
  const Real k = b / a;
  const Real e2 = 1.0L - k * k;
  foot.k = k;
  if (!std::isfinite(p) || !std::isfinite(Z)) return FootResult::Failed;
  if (p == 0.0L) return FootResult::OnAxis;
  // Starting from t = p needs p < a; beyond that s is not real.
  if (!(p < a)) return FootResult::Failed;
  Real t = p;
  Real s = 0;
  bool settled = false;
  for (int round = 0; round < kMaxFootPointRounds; ++round) {
    const Real previous = t;
    s = std::sqrt((a + t) * (a - t));
    const Real F = (p - t * e2) * s - Z * t * k;
    const Real D = (-Z * k - e2 * s) - (p - t * e2) * t / s;
    t = t - F / D;
    if (!std::isfinite(t)) return FootResult::Failed;
    if (std::fabs(t - previous) <= kFootPointTolerance) {
      settled = true;
      break;
    }
  }
  if (!settled) return FootResult::Failed;
  s = std::sqrt((a + t) * (a - t));
  if (!std::isfinite(s)) return FootResult::Failed;
  foot.t = t;
  foot.s = s;
  return FootResult::Found;
}

Real HeightAbove(const FootPoint& foot, Real p, Real Z) {
  const Real dz = Z - foot.k * foot.s;
  const Real dp = p - foot.t;
  Real h = std::sqrt(dz * dz + dp * dp);
  if (dp < 0.0L) h = -h;
  return h;
}

Real PolarHeight(Real Z) { return std::fabs(Z) - kSemiMajorAxis * (1.0L - kFlattening); }

}  // namespace

bool XyzToBlh(Real X, Real Y, Real Z, Real& B, Real& L, Real& h) {
  const Real p = std::sqrt(X * X + Y * Y);
  FootPoint foot{};
  switch (FindFootPoint(p, Z, foot)) {
    case FootResult::Failed:
      B = L = h = kNaN;
      return false;
    case FootResult::OnAxis:
      B = (Z < 0.0L ? -kHalfPi : kHalfPi) * kRho;
      L = 0;
      h = PolarHeight(Z);
      return true;
    case FootResult::Found:
      break;
  }
  B = (kHalfPi - std::atan(foot.k * foot.t / foot.s)) * kRho;
  L = std::asin(Y / p) * kRho;
  h = HeightAbove(foot, p, Z);
  return true;
}

bool XyzToHeight(Real X, Real Y, Real Z, Real& h) {
  const Real p = std::sqrt(X * X + Y * Y);
  FootPoint foot{};
  switch (FindFootPoint(p, Z, foot)) {
    case FootResult::Failed:
      h = kNaN;
      return false;
    case FootResult::OnAxis:
      h = PolarHeight(Z);
      return true;
    case FootResult::Found:
      break;
  }
  h = HeightAbove(foot, p, Z);
  return true;
}

}  // namespace solvanta
