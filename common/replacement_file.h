#pragma once
// A result file that takes the place of the old one whole or not at all.
//
// The new contents go to a temporary file in the same folder (so that the rename stays on one
// file system); when they are complete they are synced to the disk and the temporary is renamed
// over the old file. A run that is killed, crashes or cannot write never leaves a half-written
// result: the old file stays as it was. A temporary left by a killed process is never read as a
// standard file (its name begins with kTemporaryPrefix) and the next run in the folder removes it
// (RemoveStaleTemporaries).
//
// A target that exists and is no plain file (a FIFO, a device such as /dev/null) is written in
// place, as before: it cannot be replaced. So is a result in a folder where no new file may be
// created, though the result itself may be written. A symbolic link to a plain file keeps the link and
// replaces the file it points to.
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Names of the temporaries: the prefix, the result's name and a unique suffix.
inline constexpr std::string_view kTemporaryPrefix = ".orvane-tmp.";

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();  // Discard() unless committed
  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary for `target` (or opens a FIFO or device target itself) and returns its
  // descriptor, open for writing; -1 when it cannot be created (the folder cannot be written, the
  // target is a folder). The old file is not touched.
  int Create(const std::string& target);
  // Syncs the written data to the disk; false on an error. The descriptor stays open.
  bool Sync();
  // Renames the temporary over the target (after Sync) and syncs the folder; false when the
  // rename fails, and then the temporary is removed and the old file kept.
  bool Commit();
  // Removes the temporary; the old file stays as it was.
  void Discard();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Target() const { return target_; }

 private:
  void CloseDescriptor();

  int fd_ = -1;
  std::string target_;     // the path given
  std::string final_;      // the file to replace (a link resolved)
  std::string temporary_;  // empty when the target is written in place
};

// The result files of one run, replaced together when the run ends. A writer closed into the
// group hands its finished temporary over; Commit() renames them all in the order they came.
// Files never committed are discarded when the group goes, so a run that is abandoned (an
// exception, a write error) leaves every old result as it was.
class ResultFiles {
 public:
  ResultFiles() = default;
  ResultFiles(const ResultFiles&) = delete;
  ResultFiles& operator=(const ResultFiles&) = delete;

  void Adopt(ReplacementFile file) { files_.push_back(std::move(file)); }
  // Renames every file over its target; false at the first rename that fails (named by
  // FailedTarget()), and then the files after it are discarded.
  bool Commit();
  void Discard() { files_.clear(); }
  const std::string& FailedTarget() const { return failed_; }

 private:
  std::vector<ReplacementFile> files_;
  std::string failed_;
};

// Removes the temporaries in `folder` that no live writer holds (left by a killed or crashed
// process). Temporaries being written are locked by their writer and stay.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace orvane
