#include "common/folder_lock.h"

#include <thread>

#include "common/cp1250.h"
#include "common/platform.h"
#include "common/replacement_file.h"

namespace orvane {

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release() {
  if (fd_ >= 0) platform::CloseDescriptor(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

FolderLock::Result FolderLock::Acquire(const std::string& folder, std::chrono::milliseconds wait) {
  Release();
  const std::string path = folder + "/" + kLockFileName;
  fd_ = platform::OpenLockFile(path);
  if (fd_ < 0) return Result::NoLock;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const platform::LockAttempt attempt = platform::TryLock(fd_);
    if (attempt == platform::LockAttempt::Locked) break;
    if (attempt == platform::LockAttempt::Failed) {
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
