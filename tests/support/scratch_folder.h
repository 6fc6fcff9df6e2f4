#pragma once
// A fresh working folder for one test, removed afterwards (with any permission a test took away
// given back first). Files are written from UTF-8 text as the suite's users keep them:
// Windows-1250 bytes with CR LF line ends. Every test program uses this one.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1250.h"
#include "common/platform.h"

namespace orvane::testing {

// The fixture folders of the test program (ORVANE_TEST_FIXTURES), and a path inside them.
inline std::string FixturePath(const std::string& relative) { return std::string(ORVANE_TEST_FIXTURES) + "/" + relative; }

class ScratchFolder {
 public:
  ScratchFolder() : path_(platform::MakeTemporaryFolder("orvane_test_")) {
    if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& Str() const { return path_; }
  std::filesystem::path Root() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

  // Writes `utf8` converted to Windows-1250, every LF written as CR LF.
  void Write(std::string_view name, std::string_view utf8) const { WriteBytes(name, ToFileBytes(utf8)); }
  // Writes the bytes exactly as given.
  void WriteBytes(std::string_view name, std::string_view bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // The file's bytes; empty when it is missing or no plain file.
  std::string Read(std::string_view name) const {
    if (!std::filesystem::is_regular_file(File(name))) return {};
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(std::string_view name) const { return std::filesystem::exists(File(name)); }
  void Remove(std::string_view name) const { std::filesystem::remove(File(name)); }

  // Copies every file of a fixture folder into this one.
  void CopyFixture(std::string_view fixture) const {
    const std::filesystem::path source = FixturePath(std::string(fixture));
    for (const auto& entry : std::filesystem::directory_iterator(source))
      std::filesystem::copy_file(entry.path(), std::filesystem::path(path_) / entry.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
  }
  // Copies the files `names` of a fixture folder into this one.
  void CopyFixture(const std::string& fixture, const std::vector<std::string>& names) const {
    for (const auto& name : names)
      std::filesystem::copy_file(FixturePath(fixture + "/" + name), std::filesystem::path(path_) / name);
  }

  // UTF-8 text with LF line ends as the bytes of a result file: Windows-1250 with CR LF.
  static std::string ToFileBytes(std::string_view utf8) {
    const std::string bytes = orvane::ToCp1250(utf8);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (char c : bytes) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  }

 private:
  std::string path_;
};

}  // namespace orvane::testing
