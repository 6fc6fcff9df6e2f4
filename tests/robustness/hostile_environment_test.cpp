// Both programs in hostile surroundings, on real processes: killed in the middle of a run, a full
// disk (a file-size limit), out of memory (an address-space limit), a second run in the same
// folder, standard descriptors closed by the caller, a message pipe closed by its reader. The
// earlier results must stay byte for byte, or the new ones be whole; nothing may claim success
// over a partial result.
//
// Every case needs POSIX machinery (signals, resource limits, fork and pipes): on Windows the
// file stands for one skipped test that says so.
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/replacement_file.h"
#include "leveling/adjustment_run.h"
#include "quasigeoid/calculator_run.h"
#include "robustness/process_fixture.h"

namespace {

namespace fs = std::filesystem;
using orvane::RunOutcome;
using namespace orvane::robustness;

class HostileEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kKvelCli) || !fs::exists(kSolvantaCli) || !fs::exists(kShippedModel))
      GTEST_SKIP() << "the terminal programs or the model are not built";
  }
};

// ---- Killed in the middle of a run ---------------------------------------------------------------

// A host that kills its own process at its `killAt`-th call (1-based): the run is cut wherever
// that call falls, with its result files started and partly written.
class KillingHost : public kvel::AdjustmentHost, public solvanta::CalculatorHost {
 public:
  explicit KillingHost(int killAt) : killAt_(killAt) {}
  int calls = 0;

  void SetMonitorLine(int, const std::string&) override { Call(); }
  void ShowMessage(const std::string&) override { Call(); }
  void ShowInformation(const std::string&) override { Call(); }
  void ShowEditHint() override { Call(); }
  bool IsTaskSwitchSet(solvanta::TaskSwitch) override {
    Call();
    return true;
  }
  void HighlightPanel(solvanta::ResultPanel) override { Call(); }
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override { Call(); }

 private:
  void Call() {
    if (++calls == killAt_) ::raise(SIGKILL);
  }
  int killAt_;
};

RunOutcome RunInProcess(const std::string& program, const Folder& folder, KillingHost& host) {
  if (program == "kvel") return kvel::RunAdjustment(folder.Str(), {}, host);
  return solvanta::RunCalculation(host, folder.Str(), solvanta::ReferenceFrame::Etrf2000, kShippedModel);
}

TEST_F(HostileEnvironment, AKilledRunLeavesTheEarlierResultsByteForByte) {
  for (const std::string program : {"kvel", "solvanta"}) {
    const std::vector<std::string>& results = program == "kvel" ? kKvelResults : kSolvantaResults;
    // How many host calls a whole run makes: the last one comes after the results are in place.
    int calls = 0;
    {
      Folder folder;
      folder.CopyExample(program);
      KillingHost counter(0);
      ASSERT_EQ(RunInProcess(program, folder, counter), RunOutcome::Finished) << program;
      calls = counter.calls;
    }
    ASSERT_GT(calls, 3) << program;
    for (int killAt = 1; killAt < calls; ++killAt) {
      SCOPED_TRACE(program + " killed at host call " + std::to_string(killAt) + " of " + std::to_string(calls));
      Folder folder;
      folder.CopyExample(program);
      LayEarlierResults(folder, results);
      const auto before = folder.Files();
      const pid_t pid = ::fork();
      if (pid == 0) {
        KillingHost host(killAt);
        RunInProcess(program, folder, host);
        ::_exit(0);
      }
      EXPECT_EQ(Wait(pid).signal, SIGKILL);
      // Only the earlier files, byte for byte, and maybe the temporaries of the killed run.
      auto after = folder.Files();
      std::erase_if(after, [](const auto& file) { return file.first.rfind(std::string(orvane::kTemporaryPrefix), 0) == 0; });
      EXPECT_EQ(after, before);
      // The next run is not tripped by what the killed one left, and leaves nothing behind.
      KillingHost next(0);
      EXPECT_EQ(RunInProcess(program, folder, next), RunOutcome::Finished);
      EXPECT_FALSE(folder.HasTemporaries());
      for (const auto& name : results) EXPECT_NE(ReadBytes(folder.Path() / name), before.at(name)) << name;
    }
  }
}

// The terminal program killed from outside while it writes a long list.
TEST_F(HostileEnvironment, ATerminalProgramKilledWhileWritingLeavesTheEarlierList) {
  Folder folder;
  LayEarlierResults(folder, {"bln"});
  {
    std::ofstream list(folder.Path() / "BL", std::ios::binary);
    for (int k = 0; k < 400000; ++k) list << "P" << k << " 52 " << k % 60 << " 1" << k % 60 << ".5 19 " << k % 7 << " 3.25\r\n";
  }
  const auto before = folder.Files();
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  const pid_t pid = Spawn(SolvantaArgs(folder), &quiet);
  ::posix_spawn_file_actions_destroy(&quiet);
  ASSERT_GT(pid, 0);
  // Killed as soon as its temporary BLN is there: the run is then in the middle of the list.
  bool started = false;
  for (int k = 0; k < 20000 && !started; ++k) {
    started = folder.HasTemporaries();
    if (!started) std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  ::kill(pid, SIGKILL);
  const Exit exit = Wait(pid);
  ASSERT_TRUE(started);
  if (exit.signal != SIGKILL) GTEST_SKIP() << "the run ended before it could be killed";
  auto after = folder.Files();
  std::erase_if(after, [](const auto& file) { return file.first.rfind(std::string(orvane::kTemporaryPrefix), 0) == 0; });
  EXPECT_EQ(after, before);
}

// ---- A full disk and no memory -----------------------------------------------------------------

TEST_F(HostileEnvironment, AFullDiskLeavesTheEarlierResultsAndSaysSo) {
  for (const std::string program : {"kvel", "solvanta"}) {
    SCOPED_TRACE(program);
    Folder folder;
    folder.CopyExample(program);
    LayEarlierResults(folder, program == "kvel" ? kKvelResults : kSolvantaResults);
    const auto before = folder.Files();
    // Room for a few hundred bytes per file: the inputs are read, the results do not fit.
    const Exit exit = RunLimited(program == "kvel" ? KvelArgs(folder) : SolvantaArgs(folder), RLIMIT_FSIZE, 400);
    EXPECT_EQ(exit.code, 1) << exit.err;
    EXPECT_NE(exit.err.find(program == "kvel" ? "BŁĄD ZAPISU PLIKU WYNIKOWEGO" : "Błąd zapisu pliku"), std::string::npos)
        << exit.err;
    EXPECT_EQ(folder.Files(), before);
    EXPECT_FALSE(folder.HasTemporaries());
  }
}

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(HostileEnvironment, OutOfMemoryIsToldWithExitOneAndTheEarlierResultsStay) {
#ifdef ORVANE_ADDRESS_SANITIZER
  GTEST_SKIP() << "an address-space limit cannot hold the sanitizer's shadow memory";
#endif
  Folder folder;
  LayEarlierResults(folder, {"bln"});
  // One record of 160 MB: reading it needs more memory than the limit leaves beyond what the
  // program's libraries (GDAL among them, for the import of models) take at start.
  {
    std::ofstream list(folder.Path() / "BL", std::ios::binary);
    list << "P1 52 0 0 19 0 0\r\nP2 52 0 0 19 0 0 ";
    const std::string block(1 << 20, 'x');
    for (int k = 0; k < 160; ++k) list << block;
    list << "\r\n";
  }
  const auto before = folder.Files();
  const Exit exit = RunLimited(SolvantaArgs(folder), RLIMIT_AS, rlim_t{320} << 20);
  EXPECT_EQ(exit.code, 1) << "signal " << exit.signal << ": " << exit.err;
  EXPECT_NE(exit.err.find("*** Nieoczekiwany błąd programu"), std::string::npos) << exit.err;
  EXPECT_EQ(folder.Files(), before);
  EXPECT_FALSE(folder.HasTemporaries());
}

// ---- Two runs in one folder --------------------------------------------------------------------

TEST_F(HostileEnvironment, ARunInABusyFolderWaitsThenStopsNamingTheFolder) {
  Folder folder;
  folder.CopyExample("solvanta");
  fs::copy_file(fs::path(ORVANE_EXAMPLES) / "kvel" / "deltah", folder.Path() / "deltah");
  LayEarlierResults(folder, {"bln", "wyh.osn", "h.osn"});
  const auto before = folder.Files();
  orvane::FolderLock other;  // another run holds the folder
  ASSERT_EQ(other.Acquire(folder.Str()), orvane::FolderLock::Result::Locked);
  // Both programs at once: each waits its while, then gives up.
  Exit exits[2];
  std::thread kvel([&] { exits[0] = RunLimited(KvelArgs(folder), RLIMIT_CORE, 0); });
  exits[1] = RunLimited(SolvantaArgs(folder), RLIMIT_CORE, 0);
  kvel.join();
  for (const Exit& exit : exits) {
    EXPECT_EQ(exit.code, 1);
    EXPECT_NE(exit.err.find("*** Folder roboczy " + folder.Str() + " jest zajęty przez inne obliczenie."),
              std::string::npos)
        << exit.err;
    EXPECT_EQ(folder.Files(), before);
  }
}

// A host that, at every box of a run, looks whether another run could take the folder then.
class LockProbingHost : public kvel::AdjustmentHost, public solvanta::CalculatorHost {
 public:
  explicit LockProbingHost(std::string folder) : folder_(std::move(folder)) {}
  std::vector<std::pair<std::string, bool>> boxes;  // the text, and whether the folder was free

  void SetMonitorLine(int, const std::string&) override {}
  void ShowMessage(const std::string& text) override { Probe(text); }
  void ShowInformation(const std::string& text) override { Probe(text); }
  void ShowEditHint() override {}
  bool IsTaskSwitchSet(solvanta::TaskSwitch) override { return true; }
  void HighlightPanel(solvanta::ResultPanel) override {}
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override {}

 private:
  void Probe(const std::string& text) {
    orvane::FolderLock probe;
    const bool free = probe.Acquire(folder_, std::chrono::milliseconds(0)) == orvane::FolderLock::Result::Locked;
    boxes.emplace_back(orvane::FromCp1250(text), free);
  }
  std::string folder_;
};

TEST_F(HostileEnvironment, TheLastBoxOfARunWaitsWithTheFolderFree) {
  for (const std::string program : {"kvel", "solvanta"}) {
    Folder folder;
    folder.CopyExample(program);
    LockProbingHost host(folder.Str());
    const RunOutcome outcome =
        program == "kvel"
            ? kvel::RunAdjustment(folder.Str(), {}, host)
            : solvanta::RunCalculation(host, folder.Str(), solvanta::ReferenceFrame::Etrf2000, kShippedModel);
    ASSERT_EQ(outcome, RunOutcome::Finished) << program;
    ASSERT_FALSE(host.boxes.empty()) << program;
    // The user may take a while over the last box; the other program is not kept out meanwhile.
    EXPECT_TRUE(host.boxes.back().second) << program << ": " << host.boxes.back().first;
    // The boxes of the run itself come while it holds the folder.
    for (std::size_t i = 0; i + 1 < host.boxes.size(); ++i) EXPECT_FALSE(host.boxes[i].second) << host.boxes[i].first;
  }
}

TEST_F(HostileEnvironment, TwoRunsStartedTogetherNeverSpliceTheirFiles) {
  const auto reference = ReferenceResults("solvanta");
  for (int round = 0; round < 3; ++round) {
    Folder folder;
    folder.CopyExample("solvanta");
    posix_spawn_file_actions_t quiet;
    ::posix_spawn_file_actions_init(&quiet);
    ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const pid_t first = Spawn(SolvantaArgs(folder), &quiet);
    const pid_t second = Spawn(SolvantaArgs(folder), &quiet);
    ::posix_spawn_file_actions_destroy(&quiet);
    const Exit a = Wait(first);
    const Exit b = Wait(second);
    // Each either ran whole or stopped on the busy folder; at least one ran.
    EXPECT_TRUE(a.code == 0 || a.code == 1);
    EXPECT_TRUE(b.code == 0 || b.code == 1);
    EXPECT_TRUE(a.code == 0 || b.code == 0);
    EXPECT_EQ(folder.Files(), reference);
  }
}

// ---- Standard descriptors and pipes ------------------------------------------------------------

// Runs each terminal program on a copy of its example folder with `arrange` applied to its
// descriptors: it must end by itself with status 0 and leave the results of a plain run.
void ExpectPlainResults(const std::function<void(posix_spawn_file_actions_t&)>& arrange) {
  for (const std::string program : {"kvel", "solvanta"}) {
    SCOPED_TRACE(program);
    const auto reference = ReferenceResults(program);
    Folder folder;
    folder.CopyExample(program);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    arrange(actions);
    const Exit exit = Wait(Spawn(program == "kvel" ? KvelArgs(folder) : SolvantaArgs(folder), &actions));
    ::posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(exit.signal, 0);
    EXPECT_EQ(exit.code, 0);
    EXPECT_EQ(folder.Files(), reference);
  }
}

// Standard input, output and error closed: no message may land in a result file.
TEST_F(HostileEnvironment, ClosedStandardDescriptorsPutNothingIntoTheResults) {
  ExpectPlainResults([](posix_spawn_file_actions_t& actions) {
    for (int fd = 0; fd <= 2; ++fd) ::posix_spawn_file_actions_addclose(&actions, fd);
  });
}

// The reader of the messages goes away at once (as `kvel-cli 2>&1 | head -1` does): the run goes
// on to its end and its results are whole.
TEST_F(HostileEnvironment, AClosedMessagePipeNeitherEndsTheRunNorCutsItsResults) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::close(pipeFds[0]);  // nobody reads
  ExpectPlainResults([&](posix_spawn_file_actions_t& actions) {
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  });
  ::close(pipeFds[1]);
}

}  // namespace

#else
#include <gtest/gtest.h>

TEST(HostileEnvironment, NeedsPosixProcesses) {
  GTEST_SKIP() << "killed runs, file-size and memory limits, closed descriptors and broken pipes are "
                  "tested on Linux (signals, setrlimit, fork)";
}
#endif
