#pragma once
// Result files that take the place of the old ones whole or not at all, one file alone or the
// results of a run as one group.
//
// The new contents go to a temporary file beside the result (so that the rename stays on one file
// system); when they are complete they are synced to the disk. One file is then renamed over the
// old one. A group commits in three steps: a commit record (kCommitRecordName, listing every
// temporary with its result name and ending in a checksum) is written and synced; the temporaries
// are renamed; the record is removed. A run killed or cut off by a power failure at any step is
// settled by the next run in the folder (SettleInterruptedCommit, through the folder lock) before
// it reads anything: a whole record is carried out to its end, a torn or missing one means the
// group never started and its temporaries are dropped. So the results of a run are all old or all
// new. A temporary left by a killed process is never read as a standard file (its name begins
// with kTemporaryPrefix).
//
// Names the user did not make plain files:
// - a folder, a block device or another user's symbolic link is refused, with the reason;
// - a FIFO or a character device (such as /dev/null), named directly or by the user's own link, is
//   written in place: it holds no earlier result;
// - the user's own link to a plain file inside the working folder (or a folder below it) keeps the
//   link and replaces the file it names; a link to anything outside the folder is refused, so no
//   result is ever written outside it;
// - another user's file in a folder with the sticky bit cannot be replaced and is refused.
// In a folder that takes no new files (no temporary can be made) the contents are kept in memory
// and written over the old file in place only when the whole group commits; a run stopped or
// killed before then leaves every old result as it was.
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Names of the temporaries: the prefix, the result's name and a unique suffix.
inline constexpr std::string_view kTemporaryPrefix = ".orvane-tmp.";
// The commit record of a group, in its folder while the group's renames are under way.
inline constexpr std::string_view kCommitRecordName = ".orvane-commit";

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();  // Discard() unless committed
  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary for `target` (or opens a FIFO or device target itself) and returns its
  // descriptor, open for writing; -1 when it cannot be created (Problem() tells why). The old
  // file is not touched. In a folder that takes no new files the result is kept in memory
  // (InMemory()) and the descriptor returned is that of the old file, not to be written.
  int Create(const std::string& target);
  // Syncs the written data to the disk; false on an error. The descriptor stays open.
  bool Sync();
  // The whole contents of a result kept in memory, handed over before it commits.
  void KeepContents(std::string contents) { contents_ = std::move(contents); }
  // Puts the new file in place (after Sync) and syncs the folder; false when that fails, and
  // then the temporary is removed and the old file kept.
  bool Commit();
  // Removes the temporary; the old file stays as it was.
  void Discard();

  bool IsOpen() const { return fd_ >= 0; }
  bool InMemory() const { return mode_ == Mode::Memory; }
  const std::string& Target() const { return target_; }
  // Why the last step failed, in Polish words (UTF-8); empty when nothing failed.
  const std::string& Problem() const { return problem_; }

 private:
  friend class ResultFiles;
  enum class Mode { Temporary, InPlace, Memory };

  bool Refuse(std::string reason);
  bool Fail(int error);
  bool WriteInPlace();
  void CloseDescriptor();
  std::string FinalPath() const { return folder_ + "/" + final_; }
  std::string TemporaryPath() const { return folder_ + "/" + temporary_; }

  int fd_ = -1;
  Mode mode_ = Mode::Temporary;
  std::string target_;     // the path given
  std::string folder_;     // the folder of the path given
  std::string final_;      // the file to replace, relative to folder_ (a link resolved)
  std::string temporary_;  // relative to folder_; empty when the target is written in place
  std::string contents_;   // a result kept in memory
  std::string problem_;
};

// The result files of one run, replaced together when the run ends: one group, one decision. A
// writer closed into the group hands its finished temporary over; a writer that could not be
// created or written marks the group failed (Fail), and then Commit() changes nothing. Files never
// committed are discarded when the group goes, so a run that is abandoned leaves every old result
// as it was. The files of a group lie in one working folder.
class ResultFiles {
 public:
  ResultFiles() = default;
  ~ResultFiles();
  ResultFiles(const ResultFiles&) = delete;
  ResultFiles& operator=(const ResultFiles&) = delete;

  void Adopt(ReplacementFile file) { files_.push_back(std::move(file)); }
  // Marks the group failed at `target` (the first failure is kept): it will not commit.
  void Fail(const std::string& target, std::string problem, bool notCreated);
  // Puts every file in place together; false when the group had failed or a step of the commit
  // failed before the first rename (named by FailedTarget() with Problem()): then every old
  // result stays as it was and the new files are discarded.
  bool Commit();
  void Discard() { files_.clear(); }
  bool Failed() const { return !failed_.empty(); }
  const std::string& FailedTarget() const { return failed_; }
  const std::string& Problem() const { return problem_; }
  // The failure was that a file could not be created (rather than written).
  bool NotCreated() const { return notCreated_; }

 private:
  bool CommitRecorded(std::vector<ReplacementFile*>& renamed);

  std::vector<ReplacementFile> files_;
  std::string failed_;
  std::string problem_;
  bool notCreated_ = false;
};

// What settling a folder found.
struct Settlement {
  bool ok = true;       // no commit record left, or its renames were carried out
  std::string file;     // the result that could not be put in place
  std::string problem;  // why (UTF-8)
};

// Carries out or drops the group commit that a killed run left in `folder` (see above). To be
// called with the folder lock held, before the stale temporaries are removed.
Settlement SettleInterruptedCommit(const std::string& folder);

// Removes the temporaries in `folder` that no live writer holds (left by a killed or crashed
// process). Temporaries being written are locked by their writer and stay.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace orvane
