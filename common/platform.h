#pragma once
// The few things the operating system does differently, in one place: platform_posix.cpp (Linux)
// and platform_windows.cpp (Windows, built with MinGW-w64). Everything above this layer is the
// same on both.
//
// Paths are UTF-8 text throughout the suite. On Windows every call converts them to UTF-16 and
// uses the wide API, so a working folder named with Polish letters works whatever the system's
// code page; '/' and '\' both separate folders there. File contents are never converted: text
// files keep their bytes (Windows-1250, CR LF) on both systems.
//
// Descriptors are the C runtime's (`int`), on Windows too (_open_osfhandle), so the classes above
// keep one shape. The calls under the result files and the folder lock have a header of their own,
// common/folder_io.h, with the same two forms (folder_io_posix.cpp, folder_io_windows.cpp).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform {

// --- the program itself -------------------------------------------------------------------

// The system the program was built for, as the report header names it: "Linux" or "Windows".
const char* SystemName();

// Full path of the running program file; empty when it cannot be told.
std::string ExecutablePath();
// The current folder of the process; "." when it cannot be told.
std::string CurrentFolder();
// The user's home folder ($HOME; on Windows %USERPROFILE%); empty when there is none.
std::string HomeFolder();
// The base folder of the user's settings: $XDG_CONFIG_HOME on Linux (empty when unset), %APPDATA%
// on Windows.
std::string UserConfigBase();
// Whether `path` names a place without regard to the current folder ("/..." ; on Windows also
// "C:\\...", "C:/..." and "\\\\server\\...").
bool IsAbsolutePath(std::string_view path);
// A number that tells this process from the others running now.
unsigned long ProcessId();
// The local calendar time of `when` (localtime, safe in threads).
std::tm LocalTime(std::time_t when);
// The program's arguments as UTF-8 text. On Linux that is argv itself; on Windows argv is in the
// system's code page, which cannot spell every folder name, so the wide command line is read
// instead. The array lives as long as the process.
char** Utf8Arguments(int argc, char** argv);

// --- files and folders --------------------------------------------------------------------

enum class FileKind {
  Missing,    // no such file (or a missing folder on its way)
  Regular,    // a plain file
  Directory,  // a folder
  Other,      // a FIFO, a device, a socket
  Unreadable  // it could not be asked (no permission on a folder on its way, an I/O error)
};

struct FileStatus {
  FileKind kind = FileKind::Missing;
  std::uintmax_t size = 0;
  unsigned mode = 0;  // permission bits (POSIX); 0 on Windows
};

// Where the last folder separator of `path` stands ('/'; on Windows '\\' too); npos when none.
std::size_t LastSeparator(std::string_view path);
// Whether the file system takes names without regard to letter case (Windows).
bool NamesIgnoreCase();

// What `path` names, a symbolic link followed.
FileStatus StatusOf(const std::string& path);
// The file a symbolic link names (the whole chain resolved); `path` itself when it is no link or
// the link leads nowhere.
std::string LinkTarget(const std::string& path);
// Names of the entries of a folder ("." and ".." left out), in the system's order; false when the
// folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names);

// Makes the folder `path` (mode 0700 on POSIX); true when it exists afterwards.
bool MakeFolder(const std::string& path);
// Whether this user may write the existing file `path`.
bool MayWrite(const std::string& path);

// std::fopen with a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);
// A plain file opened for reading in binary mode; nullptr for anything else. It never waits: a
// FIFO in place of an input would otherwise hold the program until someone writes to it.
std::FILE* OpenPlainFileForReading(const std::string& path);
// Flushes a stream and makes its data durable on the disk; false on an error.
bool SyncStream(std::FILE* file);

// Renames `from` over `to` (which may exist) in one step; false when it failed.
bool RenameOver(const std::string& from, const std::string& to);
// Removes a file; false when it failed.
bool RemoveFile(const std::string& path);

// --- descriptors of streams (the result files themselves: common/folder_io.h) ---------------

// A second descriptor of the same open file, not passed on to child processes.
int DuplicateDescriptor(int fd);
void CloseDescriptor(int fd);
// A stream over `fd` (fdopen), which then owns it; nullptr on failure.
std::FILE* StreamOf(int fd, const char* mode);
// Gives the file `path` the permission bits `mode` (POSIX; nothing on Windows).
void SetPermissions(const std::string& path, unsigned mode);

// --- memory -------------------------------------------------------------------------------

// `length` bytes of fresh zeroed pages; nullptr when there is not enough memory.
void* MapZeroedPages(std::size_t length);
// Asks for large pages within a block of MapZeroedPages (a hint; nothing on Windows).
void AdviseLargePages(void* block, std::size_t length);
void UnmapPages(void* mapping, std::size_t length);

// --- processes ----------------------------------------------------------------------------

// Starts `program` with `arguments` (argv[0] excluded) and waits for it. Its standard output and
// error go to the files `outPath` and `errPath` (created or emptied; an empty path keeps the
// caller's); its standard input is empty. The exit status, or -1 when it could not be started,
// or 128 + the signal when a signal ended it (POSIX).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outPath = {}, const std::string& errPath = {});

// A new empty folder under the system's folder for temporary files (TMPDIR first on POSIX, the
// user's TEMP folder on Windows), its name beginning with `prefix`; empty when none could be made.
std::string MakeTemporaryFolder(std::string_view prefix);

}  // namespace orvane::platform
