// The file-system calls of the result files on POSIX systems (the Windows twin: folder_io_windows.cpp).
#include "common/folder_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orvane::fileio {

namespace {

Kind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return Kind::File;
  if (S_ISDIR(mode)) return Kind::Folder;
  if (S_ISLNK(mode)) return Kind::Link;
  if (S_ISFIFO(mode)) return Kind::Pipe;
  if (S_ISCHR(mode)) return Kind::CharacterDevice;
  return Kind::Other;  // a block device, a socket
}

Entry EntryOf(const struct stat& info) {
  Entry entry;
  entry.kind = KindOf(info.st_mode);
  entry.mode = info.st_mode & 07777;
  entry.mine = info.st_uid == ::geteuid();
  return entry;
}

}  // namespace

Entry Inspect(const std::string& path, int& error) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    error = errno;
    return {};
  }
  return EntryOf(info);
}

Entry Follow(const std::string& path, std::string& resolved) {
  resolved.clear();
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return {};
  resolved = real;
  std::free(real);
  struct stat info {};
  if (::stat(resolved.c_str(), &info) != 0) return {};
  return EntryOf(info);
}

bool MayReplace(const std::string& path) {
  struct stat file {};
  if (::lstat(path.c_str(), &file) != 0 || file.st_uid == ::geteuid() || ::geteuid() == 0) return true;
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return true;
  return (info.st_mode & S_ISVTX) == 0 || info.st_uid == ::geteuid();
}

int CreateNew(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) error = errno;
  return fd;
}

int OpenExisting(const std::string& path, bool nonblocking, int& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (nonblocking ? O_NONBLOCK : 0));
  if (fd < 0) {
    error = errno;
    return -1;
  }
  if (nonblocking) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool ReadSmall(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  char buffer[4096];
  while (ok && bytes.size() <= limit) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok && bytes.size() <= limit;
}

bool WriteAll(int fd, std::string_view bytes, int& error) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Truncate(int fd, std::uint64_t size, int& error) {
  if (::ftruncate(fd, static_cast<off_t>(size)) == 0) return true;
  error = errno;
  return false;
}

bool SetMode(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)) == 0; }

bool SyncFile(int fd, int& error) {
  if (::fsync(fd) == 0) return true;
  // A FIFO or a terminal has nothing to sync.
  if (errno == EINVAL || errno == EROFS) return true;
  error = errno;
  return false;
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void Close(int fd) {
  if (fd >= 0) ::close(fd);
}

bool Rename(const std::string& from, const std::string& to, int& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = errno;
  return false;
}

bool Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool TryLock(int fd, bool& busy) {
  busy = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  busy = errno == EWOULDBLOCK || errno == EINTR;
  return false;
}

int OpenToLock(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return fd;
  ::close(fd);
  return -1;
}

int OpenLockFile(const std::string& path, int& error) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  // A folder that takes no new files may still hold a lock file from before; a lock needs no
  // write access.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = EINVAL;
    ::close(fd);
    return -1;
  }
  return fd;
}

long ProcessId() { return static_cast<long>(::getpid()); }

}  // namespace orvane::fileio
