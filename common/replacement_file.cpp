#include "common/replacement_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>

#include "common/platform.h"

namespace orvane {

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = platform::LastSeparator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A suffix no other writer uses at the same time: process, a counter and the clock.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  return std::to_string(platform::ProcessId()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
         std::to_string(ticks % 1000000007ULL);
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
  const platform::FileStatus existing = platform::StatusOf(target);
  const bool exists = existing.kind != platform::FileKind::Missing && existing.kind != platform::FileKind::Unreadable;
  if (existing.kind == platform::FileKind::Directory) return -1;
  if (existing.kind == platform::FileKind::Other) {
    // Opened without waiting: a FIFO with no reader fails instead of holding the program.
    fd_ = platform::OpenInPlace(target);
    return fd_;
  }
  if (exists) final_ = platform::LinkTarget(target);
  const std::string stem = FolderOf(final_) + "/" + std::string(kTemporaryPrefix) + NameOf(final_) + ".";
  int error = 0;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = stem + UniqueSuffix();
    fd_ = platform::CreateNewFile(temporary_, error);
    if (fd_ < 0 && error != EEXIST) break;
  }
  if (fd_ < 0) {
    temporary_.clear();
    // A folder where nothing new may be created can still hold a result that may be written:
    // it is written in place, as it always was.
    if (exists && error == EACCES) fd_ = platform::OpenInPlace(final_);
    return fd_;
  }
  // The lock tells RemoveStaleTemporaries that this temporary is alive.
  platform::TryLock(fd_);
  // The new file keeps the permissions of the one it replaces.
  if (exists) platform::CopyPermissions(fd_, existing.mode);
  return fd_;
}

bool ReplacementFile::Sync() {
  if (fd_ < 0) return false;
  if (temporary_.empty()) return true;  // a device or FIFO: nothing to sync
  return platform::SyncDescriptor(fd_);
}

bool ReplacementFile::Commit() {
  if (fd_ < 0) return false;
  if (temporary_.empty()) {
    CloseDescriptor();
    return true;
  }
  if (!platform::RenameOver(temporary_, final_)) {
    Discard();
    return false;
  }
  temporary_.clear();
  CloseDescriptor();
  platform::SyncFolder(FolderOf(final_));
  return true;
}

void ReplacementFile::Discard() {
  if (!temporary_.empty()) platform::RemoveFile(temporary_);
  temporary_.clear();
  CloseDescriptor();
}

void ReplacementFile::CloseDescriptor() {
  if (fd_ >= 0) platform::CloseDescriptor(fd_);
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
  // A temporary whose writer lives is locked; one that can be locked was left behind.
  platform::RemoveUnlockedFiles(folder, kTemporaryPrefix);
}

}  // namespace orvane
