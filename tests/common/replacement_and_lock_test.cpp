// Result files replaced whole or not at all, the folder lock, the start of a process with closed
// standard descriptors, and the decimal comma, each on real files, processes and limits.
// Links, devices, permission bits, limits and killed processes are POSIX machinery: on Windows
// those cases stand as skipped tests that say so.
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/folder_lock.h"
#include "common/number_parse.h"
#include "common/platform.h"
#include "common/process_start.h"
#include "common/replacement_file.h"
#include "common/text_writer.h"
#include "support/commit_record.h"

namespace {

namespace fs = std::filesystem;
using orvane::testing::CommitRecord;

class Folder {
 public:
  Folder() : path_(orvane::platform::MakeTemporaryFolder("orvane_replace_")) {
    if (path_.empty()) std::abort();
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const fs::path& Path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Names in the folder that are temporaries of a result.
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(std::string(orvane::kTemporaryPrefix), 0) == 0) names.push_back(name);
    }
    return names;
  }

 private:
  fs::path path_;
};

#ifndef _WIN32
// Runs `child` in a forked process and returns its exit status, or -signal when a signal ended it.
template <class Child>
int InChild(Child child) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    child();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}
#endif

const std::string kOld = "earlier result\r\n";

TEST(ReplacementFile, AWriterNeverClosedLeavesTheOldFileAndNoTemporary) {
  Folder folder;
  folder.Write("wyh.osn", kOld);
  {
    orvane::TextWriter writer;
    ASSERT_TRUE(writer.Create(folder.File("wyh.osn")));
    writer.Line("half a report");
    EXPECT_EQ(folder.Read("wyh.osn"), kOld);
    EXPECT_EQ(folder.Temporaries().size(), 1u);
  }
  EXPECT_EQ(folder.Read("wyh.osn"), kOld);
  EXPECT_TRUE(folder.Temporaries().empty());
}

#ifndef _WIN32
TEST(ReplacementFile, CloseReplacesTheFileWholeWithItsPermissions) {
  Folder folder;
  folder.Write("h.osn", kOld);
  fs::permissions(folder.File("h.osn"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  orvane::TextWriter writer;
  ASSERT_TRUE(writer.Create(folder.File("h.osn")));
  writer.Line("new");
  EXPECT_TRUE(writer.Close());
  EXPECT_EQ(folder.Read("h.osn"), "new\r\n");
  EXPECT_EQ(fs::status(folder.File("h.osn")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(folder.Temporaries().empty());
}

TEST(ReplacementFile, ALinkStaysAndTheFileItNamesIsReplaced) {
  Folder folder;
  fs::create_directory(folder.Path() / "elsewhere");
  folder.Write("elsewhere/bln", kOld);
  fs::create_symlink(folder.Path() / "elsewhere" / "bln", folder.Path() / "bln");
  orvane::TextWriter writer;
  ASSERT_TRUE(writer.Create(folder.File("bln")));
  writer.Line("new");
  EXPECT_TRUE(writer.Close());
  EXPECT_TRUE(fs::is_symlink(folder.Path() / "bln"));
  EXPECT_EQ(folder.Read("elsewhere/bln"), "new\r\n");
}

TEST(ReplacementFile, ADeviceIsWrittenInPlaceAndAFolderCannotBeCreated) {
  Folder folder;
  fs::create_symlink("/dev/null", folder.Path() / "bln");
  orvane::TextWriter writer;
  ASSERT_TRUE(writer.Create(folder.File("bln")));
  writer.Line("into the device");
  EXPECT_TRUE(writer.Close());
  EXPECT_TRUE(fs::is_symlink(folder.Path() / "bln"));

  fs::create_directory(folder.Path() / "deltah1");
  orvane::TextWriter cannot;
  EXPECT_FALSE(cannot.Create(folder.File("deltah1")));
  EXPECT_FALSE(cannot.Close());
  EXPECT_TRUE(folder.Temporaries().empty());
}

TEST(ReplacementFile, AResultInAFolderThatTakesNoNewFilesIsWrittenInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "running with rights that create files anywhere";
  Folder folder;
  folder.Write("wyh.osn", kOld);
  fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
  orvane::TextWriter writer;
  const bool created = writer.Create(folder.File("wyh.osn"));
  writer.Line("new");
  const bool closed = writer.Close();
  fs::permissions(folder.Path(), fs::perms::owner_all);
  EXPECT_TRUE(created);
  EXPECT_TRUE(closed);
  EXPECT_EQ(folder.Read("wyh.osn"), "new\r\n");
}
#else
TEST(ReplacementFile, PermissionsLinksDevicesAndReadOnlyFoldersArePosix) {
  GTEST_SKIP() << "permission bits, symbolic links, /dev/null and read-only folders are tested on Linux";
}
#endif

TEST(ReplacementFile, AGroupReplacesItsFilesOnlyWhenItCommits) {
  Folder folder;
  folder.Write("wyh.osn", kOld);
  folder.Write("h.osn", kOld);
  {
    orvane::ResultFiles results;
    orvane::TextWriter report, heights;
    ASSERT_TRUE(report.Create(folder.File("wyh.osn"), &results));
    ASSERT_TRUE(heights.Create(folder.File("h.osn"), &results));
    report.Line("report");
    heights.Line("heights");
    EXPECT_TRUE(report.Close());
    EXPECT_TRUE(heights.Close());
    EXPECT_EQ(folder.Read("wyh.osn"), kOld);  // closed, not yet in place
    EXPECT_EQ(folder.Read("h.osn"), kOld);
  }  // abandoned: never committed
  EXPECT_EQ(folder.Read("wyh.osn"), kOld);
  EXPECT_EQ(folder.Read("h.osn"), kOld);
  EXPECT_TRUE(folder.Temporaries().empty());

  orvane::ResultFiles results;
  orvane::TextWriter report, heights;
  ASSERT_TRUE(report.Create(folder.File("wyh.osn"), &results));
  ASSERT_TRUE(heights.Create(folder.File("h.osn"), &results));
  report.Line("report");
  EXPECT_TRUE(report.Close());
  EXPECT_TRUE(heights.Close());
  EXPECT_TRUE(results.Commit());
  EXPECT_EQ(folder.Read("wyh.osn"), "report\r\n");
  EXPECT_EQ(folder.Read("h.osn"), "");
  EXPECT_TRUE(folder.Temporaries().empty());
}

namespace {

// With one temporary left in `folder` by a writer that is gone: a temporary whose writer lives
// stays when the next run takes the folder, the one left behind goes.
void ExpectTheLeftTemporaryGoesAndALiveOneStays(const Folder& folder) {
  orvane::TextWriter live;
  ASSERT_TRUE(live.Create(folder.File("bln")));
  live.Line("being written");
  ASSERT_EQ(folder.Temporaries().size(), 2u);
  orvane::FolderLock lock;
  EXPECT_EQ(lock.Acquire(folder.Path().string()), orvane::FolderLock::Result::Locked);
  const auto left = folder.Temporaries();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(left[0].find("bln"), std::string::npos);
  EXPECT_TRUE(live.Close());
  EXPECT_EQ(folder.Read("bln"), "being written\r\n");
  EXPECT_TRUE(folder.Temporaries().empty());
}

}  // namespace

// A temporary no writer holds (as a killed one leaves it, on every system).
TEST(ReplacementFile, AnUnlockedTemporaryIsRemovedAndALiveOneStays) {
  Folder folder;
  folder.Write(std::string(orvane::kTemporaryPrefix) + "deltah1.1-2-3", "left behind");
  ExpectTheLeftTemporaryGoesAndALiveOneStays(folder);
}

#ifndef _WIN32
// A full disk: a file-size limit with SIGXFSZ ignored makes every write past it fail.
TEST(ReplacementFile, AFullDiskLeavesTheOldFileWholeAndNoTemporary) {
  Folder folder;
  folder.Write("bln", kOld);
  const int status = InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    orvane::TextWriter writer;
    if (!writer.Create(folder.File("bln"))) ::_exit(2);
    for (int k = 0; k < 10000; ++k) writer.Line("a line of a long result list");
    ::_exit(writer.Close() ? 0 : 1);
  });
  EXPECT_EQ(status, 1);  // the writer knew
  EXPECT_EQ(folder.Read("bln"), kOld);
  EXPECT_TRUE(folder.Temporaries().empty());
}

// A process killed while it writes leaves the old file and a temporary that the next run removes.
TEST(ReplacementFile, AKilledWriterLeavesTheOldFileAndTheNextRunRemovesItsTemporary) {
  Folder folder;
  folder.Write("deltah1", kOld);
  const int status = InChild([&] {
    orvane::TextWriter writer;
    writer.Create(folder.File("deltah1"));
    for (int k = 0; k < 100000; ++k) writer.Line("a vector");
    ::raise(SIGKILL);
  });
  EXPECT_EQ(status, -SIGKILL);
  EXPECT_EQ(folder.Read("deltah1"), kOld);
  ASSERT_EQ(folder.Temporaries().size(), 1u);
  ExpectTheLeftTemporaryGoesAndALiveOneStays(folder);
}
#else
TEST(ReplacementFile, AFullDiskAndAKilledWriterArePosix) {
  GTEST_SKIP() << "file-size limits and killed child processes (setrlimit, fork, SIGKILL) are tested on Linux";
}
#endif

TEST(ResultFiles, AMemberThatCannotBeCreatedKeepsEveryOtherFromItsPlace) {
  Folder folder;
  folder.Write("wyh.osn", kOld);
  fs::create_directory(folder.Path() / "testy.osn");
  orvane::ResultFiles results;
  orvane::TextWriter report, tests;
  ASSERT_TRUE(report.Create(folder.File("wyh.osn"), &results));
  EXPECT_FALSE(tests.Create(folder.File("testy.osn"), &results));
  EXPECT_EQ(tests.Problem(), "to jest folder");
  report.Line("new report");
  EXPECT_TRUE(report.Close());
  EXPECT_FALSE(results.Commit());
  EXPECT_EQ(results.FailedTarget(), folder.File("testy.osn"));
  EXPECT_EQ(results.Problem(), "to jest folder");
  EXPECT_TRUE(results.NotCreated());
  EXPECT_EQ(folder.Read("wyh.osn"), kOld);
  EXPECT_TRUE(folder.Temporaries().empty());
}

#ifndef _WIN32
TEST(ReplacementFile, ALinkToAFileOutsideTheFolderIsRefusedAndTheFileStays) {
  Folder folder;
  fs::create_directory(folder.Path() / "work");
  folder.Write("outside", kOld);
  fs::create_symlink(folder.Path() / "outside", folder.Path() / "work" / "h.osn");
  orvane::TextWriter writer;
  EXPECT_FALSE(writer.Create(folder.File("work/h.osn")));
  EXPECT_EQ(writer.Problem(), "dowiązanie symboliczne do pliku poza folderem roboczym");
  EXPECT_FALSE(writer.Close());
  EXPECT_EQ(folder.Read("outside"), kOld);
  EXPECT_TRUE(fs::is_symlink(folder.Path() / "work" / "h.osn"));
  // No temporary was made beside the file the link names, nor in the folder.
  EXPECT_TRUE(folder.Temporaries().empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path() / "work"), fs::directory_iterator()), 1);
}
#endif

TEST(SettleInterruptedCommit, AWholeRecordIsCarriedOutATornOneDropped) {
  const std::string record(orvane::kCommitRecordName);
  const std::string tw = std::string(orvane::kTemporaryPrefix) + "wyh.osn.1";
  const std::string th = std::string(orvane::kTemporaryPrefix) + "h.osn.1";
  const std::string whole = CommitRecord({{tw, "wyh.osn"}, {th, "h.osn"}});
  struct Case {
    const char* what;
    std::string record;
    bool firstRenamed;  // the killed run had renamed wyh.osn already
    bool allNew;
  };
  const Case cases[] = {
      {"whole, no rename yet", whole, false, true},
      {"whole, one rename done", whole, true, true},
      {"torn in its end line", whole.substr(0, whole.size() - 5), false, false},
      {"torn in a name", whole.substr(0, 30), false, false},
      {"a wrong checksum", whole.substr(0, whole.size() - 2) + "0\n", false, false},
      {"empty", "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    folder.Write("wyh.osn", kOld);
    folder.Write("h.osn", kOld);
    folder.Write(c.firstRenamed ? "wyh.osn" : tw, "new report");
    folder.Write(th, "new heights");
    folder.Write(record, c.record);
    orvane::FolderLock lock;
    ASSERT_EQ(lock.Acquire(folder.Path().string()), orvane::FolderLock::Result::Locked);
    EXPECT_EQ(folder.Read("wyh.osn"), c.allNew ? "new report" : (c.firstRenamed ? "new report" : kOld));
    EXPECT_EQ(folder.Read("h.osn"), c.allNew ? "new heights" : kOld);
    EXPECT_FALSE(fs::exists(folder.Path() / record));
    EXPECT_TRUE(folder.Temporaries().empty());
  }
}

TEST(SettleInterruptedCommit, ARecordNamingAFileOutsideTheFolderIsNeverFollowed) {
  Folder folder;
  fs::create_directory(folder.Path() / "work");
  folder.Write("outside", kOld);
  const std::string temporary = std::string(orvane::kTemporaryPrefix) + "h.osn.1";
  folder.Write("work/" + temporary, "planted");
  folder.Write("work/" + std::string(orvane::kCommitRecordName), CommitRecord({{temporary, "../outside"}}));
  orvane::FolderLock lock;
  ASSERT_EQ(lock.Acquire(folder.File("work")), orvane::FolderLock::Result::Locked);
  EXPECT_EQ(folder.Read("outside"), kOld);
  EXPECT_FALSE(fs::exists(folder.Path() / "work" / std::string(orvane::kCommitRecordName)));
}

#ifndef _WIN32
TEST(FolderLock, ALockFileThatIsALinkIsToldNotSkipped) {
  Folder folder;
  folder.Write("elsewhere", "");
  fs::create_symlink(folder.Path() / "elsewhere", folder.Path() / orvane::kLockFileName);
  orvane::FolderLock lock;
  EXPECT_EQ(lock.Acquire(folder.Path().string()), orvane::FolderLock::Result::Refused);
  EXPECT_NE(lock.Message().find(folder.File(orvane::kLockFileName)), std::string::npos) << lock.Message();
}
#else
TEST(ReplacementFile, SymbolicLinksArePosix) {
  GTEST_SKIP() << "links out of the folder and a lock file that is a link are tested on Linux (symbolic links "
                  "need privileges on Windows)";
}
#endif

TEST(FolderLock, AMissingFolderIsNamed) {
  Folder folder;
  orvane::FolderLock lock;
  EXPECT_EQ(lock.Acquire(folder.File("missing")), orvane::FolderLock::Result::NoLock);
  EXPECT_FALSE(lock.FolderUsable());
  EXPECT_EQ(lock.Message(), "*** Folder roboczy " + folder.File("missing") + " jest niedost\xEApny: nie istnieje");
  EXPECT_EQ(orvane::SettleWorkFolder(folder.File("missing")), lock.Message());
}

TEST(FolderLock, ASecondHolderWaitsThenGivesUpUntilTheFirstLetsGo) {
  Folder folder;
  orvane::FolderLock first;
  ASSERT_EQ(first.Acquire(folder.Path().string()), orvane::FolderLock::Result::Locked);
  orvane::FolderLock second;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(second.Acquire(folder.Path().string(), std::chrono::milliseconds(100)), orvane::FolderLock::Result::Busy);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
#ifndef _WIN32
  // Another process meets the same lock.
  EXPECT_EQ(InChild([&] {
              orvane::FolderLock other;
              ::_exit(other.Acquire(folder.Path().string(), std::chrono::milliseconds(50)) ==
                              orvane::FolderLock::Result::Busy
                          ? 0
                          : 1);
            }),
            0);
#endif
  first.Release();
  EXPECT_EQ(second.Acquire(folder.Path().string(), std::chrono::milliseconds(0)), orvane::FolderLock::Result::Locked);
}

TEST(FolderLock, AMissingFolderRunsWithoutALock) {
  Folder folder;
  orvane::FolderLock lock;
  EXPECT_EQ(lock.Acquire(folder.File("missing")), orvane::FolderLock::Result::NoLock);
}

TEST(FolderLock, TheBusyMessageNamesTheFolder) {
  EXPECT_EQ(orvane::FolderBusyMessage("/praca/sieć"),
            "*** Folder roboczy /praca/sie\xE6 jest zaj\xEAty przez inne obliczenie.\n"
            "Spr\xF3" "buj ponownie, gdy tamto obliczenie si\xEA zako\xF1" "czy.");
}

#ifndef _WIN32
// Standard descriptors closed by the caller are open on /dev/null afterwards, and a broken pipe no
// longer ends the process.
TEST(ProcessStart, ClosedStandardDescriptorsAreReopenedOnDevNull) {
  const int status = InChild([] {
    ::close(0);
    ::close(2);
    orvane::PrepareProcess();
    struct stat null {}, in {}, err {};
    if (::stat("/dev/null", &null) != 0 || ::fstat(0, &in) != 0 || ::fstat(2, &err) != 0) ::_exit(1);
    if (in.st_rdev != null.st_rdev || err.st_rdev != null.st_rdev) ::_exit(2);
    if ((::fcntl(0, F_GETFL) & O_ACCMODE) != O_RDONLY || (::fcntl(2, F_GETFL) & O_ACCMODE) != O_WRONLY) ::_exit(3);
    // A file opened now is no standard descriptor.
    if (::open("/dev/null", O_RDONLY) <= 2) ::_exit(4);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) ::_exit(5);
    ::close(pipeFds[0]);
    if (::write(pipeFds[1], "x", 1) != -1) ::_exit(6);  // EPIPE instead of death by SIGPIPE
    ::_exit(0);
  });
  EXPECT_EQ(status, 0);
}
#endif

TEST(DecimalComma, ANumberWithoutPointJoinedByOneCommaToDigits) {
  struct Case {
    const char* line;
    std::initializer_list<int> fields;
    bool comma;
  };
  const Case cases[] = {
      {"Rp.2101 212,4528", {2}, true},
      {"P1 P2 -6,4143 0.000016", {3, 4}, true},
      {"0 0 0,001 0", {3, 4}, true},
      {"Rp.2101 212.4528", {2}, false},
      {"Rp1,212.4528", {2}, false},          // the comma separates fields
      {"Rp.2101 212, 4528", {2}, false},     // more than a single comma
      {"Rp.2101 212,,4528", {2}, false},
      {"Rp.2101 212,45a", {2}, false},       // not a field of digits
      {"Rp.2101 212.5,4528", {2}, false},    // the field has its point
      {"A1 51,32 19.5 19 36 3.2", {4, 7}, false},  // degrees and minutes are no real fields
      {"A1 51 32 19,5 19 36 3.2", {4, 7}, true},
      {"A1 51 32 19.5 19 36 3,2 extra", {4, 7}, true},
      {"A1 51 32 19.5 19 36 3 2,5", {4, 7}, false},  // the comma is in a comment field
      {"", {2}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(orvane::HasDecimalComma(c.line, c.fields), c.comma) << c.line;
}

}  // namespace
