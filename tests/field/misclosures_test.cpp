// Loops and benchmark paths of a network before its adjustment, against sums made by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "leveling/misclosures/network_misclosures.h"

namespace kvel::misclosures {
namespace {

TEST(Misclosures, IndependentLoopsOfASquareWithADiagonalAndADoubleRun) {
  // A=0 B=1 C=2 D=3; true heights 0, 1, 3, 2; errors planted in C-D (+4 mm) and B-A run back (+1 mm).
  const std::vector<Edge> edges = {
      {0, 1, 1.000, 1.0}, {1, 2, 2.000, 1.0}, {2, 3, -0.996, 1.0}, {3, 0, -2.000, 1.0},
      {0, 2, 3.000, 2.0}, {1, 0, -0.999, 1.0},
  };
  const Misclosures m = FindMisclosures(4, edges, {});
  EXPECT_EQ(m.components, 1);
  ASSERT_EQ(m.loops.size(), 3u);  // M - N + c = 6 - 4 + 1
  // The double run A-B, B-A closes with +1 mm over r = 2; the loops through C-D with 4 mm.
  std::multiset<long> mm;
  for (const Closure& c : m.loops) {
    mm.insert(std::lround(std::fabs(c.w) * 1e6));
    EXPECT_EQ(c.points.front(), c.points.back());
  }
  EXPECT_EQ(mm.count(1000), 1u);
  // Largest relative first.
  for (std::size_t i = 1; i < m.loops.size(); ++i) EXPECT_GE(m.loops[i - 1].Relative(), m.loops[i].Relative());
  EXPECT_NEAR(std::fabs(m.loops[0].w), 0.004, 1e-12);
}

TEST(Misclosures, PathsBetweenBenchmarksInEachPart) {
  // Two parts: 0-1-2 with benchmarks 0 (10.000) and 2 (12.003); 3-4 with benchmark 4 only.
  const std::vector<Edge> edges = {{0, 1, 1.0, 0.5}, {1, 2, 1.0, 0.5}, {3, 4, 0.2, 0.1}};
  const Misclosures m = FindMisclosures(5, edges, {{0, 10.0}, {2, 12.003}, {4, 5.0}, {0, 10.0}});
  EXPECT_EQ(m.components, 2);
  EXPECT_TRUE(m.loops.empty());
  ASSERT_EQ(m.paths.size(), 1u);
  EXPECT_NEAR(m.paths[0].w, 2.0 - 2.003, 1e-12);
  EXPECT_NEAR(m.paths[0].r, 1.0, 1e-12);
  EXPECT_EQ(m.paths[0].points, (std::vector<int>{0, 1, 2}));
}

TEST(Misclosures, ReportGivesVerdictsOnlyWithK) {
  const std::vector<Edge> edges = {{0, 1, 1.000, 1.0}, {1, 0, -0.990, 1.0}};
  const Misclosures m = FindMisclosures(2, edges, {});
  for (double k : {0.0, 2.0}) {
    orvane::TextWriter out;
    const std::string path = ::testing::TempDir() + "/zamkniecia_test.osn";
    ASSERT_TRUE(out.Create(path));
    WriteMisclosureReport(out, m, {"A", "B"}, 2, k, true);
    ASSERT_TRUE(out.Close());
    FILE* f = std::fopen(path.c_str(), "rb");
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    EXPECT_NE(text.find("10.00"), std::string::npos) << text;
    EXPECT_EQ(text.find("PRZEKR.") != std::string::npos, k > 0) << text;  // 10 mm > 2*sqrt(2)
    EXPECT_NE(text.find("A - B - A"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace kvel::misclosures
