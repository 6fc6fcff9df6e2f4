// The command-line rule of both terminal programs, case by case.
#include "common/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>
#include <string>
#include <vector>

namespace orvane {
namespace {

constexpr CommandOption kTable[] = {{"--folder"}, {"--frame"}, {"--list", false}};

// The line as "name=value" items, positional arguments as "@arg", or "!error" / "help".
std::string Read(const std::vector<std::string>& words) {
  std::vector<const char*> argv{"program"};
  for (const auto& w : words) argv.push_back(w.c_str());
  const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), kTable);
  if (line.help) return "help";
  if (line.version) return "version";
  if (!line.error.empty()) return "!" + line.error;
  std::string out;
  for (const auto& o : line.options) out += std::string(o.name) + "=" + std::string(o.value) + " ";
  for (const auto& p : line.positional) out += "@" + std::string(p) + " ";
  return out;
}

TEST(CommandLine, TheOneRule) {
  struct Case {
    std::vector<std::string> words;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{"--folder", "/a b"}, "--folder=/a b "},
      {{"--folder=/a=b"}, "--folder=/a=b "},
      {{"--folder", "-x"}, "--folder=-x "},  // a separate value is taken as it is
      {{"--folder="}, "!option --folder needs a value"},
      {{"--folder", ""}, "!option --folder needs a value"},
      {{"--folder"}, "!option --folder needs a value"},
      {{"--fold", "x"}, "!unknown argument '--fold'"},  // no abbreviations
      {{"--bogus"}, "!unknown argument '--bogus'"},
      {{"-f"}, "!unknown argument '-f'"},
      {{"--list"}, "--list= "},
      {{"--list=yes"}, "!option --list takes no value"},
      {{"--frame", "a", "--frame", "b"}, "--frame=a --frame=b "},  // in order: the last one counts
      {{"file", "-", "--list"}, "--list= @file @- "},
      {{"--", "--folder"}, "@--folder "},
      {{"--frame", "x", "-h", "--bogus"}, "help"},
      {{"--help"}, "help"},
      {{"--version", "--bogus"}, "version"},
      {{"--bogus", "--version"}, "!unknown argument '--bogus'"},
  };
  for (const Case& c : cases) {
    std::ostringstream name;
    for (const auto& w : c.words) name << '[' << w << ']';
    EXPECT_EQ(Read(c.words), c.expected) << name.str();
  }
}

// Options name the modes they belong to; an option of another mode is a usage error that says
// which option it would need or which it clashes with.
TEST(CommandLine, OptionsOutsideTheirModeAreRefused) {
  enum : unsigned { kRun = 1, kList = 2, kImport = 4 };
  static constexpr CommandOption kModes[] = {{"--folder", true, kRun},
                                             {"--both", true, kRun | kImport},
                                             {"--list", false, kList, kList},
                                             {"--import", true, kImport, kImport},
                                             {"--name", true, kImport},
                                             {"--any"}};
  struct Case {
    std::vector<std::string> words;
    unsigned mode;
    std::string error;
  };
  const Case cases[] = {
      {{}, kRun, ""},
      {{"--folder", "x", "--any", "y"}, kRun, ""},
      {{"--list"}, kList, ""},
      {{"--list", "--any", "y"}, kList, ""},
      {{"--import", "a", "--name", "n", "--both", "b"}, kImport, ""},
      {{"--name", "n", "--import", "a"}, kImport, ""},  // order does not matter
      {{"--name", "n"}, kRun, "option --name goes only with --import"},
      {{"--list", "--folder", "x"}, kRun, "option --folder does not go with --list"},
      {{"--import", "a", "--list"}, kRun, "option --list does not go with --import"},
      {{"--import", "a", "--import", "b"}, kImport, ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"program"};
    for (const auto& w : c.words) argv.push_back(w.c_str());
    CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), kModes);
    ASSERT_TRUE(line.error.empty()) << line.error;
    const unsigned mode = ResolveMode(line, kModes, kRun);
    std::ostringstream name;
    for (const auto& w : c.words) name << '[' << w << ']';
    EXPECT_EQ(line.error, c.error) << name.str();
    EXPECT_EQ(mode, c.mode) << name.str();
  }
}

// The window programs: --help and --version before the toolkit starts (wherever they stand), then
// at most one working folder, made absolute.
TEST(CommandLine, WindowProgramsTakeOneWorkingFolder) {
  auto early = [](std::vector<const char*> argv) {
    ::testing::internal::CaptureStdout();
    const int status = WindowEarlyExit(static_cast<int>(argv.size()), argv.data(), "kvel", "help text\n");
    const std::string out = ::testing::internal::GetCapturedStdout();
    return std::to_string(status) + ":" + out;
  };
  EXPECT_EQ(early({"kvel", "-platform", "offscreen", "--version"}), "0:kvel (ORVANE) " + std::string(Version()) + "\n");
  EXPECT_EQ(early({"kvel", "/data", "--help"}), "0:help text\n");
  EXPECT_EQ(early({"kvel", "--", "--version"}), "-1:");
  EXPECT_EQ(early({"kvel", "/data"}), "-1:");

  auto folder = [](std::vector<const char*> argv) {
    std::string result;
    ::testing::internal::CaptureStderr();
    const int status = WindowFolderArgument(static_cast<int>(argv.size()), argv.data(), "kvel", "", result);
    ::testing::internal::GetCapturedStderr();
    return std::to_string(status) + ":" + result;
  };
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(folder({"kvel"}), "-1:");
  EXPECT_EQ(folder({"kvel", "/data/obiekt 1/"}), "-1:/data/obiekt 1");
  EXPECT_EQ(folder({"kvel", "pomiary"}), "-1:" + cwd + "/pomiary");
  EXPECT_EQ(folder({"kvel", "--", "-odd"}), "-1:" + cwd + "/-odd");
  EXPECT_EQ(folder({"kvel", "a", "b"}).substr(0, 2), "2:");
  EXPECT_EQ(folder({"kvel", "--bogus"}).substr(0, 2), "2:");
}

TEST(CommandLine, VersionIsTheProjectsOwn) {
  EXPECT_FALSE(Version().empty());
  EXPECT_NE(Version().find('.'), std::string_view::npos);
}

}  // namespace
}  // namespace orvane
