// The raw-file readers and the reduction on small files that each hold one of the traps of real
// instrument files; the expected values are reductions made by hand from the readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <cmath>
#include <string>
#include <vector>

#include "leveling/field/raw_level.h"
#include "leveling/field/reduction.h"
#include "support/scratch_folder.h"

namespace kvel::field {
namespace {

using orvane::testing::FixturePath;
using orvane::testing::ScratchFolder;

RawFile Read(const std::string& path) {
  RawFile file;
  ReadError error;
  EXPECT_TRUE(ReadRawFile(path, file, error)) << error.path << ":" << error.line << ": " << error.message;
  return file;
}

Reduction ReduceOne(const RawFile& file, const std::string& pattern, std::vector<std::string> benchmarks = {}) {
  SectionRules rules;
  rules.turningPoints = pattern;
  rules.benchmarks.insert(benchmarks.begin(), benchmarks.end());
  Reduction r;
  std::string error;
  EXPECT_TRUE(Reduce({file}, rules, r, error)) << error;
  return r;
}

struct Expected {
  const char* from;
  const char* to;
  double dh;      // m
  double length;  // m
  int setups;
};

struct Case {
  const char* file;
  const char* pattern;
  std::vector<Expected> sections;
};

TEST(RawReduction, SectionsEqualTheReductionByHandInFileOrder) {
  const Case cases[] = {
      {"bf_line.gsi", "[0-9]+", {{"RP1", "RP2", 0.0409, 147.33, 3}}},
      {"bf_line.gsi", "", {{"RP1", "1", 0.3120, 50.21, 1}, {"1", "2", -0.8967, 59.77, 1}, {"2", "RP2", 0.6256, 37.35, 1}}},
      {"bffb_line.gsi", "T[0-9]+", {{"A10", "A11", (0.52125 + 0.52119) / 2 + (-0.64534 - 0.64522) / 2, 99.1, 2}}},
      {"bf_traps.dat", "[0-9]+", {{"rp7", "RP8", 0.0, 150.5, 3}, {"RP8", "rp7", 0.0, 60.0, 2}}},
      {"long_words_gap.gsi", "[0-9]+", {{"RP1000001", "1", 0.1, 20.0, 1}, {"2", "RP1000002", 0.3, 20.0, 1}}},
      {"dna03_bffb.gsi",
       "[0-9]+",
       {{"RP5", "RP6", (0.21214 + 0.21220) / 2 + (-0.68100 - 0.68095) / 2, (20.11111 + 20.11161 + 21.00000 + 21.00050 + 31.43927 + 31.45639 + 31.45367 + 31.45992) / 2, 2},
        {"RP6", "RP7", (0.67038 + 0.67039) / 2, (31.44885 + 31.44900 + 31.45350 + 31.45400) / 2, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " /" + c.pattern + "/");
    const Reduction r = ReduceOne(Read(FixturePath(c.file)), c.pattern);
    ASSERT_EQ(r.sections.size(), c.sections.size());
    for (std::size_t i = 0; i < c.sections.size(); ++i) {
      EXPECT_EQ(r.sections[i].from, c.sections[i].from);
      EXPECT_EQ(r.sections[i].to, c.sections[i].to);
      EXPECT_NEAR(r.sections[i].dh, c.sections[i].dh, 1e-9);
      EXPECT_NEAR(r.sections[i].length, c.sections[i].length, 1e-6);
      EXPECT_EQ(r.sections[i].setups, c.sections[i].setups);
    }
  }
}

TEST(RawReduction, BenchmarksOfTheCatalogueEndSectionsWhateverTheirNames) {
  // "1" matches the turning-point pattern but is a benchmark of the folder.
  const Reduction r = ReduceOne(Read(FixturePath("bf_line.gsi")), "[0-9]+", {"1"});
  ASSERT_EQ(r.sections.size(), 2u);
  EXPECT_EQ(r.sections[0].to, "1");
  EXPECT_NEAR(r.sections[1].dh, -0.8967 + 0.6256, 1e-9);
}

TEST(RawReduction, ALineEndingOnATurningPointIsWarned) {
  // Every name matches: only the line's ends close sections, and both are named in a warning.
  const Reduction r = ReduceOne(Read(FixturePath("bf_line.gsi")), ".*", {"RP1"});
  ASSERT_EQ(r.sections.size(), 1u);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("RP2"), std::string::npos) << r.warnings[0];
}

TEST(RawReduction, ALineStartingWhereTheLastEndedOnATurningPointGoesOn) {
  ScratchFolder folder;
  folder.WriteBytes("split.gsi",
                    "410001+?......1 \n110002+00000RP1 32...6+00150000 331.06+00015000 \n"
                    "110003+00000001 32...6+00150000 332.06+00014000 \n410004+?......1 \n"
                    "110005+00000001 32...6+00150000 331.06+00012000 \n110006+00000RP2 32...6+00150000 332.06+00011000 \n");
  const RawFile file = Read(folder.File("split.gsi"));
  ASSERT_EQ(file.lines.size(), 2u);
  Reduction r = ReduceOne(file, "[0-9]+");
  ASSERT_EQ(r.sections.size(), 1u);
  EXPECT_EQ(r.sections[0].from, "RP1");
  EXPECT_EQ(r.sections[0].to, "RP2");
  EXPECT_NEAR(r.sections[0].dh, 0.2, 1e-12);
  EXPECT_EQ(r.sections[0].setups, 2);
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_TRUE(r.lines[1].continuesPrevious);
  r = ReduceOne(file, "");  // every set-up a section
  EXPECT_EQ(r.sections.size(), 2u);
}

TEST(GsiReader, MixedUnitsRemarksAndIntermediateSightsAfterTheHeightBlock) {
  const RawFile file = Read(FixturePath("bf_line.gsi"));
  EXPECT_EQ(file.format, "GSI-8");
  ASSERT_EQ(file.lines.size(), 1u);
  const LevelLine& line = file.lines[0];
  EXPECT_EQ(line.method, LevelMethod::BF);
  ASSERT_EQ(line.setups.size(), 3u);
  // 32...0 is in millimetres and 332.08 in hundredths of a millimetre.
  EXPECT_NEAR(line.setups[2].fore[0].value, 0.7765, 1e-12);
  EXPECT_NEAR(line.setups[2].fore[0].distance, 18.95, 1e-12);
  const Reduction r = ReduceOne(file, "[0-9]+");
  ASSERT_EQ(r.intermediates.size(), 1u);
  EXPECT_EQ(r.intermediates[0].point, "IS01");
  EXPECT_EQ(r.intermediates[0].backPoint, "2");
  EXPECT_NEAR(r.intermediates[0].dh, 1.4021 - 2.1050, 1e-12);
  // The instrument's own heights are reproduced over every set-up.
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(r.lines[0].heightsCompared, 3);
  EXPECT_EQ(r.lines[0].heightsDisagreeing, 0);
  EXPECT_NEAR(r.lines[0].ourEndHeight, 100.0409, 1e-9);
  EXPECT_NEAR(r.lines[0].instrumentEndHeight, 100.0409, 1e-9);
  EXPECT_TRUE(file.warnings.empty());
}

TEST(GsiReader, LongWordsAreSplitAtHeadersAndABlockGapIsWarned) {
  const RawFile file = Read(FixturePath("long_words_gap.gsi"));
  ASSERT_EQ(file.lines.size(), 1u);
  EXPECT_EQ(file.lines[0].setups[0].backPoint, "RP1000001");
  EXPECT_NEAR(file.lines[0].setups[0].back[0].value, 1.2, 1e-12);
  ASSERT_EQ(file.warnings.size(), 1u);
  EXPECT_NE(file.warnings[0].find("luka"), std::string::npos) << file.warnings[0];
  EXPECT_NE(file.warnings[0].find("23"), std::string::npos);
  const Reduction r = ReduceOne(file, "[0-9]+");
  EXPECT_EQ(r.lines[0].breaks, 1);
  // Not for the break: the line's own ends are section points.
  EXPECT_EQ(r.warnings.size(), 1u);
}

TEST(GsiReader, DoubleReadingsGiveTheMeanAndTheStationCheck) {
  const RawFile file = Read(FixturePath("bffb_line.gsi"));
  EXPECT_EQ(file.format, "GSI-16");
  ASSERT_EQ(file.lines.size(), 1u);
  EXPECT_EQ(file.lines[0].method, LevelMethod::BFFB);
  const SetupReduction s = ReduceSetup(file.lines[0].setups[1]);
  EXPECT_TRUE(s.hasCheck);
  EXPECT_NEAR(s.check, -0.00012, 1e-12);
  EXPECT_NEAR(file.lines[0].setups[1].instrumentStationDifference, -0.00012, 1e-12);
  const Reduction r = ReduceOne(file, "T[0-9]+");
  EXPECT_EQ(r.lines[0].heightsCompared, 2);
  EXPECT_EQ(r.lines[0].heightsDisagreeing, 0);
  EXPECT_EQ(r.lines[0].checksCompared, 2);
  EXPECT_EQ(r.lines[0].checksDisagreeing, 0);
  EXPECT_NEAR(r.lines[0].ourEndHeight, 249.87594, 1e-9);
}

// Laid out as a DNA03 writes GSI-16 (a published sample of such a file showed the method word
// padded in front of its '?', the mean-mode words 390/391, a start height entered by hand (83..58),
// negative heights, and a block glued to the one before it): the instrument's heights and station
// differences are reproduced, although it computed them from unrounded readings.
TEST(GsiReader, Dna03LayoutReproducesTheInstrumentsFigures) {
  const RawFile file = Read(FixturePath("dna03_bffb.gsi"));
  EXPECT_EQ(file.format, "GSI-16");
  ASSERT_EQ(file.lines.size(), 2u);
  EXPECT_EQ(file.lines[0].method, LevelMethod::BFFB);
  EXPECT_EQ(file.lines[1].method, LevelMethod::BFFB);
  EXPECT_TRUE(file.warnings.empty());
  EXPECT_TRUE(file.dropped.empty());
  const Reduction r = ReduceOne(file, "[0-9]+");
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[0].heightsCompared, 2);
  EXPECT_EQ(r.lines[1].heightsCompared, 1);
  EXPECT_EQ(r.lines[0].checksCompared, 2);
  EXPECT_EQ(r.lines[1].checksCompared, 1);
  for (const LineReduction& line : r.lines) {
    EXPECT_EQ(line.heightsDisagreeing, 0);
    EXPECT_EQ(line.checksDisagreeing, 0);
    EXPECT_LT(line.maxHeightDifference, 0.00001);
  }
  EXPECT_NEAR(r.lines[1].instrumentEndHeight, 0.20158, 1e-9);
  // The instrument's running length (574) and sight balance (573, back minus fore) are ours.
  ASSERT_TRUE(file.lines[0].hasSummaryTotal);
  EXPECT_NEAR(file.lines[0].summaryTotal, r.lines[0].length, 1e-5);
  EXPECT_NEAR(file.lines[0].summaryBalance, r.lines[0].backSum - r.lines[0].foreSum, 1e-5);
}

TEST(M5Reader, InvalidAndRepeatedReadingsAreDroppedContLineContinues) {
  const RawFile file = Read(FixturePath("bf_traps.dat"));
  EXPECT_EQ(file.format, "DiNi M5");
  // End-Line then Cont-Line: one line; the summary lines written twice are one summary.
  ASSERT_EQ(file.lines.size(), 1u);
  const LevelLine& line = file.lines[0];
  EXPECT_TRUE(line.hasSummaryLengths);
  EXPECT_NEAR(line.summaryBack, 105.0, 1e-9);
  ASSERT_EQ(file.dropped.size(), 3u);
  EXPECT_EQ(file.dropped[0].sourceLine, 5);   // #####
  EXPECT_EQ(file.dropped[1].sourceLine, 12);  // Measurement repeated
  EXPECT_EQ(file.dropped[2].sourceLine, 16);  // Station repeated
  ASSERT_EQ(line.setups.size(), 5u);
  EXPECT_EQ(line.setups[0].backPoint, "rp7");  // right-aligned, case kept
  const Reduction r = ReduceOne(file, "[0-9]+");
  ASSERT_EQ(r.intermediates.size(), 1u);
  EXPECT_EQ(r.intermediates[0].point, "PP01");
  EXPECT_EQ(r.intermediates[0].backPoint, "rp7");
  EXPECT_NEAR(r.intermediates[0].dh, -0.6, 1e-12);
  EXPECT_EQ(r.lines[0].heightsDisagreeing, 0);
  EXPECT_EQ(r.lines[0].heightsCompared, 5);
}

TEST(GsiReader, ACheckAndAdjustRunIsNoLevellingLine) {
  ScratchFolder folder;
  folder.WriteBytes("check.gsi",
                    "410001+?.....10 \n110002+000000A1 32...6+00150000 331.06+00015000 \n"
                    "110003+000000A2 32...6+00150000 332.06+00014000 \n410004+?......1 \n"
                    "110005+000000R1 32...6+00150000 331.06+00012000 \n110006+000000R2 32...6+00150000 332.06+00011000 \n");
  const RawFile file = Read(folder.File("check.gsi"));
  ASSERT_EQ(file.lines.size(), 1u);
  EXPECT_EQ(file.lines[0].setups[0].backPoint, "R1");
  EXPECT_EQ(file.dropped.size(), 3u);  // the code block and both readings of the check
  const Reduction r = ReduceOne(file, "");
  ASSERT_EQ(r.sections.size(), 1u);
  EXPECT_NEAR(r.sections[0].dh, 0.1, 1e-12);
}

TEST(M5Reader, GermanTagsAndDoubleReadings) {
  // Lr/Lv/E are the German instruments' tags for Rb/Rf/HD; BFFB gives B1 F1 F2 B2.
  ScratchFolder folder;
  folder.WriteBytes("de.dat",
                    "For M5|Adr    11|TO  Start-Line         BFFB   3|                      |                      |                      |\r\n"
                    "For M5|Adr    12|KD1   122012                  3|                      |                      |Z         0.00000 m   |\r\n"
                    "For M5|Adr    13|KD1   122012      07:47:275   3|Lr        1.57951 m   |E          28.510 m   |                      |\r\n"
                    "For M5|Adr    14|KD1       31      07:47:515   3|Lv        1.48116 m   |E          29.107 m   |                      |\r\n"
                    "For M5|Adr    15|KD1       31      07:48:015   3|Lv        1.48120 m   |E          29.107 m   |                      |\r\n"
                    "For M5|Adr    16|KD1   122012      07:48:275   3|Lr        1.57959 m   |E          28.512 m   |                      |\r\n"
                    "For M5|Adr    17|KD1       31                  3|                      |                      |Z         0.09837 m   |\r\n");
  const RawFile file = Read(folder.File("de.dat"));
  ASSERT_EQ(file.lines.size(), 1u);
  ASSERT_EQ(file.lines[0].setups.size(), 1u);
  const SetupReduction s = ReduceSetup(file.lines[0].setups[0]);
  EXPECT_NEAR(s.dh, ((1.57951 - 1.48116) + (1.57959 - 1.48120)) / 2, 1e-12);
  EXPECT_NEAR(s.backSight, 28.511, 1e-9);
  EXPECT_NEAR(s.check, (1.57951 - 1.48116) - (1.57959 - 1.48120), 1e-12);
  EXPECT_EQ(ReduceOne(file, "").lines[0].heightsDisagreeing, 0);
}

TEST(M5Reader, AlternateSetUpsReadForeFirst) {
  // aBF: the second set-up reads the fore staff first; aBFFB: F1 B1 B2 F2 on the second.
  ScratchFolder folder;
  const std::string m5 =
      "For M5|Adr     1|TO  Start-Line         aBF    1|                      |                      |                      |\r\n"
      "For M5|Adr     2|KD1      A1       08:00:001  1|Rb        1.50000 m   |HD         10.000 m   |                      |\r\n"
      "For M5|Adr     3|KD1       1       08:00:002  1|Rf        1.00000 m   |HD         11.000 m   |                      |\r\n"
      "For M5|Adr     4|KD1       2       08:00:003  1|Rf        1.70000 m   |HD         12.000 m   |                      |\r\n"
      "For M5|Adr     5|KD1       1       08:00:004  1|Rb        1.20000 m   |HD         13.000 m   |                      |\r\n"
      "For M5|Adr     6|KD1       2       08:00:005  1|Rb        1.10000 m   |HD         14.000 m   |                      |\r\n"
      "For M5|Adr     7|KD1      A2       08:00:006  1|Rf        1.30000 m   |HD         15.000 m   |                      |\r\n"
      "For M5|Adr     8|TO  End-Line                  1|                      |                      |                      |\r\n";
  folder.WriteBytes("abf.dat", m5);
  const RawFile file = Read(folder.File("abf.dat"));
  ASSERT_EQ(file.lines.size(), 1u);
  EXPECT_EQ(file.lines[0].method, LevelMethod::aBF);
  ASSERT_EQ(file.lines[0].setups.size(), 3u);
  EXPECT_EQ(file.lines[0].setups[1].backPoint, "1");
  EXPECT_EQ(file.lines[0].setups[1].forePoint, "2");
  const Reduction r = ReduceOne(file, "[0-9]+");
  ASSERT_EQ(r.sections.size(), 1u);
  EXPECT_NEAR(r.sections[0].dh, (1.5 - 1.0) + (1.2 - 1.7) + (1.1 - 1.3), 1e-12);
  EXPECT_NEAR(r.sections[0].length, 10 + 11 + 12 + 13 + 14 + 15, 1e-9);
}

TEST(RawReaders, UnreadableRecordsNameTheirLine) {
  struct Bad {
    const char* name;
    const char* text;
    int line;
  };
  const Bad cases[] = {
      {"unit.gsi", "410001+?......1 \n110002+00000RP1 32...3+00253400 331.06+00015230 \n", 2},
      {"digits.gsi", "410001+?......1 \n\n110002+00000RP1 32...6+0025X400 331.06+00015230 \n", 3},
      {"garbage.gsi", "410001+?......1 \nhello\n", 2},
      {"noprefix.dat", "For M5|Adr     1|TO  Start-Line         BF     1|\nM5|Adr 2|KD1 x|\n", 2},
      {"number.dat", "For M5|Adr     1|KD1      rp7  08:01:121      1|Rb        1.4e99x m   |\n", 1},
      {"huge.dat", "For M5|Adr     1|KD1      rp7  08:01:121      1|Rb        1e999 m   |\n", 1},
      {"nan.dat", "For M5|Adr     1|KD1      rp7  08:01:121      1|Rb        nan m   |\n", 1},
      {"unit.dat", "For M5|Adr     1|KD1      rp7  08:01:121      1|Rb        1.4 gon |\n", 1},
  };
  ScratchFolder folder;
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    folder.WriteBytes(c.name, c.text);
    RawFile file;
    ReadError error;
    EXPECT_FALSE(ReadRawFile(folder.File(c.name), file, error));
    EXPECT_EQ(error.line, c.line) << error.message;
    EXPECT_FALSE(error.message.empty());
  }
}

TEST(RawReaders, GarbageBytesAndHugeLinesNeverCrash) {
  ScratchFolder folder;
  std::string bytes;
  std::uint32_t seed = 7;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    bytes += static_cast<char>(seed >> 24);
  }
  folder.WriteBytes("garbage.gsi", "410001+?......1 \n" + bytes);
  folder.WriteBytes("huge.gsi", "110002+00000RP1 " + std::string(1 << 20, '9') + "\n");
  folder.WriteBytes("empty.dat", "");
  for (const char* name : {"garbage.gsi", "huge.gsi", "empty.dat"}) {
    RawFile file;
    ReadError error;
    ReadRawFile(folder.File(name), file, error);  // any answer but a crash or a hang
  }
  SUCCEED();
}

// Every fixture with bytes changed at random, a thousand times: each file is read or refused with
// a line number, and what is read reduces without a fault.
TEST(RawReaders, MutatedFixturesAreReadOrRefusedNeverMisread) {
  ScratchFolder folder;
  std::uint32_t seed = 2026;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  const char alphabet[] = "0123456789+-.|# *?\r\nABZ\xe1";
  for (const char* name : {"bf_line.gsi", "bffb_line.gsi", "bf_traps.dat", "long_words_gap.gsi"}) {
    std::ifstream in(FixturePath(name), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int round = 0; round < 250; ++round) {
      std::string mutated = bytes;
      for (int k = 0; k < 1 + static_cast<int>(next() % 4); ++k)
        mutated[next() % mutated.size()] = alphabet[next() % (sizeof alphabet - 1)];
      folder.WriteBytes("m.raw", mutated);
      RawFile file;
      ReadError error;
      if (!ReadRawFile(folder.File("m.raw"), file, error)) {
        EXPECT_GT(error.line, 0) << name << " round " << round << ": " << error.message;
        continue;
      }
      Reduction r;
      std::string message;
      EXPECT_TRUE(Reduce({file}, SectionRules{"[0-9]+", {}}, r, message));
      for (const SectionRun& section : r.sections) EXPECT_TRUE(std::isfinite(section.dh) && std::isfinite(section.length));
    }
  }
}

}  // namespace
}  // namespace kvel::field
