// Satellite levelling: DELTAH.gps + BLH.grs -> DELTAH1, byte for byte, with the station look-up
// rule for repeated numbers, the end record, and every message.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "calculator_test_support.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "quasigeoid/satellite_levelling.h"

namespace {

using namespace calculator_test;
using orvane::RunOutcome;
using solvanta::ModelGrid;
using solvanta::ReferenceFrame;
using solvanta::StationTable;

struct Outcome {
  RunOutcome outcome;
  std::string deltah1;
  std::vector<std::string> calls;
};

Outcome Convert(const ScratchFolder& folder, ReferenceFrame frame = ReferenceFrame::Etrf2000) {
  RecordingHost host;
  orvane::FieldTable fields;
  StationTable stations;
  const solvanta::SatelliteLevellingFiles files{folder.File("DELTAH.gps"), folder.File("BLH.grs"), folder.File("deltah1")};
  const RunOutcome outcome = solvanta::ConvertSatelliteLevelling(files, frame, LinearGrid(), fields, stations, host);
  return {outcome, ReadBytes(folder.File("deltah1")), host.calls};
}

constexpr const char* kEndRecord = "               0    0    0    0  \r\n";

TEST(SatelliteLevelling, Deltah1MatchesByteForByte) {
  ScratchFolder folder;
  folder.CopyFixture("satellite", {"DELTAH.gps", "BLH.grs"});
  const Outcome r = Convert(folder);
  EXPECT_EQ(r.outcome, RunOutcome::Finished);
  EXPECT_EQ(r.deltah1, ReadBytes(FixturePath("satellite/expected_deltah1")));
  EXPECT_EQ(r.calls, std::vector<std::string>{"highlight Panel9"});
}

// Every line of DELTAH1 as the adjustment reads it: result lines are observations (two numbers in
// fields 3 and 4), message lines have text in field 3 (the adjustment stops on them), and the
// last line is the end record 0 0 0 0 (unit mean error 0: the fourth fields are squared errors).
TEST(SatelliteLevelling, Deltah1FollowsTheObservationFileReadingRules) {
  ScratchFolder folder;
  folder.CopyFixture("satellite", {"DELTAH.gps", "BLH.grs"});
  const Outcome r = Convert(folder);
  ASSERT_GE(r.deltah1.size(), 2u);
  ASSERT_EQ(r.deltah1.substr(r.deltah1.size() - 2), "\r\n");
  orvane::FieldTable fields;
  std::size_t start = 0;
  std::vector<std::string> lines;
  while (start < r.deltah1.size()) {
    const auto end = r.deltah1.find("\r\n", start);
    lines.push_back(r.deltah1.substr(start, end - start));
    start = end + 2;
  }
  int results = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    int count = 0;
    orvane::SplitFields(lines[k], fields, count);
    ASSERT_GE(count, 4) << lines[k];
    double third = 0;
    double fourth = 0;
    const bool numbers = orvane::ParseNumber(fields[3], third) && orvane::ParseNumber(fields[4], fourth);
    const bool message = lines[k].find("***") != std::string::npos;
    EXPECT_NE(numbers, message) << lines[k];
    if (k + 1 == lines.size()) {
      EXPECT_EQ(fields[1], "0");
      EXPECT_EQ(third, 0.0);
      EXPECT_EQ(fourth, 0.0);
    } else {
      EXPECT_NE(fields[1], "0") << lines[k];  // no observation may look like the end record
      if (numbers) {
        ++results;
        EXPECT_GT(fourth, 0.0) << lines[k];
        EXPECT_EQ(count, 5) << lines[k];
      }
    }
  }
  EXPECT_EQ(results, 8);
}

// A repeated number: the last match met before the scan stops counts.
TEST(StationLookUp, RepeatedNumberUsesTheLastMatchBeforeTheScanStops) {
  StationTable table;
  table.Add("3441030", 1.0L);  // 1
  table.Add("3441045", 2.0L);  // 2
  table.Add("3441050", 3.0L);  // 3
  table.Add("3441045", 4.0L);  // 4
  table.Add("3441060", 5.0L);  // 5
  struct Case {
    const char* from;
    const char* to;
    bool found;
    int i1;
    int i2;
  };
  const Case cases[] = {
      {"3441030", "3441045", true, 1, 2},  // the start stands before both: the first 3441045
      {"3441060", "3441045", true, 5, 4},  // the start stands after both: the last one
      {"3441050", "3441045", true, 3, 2},  // between them: the last one before the start
      {"3441045", "3441050", true, 2, 3},
      {"3441045", "3441045", true, 2, 2},  // one entry sets both ends
      {"3441045", "NONE", false, 4, 0},    // the scan runs to the end
      {"NONE", "3441030", false, 0, 1},
  };
  for (const Case& c : cases) {
    int i1 = -1;
    int i2 = -1;
    EXPECT_EQ(table.LookUp(c.from, c.to, i1, i2), c.found) << c.from << " " << c.to;
    if (c.found) {
      EXPECT_EQ(i1, c.i1) << c.from << " " << c.to;
      EXPECT_EQ(i2, c.i2) << c.from << " " << c.to;
    }
  }
}

TEST(StationLookUp, IndexGivesExactlyTheScansAnswer) {
  std::mt19937 random(17);
  for (int round = 0; round < 20; ++round) {
    StationTable table;
    const int size = 1 + static_cast<int>(random() % 400);
    const int distinct = 1 + static_cast<int>(random() % 60);  // many repeats
    for (int k = 0; k < size; ++k) table.Add("P" + std::to_string(random() % distinct), k);
    for (int q = 0; q < 500; ++q) {
      const std::string from = "P" + std::to_string(random() % (distinct + 3));
      const std::string to = "P" + std::to_string(random() % (distinct + 3));
      int a1 = 0, a2 = 0, b1 = 0, b2 = 0;
      const bool indexed = table.LookUp(from, to, a1, a2);
      const bool scanned = table.LookUpByScan(from, to, b1, b2);
      ASSERT_EQ(indexed, scanned) << from << " " << to;
      if (scanned) {
        ASSERT_EQ(a1, b1) << from << " " << to;
        ASSERT_EQ(a2, b2) << from << " " << to;
      }
    }
  }
}

TEST(StationLookUp, NumbersAreCutTo16CharactersAndCaseMatters) {
  StationTable table;
  table.Add("ABCDEFGHIJKLMNOPQRS", 1.0L);
  table.Add("0A", 2.0L);
  table.Add("0a", 3.0L);
  int i1 = 0, i2 = 0;
  ASSERT_TRUE(table.LookUp("ABCDEFGHIJKLMNOPXYZ", "0a", i1, i2));
  EXPECT_EQ(i1, 1);
  EXPECT_EQ(i2, 3);
  EXPECT_EQ(table.Number(1), "ABCDEFGHIJKLMNOP");
  EXPECT_FALSE(table.LookUp("0A", "0B", i1, i2));
}

TEST(SatelliteLevelling, BadBlhGrsRecordEndsTheProgramWithTheLinesOnDisk) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Cp1250Lines({"FAR 60 0 0 19 0 0", "P1 52 0 0 19 0 0", "P2 52 x 0 19 0 0 ąę",
                                                  "P3 52 0 0 19 0 0"}));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"P1 P3 1.0 0.0001"}));
  const Outcome r = Convert(folder);
  EXPECT_EQ(r.outcome, RunOutcome::EndProgram);
  // Read right after the return: the file is closed, its lines are on disk.
  EXPECT_EQ(r.deltah1, Cp1250Lines({"FAR *** punkt poza obszarem dopuszczalnym",
                                    " *** nie obliczono z powodu błędu w pliku BLH.grs"}));
  EXPECT_EQ(r.calls, (std::vector<std::string>{"highlight Panel9", "message *** BLH.grs - błędny rekord: P2 52 x 0 19 0 0 ąę (plik BLH.grs, wiersz 3)"}));
}

TEST(SatelliteLevelling, NonFiniteCoordinatesInBlhGrsAreBadRecords) {
  for (const char* bad : {"P 52 0 nan 19 0 0", "P 52 0 0 19 0 inf", "P 52 0 1e999 19 0 0"}) {
    ScratchFolder folder;
    WriteBytes(folder.File("BLH.grs"), Cp1250Lines({bad}));
    WriteBytes(folder.File("DELTAH.gps"), "");
    const Outcome r = Convert(folder);
    EXPECT_EQ(r.outcome, RunOutcome::EndProgram) << bad;
    EXPECT_EQ(r.deltah1, Cp1250Lines({" *** nie obliczono z powodu błędu w pliku BLH.grs"})) << bad;
  }
}

std::string Stations(int admissible, int outside) {
  std::string text;
  text.reserve(static_cast<std::size_t>(admissible + outside) * 32);
  for (int k = 1; k <= outside; ++k) text += "O" + std::to_string(k) + " 58 0 0 19 0 0\r\n";
  for (int k = 1; k <= admissible; ++k)
    text += "S" + std::to_string(k) + " 52 " + std::to_string(k % 60) + " 0 19 0 0\r\n";
  return text;
}

TEST(SatelliteLevelling, HundredThousandStationsAreAcceptedWithAnyNumberOutside) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Stations(100000, 3));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"S1 S100000 0.5 0.0001"}));
  const Outcome r = Convert(folder);
  EXPECT_EQ(r.outcome, RunOutcome::Finished);
  EXPECT_EQ(r.deltah1, Cp1250Lines({"O1 *** punkt poza obszarem dopuszczalnym", "O2 *** punkt poza obszarem dopuszczalnym",
                                    "O3 *** punkt poza obszarem dopuszczalnym",
                                    "              S1          S100000     -0.15000   0.00010000  PL-ETRF2000"}) +
                           kEndRecord);
}

TEST(SatelliteLevelling, The100001stStationEndsTheProgramAndTheLinesReachTheDisk) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Stations(100001, 2));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"S1 S2 0.5 0.0001"}));
  const Outcome r = Convert(folder);
  EXPECT_EQ(r.outcome, RunOutcome::EndProgram);
  // No end record; the outside lines written before the limit are all there.
  EXPECT_EQ(r.deltah1, Cp1250Lines({"O1 *** punkt poza obszarem dopuszczalnym", "O2 *** punkt poza obszarem dopuszczalnym"}));
  EXPECT_EQ(r.calls, (std::vector<std::string>{"highlight Panel9", "message *** Liczba punktów > 100000"}));
}

TEST(SatelliteLevelling, EmptyDeltahGpsGivesTheOutsideLinesAndTheEndRecord) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Cp1250Lines({"EDGE 56 0 0 19 0 0", "IN 55 59 59 19 0 0", "WEST 52 0 0 12 59 0"}));
  WriteBytes(folder.File("DELTAH.gps"), "");
  const Outcome r = Convert(folder);
  EXPECT_EQ(r.outcome, RunOutcome::Finished);
  // 56 00 00 is outside here (no edge clamping), though the point lists compute it.
  EXPECT_EQ(r.deltah1, Cp1250Lines({"EDGE *** punkt poza obszarem dopuszczalnym", "WEST *** punkt poza obszarem dopuszczalnym"}) +
                           kEndRecord);
}

TEST(SatelliteLevelling, Etrf89ChangesDhOnlyByTheDifferenceOfTheFrameCorrections) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Cp1250Lines({"A 49 0 0 14 0 0", "B 55 0 0 24 0 0"}));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"A B 10 0.0001", "A A 10 0.0001"}));
  const Outcome in2000 = Convert(folder, ReferenceFrame::Etrf2000);
  const Outcome in89 = Convert(folder, ReferenceFrame::Etrf89);
  orvane::FieldTable fields;
  int count = 0;
  const auto dh = [&](const std::string& file, int line) {
    std::size_t start = 0;
    for (int k = 0; k < line; ++k) start = file.find("\r\n", start) + 2;
    orvane::SplitFields(file.substr(start, file.find("\r\n", start) - start), fields, count);
    double v = 0;
    EXPECT_TRUE(orvane::ParseNumber(fields[3], v));
    return v;
  };
  // N(A) = -15 + 1 + 0.5 = -13.5, N(B) = -15 + 7 + 5.5 = -2.5: dH = 10 - 11 = -1 in PL-ETRF2000.
  EXPECT_DOUBLE_EQ(dh(in2000.deltah1, 0), -1.0);
  // In PL-ETRF89 each N is moved by its own frame correction; dH by their difference alone.
  const long double n1 = solvanta::AnomalyInEtrf89(49.0L * 3600, 14.0L * 3600, -13.5L);
  const long double n2 = solvanta::AnomalyInEtrf89(55.0L * 3600, 24.0L * 3600, -2.5L);
  const double shift = dh(in89.deltah1, 0) - dh(in2000.deltah1, 0);
  EXPECT_NEAR(shift, static_cast<double>((n1 + 13.5L) - (n2 + 2.5L)), 0.000011);
  EXPECT_GT(std::abs(shift), 0.001);
  EXPECT_EQ(dh(in89.deltah1, 1), 10.0);  // one point: dN = 0 in both frames
  EXPECT_NE(in89.deltah1.find(" PL-ETRF89\r\n"), std::string::npos);
}

TEST(SatelliteLevelling, ResultThatCannotBeCreatedIsTold) {
  ScratchFolder folder;
  WriteBytes(folder.File("BLH.grs"), Cp1250Lines({"A 52 0 0 19 0 0"}));
  WriteBytes(folder.File("DELTAH.gps"), Cp1250Lines({"A A 1 1"}));
  fs::create_directory(folder.Root() / "deltah1");
  RecordingHost host;
  orvane::FieldTable fields;
  StationTable stations;
  const solvanta::SatelliteLevellingFiles files{folder.File("DELTAH.gps"), folder.File("BLH.grs"), folder.File("deltah1")};
  EXPECT_EQ(solvanta::ConvertSatelliteLevelling(files, ReferenceFrame::Etrf2000, LinearGrid(), fields, stations, host),
            RunOutcome::Stopped);
  EXPECT_EQ(host.calls, std::vector<std::string>{"message *** Nie można utworzyć pliku: " + folder.File("deltah1") +
                                                   " (to jest folder)"});
}

}  // namespace
