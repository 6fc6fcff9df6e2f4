// The results of a run as one group, on real processes: a result name that is a folder, a full
// disk, a kill at each rename of the commit, another user's link in a shared folder and a folder
// that takes no new files, for each file of each program's group. After every fault the group is
// all old or all new, a failure names the file and its reason, and no file outside the working
// folder changes.
//
// Full disks (a small tmpfs), kills at each rename (strace) and other users' links are Linux
// machinery: on Windows the file stands for one skipped test that says so.
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "common/folder_lock.h"
#include "common/replacement_file.h"
#include "robustness/process_fixture.h"

namespace {

using namespace orvane::robustness;

// One program: its example folder and its whole group of results.
struct Program {
  std::string name;
  std::vector<std::string> group;
};

const Program kPrograms[] = {
    {"kvel", {"wyh.osn", "h.osn", "testy.osn", "wyh.csv", "h.csv", "zamkniecia.osn"}},
    {"solvanta", {"bln", "blh_n.1", "blh_e.1", "deltah1"}},
};

// The plain command line of `program` on `folder`.
std::vector<std::string> ArgsIn(const Program& program, const fs::path& folder) {
  if (program.name == "kvel") return {kKvelCli, "--folder", folder.string()};
  return {kSolvantaCli, "--frame", "etrf2000", "--folder", folder.string(), "--model", kShippedModel};
}

// The example folder of `program` copied into `folder`, with earlier results for its whole group.
void LayExample(const Program& program, const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_EXAMPLES) / program.name))
    if (entry.path().filename() != ".gitignore") fs::copy_file(entry.path(), folder / entry.path().filename());
  for (const auto& name : program.group) WriteBytes(folder / name, "earlier " + name + "\r\n");
}

// A run with its standard error captured (the programs write UTF-8 to the terminal).
Exit RunProgram(std::vector<std::string> args) { return RunLimited(std::move(args), RLIMIT_CORE, 0); }

// The group's files as they are now (a missing one reads empty).
std::map<std::string, std::string> GroupOf(const fs::path& folder, const std::vector<std::string>& group) {
  std::map<std::string, std::string> files;
  for (const auto& name : group) files[name] = WithoutRunTime(ReadBytes(folder / name));
  return files;
}

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

// `args` run under strace with the fault `inject` (e.g. "rename:signal=KILL:when=2"), limited to the
// file `path` when one is given. LeakSanitizer cannot work under a tracer, so it is turned off there.
std::vector<std::string> Traced(const std::vector<std::string>& args, const std::string& inject,
                                const std::string& path = {}) {
  std::vector<std::string> traced = {"/usr/bin/strace", "-f", "-o", "/dev/null", "-E", "ASAN_OPTIONS=detect_leaks=0"};
  if (!path.empty()) traced.insert(traced.end(), {"-P", path});
  traced.insert(traced.end(), {"-e", "inject=" + inject});
  traced.insert(traced.end(), args.begin(), args.end());
  return traced;
}

bool ToolPresent(const std::string& tool) {
  for (const char* dir : {"/usr/bin/", "/bin/", "/usr/sbin/"})
    if (::access((std::string(dir) + tool).c_str(), X_OK) == 0) return true;
  return false;
}

class ResultGroup : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kKvelCli) || !fs::exists(kSolvantaCli) || !fs::exists(kShippedModel))
      GTEST_SKIP() << "the terminal programs or the model are not built";
  }
};

// ---- A result name that is a folder --------------------------------------------------------------

TEST_F(ResultGroup, AFolderInPlaceOfAnyResultLeavesEveryEarlierResultAndIsNamed) {
  for (const Program& program : kPrograms) {
    for (const std::string& blocked : program.group) {
      SCOPED_TRACE(program.name + ": " + blocked + " is a folder");
      Folder folder;
      folder.CopyExample(program.name);
      LayEarlierResults(folder, program.group);
      fs::remove(folder.Path() / blocked);
      fs::create_directory(folder.Path() / blocked);
      const auto before = folder.Files();
      const Exit exit = RunProgram(ArgsIn(program, folder.Path()));
      EXPECT_EQ(exit.code, 1) << exit.err;
      EXPECT_NE(exit.err.find((folder.Path() / blocked).string() + " (to jest folder)"), std::string::npos) << exit.err;
      EXPECT_EQ(folder.Files(), before);
      EXPECT_TRUE(fs::is_directory(folder.Path() / blocked));
      EXPECT_FALSE(folder.HasTemporaries());
    }
  }
}

// ---- A working folder that is not there ---------------------------------------------------------

TEST_F(ResultGroup, AMissingOrUnusableFolderIsNamedByBothPrograms) {
  Folder scratch;
  WriteBytes(scratch.Path() / "plain", "not a folder\r\n");
  const struct {
    std::string folder;
    std::string reason;
  } cases[] = {
      {(scratch.Path() / "nie ma").string(), "jest niedostępny: nie istnieje"},
      {(scratch.Path() / "plain").string(), "nie jest folderem"},
      {(scratch.Path() / std::string(5000, 'x')).string(), "jest niedostępny: za długa ścieżka"},
  };
  for (const auto& c : cases) {
    for (const Program& program : kPrograms) {
      SCOPED_TRACE(program.name + " in " + c.folder.substr(0, 80));
      const Exit exit = RunProgram(ArgsIn(program, c.folder));
      EXPECT_EQ(exit.code, 1) << exit.err;
      EXPECT_NE(exit.err.find("*** Folder roboczy " + c.folder + " " + c.reason), std::string::npos) << exit.err;
    }
  }
}

// ---- A kill at each rename of the commit ---------------------------------------------------------

// The next run of either program settles the group: all old or all new, before it reads a file
// (kvel reads DELTAH1, so a mixed group would reach its adjustment).
TEST_F(ResultGroup, AKillAtEachRenameIsSettledByTheNextRunOfEitherProgram) {
  if (!ToolPresent("strace")) GTEST_SKIP() << "strace is not installed (scripts/setup.sh installs it)";
  for (const Program& program : kPrograms) {
    const auto reference = ReferenceResults(program.name);
    std::map<std::string, std::string> fresh;
    for (const auto& name : program.group) fresh[name] = reference.count(name) ? reference.at(name) : std::string();
    for (std::size_t renameNr = 1; renameNr <= program.group.size(); ++renameNr) {
      for (const Program& next : kPrograms) {
        SCOPED_TRACE(program.name + " killed at rename " + std::to_string(renameNr) + ", then " + next.name);
        Folder folder;
        folder.CopyExample(program.name);
        LayEarlierResults(folder, program.group);
        const Exit killed =
            RunProgram(Traced(ArgsIn(program, folder.Path()), "rename:signal=KILL:when=" + std::to_string(renameNr)));
        ASSERT_EQ(killed.signal, SIGKILL) << "code " << killed.code << ": " << killed.err;
        // What the killed run left: its commit record, and the group half renamed.
        EXPECT_TRUE(Exists(folder.Path() / std::string(orvane::kCommitRecordName)));
        RunProgram(ArgsIn(next, folder.Path()));
        const auto after = GroupOf(folder.Path(), program.group);
        EXPECT_TRUE(after == fresh) << "the group is not all new";
        EXPECT_FALSE(Exists(folder.Path() / std::string(orvane::kCommitRecordName)));
        EXPECT_FALSE(folder.HasTemporaries());
      }
    }
  }
}

// A rename that fails once the record is whole (the group is bound by then): the run says so,
// naming the file, and the next run of either program carries the replacement out.
TEST_F(ResultGroup, ARenameThatFailsAfterTheRecordIsCompletedByTheNextRun) {
  if (!ToolPresent("strace")) GTEST_SKIP() << "strace is not installed (scripts/setup.sh installs it)";
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    const auto reference = ReferenceResults(program.name);
    Folder folder;
    folder.CopyExample(program.name);
    LayEarlierResults(folder, program.group);
    const Exit failed = RunProgram(Traced(ArgsIn(program, folder.Path()), "rename:error=EBUSY:when=2"));
    EXPECT_EQ(failed.code, 1) << failed.err;
    EXPECT_NE(failed.err.find(" (plik jest zajęty; zapis wyników dokończy następne obliczenie w tym folderze)"),
              std::string::npos)
        << failed.err;
    EXPECT_TRUE(Exists(folder.Path() / std::string(orvane::kCommitRecordName)));
    RunProgram({kSolvantaCli, "--frame", "etrf2000", "--folder", folder.Str(), "--model", folder.Str() + "/none.bin"});
    for (const auto& name : program.group) EXPECT_EQ(WithoutRunTime(ReadBytes(folder.Path() / name)), reference.at(name)) << name;
    EXPECT_FALSE(Exists(folder.Path() / std::string(orvane::kCommitRecordName)));
    EXPECT_FALSE(folder.HasTemporaries());
  }
}

// A kill while the commit record is written (it is created, its bytes not yet there) leaves the
// earlier group, and the next run drops the record and the temporaries. A record that cannot be
// written (a full disk at that very write) is told, and nothing changes.
TEST_F(ResultGroup, ARecordNotWrittenWholeLeavesTheEarlierGroup) {
  if (!ToolPresent("strace")) GTEST_SKIP() << "strace is not installed (scripts/setup.sh installs it)";
  for (const Program& program : kPrograms) {
    for (const std::string fault : {"signal=KILL", "error=ENOSPC"}) {
      SCOPED_TRACE(program.name + ", " + fault + " at the record's write");
      Folder folder;
      folder.CopyExample(program.name);
      LayEarlierResults(folder, program.group);
      const auto before = folder.Files();
      const std::string record = (folder.Path() / std::string(orvane::kCommitRecordName)).string();
      const Exit faulty = RunProgram(Traced(ArgsIn(program, folder.Path()), "write:" + fault + ":when=1", record));
      if (fault == "signal=KILL") {
        ASSERT_EQ(faulty.signal, SIGKILL) << faulty.err;
        EXPECT_TRUE(Exists(record));
        // The next run stops at once (no such model), yet settles the folder first.
        RunProgram({kSolvantaCli, "--frame", "etrf2000", "--folder", folder.Str(), "--model", folder.Str() + "/none.bin"});
      } else {
        EXPECT_EQ(faulty.code, 1) << faulty.err;
        EXPECT_NE(faulty.err.find(record + " (brak miejsca na dysku)"), std::string::npos) << faulty.err;
      }
      EXPECT_TRUE(folder.Files() == before) << "an earlier result changed";
      EXPECT_FALSE(folder.HasTemporaries());
      EXPECT_FALSE(Exists(record));
    }
  }
}

// ---- A full disk ---------------------------------------------------------------------------------

// A small tmpfs of its own, filled so that only `room` bytes are left.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& where) : path_(where) {
    fs::create_directory(path_);
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=512k,mode=0755") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  void LeaveRoom(std::uint64_t room) const {
    struct statvfs info {};
    ::statvfs(path_.c_str(), &info);
    const std::uint64_t free = std::uint64_t{info.f_bavail} * info.f_frsize;
    if (free > room) WriteBytes(path_ / "filler", std::string(free - room, 'x'));
  }

 private:
  fs::path path_;
  bool mounted_ = false;
};

TEST_F(ResultGroup, AFullDiskAtAnyPointOfTheGroupLeavesEveryEarlierResult) {
  for (const Program& program : kPrograms) {
    const auto reference = ReferenceResults(program.name);
    std::set<std::string> full;  // the files the disk filled in
    bool finished = false;
    // Ever more room, one page at a time, until the whole run fits: the disk fills in a
    // different result (or in the commit record) on the way.
    for (std::uint64_t room = 0; room <= (256u << 10) && !finished; room += 4096) {
      SCOPED_TRACE(program.name + " with " + std::to_string(room) + " bytes free");
      Folder scratch;
      SmallDisk disk(scratch.Path() / "disk");
      if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (needs root with the right to mount)";
      const fs::path work = scratch.Path() / "disk";
      LayExample(program, work);
      disk.LeaveRoom(room);
      const auto before = GroupOf(work, program.group);
      const Exit exit = RunProgram(ArgsIn(program, work));
      auto after = GroupOf(work, program.group);
      if (exit.code == 0) {
        finished = true;
        for (const auto& name : program.group) EXPECT_EQ(after[name], reference.at(name)) << name;
        continue;
      }
      for (const auto& name : program.group)
        if (exit.err.find("/" + name + " (brak miejsca na dysku)") != std::string::npos) full.insert(name);
      if (exit.err.find(std::string(orvane::kCommitRecordName) + " (brak") != std::string::npos)
        full.insert(std::string(orvane::kCommitRecordName));
      EXPECT_EQ(exit.code, 1) << exit.err;
      EXPECT_NE(exit.err.find("(brak miejsca na dysku)"), std::string::npos) << exit.err;
      EXPECT_EQ(after, before);
      for (const auto& entry : fs::directory_iterator(work)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with(orvane::kTemporaryPrefix) || name == orvane::kCommitRecordName) << name;
      }
    }
    EXPECT_TRUE(finished) << program.name;
    // The disk filled in more than one place of the group on the way.
    EXPECT_GE(full.size(), 2u) << program.name;
  }
}

// ---- Another user's link in a shared folder ------------------------------------------------------

constexpr uid_t kUser = 65534;      // who runs the program (nobody)
constexpr uid_t kStranger = 65533;  // who laid the link

// The command line `args` run as kUser (setpriv).
std::vector<std::string> AsUser(const std::vector<std::string>& args) {
  std::vector<std::string> full = {"/usr/bin/setpriv", "--reuid=" + std::to_string(kUser),
                                   "--regid=" + std::to_string(kUser), "--clear-groups", "--"};
  full.insert(full.end(), args.begin(), args.end());
  return full;
}

// Runs `args` as kUser, with standard error captured.
Exit RunAsUser(const std::vector<std::string>& args) { return RunProgram(AsUser(args)); }

// Why a test as another user cannot be made here; empty when it can.
std::string NoOtherUser() {
  if (::geteuid() != 0) return "needs root to act as two other users";
  if (!ToolPresent("setpriv")) return "setpriv is not installed";
  const Exit probe = RunAsUser({kKvelCli, "--help"});
  if (probe.code != 0) return "the programs cannot be run as user " + std::to_string(kUser) + ": " + probe.err;
  // A build below a folder that only root may enter (mktemp -d) keeps the model from that user.
  if (RunAsUser({"/usr/bin/test", "-r", kShippedModel}).code != 0)
    return "user " + std::to_string(kUser) + " cannot read " + kShippedModel + " (a folder above it is closed to others)";
  return {};
}

void Own(const fs::path& path, uid_t user) { ::lchown(path.c_str(), user, user); }

// A shared folder with the sticky bit (like /tmp) in `top`, holding the example of `program` and
// earlier results, all the user's.
fs::path LaySharedFolder(const Folder& top, const Program& program) {
  fs::permissions(top.Path(), fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
  const fs::path shared = top.Path() / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  LayExample(program, shared);
  for (const auto& entry : fs::directory_iterator(shared)) Own(entry.path(), kUser);
  return shared;
}

TEST_F(ResultGroup, AnotherUsersLinkInASharedFolderNeverChangesAFileOutsideIt) {
  if (const std::string why = NoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  for (const Program& program : kPrograms) {
    for (const std::string& linked : program.group) {
      SCOPED_TRACE(program.name + ": " + linked + " is another user's link");
      Folder top;
      const fs::path shared = LaySharedFolder(top, program);
      const fs::path home = top.Path() / "home";
      fs::create_directory(home);
      Own(home, kUser);
      WriteBytes(home / "own", "the user's own file\r\n");
      Own(home / "own", kUser);
      fs::remove(shared / linked);
      fs::create_symlink(home / "own", shared / linked);
      Own(shared / linked, kStranger);
      const auto before = GroupOf(shared, program.group);
      const std::vector<std::string> args = ArgsIn(program, shared);
      const Exit exit = RunAsUser(args);
      EXPECT_EQ(exit.code, 1) << exit.err;
      EXPECT_NE(exit.err.find((shared / linked).string() + " (dowiązanie symboliczne innego użytkownika)"),
                std::string::npos)
          << exit.err;
      EXPECT_EQ(ReadBytes(home / "own"), "the user's own file\r\n");
      EXPECT_TRUE(fs::is_symlink(shared / linked));
      EXPECT_EQ(GroupOf(shared, program.group), before);
    }
  }
}

// Another user's lock file that cannot be opened is told, not skipped: the run does not start.
TEST_F(ResultGroup, AnotherUsersLockFileThatCannotBeOpenedStopsTheRunNamingIt) {
  if (const std::string why = NoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.name);
    Folder top;
    const fs::path shared = LaySharedFolder(top, program);
    WriteBytes(shared / orvane::kLockFileName, "");
    Own(shared / orvane::kLockFileName, kStranger);
    fs::permissions(shared / orvane::kLockFileName, fs::perms::owner_read | fs::perms::owner_write);
    const auto before = GroupOf(shared, program.group);
    const std::vector<std::string> args = ArgsIn(program, shared);
    const Exit exit = RunAsUser(args);
    EXPECT_EQ(exit.code, 1) << exit.err;
    EXPECT_NE(exit.err.find("*** Nie można otworzyć pliku blokady " + (shared / orvane::kLockFileName).string() +
                            ": brak uprawnień"),
              std::string::npos)
        << exit.err;
    EXPECT_EQ(GroupOf(shared, program.group), before);
  }
}

// ---- A folder that takes no new files ------------------------------------------------------------

// A levelling network of `side` × `side` points in a grid (lines between neighbours), with two
// benchmarks: at 140 × 140, robustly adjusted, a run lasts well over 0.3 s.
void LayGridNetwork(const fs::path& folder, int side) {
  std::ofstream deltah(folder / "deltah", std::ios::binary);
  auto nr = [side](int r, int c) { return "P" + std::to_string(r * side + c); };
  unsigned seed = 7;
  auto noise = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 16) % 2000) / 1e6 - 0.001;
  };
  for (int r = 0; r < side; ++r) {
    for (int c = 0; c < side; ++c) {
      if (c + 1 < side) deltah << nr(r, c) << ' ' << nr(r, c + 1) << ' ' << 0.1 + noise() << " 1.0\r\n";
      if (r + 1 < side) deltah << nr(r, c) << ' ' << nr(r + 1, c) << ' ' << 0.2 + noise() << " 1.0\r\n";
    }
  }
  deltah << "0 0 0.002 0\r\n";
  std::ofstream sta(folder / "h.sta", std::ios::binary);
  sta << nr(0, 0) << " 100.000\r\n" << nr(side - 1, side - 1) << ' ' << 100.0 + 0.1 * (side - 1) + 0.2 * (side - 1)
      << "\r\n0 0\r\n";
}

// A big point list for solvanta.
void LayLongList(const fs::path& folder) {
  std::ofstream list(folder / "BL", std::ios::binary);
  for (int k = 0; k < 400000; ++k) list << "P" << k << " 52 " << k % 60 << " 1" << k % 60 << ".5 19 " << k % 7 << " 3.25\r\n";
}

TEST_F(ResultGroup, AFolderThatTakesNoNewFilesKeepsTheEarlierResultsWholeUntilTheEnd) {
  // The folder is closed to new files; the earlier results in it may be written. As root every
  // folder takes new files, so the programs then run as another user.
  const bool asOther = ::geteuid() == 0;
  if (asOther) {
    if (const std::string why = NoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  }
  const std::vector<std::string> names[] = {{"wyh.osn", "h.osn", "testy.osn", "wyh.csv", "h.csv", "zamkniecia.osn"}, {"bln"}};
  for (int p = 0; p < 2; ++p) {
    const Program program{p == 0 ? "kvel" : "solvanta", names[p]};
    Folder top;
    fs::permissions(top.Path(), fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
    const fs::path work = top.Path() / "work";
    fs::create_directory(work);
    if (p == 0) LayGridNetwork(work, 140);
    if (p == 1) LayLongList(work);
    for (const auto& name : names[p]) {
      WriteBytes(work / name, "earlier " + name + "\r\n");
      if (asOther) Own(work / name, kUser);
    }
    fs::permissions(work, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    std::vector<std::string> args = ArgsIn(program, work);
    if (p == 0) args.insert(args.end(), {"--method", "robust"});
    if (asOther) args = AsUser(args);
    const auto before = GroupOf(work, program.group);
    // A run left alone first: it tells that it has no lock, puts its results in place at its end,
    // and shows how long a run lasts here.
    const auto start = std::chrono::steady_clock::now();
    const Exit whole = RunProgram(args);
    const auto lasts = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(whole.code, 0) << whole.err;
    EXPECT_NE(whole.err.find("nie można założyć pliku blokady"), std::string::npos) << whole.err;
    const auto fresh = GroupOf(work, program.group);
    for (const auto& name : names[p]) EXPECT_NE(fresh.at(name), before.at(name)) << name;
    // Then kills at 0.05, 0.15 and 0.3 s, each in the first quarter of a run, before the results are
    // written over the old files (a run that ends first all the same must leave the whole new
    // group).
    int killed = 0;
    for (const int ms : {50, 150, 300}) {
      for (const auto& [name, bytes] : before) WriteBytes(work / name, bytes);  // over the old file, no new one
      const auto delay = std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(ms), lasts / 4);
      SCOPED_TRACE(program.name + " killed after " + std::to_string(ms) + " ms");
      posix_spawn_file_actions_t quiet;
      ::posix_spawn_file_actions_init(&quiet);
      ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
      ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
      const pid_t pid = Spawn(args, &quiet);
      ::posix_spawn_file_actions_destroy(&quiet);
      ASSERT_GT(pid, 0);
      std::this_thread::sleep_for(delay);
      ::kill(pid, SIGKILL);
      const Exit exit = Wait(pid);
      if (exit.signal == SIGKILL) {
        ++killed;
        EXPECT_TRUE(GroupOf(work, program.group) == before) << "an earlier result changed";
      } else {
        EXPECT_TRUE(GroupOf(work, program.group) == fresh) << "a run that ended left a mixed group";
      }
    }
    EXPECT_GE(killed, 2) << program.name << ": the runs ended before the kills";
    fs::permissions(work, fs::perms::owner_all, fs::perm_options::add);
  }
}

}  // namespace

#else
#include <gtest/gtest.h>

TEST(ResultGroup, NeedsLinuxMachinery) {
  GTEST_SKIP() << "full disks (tmpfs), kills at each rename (strace) and other users' links are tested on Linux";
}
#endif
