#pragma once
// One run at a time in a working folder, across both programs (kvel reads the DELTAH1 that
// solvanta writes): an advisory lock (flock) on the small file kLockFileName in the folder, held
// from the start of a run to its end. The lock file stays in the folder; it holds nothing.
#include <chrono>
#include <string>

namespace orvane {

inline constexpr const char* kLockFileName = ".orvane.lock";
// How long a run waits for another run in its folder to end before it gives up.
inline constexpr std::chrono::milliseconds kFolderLockWait{2000};

class FolderLock {
 public:
  enum class Result {
    Locked,  // held; temporaries left in the folder by killed runs were removed
    Busy,    // another run held the folder for the whole wait
    NoLock,  // the folder cannot hold a lock file (missing, not writable): the run goes on
             // without one and meets the folder's problem itself
  };

  FolderLock() = default;
  ~FolderLock();  // releases the lock
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  Result Acquire(const std::string& folder, std::chrono::milliseconds wait = kFolderLockWait);
  void Release();

 private:
  int fd_ = -1;
};

// The message of a busy folder, naming it (Windows-1250 bytes).
std::string FolderBusyMessage(const std::string& folder);

}  // namespace orvane
