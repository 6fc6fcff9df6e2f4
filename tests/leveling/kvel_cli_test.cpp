// The terminal program: its exit status, the presence checks before a run, and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/cp1250.h"

#include "run_support.h"
#include "support/program_run.h"

namespace kvel::testing {
namespace {

using orvane::testing::CliResult;

// Standard output and standard error apart.
struct SplitResult {
  int status = -1;
  std::string out;
  std::string err;
};

SplitResult RunCliSplit(const std::string& args) {
  const orvane::testing::ProgramResult run =
      orvane::testing::RunProgram(orvane::testing::ProgramPath("kvel-cli"), args);
  return SplitResult{run.status, run.out, run.err};
}

// Both streams in one text (standard output first), for the tests that look for a message.
CliResult RunCli(const std::string& args) {
  const SplitResult split = RunCliSplit(args);
  return {split.status, split.out + split.err};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// A loop network with redundancy (heights R1 100, A 101, B 102.5, C 101.7, D 100.9; Mo 1 mm per
// km, 1 km lines), its differences off by about 1 mm ([pvv] 4.78 with 4 degrees of freedom);
// `blunder` is added to A -> B.
void WriteLoopNetwork(ScratchFolder& folder, double blunder) {
  char ab[64];
  std::snprintf(ab, sizeof ab, "A B %.4f 1\n", 1.499 + blunder);
  folder.Write("deltah", std::string("R1 A 1.0012 1\n") + ab +
                             "B C -0.7988 1\nC D -0.8013 1\nD R1 -0.8991 1\nA C 0.7011 1\nB D -1.6014 1\n"
                             "R1 C 1.6989 1\n0 0 0.001 0\n");
  folder.Write("h.sta", "R1 100.0\n");
}

class KvelCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(orvane::testing::ProgramPath("kvel-cli"))) GTEST_SKIP() << "kvel-cli not built";
  }
};

TEST_F(KvelCli, FinishedRunExitsZeroAndPrintsTheMonitor) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const CliResult r = RunCli("--folder '" + folder.Path() + "' --decimals 3");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(" Liczba wszystkich punktów sieci = 5"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(" KONIEC WYRÓWNANIA "), std::string::npos);
  const auto lines = SplitReportLines(folder.Read("wyh.osn"));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "              R1                A        1.234     0.001       1.50      1"),
            lines.end());
}

TEST_F(KvelCli, BadStatisticsOptionIsAUsageErrorNamingIt) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  for (const std::string option :
       {"--alpha 1.5", "--alpha0 0", "--power 0.2", "--snooping maybe", "--alpha=nan", "--alpha 1e-20", "--alpha0 1e-16"}) {
    const CliResult r = RunCli("--folder '" + folder.Path() + "' " + option);
    EXPECT_EQ(r.status, 2) << option;
    const std::string name = option.substr(0, option.find_first_of(" ="));
    EXPECT_NE(r.output.find("kvel-cli: " + name + " "), std::string::npos) << r.output;
    EXPECT_FALSE(folder.Exists("testy.osn")) << option;
  }
}

TEST_F(KvelCli, StatisticsOptionsReachTheTests) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const CliResult r = RunCli("--folder '" + folder.Path() + "' --alpha 0.10 --alpha0=0.05 --power 0.90 --snooping off");
  ASSERT_EQ(r.status, 0) << r.output;
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  EXPECT_NE(std::find(lines.begin(), lines.end(), " Poziom istotności (dwustronny)       alfa = 0.10000"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), " Poziom istotności (dwustronny)      alfa0 = 0.05000"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), " Moc testu                            beta0 = 0.90000"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), " wyłączone w opcjach obliczeń"), lines.end());
}

TEST_F(KvelCli, APartWithoutBenchmarkIsToldAndExitsOne) {
  ScratchFolder folder;
  folder.Write("deltah", "A B 1.000 1e-6\nB A -1.001 1e-6\nC D 2.000 1e-6\n0 0 0 0\n");
  folder.Write("h.sta", "A 100.0\n0 0\n");
  const CliResult r = RunCli("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("część sieci bez nawiązania do reperu - wysokości jej punktów są umowne: C, D"),
            std::string::npos)
      << r.output;
  EXPECT_FALSE(folder.Read("testy.osn").empty());
}

TEST_F(KvelCli, StoppedRunExitsOne) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.Write("deltah", "R1 A 1.0 0\n");
  const CliResult r = RunCli("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find(" *** NIEDOPUSZCZALNE ZERO NA OSTATNIEJ POZYCJI W REKORDZIE: R1 A 1.0 0"), std::string::npos)
      << r.output;
}

TEST_F(KvelCli, NoBenchmarkFileStartsNothing) {
  ScratchFolder folder;
  folder.Write("deltah", "A B 1 1\n");
  const CliResult r = RunCli("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("*** Brak nawiązania sieci"), std::string::npos) << r.output;
  EXPECT_FALSE(folder.Exists("wyh.osn"));
}

TEST_F(KvelCli, NoObservationFileStartsNothing) {
  ScratchFolder folder;
  folder.Write("XYH.STA", "A 1 2 3\n");  // found without regard to letter case
  const CliResult r = RunCli("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("*** Brak zbioru obserwacyjnego"), std::string::npos) << r.output;
  EXPECT_FALSE(folder.Exists("wyh.osn"));
}

// The benchmark file is asked for first: an empty folder gets only that message.
TEST_F(KvelCli, EmptyFolderIsRefusedForItsMissingBenchmarkFile) {
  ScratchFolder folder;
  const CliResult r = RunCli("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("*** Brak nawiązania sieci"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("*** Brak zbioru obserwacyjnego"), std::string::npos) << r.output;
  EXPECT_FALSE(folder.Exists("wyh.osn"));
}

TEST_F(KvelCli, UsageErrorsExitTwo) {
  for (const char* args : {"--decimals 6", "--method fast", "--bogus", "--folder", "--mo=sometimes", "--folder=", "extra"}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args << ": " << r.output;
  }
}

// --epochs: 0 when the analysis finished (both files written), 1 on an epoch's data error with
// the epoch named, 2 on usage errors (fewer than two folders, an option of the adjustment).
TEST_F(KvelCli, EpochsExitStatuses) {
  ScratchFolder e1, e2, out;
  e1.CopyFixture("small_network");
  e2.Write("deltah", "R1 A 1.2345 1.5\nA B -0.4800 2\nB R1 -0.7540 1.0\nB C 0.1000 0.5\n0 0 0.0010 0\n");
  const std::string epochs = "--epochs '" + e1.Path() + "' '" + e2.Path() + "' --folder '" + out.Path() + "'";
  CliResult r = RunCli(epochs + " --alpha 0.01 --mo one");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(" KONIEC ANALIZY PRZEMIESZCZEŃ "), std::string::npos) << r.output;
  EXPECT_NE(out.Read("przemieszczenia.csv").find("1,2,R1,reference,"), std::string::npos);
  EXPECT_NE(out.Read("przemieszczenia.osn").find(orvane::ToCp1250("ANALIZA PRZEMIESZCZEŃ PIONOWYCH")), std::string::npos);

  e2.Write("deltah", "R1 A 1.2345 0\n0 0 0.0010 0\n");
  r = RunCli(epochs);
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("EPOKA 2 (" + e2.Path() + "):  *** NIEDOPUSZCZALNE ZERO"), std::string::npos) << r.output;

  for (const std::string& args : {"--epochs '" + e1.Path() + "'", epochs + " --method robust", epochs + " --mo two",
                                 epochs + " --alpha 2", std::string("'" + e1.Path() + "' '" + e2.Path() + "'")}) {
    r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args << ": " << r.output;
  }
}

// A large generated network goes through every phase, and its noise is what the end record says:
// the empirical unit mean error comes out near 1.
TEST_F(KvelCli, GeneratedNetworkIsAdjustedWithMoNearOne) {
  const std::string generator = orvane::testing::ProgramPath("generate_network");
  if (!std::filesystem::exists(generator)) GTEST_SKIP() << "generate_network not built";
  ScratchFolder first;
  ScratchFolder second;
  const std::string args = " --points 3000 --observations 6500 --benchmarks 40 --seed 11";
  ASSERT_EQ(orvane::testing::RunProgram(generator, "--folder '" + first.Path() + "'" + args).status, 0);
  ASSERT_EQ(orvane::testing::RunProgram(generator, "--folder '" + second.Path() + "'" + args).status, 0);
  EXPECT_EQ(first.Read("deltah"), second.Read("deltah"));  // the same seed, the same files
  EXPECT_EQ(first.Read("h.sta"), second.Read("h.sta"));

  const CliResult r = RunCli("--folder '" + first.Path() + "' --mo empirical");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(" Liczba wszystkich punktów sieci = 3000"), std::string::npos);
  EXPECT_NE(r.output.find(" Zidentyfikowana liczba różnic wysokości = 6500"), std::string::npos);
  const auto at = r.output.rfind(" Iter = 2 Mo = ");
  ASSERT_NE(at, std::string::npos) << r.output;
  const double mo = std::atof(r.output.c_str() + at + std::string(" Iter = 2 Mo = ").size());
  EXPECT_GT(mo, 0.9);
  EXPECT_LT(mo, 1.1);
}

TEST_F(KvelCli, HelpExitsZero) {
  const CliResult r = RunCli("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("--method"), std::string::npos);
}


// Each MONITOR line reaches the terminal once, on standard error as it happens; standard output
// holds the one verdict line of the tests.
TEST_F(KvelCli, EachMonitorLineOnceAndOneVerdictLine) {
  ScratchFolder folder;
  WriteLoopNetwork(folder, 0);
  const SplitResult r = RunCliSplit("--folder '" + folder.Path() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto err = Lines(r.err);
  std::set<std::string> seen;
  for (const auto& line : err)
    if (line.starts_with("MONITOR")) {
      EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
    }
  EXPECT_NE(std::find(err.begin(), err.end(), "MONITOR 3:  Liczba wszystkich punktów sieci = 5"), err.end()) << r.err;
  for (const auto& line : Lines(r.out + r.err)) {
    EXPECT_NE(line, "MONITOR:") << "the old block at the end";
  }
  EXPECT_EQ(r.out.find("MONITOR"), std::string::npos) << r.out;
  const auto out = Lines(r.out);
  ASSERT_EQ(out.size(), 1u) << r.out;
  EXPECT_TRUE(out[0].starts_with(" TEST GLOBALNY: hipoteza PRZYJĘTA ([pvv] = ")) << out[0];
  EXPECT_TRUE(out[0].ends_with(", LU = 4); TEST w: odrzucono 0, usunięto 0")) << out[0];
}

// A 4 cm blunder: the terminal tells what testy.osn tells (the global test rejected, the
// observations rejected and the one removed) and still exits 0, as the adjustment finished.
TEST_F(KvelCli, TheVerdictOfABlunderIsToldAndTheExitStatusStaysZero) {
  ScratchFolder folder;
  WriteLoopNetwork(folder, 0.04);
  const SplitResult r = RunCliSplit("--folder '" + folder.Path() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string testy = orvane::FromCp1250(folder.Read("testy.osn"));
  ASSERT_NE(testy.find("hipoteza ODRZUCONA"), std::string::npos) << testy;
  const auto removed = testy.find(" usunięto obserwacji: ");
  ASSERT_NE(removed, std::string::npos) << testy;
  const int removedCount = std::atoi(testy.c_str() + removed + std::string(" usunięto obserwacji: ").size());
  EXPECT_GE(removedCount, 1);
  const auto rejected = testy.find("Obserwacje odrzucone testem w (|w| > k), symbol *: ");
  ASSERT_NE(rejected, std::string::npos) << testy;
  const int rejectedCount = std::atoi(testy.c_str() + rejected + std::string("Obserwacje odrzucone testem w (|w| > k), symbol *: ").size());
  EXPECT_GE(rejectedCount, 1);
  EXPECT_NE(r.out.find(" TEST GLOBALNY: hipoteza ODRZUCONA ([pvv] = "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("; TEST w: odrzucono " + std::to_string(rejectedCount) + ", usunięto " +
                       std::to_string(removedCount) + "\n"),
            std::string::npos)
      << r.out << testy;
}

// Robust estimation computes no heights: the verdict says so instead of counting w-tests.
TEST_F(KvelCli, ARobustRunSaysNoHeightsWereComputed) {
  ScratchFolder folder;
  WriteLoopNetwork(folder, 0.04);
  const SplitResult r = RunCliSplit("--folder '" + folder.Path() + "' --method robust");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("ESTYMACJA MOCNA: wysokości nie obliczono"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("TEST w"), std::string::npos) << r.out;
}

// A network with a part tied to no benchmark is defective: no w-test is made, and the verdict
// says so as testy.osn does, instead of counting none rejected.
TEST_F(KvelCli, ADefectiveNetworkIsToldWithoutCountsOfTheWTest) {
  ScratchFolder folder;
  folder.Write("deltah", "R1 A 1.0 1\nA B 1.0 1\nB R1 -2.0 1\nC D 1.0 1\nD E 1.0 1\nE C -2.001 1\n0 0 0.001 0\n");
  folder.Write("h.sta", "R1 100.0\n");
  const SplitResult r = RunCliSplit("--folder '" + folder.Path() + "'");
  EXPECT_NE(orvane::FromCp1250(folder.Read("testy.osn")).find(" *** DEFEKT SIECI"), std::string::npos);
  EXPECT_NE(r.out.find("; DEFEKT SIECI - test w i wykrywanie błędów grubych nie są wykonywane\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("TEST w"), std::string::npos) << r.out;
}

// A stopped run has no verdict to tell.
TEST_F(KvelCli, AStoppedRunPrintsNoVerdict) {
  ScratchFolder folder;
  WriteLoopNetwork(folder, 0);
  folder.Write("h.sta", "R1 1OO.0\n");
  const SplitResult r = RunCliSplit("--folder '" + folder.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("*** Błąd w rekordzie: R1 1OO.0 (plik h.sta, wiersz 1)"), std::string::npos) << r.err;
}

TEST_F(KvelCli, VersionNamesTheProgramAndTheSuite) {
  const CliResult r = RunCli("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "kvel-cli (ORVANE) " + std::string(orvane::Version()) + "\n");
#ifndef _WIN32  // the windows are built for Linux only
  // The window program answers without a display.
  const std::string window = std::string(ORVANE_BIN_DIR) + "/kvel";
  if (std::ifstream(window).good()) {
    FILE* pipe = ::popen(("env -u DISPLAY -u WAYLAND_DISPLAY '" + window + "' --version 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(std::string(buffer, n), "kvel (ORVANE) " + std::string(orvane::Version()) + "\n");
  }
#endif
}

}  // namespace
}  // namespace kvel::testing
