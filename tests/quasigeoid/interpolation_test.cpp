// Locating a point in the grid, bilinear N (PROJ's vgridshift as the oracle), the PL-ETRF89
// conversion (PROJ's Helmert chain), and the deflections with their per-task limits.
#include "quasigeoid/interpolation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "proj_oracle.h"

namespace solvanta {
namespace {

using solvanta_test::ProjOperation;

constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

// A grid filled by f(row, column).
template <typename F>
std::unique_ptr<ModelGrid> GridOf(F f) {
  auto grid = std::make_unique<ModelGrid>();
  for (int i = 0; i < kGridRows; ++i) {
    for (int j = 0; j < kGridColumns; ++j) grid->At(i, j) = static_cast<std::int32_t>(f(i, j));
  }
  return grid;
}

// ---- Locating -------------------------------------------------------------------------------

struct LocateCase {
  const char* what;
  GeodeticPoint point;
  EdgeClamping clamping;
  bool inside;
  int i, j;
  double dx, dy;
};

const LocateCase kLocateCases[] = {
    {"node 52 N 19 E", {52, 0, 0, 19, 0, 0}, EdgeClamping::On, true, 400, 600, 0.0, 0.0},
    {"node 52 N 19 E unclamped", {52, 0, 0, 19, 0, 0}, EdgeClamping::Off, true, 400, 600, 0.0, 0.0},
    {"inside a cell", {51, 32, 19.85593, 19, 36, 3.24319}, EdgeClamping::On, true, 353, 660, 0.884886944, 0.090088611},
    {"north edge clamped", {56, 0, 0, 19, 0, 0}, EdgeClamping::On, true, 799, 600, 1.0, 0.0},
    {"north edge unclamped", {56, 0, 0, 19, 0, 0}, EdgeClamping::Off, false, 0, 0, 0, 0},
    {"just south of north edge", {55, 59, 59, 19, 0, 0}, EdgeClamping::Off, true, 799, 600, 0.972222222, 0.0},
    {"north band clamped", {56, 0, 35.9, 19, 0, 0}, EdgeClamping::On, true, 799, 600, 1.997222222, 0.0},
    {"beyond north band", {56, 0, 36.1, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"56 01 00", {56, 1, 0, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"south band", {47, 59, 50, 19, 0, 0}, EdgeClamping::Off, true, 0, 600, -0.277777778, 0.0},
    {"south band clamped", {47, 59, 50, 19, 0, 0}, EdgeClamping::On, true, 0, 600, -0.277777778, 0.0},
    {"inner rim of south band", {47, 59, 24.1, 19, 0, 0}, EdgeClamping::On, true, 0, 600, -0.997222222, 0.0},
    {"beyond south band", {47, 59, 23.9, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"47 59 00", {47, 59, 0, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"east edge clamped", {52, 0, 0, 25, 0, 0}, EdgeClamping::On, true, 400, 1199, 0.0, 1.0},
    {"east edge unclamped", {52, 0, 0, 25, 0, 0}, EdgeClamping::Off, false, 0, 0, 0, 0},
    {"east band clamped", {52, 0, 0, 25, 0, 35.9}, EdgeClamping::On, true, 400, 1199, 0.0, 1.997222222},
    {"beyond east band", {52, 0, 0, 25, 0, 36.1}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"west band", {52, 0, 0, 12, 59, 30}, EdgeClamping::Off, true, 400, 0, 0.0, -0.833333333},
    {"beyond west band", {52, 0, 0, 12, 59, 23.9}, EdgeClamping::Off, false, 0, 0, 0, 0},
    {"north-east corner", {56, 0, 0, 25, 0, 0}, EdgeClamping::On, true, 799, 1199, 1.0, 1.0},
    {"75 minutes", {50, 75, 0, 18, 90, 0}, EdgeClamping::On, true, 325, 650, 0.0, 0.0},
    {"negative minutes and seconds", {52, -30, -36, 19, 0, -72}, EdgeClamping::On, true, 349, 598, 0.0, 0.0},
    {"southern hemisphere", {-52, 0, 0, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"NaN seconds", {52, 0, kNaN, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"infinite seconds", {52, 0, 0, 19, 0, std::numeric_limits<Real>::infinity()}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"huge seconds", {52, 0, 1e300L, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"huge negative seconds", {52, 0, 0, 19, 0, -1e4000L}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"largest degrees", {INT32_MAX, INT32_MAX, 0, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    {"smallest degrees", {52, 0, 0, INT32_MIN, INT32_MIN, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
    // 268435508 * 3600 wraps to 52 * 3600 in 32 bits: such a point must not land at 52 N.
    {"degrees that wrap in 32 bits", {268435508, 0, 0, 19, 0, 0}, EdgeClamping::On, false, 0, 0, 0, 0},
};

TEST(LocateCell, CasesTable) {
  for (const LocateCase& c : kLocateCases) {
    SCOPED_TRACE(c.what);
    GridPosition pos;
    ASSERT_EQ(LocateCell(c.point, c.clamping, pos), c.inside);
    if (!c.inside) continue;
    EXPECT_EQ(pos.i, c.i);
    EXPECT_EQ(pos.j, c.j);
    EXPECT_NEAR(static_cast<double>(pos.dx), c.dx, 1e-6);
    EXPECT_NEAR(static_cast<double>(pos.dy), c.dy, 1e-6);
    EXPECT_EQ(pos.dx, pos.x - pos.i);
    EXPECT_EQ(pos.dy, pos.y - pos.j);
  }
}

// Every node, given as whole multiples of 36", is found at its own row and column with no
// fraction (the last row and column sit in the last cell with a fraction of 1).
TEST(LocateCell, EveryNodeLandsExactly) {
  for (int r = 0; r < kGridRows; ++r) {
    for (int c : {0, 1, 2, 600, 1197, 1198, 1199, 1200}) {
      const GeodeticPoint p{48, 0, static_cast<Real>(36 * r), 13, 0, static_cast<Real>(36 * c)};
      GridPosition pos;
      ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos)) << r << " " << c;
      ASSERT_EQ(pos.i, std::min(r, kGridRows - 2)) << r;
      ASSERT_EQ(pos.j, std::min(c, kGridColumns - 2)) << c;
      ASSERT_EQ(pos.dx, r == kGridRows - 1 ? 1.0L : 0.0L) << r;
      ASSERT_EQ(pos.dy, c == kGridColumns - 1 ? 1.0L : 0.0L) << c;
    }
  }
  // The same nodes written with degrees and minutes.
  for (int r = 0; r < kGridRows; ++r) {
    const int seconds = 48 * 3600 + 36 * r;
    const GeodeticPoint p{seconds / 3600, seconds % 3600 / 60, static_cast<Real>(seconds % 60), 19, 0, 0};
    GridPosition pos;
    ASSERT_TRUE(LocateCell(p, EdgeClamping::Off, pos) || r == kGridRows - 1) << r;
    if (r < kGridRows - 1) {
      ASSERT_EQ(pos.i, r);
      ASSERT_EQ(pos.dx, 0.0L);
    }
  }
}

// The bounds of the area are strict: exactly 47.99, 12.99 and (clamped) 56.01, 25.01 degrees,
// and (unclamped) 56.00 and 25.00 degrees are outside.
TEST(LocateCell, BoundsAreStrict) {
  GridPosition pos;
  EXPECT_FALSE(LocateCell({47, 59, 24, 19, 0, 0}, EdgeClamping::On, pos));
  EXPECT_FALSE(LocateCell({52, 0, 0, 12, 59, 24}, EdgeClamping::On, pos));
  EXPECT_FALSE(LocateCell({56, 0, 36, 19, 0, 0}, EdgeClamping::On, pos));
  EXPECT_FALSE(LocateCell({52, 0, 0, 25, 0, 36}, EdgeClamping::On, pos));
  EXPECT_FALSE(LocateCell({56, 0, 0, 19, 0, 0}, EdgeClamping::Off, pos));
  EXPECT_FALSE(LocateCell({52, 0, 0, 25, 0, 0}, EdgeClamping::Off, pos));
  EXPECT_TRUE(LocateCell({47, 59, 24.001L, 12, 59, 24.001L}, EdgeClamping::Off, pos));
  EXPECT_TRUE(LocateCell({56, 0, 35.999L, 25, 0, 35.999L}, EdgeClamping::On, pos));
}

TEST(LocateCell, MinutesAreNotRangeTested) {
  GridPosition a, b;
  ASSERT_TRUE(LocateCell({50, 75, 12.5, 18, 75, 3.25}, EdgeClamping::On, a));
  ASSERT_TRUE(LocateCell({51, 15, 12.5, 19, 15, 3.25}, EdgeClamping::On, b));
  EXPECT_EQ(a.i, b.i);
  EXPECT_EQ(a.j, b.j);
  EXPECT_EQ(a.dx, b.dx);
  EXPECT_EQ(a.dy, b.dy);
}

// ---- N ----------------------------------------------------------------------------------

// On a grid that is linear in row and column the bilinear formula is exact everywhere,
// extrapolation bands included.
TEST(AnomalyAt, ExactOnLinearGridIncludingExtrapolation) {
  const auto grid = GridOf([](int i, int j) { return 1234 * i - 567 * j + 3000000; });
  auto linear = [](Real x, Real y) { return (1234.0L * x - 567.0L * y + 3000000.0L) * 0.00001L; };
  std::mt19937 random(7);
  // Latitudes and longitudes in tenths of an arc-second over the whole admissible area.
  std::uniform_int_distribution<long> lat(1727641, 2016359), lon(467641, 900359);
  for (int n = 0; n < 20000; ++n) {
    const long bTenths = lat(random);
    const long lTenths = lon(random);
    const GeodeticPoint p{static_cast<int>(bTenths / 36000), 0, (bTenths % 36000) / 10.0L,
                          static_cast<int>(lTenths / 36000), 0, (lTenths % 36000) / 10.0L};
    GridPosition pos;
    ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
    const Real x = (bTenths / 36000.0L - 48.0L) * 100.0L;
    const Real y = (lTenths / 36000.0L - 13.0L) * 100.0L;
    ASSERT_NEAR(static_cast<double>(AnomalyAt(*grid, pos, ReferenceFrame::Etrf2000, p)),
                static_cast<double>(linear(x, y)), 1e-9)
        << bTenths << " " << lTenths;
  }
}

TEST(AnomalyAt, NodesAndEdgesGiveStoredValues) {
  const auto grid = GridOf([](int i, int j) { return (i * 7919 + j * 104729) % 5000000 - 2500000; });
  struct Case {
    GeodeticPoint p;
    int row, column;
  };
  const Case cases[] = {{{48, 0, 0, 13, 0, 0}, 0, 0},     {{56, 0, 0, 25, 0, 0}, 800, 1200},
                        {{56, 0, 0, 13, 0, 0}, 800, 0},   {{48, 0, 0, 25, 0, 0}, 0, 1200},
                        {{53, 7, 48, 21, 3, 0}, 513, 805}, {{56, 0, 0, 20, 0, 36}, 800, 701}};
  for (const Case& c : cases) {
    GridPosition pos;
    ASSERT_TRUE(LocateCell(c.p, EdgeClamping::On, pos));
    EXPECT_EQ(AnomalyAt(*grid, pos, ReferenceFrame::Etrf2000, c.p),
              static_cast<Real>(grid->At(c.row, c.column)) * 0.00001L)
        << c.row << " " << c.column;
  }
}

// The same grid written as GTX float32 and interpolated by PROJ's vgridshift.
TEST(AnomalyAt, BilinearMatchesProjVgridshift) {
  const auto grid = GridOf([](int i, int j) {
    return std::lround(1500000.0 * std::sin(i / 37.0) * std::cos(j / 53.0) + 40000.0 * std::sin(i * j / 911.0));
  });
  std::vector<float> values(kGridValueCount);
  for (int i = 0; i < kGridRows; ++i) {
    for (int j = 0; j < kGridColumns; ++j) {
      values[static_cast<std::size_t>(i) * kGridColumns + static_cast<std::size_t>(j)] =
          static_cast<float>(grid->At(i, j) * 1e-5);
    }
  }
  const auto path = std::filesystem::temp_directory_path() / ("orvane_bilinear_" + std::to_string(::getpid()) + ".gtx");
  solvanta_test::WriteGtx(path.string(), 48.0, 13.0, 0.01, 0.01, kGridRows, kGridColumns, values);
  {
    const ProjOperation shift("+proj=vgridshift +multiplier=1 +grids=" + path.string());
    std::mt19937 random(11);
    std::uniform_real_distribution<double> seconds(0.0, 3600.0);
    std::uniform_int_distribution<int> bDeg(48, 55), lDeg(13, 24);
    for (int n = 0; n < 5000; ++n) {
      const GeodeticPoint p{bDeg(random), 0, seconds(random), lDeg(random), 0, seconds(random)};
      GridPosition pos;
      ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
      const double b = p.bDegrees + static_cast<double>(p.bSeconds) / 3600.0;
      const double l = p.lDegrees + static_cast<double>(p.lSeconds) / 3600.0;
      const PJ_COORD c = shift.ForwardDegrees(l, b, 0.0);
      // float32 storage of values up to 15.4 m: half a unit in the last place is under 1e-6 m.
      ASSERT_NEAR(static_cast<double>(AnomalyAt(*grid, pos, ReferenceFrame::Etrf2000, p)), c.xyz.z, 1.5e-6)
          << b << " " << l;
    }
  }
  std::filesystem::remove(path);
}

// ---- PL-ETRF89 --------------------------------------------------------------------------

TEST(AnomalyAt, Etrf89At52And19Is30066) {
  const auto grid = GridOf([](int, int) { return 3000000; });
  const GeodeticPoint p{52, 0, 0, 19, 0, 0};
  GridPosition pos;
  ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
  EXPECT_EQ(AnomalyAt(*grid, pos, ReferenceFrame::Etrf2000, p), 30.0L);
  const Real n89 = AnomalyAt(*grid, pos, ReferenceFrame::Etrf89, p);
  EXPECT_NEAR(static_cast<double>(n89), 30.066, 0.0005);
  const ProjOperation chain(solvanta_test::kEtrf89Chain);
  EXPECT_NEAR(static_cast<double>(n89), chain.ForwardDegrees(19.0, 52.0, 30.0).lpz.z, 1e-7);
}

TEST(AnomalyAt, Etrf89MatchesProjChainOverTheArea) {
  const auto grid = GridOf([](int i, int j) { return 2800000 + 900 * i - 1100 * j + (i * j) % 977; });
  const ProjOperation chain(solvanta_test::kEtrf89Chain);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> seconds(-35.0, 3600.0);
  std::uniform_int_distribution<int> bDeg(48, 56), lDeg(13, 25);
  for (int n = 0; n < 2000; ++n) {
    const GeodeticPoint p{bDeg(random), 0, seconds(random), lDeg(random), 0, seconds(random)};
    GridPosition pos;
    if (!LocateCell(p, EdgeClamping::On, pos)) continue;
    const Real n2000 = AnomalyAt(*grid, pos, ReferenceFrame::Etrf2000, p);
    const Real n89 = AnomalyAt(*grid, pos, ReferenceFrame::Etrf89, p);
    const double b = p.bDegrees + static_cast<double>(p.bSeconds) / 3600.0;
    const double l = p.lDegrees + static_cast<double>(p.lSeconds) / 3600.0;
    ASSERT_NEAR(static_cast<double>(n89), chain.ForwardDegrees(l, b, static_cast<double>(n2000)).lpz.z, 1e-7)
        << b << " " << l;
  }
}

// Whatever a 32-bit grid value holds, the conversion gives a finite height.
TEST(AnomalyAt, Etrf89OfExtremeGridValuesIsFinite) {
  for (std::int32_t v : {INT32_MAX, INT32_MIN}) {
    const auto grid = GridOf([v](int, int) { return v; });
    for (const GeodeticPoint& p : {GeodeticPoint{47, 59, 24.5, 12, 59, 24.5}, GeodeticPoint{56, 0, 35.5, 25, 0, 35.5}}) {
      GridPosition pos;
      ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
      const Real n89 = AnomalyAt(*grid, pos, ReferenceFrame::Etrf89, p);
      ASSERT_TRUE(std::isfinite(n89));
      EXPECT_NEAR(static_cast<double>(n89), v * 1e-5, 0.2);
    }
  }
}

// ---- Deflections ------------------------------------------------------------------------

// On g = 3 i^2 - 2 j^2 the central differences are 12 p and -8 q: linear, so the bilinear
// KSI and ETA are those slopes at the point itself.
TEST(DeflectionsAt, SlopesOfAQuadraticSurface) {
  const auto grid = GridOf([](int i, int j) { return 3 * i * i - 2 * j * j; });
  const Real rho = 648000.0L / 3.14159265358979323846264338327950288L;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> seconds(0.0, 3600.0);
  std::uniform_int_distribution<int> bDeg(48, 55), lDeg(13, 24);
  for (int n = 0; n < 5000; ++n) {
    const GeodeticPoint p{bDeg(random), 0, seconds(random), lDeg(random), 0, seconds(random)};
    GridPosition pos;
    ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
    const Deflections d = DeflectionsAt(*grid, pos, kEllipsoidalToNormalLimits);
    if (!d.computed) continue;
    const Real m = 1111.9L + 0.0019L * pos.i;
    const Real pl = 746.25L - 0.153L * pos.i;
    // A quasi-geoid rising to the north (x > 0 here) gives a negative KSI.
    EXPECT_NEAR(static_cast<double>(d.ksi), static_cast<double>(-12.0L * pos.x * 0.000005L * rho / m), 1e-9);
    EXPECT_NEAR(static_cast<double>(d.eta), static_cast<double>(8.0L * pos.y * 0.000005L * rho / pl), 1e-9);
    EXPECT_LT(d.ksi, 0);
    EXPECT_GT(d.eta, 0);
  }
}

struct VariantCase {
  const char* what;
  GeodeticPoint point;
  bool anomalyList;          // BL -> BLN
  bool ellipsoidalToNormal;  // BLH_e -> BLH_n.1
};

// Cell row r starts at 48 + r / 100 degrees: 36 r arc-seconds past 48 N; likewise for columns.
const VariantCase kVariantCases[] = {
    {"row 1", {48, 0, 36 + 18, 19, 0, 0}, false, false},
    {"row 2", {48, 0, 72 + 18, 19, 0, 0}, true, true},
    {"row 797", {48, 0, 797 * 36 + 18, 19, 0, 0}, true, true},
    {"row 798", {48, 0, 798 * 36 + 18, 19, 0, 0}, false, true},
    {"row 799", {48, 0, 799 * 36 + 18, 19, 0, 0}, false, false},
    {"north edge", {56, 0, 0, 19, 0, 0}, false, false},
    {"south band", {47, 59, 50, 19, 0, 0}, false, false},
    {"column 1", {52, 0, 0, 13, 0, 36 + 18}, false, false},
    {"column 2", {52, 0, 0, 13, 0, 72 + 18}, true, true},
    {"column 1197", {52, 0, 0, 13, 0, 1197 * 36 + 18}, true, true},
    {"column 1198", {52, 0, 0, 13, 0, 1198 * 36 + 18}, false, true},
    {"column 1199", {52, 0, 0, 13, 0, 1199 * 36 + 18}, false, false},
    {"east band", {52, 0, 0, 25, 0, 30}, false, false},
};

TEST(DeflectionsAt, LimitsOfTheTasks) {
  const auto grid = GridOf([](int i, int j) { return 50 * i * i + 30 * j; });
  for (const VariantCase& c : kVariantCases) {
    SCOPED_TRACE(c.what);
    GridPosition pos;
    ASSERT_TRUE(LocateCell(c.point, EdgeClamping::On, pos));
    const Deflections bl = DeflectionsAt(*grid, pos, kAnomalyListLimits);
    const Deflections blhe = DeflectionsAt(*grid, pos, kEllipsoidalToNormalLimits);
    EXPECT_EQ(bl.computed, c.anomalyList);
    EXPECT_EQ(blhe.computed, c.ellipsoidalToNormal);
    for (const Deflections& d : {bl, blhe}) {
      if (d.computed) {
        EXPECT_NE(d.ksi, 0);
        EXPECT_NE(d.eta, 0);
      } else {
        EXPECT_EQ(d.ksi, 0);
        EXPECT_EQ(d.eta, 0);
      }
    }
    // Limits past the grid are cut: the differences never read outside it.
    EXPECT_EQ(DeflectionsAt(*grid, pos, 5000, 5000).computed, pos.i >= 2 && pos.i <= 798 && pos.j >= 2 && pos.j <= 1198);
  }
}

// Differences of extreme values overflow 32 bits; they are formed exactly.
TEST(DeflectionsAt, ExtremeValuesDoNotOverflow) {
  const auto grid = GridOf([](int, int) { return 0; });
  grid->At(400, 600) = INT32_MAX;
  grid->At(402, 600) = INT32_MIN;
  grid->At(401, 599) = INT32_MIN;
  grid->At(401, 601) = INT32_MAX;
  GridPosition pos;
  const GeodeticPoint p{48, 0, 401 * 36, 13, 0, 600 * 36};
  ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
  ASSERT_EQ(pos.i, 401);
  ASSERT_EQ(pos.j, 600);
  ASSERT_EQ(pos.dx, 0);
  ASSERT_EQ(pos.dy, 0);
  const Deflections d = DeflectionsAt(*grid, pos, kAnomalyListLimits);
  ASSERT_TRUE(d.computed);
  const Real span = 4294967295.0L;  // INT32_MAX - INT32_MIN
  EXPECT_NEAR(static_cast<double>(d.ksi), static_cast<double>(span * 0.000005L * kRho / (1111.9L + 0.0019L * 401)), 1e-6);
  EXPECT_NEAR(static_cast<double>(d.eta), static_cast<double>(-span * 0.000005L * kRho / (746.25L - 0.153L * 401)), 1e-6);
}

}  // namespace
}  // namespace solvanta

// The cell index truncates toward zero, exactly, on either side of every whole number.
TEST(LocateCell, CellIndexTruncatesTowardZero) {
  const struct {
    long double value;
    int expected;
  } cases[] = {{-0.9L, 0},  {-0.5L, 0},  {-0.0L, 0},   {0.0L, 0},   {0.5L, 0},   {1.5L, 1},   {2.5L, 2},
               {799.5L, 799}, {800.0L, 800}, {7.0L, 7},
               {std::nextafter(7.0L, 0.0L), 6}, {std::nextafter(7.0L, 8.0L), 7},
               {std::nextafter(-1.0L, 0.0L), 0}, {-1.5L, -1}, {1200.999999999L, 1200}, {2147483647.0L, 2147483647}};
  for (const auto& c : cases) EXPECT_EQ(solvanta::TruncateToInt(c.value), c.expected) << static_cast<double>(c.value);
}
