#include "common/text_writer.h"

#include <utility>

#include "common/platform.h"

namespace orvane {

TextWriter::~TextWriter() { Discard(); }

bool TextWriter::Create(const std::string& path, ResultFiles* group) {
  Discard();
  path_ = path;
  group_ = group;
  failed_ = false;
  const int fd = replacement_.Create(path);
  if (fd >= 0) {
    // The stream gets a descriptor of its own: closing it leaves the replacement's open.
    const int own = platform::DuplicateDescriptor(fd);
    if (own >= 0) {
      file_ = platform::StreamOf(own, "wb");
      if (!file_) platform::CloseDescriptor(own);
    }
    if (!file_) replacement_.Discard();
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
    if (!failed_ && !replacement_.Sync()) failed_ = true;
    if (failed_) {
      replacement_.Discard();
    } else if (group_) {
      group_->Adopt(std::move(replacement_));
    } else if (!replacement_.Commit()) {
      failed_ = true;
    }
  }
  return Ok();
}

void TextWriter::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  replacement_.Discard();
}

}  // namespace orvane
