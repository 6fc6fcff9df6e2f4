#include "common/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace orvane {

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A suffix no other writer uses at the same time: process, a counter and the clock.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
         std::to_string(ticks % 1000000007ULL);
}

// Syncs a folder, so that a rename inside it survives a power failure.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

ReplacementFile::~ReplacementFile() { Discard(); }

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : fd_(other.fd_),
      target_(std::move(other.target_)),
      final_(std::move(other.final_)),
      temporary_(std::move(other.temporary_)) {
  other.fd_ = -1;
  other.temporary_.clear();
}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = other.fd_;
    target_ = std::move(other.target_);
    final_ = std::move(other.final_);
    temporary_ = std::move(other.temporary_);
    other.fd_ = -1;
    other.temporary_.clear();
  }
  return *this;
}

int ReplacementFile::Create(const std::string& target) {
  Discard();
  target_ = target;
  final_ = target;
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return -1;
  if (exists && !S_ISREG(existing.st_mode)) {
    // Opened without waiting: a FIFO with no reader fails instead of holding the program.
    fd_ = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd_ >= 0) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return fd_;
  }
  struct stat link {};
  if (exists && ::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      final_ = real;
      std::free(real);
    }
  }
  const std::string stem = FolderOf(final_) + "/" + std::string(kTemporaryPrefix) + NameOf(final_) + ".";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = stem + UniqueSuffix();
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temporary_.clear();
    // A folder where nothing new may be created can still hold a result that may be written:
    // it is written in place, as it always was.
    if (exists && errno == EACCES) fd_ = ::open(final_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    return fd_;
  }
  // The lock tells RemoveStaleTemporaries that this temporary is alive.
  ::flock(fd_, LOCK_EX | LOCK_NB);
  // The new file keeps the permissions of the one it replaces.
  if (exists) ::fchmod(fd_, existing.st_mode & 07777);
  return fd_;
}

bool ReplacementFile::Sync() {
  if (fd_ < 0) return false;
  if (temporary_.empty()) return true;  // a device or FIFO: nothing to sync
  return ::fsync(fd_) == 0;
}

bool ReplacementFile::Commit() {
  if (fd_ < 0) return false;
  if (temporary_.empty()) {
    CloseDescriptor();
    return true;
  }
  if (::rename(temporary_.c_str(), final_.c_str()) != 0) {
    Discard();
    return false;
  }
  temporary_.clear();
  CloseDescriptor();
  SyncFolder(FolderOf(final_));
  return true;
}

void ReplacementFile::Discard() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  CloseDescriptor();
}

void ReplacementFile::CloseDescriptor() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ResultFiles::Commit() {
  failed_.clear();
  bool ok = true;
  for (auto& file : files_) {
    if (!ok) {
      file.Discard();
    } else if (!file.Commit()) {
      failed_ = file.Target();
      ok = false;
    }
  }
  files_.clear();
  return ok;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(kTemporaryPrefix)) continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    // A temporary whose writer lives is locked; one that can be locked was left behind.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace orvane
