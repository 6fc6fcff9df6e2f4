// Whole runs on small working folders: the solution phases in their place in the run, what the
// user sees at a normal end, after a defect and after a numeric breakdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_support.h"

namespace kvel {
namespace {

using testing::FolderRun;
using testing::RunOn;
using testing::ScratchFolder;
using testing::SplitReportLines;

const char* const kLoopObservations =
    "RP1 P1 1.2341 1.0\n"
    "P1 P2 0.8763 1.4\n"
    "P2 RP2 1.7231 0.8\n"
    "RP2 P3 -1.0021 1.0\n"
    "P3 RP1 -2.8297 1.7\n"
    "P1 P3 1.5981 1.1\n"
    "0 0 0.0010 0\n";
const char* const kTwoBenchmarks = "RP1 150.0000\nRP2 153.8340\n0 0\n";

int Find(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return i;
  return -1;
}

int LastMonitorLine(const testing::RecordingRunHost& host, const std::string& prefix) {
  int at = -1;
  for (const auto& call : host.calls)
    if (call.kind == testing::HostCall::Monitor && orvane::FromCp1250(call.text).rfind(prefix, 0) == 0) at = call.index;
  return at;
}

AdjustmentOptions Method(int method) {
  AdjustmentOptions o;
  o.Method = static_cast<kvel::Method>(method);
  o.UnitErrorIsOne = false;
  return o;
}

TEST(WholeRun, SectionsInOrderAndTheNormalEnd) {
  ScratchFolder folder;
  folder.Write("deltah", kLoopObservations);
  folder.Write("h.sta", kTwoBenchmarks);
  FolderRun r = RunOn(folder, Method(1));
  ASSERT_EQ(r.outcome, orvane::RunOutcome::Finished);
  const auto lines = SplitReportLines(r.report);
  int at = 0;
  for (const char* section :
       {" LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = ", " PARAMETRY NIEZAWODNOSCI SIECI:",
        " PROTOKÓŁ WYRÓWNANIA SIECI:", " ITER = 1 ", " ITER = 2 ", " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ",
        " CHARAKTERYSTYCZNE BŁĘDY ŚREDNIE WYSOKOŚCI:", " OBSERWACJE  WYRÓWNANE ", "  EMPIRYCZNY ROZKLAD POPRAWEK:",
        "  KONTROLA ANALIZY DOKŁADNOŚCI: "}) {
    const int next = Find(lines, section, at);
    EXPECT_GT(next, at) << section;
    at = std::max(at, next);
  }
  EXPECT_EQ(lines.back(), std::string(75, '-') + "orvane_2006--");
  EXPECT_EQ(SplitReportLines(r.heights).size(), 5u);
  // " KONIEC OBLICZEŃ" two lines below the largest residual, then the hint and the closing box.
  const int largest = LastMonitorLine(r.host, " Największa wartość |v| = ");
  ASSERT_GT(largest, 0);
  EXPECT_EQ(r.host.MonitorUtf8(largest + 2), " KONIEC OBLICZEŃ");
  EXPECT_TRUE(r.host.editHintShown);
  EXPECT_EQ(r.host.Boxes(), std::vector<std::string>{"information:  KONIEC WYRÓWNANIA "});
}

TEST(WholeRun, AMeanErrorOnABenchmarkRecordOutsideTheNetworkGivesTheHeightsMoOne) {
  // The same network twice: once with error-free benchmarks only, once with a further record of
  // a point that no observation reaches, in a group with a mean error of 2 mm.
  ScratchFolder plain, extra;
  for (ScratchFolder* folder : {&plain, &extra}) folder->Write("deltah", kLoopObservations);
  plain.Write("h.sta", kTwoBenchmarks);
  extra.Write("h.sta", std::string(kTwoBenchmarks) + "RP9 140.0000\n0 0.002\n");
  const FolderRun a = RunOn(plain, Method(1));
  const FolderRun b = RunOn(extra, Method(1));
  ASSERT_EQ(a.outcome, orvane::RunOutcome::Finished);
  ASSERT_EQ(b.outcome, orvane::RunOutcome::Finished);
  const auto linesA = SplitReportLines(a.report);
  const auto linesB = SplitReportLines(b.report);
  const std::string heading = " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ";
  const int headA = Find(linesA, heading);
  const int headB = Find(linesB, heading);
  ASSERT_GT(headA, 0);
  ASSERT_GT(headB, 0);
  EXPECT_NE(linesA[headA], heading + "1.00000");  // the empirical Mo
  EXPECT_EQ(linesB[headB], heading + "1.00000");
  // The observations keep the empirical Mo: their listing is the same in both runs.
  const int obsA = Find(linesA, " OBSERWACJE  WYRÓWNANE ");
  const int obsB = Find(linesB, " OBSERWACJE  WYRÓWNANE ");
  const int endA = Find(linesA, "  EMPIRYCZNY ROZKLAD POPRAWEK:");
  ASSERT_GT(obsA, 0);
  ASSERT_GT(obsB, 0);
  ASSERT_GT(endA, obsA);
  for (int i = obsA; i < endA; ++i) EXPECT_EQ(linesB[obsB + (i - obsA)], linesA[i]);
}

TEST(WholeRun, RobustEstimationLeavesTheHeightsFileEmpty) {
  ScratchFolder folder;
  folder.Write("deltah", kLoopObservations);
  folder.Write("h.sta", kTwoBenchmarks);
  FolderRun r = RunOn(folder, Method(2));
  ASSERT_EQ(r.outcome, orvane::RunOutcome::Finished);
  EXPECT_TRUE(r.heights.empty());
  const auto lines = SplitReportLines(r.report);
  EXPECT_EQ(Find(lines, " WYSOKOŚCI WYRÓWNANE"), -1);
  EXPECT_GT(Find(lines, " ITER = 9 "), 0);
  EXPECT_EQ(lines.back(), std::string(75, '-') + "orvane_2006--");
}

TEST(WholeRun, PartWithoutBenchmarkIsReportedInEverySolutionAndTheRunGoesOn) {
  ScratchFolder folder;
  folder.Write("deltah", std::string(kLoopObservations).insert(std::string(kLoopObservations).find("0 0"), "X1 X2 0.5 1.0\n"));
  folder.Write("h.sta", kTwoBenchmarks);
  FolderRun r = RunOn(folder, Method(1));
  ASSERT_EQ(r.outcome, orvane::RunOutcome::Finished);
  const auto lines = SplitReportLines(r.report);
  EXPECT_GE(Find(lines, "  UWAGA: sieć zawiera 2 układy odosobnione"), 0);
  int defects = 0;
  for (const auto& line : lines)
    if (line.rfind(" *** DEFEKT SIECI, WSK. NIEWIAD.: ", 0) == 0) ++defects;
  EXPECT_EQ(defects, 3);  // three iterations, each solution reports it
  EXPECT_GT(Find(lines, " ITER = 3 "), 0);
  const std::vector<std::string> boxes = {"information:  *** Defekt układu ", "information:  *** Defekt układu ",
                                          "information:  *** Defekt układu ", "information:  KONIEC WYRÓWNANIA "};
  EXPECT_EQ(r.host.Boxes(), boxes);
}

// A height difference that would overflow the solution (the numeric breakdown itself is tested on
// the iteration) is no measurement: reading stops at it as at a bad number.
TEST(WholeRun, AbsurdHeightDifferenceStopsThroughTheCommonExit) {
  ScratchFolder folder;
  folder.Write("deltah", "RP1 P1 1e300 1.0\nP1 RP2 1.0 1.0\nRP2 RP1 1.0 1.0\n0 0 0.0010 0\n");
  folder.Write("h.sta", kTwoBenchmarks);
  FolderRun r = RunOn(folder, Method(1));
  EXPECT_EQ(r.outcome, orvane::RunOutcome::Stopped);
  const std::string text = "*** BŁĄD W REKORDZIE: RP1 P1 1e300 1.0 (plik deltah, wiersz 1)";
  EXPECT_EQ(r.host.Boxes(), (std::vector<std::string>{"message: " + text, "information:  KONIEC WYRÓWNANIA "}));
  EXPECT_EQ(SplitReportLines(r.report).back(), text);
  EXPECT_TRUE(r.heights.empty());
  EXPECT_FALSE(r.host.editHintShown);
}

}  // namespace
}  // namespace kvel
