#include "common/folder_lock.h"

#include <cerrno>
#include <thread>

#include "common/cp1250.h"
#include "common/folder_io.h"
#include "common/replacement_file.h"

namespace orvane {

namespace {

// The folder as text of a message.
std::string FolderText(const std::string& folder) { return IsValidUtf8(folder) ? folder : FromCp1250(folder); }

}  // namespace

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release() {
  fileio::Close(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

FolderLock::Result FolderLock::Acquire(const std::string& folder, std::chrono::milliseconds wait) {
  Release();
  message_.clear();
  usable_ = true;
  const std::string name = FolderText(folder);
  auto refuse = [&](const std::string& text) {
    Release();
    message_ = ToCp1250(text);
    return Result::Refused;
  };
  // A folder that is missing or no folder holds no lock file either: the run is told why.
  int error = 0;
  const std::string where = folder.empty() ? "/" : folder;
  std::string resolved;
  if (fileio::Inspect(where, error).kind == fileio::Kind::Missing) {
    message_ = ToCp1250("*** Folder roboczy " + name + " jest niedostępny: " + fileio::ErrorReason(error));
    usable_ = false;
    return Result::NoLock;
  }
  if (fileio::Follow(where, resolved).kind != fileio::Kind::Folder) {
    message_ = ToCp1250("*** Folder roboczy " + name + " nie jest folderem");
    usable_ = false;
    return Result::NoLock;
  }

  const std::string path = folder + "/" + kLockFileName;
  fd_ = fileio::OpenLockFile(path, error);
  if (fd_ < 0) {
    // No lock file and none can be made: the folder takes no new files. A lock file that is
    // there but is a link, another user's unreadable file or no plain file is someone else's
    // doing, and the run does not go on past it.
    int missing = 0;
    if (fileio::Inspect(path, missing).kind == fileio::Kind::Missing && missing == ENOENT) {
      message_ = ToCp1250("*** W folderze roboczym " + name + " nie można założyć pliku blokady " + kLockFileName +
                          " (" + fileio::ErrorReason(error) +
                          "); obliczenie nie jest chronione przed drugim obliczeniem w tym folderze");
      return Result::NoLock;
    }
    return refuse("*** Nie można otworzyć pliku blokady " + name + "/" + kLockFileName + ": " +
                  fileio::ErrorReason(error) + "; usuń go i spróbuj ponownie");
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    bool busy = false;
    if (fileio::TryLock(fd_, busy)) break;
    if (!busy) {
      return refuse("*** Nie można zablokować pliku " + name + "/" + kLockFileName + ": " +
                    fileio::ErrorReason(errno));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Release();
      return Result::Busy;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const Settlement settlement = SettleInterruptedCommit(folder);
  if (!settlement.ok) {
    return refuse("*** Nie można dokończyć zapisu wyników przerwanego obliczenia: " + FolderText(settlement.file) +
                  " (" + settlement.problem + ")");
  }
  RemoveStaleTemporaries(folder);
  return Result::Locked;
}

std::string FolderBusyMessage(const std::string& folder) {
  return ToCp1250("*** Folder roboczy " + FolderText(folder) +
                  " jest zajęty przez inne obliczenie.\nSpróbuj ponownie, gdy tamto obliczenie się zakończy.");
}

std::string SettleWorkFolder(const std::string& folder) {
  FolderLock lock;
  const FolderLock::Result result = lock.Acquire(folder, std::chrono::milliseconds(0));
  const bool stop = result == FolderLock::Result::Refused || !lock.FolderUsable();
  return stop ? lock.Message() : std::string();
}

}  // namespace orvane
