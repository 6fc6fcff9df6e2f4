// A long point list converted on several threads against the line-by-line conversion, and the 16
// nodes of a cell that the lists gather from the grid.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "calculator_test_support.h"
#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/text_writer.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/point_lists.h"

namespace {

using namespace calculator_test;
using solvanta::CellNodes;
using solvanta::ModelGrid;
using solvanta::PointListPlan;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;

// Values with no pattern: a node read from the wrong place changes the result.
std::int32_t RoughValue(int i, int j) {
  const auto h = static_cast<std::uint32_t>(i * 7919 + j * 104729) * 2654435761U;
  return 2500000 + static_cast<std::int32_t>(h % 400001) - 200000;
}

void FillRough(ModelGrid& grid) {
  for (int i = 0; i < solvanta::kGridRows; ++i)
    for (int j = 0; j < solvanta::kGridColumns; ++j) grid.At(i, j) = RoughValue(i, j);
}

// A model file of rough values, loaded.
const ModelGrid& LoadedRoughGrid() {
  static ModelGrid grid;
  static const bool loaded = [] {
    ScratchFolder folder;
    std::vector<std::int32_t> values(solvanta::kGridValueCount);
    for (std::size_t k = 0; k < values.size(); ++k)
      values[k] = RoughValue(static_cast<int>(k / solvanta::kGridColumns), static_cast<int>(k % solvanta::kGridColumns));
    WriteBytes(folder.File("model"), std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4));
    return solvanta::LoadModelGrid(folder.File("model"), grid, {}, "PL-KRON86-NH").outcome ==
           solvanta::ModelLoadOutcome::Loaded;
  }();
  EXPECT_TRUE(loaded);
  return grid;
}

// The same rough values written node by node.
const ModelGrid& RowMajorRoughGrid() {
  static ModelGrid grid;
  static const bool filled = (FillRough(grid), true);
  (void)filled;
  return grid;
}

std::int32_t NodeOrZero(const ModelGrid& grid, int row, int column) {
  if (row < 0 || row >= solvanta::kGridRows || column < 0 || column >= solvanta::kGridColumns) return 0;
  return grid.At(row, column);
}

TEST(CellNodes, EveryCellGetsItsSixteenNodesAndZerosBeyondTheGrid) {
  const ModelGrid& loaded = LoadedRoughGrid();
  const ModelGrid& rows = RowMajorRoughGrid();
  CellNodes a;
  CellNodes b;
  int mismatches = 0;
  for (int i = 0; i < solvanta::kGridRows - 1; ++i) {
    for (int j = 0; j < solvanta::kGridColumns - 1; ++j) {
      loaded.CellNodesAt(i, j, a);
      rows.CellNodesAt(i, j, b);
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
          const std::int32_t expected = NodeOrZero(rows, i - 1 + r, j - 1 + c);
          if (a.At(r, c) != expected || b.At(r, c) != expected) ++mismatches;
        }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

void AppendAngle(std::string& line, double degrees, int decimals) {
  const int d = static_cast<int>(degrees);
  const double minutes = (degrees - d) * 60;
  const int m = static_cast<int>(minutes);
  char text[64];
  std::snprintf(text, sizeof text, " %d %d %.*f", d, m, decimals, (minutes - m) * 60);
  line += text;
}

// About 30 000 lines: random points over the grid and the band around it (outside lines too),
// with every other kind of line among them: bad records, ignored lines, comments, long point
// numbers, the edges, TAB and semicolon separators, LF-only ends, a line longer than the reader's
// block, and a Ctrl-Z near the end after which nothing counts.
std::string MixedList() {
  const std::vector<std::string> special = {
      "Nr B L H", "-----", "", "0 52 0 0 19 0 0 100", "A100 51 32 19.85593 19 36  3.24319",
      "EDGE 56 0 0 25 0 0 12.5", "OUT 56 1 0 19 0 0 10", "SW 47 59 50 12 59 50 -3.25", "FAR 47 59 0 19 0 0 1",
      "X1234567890123456789 52 0 0 19 0 0 1", "BAD 52 x 0 19 0 0 1", "HUGE 52 0 1e999 19 0 0 1",
      "NAN 52 0 nan 19 0 0 1", "SEVEN 52 0 0 19 0 0", "TWO 52", "R798 55 58 30 19 0 0 5", "R797 55 57 40 19 0 0 5",
      "C1198 52 0 0 24 59 0 5", "NEG 52 0 0 19 0 0 -30.00004 a comment", "M75 51 75 0 19 0 0 1",
      "P;52;0;0;19;0;0;7", "ZERO 52 0 -0.0000001 19 0 0 -0.00001", "NODE 52 0 36 19 0 36 0", "\t TAB 50\t1\t2.5\t20\t3\t4.25\t300.1",
      "WIDE 52 0 123456.12345 19 0 0 1", "PLUS +52 +0 +1.5 +19 +0 +0 +1", "EXP 52 0 1.5e1 19 0 0 1e2",
      orvane::ToCp1250("Łódź 52 0 0 19 0 0 1")};
  std::mt19937 random(12);
  std::uniform_real_distribution<double> lat(47.98, 56.02);
  std::uniform_real_distribution<double> lon(12.98, 25.02);
  std::uniform_real_distribution<double> height(-50.0, 2000.0);
  std::uniform_int_distribution<int> pick(0, 99);
  std::string text;
  for (int k = 0; k < 30000; ++k) {
    std::string line;
    const int kind = pick(random);
    if (kind < 3) {
      line = special[static_cast<std::size_t>(pick(random)) % special.size()];
    } else {
      line = "P" + std::to_string(k);
      AppendAngle(line, lat(random), kind % 2 ? 5 : 3);
      AppendAngle(line, lon(random), kind % 3 ? 5 : 6);
      char h[32];
      std::snprintf(h, sizeof h, " %.4f", height(random));
      line += h;
    }
    if (k == 20000) line = "LONG 52 0 0 19 0 x " + std::string(100000, 'z');
    if (k == 29000) line = "END 52 0 0 19 0 0 1\x1a and what follows";
    text += line + (kind == 50 ? "\n" : "\r\n");
  }
  return text;
}

struct ListRun {
  std::string result;
  long long lines = 0;
};

ListRun ConvertWith(PointListTask task, const std::string& input, const ModelGrid& grid, ReferenceFrame frame,
                const PointListPlan& plan) {
  ScratchFolder folder;
  orvane::LineReader reader;
  orvane::TextWriter writer;
  EXPECT_TRUE(reader.Open(input));
  EXPECT_TRUE(writer.Create(folder.File("result")));
  const solvanta::PointListStatus status = solvanta::ConvertPointList(task, reader, writer, grid, frame, plan);
  EXPECT_TRUE(status.readOk);
  EXPECT_TRUE(status.writeOk);
  return {ReadBytes(folder.File("result")), status.lines};
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PointListThreads, SharedListGivesTheBytesOfTheLineByLineConversion) {
  ScratchFolder folder;
  WriteBytes(folder.File("list"), MixedList());
  const std::string input = folder.File("list");
  PointListPlan lineByLine;
  lineByLine.simpleLines = LLONG_MAX;
  const std::vector<PointListPlan> shared = {
      {0, 7, 3},       // every line shared, small blocks, more threads than cores
      {100, 1000, 2},  // a short start line by line, then two threads
      {},              // the plan of the program
  };
  for (const auto task :
       {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal, PointListTask::NormalToEllipsoidal}) {
    for (const auto frame : {ReferenceFrame::Etrf2000, ReferenceFrame::Etrf89}) {
      SCOPED_TRACE(static_cast<int>(task) * 10 + static_cast<int>(frame));
      // The reference: line by line on the grid written node by node.
      const ListRun expected = ConvertWith(task, input, RowMajorRoughGrid(), frame, lineByLine);
      EXPECT_EQ(expected.lines, 29001);  // up to the Ctrl-Z
      EXPECT_GT(Count(expected.result, "rekord: "), 50u);
      EXPECT_GT(Count(expected.result, "poza obszarem"), 100u);
      EXPECT_EQ(Count(expected.result, "LONG 52"), 1u);
      EXPECT_EQ(Count(expected.result, "what follows"), 0u);
      const ListRun loaded = ConvertWith(task, input, LoadedRoughGrid(), frame, lineByLine);
      EXPECT_TRUE(loaded.result == expected.result);
      for (const PointListPlan& plan : shared) {
        const ListRun run = ConvertWith(task, input, LoadedRoughGrid(), frame, plan);
        EXPECT_TRUE(run.result == expected.result) << "plan " << plan.simpleLines << "/" << plan.blockLines;
        EXPECT_EQ(run.lines, expected.lines);
      }
    }
  }
}

// A model of rough values without data north of row 600 and in a hole around (300, 600), loaded.
const ModelGrid& LoadedGridWithoutDataInPlaces() {
  static ModelGrid grid;
  static const bool loaded = [] {
    ScratchFolder folder;
    std::vector<std::int32_t> values(solvanta::kGridValueCount);
    for (std::size_t k = 0; k < values.size(); ++k) {
      const int i = static_cast<int>(k / solvanta::kGridColumns);
      const int j = static_cast<int>(k % solvanta::kGridColumns);
      const bool hole = i > 600 || (std::abs(i - 300) < 20 && std::abs(j - 600) < 20);
      values[k] = hole ? solvanta::kNoData : RoughValue(i, j);
    }
    WriteBytes(folder.File("model"), std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4));
    return solvanta::LoadModelGrid(folder.File("model"), grid, {}, "PL-KRON86-NH").outcome ==
           solvanta::ModelLoadOutcome::Loaded;
  }();
  EXPECT_TRUE(loaded);
  return grid;
}

// Nodes without data and decimal commas deep in a long list: the shared list tells the same lines
// in the same places as line-by-line conversion, the decimal comma once, before its line.
TEST(PointListThreads, NoCoverageAndTheDecimalCommaAreToldAsLineByLine) {
  std::string text = MixedList();
  const std::string comma = "DC 52 0 12,5 19 0 0 1\r\n";
  std::string list;
  std::size_t lineNo = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (++lineNo == 15000 || lineNo == 25000) list += comma;
    list.append(text, at, next - at);
    at = next;
  }
  ScratchFolder folder;
  WriteBytes(folder.File("list"), list);
  PointListPlan lineByLine;
  lineByLine.simpleLines = LLONG_MAX;
  for (const auto task :
       {PointListTask::AnomalyList, PointListTask::EllipsoidalToNormal, PointListTask::NormalToEllipsoidal}) {
    SCOPED_TRACE(static_cast<int>(task));
    const ListRun expected =
        ConvertWith(task, folder.File("list"), LoadedGridWithoutDataInPlaces(), ReferenceFrame::Etrf2000, lineByLine);
    EXPECT_GT(Count(expected.result, "zasi"), 100u);
    EXPECT_EQ(Count(expected.result, "przecinek"), 1u);
    EXPECT_NE(expected.result.find("Przecinek rozdziela pola: DC 52 0 12,5 19 0 0 1\r\n"), std::string::npos);
    for (const PointListPlan& plan : {PointListPlan{0, 7, 3}, PointListPlan{100, 1000, 2}, PointListPlan{}}) {
      const ListRun run = ConvertWith(task, folder.File("list"), LoadedGridWithoutDataInPlaces(), ReferenceFrame::Etrf2000, plan);
      EXPECT_TRUE(run.result == expected.result) << "plan " << plan.simpleLines << "/" << plan.blockLines;
    }
  }
}

TEST(PointListThreads, ListEndingWithinTheFirstLinesOrAtABlockEdgeIsWhole) {
  // Lists of 0 to 9 lines, and of exactly one block, with a plan whose line-by-line start and
  // blocks end there.
  const std::string line = "P1 52 0 0 19 0 0 100\r\n";
  for (int lines : {0, 1, 4, 5, 8, 9}) {
    SCOPED_TRACE(lines);
    std::string text;
    for (int k = 0; k < lines; ++k) text += line;
    ScratchFolder folder;
    WriteBytes(folder.File("list"), text);
    PointListPlan lineByLine;
    lineByLine.simpleLines = LLONG_MAX;
    const ListRun expected = ConvertWith(PointListTask::AnomalyList, folder.File("list"), LoadedRoughGrid(),
                                     ReferenceFrame::Etrf2000, lineByLine);
    const ListRun run = ConvertWith(PointListTask::AnomalyList, folder.File("list"), LoadedRoughGrid(),
                                ReferenceFrame::Etrf2000, PointListPlan{4, 4, 2});
    EXPECT_EQ(run.result, expected.result);
    EXPECT_EQ(run.lines, expected.lines);
    EXPECT_EQ(Count(run.result, "\r\n"), static_cast<std::size_t>(lines));
  }
}

}  // namespace
