#pragma once
// One run at a time in a working folder, across both programs (kvel reads the DELTAH1 that
// solvanta writes): an advisory lock on the small file kLockFileName in the folder, held from the
// start of a run to its end. The lock file stays in the folder; it holds nothing. Whoever takes
// the lock first settles what a killed run left (SettleInterruptedCommit, then the stale
// temporaries), before anything in the folder is read.
#include <chrono>
#include <string>

namespace orvane {

inline constexpr const char* kLockFileName = ".orvane.lock";
// How long a run waits for another run in its folder to end before it gives up.
inline constexpr std::chrono::milliseconds kFolderLockWait{2000};

class FolderLock {
 public:
  enum class Result {
    Locked,   // held; an interrupted replacement was settled, stale temporaries removed
    Busy,     // another run held the folder for the whole wait
    NoLock,   // no lock file can be made: the folder is missing or unusable (FolderUsable()
              // false: the run stops), or it takes no new files and has no lock file (the run
              // may go on without a lock); Message() tells the user which, naming the folder
    Refused,  // the run must not go on: the lock file is a link or cannot be opened, or an
              // interrupted replacement could not be completed (Message() names the file and why)
  };

  FolderLock() = default;
  ~FolderLock();  // releases the lock
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  Result Acquire(const std::string& folder, std::chrono::milliseconds wait = kFolderLockWait);
  void Release();
  // What the user is told for NoLock and Refused (Windows-1250 bytes); empty otherwise.
  const std::string& Message() const { return message_; }
  // False when the folder is missing or is no folder.
  bool FolderUsable() const { return usable_; }

 private:
  int fd_ = -1;
  std::string message_;
  bool usable_ = true;
};

// The message of a busy folder, naming it (Windows-1250 bytes).
std::string FolderBusyMessage(const std::string& folder);

// Takes the lock of `folder` for a moment, so that what a killed run left there is settled: for a
// program that looks at the folder without running (a window opening it, a start check). Returns
// the message to show (Windows-1250 bytes) when the folder is unusable or could not be settled,
// empty otherwise (also when another run holds the folder: that run settles it).
std::string SettleWorkFolder(const std::string& folder);

}  // namespace orvane
