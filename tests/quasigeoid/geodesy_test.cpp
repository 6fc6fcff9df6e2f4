// GRS80 geodesy against PROJ: "+proj=cart +ellps=GRS80" for the Cartesian conversions and a
// position-vector Helmert step that reproduces the linearised frame transformation.
#include "quasigeoid/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "proj_oracle.h"

namespace solvanta {
namespace {

using solvanta_test::ProjOperation;

constexpr Real kSecondsPerDegree = 3600.0L;

struct Blh {
  double bDeg;
  double lDeg;
  double h;
};

// The model's area and its margins, low and high heights, and points well away from it.
const Blh kPoints[] = {
    {52.0, 19.0, 30.0},       {47.99, 12.99, 0.0},    {56.01, 25.01, 0.0},    {48.0, 13.0, -120.5},
    {54.83, 18.33, 2499.0},   {49.2, 22.7, 45.123},   {50.0, 20.0, -6000.0},  {53.5, 14.25, 8848.0},
    {0.5, 1.0, 10.0},         {89.9, 45.0, 100.0},    {30.0, 85.0, 20000.0},  {51.123456789, 16.987654321, 123.456},
};

TEST(Geodesy, BlhToXyzMatchesProjCartesian) {
  const ProjOperation cart("+proj=cart +ellps=GRS80");
  for (const Blh& p : kPoints) {
    Real X, Y, Z;
    BlhToXyz(p.bDeg * kSecondsPerDegree, p.lDeg * kSecondsPerDegree, p.h, X, Y, Z);
    const PJ_COORD c = cart.ForwardDegrees(p.lDeg, p.bDeg, p.h);
    SCOPED_TRACE(testing::Message() << p.bDeg << " " << p.lDeg << " " << p.h);
    EXPECT_NEAR(static_cast<double>(X), c.xyz.x, 2e-8);
    EXPECT_NEAR(static_cast<double>(Y), c.xyz.y, 2e-8);
    EXPECT_NEAR(static_cast<double>(Z), c.xyz.z, 2e-8);
  }
}

TEST(Geodesy, XyzToBlhMatchesProjInverse) {
  const ProjOperation cart("+proj=cart +ellps=GRS80");
  for (const Blh& p : kPoints) {
    const PJ_COORD c = cart.ForwardDegrees(p.lDeg, p.bDeg, p.h);
    Real B, L, h;
    ASSERT_TRUE(XyzToBlh(c.xyz.x, c.xyz.y, c.xyz.z, B, L, h));
    const PJ_COORD g = cart.Inverse(c);
    SCOPED_TRACE(testing::Message() << p.bDeg << " " << p.lDeg << " " << p.h);
    // 1e-6 arc-second is 3 cm of arc on the earth's surface divided by 1000.
    EXPECT_NEAR(static_cast<double>(B), proj_todeg(g.lpz.phi) * 3600.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(L), proj_todeg(g.lpz.lam) * 3600.0, 1e-6);
    // PROJ's own inversion drifts by about a micrometre at 20 km of height; the height that
    // went in is the sharper reference.
    EXPECT_NEAR(static_cast<double>(h), g.lpz.z, 2e-6);
    EXPECT_NEAR(static_cast<double>(h), p.h, 1e-6);
  }
}

TEST(Geodesy, RoundTripAt52And19) {
  const Real B0 = 52.0L * kSecondsPerDegree;
  const Real L0 = 19.0L * kSecondsPerDegree;
  Real X, Y, Z, B, L, h;
  BlhToXyz(B0, L0, 30.0L, X, Y, Z);
  ASSERT_TRUE(XyzToBlh(X, Y, Z, B, L, h));
  EXPECT_LT(std::fabs(B - B0), 0.0001L);
  EXPECT_LT(std::fabs(L - L0), 0.0001L);
  EXPECT_LT(std::fabs(h - 30.0L), 0.000001L);
}

TEST(Geodesy, FrameCentreGetsExactlyTheTranslations) {
  const Real X0 = kFrameCentreX;
  const Real Y0 = kFrameCentreY;
  const Real Z0 = kFrameCentreZ;
  Real X, Y, Z;
  Etrf2000ToEtrf89(X0, Y0, Z0, X, Y, Z);
  EXPECT_EQ(X, X0 + 0.0322L);
  EXPECT_EQ(Y, Y0 + 0.0347L);
  EXPECT_EQ(Z, Z0 + 0.0507L);
}

TEST(Geodesy, FrameTransformationMatchesProjHelmert) {
  const ProjOperation cart("+proj=cart +ellps=GRS80");
  const ProjOperation helmert(
      "+proj=helmert +convention=position_vector +x=0.0746552436612546 +y=0.304360437672585 "
      "+z=-0.462373680435121 +rx=0.0126894108803214 +ry=-0.00990896129211051 +rz=-0.00153873545460334 "
      "+s=0.05102");
  for (const Blh& p : kPoints) {
    if (p.bDeg < 45.0 || p.bDeg > 60.0) continue;  // the linearisation holds about Poland
    const PJ_COORD c = cart.ForwardDegrees(p.lDeg, p.bDeg, p.h);
    Real X, Y, Z;
    Etrf2000ToEtrf89(c.xyz.x, c.xyz.y, c.xyz.z, X, Y, Z);
    const PJ_COORD t = helmert.Forward(c);
    SCOPED_TRACE(testing::Message() << p.bDeg << " " << p.lDeg << " " << p.h);
    EXPECT_NEAR(static_cast<double>(X), t.xyz.x, 1e-8);
    EXPECT_NEAR(static_cast<double>(Y), t.xyz.y, 1e-8);
    EXPECT_NEAR(static_cast<double>(Z), t.xyz.z, 1e-8);
  }
}

TEST(Geodesy, FrameChainAt52And19Gives30066) {
  Real X, Y, Z, X89, Y89, Z89, B, L, h;
  BlhToXyz(52.0L * kSecondsPerDegree, 19.0L * kSecondsPerDegree, 30.0L, X, Y, Z);
  Etrf2000ToEtrf89(X, Y, Z, X89, Y89, Z89);
  ASSERT_TRUE(XyzToBlh(X89, Y89, Z89, B, L, h));
  EXPECT_NEAR(static_cast<double>(h), 30.066, 0.0005);

  // The same chain through PROJ.
  const ProjOperation chain(
      "+proj=pipeline +step +proj=cart +ellps=GRS80 "
      "+step +proj=helmert +convention=position_vector +x=0.0746552436612546 +y=0.304360437672585 "
      "+z=-0.462373680435121 +rx=0.0126894108803214 +ry=-0.00990896129211051 +rz=-0.00153873545460334 "
      "+s=0.05102 +step +inv +proj=cart +ellps=GRS80");
  const PJ_COORD g = chain.ForwardDegrees(19.0, 52.0, 30.0);
  EXPECT_NEAR(static_cast<double>(h), g.lpz.z, 1e-7);
}

TEST(Geodesy, HeightAloneEqualsFullInversion) {
  for (const Blh& p : kPoints) {
    Real X, Y, Z, B, L, h, hOnly;
    BlhToXyz(p.bDeg * kSecondsPerDegree, p.lDeg * kSecondsPerDegree, p.h, X, Y, Z);
    ASSERT_TRUE(XyzToBlh(X, Y, Z, B, L, h));
    ASSERT_TRUE(XyzToHeight(X, Y, Z, hOnly));
    EXPECT_EQ(h, hOnly);
  }
}

// Points the inversion is not built for come back at once, flagged, never as a hang.
TEST(Geodesy, XyzToBlhRefusesPointsItIsNotBuiltFor) {
  const Real nan = std::numeric_limits<Real>::quiet_NaN();
  const Real inf = std::numeric_limits<Real>::infinity();
  struct Case {
    Real X, Y, Z;
  };
  const Case refused[] = {
      {nan, 0, 0},  {0, nan, 1e6},   {1e6, 1e6, nan},       {inf, 0, 0},      {0, -inf, 0},
      {6378137, 0, 0}, {7e6, 0, 1e6}, {1e30, 1e30, 1e30}, {-1e300L, 1e300L, 0},
  };
  for (const Case& c : refused) {
    Real B = 0, L = 0, h = 0, hOnly = 0;
    SCOPED_TRACE(testing::Message() << c.X << " " << c.Y << " " << c.Z);
    EXPECT_FALSE(XyzToBlh(c.X, c.Y, c.Z, B, L, h));
    EXPECT_TRUE(std::isnan(B) && std::isnan(L) && std::isnan(h));
    EXPECT_FALSE(XyzToHeight(c.X, c.Y, c.Z, hOnly));
    EXPECT_TRUE(std::isnan(hOnly));
  }
}

TEST(Geodesy, PolarAxisGivesPoleAndHeightAboveIt) {
  const Real b = kSemiMajorAxis * (1.0L - kFlattening);
  Real B, L, h;
  ASSERT_TRUE(XyzToBlh(0, 0, b + 100.0L, B, L, h));
  EXPECT_EQ(B, 90.0L * kSecondsPerDegree);
  EXPECT_EQ(L, 0.0L);
  EXPECT_NEAR(static_cast<double>(h), 100.0, 1e-9);
  ASSERT_TRUE(XyzToBlh(0, 0, b - 50.0L, B, L, h));
  EXPECT_NEAR(static_cast<double>(h), -50.0, 1e-9);
  ASSERT_TRUE(XyzToBlh(0, 0, -(b + 10.0L), B, L, h));
  EXPECT_EQ(B, -90.0L * kSecondsPerDegree);
  EXPECT_NEAR(static_cast<double>(h), 10.0, 1e-9);
}

// Odd points inside the ellipsoid (near the centre, many normals) end within the round limit,
// whatever they give.
TEST(Geodesy, XyzToBlhAlwaysEnds) {
  const Real probes[][3] = {{1, 0, 0}, {1e-9L, 0, 1}, {1000, 1000, 0}, {1e5L, 0, -1e5L}, {6378136.9999L, 0, 0},
                            {6e6L, 0, 6e6L}, {1, 1, 6e9L}};
  for (const auto& p : probes) {
    Real B, L, h;
    const bool found = XyzToBlh(p[0], p[1], p[2], B, L, h);
    if (found) {
      EXPECT_TRUE(std::isfinite(B) && std::isfinite(L) && std::isfinite(h));
    }
  }
}

}  // namespace
}  // namespace solvanta
