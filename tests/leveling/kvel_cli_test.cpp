// The terminal program: its exit status, the presence checks before a run, and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run_support.h"
#include "support/program_run.h"

namespace kvel::testing {
namespace {

struct CliResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

CliResult RunCli(const std::string& args) {
  const orvane::testing::ProgramResult run =
      orvane::testing::RunProgram(orvane::testing::ProgramPath("kvel-cli"), args, /*mergeStreams=*/true);
  return CliResult{run.status, run.out};
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

}  // namespace
}  // namespace kvel::testing
