#pragma once
// Reads a text file line by line: a line ends at LF, at CR LF or at a lone CR (files saved with
// old Mac line ends); a Ctrl-Z byte ends the file; a UTF-8 byte-order mark at the start of the
// file is skipped; lines may be of any length. Bytes are returned as they stand (Windows-1250).
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens the file; false when it cannot be opened for reading or is no plain file (a directory,
  // a FIFO, a device).
  bool Open(const std::string& path);
  // Next line without its line end; false at the end of the file (or at Ctrl-Z, or on a read error).
  bool ReadLine(std::string& line);
  // The same line as ReadLine, as a view valid until the next call on this reader: a line that
  // lies whole in the read buffer is not copied (long lists are read this way).
  bool ReadLineView(std::string_view& line);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The number of the line read last (1 for the first line), for messages that name it.
  long LineNumber() const { return lineNumber_; }
  // True when reading stopped on a read error rather than at the end of the data.
  bool Failed() const { return failed_; }

 private:
  bool Fill();
  bool ReadOne(std::string& line);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::string spill_;  // a line ReadLineView had to piece together
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool failed_ = false;
  long lineNumber_ = 0;
};

// Where a record lies, for the messages about it: " (plik NAME, wiersz N)" in Windows-1250 bytes,
// NAME the last part of `path` (a path, or the file's standard name).
std::string RecordPlace(std::string_view path, long line);

}  // namespace orvane
