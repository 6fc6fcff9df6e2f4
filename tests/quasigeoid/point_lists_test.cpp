// The point-list conversions BL -> BLN, BLH_e -> BLH_n.1, BLH_n -> BLH_e.1, byte for byte.
// The expected files of fixtures/lists were computed independently (exact decimal arithmetic on
// the synthetic linear grid of calculator_test_support.h).
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "calculator_test_support.h"
#include "common/line_reader.h"
#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "quasigeoid/point_lists.h"

namespace {

using namespace calculator_test;
using solvanta::ModelGrid;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;

// Runs one task on `input` (a path) and returns the result file's bytes.
std::string Convert(PointListTask task, const std::string& input, const ModelGrid& grid,
                    ReferenceFrame frame = ReferenceFrame::Etrf2000, solvanta::PointListStatus* status = nullptr) {
  ScratchFolder folder;
  orvane::LineReader reader;
  orvane::TextWriter writer;
  EXPECT_TRUE(reader.Open(input));
  EXPECT_TRUE(writer.Create(folder.File("result")));
  const auto s = solvanta::ConvertPointList(task, reader, writer, grid, frame);
  if (status) *status = s;
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_FALSE(writer.IsOpen());
  return ReadBytes(folder.File("result"));
}

std::string ConvertText(PointListTask task, const std::string& bytes, const ModelGrid& grid,
                        ReferenceFrame frame = ReferenceFrame::Etrf2000) {
  ScratchFolder folder;
  WriteBytes(folder.File("input"), bytes);
  return Convert(task, folder.File("input"), grid, frame);
}

struct ListCase {
  PointListTask task;
  const char* input;
  const char* expected;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.input; }

class PointListFixture : public ::testing::TestWithParam<ListCase> {};

TEST_P(PointListFixture, ResultFileMatchesByteForByte) {
  const ListCase& c = GetParam();
  const std::string expected = ReadBytes(FixturePath(std::string("lists/") + c.expected));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Convert(c.task, FixturePath(std::string("lists/") + c.input), LinearGrid()), expected);
}

INSTANTIATE_TEST_SUITE_P(Tasks, PointListFixture,
                         ::testing::Values(ListCase{PointListTask::AnomalyList, "BL", "expected_bln"},
                                           ListCase{PointListTask::EllipsoidalToNormal, "BLH_e", "expected_blh_n.1"},
                                           ListCase{PointListTask::NormalToEllipsoidal, "BLH_n", "expected_blh_e.1"}),
                         [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.input); });

TEST(PointLists, ExampleLineA100HasTheDocumentedLayout) {
  const std::string out = ConvertText(PointListTask::AnomalyList, "A100 51 32 19.85593 19 36  3.24319\r\n", LinearGrid());
  // 12 blanks, A100, 51, 32, 19.85593, 19, 36, two blanks and 3.24319, a blank and N in 9.
  const std::string start = "            A100 51 32 19.85593 19 36  3.24319 ";
  ASSERT_EQ(out.substr(0, start.size()), start);
  EXPECT_EQ(out.substr(start.size(), 9), "  -8.1607");
  EXPECT_EQ(out.substr(start.size() + 9), " KSI =  -1.85[\"] ETA =  -1.49[\"]   PL-ETRF2000\r\n");
}

TEST(PointLists, EveryMessageLineOfEveryTask) {
  struct Case {
    PointListTask task;
    std::string line;
    std::string expected;  // UTF-8; empty: no output at all
  };
  const Case cases[] = {
      {PointListTask::AnomalyList, "Nr B L", "*** Błędny rekord: Nr B L (plik BL, wiersz 1)"},
      {PointListTask::EllipsoidalToNormal, "X 52 0 0 19 0 0 abc", "*** Błedny rekord: X 52 0 0 19 0 0 abc (plik BLH_e, wiersz 1)"},
      {PointListTask::NormalToEllipsoidal, "X 52 0 0 19 0 0", "*** Błedny rekord: X 52 0 0 19 0 0 (plik BLH_n, wiersz 1)"},
      {PointListTask::AnomalyList, "Far 56 1 0 19 0 0", "Far *** punkt poza obszarem dopuszczalnym (1)"},
      {PointListTask::EllipsoidalToNormal, "Far 56 1 0 19 0 0 1", "Far *** punkt poza obszarem dopuszczalnym (2)"},
      {PointListTask::NormalToEllipsoidal, "Far 56 1 0 19 0 0 1", "Far *** punkt poza obszarem dopuszczalnym (3)"},
      {PointListTask::NormalToEllipsoidal, "ABCDEFGHIJKLMNOPQRST 40 0 0 19 0 0 1",
       "ABCDEFGHIJKLMNOP *** punkt poza obszarem dopuszczalnym (3)"},
      // Short records: BLH_e drops 2..7 fields silently; BL and BLH_n call them bad.
      {PointListTask::EllipsoidalToNormal, "X 52 0 0 19 0 0", ""},
      {PointListTask::AnomalyList, "X 52", "*** Błędny rekord: X 52 (plik BL, wiersz 1)"},
      {PointListTask::AnomalyList, "----------", ""},
      {PointListTask::NormalToEllipsoidal, "0 52 0 0 19 0 0 1", ""},
      {PointListTask::AnomalyList, ";;;", ""},
      // Numbers that no surveyor means: bad records, never results.
      {PointListTask::EllipsoidalToNormal, "X 52 0 0 19 0 0 nan", "*** Błedny rekord: X 52 0 0 19 0 0 nan (plik BLH_e, wiersz 1)"},
      {PointListTask::EllipsoidalToNormal, "X 52 0 0 19 0 0 inf", "*** Błedny rekord: X 52 0 0 19 0 0 inf (plik BLH_e, wiersz 1)"},
      {PointListTask::NormalToEllipsoidal, "X 52 0 0 19 0 0 -1e999", "*** Błedny rekord: X 52 0 0 19 0 0 -1e999 (plik BLH_n, wiersz 1)"},
      {PointListTask::AnomalyList, "X 52 0 1e400 19 0 0", "*** Błędny rekord: X 52 0 1e400 19 0 0 (plik BL, wiersz 1)"},
      {PointListTask::AnomalyList, "X 52 0 0 19 0 NaN", "*** Błędny rekord: X 52 0 0 19 0 NaN (plik BL, wiersz 1)"},
      {PointListTask::AnomalyList, "X 52 99999999999 0 19 0 0", "*** Błędny rekord: X 52 99999999999 0 19 0 0 (plik BL, wiersz 1)"},
      {PointListTask::AnomalyList, "X 52.5 0 0 19 0 0", "*** Błędny rekord: X 52.5 0 0 19 0 0 (plik BL, wiersz 1)"},
      // Huge but valid degrees are outside, never an overflow into the model's area.
      {PointListTask::AnomalyList, "X 2147483647 2147483647 0 19 0 0", "X *** punkt poza obszarem dopuszczalnym (1)"},
  };
  for (const Case& c : cases) {
    const std::string out = ConvertText(c.task, orvane::ToCp1250(c.line) + "\r\n", LinearGrid());
    const std::string expected = c.expected.empty() ? "" : orvane::ToCp1250(c.expected) + "\r\n";
    EXPECT_EQ(out, expected) << c.line;
  }
}

TEST(PointLists, Row798GetsDeflectionsInBlhN1ButPlaceholdersInBln) {
  const std::string bl = ConvertText(PointListTask::AnomalyList, "R 55 59 6 19 0 0\r\n", LinearGrid());
  const std::string blhe = ConvertText(PointListTask::EllipsoidalToNormal, "R 55 59 6 19 0 0 10\r\n", LinearGrid());
  EXPECT_NE(bl.find(" KSI =  ***  [\"] ETA =  ***  [\"]   PL-ETRF2000"), std::string::npos) << bl;
  // BLH_n.1: two blanks before a computed ETA ...
  EXPECT_NE(blhe.find(" KSI =  -1.85[\"]  ETA =  -1.65[\"]  PL-KRON86-NH z  PL-ETRF2000"), std::string::npos) << blhe;
  // ... and one before the placeholder (cell row 0 has none).
  const std::string south = ConvertText(PointListTask::EllipsoidalToNormal, "S 47 59 50 19 0 0 10\r\n", LinearGrid());
  EXPECT_NE(south.find(" KSI =  ***  [\"] ETA =  ***  [\"]  PL-KRON86-NH z  PL-ETRF2000"), std::string::npos) << south;
}

TEST(PointLists, SeventyFiveMinutesCountAsOneDegreeFifteen) {
  const std::string a = ConvertText(PointListTask::AnomalyList, "P 51 75 0 19 0 0\r\n", LinearGrid());
  const std::string b = ConvertText(PointListTask::AnomalyList, "P 52 15 0 19 0 0\r\n", LinearGrid());
  // The printed angles are the input's; N and the deflections are the same.
  EXPECT_EQ(a.substr(0, 26), "               P 51 75  0.");
  EXPECT_EQ(a.substr(46), b.substr(46));
}

TEST(PointLists, NegativeValueThatRoundsToZeroKeepsItsSign) {
  static ModelGrid grid;
  for (int i = 0; i < solvanta::kGridRows; ++i)
    for (int j = 0; j < solvanta::kGridColumns; ++j) grid.At(i, j) = -3;  // N = -0.00003 m
  const std::string out = ConvertText(PointListTask::AnomalyList, "P 52 0 0 19 0 0\r\n", grid);
  EXPECT_EQ(out, "               P 52  0  0.00000 19  0  0.00000   -0.0000 KSI =   0.00[\"] ETA =   0.00[\"]   PL-ETRF2000\r\n");
}

TEST(PointLists, Etrf89ChangesNButNotTheDeflections) {
  static ModelGrid grid;
  for (int i = 0; i < solvanta::kGridRows; ++i)
    for (int j = 0; j < solvanta::kGridColumns; ++j) grid.At(i, j) = 3000000 + 100 * i - 40 * j;
  const std::string line = "P 52 0 0 19 0 0\r\n";
  const std::string in2000 = ConvertText(PointListTask::AnomalyList, line, grid, ReferenceFrame::Etrf2000);
  const std::string in89 = ConvertText(PointListTask::AnomalyList, line, grid, ReferenceFrame::Etrf89);
  // N = 30.4000 - 0.2400 = 30.1600 m in PL-ETRF2000; about 0.066 m more in PL-ETRF89.
  EXPECT_EQ(in2000.substr(47, 9), "  30.1600");
  std::string n89text = in89.substr(47, 9);
  n89text.erase(0, n89text.find_first_not_of(' '));
  double n89 = 0;
  ASSERT_TRUE(orvane::ParseNumber(n89text, n89)) << in89;
  EXPECT_NEAR(n89 - 30.16, 0.066, 0.002);
  // From the blank after N to the last second mark: the deflections, the same in both frames.
  const auto deflections = [](const std::string& line) {
    return line.substr(56, line.rfind("[\"]") + 3 - 56);
  };
  EXPECT_EQ(deflections(in89), deflections(in2000));
  EXPECT_EQ(in89.substr(in89.size() - 14), "   PL-ETRF89\r\n");
}

TEST(PointLists, MessyInputNeverBreaksTheList) {
  // A huge line of garbage bytes, a NUL inside a record, LF and CR LF ends, a Ctrl-Z that ends the
  // file: every record is judged on its own.
  std::string garbage(1 << 20, '\0');
  std::mt19937 random(3);
  for (char& c : garbage) c = static_cast<char>(random() % 255 + 1);
  for (char& c : garbage)
    if (c == '\n' || c == '\x1a') c = 'x';
  const char withNul[] = "\r\nB 52\0" "0 0 19 0 0\r\n";
  const std::string input = "A 52 0 0 19 0 0\n" + garbage + std::string(withNul, sizeof withNul - 1) +
                            std::string("C 52 0 0 19 0 0\r\n\x1a" "D 52 0 0 19 0 0\r\n");
  const std::string out = ConvertText(PointListTask::AnomalyList, input, LinearGrid());
  const std::string good = " 52  0  0.00000 19  0  0.00000   -8.0000 KSI =  -1.85[\"] ETA =  -1.51[\"]   PL-ETRF2000\r\n";
  const std::string a = "               A" + good;
  ASSERT_EQ(out.substr(0, a.size()), a);
  // The garbage line comes back whole in its bad-record line, or not at all when it has too few
  // fields; B (split at its NUL) and C are results; D lies after the Ctrl-Z.
  EXPECT_NE(out.find("               B" + good), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - a.size()), "               C" + good);
  EXPECT_EQ(out.find("D 52"), std::string::npos);
}

TEST(PointLists, WriteFailureIsReportedNotSwallowed) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchFolder folder;
  WriteBytes(folder.File("input"), "A 52 0 0 19 0 0\r\n");
  orvane::LineReader reader;
  orvane::TextWriter writer;
  ASSERT_TRUE(reader.Open(folder.File("input")));
  ASSERT_TRUE(writer.Create("/dev/full"));
  const auto status = solvanta::ConvertPointList(PointListTask::AnomalyList, reader, writer, LinearGrid(),
                                                 ReferenceFrame::Etrf2000);
  EXPECT_TRUE(status.readOk);
  EXPECT_FALSE(status.writeOk);
}

TEST(PointLists, EmptyInputGivesAnEmptyResult) {
  EXPECT_EQ(ConvertText(PointListTask::AnomalyList, "", LinearGrid()), "");
  EXPECT_EQ(ConvertText(PointListTask::NormalToEllipsoidal, "\r\n\r\n", LinearGrid()), "");
}

}  // namespace
