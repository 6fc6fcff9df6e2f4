// Neighbour lists, the determinability table, the points without control and the start point.
#include <gtest/gtest.h>

#include <algorithm>

#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/observation_files.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

struct TopologyCase {
  const char* name;
  const char* deltah;  // observations; the end record is added
  const char* hsta;
  std::vector<std::string> section;  // from the table's heading to the end of the report
  int startPoint;
};

void PrintTo(const TopologyCase& c, std::ostream* os) { *os << c.name; }

const std::string kHeading = "  WYZNACZALNOŚCI PUNKTÓW WZGLĘDEM SĄSIEDZTWA";
const std::string kColumns = "     lp        NR PUNKTU   ILE PUNKTÓW INCYDENTNYCH, UWAGI";

const TopologyCase kCases[] = {
    {"Chain",
     "R1 A 1 1\nA B 1 1\n",
     "R1 100\n",
     {kHeading, kColumns, "      1               R1         1  PUNKT NAWIĄZANIA ",
      "      2                A         2 ", "      3                B         1 *** PUNKT BEZ KONTROLI", " ",
      " WYKAZ PUNKTÓW BEZ KONTROLI:", " ** PUNKT                B BEZ KONTROLI"},
     1},
    {"RepeatedObservationsCountOnce",
     "A B 1 1\nB A -1 1\nA B 1 1\n",
     "A 100\n",
     {kHeading, kColumns, "      1                A         1  PUNKT NAWIĄZANIA ",
      "      2                B         1 *** PUNKT BEZ KONTROLI", " ", " WYKAZ PUNKTÓW BEZ KONTROLI:",
      " ** PUNKT                B BEZ KONTROLI"},
     1},
    {"ClosedLoop",
     "R1 A 1 1\nA B 1 1\nB R1 -2 1\n",
     "R1 100\n",
     {kHeading, kColumns, "      1               R1         2  PUNKT NAWIĄZANIA ",
      "      2                A         2 ", "      3                B         2 ", " ",
      " WYKAZ PUNKTÓW BEZ KONTROLI:", "  - BRAK "},
     1},
    {"StartPointIsTheFirstWithTheFewestNeighbours",
     "A B 1 1\nB C 1 1\nC A 1 1\nC D 1 1\nD E 1 1\nLONGNAME-0000001 E 1 1\n",
     "B 100\nLONGNAME-0000001 101\n",
     {kHeading, kColumns, "      1                A         2 ", "      2                B         2  PUNKT NAWIĄZANIA ",
      "      3                C         3 ", "      4                D         2 ", "      5                E         2 ",
      "      6 LONGNAME-0000001         1  PUNKT NAWIĄZANIA ", " ", " WYKAZ PUNKTÓW BEZ KONTROLI:", "  - BRAK "},
     6},
    {"TwoPartsEachWithAnEnd",
     "R1 A 1 1\nR2 B 1 1\nB C 1 1\n",
     "R1 100\nR2 100\n",
     {kHeading, kColumns, "      1               R1         1  PUNKT NAWIĄZANIA ",
      "      2                A         1 *** PUNKT BEZ KONTROLI", "      3               R2         1  PUNKT NAWIĄZANIA ",
      "      4                B         2 ", "      5                C         1 *** PUNKT BEZ KONTROLI", " ",
      " WYKAZ PUNKTÓW BEZ KONTROLI:", " ** PUNKT                A BEZ KONTROLI", " ** PUNKT                C BEZ KONTROLI"},
     1},
};

class Topology : public ::testing::TestWithParam<TopologyCase> {};

TEST_P(Topology, TableListAndStartPoint) {
  const TopologyCase& c = GetParam();
  PhaseRun p;
  p.folder.Write("deltah", std::string(c.deltah) + "0 0 0.001 0\n");
  p.folder.Write("h.sta", c.hsta);
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_TRUE(ReadBenchmarksAndCatalogue(p.run));
  ASSERT_TRUE(BuildNetworkTopology(p.run));
  EXPECT_EQ(p.run.startPoint, c.startPoint);
  const auto lines = p.ReportLines();
  const auto at = std::find(lines.begin(), lines.end(), kHeading);
  ASSERT_NE(at, lines.end());
  // The table follows a line of two blanks and a line of hyphens.
  ASSERT_GE(at - lines.begin(), 2);
  EXPECT_EQ(*(at - 2), "  ");
  EXPECT_EQ(*(at - 1), std::string(76, '-'));
  EXPECT_EQ(std::vector<std::string>(at, lines.end()), c.section);
  EXPECT_EQ(p.run.monitorLine, 4);  // this phase writes no MONITOR line
}

INSTANTIATE_TEST_SUITE_P(All, Topology, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Topology, NeighboursAreInOrderOfFirstLinkingBothWays) {
  PhaseRun p;
  p.folder.Write("deltah", "A B 1 1\nC A 1 1\nB C 1 1\nA D 1 1\nC A 1 1\n0 0 0.001 0\n");
  p.folder.Write("h.sta", "A 1\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_TRUE(ReadBenchmarksAndCatalogue(p.run));
  ASSERT_TRUE(BuildNetworkTopology(p.run));
  // A=1, B=2, C=3, D=4.
  EXPECT_EQ(p.run.neighbours[1], (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(p.run.neighbours[2], (std::vector<int>{1, 3}));
  EXPECT_EQ(p.run.neighbours[3], (std::vector<int>{1, 2}));
  EXPECT_EQ(p.run.neighbours[4], (std::vector<int>{1}));
}

TEST(Topology, ExactlyTwoThousandNeighboursAreAccepted) {
  PhaseRun p;
  std::string deltah;
  for (int i = 1; i <= 2000; ++i) deltah += "HUB S" + std::to_string(i) + " 1 1\n";
  deltah += "S1 HUB -1 1\n";  // a repeated link adds nothing
  p.folder.Write("deltah", deltah + "0 0 0.001 0\n");
  p.folder.Write("h.sta", "HUB 1\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_TRUE(ReadBenchmarksAndCatalogue(p.run));
  ASSERT_TRUE(BuildNetworkTopology(p.run));
  EXPECT_EQ(p.run.neighbours[1].size(), 2000u);
  EXPECT_EQ(p.run.startPoint, 2);  // S1, the first point with one neighbour
}

TEST(Topology, AnEndPointCanHitTheLimitToo) {
  PhaseRun p;
  std::string deltah;
  for (int i = 1; i <= 2000; ++i) deltah += "S" + std::to_string(i) + " HUB 1 1\n";
  deltah += "NEW HUB 1 1\n";  // the 2001st neighbour of the observation's second point
  p.folder.Write("deltah", deltah + "0 0 0.001 0\n");
  p.folder.Write("h.sta", "HUB 1\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_TRUE(ReadBenchmarksAndCatalogue(p.run));
  EXPECT_FALSE(BuildNetworkTopology(p.run));
  EXPECT_EQ(p.host.Boxes(), std::vector<std::string>{"information: *** ZBYT DUŻO (>2000) POWIĄZAŃ POJEDYNCZEGO PUNKTU"});
}

}  // namespace
}  // namespace kvel::testing
