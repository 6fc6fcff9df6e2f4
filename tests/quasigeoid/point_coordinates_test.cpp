// Point lists in every coordinate form: the same points given as PL-2000 (each zone), PL-1992,
// decimal degrees or geocentric X Y Z, computed from degrees, minutes and seconds by PROJ, give
// the same N, KSI, ETA and heights, to the printed digit, as the degrees, minutes and seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "calculator_test_support.h"
#include "proj_oracle.h"
#include "quasigeoid/coordinates/point_coordinates.h"
#include "quasigeoid/point_lists.h"

namespace {

using namespace calculator_test;
using solvanta::CoordinateForm;
using solvanta::LineResult;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;
using solvanta_test::ProjOperation;

const std::string kShippedModel = std::string(ORVANE_BIN_DIR) + "/PL-geoid2021.bin";

const solvanta::ModelGrid* ShippedGrid() {
  static const std::unique_ptr<solvanta::ModelGrid> grid = [] {
    auto g = std::make_unique<solvanta::ModelGrid>();
    if (solvanta::LoadModelGrid(kShippedModel, *g).outcome != solvanta::ModelLoadOutcome::Loaded) g.reset();
    return g;
  }();
  return grid.get();
}

struct FormCase {
  const char* name;
  CoordinateForm form;
  const char* epsg;   // the plane system by its EPSG code, from PROJ's database (empty: none)
  double west, east;  // longitudes of the test points, degrees
};

// ETRS89 (EPSG:4258) to a plane system as the EPSG registry defines it: the oracle takes the
// parameters from PROJ's database, not from the code under test. x north, y east.
class EpsgProjection {
 public:
  explicit EpsgProjection(const char* target) : context_(proj_context_create()) {
    proj_context_set_enable_network(context_, 0);
    PJ* raw = proj_create_crs_to_crs(context_, "EPSG:4258", target, nullptr);
    if (raw) {
      op_ = proj_normalize_for_visualization(context_, raw);  // longitude, latitude in; east, north out
      proj_destroy(raw);
    }
  }
  ~EpsgProjection() {
    if (op_) proj_destroy(op_);
    proj_context_destroy(context_);
  }
  EpsgProjection(const EpsgProjection&) = delete;
  EpsgProjection& operator=(const EpsgProjection&) = delete;
  bool Ok() const { return op_ != nullptr; }
  void Forward(double latitude, double longitude, double& x, double& y) const {
    const PJ_COORD out = proj_trans(op_, PJ_FWD, proj_coord(longitude, latitude, 0, 0));
    x = out.enu.n;
    y = out.enu.e;
  }

 private:
  PJ_CONTEXT* context_;
  PJ* op_ = nullptr;
};

void PrintTo(const FormCase& c, std::ostream* os) { *os << c.name; }

class EveryForm : public ::testing::TestWithParam<FormCase> {};

std::string Text(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// Degrees, minutes and seconds (to 0.00001") of an angle, and the angle they mean exactly.
std::string Dms(double degrees, double& exact) {
  const long long hundredThousandths = std::llround(degrees * 3600.0 * 100000.0);
  const long long d = hundredThousandths / 360000000LL;
  const long long m = (hundredThousandths / 6000000LL) % 60;
  const double s = static_cast<double>(hundredThousandths % 6000000LL) / 100000.0;
  exact = static_cast<double>(hundredThousandths) / 360000000.0;
  return std::to_string(d) + " " + std::to_string(m) + " " + Text("%.5f", s);
}

// The part of a result line after the coordinates.
std::string AfterCoordinates(const std::string& line, std::size_t coordinateWidth) {
  return line.size() > 17 + coordinateWidth ? line.substr(17 + coordinateWidth) : line;
}

TEST_P(EveryForm, GivesWhatDegreesMinutesSecondsGive) {
  const solvanta::ModelGrid* grid = ShippedGrid();
  if (!grid) GTEST_SKIP() << "the shipped models are not built";
  const FormCase& c = GetParam();
  std::unique_ptr<EpsgProjection> projection;
  if (*c.epsg) {
    projection = std::make_unique<EpsgProjection>(c.epsg);
    if (!projection->Ok()) GTEST_SKIP() << "PROJ's database has no " << c.epsg;
  }
  const ProjOperation cartesian("+proj=cart +ellps=GRS80");
  std::mt19937_64 random(2176);
  std::uniform_real_distribution<double> latitude(49.05, 54.8), longitude(c.west, c.east), height(-5.0, 1600.0);
  int compared = 0;
  for (int k = 0; k < 300; ++k) {
    double b = 0, l = 0;
    const std::string dms = Dms(latitude(random), b) + " " + Dms(longitude(random), l);
    const double h = std::round(height(random) * 1e4) / 1e4;  // as printed below
    const std::string nr = "P" + std::to_string(k);
    std::string coordinates;
    switch (c.form) {
      case CoordinateForm::Degrees:
        coordinates = Text("%.10f", b) + " " + Text("%.10f", l);
        break;
      case CoordinateForm::Geocentric: {
        const PJ_COORD xyz = cartesian.ForwardDegrees(l, b, h);
        // To the nanometre, so that the height they give is He to far below its printed digit.
        coordinates = Text("%.9f", xyz.xyz.x) + " " + Text("%.9f", xyz.xyz.y) + " " + Text("%.9f", xyz.xyz.z);
        break;
      }
      default: {
        double x = 0, y = 0;
        projection->Forward(b, l, x, y);
        coordinates = Text("%.4f", x) + " " + Text("%.4f", y);
        break;
      }
    }
    const std::string hText = Text("%.4f", h);
    const PointListTask tasks[3] = {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal,
                                    PointListTask::NormalToEllipsoidal};
    for (const PointListTask task : tasks) {
      for (const ReferenceFrame frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
        const bool heightField = task != PointListTask::AnomalyList &&
                                 !(task == PointListTask::EllipsoidalToNormal && c.form == CoordinateForm::Geocentric);
        std::string fromDms, fromForm;
        const LineResult dmsResult = solvanta::ConvertPointLine(
            task, nr + " " + dms + (task == PointListTask::AnomalyList ? "" : " " + hText), *grid, frame, fromDms);
        const LineResult formResult = solvanta::ConvertPointLine(
            task, nr + " " + coordinates + (heightField ? " " + hText : ""), *grid, frame, fromForm, c.form);
        ASSERT_EQ(formResult, dmsResult) << fromForm << "\n" << fromDms;
        if (dmsResult != LineResult::Result) continue;
        // The coordinates as the input wrote them, then the very fields of the DMS line.
        EXPECT_EQ(fromForm.substr(0, 17 + coordinates.size()),
                  std::string(16 - nr.size(), ' ') + nr + " " + coordinates);
        EXPECT_EQ(AfterCoordinates(fromForm, coordinates.size()), AfterCoordinates(fromDms, 29)) << fromForm << "\n"
                                                                                                 << fromDms;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

INSTANTIATE_TEST_SUITE_P(Forms, EveryForm,
                         ::testing::Values(FormCase{"pl2000_zone5", CoordinateForm::Pl2000, "EPSG:2176", 14.2, 16.49},
                                           FormCase{"pl2000_zone6", CoordinateForm::Pl2000, "EPSG:2177", 16.51, 19.49},
                                           FormCase{"pl2000_zone7", CoordinateForm::Pl2000, "EPSG:2178", 19.51, 22.49},
                                           FormCase{"pl2000_zone8", CoordinateForm::Pl2000, "EPSG:2179", 22.51, 24.1},
                                           FormCase{"pl1992", CoordinateForm::Pl1992, "EPSG:2180", 14.2, 24.1},
                                           FormCase{"deg", CoordinateForm::Degrees, "", 14.2, 24.1},
                                           FormCase{"xyz", CoordinateForm::Geocentric, "", 14.2, 24.1}));

// Coordinates that do not fit the form get a line naming them; numbers that are no numbers make
// a bad record; nothing hangs on NaN, infinities or a point at the Earth's centre.
TEST(CoordinateForms, MisfitsAreNamed) {
  struct Case {
    CoordinateForm form;
    const char* line;
    const char* expected;
  } cases[] = {
      {CoordinateForm::Pl2000, "A 5800000.00 4567890.12", "A *** y = 4567890.12 bez numeru strefy 5-8 układu PL-2000"},
      {CoordinateForm::Pl2000, "A 5800000.00 567890.12", "A *** y = 567890.12 bez numeru strefy 5-8 układu PL-2000"},
      {CoordinateForm::Pl2000, "A 5800000.00 9567890.12", "A *** y = 9567890.12 bez numeru strefy 5-8 układu PL-2000"},
      // 6 700 000: about 2.9 degrees east of the 18th meridian, beyond zone 6's strip.
      {CoordinateForm::Pl2000, "A 5800000.00 6700000.00",
       "A *** punkt poza pasem strefy 6 układu PL-2000 (y = 6700000.00)"},
      {CoordinateForm::Pl1992, "A 1e9 500000", "A *** współrzędne poza zasięgiem układu PL-1992"},
      {CoordinateForm::Geocentric, "A 0 0 0", "A *** współrzędne poza zasięgiem układu X Y Z"},
      {CoordinateForm::Geocentric, "A 3e6 1e6", "*** Błędny rekord: A 3e6 1e6"},
      {CoordinateForm::Degrees, "A nan 19", "*** Błędny rekord: A nan 19"},
      {CoordinateForm::Degrees, "A 1e999 19", "*** Błędny rekord: A 1e999 19"},
      {CoordinateForm::Degrees, "A 60.5 19", "A *** punkt poza obszarem dopuszczalnym (1)"},
  };
  for (const Case& c : cases) {
    std::string out;
    solvanta::ConvertPointLine(PointListTask::AnomalyList, c.line, LinearGrid(), ReferenceFrame::Etrf2000, out, c.form);
    EXPECT_EQ(orvane::FromCp1250(out), c.expected) << c.line;
  }
  // BLH_e in X Y Z takes He from them; BLH_n needs Hn after them, and BLH_e in the plane needs He.
  std::string out;
  EXPECT_EQ(solvanta::ConvertPointLine(PointListTask::EllipsoidalToNormal, "A 5800000 6500000", LinearGrid(),
                                       ReferenceFrame::Etrf2000, out, CoordinateForm::Pl2000),
            LineResult::Ignored);
  EXPECT_EQ(solvanta::ConvertPointLine(PointListTask::NormalToEllipsoidal, "A 3655000 1260000 5056000", LinearGrid(),
                                       ReferenceFrame::Etrf2000, out, CoordinateForm::Geocentric),
            LineResult::Bad);
  EXPECT_EQ(solvanta::ConvertPointLine(PointListTask::EllipsoidalToNormal, "A 3655000 1260000 5056000", LinearGrid(),
                                       ReferenceFrame::Etrf2000, out, CoordinateForm::Geocentric),
            LineResult::Result);
}

TEST(CoordinateForms, NamesOfTheCommandLine) {
  for (const char* name : {"dms", "deg", "pl2000", "pl1992", "xyz"}) {
    CoordinateForm form;
    ASSERT_TRUE(solvanta::ParseCoordinateForm(name, form)) << name;
    EXPECT_EQ(solvanta::CoordinateFormName(form), name);
  }
  CoordinateForm form;
  EXPECT_FALSE(solvanta::ParseCoordinateForm("PL2000", form));
}

}  // namespace
