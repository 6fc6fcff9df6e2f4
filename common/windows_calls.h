#pragma once
// What the Windows files of the platform layer (platform_windows.cpp, folder_io_windows.cpp)
// share: UTF-8 paths as UTF-16, Windows errors as errno values, C runtime descriptors of handles,
// and the lock mark. Included by those two files only.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/cp1250.h"

namespace orvane::windows {

// UTF-8 text as UTF-16; text that is no valid UTF-8 (a Windows-1250 name from an old file) is
// read in Windows-1250.
inline std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  const UINT codePage = IsValidUtf8(text) ? CP_UTF8 : 1250;
  const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

inline std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
  return text;
}

inline int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY: return EBUSY;
    case ERROR_INVALID_NAME: return EINVAL;
    default: return EIO;
  }
}

// A C runtime descriptor for a handle; the handle is closed when that fails.
inline int DescriptorOf(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) return -1;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

inline HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows locks bar reading and writing the bytes they cover; the suite's locks are marks between
// processes, so they cover one byte far beyond the end of any file.
inline bool LockMark(HANDLE handle) {
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFEu;
  at.OffsetHigh = 0x7FFFFFFFu;
  return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

}  // namespace orvane::windows
