// Writing one key of an INI file (the model choice in orvane.ini): every other byte stays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/work_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct IniCase {
  const char* name;
  const char* before;  // nullptr: no file
  const char* after;
};

class IniWrite : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniWrite, SetsTheKeyAndKeepsEverythingElse) {
  const fs::path dir = fs::temp_directory_path() / ("orvane_ini_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path ini = dir / "orvane.ini";
  fs::remove(ini);
  if (GetParam().before) std::ofstream(ini, std::ios::binary) << GetParam().before;
  ASSERT_TRUE(orvane::WriteIniValue(ini.string(), "Solvanta", "model", "PL-geoid2011-KRON86"));
  EXPECT_EQ(Read(ini), GetParam().after);
  EXPECT_EQ(orvane::ReadIniValue(ini.string(), "Solvanta", "model", ""), "PL-geoid2011-KRON86");
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        IniCase{"NoFile", nullptr, "[Solvanta]\r\nmodel=PL-geoid2011-KRON86\r\n"},
        IniCase{"NoSection", "[General]\r\npath=c:\\dane\r\n",
                "[General]\r\npath=c:\\dane\r\n[Solvanta]\r\nmodel=PL-geoid2011-KRON86\r\n"},
        IniCase{"NoLineEndAtTheEnd", "[General]\r\npath=/x",
                "[General]\r\npath=/x\r\n[Solvanta]\r\nmodel=PL-geoid2011-KRON86\r\n"},
        IniCase{"KeyReplacedInPlace", "; mine\r\n[solvanta]\r\n  MODEL = PL-geoid2021\r\nother=1\r\n[General]\r\npath=/x\r\n",
                "; mine\r\n[solvanta]\r\nmodel=PL-geoid2011-KRON86\r\nother=1\r\n[General]\r\npath=/x\r\n"},
        IniCase{"KeyAddedToItsSection", "[Solvanta]\nother=1\n\n[General]\npath=/x\n",
                "[Solvanta]\nother=1\nmodel=PL-geoid2011-KRON86\n\n[General]\npath=/x\n"},
        IniCase{"SameKeyInAnotherSectionUntouched", "[General]\r\nmodel=keep\r\n",
                "[General]\r\nmodel=keep\r\n[Solvanta]\r\nmodel=PL-geoid2011-KRON86\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
TEST(IniWriteLink, ALinkedFileGetsTheTextAndTheLinkStays) {
  const fs::path dir = fs::temp_directory_path() / ("orvane_ini_link_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "real.ini", std::ios::binary) << "[General]\r\npath=/x\r\n";
  fs::create_symlink(dir / "real.ini", dir / "orvane.ini");
  ASSERT_TRUE(orvane::WriteIniValue((dir / "orvane.ini").string(), "Solvanta", "model", "M"));
  EXPECT_TRUE(fs::is_symlink(dir / "orvane.ini"));
  EXPECT_EQ(Read(dir / "real.ini"), "[General]\r\npath=/x\r\n[Solvanta]\r\nmodel=M\r\n");
  fs::remove_all(dir);
}

TEST(IniWriteLink, AFolderThatCannotBeWrittenLeavesTheFileWhole) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  const fs::path dir = fs::temp_directory_path() / ("orvane_ini_ro_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "orvane.ini", std::ios::binary) << "[General]\r\npath=/x\r\n";
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(orvane::WriteIniValue((dir / "orvane.ini").string(), "Solvanta", "model", "M"));
  fs::permissions(dir, fs::perms::owner_all);
  EXPECT_EQ(Read(dir / "orvane.ini"), "[General]\r\npath=/x\r\n");
  fs::remove_all(dir);
}
#else
TEST(IniWriteLink, NeedsPosixLinksAndPermissions) {
  GTEST_SKIP() << "symbolic links and read-only folders by permission bits are tested on Linux";
}
#endif

}  // namespace
