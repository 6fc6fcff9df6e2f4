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

// What a point lacks at the hole: N (the whole point is refused), or KSI or ETA alone (the line
// gives N and marks the component).
enum class Lacks { Nothing, N, Ksi, Eta };

struct CoverageCase {
  const char* record;  // Nr B L He/Hn
  Lacks lacks;
};

void PrintTo(const CoverageCase& c, std::ostream* os) { *os << c.record; }

class Coverage : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(Coverage, NumbersOnlyFromNodesWithData) {
  const CoverageCase& c = GetParam();
  const PointListTask tasks[3] = {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal,
                                  PointListTask::NormalToEllipsoidal};
  for (int t = 0; t < 3; ++t) {
    for (ReferenceFrame frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
      std::string withHole, full;
      const LineResult r = solvanta::ConvertPointLine(tasks[t], c.record, HoleGrid(), frame, withHole);
      solvanta::ConvertPointLine(tasks[t], c.record, LinearGrid(), frame, full);
      const bool deflections = t < 2;
      if (c.lacks == Lacks::N) {
        EXPECT_EQ(r, LineResult::NoCoverage) << t;
        EXPECT_EQ(orvane::FromCp1250(withHole), "P7 *** punkt poza zasięgiem modelu (" + std::to_string(t + 1) + ")");
      } else if (c.lacks == Lacks::Nothing || !deflections) {
        EXPECT_EQ(r, LineResult::Result) << t;
        EXPECT_EQ(withHole, full) << t;
      } else {
        // N (or the height) as on the full grid; the lacking component's placeholder and the
        // remark that names it.
        EXPECT_EQ(r, LineResult::Result) << t;
        const std::size_t n = 16 + 1 + 29 + 1 + 9;
        EXPECT_EQ(withHole.substr(0, n), full.substr(0, n)) << t;
        const std::string text = orvane::FromCp1250(withHole);
        const bool ksi = c.lacks == Lacks::Ksi;
        EXPECT_NE(text.find(ksi ? "KSI =  ***  " : "ETA =  ***  "), std::string::npos) << text;
        EXPECT_EQ(text.find(ksi ? "ETA =  ***  " : "KSI =  ***  "), std::string::npos) << text;
        const std::string remark = ksi ? " *** KSI poza zasięgiem modelu" : " *** ETA poza zasięgiem modelu";
        EXPECT_EQ(text.substr(text.size() - remark.size()), remark) << text;
        // The other component as on the full grid.
        const std::string other = ksi ? "ETA = " : "KSI = ";
        const std::string fullText = orvane::FromCp1250(full);
        EXPECT_EQ(text.substr(text.find(other), 12), fullText.substr(fullText.find(other), 12)) << text;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheHole, Coverage,
    ::testing::Values(CoverageCase{"P7 51 0 10 19 0 10 300", Lacks::N},         // cell (300, 600)
                      CoverageCase{"P7 50 59 50 18 59 50 300", Lacks::N},       // cell (299, 599)
                      CoverageCase{"P7 51 0 0 19 0 0 300", Lacks::N},           // on the node itself
                      CoverageCase{"P7 51 0 0 18 59 30 300", Lacks::N},         // on the side (300, 599)-(300, 600)
                      CoverageCase{"P7 51 0 40 19 0 10 300", Lacks::Ksi},       // cell (301, 600): KSI reads row 300
                      CoverageCase{"P7 50 59 30 18 58 50 300", Lacks::Eta},     // cell (299, 598): ETA reads column 600
                      CoverageCase{"P7 51 0 0 18 59 24 300", Lacks::Eta},       // on node (300, 599), the hole weighs 0
                      CoverageCase{"P7 50 59 24 19 0 0 300", Lacks::Ksi},       // on node (299, 600)
                      CoverageCase{"P7 50 58 48 19 0 0 300", Lacks::Nothing},   // on node (298, 600)
                      CoverageCase{"P7 51 1 20 19 0 10 300", Lacks::Nothing},   // cell (302, 600)
                      CoverageCase{"P7 50 59 30 18 58 10 300", Lacks::Nothing}, // cell (299, 597)
                      CoverageCase{"P7 52 10 0 21 0 0 300", Lacks::Nothing}));  // far away

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

  // The same file without its record has no known height system: refused, unless it is given.
  // Only the original model file is PL-KRON86-NH without a record.
  fs::remove(folder.File("Test-geoid.model"));
  auto r = solvanta::LoadModelGrid(folder.File("Test-geoid.bin"), *grid);
  EXPECT_EQ(r.outcome, solvanta::ModelLoadOutcome::Damaged);
  EXPECT_EQ(orvane::FromCp1250(r.message).substr(0, 42), "*** Brak opisu modelu: Test-geoid.model (u");
  ASSERT_EQ(solvanta::LoadModelGrid(folder.File("Test-geoid.bin"), *grid, {}, "PL-EVRF2007-NH").outcome,
            solvanta::ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid->Info().heightSystem, "PL-EVRF2007-NH");
  EXPECT_FALSE(grid->Info().hasRecord);
  fs::copy_file(folder.File("Test-geoid.bin"), folder.File("SOLVANTA_2008QG.bin"));
  ASSERT_EQ(solvanta::LoadModelGrid(folder.File("SOLVANTA_2008QG.bin"), *grid).outcome,
            solvanta::ModelLoadOutcome::Loaded);
  EXPECT_EQ(grid->Info().heightSystem, "PL-KRON86-NH");
  // A label that contradicts the record is refused.
  ASSERT_TRUE(solvanta::WriteModelRecord(folder.File("Test-geoid.model"), Evrf2007Model()));
  r = solvanta::LoadModelGrid(folder.File("Test-geoid.bin"), *grid, {}, "PL-KRON86-NH");
  EXPECT_EQ(r.outcome, solvanta::ModelLoadOutcome::Damaged);
  EXPECT_EQ(orvane::FromCp1250(r.message),
            "*** Inny układ wysokości w opisie modelu Test-geoid.model: PL-EVRF2007-NH, nie PL-KRON86-NH");
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

  // The choice kept in orvane.ini; an unknown name is refused, naming the key and the value.
  const std::string ini = folder.File("orvane.ini");
  WriteBytes(ini, "[General]\r\npath=/data/pomiary\r\n");
  EXPECT_EQ(solvanta::ChooseModel(folder.Str(), ini).path, folder.File("PL-geoid2021.bin"));
  ASSERT_TRUE(solvanta::KeepModelChoice(ini, "solvanta_2008QG"));
  EXPECT_EQ(solvanta::ChooseModel(folder.Str(), ini).path, folder.File("solvanta_2008QG.bin"));
  EXPECT_EQ(orvane::LoadWorkFolder(ini), "/data/pomiary");
  ASSERT_TRUE(solvanta::KeepModelChoice(ini, "Gone"));
  const solvanta::ModelChoice gone = solvanta::ChooseModel(folder.Str(), ini);
  EXPECT_EQ(gone.path, "");
  EXPECT_EQ(gone.problem, "*** orvane.ini [Solvanta] model=Gone: nie ma takiego modelu obok programu");

  // A bare name is looked up beside the program only, never in the current directory.
  {
    ScratchFolder here;
    WriteLinearGridFile(here.File("Local.bin"));
    const fs::path before = fs::current_path();
    fs::current_path(here.Path());
    ASSERT_TRUE(solvanta::KeepModelChoice(ini, "Local.bin"));
    EXPECT_NE(solvanta::ChooseModel(folder.Str(), ini).problem, "");
    EXPECT_FALSE(solvanta::ResolveModel(folder.Str(), "Local.bin", path));
    EXPECT_TRUE(solvanta::ResolveModel(folder.Str(), "./Local.bin", path));
    fs::current_path(before);
  }
  // A grid file beside the program, by its file name.
  ASSERT_TRUE(solvanta::KeepModelChoice(ini, "Z-model.bin"));
  EXPECT_EQ(solvanta::ChooseModel(folder.Str(), ini).path, folder.File("Z-model.bin"));

  // Without PL-geoid2021 the original model is the default.
  fs::remove(folder.File("PL-geoid2021.bin"));
  EXPECT_EQ(solvanta::DefaultModelPath(folder.Str()), folder.File("solvanta_2008QG.bin"));
}

}  // namespace
