// The file-system calls of the result files on Windows (the POSIX form: folder_io_posix.cpp).
// Every file is opened sharing deletion, so that a finished temporary can be renamed over its
// result while its writer still holds it locked, and a lock is a mark on one byte far past the end
// of the file (a Windows lock bars I/O on the bytes it covers). A rename writes through, which
// stands for the folder's sync of POSIX. Symbolic links and reparse points are never written
// through: they are reported as links.
#include "common/windows_calls.h"

#include <cerrno>

#include "common/folder_io.h"

namespace orvane::fileio {

using namespace windows;

namespace {

Kind KindOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return Kind::CharacterDevice;
  return Kind::File;
}

HANDLE OpenHandle(const std::string& path, DWORD access, DWORD creation, DWORD flags = 0) {
  return ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, creation,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
}

// An open handle on a plain file (not a folder, a link or a device); the handle is closed else.
bool IsPlainFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0)
    return true;
  ::CloseHandle(handle);
  return false;
}

}  // namespace

Entry Inspect(const std::string& path, int& error) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    error = ErrnoOf(::GetLastError());
    return {};
  }
  Entry entry;
  entry.kind = KindOf(data.dwFileAttributes);
  return entry;
}

Entry Follow(const std::string& path, std::string& resolved) {
  resolved.clear();
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[32768];
  const DWORD n = ::GetFinalPathNameByHandleW(handle, buffer, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (n == 0 || n >= 32768 || !known) return {};
  std::wstring_view name(buffer, n);
  if (name.starts_with(L"\\\\?\\UNC\\")) {
    resolved = "\\\\" + Utf8(name.substr(8));
  } else {
    if (name.starts_with(L"\\\\?\\")) name.remove_prefix(4);
    resolved = Utf8(name);
  }
  for (char& c : resolved) {
    if (c == '\\') c = '/';
  }
  Entry entry;
  entry.kind = KindOf(info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  return entry;
}

// No sticky folders on Windows: what the user may delete, the user may replace.
bool MayReplace(const std::string&) { return true; }

int CreateNew(const std::string& path, int& error) {
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrnoOf(::GetLastError());
    return -1;
  }
  return DescriptorOf(handle, _O_WRONLY);
}

int OpenExisting(const std::string& path, bool, int& error) {
  // Windows has no FIFOs that wait for a reader: nothing here can hold the program.
  const HANDLE handle = OpenHandle(path, GENERIC_WRITE, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrnoOf(::GetLastError());
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::CloseHandle(handle);
    error = ELOOP;
    return -1;
  }
  return DescriptorOf(handle, _O_WRONLY);
}

bool ReadSmall(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  const HANDLE handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE || !IsPlainFile(handle)) return false;
  char buffer[4096];
  bool ok = true;
  while (bytes.size() <= limit) {
    DWORD n = 0;
    if (!::ReadFile(handle, buffer, sizeof buffer, &n, nullptr)) ok = false;
    if (!ok || n == 0) break;
    bytes.append(buffer, n);
  }
  ::CloseHandle(handle);
  return ok && bytes.size() <= limit;
}

bool WriteAll(int fd, std::string_view bytes, int& error) {
  while (!bytes.empty()) {
    const unsigned chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<unsigned>(bytes.size());
    const int n = ::_write(fd, bytes.data(), chunk);
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Truncate(int fd, std::uint64_t size, int& error) {
  const errno_t result = ::_chsize_s(fd, static_cast<long long>(size));
  if (result == 0) return true;
  error = result;
  return false;
}

// Windows has no permission bits to carry over.
bool SetMode(int, unsigned) { return true; }

bool SyncFile(int fd, int& error) {
  const HANDLE handle = HandleOf(fd);
  // The null device or a console has nothing to sync.
  if (::GetFileType(handle) != FILE_TYPE_DISK) return true;
  if (::FlushFileBuffers(handle)) return true;
  error = ErrnoOf(::GetLastError());
  return false;
}

// Renames and removals write through (MoveFileExW): nothing more to sync.
bool SyncFolder(const std::string&) { return true; }

void Close(int fd) {
  if (fd >= 0) ::_close(fd);
}

bool Rename(const std::string& from, const std::string& to, int& error) {
  if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = ErrnoOf(::GetLastError());
  return false;
}

bool Remove(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }

bool TryLock(int fd, bool& busy) {
  busy = false;
  const HANDLE handle = HandleOf(fd);
  if (handle != INVALID_HANDLE_VALUE && LockMark(handle)) return true;
  const DWORD error = ::GetLastError();
  busy = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
  errno = ErrnoOf(error);
  return false;
}

int OpenToLock(const std::string& path) {
  const HANDLE handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE || !IsPlainFile(handle)) return -1;
  return DescriptorOf(handle, _O_RDONLY);
}

int OpenLockFile(const std::string& path, int& error) {
  HANDLE handle = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  // A folder that takes no new files may still hold a lock file from before; a lock needs no
  // write access.
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
    handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrnoOf(::GetLastError());
    return -1;
  }
  if (!IsPlainFile(handle)) {
    error = EINVAL;
    return -1;
  }
  return DescriptorOf(handle, _O_RDWR);
}

long ProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

}  // namespace orvane::fileio
