// The computation run: model loading, the choice of tasks, the order of files, highlights and
// message boxes, and how the run ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calculator_test_support.h"
#include "common/replacement_file.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/model_grid.h"

namespace {

using namespace calculator_test;
using orvane::RunOutcome;

// One model file of the linear grid for the whole test program, made when first needed.
std::string modelPath;  // removed by ModelCleanup

const std::string& ModelPath() {
  if (modelPath.empty()) {
    const fs::path p = fs::temp_directory_path() / ("orvane_calc_model_" + std::to_string(::getpid()) + ".bin");
    WriteLinearGridFile(p.string());
    modelPath = p.string();
  }
  return modelPath;
}

struct ModelCleanup : ::testing::Environment {
  void TearDown() override {
    std::error_code ignored;
    if (!modelPath.empty()) fs::remove(modelPath, ignored);
  }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ModelCleanup);

RunOutcome RunIn(const ScratchFolder& folder, RecordingHost& host, solvanta::ReferenceFrame frame = solvanta::ReferenceFrame::Etrf2000,
                 const std::string& model = ModelPath()) {
  return solvanta::RunCalculation(host, folder.Str(), frame, model);
}

std::string ListMessage(const ScratchFolder& folder, const std::string& input, const std::string& result) {
  return "message " + folder.File(input) + "->" + folder.File(result);
}

const std::string kEnd = "message  koniec obliczeń ";

TEST(CalculatorRun, NoInputAtAllEndsTheRunAfterLoadingTheModel) {
  ScratchFolder folder;
  WriteBytes(folder.File("DELTAH.gps"), "A B 1 1\r\n");  // without BLH.grs it is no input
  WriteBytes(folder.File("BLN"), "old\r\n");
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Stopped);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"close progress", "information *** Brak zbioru danych "}));
  EXPECT_EQ(host.gauge, solvanta::kLoadGaugeMaximum);  // the model was read
  EXPECT_EQ(ReadBytes(folder.File("BLN")), "old\r\n");
}

TEST(CalculatorRun, InputWithItsSwitchOffConvertsNothingAndFinishes) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  RecordingHost host;
  host.switches[1] = false;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Finished);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"close progress", kEnd}));
  EXPECT_FALSE(fs::exists(folder.Root() / "bln"));
}

TEST(CalculatorRun, AllResultsExistBeforeTheFirstListAndTheListsRunInOrder) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL", "BLH_e", "BLH_n"});
  folder.CopyFixture("satellite", {"DELTAH.gps", "BLH.grs"});
  RecordingHost host;
  // The results are written beside the files they replace and take their place when the run ends.
  const auto started = [&](const std::string& name) {
    for (const auto& entry : fs::directory_iterator(folder.Path()))
      if (entry.path().filename().string().rfind(std::string(orvane::kTemporaryPrefix) + name + ".", 0) == 0) return true;
    return false;
  };
  bool allCreatedAtFirstMessage = false;
  host.onMessage = [&](const std::string&) {
    if (host.calls.size() == 5)
      allCreatedAtFirstMessage = started("bln") && started("blh_n.1") && started("blh_e.1") && !started("deltah1");
  };
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Finished);
  EXPECT_EQ(host.calls, (std::vector<std::string>{
                            "close progress", "highlight Panel4", "highlight Panel5", "highlight Panel6",
                            ListMessage(folder, "BL", "bln"), ListMessage(folder, "BLH_e", "blh_n.1"),
                            ListMessage(folder, "BLH_n", "blh_e.1"), "highlight Panel9", kEnd}));
  EXPECT_TRUE(allCreatedAtFirstMessage);
  // The four results, byte for byte.
  EXPECT_EQ(ReadBytes(folder.Root() / "bln"), ReadBytes(FixturePath("lists/expected_bln")));
  EXPECT_EQ(ReadBytes(folder.Root() / "blh_n.1"), ReadBytes(FixturePath("lists/expected_blh_n.1")));
  EXPECT_EQ(ReadBytes(folder.Root() / "blh_e.1"), ReadBytes(FixturePath("lists/expected_blh_e.1")));
  EXPECT_EQ(ReadBytes(folder.Root() / "deltah1"), ReadBytes(FixturePath("satellite/expected_deltah1")));
}

TEST(CalculatorRun, StandardNamesAreMatchedWithoutRegardToCaseAndResultsReplaced) {
  ScratchFolder folder;
  fs::copy_file(FixturePath("lists/BL"), folder.Root() / "bl");
  fs::copy_file(FixturePath("satellite/BLH.grs"), folder.Root() / "blh.GRS");
  fs::copy_file(FixturePath("satellite/DELTAH.gps"), folder.Root() / "Deltah.Gps");
  WriteBytes(folder.File("BLN"), std::string(100000, 'x'));
  WriteBytes(folder.File("DeltaH1"), std::string(100000, 'x'));
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Finished);
  EXPECT_EQ(ReadBytes(folder.Root() / "BLN"), ReadBytes(FixturePath("lists/expected_bln")));
  EXPECT_EQ(ReadBytes(folder.Root() / "DeltaH1"), ReadBytes(FixturePath("satellite/expected_deltah1")));
  EXPECT_EQ(host.calls[2], ListMessage(folder, "bl", "BLN"));
}

TEST(CalculatorRun, SwitchTurnedOffAfterTheFilesWereMadeSkipsThatList) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL", "BLH_n"});
  RecordingHost host;
  // BL's switch is set when the run decides, and off when its turn comes.
  host.onSwitchQuestion = [](int n, int asked) { return !(n == 1 && asked > 1); };
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Finished);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"close progress", "highlight Panel4", "highlight Panel6",
                                                  ListMessage(folder, "BLH_n", "blh_e.1"), kEnd}));
  EXPECT_EQ(ReadBytes(folder.Root() / "bln"), "");
  EXPECT_EQ(ReadBytes(folder.Root() / "blh_e.1"), ReadBytes(FixturePath("lists/expected_blh_e.1")));
}

TEST(CalculatorRun, MissingModelEndsTheProgramBeforeAnyFileIsTouched) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host, solvanta::ReferenceFrame::Etrf2000, folder.File("solvanta_2008QG.bin")), RunOutcome::EndProgram);
  EXPECT_EQ(host.calls, std::vector<std::string>{"information *** Brak pliku: solvanta_2008QG.bin"});
  EXPECT_FALSE(fs::exists(folder.Root() / "bln"));
}

TEST(CalculatorRun, ShortModelFileEndsTheProgramWithAMessage) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  WriteLinearGridFile(folder.File("short.bin"), 1000);
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host, solvanta::ReferenceFrame::Etrf2000, folder.File("short.bin")), RunOutcome::EndProgram);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].rfind("information ***", 0), 0u) << host.calls[0];
  EXPECT_FALSE(fs::exists(folder.Root() / "bln"));
}

TEST(CalculatorRun, ResultThatCannotBeCreatedIsToldAndNothingIsConverted) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL", "BLH_e"});
  fs::create_directory(folder.Root() / "blh_n.1");
  WriteBytes(folder.File("bln"), "earlier BLN\r\n");
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Stopped);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"close progress", "highlight Panel4",
                                                  "message *** Nie można utworzyć pliku: " + folder.File("blh_n.1") +
                                                      " (to jest folder)"}));
  // A result that cannot be created no longer empties the others first.
  EXPECT_EQ(ReadBytes(folder.Root() / "bln"), "earlier BLN\r\n");
}

TEST(CalculatorRun, ResultThatCannotBeWrittenIsToldNeverASilentSuccess) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  fs::create_symlink("/dev/full", folder.Root() / "bln");
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::Stopped);
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls.back(), "message *** Błąd zapisu pliku: " + folder.File("bln") + " (brak miejsca na dysku)");
  for (const auto& call : host.calls) EXPECT_NE(call, kEnd);
}

TEST(CalculatorRun, BadBlhGrsRecordEndsTheProgramAfterTheListsWereWritten) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  WriteBytes(folder.File("BLH.grs"), Cp1250Lines({"P1 52 0 0 19 0 0", "P2 52 0 1.5x 19 0 0"}));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"P1 P1 1 1"}));
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host), RunOutcome::EndProgram);
  EXPECT_EQ(host.calls.back(), "message *** BLH.grs - błędny rekord: P2 52 0 1.5x 19 0 0 (plik BLH.grs, wiersz 2)");
  EXPECT_EQ(ReadBytes(folder.Root() / "bln"), ReadBytes(FixturePath("lists/expected_bln")));
  EXPECT_EQ(ReadBytes(folder.Root() / "deltah1"), Cp1250Lines({" *** nie obliczono z powodu błędu w pliku BLH.grs"}));
}

TEST(CalculatorRun, FrameMustBeChosen) {
  ScratchFolder folder;
  folder.CopyFixture("lists", {"BL"});
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host, solvanta::ReferenceFrame::None), RunOutcome::Stopped);
  EXPECT_FALSE(fs::exists(folder.Root() / "bln"));
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[1].rfind("message *** Nie wybrano", 0), 0u);
}

TEST(CalculatorRun, Etrf89LabelsEveryResult) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH_n"), "P 52 0 0 19 0 0 100\r\n");
  RecordingHost host;
  EXPECT_EQ(RunIn(folder, host, solvanta::ReferenceFrame::Etrf89), RunOutcome::Finished);
  const std::string out = ReadBytes(folder.Root() / "blh_e.1");
  EXPECT_EQ(out.substr(out.size() - 13), "  PL-ETRF89\r\n");
}

}  // namespace
