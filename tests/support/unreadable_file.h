#pragma once
// A file that is there but cannot be read, for as long as the object lives: on POSIX a new FIFO
// (its open would wait for a writer; the suite refuses it), on Windows the file (made when missing,
// its contents kept) held open by another program without sharing it, as a spreadsheet that has
// the list open holds it.
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvane::testing {

class UnreadableFile {
 public:
  explicit UnreadableFile(const std::string& path) {
#ifdef _WIN32
    const std::wstring name(path.begin(), path.end());  // the tests' temporary paths are ASCII
    handle_ = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    made_ = handle_ != INVALID_HANDLE_VALUE;
#else
    made_ = ::mkfifo(path.c_str(), 0600) == 0;
#endif
  }
  ~UnreadableFile() {
#ifdef _WIN32
    if (made_) ::CloseHandle(handle_);
#endif
  }
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;

  bool Made() const { return made_; }

 private:
  bool made_ = false;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#endif
};

}  // namespace orvane::testing
