#pragma once
// The few file-system calls on which replacing results and locking a folder rest, in one place:
// look at a name without following a link, create a file that did not exist, write, sync a file
// and a folder, rename, remove, list a folder, lock a file. Every other part of the suite reaches
// the disk for its results through these (folder_io_posix.cpp and folder_io_windows.cpp are their
// forms; folder_io.cpp holds what both share). Errors come back as
// an error number (errno) for ErrorReason to put into words.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::fileio {

// What a name is, seen without following a link.
enum class Kind { Missing, File, Folder, Link, Pipe, CharacterDevice, Other };

struct Entry {
  Kind kind = Kind::Missing;
  unsigned mode = 0;  // permission bits
  bool mine = true;  // owned by the user running the program
};

// The entry `path` names; Kind::Missing with `error` set when it cannot be looked at.
Entry Inspect(const std::string& path, int& error);
// What a link finally names, followed to its end (Kind::Missing when it leads nowhere), and the
// absolute path of that end in `resolved`.
Entry Follow(const std::string& path, std::string& resolved);

// Whether the user may put another file in place of the existing `path`: not so for another
// user's file in a folder with the sticky bit (such as /tmp) that is not the user's either.
bool MayReplace(const std::string& path);

// A new file that did not exist (never through a link), open for writing; -1 with `error`.
int CreateNew(const std::string& path, int& error);
// An existing file or device opened for writing as it is (not truncated, never through a link);
// `nonblocking` keeps a FIFO with no reader from holding the program. -1 with `error`.
int OpenExisting(const std::string& path, bool nonblocking, int& error);
// The same for reading a small file of the folder (the commit record); false when it cannot.
bool ReadSmall(const std::string& path, std::string& bytes, std::size_t limit);
bool WriteAll(int fd, std::string_view bytes, int& error);
bool Truncate(int fd, std::uint64_t size, int& error);
bool SetMode(int fd, unsigned mode);
bool SyncFile(int fd, int& error);
// Syncs a folder, so that the names created, renamed and removed in it survive a power failure.
bool SyncFolder(const std::string& folder);
void Close(int fd);
// Renames within one folder, over an existing name; false with `error`.
bool Rename(const std::string& from, const std::string& to, int& error);
// Removes a name (a link itself, never what it names).
bool Remove(const std::string& path);
// The names in a folder (without "." and ".."); empty when it cannot be read.
std::vector<std::string> Names(const std::string& folder);

// An advisory lock on an open file, held until the descriptor is closed: true when taken, false
// with `busy` when another holder has it.
bool TryLock(int fd, bool& busy);
// A plain file opened to be locked (never through a link); -1 when it is no plain file.
int OpenToLock(const std::string& path);
// The lock file of a folder, opened or created (never through a link); -1 with `error`.
int OpenLockFile(const std::string& path, int& error);

// The number of the running process (part of the names of its temporaries).
long ProcessId();

// The reason of an error number in Polish words (UTF-8), e.g. "brak miejsca na dysku".
std::string ErrorReason(int error);

}  // namespace orvane::fileio
