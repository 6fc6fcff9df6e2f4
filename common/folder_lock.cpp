#include "common/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "common/cp1250.h"
#include "common/replacement_file.h"

namespace orvane {

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

FolderLock::Result FolderLock::Acquire(const std::string& folder, std::chrono::milliseconds wait) {
  Release();
  const std::string path = folder + "/" + kLockFileName;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  // A read-only folder may still hold a lock file from before; a lock needs no write access.
  if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return Result::NoLock;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) break;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      Release();
      return Result::NoLock;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Release();
      return Result::Busy;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  RemoveStaleTemporaries(folder);
  return Result::Locked;
}

std::string FolderBusyMessage(const std::string& folder) {
  const std::string name = IsValidUtf8(folder) ? folder : FromCp1250(folder);
  return ToCp1250("*** Folder roboczy " + name +
                  " jest zajęty przez inne obliczenie.\nSpróbuj ponownie, gdy tamto obliczenie się zakończy.");
}

}  // namespace orvane
