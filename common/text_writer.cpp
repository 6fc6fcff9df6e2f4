#include "common/text_writer.h"

#include <cerrno>
#include <utility>

#include "common/folder_io.h"
#include "common/platform.h"

namespace orvane {

TextWriter::~TextWriter() { Discard(); }

void TextWriter::Failed(std::string problem) {
  if (!failed_) problem_ = std::move(problem);
  failed_ = true;
  // One group, one decision: a result that cannot be had keeps every other one from its place.
  if (group_) group_->Fail(path_, problem_, !created_);
}

bool TextWriter::Create(const std::string& path, ResultFiles* group) {
  Discard();
  path_ = path;
  group_ = group;
  failed_ = false;
  created_ = false;
  problem_.clear();
  memory_.clear();
  const int fd = replacement_.Create(path);
  inMemory_ = fd >= 0 && replacement_.InMemory();
  if (fd >= 0 && !inMemory_) {
    // The stream gets a descriptor of its own: closing it leaves the replacement's open.
    const int own = platform::DuplicateDescriptor(fd);
    if (own >= 0) {
      file_ = platform::StreamOf(own, "wb");
      if (!file_) platform::CloseDescriptor(own);
    }
    if (!file_) {
      replacement_.Discard();
      Failed(fileio::ErrorReason(errno));
      return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  created_ = file_ != nullptr || inMemory_;
  if (!created_) Failed(replacement_.Problem());
  return created_;
}

void TextWriter::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (inMemory_) {
    memory_.append(bytes);
    return;
  }
  if (!file_) return;
#ifdef __GLIBC__
  // A writer belongs to one thread: the stream's lock would only cost time on long lists.
  if (fwrite_unlocked(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Failed(fileio::ErrorReason(errno));
#else
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Failed(fileio::ErrorReason(errno));
#endif
}

void TextWriter::Line(std::string_view bytes) {
  Write(bytes);
  Write("\r\n");
}

bool TextWriter::Close() {
  if (file_) {
    if (std::fflush(file_) != 0 || std::ferror(file_)) Failed(fileio::ErrorReason(errno));
    if (std::fclose(file_) != 0 && !failed_) Failed(fileio::ErrorReason(errno));
    file_ = nullptr;
  } else if (inMemory_) {
    replacement_.KeepContents(std::move(memory_));
    memory_.clear();
    inMemory_ = false;
  } else {
    return Ok();
  }
  if (!failed_ && !replacement_.Sync()) Failed(replacement_.Problem());
  if (failed_) {
    replacement_.Discard();
  } else if (group_) {
    group_->Adopt(std::move(replacement_));
  } else if (!replacement_.Commit()) {
    Failed(replacement_.Problem());
  }
  return Ok();
}

void TextWriter::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  memory_.clear();
  inMemory_ = false;
  replacement_.Discard();
}

}  // namespace orvane
