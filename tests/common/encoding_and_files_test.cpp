#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/cp1250.h"
#include "common/text_writer.h"
#include "common/work_folder.h"

namespace fs = std::filesystem;
using namespace orvane;

namespace {

fs::path FreshFolder(const std::string& name) {
  const auto dir = fs::temp_directory_path() / ("orvane_test_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

}  // namespace

TEST(Cp1250, PolishLettersBothWays) {
  const std::string utf8 = "ŚCISŁE WYRÓWNANIE żółć ĄĘ";
  const std::string bytes = ToCp1250(utf8);
  EXPECT_EQ(bytes, "\x8C" "CIS\xA3" "E WYR\xD3WNANIE \xBF\xF3\xB3\xE6 \xA5\xCA");
  EXPECT_EQ(FromCp1250(bytes), utf8);
  EXPECT_EQ(ToCp1250("日"), "?");
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(ToCp1250(FromCp1250(one)), one) << b;
  }
  EXPECT_FALSE(IsValidUtf8("\xB3"));
  EXPECT_TRUE(IsValidUtf8("ł"));
}

// What a save would write as '?': each such character once, in the order it first comes.
TEST(Cp1250, CharactersOutsideItAreNamedOnce) {
  const struct {
    const char* text;
    const char* missing;
  } cases[] = {
      {"Łódź € ß ü", ""}, {"ñ Łódź α ñ 日", "ñα日"}, {"plain ASCII ?", ""}, {"\xff broken UTF-8 ñ", "ñ"}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(orvane::CharactersOutsideCp1250(c.text), c.missing) << c.text;
  // Exactly the characters that ToCp1250 turns into '?'.
  const std::string text = "ą ę ó ł ž ř ã ĳ Ω";
  const std::string missing = orvane::CharactersOutsideCp1250(text);
  EXPECT_EQ(missing, "ãĳΩ");
}

TEST(TextWriter, WritesCrLfAndReportsFailures) {
  const auto dir = FreshFolder("writer");
  TextWriter w;
  ASSERT_TRUE(w.Create((dir / "out").string()));
  w.Line("a");
  w.Line(ToCp1250("ł"));
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(Slurp(dir / "out"), "a\r\n\xB3\r\n");

  TextWriter bad;
  EXPECT_FALSE(bad.Create((dir / "no" / "such" / "folder").string()));
  bad.Line("lost");
  EXPECT_FALSE(bad.Close());

#ifndef _WIN32  // Windows has no FIFOs in folders
  // A FIFO with no reader in place of a result fails at once instead of holding the program.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  TextWriter fifo;
  EXPECT_FALSE(fifo.Create((dir / "fifo").string()));
  EXPECT_FALSE(fifo.Close());
#endif

  if (fs::exists("/dev/full")) {
    TextWriter full;
    ASSERT_TRUE(full.Create("/dev/full"));
    for (int i = 0; i < 10000; ++i) full.Line("0123456789");
    EXPECT_FALSE(full.Close());
  }
}

TEST(WorkFolder, IniRulesAndDefault) {
  const auto dir = FreshFolder("ini");
  const auto ini = (dir / "orvane.ini").string();
  EXPECT_EQ(LoadWorkFolder(ini), DefaultWorkFolder());  // no file

  Put(ini, "[Other]\r\npath=/wrong\r\n[general]\r\n  PATH =  /data/pomiary  \r\n");
  EXPECT_EQ(LoadWorkFolder(ini), "/data/pomiary");

  Put(ini, "[General]\npath=\n");
  EXPECT_EQ(LoadWorkFolder(ini), "");  // an empty value is not the default

  Put(ini, "[General]\npath=\"/dane/\xB3\xF3" "d\x9F\"\n");  // quoted, Windows-1250
  EXPECT_EQ(LoadWorkFolder(ini), "/dane/łódź");

  Put(ini, "[General]\nother=1\n");
  EXPECT_EQ(LoadWorkFolder(ini), DefaultWorkFolder());

  const std::string longValue(3000, 'x');
  Put(ini, "[General]\npath=" + longValue + "\n");
  EXPECT_EQ(LoadWorkFolder(ini).size(), 2047u);
}

TEST(WorkFolder, StandardNamesMatchWithoutRegardToCase) {
  const auto dir = FreshFolder("names");
  Put(dir / "BLH_n.1", "x");
  Put(dir / "DeltaH", "x");
  const std::string folder = dir.string();
  EXPECT_EQ(StandardFilePath(folder, "blh_n.1"), folder + "/BLH_n.1");
  EXPECT_EQ(StandardFilePath(folder, "BLH_n.1"), folder + "/BLH_n.1");
  EXPECT_EQ(StandardFilePath(folder, "deltah"), folder + "/DeltaH");
  EXPECT_EQ(StandardFilePath(folder, "h.osn"), folder + "/h.osn");  // not there yet: as spelt
  EXPECT_EQ(StandardFilePath(folder + "/", "deltah"), folder + "//DeltaH");

  EXPECT_EQ(PresenceFlags(folder, KvelPresenceNames()), (std::vector<int>{1, 0, 0, 0}));
  EXPECT_EQ(PresenceFlags(folder, SolvantaPresenceNames()),
            (std::vector<int>{0, 0, 0, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(PresenceFlags(folder + "/missing", KvelPresenceNames()), (std::vector<int>{0, 0, 0, 0}));
}
