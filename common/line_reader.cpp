#include "common/line_reader.h"

#include <cstring>

#include "common/platform.h"

#include "common/cp1250.h"

namespace orvane {

namespace {
constexpr std::size_t kBlockSize = 1 << 16;
constexpr char kCtrlZ = 0x1A;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Length of the line text at `begin`: up to the first LF or CR, or all `avail` bytes when the
// block holds neither.
std::size_t LineEndIn(const char* begin, std::size_t avail) {
  const void* lf = std::memchr(begin, '\n', avail);
  const std::size_t limit = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : avail;
  const void* cr = std::memchr(begin, '\r', limit);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin) : limit;
}
}  // namespace

LineReader::~LineReader() { Close(); }

bool LineReader::Open(const std::string& path) {
  Close();
  // Only a plain file is read: a FIFO or a device in place of an input would hold the program
  // forever.
  file_ = platform::OpenPlainFileForReading(path);
  if (!file_) return false;
  buffer_.resize(kBlockSize);
  pos_ = end_ = 0;
  eof_ = failed_ = false;
  lineNumber_ = 0;
  // A UTF-8 byte-order mark is no part of the first record.
  if (Fill() && std::string_view(buffer_.data(), end_).starts_with(kByteOrderMark)) pos_ = kByteOrderMark.size();
  return true;
}

void LineReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  eof_ = true;
}

bool LineReader::Fill() {
  if (eof_ || !file_) return false;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  pos_ = 0;
  if (end_ == 0) {
    if (std::ferror(file_)) failed_ = true;
    eof_ = true;
    return false;
  }
  return true;
}

bool LineReader::ReadLine(std::string& line) {
  if (!ReadOne(line)) return false;
  ++lineNumber_;
  return true;
}

bool LineReader::ReadOne(std::string& line) {
  line.clear();
  if (!file_ || (eof_ && pos_ >= end_)) return false;
  bool any = false;
  for (;;) {
    if (pos_ >= end_ && !Fill()) break;
    const char* begin = buffer_.data() + pos_;
    const std::size_t avail = end_ - pos_;
    const std::size_t take = LineEndIn(begin, avail);
    // Ctrl-Z matters only within this line: searching the rest of the block for it at every
    // line would cost a block's scan per line.
    if (const void* sub = std::memchr(begin, kCtrlZ, take)) {
      // Ctrl-Z ends the file: the text before it is the last line.
      const auto at = static_cast<std::size_t>(static_cast<const char*>(sub) - begin);
      line.append(begin, at);
      any = any || at > 0;
      eof_ = true;
      pos_ = end_ = 0;
      return any;
    }
    line.append(begin, take);
    any = true;
    pos_ += take;
    if (take < avail) {
      // A CR ends the line alone or together with the LF that follows it, maybe in the next block.
      if (buffer_[pos_++] == '\r' && (pos_ < end_ || Fill()) && buffer_[pos_] == '\n') ++pos_;
      return true;
    }
  }
  return any;
}

bool LineReader::ReadLineView(std::string_view& line) {
  // A line ended within the buffer and without Ctrl-Z is taken in place; every other case
  // (a line across blocks, a CR at the end of the block, Ctrl-Z, the end of the data) goes the
  // general way.
  if (file_ && pos_ < end_) {
    const char* begin = buffer_.data() + pos_;
    const std::size_t avail = end_ - pos_;
    const std::size_t take = LineEndIn(begin, avail);
    if (take < avail && (begin[take] == '\n' || take + 1 < avail) && !std::memchr(begin, kCtrlZ, take)) {
      pos_ += take + 1;
      if (begin[take] == '\r' && begin[take + 1] == '\n') ++pos_;
      line = std::string_view(begin, take);
      ++lineNumber_;
      return true;
    }
  }
  const bool any = ReadLine(spill_);
  line = spill_;
  return any;
}

std::string RecordPlace(std::string_view path, long line) {
  const auto slash = path.find_last_of('/');
  const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  return " (plik " + PathText(name) + ", wiersz " + std::to_string(line) + ")";
}

}  // namespace orvane
