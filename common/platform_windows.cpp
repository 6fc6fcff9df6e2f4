// The platform layer on Windows (MinGW-w64): the wide (UTF-16) API for every path, LockFileEx for
// locks, MoveFileExW for replacements, CreateProcessW for child programs.
#include "common/windows_calls.h"
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <cfloat>

#include "common/cp1250.h"
#include "common/platform.h"
#include "common/platform_numbers.h"
#include "common/process_start.h"

namespace orvane {

using namespace windows;

void PrepareProcess() {
  // Descriptors the parent left without a handle (a program started without a console) get the
  // null device, so that nothing else takes their numbers.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::_get_osfhandle(fd) != -1) continue;
    const int opened = ::_wopen(L"NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::_dup2(opened, fd);
      ::_close(opened);
    }
  }
  // The messages are UTF-8; the console shows them so. Output and error are written as they are,
  // line ends included, as on Linux (the console moves to a new line at LF alone).
  ::SetConsoleOutputCP(CP_UTF8);
  ::_setmode(1, _O_BINARY);
  ::_setmode(2, _O_BINARY);
}

}  // namespace orvane

namespace orvane::platform {

using namespace windows;

const char* SystemName() { return "Windows"; }

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string path = Utf8(buffer);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string CurrentFolder() {
  const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return ".";
  std::wstring buffer(n, L'\0');
  const DWORD got = ::GetCurrentDirectoryW(n, buffer.data());
  if (got == 0 || got >= n) return ".";
  buffer.resize(got);
  return Utf8(buffer);
}

std::string HomeFolder() {
  const wchar_t* home = ::_wgetenv(L"USERPROFILE");
  return home ? Utf8(home) : std::string();
}

std::string UserConfigBase() {
  const wchar_t* appData = ::_wgetenv(L"APPDATA");
  std::string base = appData ? Utf8(appData) : std::string();
  for (char& c : base) {
    if (c == '\\') c = '/';
  }
  return base;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      (path[2] == '\\' || path[2] == '/'))
    return true;
  return !path.empty() && (path.front() == '/' || path.front() == '\\');
}

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  ::localtime_s(&local, &when);
  return local;
}

char** Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide || count != argc) {
    if (wide) ::LocalFree(wide);
    return argv;
  }
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  texts.clear();
  for (int i = 0; i < count; ++i) texts.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  pointers.clear();
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers.data();
}

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

bool NamesIgnoreCase() { return true; }

FileStatus StatusOf(const std::string& path) {
  FileStatus status;
  const std::wstring name = Wide(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = ::GetLastError();
    status.kind = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
                      ? FileKind::Missing
                      : FileKind::Unreadable;
    return status;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    status.kind = FileKind::Directory;
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
    status.kind = FileKind::Other;
  } else {
    status.kind = FileKind::Regular;
    status.size = (static_cast<std::uintmax_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return status;
}

// Links are rare on Windows desktops and need privileges to make: a link is replaced, not followed.
std::string LinkTarget(const std::string& path) { return path; }

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::wstring pattern = Wide(folder.empty() ? std::string("/") : folder);
  if (!pattern.empty() && pattern.back() != L'/' && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  const HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8(name));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return true;
}

bool MakeFolder(const std::string& path) {
  if (::CreateDirectoryW(Wide(path).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
    return StatusOf(path).kind == FileKind::Directory;
  return false;
}

bool MayWrite(const std::string& path) { return ::_waccess(Wide(path).c_str(), 2) == 0; }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return ::_wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::FILE* OpenPlainFileForReading(const std::string& path) {
  const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // A folder cannot be opened so; a device name (CON, a pipe) is no file on a disk.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return nullptr;
  }
  const int fd = DescriptorOf(handle, _O_RDONLY);
  if (fd < 0) return nullptr;
  std::FILE* file = StreamOf(fd, "rb");
  if (!file) ::_close(fd);
  return file;
}

bool SyncStream(std::FILE* file) { return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0; }

bool RenameOver(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }

int DuplicateDescriptor(int fd) { return ::_dup(fd); }

void CloseDescriptor(int fd) { ::_close(fd); }

std::FILE* StreamOf(int fd, const char* mode) { return ::_fdopen(fd, mode); }

void SetPermissions(const std::string&, unsigned) {}

void* MapZeroedPages(std::size_t length) {
  return ::VirtualAlloc(nullptr, length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void AdviseLargePages(void*, std::size_t) {}

void UnmapPages(void* mapping, std::size_t) { ::VirtualFree(mapping, 0, MEM_RELEASE); }

namespace {

// One argument as the C runtime's parser (CommandLineToArgvW) reads it back.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  for (auto it = argument.begin();; ++it) {
    std::size_t backslashes = 0;
    while (it != argument.end() && *it == L'\\') {
      ++it;
      ++backslashes;
    }
    if (it == argument.end()) {
      line.append(backslashes * 2, L'\\');
      break;
    }
    if (*it == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    line += *it;
  }
  line += L'"';
}

HANDLE OpenForChild(const std::wstring& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, kShareAll, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
               const std::string& errPath) {
  std::wstring application = Wide(program);
  if (StatusOf(program).kind == FileKind::Missing && StatusOf(program + ".exe").kind == FileKind::Regular)
    application += L".exe";
  std::wstring line;
  AppendQuoted(line, application);
  for (const auto& argument : arguments) AppendQuoted(line, Wide(argument));

  const HANDLE input = OpenForChild(L"NUL", false);
  const HANDLE output = outPath.empty() ? ::GetStdHandle(STD_OUTPUT_HANDLE) : OpenForChild(Wide(outPath), true);
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (!errPath.empty()) error = errPath == outPath ? output : OpenForChild(Wide(errPath), true);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
  if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
  if (!outPath.empty() && output != INVALID_HANDLE_VALUE) ::CloseHandle(output);
  if (!errPath.empty() && errPath != outPath && error != INVALID_HANDLE_VALUE) ::CloseHandle(error);
  if (!started) return -1;
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

std::string MakeTemporaryFolder(std::string_view prefix) {
  wchar_t base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return {};
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring name = std::wstring(base, n) + Wide(prefix) + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                              std::to_wstring(counter.fetch_add(1)) + L"_" + std::to_wstring(::GetTickCount());
    if (::CreateDirectoryW(name.c_str(), nullptr)) {
      std::string folder = Utf8(name);
      for (char& c : folder) {
        if (c == '\\') c = '/';
      }
      return folder;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

std::from_chars_result ExtendedFromChars(const char* first, const char* last, long double& value) {
  // strtold takes the decimal point of the process's locale.
  std::string text(first, last);
  const char point = *std::localeconv()->decimal_point;
  for (char& c : text) {
    if (c == '.') c = point;
  }
  char* end = nullptr;
  errno = 0;
  const long double parsed = ::__mingw_strtold(text.c_str(), &end);
  const auto used = static_cast<std::size_t>(end - text.c_str());
  if (used == 0) return {first, std::errc::invalid_argument};
  if (errno == ERANGE && (std::isinf(parsed) || std::fabs(parsed) < LDBL_MIN))
    return {first + used, std::errc::result_out_of_range};
  value = parsed;
  return {first + used, std::errc()};
}

}  // namespace orvane::platform
