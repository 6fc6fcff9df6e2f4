// PL-KRON86-NH <-> PL-EVRF2007-NH by the two PL-geoid2011 models, against PROJ's two-grid
// pipeline on the GeoTIFFs the models were made from (the same as EPSG:9662), and back again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "calculator_test_support.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "proj_oracle.h"
#include "quasigeoid/coordinates/point_coordinates.h"
#include "quasigeoid/height_systems.h"

namespace {

using namespace calculator_test;
using solvanta::CoordinateForm;
using solvanta::HeightConversion;
using solvanta::LineResult;

const solvanta::HeightSystemGrids* Grids() {
  static const std::unique_ptr<solvanta::HeightSystemGrids> grids = [] {
    auto g = std::make_unique<solvanta::HeightSystemGrids>();
    std::string message;
    if (!solvanta::LoadHeightSystemGrids(ORVANE_BIN_DIR, *g, message)) g.reset();
    return g;
  }();
  return grids.get();
}

double Field(const std::string& line, int k) {
  orvane::FieldTable fields;
  int count = 0;
  orvane::SplitFields(line, fields, count);
  double v = NAN;
  EXPECT_TRUE(k <= count && orvane::ParseNumber(fields[k], v)) << line;
  return v;
}

TEST(HeightSystems, AgreeWithProjsTwoGridPipelineAndComeBack) {
  const solvanta::HeightSystemGrids* grids = Grids();
  if (!grids) GTEST_SKIP() << "the shipped models are not built";
  const std::string data = ORVANE_MODEL_DATA;
  const solvanta_test::ProjOperation pipeline(
      "+proj=pipeline +step +proj=vgridshift +multiplier=1 +grids=" + data +
      "/pl_gugik_geoid2011-PL-KRON86-NH.tif +step +proj=vgridshift +multiplier=-1 +grids=" + data +
      "/pl_gugik_geoid2011-PL-EVRF2007-NH.tif");
  std::mt19937 random(9662);
  std::uniform_real_distribution<double> seconds(0.0, 1.0), height(-10.0, 2400.0);
  std::uniform_int_distribution<int> bSeconds(49 * 3600, 54 * 3600 + 2700), lSeconds(14 * 3600 + 600, 24 * 3600);
  int agreed = 0, refused = 0;
  double worst = 0;
  while (agreed < 5000) {
    const double b = bSeconds(random) + std::round(seconds(random) * 1e5) / 1e5;
    const double l = lSeconds(random) + std::round(seconds(random) * 1e5) / 1e5;
    const double h = std::round(height(random) * 1e4) / 1e4;
    char record[160];
    std::snprintf(record, sizeof record, "P%d 0 0 %.5f 0 0 %.5f %.4f", agreed, b, l, h);
    std::string evrf;
    const LineResult r =
        solvanta::ConvertHeightLine(HeightConversion::Kron86ToEvrf2007, record, *grids, CoordinateForm::Dms, evrf);
    const PJ_COORD oracle = pipeline.ForwardDegrees(l / 3600.0, b / 3600.0, h);
    if (r != LineResult::Result) {
      ASSERT_EQ(r, LineResult::NoCoverage) << record;
      ASSERT_EQ(orvane::FromCp1250(evrf), "P" + std::to_string(agreed) + " *** punkt poza zasięgiem modelu (4)");
      ++refused;
      continue;
    }
    ASSERT_TRUE(std::isfinite(oracle.xyz.z) && oracle.xyz.z < 1e10) << record << "\n" << evrf;
    const double printed = Field(evrf, 8);
    worst = std::max(worst, std::fabs(printed - oracle.xyz.z));
    ASSERT_LE(std::fabs(printed - oracle.xyz.z), 0.0001) << record << "\n" << evrf;
    // The change is the difference of the two heights as printed, to its digit.
    EXPECT_LE(std::fabs(Field(evrf, 9) - (printed - h)), 0.00011) << evrf;
    EXPECT_EQ(evrf.substr(evrf.size() - 16), "  PL-EVRF2007-NH");
    // Back: the EVRF2007 height as printed gives the input height.
    char back[160];
    std::snprintf(back, sizeof back, "P%d 0 0 %.5f 0 0 %.5f %.4f", agreed, b, l, printed);
    std::string kron;
    ASSERT_EQ(solvanta::ConvertHeightLine(HeightConversion::Evrf2007ToKron86, back, *grids, CoordinateForm::Dms, kron),
              LineResult::Result);
    char input[32];
    std::snprintf(input, sizeof input, "%.4f", h);
    orvane::FieldTable fields;
    int count = 0;
    orvane::SplitFields(kron, fields, count);
    EXPECT_EQ(fields[8], input) << kron;
    EXPECT_EQ(kron.substr(kron.size() - 14), "  PL-KRON86-NH");
    ++agreed;
  }
  EXPECT_GT(refused, 100);  // the models cover the land only
  RecordProperty("worst_metres", std::to_string(worst));
}

// With plane coordinates the benchmark catalogue of kvel is converted line for line: the heights
// change, everything else stays.
TEST(HeightSystems, BenchmarkCatalogueKeepsItsLayout) {
  const solvanta::HeightSystemGrids* grids = Grids();
  if (!grids) GTEST_SKIP() << "the shipped models are not built";
  double x = 0, y = 0;
  solvanta::ToPl2000(52.2, 21.0, 7, x, y);
  char benchmark[160];
  std::snprintf(benchmark, sizeof benchmark, "Rp1  %.3f  %.3f  100.12  # reper", x, y);
  ScratchFolder folder;
  WriteBytes(folder.File("xyh.sta"), std::string(benchmark) + "\r\nRp2 5800000.00 4567890.12 90.5\r\n0 0 0 0\r\n");
  orvane::LineReader input;
  orvane::TextWriter result;
  ASSERT_TRUE(input.Open(folder.File("xyh.sta")));
  ASSERT_TRUE(result.Create(folder.File("xyh_evrf2007.sta")));
  const auto status = solvanta::ConvertBenchmarkCatalogue(input, result, *grids, CoordinateForm::Pl2000);
  EXPECT_TRUE(status.writeOk && status.readOk);
  const std::string out = orvane::FromCp1250(ReadBytes(folder.File("xyh_evrf2007.sta")));
  std::string single;
  ASSERT_EQ(solvanta::ConvertHeightLine(HeightConversion::Kron86ToEvrf2007,
                                        "Rp1 " + std::to_string(x) + " " + std::to_string(y) + " 100.12", *grids,
                                        CoordinateForm::Pl2000, single),
            LineResult::Result);
  char converted[32];
  std::snprintf(converted, sizeof converted, "%.4f", Field(single, 4));
  char expected[200];
  std::snprintf(expected, sizeof expected, "Rp1  %.3f  %.3f  %s  # reper\r\n", x, y, converted);
  EXPECT_EQ(out, std::string(expected) + "Rp2 *** y = 4567890.12 bez numeru strefy 5-8 układu PL-2000\r\n0 0 0 0\r\n");
}

}  // namespace
