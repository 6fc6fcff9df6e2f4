#include "common/line_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

std::vector<std::string> ReadAll(const std::string& bytes) {
  // A folder of its own: the tests of this file run side by side in separate processes.
  const orvane::testing::ScratchFolder folder;
  folder.WriteBytes("lines.txt", bytes);
  orvane::LineReader reader;
  EXPECT_TRUE(reader.Open(folder.File("lines.txt")));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

// The lines of `bytes` as a user reads them: a leading UTF-8 byte-order mark skipped; CR LF, LF
// and a lone CR end a line; Ctrl-Z ends the data.
std::vector<std::string> ReferenceLines(std::string bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  bytes = bytes.substr(0, bytes.find('\x1A'));
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
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
  // A lone CR ends a line too (old Mac line ends), also at the end of the data and before Ctrl-Z.
  EXPECT_EQ(ReadAll("x\ry\n"), (V{"x", "y"}));
  EXPECT_EQ(ReadAll("a\rb\rc\r"), (V{"a", "b", "c"}));
  EXPECT_EQ(ReadAll("a\r\r\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(ReadAll("a\rb\x1A" "c\r"), (V{"a", "b"}));
}

TEST(LineReader, AByteOrderMarkAtTheStartIsSkipped) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF" "Rp1 212.4528\r\n"), (V{"Rp1 212.4528"}));
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF"), V{});
  EXPECT_EQ(ReadAll("a\r\n\xEF\xBB\xBF" "b"), (V{"a", "\xEF\xBB\xBF" "b"}));  // only at the start
  EXPECT_EQ(ReadAll("\xEF\xBB" "x"), (V{"\xEF\xBB" "x"}));
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
  orvane::LineReader reader;
#ifdef _WIN32
  // Windows has no FIFOs in folders; its devices have reserved names.
  EXPECT_FALSE(reader.Open("NUL"));
  EXPECT_FALSE(reader.Open(std::filesystem::temp_directory_path().string()));
#else
  const auto path = std::filesystem::temp_directory_path() / "orvane_line_reader_fifo";
  std::filesystem::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_FALSE(reader.Open(path.string()));
  EXPECT_FALSE(reader.IsOpen());
  std::filesystem::remove(path);
  EXPECT_FALSE(reader.Open("/dev/zero"));
#endif
}

// Lines taken in place must be exactly the lines ReadLine gives, wherever a line falls in the
// read blocks: ends across block boundaries, CR LF split by a boundary, a lone CR at a boundary,
// Ctrl-Z, no final line end, a byte-order mark; and they are the lines of a plain reference split.
TEST(LineReader, ViewsGiveTheSameLinesAsCopies) {
  const auto path = std::filesystem::temp_directory_path() / "orvane_line_reader_views_test.txt";
  std::string bytes;
  unsigned state = 7;
  const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7fff; };
  const char pieces[] = {'a', 'b', ' ', '\r', '\n', '\n', '\0', ';'};
  for (int round = 0; round < 6; ++round) {
    bytes.clear();
    const std::size_t size = 300000 + 70000 * static_cast<std::size_t>(round);
    while (bytes.size() < size) {
      // Mostly short lines, now and then one longer than a read block.
      const std::size_t length = next() % 50 == 0 ? 70000 + next() : next() % 90;
      for (std::size_t k = 0; k < length; ++k) bytes += pieces[next() % sizeof pieces];
      bytes += next() % 2 ? "\r\n" : "\n";
    }
    if (round == 1) bytes.pop_back();  // no final line end
    if (round == 2) bytes.insert(bytes.size() / 2, 1, '\x1A');
    if (round == 3) bytes.insert(65535, 1, '\x1A');  // Ctrl-Z at the end of the first block
    if (round == 4) bytes.insert(0, "\xEF\xBB\xBF");
    if (round == 5) bytes.insert(65535, "\rz");  // a lone CR at the end of the first block
    {
      std::ofstream out(path, std::ios::binary);
      out << bytes;
    }
    orvane::LineReader copies;
    orvane::LineReader views;
    ASSERT_TRUE(copies.Open(path.string()));
    ASSERT_TRUE(views.Open(path.string()));
    std::string copy;
    std::string_view view;
    std::size_t lines = 0;
    const std::vector<std::string> expected = ReferenceLines(bytes);
    for (;;) {
      const bool more = copies.ReadLine(copy);
      ASSERT_EQ(views.ReadLineView(view), more) << lines;
      if (!more) break;
      ASSERT_EQ(view, copy) << lines;
      ASSERT_LT(lines, expected.size());
      ASSERT_EQ(copy, expected[lines]) << lines;
      ++lines;
    }
    EXPECT_EQ(lines, expected.size()) << round;
    EXPECT_GT(lines, 1000u);
  }
  std::filesystem::remove(path);
}

// The line number that messages name counts every line read, by copy or by view, whatever its
// line end, and starts again when the reader opens a file.
TEST(LineReader, LineNumbersCountEveryLineReadEitherWay) {
  const auto path = std::filesystem::temp_directory_path() / "orvane_line_number_test.txt";
  std::string bytes = "\xEF\xBB\xBF" "a\r\nb\rc\n\n" + std::string(70000, 'x') + "\r\nlast";
  std::ofstream(path, std::ios::binary) << bytes;
  const std::vector<std::string> expected = ReferenceLines(bytes);
  for (const bool views : {false, true}) {
    orvane::LineReader reader;
    ASSERT_TRUE(reader.Open(path.string()));
    EXPECT_EQ(reader.LineNumber(), 0);
    std::size_t n = 0;
    std::string copy;
    std::string_view view;
    while (views ? reader.ReadLineView(view) : reader.ReadLine(copy)) {
      ++n;
      EXPECT_EQ(reader.LineNumber(), static_cast<long>(n)) << views;
      EXPECT_EQ(views ? std::string(view) : copy, expected[n - 1]) << n;
    }
    EXPECT_EQ(n, expected.size());
    ASSERT_TRUE(reader.Open(path.string()));
    EXPECT_EQ(reader.LineNumber(), 0);
  }
  std::filesystem::remove(path);
  EXPECT_EQ(orvane::RecordPlace("/a/b/deltah", 12), " (plik deltah, wiersz 12)");
  EXPECT_EQ(orvane::RecordPlace("BLH.grs", 1), " (plik BLH.grs, wiersz 1)");
}
