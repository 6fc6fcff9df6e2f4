// The shipped models against PROJ reading the GeoTIFFs they were made from: PROJ's vgridshift
// is an independent reader of the same files and an independent bilinear interpolation, and its
// Helmert chain an independent frame conversion. Every printed normal and ellipsoidal height
// must agree with PROJ's to the printed digit, and where PROJ has no value no number may be
// printed. PROJ goes further than the model at the coverage border: a cell with some corners
// without data it fills from the others (weights renormalised); the model gives no number there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "common/cp1250.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "proj_oracle.h"
#include "quasigeoid/interpolation.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/point_lists.h"

namespace {

using namespace solvanta;
using solvanta_test::ProjOperation;

struct ShippedModel {
  const char* name;
  const char* geotiff;
  const char* heightSystem;
  long long coveredNodes;
};

void PrintTo(const ShippedModel& m, std::ostream* os) { *os << m.name; }

constexpr ShippedModel kModels[] = {
    {"PL-geoid2021", "pl_gugik_geoid2021-PL-EVRF2007-NH.tif", "PL-EVRF2007-NH", 962001},
    {"PL-geoid2011-KRON86", "pl_gugik_geoid2011-PL-KRON86-NH.tif", "PL-KRON86-NH", 429385},
    {"PL-geoid2011-EVRF2007", "pl_gugik_geoid2011-PL-EVRF2007-NH.tif", "PL-EVRF2007-NH", 429385},
};

// The printed value agrees with the oracle's to the last printed digit (4 decimals). Only where
// the oracle lies within 0.01 mm of the middle between two printed values (the float32 of the
// GeoTIFF and the 0.01 mm of the model differ by less) may the neighbour be printed.
::testing::AssertionResult SamePrintedDigit(double oracle, std::string_view printed) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", oracle);
  if (printed == text) return ::testing::AssertionSuccess();
  const double scaled = oracle * 1e4;
  const double fromMiddle = std::fabs(scaled - std::floor(scaled) - 0.5);
  double value = 0;
  if (fromMiddle < 0.1 && orvane::ParseNumber(printed, value) && std::fabs(value - oracle) < 0.6e-4)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "printed " << printed << ", PROJ " << text << " (" << oracle << ")";
}

class ShippedModels : public ::testing::TestWithParam<ShippedModel> {
 protected:
  void SetUp() override {
    const ShippedModel& m = GetParam();
    grid_ = std::make_unique<ModelGrid>();
    const std::string path = std::string(ORVANE_BIN_DIR) + "/" + m.name + ".bin";
    const ModelLoadResult r = LoadModelGrid(path, *grid_);
    ASSERT_EQ(r.outcome, ModelLoadOutcome::Loaded) << orvane::FromCp1250(r.message);
    geotiff_ = std::string(ORVANE_MODEL_DATA) + "/" + m.geotiff;
  }
  // N (PL-ETRF2000) of the GeoTIFF at a point, NaN where PROJ gives none.
  double ProjAnomaly(const ProjOperation& shift, double lon, double lat) const {
    const PJ_COORD c = shift.ForwardDegrees(lon, lat, 0.0);
    return std::isfinite(c.xyz.z) && c.xyz.z < 1e10 ? c.xyz.z : NAN;
  }
  std::unique_ptr<ModelGrid> grid_;
  std::string geotiff_;
};

TEST_P(ShippedModels, RecordDescribesTheModel) {
  const ShippedModel& m = GetParam();
  const ModelInfo& info = grid_->Info();
  EXPECT_EQ(info.name, m.name);
  EXPECT_EQ(info.heightSystem, m.heightSystem);
  EXPECT_EQ(info.frameEpsg, 9701);
  EXPECT_EQ(info.heightSystemEpsg, std::string(m.heightSystem) == "PL-KRON86-NH" ? 9650 : 9651);
  EXPECT_EQ(info.coveredNodes, m.coveredNodes);
  EXPECT_EQ(static_cast<long long>(kGridValueCount - grid_->NoDataNodes()), m.coveredNodes);
  EXPECT_NE(info.licence.find("(c) Główny Urząd Geodezji i Kartografii"), std::string::npos);
  EXPECT_FALSE(info.description.empty());
}

// Every node: the model holds the GeoTIFF's value rounded to 0.01 mm. PROJ is asked a hair
// (1e-7 degree) inside each of the four cells around the node, where the node's weight is all but
// one; the node has data when PROJ answers in any of them.
TEST_P(ShippedModels, EveryNodeIsTheGeoTiffValueInHundredthsOfAMillimetre) {
  const ProjOperation shift("+proj=vgridshift +multiplier=1 +grids=" + geotiff_);
  constexpr double kHair = 1e-7;
  long long isolatedNoData = 0;
  for (int i = 0; i < kGridRows; ++i) {
    for (int j = 0; j < kGridColumns; ++j) {
      const double lat = 48.0 + i / 100.0, lon = 13.0 + j / 100.0;
      double n = NAN;
      for (const double dLat : {kHair, -kHair}) {
        for (const double dLon : {kHair, -kHair}) {
          if (std::isnan(n)) n = ProjAnomaly(shift, lon + dLon, lat + dLat);
        }
      }
      if (grid_->At(i, j) == kNoData) {
        // A node without data far from any data: PROJ has nothing around it either.
        bool dataNear = false;
        for (int p = std::max(i - 1, 0); p <= std::min(i + 1, kGridRows - 1); ++p)
          for (int q = std::max(j - 1, 0); q <= std::min(j + 1, kGridColumns - 1); ++q)
            dataNear = dataNear || grid_->At(p, q) != kNoData;
        if (!dataNear) {
          ASSERT_TRUE(std::isnan(n)) << i << " " << j;
          ++isolatedNoData;
        }
        continue;
      }
      ASSERT_FALSE(std::isnan(n)) << i << " " << j;
      ASSERT_EQ(grid_->At(i, j), std::llround(n * 1e5)) << i << " " << j;
    }
  }
  if (grid_->HasNoData()) {
    EXPECT_GT(isolatedNoData, 400000);
  }
}

// Random points, points on the rows and columns of the lattice (cell edges) and on nodes, in
// both frames, ellipsoidal to normal and back: the printed heights are PROJ's to the digit, and
// no number stands where PROJ has none.
TEST_P(ShippedModels, HeightsAgreeWithProjToThePrintedDigit) {
  const ShippedModel& m = GetParam();
  const ProjOperation shift("+proj=vgridshift +multiplier=1 +grids=" + geotiff_);
  const ProjOperation toNormal("+proj=vgridshift +multiplier=-1 +grids=" + geotiff_);
  const ProjOperation chain(solvanta_test::kEtrf89Chain);
  std::mt19937 random(2021);
  std::uniform_int_distribution<int> row(0, 800 * 36 - 1), column(0, 1200 * 36 - 1);
  std::uniform_real_distribution<double> fraction(0.0, 1.0), height(-20.0, 2500.0);
  const std::string tail2000 = std::string("  ") + m.heightSystem + " z  PL-ETRF2000";
  const std::string tail89 = std::string("  ") + m.heightSystem + " z  PL-ETRF89";
  long long results = 0, refused = 0;
  for (ReferenceFrame frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
    for (int k = 0; k < 20000; ++k) {
      // Seconds from 48 N and 13 E: anywhere, on a lattice row, on a lattice column, on a node.
      double bSeconds = row(random) + fraction(random);
      double lSeconds = column(random) + fraction(random);
      if (k % 4 == 1 || k % 4 == 3) bSeconds = std::floor(bSeconds / 36.0) * 36.0;
      if (k % 4 == 2 || k % 4 == 3) lSeconds = std::floor(lSeconds / 36.0) * 36.0;
      if (k % 97 == 0) bSeconds = 800 * 36.0;  // the northern and eastern edges of the grid
      if (k % 89 == 0) lSeconds = 1200 * 36.0;
      // Whole seconds and five decimals, as a list is written; the oracle reads the same numbers.
      bSeconds = std::round(bSeconds * 1e5) / 1e5;
      lSeconds = std::round(lSeconds * 1e5) / 1e5;
      const int bMin = static_cast<int>(bSeconds / 60.0), lMin = static_cast<int>(lSeconds / 60.0);
      const double bSec = bSeconds - bMin * 60.0, lSec = lSeconds - lMin * 60.0;
      const double he = std::round(height(random) * 1000.0) / 1000.0;
      char record[160];
      std::snprintf(record, sizeof record, "P%d 48 %d %.5f 13 %d %.5f %.3f", k, bMin, bSec, lMin, lSec, he);
      // On a row or column of the lattice the model takes the cell to the north or east (the
      // last cell on the northern and eastern edges): PROJ is asked a hair inside that cell.
      const bool onRow = std::fmod(bSeconds, 36.0) == 0.0, onColumn = std::fmod(lSeconds, 36.0) == 0.0;
      const double lat = 48.0 + bMin / 60.0 + bSec / 3600.0 + (onRow ? (bSeconds == 28800.0 ? -1e-9 : 1e-9) : 0.0);
      const double lon = 13.0 + lMin / 60.0 + lSec / 3600.0 + (onColumn ? (lSeconds == 43200.0 ? -1e-9 : 1e-9) : 0.0);

      double n = ProjAnomaly(shift, lon, lat);
      if (frame == ReferenceFrame::Etrf89 && !std::isnan(n)) n = chain.ForwardDegrees(lon, lat, n).lpz.z;

      std::string normal, ellipsoidal;
      const LineResult toN = ConvertPointLine(PointListTask::EllipsoidalToNormal, record, *grid_, frame, normal);
      const LineResult toE = ConvertPointLine(PointListTask::NormalToEllipsoidal, record, *grid_, frame, ellipsoidal);
      if (toE != LineResult::Result) {
        // No number: PROJ has none either, or the cell lacks a corner (which PROJ fills in).
        ASSERT_EQ(toE, LineResult::NoCoverage) << record << "\n" << ellipsoidal;
        ASSERT_NE(toN, LineResult::Result) << record << "\n" << normal;
        ASSERT_EQ(orvane::FromCp1250(ellipsoidal), "P" + std::to_string(k) + " *** punkt poza zasięgiem modelu (3)");
        if (!std::isnan(n)) {
          GridPosition position;
          const GeodeticPoint point{48, bMin, bSec, 13, lMin, lSec};
          ASSERT_TRUE(LocateCell(point, EdgeClamping::On, position));
          ASSERT_FALSE(CellHasData(*grid_, position)) << record;
        }
        ++refused;
        continue;
      }
      // A number: PROJ has the same.
      ASSERT_FALSE(std::isnan(n)) << record << "\n" << ellipsoidal;
      orvane::FieldTable fields;
      int count = 0;
      orvane::SplitFields(ellipsoidal, fields, count);
      // He = Hn + N with Hn the record's height.
      ASSERT_TRUE(SamePrintedDigit(he + n, fields[8])) << record;
      ++results;
      // BLH_n.1 may also need the neighbours for KSI and ETA.
      if (toN != LineResult::Result) {
        ASSERT_EQ(toN, LineResult::NoCoverage) << record;
        continue;
      }
      orvane::SplitFields(normal, fields, count);
      const double oracle = frame == ReferenceFrame::Etrf2000 ? toNormal.ForwardDegrees(lon, lat, he).xyz.z : he - n;
      ASSERT_TRUE(SamePrintedDigit(oracle, fields[8])) << record;
      const std::string& tail = frame == ReferenceFrame::Etrf2000 ? tail2000 : tail89;
      // A KSI or ETA beyond the coverage is named after the label.
      const std::string text = orvane::FromCp1250(normal);
      const bool remark = text.ends_with("poza zasięgiem modelu");
      const std::string labelled = remark ? text.substr(0, text.rfind(" *** ")) : text;
      ASSERT_EQ(labelled.substr(labelled.size() - tail.size()), tail) << normal;
    }
  }
  if (m.coveredNodes == static_cast<long long>(kGridValueCount)) {
    EXPECT_EQ(refused, 0);
  } else {
    // About 45 % of the area is covered: both kinds occur often.
    EXPECT_GT(refused, 10000);
    EXPECT_GT(results, 10000);
  }
}

// Along the coverage border of PL-geoid2011, in every cell with nodes on both sides: no number,
// for any task or frame, although PROJ fills such a cell from its corners with data.
TEST_P(ShippedModels, CoverageBorderGivesNoNumber) {
  if (!grid_->HasNoData()) GTEST_SKIP() << "every node holds data";
  std::mt19937 random(86);
  std::uniform_real_distribution<double> offset(0.5, 35.5);
  int border = 0;
  for (int i = 0; i < kGridRows - 1; ++i) {
    for (int j = 0; j < kGridColumns - 1; ++j) {
      const int missing = (grid_->At(i, j) == kNoData) + (grid_->At(i + 1, j) == kNoData) +
                          (grid_->At(i, j + 1) == kNoData) + (grid_->At(i + 1, j + 1) == kNoData);
      if (missing == 0 || missing == 4) continue;
      ++border;
      char record[120];
      std::snprintf(record, sizeof record, "B 48 0 %.5f 13 0 %.5f 100", i * 36.0 + offset(random),
                    j * 36.0 + offset(random));
      for (const PointListTask task : {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal,
                                       PointListTask::NormalToEllipsoidal}) {
        for (const ReferenceFrame frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
          std::string line;
          ASSERT_EQ(ConvertPointLine(task, record, *grid_, frame, line), LineResult::NoCoverage) << record;
        }
      }
    }
  }
  EXPECT_GT(border, 1000);
}

INSTANTIATE_TEST_SUITE_P(Gugik, ShippedModels, ::testing::ValuesIn(kModels),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) ch = ch == '-' ? '_' : ch;
                           return name;
                         });

}  // namespace
