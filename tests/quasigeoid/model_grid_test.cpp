// Loading the model file: layout, node positions, units, the gauge, and files that are missing,
// short, longer or not files at all.
#include "quasigeoid/model_grid.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gtx_file.h"
#include "support/unreadable_file.h"
#include "quasigeoid/interpolation.h"

namespace solvanta {
namespace {

namespace fs = std::filesystem;

class ModelFileTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("orvane_grid_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / kModelFileName).string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Little-endian int32 values, whatever the host.
  void WriteValues(const std::vector<std::int32_t>& values) const {
    std::vector<unsigned char> bytes;
    bytes.reserve(values.size() * 4);
    for (std::int32_t v : values) {
      const auto u = static_cast<std::uint32_t>(v);
      for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<unsigned char>(u >> (8 * k)));
    }
    WriteBytes(bytes);
  }
  void WriteBytes(const std::vector<unsigned char>& bytes) const {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) {
      ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
  }

  // A value per file position that tells positions apart, negative ones included, all within the
  // +-150 m of a sound model.
  static std::int32_t ValueOf(std::size_t k) { return static_cast<std::int32_t>(k * 15) - 7000000; }

  fs::path dir_;
  std::string path_;
};

TEST_F(ModelFileTest, ValuesLandOnTheirNodes) {
  std::vector<std::int32_t> values(kGridValueCount);
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = ValueOf(k);
  WriteValues(values);
  ModelGrid grid;
  const ModelLoadResult r = LoadModelGrid(path_, grid);
  ASSERT_EQ(r.outcome, ModelLoadOutcome::Loaded);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(r.fileSize, kModelFileSize);
  EXPECT_EQ(grid.At(0, 0), ValueOf(0));         // 48.00 N, 13.00 E
  EXPECT_EQ(grid.At(0, 1200), ValueOf(1200));   // 48.00 N, 25.00 E
  EXPECT_EQ(grid.At(1, 0), ValueOf(1201));      // 48.01 N, 13.00 E
  EXPECT_EQ(grid.At(800, 1200), ValueOf(962000));  // 56.00 N, 25.00 E
  EXPECT_EQ(grid.At(417, 833), ValueOf(417 * 1201 + 833));

  // The same nodes found by position: 52.00 N 19.00 E is row 400, column 600.
  struct Node {
    int bDeg, bMin;
    long double bSec;
    int lDeg, lMin;
    long double lSec;
    std::size_t k;
  };
  const Node nodes[] = {{48, 0, 0, 13, 0, 0, 0},        {48, 0, 0, 25, 0, 0, 1200},  {48, 0, 36, 13, 0, 0, 1201},
                        {56, 0, 0, 25, 0, 0, 962000},   {52, 0, 0, 19, 0, 0, 400 * 1201 + 600},
                        {50, 7, 12, 17, 30, 36, 212 * 1201 + 451}};
  for (const Node& n : nodes) {
    GridPosition pos;
    const GeodeticPoint p{n.bDeg, n.bMin, n.bSec, n.lDeg, n.lMin, n.lSec};
    ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
    const long double N = AnomalyAt(grid, pos, ReferenceFrame::Etrf2000, p);
    EXPECT_NEAR(static_cast<double>(N), ValueOf(n.k) * 1e-5, 1e-9) << "value " << n.k;
  }
}

TEST_F(ModelFileTest, StoredUnitIsTenMicrometres) {
  std::vector<std::int32_t> values(kGridValueCount, 0);
  values[400 * 1201 + 600] = -123456;
  WriteValues(values);
  ModelGrid grid;
  ASSERT_EQ(LoadModelGrid(path_, grid).outcome, ModelLoadOutcome::Loaded);
  GridPosition pos;
  const GeodeticPoint p{52, 0, 0, 19, 0, 0};
  ASSERT_TRUE(LocateCell(p, EdgeClamping::On, pos));
  EXPECT_EQ(pos.dx, 0.0L);
  EXPECT_EQ(pos.dy, 0.0L);
  EXPECT_NEAR(static_cast<double>(AnomalyAt(grid, pos, ReferenceFrame::Etrf2000, p)), -1.23456, 1e-14);
}

TEST_F(ModelFileTest, GaugeIsFullAfter190000ValuesAndStaysSo) {
  WriteValues(std::vector<std::int32_t>(kGridValueCount, 7));
  ModelGrid grid;
  std::vector<int> steps;
  const ModelLoadResult r = LoadModelGrid(path_, grid, [&steps](int n) { steps.push_back(n); });
  ASSERT_EQ(r.outcome, ModelLoadOutcome::Loaded);
  long total = 0;
  for (int n : steps) {
    EXPECT_GT(n, 0);
    total += n;
  }
  EXPECT_EQ(total, kLoadGaugeMaximum);
  // The gauge moves step by step while it fills, not in one jump.
  EXPECT_GT(steps.size(), 10u);
  EXPECT_EQ(grid.At(800, 1200), 7);
}

TEST_F(ModelFileTest, MissingFileIsReportedWithItsMessage) {
  ModelGrid grid;
  int calls = 0;
  const ModelLoadResult r = LoadModelGrid(path_, grid, [&calls](int) { ++calls; });
  EXPECT_EQ(r.outcome, ModelLoadOutcome::Missing);
  EXPECT_EQ(r.message, "*** Brak pliku: solvanta_2008QG.bin");
  EXPECT_EQ(calls, 0);
  // A missing folder on the way is the same thing.
  EXPECT_EQ(LoadModelGrid((dir_ / "nowhere" / kModelFileName).string(), grid).outcome, ModelLoadOutcome::Missing);
}

// A short file would leave the rest of the model holding the last value read; it is refused.
TEST_F(ModelFileTest, ShortFileIsRefusedWithBothSizes) {
  const std::size_t sizes[] = {0, 3, 1000, kModelFileSize - 4, kModelFileSize - 1};
  for (std::size_t size : sizes) {
    WriteBytes(std::vector<unsigned char>(size, 0x11));
    ModelGrid grid;
    int calls = 0;
    const ModelLoadResult r = LoadModelGrid(path_, grid, [&calls](int) { ++calls; });
    EXPECT_EQ(r.outcome, ModelLoadOutcome::Damaged) << size;
    EXPECT_EQ(r.message, "*** Uszkodzony plik: solvanta_2008QG.bin (rozmiar " + std::to_string(size) +
                             " B, oczekiwano 3848004 B)");
    EXPECT_EQ(r.fileSize, size);
    EXPECT_EQ(calls, 0);
  }
}

TEST_F(ModelFileTest, LongerFileGivesItsFirstValues) {
  std::vector<std::int32_t> values(kGridValueCount + 5);
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = ValueOf(k);
  WriteValues(values);
  ModelGrid grid;
  const ModelLoadResult r = LoadModelGrid(path_, grid);
  ASSERT_EQ(r.outcome, ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid.At(800, 1200), ValueOf(kGridValueCount - 1));
  EXPECT_EQ(grid.At(0, 0), ValueOf(0));
}

TEST_F(ModelFileTest, FolderInPlaceOfTheFileIsRefused) {
  fs::create_directories(path_);
  ModelGrid grid;
  const ModelLoadResult r = LoadModelGrid(path_, grid);
  EXPECT_EQ(r.outcome, ModelLoadOutcome::Damaged);
  EXPECT_EQ(r.message.rfind("*** Nie mo", 0), 0u) << r.message;
}

TEST_F(ModelFileTest, UnreadableFileIsRefused) {
  WriteValues(std::vector<std::int32_t>(kGridValueCount, 1));
#ifdef _WIN32
  const orvane::testing::UnreadableFile held(path_);  // no permission bits: another program holds it
  ASSERT_TRUE(held.Made());
#else
  fs::permissions(path_, fs::perms::none);
  if (std::FILE* probe = std::fopen(path_.c_str(), "rb")) {
    std::fclose(probe);
    GTEST_SKIP() << "running with rights that read any file";
  }
#endif
  ModelGrid grid;
  EXPECT_EQ(LoadModelGrid(path_, grid).outcome, ModelLoadOutcome::Damaged);
}

// Each run reads the whole file again into the same block.
TEST_F(ModelFileTest, ReloadOverwritesTheGrid) {
  ModelGrid grid;
  WriteValues(std::vector<std::int32_t>(kGridValueCount, 5));
  ASSERT_EQ(LoadModelGrid(path_, grid).outcome, ModelLoadOutcome::Loaded);
  const std::int32_t* block = grid.Data();
  WriteValues(std::vector<std::int32_t>(kGridValueCount, -9));
  ASSERT_EQ(LoadModelGrid(path_, grid).outcome, ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid.Data(), block);
  EXPECT_EQ(grid.At(0, 0), -9);
  EXPECT_EQ(grid.At(800, 1200), -9);
}

}  // namespace
}  // namespace solvanta
