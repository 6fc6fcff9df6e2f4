#pragma once
// Geodetic coordinates on the GRS80 ellipsoid: geodetic to geocentric Cartesian coordinates, the
// linearised PL-ETRF2000 -> PL-ETRF89 similarity transformation, and Cartesian back to geodetic.
//
// Everything is computed in 80-bit extended precision (long double on x86-64). Angles are in
// arc-seconds, heights and Cartesian coordinates in metres. The routines are built for points
// of the model's area (about 47..57 N, 12..26 E); XyzToBlh answers safely elsewhere.
#include <numbers>

namespace solvanta {

using Real = long double;

// GRS80.
inline constexpr Real kSemiMajorAxis = 6378137.0L;
inline constexpr Real kEccentricity = 0.08181919104281576L;
inline constexpr Real kFlattening = 0.003352810681182317L;
// Arc-seconds per radian and a quarter turn in radians.
inline constexpr Real kRho = 648000.0L / std::numbers::pi_v<long double>;
inline constexpr Real kHalfPi = std::numbers::pi_v<long double> / 2.0L;
// Centre of the frame transformation; held in double precision on purpose.
inline constexpr double kFrameCentreX = 3696570.6268;
inline constexpr double kFrameCentreY = 1297521.5559;
inline constexpr double kFrameCentreZ = 5011111.0767;
// XyzToBlh stops when the foot point moves by no more than this (metres) ...
inline constexpr Real kFootPointTolerance = 0.00005L;
// ... and gives up after this many rounds (two to four are enough inside the model's area).
inline constexpr int kMaxFootPointRounds = 50;

// B, L in arc-seconds and h in metres to geocentric X, Y, Z in metres.
void BlhToXyz(Real B, Real L, Real h, Real& X, Real& Y, Real& Z);

// PL-ETRF2000 Cartesian coordinates to PL-ETRF89 ones (seven parameters, linearised about the
// frame centre).
void Etrf2000ToEtrf89(Real X, Real Y, Real Z, Real& X89, Real& Y89, Real& Z89);

// Geocentric X, Y, Z to B, L in arc-seconds and h in metres, by a Newton iteration on the foot
// point of the ellipsoid normal. L comes from an arcsine, so only -90..90 degrees of longitude
// come back correctly; B is returned between 0 and 90 degrees.
// On the polar axis (p = 0) it gives B = +-90 degrees, L = 0 and h = |Z| - b and returns true.
// It returns false, with B, L and h set to NaN, for non-finite input, for p >= a (the foot point
// iteration is not built for those) and when the iteration does not settle within
// kMaxFootPointRounds rounds.
bool XyzToBlh(Real X, Real Y, Real Z, Real& B, Real& L, Real& h);

// The ellipsoidal height alone (the h of XyzToBlh, bit for bit), for callers that discard B and
// L; it saves the arctangent and the arcsine. False (and h = NaN) where XyzToBlh returns false.
bool XyzToHeight(Real X, Real Y, Real Z, Real& h);

}  // namespace solvanta
