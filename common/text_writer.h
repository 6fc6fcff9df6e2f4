#pragma once
// Writes a result file: the caller's Windows-1250 bytes, each line ended by CR LF.
// The lines go to a temporary beside the file (ReplacementFile) and take the place of the old
// file only when the writer is closed whole: a run that is killed or cannot write leaves the old
// file as it was. A file that could not be created swallows every write, and Ok() tells so; a
// write error is remembered too, so the caller can tell the user instead of claiming success.
// A writer in a group that cannot be created or written marks the group failed, so none of the
// group's files replaces its old one. In a folder that takes no new files the lines are kept in
// memory until the group commits.
#include <cstdio>
#include <string>
#include <string_view>

#include "common/replacement_file.h"

namespace orvane {

class TextWriter {
 public:
  TextWriter() = default;
  ~TextWriter();  // a writer never closed is discarded: the old file stays
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Starts the new contents of the file. False when it cannot be created (the old file is kept).
  // With a `group`, Close() hands the finished file to it, and it replaces the old one when the
  // group commits (all the results of a run together); without one, Close() replaces it at once.
  bool Create(const std::string& path, ResultFiles* group = nullptr);
  // Writes `bytes` followed by CR LF.
  void Line(std::string_view bytes);
  // Writes `bytes` with no line end.
  void Write(std::string_view bytes);
  // Flushes and syncs the new contents and puts them in place (or hands them to the group).
  // False when the file was never created or any write failed: then the new contents are
  // dropped and the old file is kept.
  bool Close();
  // Drops the new contents; the old file stays as it was.
  void Discard();
  bool IsOpen() const { return file_ != nullptr; }
  // No failure so far (false also when the file could not be created).
  bool Ok() const { return created_ && !failed_; }
  const std::string& Path() const { return path_; }
  // Why the file could not be created or written (UTF-8); empty while all is well.
  const std::string& Problem() const { return problem_; }

 private:
  void Failed(std::string problem);

  std::FILE* file_ = nullptr;
  std::string memory_;  // the contents of a result kept in memory
  bool inMemory_ = false;
  ReplacementFile replacement_;
  ResultFiles* group_ = nullptr;
  std::string path_;
  bool created_ = false;
  bool failed_ = false;
  std::string problem_;
};

}  // namespace orvane
