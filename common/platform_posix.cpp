// The platform layer on Linux (and other POSIX systems).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "common/platform.h"
#include "common/platform_numbers.h"
#include "common/process_start.h"

extern char** environ;

namespace orvane {

void PrepareProcess() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // open() takes the lowest free descriptor, which is this one.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
  ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace orvane

namespace orvane::platform {

const char* SystemName() { return "Linux"; }

std::string ExecutablePath() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  buf.resize(static_cast<std::size_t>(n));
  return buf;
}

std::string CurrentFolder() {
  std::vector<char> cwd(4096);
  return ::getcwd(cwd.data(), cwd.size()) ? std::string(cwd.data()) : std::string(".");
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home ? std::string(home) : std::string();
}

std::string UserConfigBase() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  return xdg ? std::string(xdg) : std::string();
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  return local;
}

char** Utf8Arguments(int, char** argv) { return argv; }

std::size_t LastSeparator(std::string_view path) { return path.rfind('/'); }

bool NamesIgnoreCase() { return false; }

FileStatus StatusOf(const std::string& path) {
  FileStatus status;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    status.kind = errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unreadable;
    return status;
  }
  status.kind = S_ISREG(info.st_mode)   ? FileKind::Regular
                : S_ISDIR(info.st_mode) ? FileKind::Directory
                                        : FileKind::Other;
  status.size = static_cast<std::uintmax_t>(info.st_size);
  status.mode = static_cast<unsigned>(info.st_mode & 07777);
  return status;
}

std::string LinkTarget(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return true;
}

bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return StatusOf(path).kind == FileKind::Directory;
  return false;
}

bool MayWrite(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* OpenPlainFileForReading(const std::string& path) {
  // Opened without waiting, and only a plain file is read: a FIFO's open waits for a writer, its
  // reads for data.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) ::close(fd);
  return file;
}

bool SyncStream(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int DuplicateDescriptor(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

void CloseDescriptor(int fd) { ::close(fd); }

std::FILE* StreamOf(int fd, const char* mode) { return ::fdopen(fd, mode); }

void SetPermissions(const std::string& path, unsigned mode) { ::chmod(path.c_str(), static_cast<mode_t>(mode & 07777)); }

void* MapZeroedPages(std::size_t length) {
  void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return mapping == MAP_FAILED ? nullptr : mapping;
}

void AdviseLargePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t length) {
#ifdef MADV_HUGEPAGE
  ::madvise(block, length, MADV_HUGEPAGE);
#endif
}

void UnmapPages(void* mapping, std::size_t length) { ::munmap(mapping, length); }

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
               const std::string& errPath) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!outPath.empty()) posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!errPath.empty() && errPath == outPath) {
    posix_spawn_file_actions_adddup2(&actions, 1, 2);  // one file, in the order written
  } else if (!errPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid = 0;
  const int started = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::string MakeTemporaryFolder(std::string_view prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + std::string(prefix) + "XXXXXX";
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

std::from_chars_result ExtendedFromChars(const char* first, const char* last, long double& value) {
  return std::from_chars(first, last, value);
}

}  // namespace orvane::platform
