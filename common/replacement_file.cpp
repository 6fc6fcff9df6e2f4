#include "common/replacement_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <utility>

#include "common/folder_io.h"
#include "common/platform.h"

namespace orvane {

namespace {

namespace io = fileio;

// The folder of a path the caller gave (on Windows '\\' separates too); records and the names
// the run makes use '/'.
std::string FolderOf(const std::string& path) {
  const auto slash = platform::LastSeparator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The part of `path` (relative to `folder`) before its last name, with its separator: "" or "a/".
std::string LeadOf(const std::string& relative) {
  const auto slash = relative.rfind('/');
  return slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
}

// A suffix no other writer uses at the same time: process, a counter and the clock.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  return std::to_string(io::ProcessId()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
         std::to_string(ticks % 1000000007ULL);
}

// ---- The commit record ---------------------------------------------------------------------------
//
//   ORVANE-COMMIT 1
//   <temporary>TAB<result>        one line per file, both relative to the folder
//   END <count> <checksum>        FNV-1a (64 bits, hex) of every byte before this line
//
// A record that does not end in its END line with the right count and checksum is torn.

constexpr std::string_view kRecordHeader = "ORVANE-COMMIT 1\n";

struct RecordEntry {
  std::string temporary;
  std::string result;
};

std::string Checksum(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string RecordText(const std::vector<RecordEntry>& entries) {
  std::string text(kRecordHeader);
  for (const auto& entry : entries) text += entry.temporary + "\t" + entry.result + "\n";
  return text + "END " + std::to_string(entries.size()) + " " + Checksum(text) + "\n";
}

// A name relative to the folder that stays inside it: no absolute path, no "..", no empty part.
bool StaysInside(std::string_view relative) {
  if (relative.empty() || relative.front() == '/') return false;
  std::size_t start = 0;
  for (;;) {
    const auto slash = relative.find('/', start);
    const std::string_view part = relative.substr(start, slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

// The entries of a whole record; false for a torn or foreign one.
bool ParseRecord(const std::string& bytes, std::vector<RecordEntry>& entries) {
  entries.clear();
  if (bytes.size() < kRecordHeader.size() || bytes.compare(0, kRecordHeader.size(), kRecordHeader) != 0 ||
      bytes.back() != '\n')
    return false;
  const auto endLine = bytes.rfind("\nEND ", bytes.size() - 2);
  if (endLine == std::string::npos) return false;
  const std::string body = bytes.substr(0, endLine + 1);
  for (std::size_t start = kRecordHeader.size(); start < body.size();) {
    const auto end = body.find('\n', start);
    const std::string line = body.substr(start, end - start);
    const auto tab = line.find('\t');
    if (tab == std::string::npos) return false;
    RecordEntry entry{line.substr(0, tab), line.substr(tab + 1)};
    if (!StaysInside(entry.temporary) || !StaysInside(entry.result) ||
        !NameOf(entry.temporary).starts_with(kTemporaryPrefix))
      return false;
    entries.push_back(std::move(entry));
    start = end + 1;
  }
  return bytes.substr(endLine + 1) == "END " + std::to_string(entries.size()) + " " + Checksum(body) + "\n";
}

// The folders (the folder and those below it) that hold the files of `entries`.
std::set<std::string> FoldersOf(const std::string& folder, const std::vector<RecordEntry>& entries) {
  std::set<std::string> folders{folder};
  for (const auto& entry : entries) {
    const std::string lead = LeadOf(entry.result);
    if (!lead.empty()) folders.insert(folder + "/" + lead.substr(0, lead.size() - 1));
  }
  return folders;
}

void SyncFolders(const std::set<std::string>& folders) {
  for (const auto& folder : folders) io::SyncFolder(folder);
}

// Writes the record and syncs it with the folders that hold the temporaries: after this the
// group is bound to be carried out. False (with `error`) when it could not be made durable.
bool WriteRecord(const std::string& folder, const std::vector<RecordEntry>& entries, int& error) {
  const std::string path = folder + "/" + std::string(kCommitRecordName);
  // Whatever holds the name now (a record of a run that had no lock, a link) is removed itself.
  int ignored = 0;
  const io::Entry existing = io::Inspect(path, ignored);
  if (existing.kind == io::Kind::Folder) {
    error = EISDIR;
    return false;
  }
  if (existing.kind != io::Kind::Missing) io::Remove(path);
  const int fd = io::CreateNew(path, error);
  if (fd < 0) return false;
  bool ok = io::WriteAll(fd, RecordText(entries), error) && io::SyncFile(fd, error);
  io::Close(fd);
  if (ok) {
    for (const auto& each : FoldersOf(folder, entries)) {
      if (!io::SyncFolder(each)) {
        error = EIO;
        ok = false;
      }
    }
  }
  if (!ok) io::Remove(path);
  return ok;
}

}  // namespace

// ---- One replacement file ------------------------------------------------------------------------

ReplacementFile::~ReplacementFile() { Discard(); }

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept { *this = std::move(other); }

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    mode_ = other.mode_;
    target_ = std::move(other.target_);
    folder_ = std::move(other.folder_);
    final_ = std::move(other.final_);
    temporary_ = std::exchange(other.temporary_, std::string());
    contents_ = std::move(other.contents_);
    problem_ = std::move(other.problem_);
  }
  return *this;
}

bool ReplacementFile::Refuse(std::string reason) {
  Discard();
  problem_ = std::move(reason);
  return false;
}

bool ReplacementFile::Fail(int error) { return Refuse(io::ErrorReason(error)); }

int ReplacementFile::Create(const std::string& target) {
  Discard();
  problem_.clear();
  contents_.clear();
  mode_ = Mode::Temporary;
  target_ = target;
  folder_ = FolderOf(target);
  final_ = NameOf(target);
  int error = 0;
  io::Entry entry = io::Inspect(target, error);
  std::string opened = target;  // what a FIFO or device is opened as: the end of the user's link
  if (entry.kind == io::Kind::Missing && error != ENOENT) return Fail(error), -1;
  if (entry.kind == io::Kind::Link) {
    // A link is followed only when it is the user's own and leads to a plain file inside the
    // folder, or to a FIFO or character device; another user's link is never followed.
    if (!entry.mine) return Refuse("dowiązanie symboliczne innego użytkownika"), -1;
    std::string resolved;
    std::string folder;
    const io::Entry end = io::Follow(target, resolved);
    io::Follow(folder_, folder);
    if (end.kind == io::Kind::Missing) {
      entry = {};  // a link that leads nowhere is replaced itself
    } else if (end.kind == io::Kind::Pipe || end.kind == io::Kind::CharacterDevice) {
      entry = end;
      opened = resolved;
    } else if (end.kind == io::Kind::Folder) {
      return Fail(EISDIR), -1;
    } else if (end.kind != io::Kind::File) {
      return Fail(EINVAL), -1;
    } else if (folder.empty() || !resolved.starts_with(folder + "/")) {
      return Refuse("dowiązanie symboliczne do pliku poza folderem roboczym"), -1;
    } else {
      final_ = resolved.substr(folder.size() + 1);
      entry = end;
    }
  }
  switch (entry.kind) {
    case io::Kind::Folder:
      return Fail(EISDIR), -1;
    case io::Kind::Pipe:
    case io::Kind::CharacterDevice:
      // Opened without waiting: a FIFO with no reader fails instead of holding the program.
      mode_ = Mode::InPlace;
      fd_ = io::OpenExisting(opened, true, error);
      if (fd_ < 0) Fail(error);
      return fd_;
    case io::Kind::File:
    case io::Kind::Missing:
      break;
    default:
      return Fail(EINVAL), -1;
  }
  const bool exists = entry.kind == io::Kind::File;
  if (exists && !io::MayReplace(FinalPath())) return Refuse("plik innego użytkownika w folderze wspólnym"), -1;
  const std::string stem = LeadOf(final_) + std::string(kTemporaryPrefix) + NameOf(final_) + ".";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = stem + UniqueSuffix();
    fd_ = io::CreateNew(TemporaryPath(), error);
    if (fd_ < 0 && error != EEXIST) break;
  }
  if (fd_ < 0) {
    temporary_.clear();
    // A folder where nothing new may be created can still hold a result that may be written:
    // the new contents wait in memory for the whole group, and only then overwrite it.
    if (!exists || (error != EACCES && error != EPERM)) return Fail(error), -1;
    mode_ = Mode::Memory;
    fd_ = io::OpenExisting(FinalPath(), false, error);
    if (fd_ < 0) Fail(error);
    return fd_;
  }
  // The lock tells RemoveStaleTemporaries that this temporary is alive.
  bool busy = false;
  io::TryLock(fd_, busy);
  // The new file keeps the permissions of the one it replaces.
  if (exists) io::SetMode(fd_, entry.mode);
  return fd_;
}

bool ReplacementFile::Sync() {
  if (fd_ < 0) return false;
  if (mode_ != Mode::Temporary) return true;  // a device, or a result still in memory
  int error = 0;
  return io::SyncFile(fd_, error) || Fail(error);
}

bool ReplacementFile::WriteInPlace() {
  int error = 0;
  const bool ok = io::WriteAll(fd_, contents_, error) && io::Truncate(fd_, contents_.size(), error) &&
                  io::SyncFile(fd_, error);
  contents_.clear();
  CloseDescriptor();
  return ok || Fail(error);
}

bool ReplacementFile::Commit() {
  if (fd_ < 0) return false;
  if (mode_ == Mode::Memory) return WriteInPlace();
  if (mode_ == Mode::InPlace) {
    CloseDescriptor();
    return true;
  }
  int error = 0;
  if (!io::Rename(TemporaryPath(), FinalPath(), error)) return Fail(error);
  temporary_.clear();
  CloseDescriptor();
  io::SyncFolder(FolderOf(FinalPath()));
  return true;
}

void ReplacementFile::Discard() {
  if (!temporary_.empty()) io::Remove(TemporaryPath());
  temporary_.clear();
  contents_.clear();
  CloseDescriptor();
}

void ReplacementFile::CloseDescriptor() {
  io::Close(fd_);
  fd_ = -1;
}

// ---- The group -----------------------------------------------------------------------------------

ResultFiles::~ResultFiles() = default;

void ResultFiles::Fail(const std::string& target, std::string problem, bool notCreated) {
  if (Failed()) return;
  failed_ = target;
  problem_ = std::move(problem);
  notCreated_ = notCreated;
}

bool ResultFiles::CommitRecorded(std::vector<ReplacementFile*>& renamed) {
  const std::string& folder = renamed.front()->folder_;
  std::vector<RecordEntry> entries;
  for (const ReplacementFile* file : renamed) {
    if (file->folder_ != folder) {
      Fail(file->target_, "pliki wyników w różnych folderach", false);
      return false;
    }
    entries.push_back({file->temporary_, file->final_});
  }
  int error = 0;
  if (renamed.size() > 1 && !WriteRecord(folder, entries, error)) {
    Fail(folder + "/" + std::string(kCommitRecordName), io::ErrorReason(error), false);
    return false;
  }
  // From here on the group is bound: a rename that fails now is carried out by the next run, so
  // its temporary stays where the record says.
  bool ok = true;
  for (ReplacementFile* file : renamed) {
    if (io::Rename(file->TemporaryPath(), file->FinalPath(), error)) {
      file->temporary_.clear();
    } else if (renamed.size() > 1) {
      Fail(file->target_, io::ErrorReason(error) + "; zapis wyników dokończy następne obliczenie w tym folderze", false);
      file->temporary_.clear();
      ok = false;
    } else {
      Fail(file->target_, io::ErrorReason(error), false);
      return false;
    }
    file->CloseDescriptor();
  }
  SyncFolders(FoldersOf(folder, entries));
  if (ok && renamed.size() > 1) io::Remove(folder + "/" + std::string(kCommitRecordName));
  return ok;
}

bool ResultFiles::Commit() {
  std::vector<ReplacementFile*> renamed;
  for (auto& file : files_)
    if (file.mode_ == ReplacementFile::Mode::Temporary) renamed.push_back(&file);
  bool ok = !Failed() && (renamed.empty() || CommitRecorded(renamed));
  if (ok) {
    // Results kept in memory (a folder that takes no new files) and devices, last.
    for (auto& file : files_) {
      if (file.mode_ == ReplacementFile::Mode::Temporary || file.Commit()) continue;
      Fail(file.target_, file.problem_, false);
      ok = false;
    }
  }
  files_.clear();
  return ok;
}

// ---- Settling and cleaning a folder --------------------------------------------------------------

Settlement SettleInterruptedCommit(const std::string& folder) {
  Settlement settlement;
  const std::string path = folder + "/" + std::string(kCommitRecordName);
  int error = 0;
  const io::Entry entry = io::Inspect(path, error);
  if (entry.kind == io::Kind::Missing) return settlement;
  std::string bytes;
  std::vector<RecordEntry> entries;
  if (entry.kind != io::Kind::File || !io::ReadSmall(path, bytes, 1 << 20) || !ParseRecord(bytes, entries)) {
    // Torn (the run was killed while writing it) or no record at all: the group never started,
    // its temporaries are dropped with the other stale ones.
    if (entry.kind != io::Kind::Folder) io::Remove(path);
    io::SyncFolder(folder);
    return settlement;
  }
  for (const auto& each : entries) {
    const std::string temporary = folder + "/" + each.temporary;
    if (io::Inspect(temporary, error).kind != io::Kind::File) continue;  // renamed before the stop
    if (!io::Rename(temporary, folder + "/" + each.result, error) && settlement.ok) {
      settlement.ok = false;
      settlement.file = folder + "/" + each.result;
      settlement.problem = io::ErrorReason(error);
    }
  }
  SyncFolders(FoldersOf(folder, entries));
  if (settlement.ok) {
    io::Remove(path);
    io::SyncFolder(folder);
  }
  return settlement;
}

void RemoveStaleTemporaries(const std::string& folder) {
  for (const std::string& name : io::Names(folder)) {
    if (!std::string_view(name).starts_with(kTemporaryPrefix)) continue;
    const std::string path = folder + "/" + name;
    const int fd = io::OpenToLock(path);
    if (fd < 0) continue;
    // A temporary whose writer lives is locked; one that can be locked was left behind.
    bool busy = false;
    if (io::TryLock(fd, busy)) io::Remove(path);
    io::Close(fd);
  }
}

}  // namespace orvane
