// Models with nodes outside their coverage, model records, and the choice of a model.
//
// A synthetic linear grid with one node without data (row 300, column 600: 51.00 N, 19.00 E): the
// points whose N, KSI or ETA would read that node get the coverage line, every other point the
// very line the grid without the hole gives.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "calculator_test_support.h"
#include "common/work_folder.h"
#include "quasigeoid/model_catalogue.h"
#include "quasigeoid/point_lists.h"
#include "quasigeoid/satellite_levelling.h"

namespace {

using namespace calculator_test;
using solvanta::LineResult;
using solvanta::ModelGrid;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;

const ModelGrid& HoleGrid() {
  static const auto grid = [] {
    auto g = std::make_unique<ModelGrid>();
    FillLinearGrid(*g);
    g->At(300, 600) = solvanta::kNoData;
    EXPECT_EQ(g->CountNoData(), 1u);
    return g;
  }();
  return *grid;
}

struct CoverageCase {
  const char* record;          // Nr B L He/Hn
  bool needsHoleForN;          // a corner of the point's cell is the hole
  bool needsHoleForDeflections;
};

void PrintTo(const CoverageCase& c, std::ostream* os) { *os << c.record; }

class Coverage : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(Coverage, NoNumberFromANodeWithoutData) {
  const CoverageCase& c = GetParam();
  const PointListTask tasks[3] = {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal,
                                  PointListTask::NormalToEllipsoidal};
  for (int t = 0; t < 3; ++t) {
    for (ReferenceFrame frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
      std::string withHole, full;
      const LineResult r = solvanta::ConvertPointLine(tasks[t], c.record, HoleGrid(), frame, withHole);
      solvanta::ConvertPointLine(tasks[t], c.record, LinearGrid(), frame, full);
      const bool uses = c.needsHoleForN || (t < 2 && c.needsHoleForDeflections);
      if (uses) {
        EXPECT_EQ(r, LineResult::NoCoverage) << t;
        EXPECT_EQ(orvane::FromCp1250(withHole), "P7 *** punkt poza zasięgiem modelu (" + std::to_string(t + 1) + ")");
      } else {
        EXPECT_EQ(r, LineResult::Result) << t;
        EXPECT_EQ(withHole, full) << t;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheHole, Coverage,
    ::testing::Values(CoverageCase{"P7 51 0 10 19 0 10 300", true, true},         // cell (300, 600)
                      CoverageCase{"P7 50 59 50 18 59 50 300", true, true},       // cell (299, 599)
                      CoverageCase{"P7 51 0 0 19 0 0 300", true, true},           // on the node itself
                      CoverageCase{"P7 51 0 40 19 0 10 300", false, true},        // cell (301, 600): KSI reads row 300
                      CoverageCase{"P7 50 59 30 18 58 50 300", false, true},      // cell (299, 598): ETA reads column 600
                      CoverageCase{"P7 51 1 20 19 0 10 300", false, false},       // cell (302, 600)
                      CoverageCase{"P7 50 59 30 18 58 10 300", false, false},     // cell (299, 597)
                      CoverageCase{"P7 52 10 0 21 0 0 300", false, false}));      // far away

TEST(Coverage, StationWithoutDataIsNotEnteredAndItsVectorsHaveNoCoordinates) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), "A 51 0 10 19 0 10\r\nB 52 0 0 20 0 0\r\n");
  WriteBytes(folder.File("DELTAH.gps"), "A B 1.5 0.0001\r\nB B 0.5 0.0001\r\n");
  RecordingHost host;
  orvane::FieldTable fields;
  solvanta::StationTable stations;
  const solvanta::SatelliteLevellingFiles files{folder.File("DELTAH.gps"), folder.File("BLH.grs"), folder.File("deltah1")};
  EXPECT_EQ(solvanta::ConvertSatelliteLevelling(files, ReferenceFrame::Etrf2000, HoleGrid(), fields, stations, host),
            orvane::RunOutcome::Finished);
  EXPECT_EQ(stations.Count(), 1);
  EXPECT_EQ(orvane::FromCp1250(ReadBytes(folder.File("deltah1"))),
            "A *** punkt poza zasięgiem modelu\r\n"
            "               A                B *** Brak współrzędnych B,L\r\n"
            "               B                B      0.50000   0.00010000  PL-ETRF2000\r\n"
            "               0    0    0    0  \r\n");
}

// ---- Model records ------------------------------------------------------------------------

solvanta::ModelInfo Evrf2007Model() {
  solvanta::ModelInfo info;
  info.hasRecord = true;
  info.name = "Test-geoid";
  info.heightSystem = "PL-EVRF2007-NH";
  info.heightSystemEpsg = 9651;
  info.description = "Próbny model: wysokości normalne PL-EVRF2007-NH";
  info.source = "test";
  info.licence = "(c) Główny Urząd Geodezji i Kartografii";
  info.coveredNodes = static_cast<long long>(solvanta::kGridValueCount);
  return info;
}

TEST(ModelRecord, LabelsTheNormalHeightsAndNamesTheFileUsed) {
  ScratchFolder folder;
  WriteLinearGridFile(folder.File("Test-geoid.bin"));
  ASSERT_TRUE(solvanta::WriteModelRecord(folder.File("Test-geoid.model"), Evrf2007Model()));
  // The record is Windows-1250 text with CR LF ends.
  const std::string record = ReadBytes(folder.File("Test-geoid.model"));
  EXPECT_NE(record.find(orvane::ToCp1250("description=Próbny model") + ": wysoko"), std::string::npos);
  EXPECT_NE(record.find("covered_nodes=962001\r\n"), std::string::npos);

  auto grid = std::make_unique<ModelGrid>();
  ASSERT_EQ(solvanta::LoadModelGrid(folder.File("Test-geoid.bin"), *grid).outcome, solvanta::ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid->Info().name, "Test-geoid");
  EXPECT_EQ(grid->Info().description, "Próbny model: wysokości normalne PL-EVRF2007-NH");
  std::string withRecord, bare;
  solvanta::ConvertPointLine(PointListTask::EllipsoidalToNormal, "A 52 0 0 19 0 0 100", *grid, ReferenceFrame::Etrf2000,
                             withRecord);
  solvanta::ConvertPointLine(PointListTask::EllipsoidalToNormal, "A 52 0 0 19 0 0 100", LinearGrid(),
                             ReferenceFrame::Etrf2000, bare);
  // Only the label differs.
  EXPECT_EQ(withRecord.substr(withRecord.size() - 31), "  PL-EVRF2007-NH z  PL-ETRF2000");
  EXPECT_EQ(bare.substr(bare.size() - 29), "  PL-KRON86-NH z  PL-ETRF2000");
  EXPECT_EQ(withRecord.substr(0, withRecord.size() - 31), bare.substr(0, bare.size() - 29));

  // The same file without its record is the original model.
  fs::remove(folder.File("Test-geoid.model"));
  ASSERT_EQ(solvanta::LoadModelGrid(folder.File("Test-geoid.bin"), *grid).outcome, solvanta::ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid->Info().heightSystem, "PL-KRON86-NH");
  EXPECT_FALSE(grid->Info().hasRecord);
}

TEST(ModelRecord, ARecordThatDoesNotFitItsGridIsRefused) {
  ScratchFolder folder;
  WriteLinearGridFile(folder.File("m.bin"));
  auto grid = std::make_unique<ModelGrid>();
  solvanta::ModelInfo info = Evrf2007Model();
  info.coveredNodes = 429385;
  ASSERT_TRUE(solvanta::WriteModelRecord(folder.File("m.model"), info));
  auto r = solvanta::LoadModelGrid(folder.File("m.bin"), *grid);
  EXPECT_EQ(r.outcome, solvanta::ModelLoadOutcome::Damaged);
  EXPECT_EQ(orvane::FromCp1250(r.message),
            "*** Uszkodzony plik: m.bin (węzłów z danymi 962001, opis modelu podaje 429385)");

  for (const char* bad : {"[Model]\r\nname=m\r\nheight_system=PL EVRF\r\n", "[Model]\r\nheight_system=X\r\n", "\x01\x02garbage"}) {
    WriteBytes(folder.File("m.model"), bad);
    r = solvanta::LoadModelGrid(folder.File("m.bin"), *grid);
    EXPECT_EQ(r.outcome, solvanta::ModelLoadOutcome::Damaged) << bad;
    EXPECT_EQ(r.message, "*** Uszkodzony opis modelu: m.model");
  }
  r = solvanta::LoadModelGrid(folder.File("other.bin"), *grid);
  EXPECT_EQ(r.message, "*** Brak pliku: other.bin");
}

// ---- Choosing a model ---------------------------------------------------------------------

TEST(ModelCatalogue, FindsTheModelsBesideTheProgramDefaultFirst) {
  ScratchFolder folder;
  for (const char* name : {"A-model", "PL-geoid2021", "Z-model"}) {
    solvanta::ModelInfo info = Evrf2007Model();
    info.name = name;
    WriteLinearGridFile(folder.File(std::string(name) + ".bin"));
    ASSERT_TRUE(solvanta::WriteModelRecord(folder.File(std::string(name) + ".model"), info));
  }
  WriteLinearGridFile(folder.File("solvanta_2008QG.bin"));  // the original model, no record
  WriteBytes(folder.File("Orphan.model"), "[Model]\r\nname=Orphan\r\nheight_system=X\r\n");  // no grid

  const auto models = solvanta::FindModels(folder.Str());
  std::vector<std::string> names;
  for (const auto& m : models) names.push_back(m.info.name + " " + m.info.heightSystem);
  EXPECT_EQ(names, (std::vector<std::string>{"PL-geoid2021 PL-EVRF2007-NH", "A-model PL-EVRF2007-NH",
                                             "Z-model PL-EVRF2007-NH", "solvanta_2008QG PL-KRON86-NH"}));

  std::string path;
  EXPECT_TRUE(solvanta::ResolveModel(folder.Str(), "z-MODEL", path));
  EXPECT_EQ(path, folder.File("Z-model.bin"));
  EXPECT_TRUE(solvanta::ResolveModel(folder.Str(), folder.File("A-model.bin"), path));
  EXPECT_EQ(path, folder.File("A-model.bin"));
  EXPECT_FALSE(solvanta::ResolveModel(folder.Str(), "Orphan", path));
  EXPECT_EQ(solvanta::DefaultModelPath(folder.Str()), folder.File("PL-geoid2021.bin"));

  // The choice kept in orvane.ini; an unknown name falls back to the default.
  const std::string ini = folder.File("orvane.ini");
  WriteBytes(ini, "[General]\r\npath=/data/pomiary\r\n");
  EXPECT_EQ(solvanta::ChosenModelPath(folder.Str(), ini), folder.File("PL-geoid2021.bin"));
  ASSERT_TRUE(solvanta::KeepModelChoice(ini, "solvanta_2008QG"));
  EXPECT_EQ(solvanta::ChosenModelPath(folder.Str(), ini), folder.File("solvanta_2008QG.bin"));
  EXPECT_EQ(orvane::LoadWorkFolder(ini), "/data/pomiary");
  ASSERT_TRUE(solvanta::KeepModelChoice(ini, "Gone"));
  EXPECT_EQ(solvanta::ChosenModelPath(folder.Str(), ini), folder.File("PL-geoid2021.bin"));

  // Without PL-geoid2021 the original model is the default.
  fs::remove(folder.File("PL-geoid2021.bin"));
  EXPECT_EQ(solvanta::DefaultModelPath(folder.Str()), folder.File("solvanta_2008QG.bin"));
}

}  // namespace
