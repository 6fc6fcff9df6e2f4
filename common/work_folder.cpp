#include "common/work_folder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/platform.h"

namespace orvane {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

constexpr std::size_t kIniValueLimit = 2047;

}  // namespace

std::string ExecutableDirectory() {
  const std::string buf = platform::ExecutablePath();
  if (buf.empty()) return ".";
  const auto slash = buf.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return buf.substr(0, slash);
}

std::string ReadIniValue(const std::string& iniPath, std::string_view section, std::string_view key,
                         const std::string& fallback) {
  std::string value = fallback;
  FindIniValue(iniPath, section, key, value);
  return value;
}

bool FindIniValue(const std::string& iniPath, std::string_view section, std::string_view key, std::string& found) {
  LineReader reader;
  if (!reader.Open(iniPath)) return false;
  std::string line;
  bool inSection = false;
  while (reader.ReadLine(line)) {  // the reader skips a UTF-8 byte-order mark
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#') continue;
    if (text.front() == '[') {
      const auto close = text.find(']');
      inSection = close != std::string_view::npos && EqualNoCase(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || !EqualNoCase(Trim(text.substr(0, eq)), key)) continue;
    std::string_view value = Trim(text.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (value.size() > kIniValueLimit) value = value.substr(0, kIniValueLimit);
    found = std::string(value);
    return true;
  }
  return false;
}

namespace {

// Which section an INI line opens, if it is a section heading.
bool SectionHeading(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

bool IsKeyLine(std::string_view line, std::string_view key) {
  line = Trim(line);
  if (line.empty() || line.front() == ';' || line.front() == '#') return false;
  const auto eq = line.find('=');
  return eq != std::string_view::npos && EqualNoCase(Trim(line.substr(0, eq)), key);
}

}  // namespace

bool WriteIniValue(const std::string& iniPath, std::string_view section, std::string_view key,
                   std::string_view value) {
  // A link is followed, so the file it names gets the new text and the link stays.
  const std::string target = platform::LinkTarget(iniPath);
  std::string text;
  const platform::FileStatus info = platform::StatusOf(target);
  const bool exists = info.kind != platform::FileKind::Missing && info.kind != platform::FileKind::Unreadable;
  if (exists) {
    std::FILE* in = platform::OpenFile(target, "rb");
    if (!in) return false;
    char block[4096];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) text.append(block, n);
    const bool bad = std::ferror(in) != 0;
    std::fclose(in);
    if (bad) return false;
  }
  const bool lfOnly = text.find('\n') != std::string::npos && text.find("\r\n") == std::string::npos;
  const std::string eol = lfOnly ? "\n" : "\r\n";
  const std::string entry = std::string(key) + "=" + std::string(value);

  // Lines with their ends, so the untouched ones are copied byte for byte.
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, next - start));
    start = next;
  }
  auto body = [](const std::string& line) {
    std::string_view v = line;
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.remove_suffix(1);
    return v;
  };
  bool inSection = false;
  bool done = false;
  std::ptrdiff_t lastInSection = -1;  // where a missing key goes
  for (std::size_t n = 0; n < lines.size() && !done; ++n) {
    std::string_view name;
    if (SectionHeading(body(lines[n]), name)) {
      inSection = EqualNoCase(name, section);
      if (inSection) lastInSection = static_cast<std::ptrdiff_t>(n);
      continue;
    }
    if (!inSection) continue;
    if (IsKeyLine(body(lines[n]), key)) {
      const std::string_view old = body(lines[n]);
      lines[n] = entry + lines[n].substr(old.size());
      done = true;
    } else if (!Trim(body(lines[n])).empty()) {
      lastInSection = static_cast<std::ptrdiff_t>(n);
    }
  }
  if (!done) {
    if (!lines.empty() && lines.back().back() != '\n') lines.back() += eol;
    if (lastInSection >= 0) {
      lines.insert(lines.begin() + lastInSection + 1, entry + eol);
    } else {
      lines.push_back("[" + std::string(section) + "]" + eol);
      lines.push_back(entry + eol);
    }
  }

  const std::string temporary = target + ".tmp-" + std::to_string(platform::ProcessId());
  std::FILE* out = platform::OpenFile(temporary, "wb");
  if (!out) return false;
  bool ok = true;
  for (const auto& line : lines) ok = ok && std::fwrite(line.data(), 1, line.size(), out) == line.size();
  ok = platform::SyncStream(out) && ok;
  ok = std::fclose(out) == 0 && ok;
  if (ok && exists) platform::SetPermissions(temporary, info.mode);
  if (!ok || !platform::RenameOver(temporary, target)) {
    platform::RemoveFile(temporary);
    return false;
  }
  return true;
}

std::string DefaultWorkFolder() {
  const std::string home = platform::HomeFolder();
  return !home.empty() ? home : std::string("/");
}

std::string LoadWorkFolder(const std::string& iniPath) { return LoadWorkFolder(SettingsFiles{iniPath, {iniPath}}); }

std::string LoadWorkFolder(const SettingsFiles& files) {
  std::string folder = ReadSetting(files, "General", "path", DefaultWorkFolder());
  if (!IsValidUtf8(folder)) folder = FromCp1250(folder);
  return folder;
}

std::string LoadWorkFolder() { return LoadWorkFolder(FindSettingsFiles()); }

bool FileExists(const std::string& path) {
  const platform::FileKind kind = platform::StatusOf(path).kind;
  return kind != platform::FileKind::Missing && kind != platform::FileKind::Unreadable &&
         kind != platform::FileKind::Directory;
}

std::string StandardFilePath(const std::string& workFolder, std::string_view name) {
  std::string exact = workFolder + "/" + std::string(name);
  // Where names ignore case, the folder is read anyway, so the path carries the file's own
  // spelling, as on Linux.
  if (!platform::NamesIgnoreCase() && FileExists(exact)) return exact;
  std::vector<std::string> entries;
  if (!platform::ListFolder(workFolder, entries)) return exact;
  std::string found;
  for (const auto& entry : entries) {
    if (EqualNoCase(entry, name)) {
      std::string candidate = workFolder + "/" + entry;
      if (!FileExists(candidate)) continue;
      // Several spellings of one name: the first in byte order, so the choice is stable.
      if (found.empty() || candidate < found) found = candidate;
    }
  }
  return found.empty() ? exact : found;
}

std::vector<int> PresenceFlags(const std::string& workFolder, const std::vector<std::string>& names) {
  std::vector<int> flags;
  flags.reserve(names.size());
  for (const auto& name : names) flags.push_back(FileExists(StandardFilePath(workFolder, name)) ? 1 : 0);
  return flags;
}

const std::vector<std::string>& SolvantaPresenceNames() {
  static const std::vector<std::string> names = {"bl",      "blh_e",      "blh_n",   "bln",    "blh_n.1",
                                                 "blh_e.1", "deltah.gps", "blh.grs", "deltah1"};
  return names;
}

const std::vector<std::string>& KvelPresenceNames() {
  static const std::vector<std::string> names = {"deltah", "deltah1", "h.sta", "xyh.sta"};
  return names;
}

}  // namespace orvane
