#include "common/work_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/cp1250.h"
#include "common/line_reader.h"

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
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  buf.resize(static_cast<std::size_t>(n));
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
  std::string target = iniPath;
  if (char* real = ::realpath(iniPath.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  std::string text;
  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists) {
    std::ifstream in(target, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
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

  const std::string temporary = target + ".tmp-" + std::to_string(::getpid());
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) return false;
  bool ok = true;
  for (const auto& line : lines) ok = ok && std::fwrite(line.data(), 1, line.size(), out) == line.size();
  ok = std::fflush(out) == 0 && ok;
  ok = ::fsync(::fileno(out)) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  if (ok && exists) ::chmod(temporary.c_str(), info.st_mode & 07777);
  if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string DefaultWorkFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) : std::string("/");
}

std::string LoadWorkFolder(const std::string& iniPath) { return LoadWorkFolder(SettingsFiles{iniPath, {iniPath}}); }

std::string LoadWorkFolder(const SettingsFiles& files) {
  std::string folder = ReadSetting(files, "General", "path", DefaultWorkFolder());
  if (!IsValidUtf8(folder)) folder = FromCp1250(folder);
  return folder;
}

std::string LoadWorkFolder() { return LoadWorkFolder(FindSettingsFiles()); }

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string StandardFilePath(const std::string& workFolder, std::string_view name) {
  std::string exact = workFolder + "/" + std::string(name);
  if (FileExists(exact)) return exact;
  DIR* dir = ::opendir(workFolder.empty() ? "/" : workFolder.c_str());
  if (!dir) return exact;
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    if (EqualNoCase(entry->d_name, name)) {
      std::string candidate = workFolder + "/" + entry->d_name;
      if (!FileExists(candidate)) continue;
      // Several spellings of one name: the first in byte order, so the choice is stable.
      if (found.empty() || candidate < found) found = candidate;
    }
  }
  ::closedir(dir);
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
