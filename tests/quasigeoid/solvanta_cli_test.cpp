// solvanta-cli as a user scripts it: flags, exit status, messages on standard error, the result
// files; and kvel-cli adjusting the network whose DELTAH1 solvanta-cli wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "calculator_test_support.h"
#include "common/command_line.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "gtx_file.h"
#include "support/program_run.h"

namespace {

using namespace calculator_test;

const std::string kCli = orvane::testing::ProgramPath("solvanta-cli");
const std::string kKvelCli = orvane::testing::ProgramPath("kvel-cli");
const std::string kImporter = orvane::testing::ProgramPath("solvanta-import-model");
const std::string kShippedModel = std::string(ORVANE_BIN_DIR) + "/PL-geoid2021.bin";

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `arguments` (quoted where needed), capturing both streams.
Result RunProgram(const std::string& program, const std::string& arguments) {
  const orvane::testing::ProgramResult run = orvane::testing::RunProgram(program, arguments);
  return Result{run.status, run.out, run.err};
}

class SolvantaCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kCli)) GTEST_SKIP() << "solvanta-cli is not built";
    WriteLinearGridFile(model_.File("solvanta_2008QG.bin"));
  }
  Result Cli(const std::string& arguments) { return RunProgram(kCli, arguments); }
  std::string Model() const { return "--model '" + model_.File("solvanta_2008QG.bin") + "'"; }
  std::string Folder() const { return "--folder '" + folder_.Str() + "'"; }

  ScratchFolder model_;
  ScratchFolder tools_;
  ScratchFolder folder_;
};

TEST_F(SolvantaCli, HelpExplainsTheFlagsAndTheFiles) {
  const Result r = Cli("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"--frame", "--folder", "--tasks", "--model", "BLH_e", "DELTAH.gps", "DELTAH1", "Exit status"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(SolvantaCli, UsageErrorsExitWithTwo) {
  for (const char* arguments : {"", "--frame", "--frame wgs84", "--frame etrf89 --tasks bl,xyz", "--frame etrf89 --bogus",
                                "--frame etrf2000 --folder", "--frame etrf2000 --folder=", "--frame=etrf89 extra",
                                "--frame etrf2000 --model NoSuchModel", "--import-model only-source"}) {
    const Result r = Cli(arguments);
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_NE(r.err.find("solvanta-cli:"), std::string::npos) << arguments;
  }
}

// An option of one kind of run in another is refused before anything is read or written, with
// the option named.
TEST_F(SolvantaCli, OptionsOfAnotherKindOfRunAreRefused) {
  WriteBytes(folder_.File("BL"), "P1 52 0 0 19 0 0\r\n");
  const struct {
    std::string arguments;
    std::string message;
  } cases[] = {
      {"--frame etrf89 --licence CC0 " + Folder(), "option --licence goes only with --import-model"},
      {"--frame etrf89 --name X " + Folder(), "option --name goes only with --import-model"},
      {"--list-models --frame etrf89", "option --frame does not go with --list-models"},
      {"--list-models " + Folder(), "option --folder does not go with --list-models"},
      {"--import-model a.tif b.bin --tasks bl", "option --tasks does not go with --import-model"},
      {"--import-model a.tif b.bin --list-models", "option --list-models does not go with --import-model"},
  };
  for (const auto& c : cases) {
    const Result r = Cli(c.arguments);
    EXPECT_EQ(r.status, 2) << c.arguments;
    EXPECT_NE(r.err.find("solvanta-cli: " + c.message), std::string::npos) << c.arguments << ": " << r.err;
    EXPECT_FALSE(fs::exists(folder_.File("bln"))) << c.arguments;
  }
}

// Every program says its own name and the one version of the suite; the window answers without
// a display; the model importer's help is its own.
TEST_F(SolvantaCli, VersionAndHelpNameEachProgram) {
  const std::string version = std::string(orvane::Version());
  for (const char* name : {"solvanta-cli", "solvanta-import-model", "solvanta", "kvel-cli", "kvel"}) {
    const std::string program = orvane::testing::ProgramPath(name);
    if (!fs::exists(program)) continue;
    const Result r = RunProgram(program, "--version");
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_EQ(r.out, std::string(name) + " (ORVANE) " + version + "\n");
  }
  if (!fs::exists(kImporter)) return;  // a build without the import (GDAL)
  const Result help = RunProgram(kImporter, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: solvanta-import-model --import-model SOURCE TARGET.bin")) << help.out;
  EXPECT_EQ(help.out.find("solvanta-cli --frame"), std::string::npos) << help.out;
  const Result bad = RunProgram(kImporter, "--frame etrf89");
  EXPECT_EQ(bad.status, 2);
  EXPECT_TRUE(bad.err.starts_with("solvanta-import-model: ")) << bad.err;
}

// Installed as PREFIX/bin/solvanta-cli with the models in PREFIX/share/orvane (the Debian
// package's layout), the program finds them there and uses the default one.
TEST_F(SolvantaCli, InstalledProgramFindsTheModelsInShareOrvane) {
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  ScratchFolder prefix;
  fs::create_directories(prefix.File("bin"));
  fs::create_directories(prefix.File("share/orvane"));
  const std::string installed = prefix.File("bin/solvanta-cli") + ORVANE_EXE_SUFFIX;
  fs::copy_file(kCli, installed);
  for (const char* file : {"PL-geoid2021.bin", "PL-geoid2021.model", "PL-geoid2011-KRON86.bin", "PL-geoid2011-KRON86.model"}) {
#ifdef _WIN32  // symbolic links need privileges there
    fs::copy_file(std::string(ORVANE_BIN_DIR) + "/" + file, prefix.File(std::string("share/orvane/") + file));
#else
    fs::create_symlink(std::string(ORVANE_BIN_DIR) + "/" + file, prefix.File(std::string("share/orvane/") + file));
#endif
  }
  const Result list = RunProgram(installed, "--list-models");
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_TRUE(list.out.starts_with("PL-geoid2021  PL-EVRF2007-NH  ")) << list.out;
  EXPECT_NE(list.out.find("\nPL-geoid2011-KRON86  PL-KRON86-NH  "), std::string::npos) << list.out;
  WriteBytes(folder_.File("BLH_e"), "P1 52 0 0 19 0 0 150\r\n");
  const Result run = RunProgram(installed, "--frame etrf2000 --tasks blh_e " + Folder());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(ReadBytes(folder_.File("blh_n.1")).find("PL-EVRF2007-NH z  PL-ETRF2000"), std::string::npos);
}

TEST_F(SolvantaCli, FinishedRunExitsWithZeroAndWritesEveryResult) {
  folder_.CopyFixture("lists", {"BL", "BLH_e", "BLH_n"});
  folder_.CopyFixture("satellite", {"DELTAH.gps", "BLH.grs"});
  const Result r = Cli("--frame etrf2000 " + Folder() + " " + Model());
  EXPECT_EQ(r.status, 0) << r.err;
  // Message boxes become UTF-8 lines on standard error, the last one the end of the run.
  EXPECT_NE(r.err.find("/BL->"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - std::string(" koniec obliczeń \n").size()), " koniec obliczeń \n");
  EXPECT_EQ(ReadBytes(folder_.Root() / "bln"), ReadBytes(FixturePath("lists/expected_bln")));
  EXPECT_EQ(ReadBytes(folder_.Root() / "blh_n.1"), ReadBytes(FixturePath("lists/expected_blh_n.1")));
  EXPECT_EQ(ReadBytes(folder_.Root() / "blh_e.1"), ReadBytes(FixturePath("lists/expected_blh_e.1")));
  EXPECT_EQ(ReadBytes(folder_.Root() / "deltah1"), ReadBytes(FixturePath("satellite/expected_deltah1")));
}

TEST_F(SolvantaCli, TasksFlagChoosesTheSwitches) {
  folder_.CopyFixture("lists", {"BL", "BLH_e", "BLH_n"});
  folder_.CopyFixture("satellite", {"DELTAH.gps", "BLH.grs"});
  const Result r = Cli("--frame=etrf89 --tasks=blh_n,sat " + Folder() + " " + Model());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(folder_.Root() / "bln"));
  EXPECT_FALSE(fs::exists(folder_.Root() / "blh_n.1"));
  EXPECT_TRUE(fs::exists(folder_.Root() / "blh_e.1"));
  EXPECT_NE(ReadBytes(folder_.Root() / "deltah1").find(" PL-ETRF89\r\n"), std::string::npos);
}

TEST_F(SolvantaCli, RunsThatEndEarlyExitWithOne) {
  // No input at all.
  Result r = Cli("--frame etrf2000 " + Folder() + " " + Model());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("*** Brak zbioru danych"), std::string::npos) << r.err;
  // No model file.
  folder_.CopyFixture("lists", {"BL"});
  r = Cli("--frame etrf2000 " + Folder() + " --model '" + folder_.File("solvanta_2008QG.bin") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("*** Brak pliku: solvanta_2008QG.bin"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(folder_.Root() / "bln"));
  // A bad BLH.grs record ends the program.
  WriteBytes(folder_.File("BLH.grs"), "P1 52 0 x 19 0 0\r\n");
  WriteBytes(folder_.File("DELTAH.gps"), "P1 P1 1 1\r\n");
  r = Cli("--frame etrf2000 " + Folder() + " " + Model());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("*** BLH.grs - błędny rekord: P1 52 0 x 19 0 0 (plik BLH.grs, wiersz 1)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("koniec"), std::string::npos) << r.err;
}

TEST_F(SolvantaCli, ShippedExampleFolderRunsWithTheModelBesideTheProgram) {
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  fs::copy(std::string(ORVANE_TEST_FIXTURES) + "/../../../examples/solvanta", folder_.Path(),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  const Result r = Cli("--frame etrf89 " + Folder());
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* name : {"bln", "blh_n.1", "blh_e.1", "deltah1"}) {
    const std::string bytes = ReadBytes(folder_.Root() / name);
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes.find("***"), std::string::npos) << name << "\n" << bytes;  // clean examples
  }
}

TEST_F(SolvantaCli, ListModelsGivesNameHeightSystemAndDescription) {
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  const Result r = Cli("--list-models");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "PL-geoid2021  PL-EVRF2007-NH  PL-geoid2021: quasi-geoida GUGiK, wysokości normalne PL-EVRF2007-NH "
            "(układ obowiązujący)");
  EXPECT_NE(r.out.find("\nPL-geoid2011-KRON86  PL-KRON86-NH  PL-geoid2011: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nPL-geoid2011-EVRF2007  PL-EVRF2007-NH  PL-geoid2011: "), std::string::npos) << r.out;
}

// The normal heights of BLH_n.1 carry the label of the model used: PL-EVRF2007-NH by default,
// PL-KRON86-NH with the archive model chosen by name.
TEST_F(SolvantaCli, ModelByNameLabelsTheNormalHeights) {
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  WriteBytes(folder_.File("BLH_e"), "A 52 0 0 19 0 0 150.000\r\nB 55 30 0 14 0 0 10.000\r\n");
  const std::pair<const char*, const char*> cases[] = {
      {"", "  PL-EVRF2007-NH z  PL-ETRF2000\r\n"},
      {"--model pl-geoid2011-kron86", "  PL-KRON86-NH z  PL-ETRF2000\r\n"},
      {"--model PL-geoid2011-EVRF2007", "  PL-EVRF2007-NH z  PL-ETRF2000\r\n"}};
  for (const auto& [model, tail] : cases) {
    const Result r = Cli(std::string("--frame etrf2000 --tasks blh_e ") + Folder() + " " + model);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string lines = orvane::FromCp1250(ReadBytes(folder_.File("blh_n.1")));
    const std::string first = lines.substr(0, lines.find('\n') + 1);
    EXPECT_EQ(first.substr(first.size() - std::string(tail).size()), tail) << model << "\n" << lines;
    // The Baltic Sea at 55.5 N, 14 E lies outside PL-geoid2011's coverage, inside PL-geoid2021's.
    const bool archive = std::string(model).find("2011") != std::string::npos;
    EXPECT_EQ(lines.find("B *** punkt poza zasięgiem modelu (2)\r\n") != std::string::npos, archive) << lines;
  }
}

// A grid file without its record is never labelled by guess: a copy of PL-geoid2021.bin needs
// --height-system; the first line of the run names the model and its height system.
TEST_F(SolvantaCli, GridWithoutRecordNeedsItsHeightSystemAndTheRunNamesTheModel) {
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  fs::copy_file(kShippedModel, model_.File("copy.bin"));
  WriteBytes(folder_.File("BLH_e"), "A 52 0 0 19 0 0 150.000\r\n");
  const std::string copy = "--model '" + model_.File("copy.bin") + "'";
  Result r = Cli("--frame etrf2000 " + Folder() + " " + copy);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("*** Brak opisu modelu: copy.model"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(folder_.File("blh_n.1")));
  r = Cli("--frame etrf2000 " + Folder() + " " + copy + " --height-system PL-EVRF2007-NH");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Model quasi-geoidy: copy (PL-EVRF2007-NH), " + model_.File("copy.bin"));
  EXPECT_NE(ReadBytes(folder_.File("blh_n.1")).find("  PL-EVRF2007-NH z  PL-ETRF2000\r\n"), std::string::npos);
  // The shipped model by name: named with its record's label.
  r = Cli("--frame etrf2000 " + Folder() + " --model PL-geoid2011-KRON86");
  EXPECT_EQ(r.err.substr(0, r.err.find(" (")), "Model quasi-geoidy: PL-geoid2011-KRON86") << r.err;
  EXPECT_EQ(r.err.substr(r.err.find(" ("), 16), " (PL-KRON86-NH),") << r.err;
  // A bare name is looked up beside the program only.
  r = Cli("--frame etrf2000 " + Folder() + " --model copy.bin");
  EXPECT_EQ(r.status, 2) << r.err;
}

// A model in orvane.ini that is not there stops the run, naming the key and the value; it never
// falls back to another model.
TEST_F(SolvantaCli, UnknownModelInOrvaneIniStopsTheRun) {
  const fs::path program = fs::path(tools_.File("solvanta-cli"));
  fs::copy_file(kCli, program);
  WriteLinearGridFile(tools_.File("solvanta_2008QG.bin"));
  WriteBytes(folder_.File("BL"), "A 52 0 0 19 0 0\r\n");
  WriteBytes(tools_.File("orvane.ini"), "[Solvanta]\r\nmodel=PL-geoid2012\r\n");
  Result r = RunProgram(program.string(), "--frame etrf2000 " + Folder());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "*** orvane.ini [Solvanta] model=PL-geoid2012: nie ma takiego modelu obok programu\n");
  EXPECT_FALSE(fs::exists(folder_.File("bln")));
  WriteBytes(tools_.File("orvane.ini"), "[Solvanta]\r\nmodel=solvanta_2008QG\r\n");
  r = RunProgram(program.string(), "--frame etrf2000 " + Folder());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.substr(0, r.err.find(',')), "Model quasi-geoidy: solvanta_2008QG (PL-KRON86-NH)");
}

// PL-2000 lists and the Kronstadt heights of a district office: h_evrf2007.1 and the benchmark
// catalogue xyh_evrf2007.sta; back again with evrf2007.
TEST_F(SolvantaCli, Pl2000ListsAndKronstadtHeightsToEvrf2007) {
#ifdef _WIN32
  GTEST_SKIP() << "plane coordinates need PROJ, which the build for Windows does without";
#endif
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  WriteBytes(folder_.File("BL"), "A 5787000.000 7501000.000\r\nB 5787000.000 501000.000\r\n");
  WriteBytes(folder_.File("H_KRON86"), "A 5787000.000 7501000.000 101.2345\r\n");
  WriteBytes(folder_.File("xyh.sta"), "A 5787000.000 7501000.000 101.2345\r\n0 0 0 0\r\n");
  Result r = Cli("--frame etrf2000 --coordinates pl2000 --tasks bl,kron86 " + Folder());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bln = orvane::FromCp1250(ReadBytes(folder_.File("bln")));
  EXPECT_EQ(bln.substr(0, 41), "               A 5787000.000 7501000.000 ") << bln;
  EXPECT_NE(bln.find("\r\nB *** y = 501000.000 bez numeru strefy 5-8 układu PL-2000\r\n"), std::string::npos) << bln;
  const std::string evrf = ReadBytes(folder_.File("h_evrf2007.1"));
  EXPECT_EQ(evrf.substr(0, 41), "               A 5787000.000 7501000.000 ") << evrf;
  EXPECT_EQ(evrf.substr(evrf.size() - 18), "  PL-EVRF2007-NH\r\n") << evrf;
  orvane::FieldTable fields;
  int count = 0;
  orvane::SplitFields(evrf.substr(0, evrf.find('\r')), fields, count);
  ASSERT_EQ(count, 6) << evrf;
  const std::string catalogue = ReadBytes(folder_.File("xyh_evrf2007.sta"));
  EXPECT_EQ(catalogue, "A 5787000.000 7501000.000 " + fields[4] + "\r\n0 0 0 0\r\n");
  // Back: the EVRF2007 height gives the Kronstadt height.
  WriteBytes(folder_.File("H_EVRF2007"), "A 5787000.000 7501000.000 " + fields[4] + "\r\n");
  r = Cli("--frame etrf2000 --coordinates=pl2000 --tasks evrf2007 " + Folder());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string kron = ReadBytes(folder_.File("h_kron86.1"));
  EXPECT_NE(kron.find(" 101.2345 "), std::string::npos) << kron;
  EXPECT_EQ(Cli("--frame etrf2000 --coordinates utm " + Folder()).status, 2);
}

// --import-model: exact grids become models the run reads; anything else is refused, exit 1,
// and nothing is written.
TEST_F(SolvantaCli, ImportModelIsExactOrRefused) {
  if (!fs::exists(kImporter)) GTEST_SKIP() << "this build has no model import (it needs GDAL: Linux only)";
  const std::string gtx = model_.File("patch.gtx");
  solvanta_test::WriteGtx(gtx, 52.0, 19.0, 0.01, 0.01, 3, 4, {30.1f, 30.2f, 30.3f, 30.4f, 31.1f, 31.2f, 31.3f, 31.4f,
                                                              32.1f, 32.2f, 32.3f, 32.4f});
  const std::string target = model_.File("patch.bin");
  Result r = Cli("--import-model '" + gtx + "' '" + target + "' --name Patch --height-system MY-NH");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, target + ": model Patch (MY-NH), 12 of 962001 nodes with data, N from 30.10000 m to 32.40000 m, "
                            "area 52.00..52.02 N, 19.00..19.03 E\n");
  WriteBytes(folder_.File("BLH_n"), "A 52 0 36 19 0 36 100.0\r\nB 52 0 0 19 3 0 100.0\r\n");
  r = Cli("--frame etrf2000 --tasks blh_n " + Folder() + " --model '" + target + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(orvane::FromCp1250(ReadBytes(folder_.File("blh_e.1"))),
            "               A 52  0 36.00000 19  0 36.00000  131.2000  PL-ETRF2000\r\n"
            "B *** punkt poza zasięgiem modelu (3)\r\n");

  // Half a step off the lattice, and without a height system: refused, nothing written.
  solvanta_test::WriteGtx(gtx, 52.005, 19.0, 0.01, 0.01, 3, 4, std::vector<float>(12, 30.0f));
  for (const std::string& extra : {std::string(" --height-system MY-NH"), std::string()}) {
    const std::string refused = model_.File("refused.bin");
    r = Cli("--import-model '" + gtx + "' '" + refused + "'" + extra);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not imported: the nodes are not on the 0.01-degree lattice"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(refused));
    EXPECT_FALSE(fs::exists(model_.File("refused.model")));
  }
  solvanta_test::WriteGtx(gtx, 52.0, 19.0, 0.01, 0.01, 3, 4, std::vector<float>(12, 30.0f));
  r = Cli("--import-model '" + gtx + "' '" + model_.File("nolabel.bin") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("give --height-system LABEL"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(model_.File("nolabel.bin")));
  r = Cli("--import-model '" + gtx + "' '" + model_.File("badname.bin") + "' --height-system X --name 'a/b'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("may hold no '/'"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(model_.File("badname.bin")));
}

// kvel-cli adjusts a network whose DELTAH1 came from solvanta-cli: the adjusted heights agree with
// the normal heights the GNSS heights were made from, within the millimetres of noise put in.
TEST_F(SolvantaCli, KvelCliAdjustsANetworkWhoseDeltah1CameFromSolvantaCli) {
  if (!fs::exists(kKvelCli)) GTEST_SKIP() << "kvel-cli is not built yet";
  if (!fs::exists(kShippedModel)) GTEST_SKIP() << "the shipped models are not built";
  folder_.CopyFixture("network", {"DELTAH.gps", "BLH.grs", "h.sta"});
  const Result solvanta = Cli("--frame etrf2000 --tasks sat " + Folder());
  ASSERT_EQ(solvanta.status, 0) << solvanta.err;
  const Result kvel = RunProgram(kKvelCli, Folder());
  ASSERT_EQ(kvel.status, 0) << kvel.err;

  const std::map<std::string, double> designed = {{"3441029", 71.2480}, {"3441030", 64.9351}, {"3441031", 82.4113},
                                                   {"3441032", 58.1276}, {"3441033", 77.5902}, {"3441045", 69.3048}};
  const std::string heights = ReadBytes(folder_.Root() / "h.osn");
  orvane::FieldTable fields;
  std::size_t start = 0;
  int found = 0;
  while (start < heights.size()) {
    auto end = heights.find('\n', start);
    if (end == std::string::npos) end = heights.size();
    int count = 0;
    orvane::SplitFields(std::string_view(heights).substr(start, end - start), fields, count);
    start = end + 1;
    const auto point = designed.find(fields[1]);
    double h = 0;
    if (count < 2 || point == designed.end() || !orvane::ParseNumber(fields[2], h)) continue;
    ++found;
    EXPECT_NEAR(h, point->second, 0.004) << fields[1];
  }
  EXPECT_EQ(found, 6) << heights;
}

}  // namespace
