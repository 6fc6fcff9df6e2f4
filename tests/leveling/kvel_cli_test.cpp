// The terminal program: its exit status, the presence checks before a run, and usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <string>

#include "run_support.h"
#include "support/program_run.h"

namespace kvel::testing {
namespace {

using orvane::testing::CliResult;

CliResult RunCli(const std::string& args) { return orvane::testing::RunProgram("kvel-cli", args); }

class KvelCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(std::string(ORVANE_BIN_DIR) + "/kvel-cli").good()) GTEST_SKIP() << "kvel-cli not built";
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
  for (const std::string option : {"--alpha 1.5", "--alpha0 0", "--power 0.2", "--snooping maybe", "--alpha=nan"}) {
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

// A large generated network goes through every phase, and its noise is what the end record says:
// the empirical unit mean error comes out near 1.
TEST_F(KvelCli, GeneratedNetworkIsAdjustedWithMoNearOne) {
  const std::string generator = std::string(ORVANE_BIN_DIR) + "/generate_network";
  if (!std::ifstream(generator).good()) GTEST_SKIP() << "generate_network not built";
  ScratchFolder first;
  ScratchFolder second;
  const std::string args = " --points 3000 --observations 6500 --benchmarks 40 --seed 11 > /dev/null";
  ASSERT_EQ(std::system((generator + " --folder '" + first.Path() + "'" + args).c_str()), 0);
  ASSERT_EQ(std::system((generator + " --folder '" + second.Path() + "'" + args).c_str()), 0);
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

}  // namespace
}  // namespace kvel::testing
