// Where the settings live: a writable orvane.ini beside the program is a portable copy and the
// only file; otherwise the user's own file is read first and written, the one beside the program
// and the system's file give the defaults.
#include "common/settings_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/work_folder.h"

namespace {

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orvane_settings_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "prefix/bin");
    fs::create_directories(root_ / "home");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_ / "prefix/bin/orvane.ini", fs::perms::owner_all, ignored);
    fs::remove_all(root_, ignored);
  }
  void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  std::string Bin() const { return (root_ / "prefix/bin").string(); }
  std::string Home() const { return (root_ / "home").string(); }
  fs::path root_;
};

TEST_F(Settings, WithoutAFileBesideTheProgramTheUsersOwnComesFirstThenTheDefaults) {
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  EXPECT_EQ(files.own, Home() + "/.config/orvane/orvane.ini");
  const std::vector<std::string> order = {files.own, Bin() + "/orvane.ini",
                                          (root_ / "prefix/etc/orvane/orvane.ini").string()};
  EXPECT_EQ(files.readOrder, order);
}

TEST_F(Settings, XdgConfigHomeIsTakenWhenAbsoluteOnly) {
  EXPECT_EQ(orvane::FindSettingsFiles(Bin(), "/xdg", Home()).own, "/xdg/orvane/orvane.ini");
  EXPECT_EQ(orvane::FindSettingsFiles(Bin(), "relative", Home()).own, Home() + "/.config/orvane/orvane.ini");
}

TEST_F(Settings, ProgramsInUsrBinReadTheSystemFileInEtc) {
  EXPECT_EQ(orvane::FindSettingsFiles("/usr/bin", "", "/home/x").readOrder.back(), "/etc/orvane/orvane.ini");
  EXPECT_EQ(orvane::FindSettingsFiles("/usr/local/bin", "", "/home/x").readOrder.back(),
            "/usr/local/etc/orvane/orvane.ini");
}

TEST_F(Settings, AWritableFileBesideTheProgramIsAPortableCopyAndTheOnlyFile) {
  Write(root_ / "prefix/bin/orvane.ini", "[General]\npath=/portable\n");
  Write(root_ / "home/.config/orvane/orvane.ini", "[General]\npath=/own\n");
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  EXPECT_EQ(files.own, Bin() + "/orvane.ini");
  EXPECT_EQ(files.readOrder, std::vector<std::string>{files.own});
  EXPECT_EQ(orvane::LoadWorkFolder(files), "/portable");
}

// Each key comes from the first file that has it; a choice is written to the user's own file
// (its folder made on the way) and the shared files stay as they were. (The files are found
// before the file beside the program is written, as when it is not the user's to write.)
TEST_F(Settings, KeysComeFromTheFirstFileThatHasThemAndChoicesGoToTheUsersFile) {
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  const fs::path beside = root_ / "prefix/bin/orvane.ini";
  Write(beside, "[General]\npath=/beside\n[Solvanta]\nmodel=PL-geoid2011-KRON86\n");
  Write(root_ / "prefix/etc/orvane/orvane.ini", "[General]\npath=/system\n[Other]\nkey=system\n");
  EXPECT_EQ(orvane::LoadWorkFolder(files), "/beside");
  EXPECT_EQ(orvane::ReadSetting(files, "Other", "key", "none"), "system");
  EXPECT_EQ(orvane::ReadSetting(files, "Solvanta", "model", ""), "PL-geoid2011-KRON86");
  ASSERT_TRUE(orvane::WriteSetting(files, "Solvanta", "model", "PL-geoid2021"));
  EXPECT_EQ(orvane::ReadSetting(files, "Solvanta", "model", ""), "PL-geoid2021");
  EXPECT_EQ(orvane::LoadWorkFolder(files), "/beside");  // the user's file says no path
  EXPECT_EQ(orvane::ReadIniValue(beside.string(), "Solvanta", "model", ""), "PL-geoid2011-KRON86");
  EXPECT_TRUE(fs::exists(root_ / "home/.config/orvane/orvane.ini"));
}

// A file beside the program that this user may not write is read as defaults, not taken as a
// portable copy (root may write every file, so only another user can see it).
TEST_F(Settings, AReadOnlyFileBesideTheProgramIsNoPortableCopy) {
#ifndef _WIN32  // on Windows the read-only attribute binds every user
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
#endif
  const fs::path beside = root_ / "prefix/bin/orvane.ini";
  Write(beside, "[General]\npath=/beside\n");
  fs::permissions(beside, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  EXPECT_EQ(files.own, Home() + "/.config/orvane/orvane.ini");
  EXPECT_EQ(orvane::LoadWorkFolder(files), "/beside");
}

// Nothing is written beside the program.
TEST_F(Settings, TheUsersFileIsCreatedWithItsFolder) {
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  ASSERT_TRUE(orvane::WriteSetting(files, "Solvanta", "model", "PL-geoid2021"));
  EXPECT_TRUE(fs::exists(root_ / "home/.config/orvane/orvane.ini"));
  EXPECT_EQ(orvane::ReadSetting(files, "Solvanta", "model", ""), "PL-geoid2021");
  EXPECT_FALSE(fs::exists(root_ / "prefix/bin/orvane.ini"));
}

TEST_F(Settings, NothingAnywhereGivesTheFallback) {
  const orvane::SettingsFiles files = orvane::FindSettingsFiles(Bin(), "", Home());
  EXPECT_EQ(orvane::ReadSetting(files, "General", "path", "fallback"), "fallback");
  EXPECT_EQ(orvane::LoadWorkFolder(files), orvane::DefaultWorkFolder());
}

}  // namespace
