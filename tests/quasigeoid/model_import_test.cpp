// Import of published grids into models: the same grid as GeoTIFF, as GTX (made by GDAL's
// gdal_translate) and as XYZ text gives the same integers as the shipped model; a grid that is
// not exactly on the model's lattice is refused with its reason.
#include "quasigeoid/import/model_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "calculator_test_support.h"
#include "proj_oracle.h"

namespace {

using namespace calculator_test;
using solvanta::ImportedGrid;
using solvanta::kNoData;

const std::string kKron86Tif = std::string(ORVANE_MODEL_DATA) + "/pl_gugik_geoid2011-PL-KRON86-NH.tif";
const std::string kKron86Model = std::string(ORVANE_BIN_DIR) + "/PL-geoid2011-KRON86.bin";

std::unique_ptr<ImportedGrid> Import(const std::string& source, std::string* problem = nullptr) {
  auto grid = std::make_unique<ImportedGrid>();
  std::string why;
  const bool ok = solvanta::ReadForeignGrid(source, *grid, why);
  if (problem) *problem = why;
  if (!ok) return nullptr;
  return grid;
}

TEST(ModelImport, GeoTiffGtxAndTextOfOneGridGiveTheShippedIntegers) {
  ScratchFolder folder;
  const auto tif = Import(kKron86Tif);
  ASSERT_TRUE(tif);
  EXPECT_EQ(tif->coveredNodes, 429385);
  EXPECT_EQ(tif->lowest, 2671930);
  EXPECT_EQ(tif->highest, 4406990);
  EXPECT_EQ(tif->heightSystemEpsg, 9650);  // the GeoTIFF says it
  // The shipped model file holds exactly these integers.
  auto shipped = std::make_unique<solvanta::ModelGrid>();
  ASSERT_EQ(solvanta::LoadModelGrid(kKron86Model, *shipped).outcome, solvanta::ModelLoadOutcome::Loaded);
  ASSERT_TRUE(std::equal(tif->values.begin(), tif->values.end(), shipped->Data()));

#ifdef ORVANE_GDAL_TRANSLATE
  const std::string gtx = folder.File("kron86.gtx");
  const std::string command = std::string("'") + ORVANE_GDAL_TRANSLATE + "' -q -of GTX '" + kKron86Tif + "' '" + gtx + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto fromGtx = Import(gtx);
  ASSERT_TRUE(fromGtx);
  EXPECT_TRUE(tif->values == fromGtx->values);
#endif

  // GUGiK's text: latitude, longitude, N in metres with 4 decimals, a heading line; and the same
  // with longitude first. Nodes without data are simply absent.
  for (const bool latitudeFirst : {true, false}) {
    const std::string text = folder.File(latitudeFirst ? "geoid.txt" : "geoid_lonlat.txt");
    std::FILE* f = std::fopen(text.c_str(), "wb");
    std::fprintf(f, latitudeFirst ? "B L zeta\r\n" : "# lon lat N\n");
    for (int i = 0; i < solvanta::kGridRows; ++i) {
      for (int j = 0; j < solvanta::kGridColumns; ++j) {
        const std::int32_t v = tif->values[static_cast<std::size_t>(i) * solvanta::kGridColumns + j];
        if (v == kNoData) continue;
        const double lat = 48.0 + i / 100.0, lon = 13.0 + j / 100.0;
        std::fprintf(f, "%.6f %.6f %.5f%s", latitudeFirst ? lat : lon, latitudeFirst ? lon : lat, v / 1e5,
                     latitudeFirst ? "\r\n" : "\n");
      }
    }
    std::fclose(f);
    const auto fromText = Import(text);
    ASSERT_TRUE(fromText) << text;
    EXPECT_TRUE(tif->values == fromText->values) << text;
  }
}

TEST(ModelImport, WritesTheModelThatTheCalculatorReads) {
  ScratchFolder folder;
  const auto tif = Import(kKron86Tif);
  ASSERT_TRUE(tif);
  solvanta::ModelInfo info;
  info.name = "Archiwum";
  info.heightSystem = "PL-KRON86-NH";
  std::string problem;
  EXPECT_FALSE(solvanta::WriteModel(folder.File("archiwum.dat"), *tif, info, problem));
  EXPECT_EQ(problem, "the model file must end in .bin");
  ASSERT_TRUE(solvanta::WriteModel(folder.File("archiwum.bin"), *tif, info, problem)) << problem;
  EXPECT_EQ(fs::file_size(folder.File("archiwum.bin")), solvanta::kModelFileSize);
  auto grid = std::make_unique<solvanta::ModelGrid>();
  ASSERT_EQ(solvanta::LoadModelGrid(folder.File("archiwum.bin"), *grid).outcome, solvanta::ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid->Info().name, "Archiwum");
  EXPECT_EQ(grid->Info().coveredNodes, 429385);
  EXPECT_EQ(grid->NoDataNodes(), solvanta::kGridValueCount - 429385);
  // Only the record and the grid are left: no temporary files.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2);
}

// The same 3 x 4 nodes as ISG 1.0 (the International Service for the Geoid's text, with the nodes
// at the centres of cells whose outer edges the header gives, as GDAL reads it) and as GTX.
TEST(ModelImport, IsgAndGtxOfOneGridGiveTheSameIntegers) {
  ScratchFolder folder;
  WriteBytes(folder.File("patch.isg"),
             "begin_of_head ================================================\n"
             "model name     : TEST\n"
             "lat min        =    51.995000\n"
             "lat max        =    52.025000\n"
             "lon min        =    18.995000\n"
             "lon max        =    19.035000\n"
             "delta lat      =     0.010000\n"
             "delta lon      =     0.010000\n"
             "nrows          =            3\n"
             "ncols          =            4\n"
             "nodata         =   -9999.0000\n"
             "ISG format     =          1.0\n"
             "end_of_head ==================================================\n"
             "  32.1000   32.2000   32.3000   32.4000\n"
             "  31.1000   31.2000   31.3000 -9999.0000\n"
             "  30.1000   30.2000   30.3000   30.4000\n");
  // GTX rows run from the south.
  solvanta_test::WriteGtx(folder.File("patch.gtx"), 52.0, 19.0, 0.01, 0.01, 3, 4,
                          {30.1f, 30.2f, 30.3f, 30.4f, 31.1f, 31.2f, 31.3f, -88.8888f, 32.1f, 32.2f, 32.3f, 32.4f});
  std::string problem;
  const auto isg = Import(folder.File("patch.isg"), &problem);
  const auto gtx = Import(folder.File("patch.gtx"));
  ASSERT_TRUE(isg) << problem;
  ASSERT_TRUE(gtx);
  EXPECT_TRUE(isg->values == gtx->values);
  EXPECT_EQ(isg->coveredNodes, 11);
  const auto node = [&isg](int i, int j) { return isg->values[static_cast<std::size_t>(i) * solvanta::kGridColumns + j]; };
  EXPECT_EQ(node(400, 600), 3010000);  // 52.00 N, 19.00 E
  EXPECT_EQ(node(402, 603), 3240000);
  EXPECT_EQ(node(401, 603), kNoData);
}

// The patch of the test above as an ISG 2.0 grid (the header's bounds are the nodes; once in
// degrees, once in degrees, minutes and seconds) and as a GeoTIFF whose stored values are scaled
// (N = 0.5 stored + 10): node for node the plain GTX.
TEST(ModelImport, Isg2AndScaledGeoTiffGiveThePlainGtxIntegers) {
  ScratchFolder folder;
  const std::vector<float> values = {30.1f, 30.2f, 30.3f, 30.4f, 31.1f, 31.2f, 31.3f, -88.8888f, 32.1f, 32.2f, 32.3f, 32.4f};
  solvanta_test::WriteGtx(folder.File("patch.gtx"), 52.0, 19.0, 0.01, 0.01, 3, 4, values);
  const auto gtx = Import(folder.File("patch.gtx"));
  ASSERT_TRUE(gtx);
  const std::string body =
      "end_of_head ==================================================\n"
      "  32.1000   32.2000   32.3000   32.4000\n"
      "  31.1000   31.2000   31.3000 -9999.0000\n"
      "  30.1000   30.2000   30.3000   30.4000\n";
  const std::string degrees =
      "begin_of_head ================================================\n"
      "model name     : TEST\n"
      "data type      : geoid\n"
      "data units     : meters\n"
      "data format    : grid\n"
      "data ordering  : N-to-S, W-to-E\n"
      "coord type     : geodetic\n"
      "coord units    : deg\n"
      "lat min        =    52.000000\n"
      "lat max        =    52.020000\n"
      "lon min        =    19.000000\n"
      "lon max        =    19.030000\n"
      "delta lat      =     0.010000\n"
      "delta lon      =     0.010000\n"
      "nrows          =            3\n"
      "ncols          =            4\n"
      "nodata         =   -9999.0000\n"
      "ISG format     =          2.0\n";
  WriteBytes(folder.File("patch2.isg"), degrees + body);
  std::string problem;
  const auto isg = Import(folder.File("patch2.isg"), &problem);
  ASSERT_TRUE(isg) << problem;
  EXPECT_TRUE(isg->values == gtx->values);
  std::string dms = degrees;
  auto replace = [&dms](const std::string& from, const std::string& to) { dms.replace(dms.find(from), from.size(), to); };
  replace("coord units    : deg", "coord units    : dms");
  replace("52.000000", "52°00'00\"");
  replace("52.020000", "52°01'12\"");
  replace("19.000000", "19°00'00\"");
  replace("19.030000", "19°01'48\"");
  replace("0.010000\ndelta lon      =     0.010000", "0°00'36\"\ndelta lon      =     0°00'36\"");
  WriteBytes(folder.File("patch_dms.isg"), dms + body);
  const auto isgDms = Import(folder.File("patch_dms.isg"), &problem);
  ASSERT_TRUE(isgDms) << problem;
  EXPECT_TRUE(isgDms->values == gtx->values);
  // A header whose counts fit neither convention is refused.
  std::string wrong = degrees;
  wrong.replace(wrong.find("nrows          =            3"), 29, "nrows          =            5");
  WriteBytes(folder.File("wrong.isg"), wrong + body);
  EXPECT_FALSE(Import(folder.File("wrong.isg"), &problem));
  EXPECT_NE(problem.find("nrows and ncols do not fit"), std::string::npos) << problem;

#ifdef ORVANE_GDAL_TRANSLATE
  std::vector<float> stored;
  for (const float v : values) stored.push_back(v < -80 ? v : (v - 10.0f) / 0.5f);
  solvanta_test::WriteGtx(folder.File("stored.gtx"), 52.0, 19.0, 0.01, 0.01, 3, 4, stored);
  const std::string command = std::string("'") + ORVANE_GDAL_TRANSLATE + "' -q -of GTiff -a_scale 0.5 -a_offset 10 '" +
                              folder.File("stored.gtx") + "' '" + folder.File("scaled.tif") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto scaled = Import(folder.File("scaled.tif"), &problem);
  ASSERT_TRUE(scaled) << problem;
  EXPECT_TRUE(scaled->values == gtx->values);
#endif
}

// What is not a grid file is refused at once, a GeoTIFF of huge tiles before its tile is read,
// and a decimal comma is named; a model is written with its record or not at all.
TEST(ModelImport, RefusesWhatItCannotReadWholeAndWritesBothOrNeither) {
  ScratchFolder folder;
  std::string problem;
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(Import(folder.File("fifo"), &problem));  // would block forever if it were opened
  EXPECT_EQ(problem, "it is not a regular file");
  EXPECT_FALSE(Import(folder.Str(), &problem));
  EXPECT_EQ(problem, "it is a directory, not a grid file");
  EXPECT_FALSE(Import("/dev/zero", &problem));
  EXPECT_EQ(problem, "it is not a regular file");
  WriteBytes(folder.File("comma.xyz"), "52,00 19,00 31,5\n");
  EXPECT_FALSE(Import(folder.File("comma.xyz"), &problem));
  EXPECT_NE(problem.find("line 1 holds a decimal comma"), std::string::npos) << problem;
  WriteBytes(folder.File("broken.tif"), std::string("II*\0", 4) + std::string(100, '\x7f'));
  EXPECT_FALSE(Import(folder.File("broken.tif"), &problem));
  EXPECT_EQ(problem.rfind("the GeoTIFF cannot be read (GDAL: ", 0), 0u) << problem;

  if (std::system("command -v gdal_create >/dev/null 2>&1") == 0) {
    // 3 x 4 nodes in one sparse tile of 16384 x 16384 float32 values (1 GiB when read).
    const std::string command = "gdal_create -q -of GTiff -outsize 4 3 -bands 1 -ot Float32 -a_srs EPSG:4326 "
                                "-a_ullr 18.995 52.025 19.035 51.995 -co TILED=YES -co BLOCKXSIZE=16384 "
                                "-co BLOCKYSIZE=16384 -co SPARSE_OK=TRUE '" + folder.File("tiles.tif") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(Import(folder.File("tiles.tif"), &problem));
    EXPECT_NE(problem.find("blocks of 16384 x 16384 values"), std::string::npos) << problem;
  }

  // TARGET.model taken by a directory: TARGET.bin is not replaced either.
  solvanta_test::WriteGtx(folder.File("patch.gtx"), 52.0, 19.0, 0.01, 0.01, 1, 1, {30.5f});
  const auto grid = Import(folder.File("patch.gtx"));
  ASSERT_TRUE(grid);
  WriteBytes(folder.File("model.bin"), "old grid");
  fs::create_directory(folder.File("model.model"));
  solvanta::ModelInfo info;
  info.name = "model";
  EXPECT_FALSE(solvanta::WriteModel(folder.File("model.bin"), *grid, info, problem));
  EXPECT_EQ(ReadBytes(folder.File("model.bin")), "old grid");
  // With the way clear, both are replaced, and no temporary or old file is left behind.
  fs::remove(folder.File("model.model"));
  WriteBytes(folder.File("model.model"), "old record");
  EXPECT_TRUE(solvanta::WriteModel(folder.File("model.bin"), *grid, info, problem)) << problem;
  EXPECT_EQ(fs::file_size(folder.File("model.bin")), solvanta::kModelFileSize);
  EXPECT_NE(ReadBytes(folder.File("model.model")).find("name=model"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 7);
}

// GTX grids of 3 x 4 nodes that are not exactly on the lattice, and text files that are not.
struct RefusedCase {
  const char* name;
  double lat0, lon0, step;
  const char* text;  // used when not null, instead of a GTX
  const char* reason;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, WithItsReason) {
  const RefusedCase& c = GetParam();
  ScratchFolder folder;
  std::string source;
  if (c.text) {
    source = folder.File("grid.txt");
    WriteBytes(source, c.text);
  } else {
    source = folder.File("grid.gtx");
    solvanta_test::WriteGtx(source, c.lat0, c.lon0, c.step, c.step, 3, 4, std::vector<float>(12, 31.5f));
  }
  std::string problem;
  EXPECT_FALSE(Import(source, &problem));
  EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Grids, Refused,
    ::testing::Values(
        RefusedCase{"HalfAStepOff", 50.005, 18.0, 0.01, nullptr, "not on the 0.01-degree lattice"},
        RefusedCase{"CoarserSpacing", 50.0, 18.0, 0.02, nullptr, "spacing is not 0.01 degree"},
        RefusedCase{"BeyondTheNorth", 55.99, 18.0, 0.01, nullptr, "outside the model's area"},
        RefusedCase{"BeyondTheWest", 50.0, 12.99, 0.01, nullptr, "outside the model's area"},
        RefusedCase{"TextOffLattice", 0, 0, 0, "52.00 19.00 31.5\n52.005 19.00 31.5\n", "line 2: the node 52.005000 N"},
        RefusedCase{"TextOutside", 0, 0, 0, "52.00 19.00 31.5\n56.01 19.00 31.5\n", "outside the model's area"},
        RefusedCase{"TextNotAnAnomaly", 0, 0, 0, "52.00 19.00 31.5\n52.01 19.00 -32768\n", "not a height anomaly"},
        RefusedCase{"TextTwiceDifferent", 0, 0, 0, "52.00 19.00 31.5\n52.00 19.00 31.6\n", "given twice"},
        RefusedCase{"TextNanAndHuge", 0, 0, 0, "52.00 19.00 31.5\n52.01 19.00 1e999\n", "line 2 is not a node"},
        RefusedCase{"NoGridAtAll", 0, 0, 0, "\x89PNG\r\n\x1a\n\x01\x02\x03", "no grid of a known format"},
        RefusedCase{"Empty", 0, 0, 0, "", "no grid of a known format"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
