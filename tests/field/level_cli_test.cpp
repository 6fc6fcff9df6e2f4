// kvel-cli --import-level end to end: deltah against independent reductions, the group of files
// written or nothing, the exit statuses, and the misclosures of the next adjustment.
#include <gtest/gtest.h>

#include "common/settings_files.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "leveling/field/level_import.h"
#include "level_raw/raw_generator.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"

namespace kvel::field {
namespace {

using orvane::testing::FixturePath;
using orvane::testing::ScratchFolder;

using orvane::testing::CliResult;

CliResult RunCli(const std::string& args) { return orvane::testing::RunBuiltProgram("kvel-cli", args); }

struct Record {
  std::string from, to;
  double dh = 0, parameter = 0;
};

// The observation records of a deltah, without its end record.
std::vector<Record> ReadDeltah(const std::string& bytes) {
  std::vector<Record> records;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Record r;
    if (!(fields >> r.from >> r.to >> r.dh >> r.parameter) || r.from == "0") continue;
    records.push_back(r);
  }
  return records;
}

TEST(KeptMisclosureK, ANumberAboveZeroOrNone) {
  ScratchFolder folder;
  const struct {
    const char* text;
    double k;
  } cases[] = {{"[Kvel]\nmisclosure_k = 2.5\n", 2.5}, {"[kvel]\nMISCLOSURE_K=4\n", 4}, {"[Kvel]\nmisclosure_k = abc\n", 0},
               {"[Kvel]\nmisclosure_k = -1\n", 0}, {"[General]\npath=/tmp\n", 0}};
  for (const auto& c : cases) {
    folder.Write("orvane.ini", c.text);
    const std::string ini = folder.File("orvane.ini");
    EXPECT_EQ(KeptMisclosureK(orvane::SettingsFiles{ini, {ini}}), c.k) << c.text;
  }
  const std::string missing = folder.File("missing.ini");
  EXPECT_EQ(KeptMisclosureK(orvane::SettingsFiles{missing, {missing}}), 0);
}

class LevelImport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(orvane::testing::ProgramPath("kvel-cli")).good()) GTEST_SKIP() << "kvel-cli not built";
  }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }
};

TEST_F(LevelImport, WritesSectionsFieldBookAndIntermediatesThenTheRunAdjustsThem) {
  ScratchFolder folder;
  folder.Write("h.sta", "rp7 200.0000\nRP1 100.0000\n0 0\n");
  const CliResult r = RunCli("--folder " + Q(folder.Path()) + " --turning-points '[0-9]+' --import-level " +
                             Q(FixturePath("bf_traps.dat")) + " " + Q(FixturePath("bf_line.gsi")));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<Record> records = ReadDeltah(folder.Read("deltah"));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].from, "rp7");
  EXPECT_EQ(records[0].to, "RP8");
  EXPECT_NEAR(records[0].parameter, 0.1505, 0.0006);
  EXPECT_EQ(records[1].from, "RP8");
  EXPECT_EQ(records[2].from, "RP1");
  EXPECT_NEAR(records[2].dh, 0.0409, 1e-9);
  EXPECT_NE(folder.Read("deltah").find("\r\n0 0 0.00100 0\r\n"), std::string::npos);
  const std::string book = orvane::FromCp1250(folder.Read("dziennik.osn"));
  for (const char* text : {"DZIENNIK NIWELACJI", "odczyt nieważny (#####)", "pomiar powtórzony", "stanowisko powtórzone",
                           "CIĄG 2", "ZAMKNIĘCIA CIĄGÓW"})
    EXPECT_NE(book.find(text), std::string::npos) << text << "\n" << book;
  EXPECT_NE(folder.Read("posrednie").find("PP01"), std::string::npos);

  const CliResult run = RunCli("--folder " + Q(folder.Path()));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(orvane::FromCp1250(folder.Read("zamkniecia.osn")).find("ZAMKNIĘCIA SIECI PRZED WYRÓWNANIEM"), std::string::npos);
}

TEST_F(LevelImport, ALineGoingOnFromATurningPointClosesBetweenItsBenchmarks) {
  ScratchFolder folder;
  folder.Write("h.sta", "RP1 100.0000\nRP2 100.2003\n0 0\n");
  folder.WriteBytes("split.gsi",
                    "410001+?......1 \n110002+00000RP1 32...6+00150000 331.06+00015000 \n"
                    "110003+00000001 32...6+00150000 332.06+00014000 \n410004+?......1 \n"
                    "110005+00000001 32...6+00150000 331.06+00012000 \n110006+00000RP2 32...6+00150000 332.06+00011000 \n");
  const CliResult r = RunCli("--folder " + Q(folder.Path()) + " --turning-points '[0-9]+' --class 3 --import-level " + Q(folder.File("split.gsi")));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<Record> records = ReadDeltah(folder.Read("deltah"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].parameter, 0.060, 1e-9);
  const std::string book = orvane::FromCp1250(folder.Read("dziennik.osn"));
  // f = 0.2000 - 0.2003 m over 60 m: -0.30 mm, within 3 * sqrt(0.06) = 0.73 mm.
  EXPECT_NE(book.find("     1              RP1              RP2     0.20000    0.20030     -0.30    0.060     0.73  dop."), std::string::npos)
      << book;
  EXPECT_NE(book.find("ciąg kontynuowany od punktu zmiennego 1"), std::string::npos) << book;
}

TEST_F(LevelImport, AnExistingDeltahIsReplacedOnlyWhenAskedAndKeptAsBak) {
  ScratchFolder folder;
  const std::string old = "A B 1.0 1.0\r\n0 0 0.002 0\r\n";
  folder.WriteBytes("deltah", old);
  const std::string args = "--folder " + Q(folder.Path()) + " --turning-points 'T[0-9]+' --import-level " + Q(FixturePath("bffb_line.gsi"));
  CliResult r = RunCli(args);
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("--replace"), std::string::npos);
  EXPECT_EQ(folder.Read("deltah"), old);
  EXPECT_FALSE(folder.Exists("dziennik.osn"));
  r = RunCli(args + " --replace");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(folder.Read("deltah.bak"), old);
  const std::vector<Record> records = ReadDeltah(folder.Read("deltah"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].dh, -0.12406, 1e-9);
  // The old end record's unit mean error is kept.
  EXPECT_NE(folder.Read("deltah").find("0 0 0.00200 0"), std::string::npos);
  // With n as the parameter.
  r = RunCli(args + " --replace --parameter n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NEAR(ReadDeltah(folder.Read("deltah"))[0].parameter, 2, 0);
}

TEST_F(LevelImport, UnreadableRecordNamesFileAndLineAndWritesNothing) {
  ScratchFolder folder;
  folder.WriteBytes("bad.gsi", "410001+?......1 \n110002+00000RP1 32...3+00253400 331.06+00015230 \n");
  folder.WriteBytes("deltah", "old\r\n");
  const CliResult r = RunCli("--folder " + Q(folder.Path()) + " --replace --import-level " + Q(FixturePath("bf_line.gsi")) + " " +
                             Q(folder.File("bad.gsi")));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("bad.gsi:2:"), std::string::npos) << r.output;
  EXPECT_EQ(folder.Read("deltah"), "old\r\n");
  EXPECT_FALSE(folder.Exists("deltah.bak"));
  EXPECT_FALSE(folder.Exists("dziennik.osn"));
}

TEST_F(LevelImport, UsageErrors) {
  for (const std::string args : {"--import-level x.gsi --parameter km", "--replace", "--turning-points 'T.*'", "file.gsi",
                                 "--import-level x.gsi --class -1", "--class abc"}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
  }
  ScratchFolder folder;
  const CliResult r = RunCli("--folder " + Q(folder.Path()) + " --turning-points '([' --import-level " + Q(FixturePath("bf_line.gsi")));
  EXPECT_EQ(r.status, 1) << r.output;
}

TEST_F(LevelImport, EveryRunReplacesTheMisclosuresAStoppedOneLeavesThemEmpty) {
  ScratchFolder folder;
  folder.Write("deltah", "R1 A 1.000 1\nA B 1.000 1\nB R1 -1.994 1\nR1 B 2.000 1\n0 0 0.001 0\n");
  folder.Write("h.sta", "R1 100\n0 0\n");
  CliResult r = RunCli("--folder " + Q(folder.Path()));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string report = orvane::FromCp1250(folder.Read("zamkniecia.osn"));
  // Two independent loops, both closing with 6 mm; the shorter (2 km) is listed first.
  EXPECT_NE(report.find("Liczba niezależnych pętli = 2"), std::string::npos) << report;
  EXPECT_NE(report.find("      1       6.00      2.000         4.24"), std::string::npos) << report;
  EXPECT_NE(report.find("bez oceny"), std::string::npos);
  folder.Write("h.sta", "R1 abc\n");
  r = RunCli("--folder " + Q(folder.Path()));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_TRUE(folder.Exists("zamkniecia.osn"));
  EXPECT_EQ(folder.Read("zamkniecia.osn"), "");
}

// A 3 x 3 grid of section points levelled along its twelve edges, written as M5 and GSI-8 lines;
// a 5 mm blunder is planted in one section.
TEST_F(LevelImport, EveryRecordEqualsTheIndependentReductionAndABlunderLeadsTheLoops) {
  using orvane::rawgen::RawWriter;
  using orvane::rawgen::Station;
  auto station = [](int i, int j) { return Station{"P" + std::to_string(i) + std::to_string(j), 100 + 0.37 * i - 0.21 * j + 0.05 * i * j}; };
  RawWriter m5(RawWriter::Format::M5, 1), gsi(RawWriter::Format::Gsi8, 2);
  for (int i = 1; i <= 3; ++i) m5.Line({station(i, 1), station(i, 2), station(i, 3)}, 3, i == 2 ? 1 : -1, 0.005);
  for (int j = 1; j <= 3; ++j) gsi.Line({station(1, j), station(2, j), station(3, j)}, 2);
  ScratchFolder folder;
  folder.WriteBytes("line.dat", m5.text);
  folder.WriteBytes("line.gsi", gsi.text);
  folder.Write("h.sta", "P11 " + std::to_string(station(1, 1).height) + "\nP33 " + std::to_string(station(3, 3).height) + "\n0 0\n");
  CliResult r = RunCli("--folder " + Q(folder.Path()) + " --turning-points '[0-9]+' --import-level " + Q(folder.File("line.dat")) + " " +
                       Q(folder.File("line.gsi")));
  ASSERT_EQ(r.status, 0) << r.output;
  std::vector<orvane::rawgen::ExpectedSection> expected = m5.expected;
  expected.insert(expected.end(), gsi.expected.begin(), gsi.expected.end());
  const std::vector<Record> records = ReadDeltah(folder.Read("deltah"));
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].from, expected[i].from);
    EXPECT_EQ(records[i].to, expected[i].to);
    EXPECT_NEAR(records[i].dh, expected[i].dh, 0.5e-5 + 1e-9) << i;
    EXPECT_NEAR(records[i].parameter * 1000, expected[i].length, 1.0) << i;
  }
  r = RunCli("--folder " + Q(folder.Path()) + " --class 2");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string report = orvane::FromCp1250(folder.Read("zamkniecia.osn"));
  // The first loop listed holds the blundered section P22 - P23 and closes with about 5 mm.
  const auto loops = report.find("PĘTLE");
  ASSERT_NE(loops, std::string::npos) << report;
  std::istringstream in(report.substr(loops));
  std::string heading, header, figures, points;
  std::getline(in, heading), std::getline(in, header), std::getline(in, figures), std::getline(in, points);
  std::istringstream numbers(figures);
  int lp = 0;
  double f = 0;
  numbers >> lp >> f;
  EXPECT_EQ(lp, 1);
  EXPECT_NEAR(std::fabs(f), 5.0, 0.05) << report;
  EXPECT_TRUE(points.find("P22 - P23") != std::string::npos || points.find("P23 - P22") != std::string::npos) << points;
  EXPECT_NE(figures.find("PRZEKR."), std::string::npos) << figures;
}

}  // namespace
}  // namespace kvel::field
