#include "common/text_writer.h"

#include <fcntl.h>
#include <unistd.h>

namespace orvane {

TextWriter::~TextWriter() { Close(); }

bool TextWriter::Create(const std::string& path) {
  Close();
  path_ = path;
  failed_ = false;
  // Opened without waiting: a FIFO in place of a result with no reader fails instead of holding
  // the program. Anything else that opens (a plain file, a device, a FIFO being read) is written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(fd, "wb");
    if (!file_) ::close(fd);
  }
  created_ = file_ != nullptr;
  if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  return created_;
}

void TextWriter::Write(std::string_view bytes) {
  if (!file_ || bytes.empty()) return;
#ifdef __GLIBC__
  // A writer belongs to one thread: the stream's lock would only cost time on long lists.
  if (fwrite_unlocked(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
#else
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
#endif
}

void TextWriter::Line(std::string_view bytes) {
  Write(bytes);
  Write("\r\n");
}

bool TextWriter::Close() {
  if (file_) {
    if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
  return Ok();
}

}  // namespace orvane
