// Inputs that would be read with values the user did not mean: old Mac line ends and a byte-order
// mark are read as meant, a decimal comma is told by a message line and the run goes on, and a
// model file of the right size holding something else is refused as damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calculator_test_support.h"
#include "common/line_reader.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "quasigeoid/point_lists.h"
#include "quasigeoid/satellite_levelling.h"

namespace {

using namespace calculator_test;
using solvanta::ModelLoadOutcome;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;

std::string ConvertList(const std::string& bytes) {
  ScratchFolder folder;
  WriteBytes(folder.File("BL"), bytes);
  orvane::LineReader reader;
  orvane::TextWriter writer;
  EXPECT_TRUE(reader.Open(folder.File("BL")));
  EXPECT_TRUE(writer.Create(folder.File("bln")));
  solvanta::ConvertPointList(PointListTask::AnomalyList, reader, writer, LinearGrid(), ReferenceFrame::Etrf2000);
  return ReadBytes(folder.File("bln"));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Saved with CR alone, a whole list was one line: the first point was computed and the rest
// dropped without a word.
TEST(AlteredValues, OldMacLineEndsAndAByteOrderMarkGiveTheSameList) {
  const std::string list = ReadBytes(FixturePath("lists/BL"));
  const std::string expected = ReadBytes(FixturePath("lists/expected_bln"));
  EXPECT_EQ(ConvertList(Replace(list, "\r\n", "\r")), expected);
  EXPECT_EQ(ConvertList("\xEF\xBB\xBF" + list), expected);
}

TEST(AlteredValues, ADecimalCommaInDeltahGpsIsToldOnceBeforeItsVector) {
  ScratchFolder folder;
  folder.CopyFixture("satellite", {"BLH.grs"});
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"3441030 3441045 -6,4143 0.000016", "3441060 3441045 -2,5 0.0002",
                                                     "3441050 3441045 0.75 0.0001"}));
  RecordingHost host;
  orvane::FieldTable fields;
  solvanta::StationTable stations;
  const solvanta::SatelliteLevellingFiles files{folder.File("DELTAH.gps"), folder.File("BLH.grs"),
                                                folder.File("deltah1"), nullptr};
  EXPECT_EQ(solvanta::ConvertSatelliteLevelling(files, ReferenceFrame::Etrf2000, LinearGrid(), fields, stations, host),
            orvane::RunOutcome::Finished);
  const std::string deltah1 = orvane::FromCp1250(ReadBytes(folder.File("deltah1")));
  const std::string warning = "*** Uwaga: przecinek dziesiętny? Przecinek rozdziela pola: ";
  const auto at = deltah1.find(warning + "3441030 3441045 -6,4143 0.000016\r\n         3441030          3441045 ");
  EXPECT_NE(at, std::string::npos) << deltah1;
  EXPECT_EQ(deltah1.find(warning, at + 1), std::string::npos) << "told once per file";
  // The line stops an adjustment of this DELTAH1 at once: its third field is no number.
  orvane::FieldTable split;
  int count = 0;
  orvane::SplitFields(orvane::ToCp1250(warning), split, count);
  ASSERT_GE(count, 4);
  double number = 0;
  EXPECT_FALSE(orvane::ParseNumber(split[3], number));
}

class DamagedModel : public ::testing::Test {
 protected:
  solvanta::ModelLoadResult Load(const std::vector<std::int32_t>& values) {
    WriteBytes(folder_.File("model.bin"),
               std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(std::int32_t)));
    return solvanta::LoadModelGrid(folder_.File("model.bin"), grid_, {}, "PL-KRON86-NH");
  }
  ScratchFolder folder_;
  solvanta::ModelGrid grid_;
};

TEST_F(DamagedModel, RandomBytesOfTheRightSizeAreRefused) {
  std::mt19937 engine(20260101);
  std::vector<std::int32_t> values(solvanta::kGridValueCount);
  for (auto& v : values) v = static_cast<std::int32_t>(engine());
  const auto r = Load(values);
  EXPECT_EQ(r.outcome, ModelLoadOutcome::Damaged);
  EXPECT_EQ(orvane::FromCp1250(r.message).rfind("*** Uszkodzony plik: model.bin (N = ", 0), 0u) << r.message;
}

TEST_F(DamagedModel, ValuesBeyond150MetresAreRefusedAndNodataIsNot) {
  constexpr std::int32_t kNoData = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t value;
    bool loaded;
  };
  const Case cases[] = {{15000000, true}, {-15000000, true}, {15000001, false}, {-15000001, false},
                        {kNoData, true},  {kNoData + 1, false}, {std::numeric_limits<std::int32_t>::max(), false}};
  for (const Case& c : cases) {
    std::vector<std::int32_t> values(solvanta::kGridValueCount, 3000000);  // 30 m
    values[417 * 1201 + 833] = c.value;
    const auto r = Load(values);
    EXPECT_EQ(r.outcome == ModelLoadOutcome::Loaded, c.loaded) << c.value;
  }
  std::vector<std::int32_t> values(solvanta::kGridValueCount, 3000000);
  values[5] = -15000001;
  EXPECT_EQ(orvane::FromCp1250(Load(values).message),
            "*** Uszkodzony plik: model.bin (N = -150.00 m poza zakresem ±150 m)");
}

}  // namespace
