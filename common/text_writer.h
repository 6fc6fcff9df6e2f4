#pragma once
// Writes a result file: the caller's Windows-1250 bytes, each line ended by CR LF.
// A file that could not be created swallows every write, and Ok() tells so; a write error is
// remembered too, so the caller can tell the user instead of claiming success.
#include <cstdio>
#include <string>
#include <string_view>

namespace orvane {

class TextWriter {
 public:
  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Creates (or empties) the file. False when it cannot be created.
  bool Create(const std::string& path);
  // Writes `bytes` followed by CR LF.
  void Line(std::string_view bytes);
  // Writes `bytes` with no line end.
  void Write(std::string_view bytes);
  // Flushes and closes; false when the file was never created or any write failed.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }
  // No failure so far (false also when the file could not be created).
  bool Ok() const { return created_ && !failed_; }
  const std::string& Path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  bool created_ = false;
  bool failed_ = false;
};

}  // namespace orvane
