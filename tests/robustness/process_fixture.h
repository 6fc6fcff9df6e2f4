#pragma once
// What the tests on real processes share: a scratch working folder with its files by name, the
// earlier results laid before a run, and the terminal programs started, limited and waited for.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "common/folder_lock.h"
#include "common/replacement_file.h"
#include "support/scratch_folder.h"

extern char** environ;

namespace orvane::robustness {

namespace fs = std::filesystem;

inline const std::string kKvelCli = std::string(ORVANE_BIN_DIR) + "/kvel-cli";
inline const std::string kSolvantaCli = std::string(ORVANE_BIN_DIR) + "/solvanta-cli";
inline const std::string kShippedModel = std::string(ORVANE_BIN_DIR) + "/PL-geoid2021.bin";

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A result's bytes with the time of its run ("2026-12-10 14:11" in the report's date line) put
// aside: two runs a minute apart give the same results.
inline std::string WithoutRunTime(const std::string& bytes) {
  static const std::regex time("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}");
  return std::regex_replace(bytes, time, "YYYY-MM-DD hh:mm");
}

// A scratch working folder (removed afterwards) with what these tests ask of it.
class Folder {
 public:
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const fs::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }

  // The example working folder of a program.
  void CopyExample(const std::string& program) const {
    for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_EXAMPLES) / program))
      if (entry.path().filename() != ".gitignore") fs::copy_file(entry.path(), path_ / entry.path().filename());
  }
  // Every plain file but the lock file, by name.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(path_)) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && name != orvane::kLockFileName) files[name] = WithoutRunTime(ReadBytes(entry.path()));
    }
    return files;
  }
  bool HasTemporaries() const {
    for (const auto& entry : fs::directory_iterator(path_))
      if (entry.path().filename().string().rfind(std::string(orvane::kTemporaryPrefix), 0) == 0) return true;
    return false;
  }

 private:
  orvane::testing::ScratchFolder scratch_;
  fs::path path_ = scratch_.Root();
};

// Earlier results that no run of today would write, so that any change shows.
inline void LayEarlierResults(const Folder& folder, const std::vector<std::string>& names) {
  for (const auto& name : names) WriteBytes(folder.Path() / name, "earlier " + name + "\r\n");
}

inline const std::vector<std::string> kKvelResults = {"wyh.osn", "h.osn"};
inline const std::vector<std::string> kSolvantaResults = {"bln", "blh_n.1", "blh_e.1", "deltah1"};

// ---- Processes ----------------------------------------------------------------------------------

struct Exit {
  int code = -1;    // exit status, or -1 when a signal ended the process
  int signal = 0;   // the signal that ended it
  std::string err;  // standard error, when captured
};

inline Exit Decode(int status) {
  Exit exit;
  if (WIFEXITED(status)) exit.code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) exit.signal = WTERMSIG(status);
  return exit;
}

inline std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// Starts `args` with the file actions given; the caller waits.
inline pid_t Spawn(std::vector<std::string> args, const posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv = Argv(args);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

inline Exit Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return Decode(status);
}

// Runs `args` with standard error captured through a pipe (a file would fall under a file-size
// limit too), standard output dropped, and `limit` applied to the child alone (SIGXFSZ ignored, so
// that a write past a file-size limit fails instead of killing).
inline Exit RunLimited(std::vector<std::string> args, int resource, rlim_t limit) {
  std::vector<char*> argv = Argv(args);
  int errPipe[2];
  if (::pipe(errPipe) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec.
    ::signal(SIGXFSZ, SIG_IGN);
    ::dup2(errPipe[1], 2);
    ::close(errPipe[0]);
    ::close(errPipe[1]);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 1);
    const rlimit value{limit, limit};
    ::setrlimit(resource, &value);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(errPipe[1]);
  std::string err;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(errPipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<std::size_t>(n));
  ::close(errPipe[0]);
  Exit exit = Wait(pid);
  exit.err = err;  // the programs write UTF-8 to the terminal
  return exit;
}

inline std::vector<std::string> KvelArgs(const Folder& folder) { return {kKvelCli, "--folder", folder.Str()}; }
inline std::vector<std::string> SolvantaArgs(const Folder& folder) {
  return {kSolvantaCli, "--frame", "etrf2000", "--folder", folder.Str(), "--model", kShippedModel};
}

// What a plain run of the program leaves in a copy of its example folder.
inline std::map<std::string, std::string> ReferenceResults(const std::string& program) {
  Folder folder;
  folder.CopyExample(program);
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  const Exit exit = Wait(Spawn(program == "kvel" ? KvelArgs(folder) : SolvantaArgs(folder), &quiet));
  ::posix_spawn_file_actions_destroy(&quiet);
  EXPECT_EQ(exit.code, 0) << program;
  return folder.Files();
}

}  // namespace orvane::robustness
