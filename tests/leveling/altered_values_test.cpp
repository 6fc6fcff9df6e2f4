// Inputs that are read with values the user did not mean: a decimal comma is told (report and box)
// and the run goes on; a byte-order mark and old Mac line ends are read as the user meant them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_support.h"

namespace kvel::testing {
namespace {

using orvane::RunOutcome;

const char* const kDeltah = "R1 A 1.0 1\nA B 0.5 1\nB R1 -1.5 1\n0 0 0.001 0\n";
const char* const kHsta = "R1 100.0\n";

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(AlteredValues, ADecimalCommaIsToldOncePerFileAndTheRunGoesOn) {
  ScratchFolder folder;
  folder.Write("deltah", "R1 A 1.0 1\nA B 0,5 1\nB R1 -1,5 1\n0 0 0.001 0\n");
  folder.Write("h.sta", "R1 100,0\n");
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Finished);
  const std::string warning = " ** UWAGA: PRZECINEK DZIESIĘTNY? PRZECINEK ROZDZIELA POLA, LICZBY PISZE SIĘ Z KROPKĄ";
  const auto boxes = run.host.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0], "information: " + warning + "\n    plik: " + folder.File("deltah") + "\n    rekord: A B 0,5 1");
  EXPECT_EQ(boxes[1], "information: " + warning + "\n    plik: " + folder.File("h.sta") + "\n    rekord: R1 100,0");
  EXPECT_EQ(boxes[2], "information:  KONIEC WYRÓWNANIA ");
  const auto lines = SplitReportLines(run.report);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), warning), 2);
  EXPECT_TRUE(Has(lines, "    rekord: A B 0,5 1"));
  EXPECT_FALSE(Has(lines, "    rekord: B R1 -1,5 1"));  // once per file
  EXPECT_TRUE(Has(lines, "    plik: " + folder.File("h.sta")));
}

// A file saved with a byte-order mark: its first point is R1, no phantom point.
TEST(AlteredValues, AByteOrderMarkIsNoPartOfTheFirstPointNumber) {
  ScratchFolder plain, marked;
  plain.Write("deltah", kDeltah);
  plain.Write("h.sta", kHsta);
  marked.WriteBytes("deltah", "\xEF\xBB\xBF" + ScratchFolder::ToFileBytes(kDeltah));
  marked.WriteBytes("h.sta", "\xEF\xBB\xBF" + ScratchFolder::ToFileBytes(kHsta));
  const FolderRun expected = RunOn(plain);
  const FolderRun run = RunOn(marked);
  ASSERT_EQ(expected.outcome, RunOutcome::Finished);
  EXPECT_EQ(run.outcome, RunOutcome::Finished);
  EXPECT_TRUE(Has(SplitReportLines(run.report), "  Liczba zidentyfikowanych punktów sieci LP =3"));
  EXPECT_EQ(run.heights, expected.heights);
}

TEST(AlteredValues, OldMacLineEndsGiveTheSameAdjustment) {
  ScratchFolder plain, mac;
  plain.Write("deltah", kDeltah);
  plain.Write("h.sta", kHsta);
  std::string deltah = kDeltah;
  std::replace(deltah.begin(), deltah.end(), '\n', '\r');
  mac.WriteBytes("deltah", deltah);
  mac.WriteBytes("h.sta", "R1 100.0\r");
  const FolderRun expected = RunOn(plain);
  const FolderRun run = RunOn(mac);
  EXPECT_EQ(run.outcome, RunOutcome::Finished);
  EXPECT_EQ(run.host.Boxes(), expected.host.Boxes());  // no warning of a missing end record
  EXPECT_EQ(run.heights, expected.heights);
}

}  // namespace
}  // namespace kvel::testing
