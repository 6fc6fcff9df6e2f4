#include "common/line_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadAll(const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / "orvane_line_reader_test.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  }
  orvane::LineReader reader;
  EXPECT_TRUE(reader.Open(path.string()));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  std::filesystem::remove(path);
  return lines;
}

}  // namespace

TEST(LineReader, LineEndsAndCtrlZ) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadAll("a\r\nb\nc"), (V{"a", "b", "c"}));
  EXPECT_EQ(ReadAll("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(ReadAll(""), V{});
  EXPECT_EQ(ReadAll("a\r\nb\x1A\r\nignored\r\n"), (V{"a", "b"}));
  EXPECT_EQ(ReadAll("\x1A" "after"), V{});
  EXPECT_EQ(ReadAll("x\ry\n"), (V{"x\ry"}));  // a lone CR is no line end
}

TEST(LineReader, LinesLongerThanTheBlock) {
  const std::string longLine(300000, 'q');
  const auto lines = ReadAll(longLine + "\r\n" + "end");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[1], "end");
}

TEST(LineReader, MissingFileAndDirectoryDoNotOpen) {
  orvane::LineReader reader;
  EXPECT_FALSE(reader.Open("/nonexistent/orvane/file"));
  EXPECT_FALSE(reader.Open(std::filesystem::temp_directory_path().string()));
  std::string line;
  EXPECT_FALSE(reader.ReadLine(line));
}

// A FIFO in place of an input: its open would wait for a writer for ever. It is refused at once,
// as is a device.
TEST(LineReader, FifoAndDeviceAreRefusedWithoutWaiting) {
  const auto path = std::filesystem::temp_directory_path() / "orvane_line_reader_fifo";
  std::filesystem::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  orvane::LineReader reader;
  EXPECT_FALSE(reader.Open(path.string()));
  EXPECT_FALSE(reader.IsOpen());
  std::filesystem::remove(path);
  EXPECT_FALSE(reader.Open("/dev/zero"));
}
