// The sparse factor of data snooping judged by a dense solve in extended precision: solves of
// any number of columns side by side, downdates against a factorisation without the link, and
// the refusals (a factor too large, a singular system, a downdate that leaves a point loose).
#include "leveling/sparse_factor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "leveling/profile_solver.h"

namespace kvel {
namespace {

struct Link {
  int a, b;
  double w;
};

// A levelling network over an area: a width x width grid of points with its rows, columns and
// some diagonals, weights of 1e5..1e6 m^-2, point 1 held fixed (1e20, as the run holds a fixed
// benchmark) and point `width` held with a weight of its own.
struct GridNetwork {
  int points = 0;
  std::vector<Link> links;
  std::vector<std::pair<int, double>> pointWeights;

  explicit GridNetwork(int width, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> weight(1e5, 1e6);
    points = width * width;
    auto id = [&](int row, int col) { return row * width + col + 1; };
    for (int row = 0; row < width; ++row)
      for (int col = 0; col < width; ++col) {
        if (col + 1 < width) links.push_back({id(row, col), id(row, col + 1), weight(rng)});
        if (row + 1 < width) links.push_back({id(row, col), id(row + 1, col), weight(rng)});
        if (row + 1 < width && col + 1 < width && rng() % 3 == 0)
          links.push_back({id(row, col), id(row + 1, col + 1), weight(rng)});
      }
    pointWeights = {{1, 1e20}, {width, 2.5e5}};
  }

  // Whether every point is reached from point 1 by the links kept.
  bool Connected(const std::vector<char>& without) const {
    std::vector<char> seen(static_cast<std::size_t>(points) + 1, 0);
    seen[1] = 1;
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t k = 0; k < links.size(); ++k)
        if (!without[k] && seen[links[k].a] != seen[links[k].b]) seen[links[k].a] = seen[links[k].b] = grew = true;
    }
    for (int p = 1; p <= points; ++p)
      if (!seen[p]) return false;
    return true;
  }

  std::vector<std::pair<int, int>> Pairs() const {
    std::vector<std::pair<int, int>> pairs;
    for (const Link& l : links) pairs.emplace_back(l.a, l.b);
    return pairs;
  }

  void Build(SparseFactor& f, const std::vector<char>& without = {}) const {
    f.Clear();
    for (std::size_t k = 0; k < links.size(); ++k)
      if (without.empty() || !without[k]) f.AddLink(links[k].a, links[k].b, links[k].w);
    for (const auto& [p, w] : pointWeights) f.AddPointWeight(p, w);
  }

  // N^-1 x by Gaussian elimination in extended precision on the dense matrix.
  std::vector<double> DenseSolve(const std::vector<double>& x, const std::vector<char>& without = {}) const {
    const int n = points;
    std::vector<std::vector<long double>> m(n, std::vector<long double>(n + 1, 0));
    for (std::size_t k = 0; k < links.size(); ++k) {
      if (!without.empty() && without[k]) continue;
      const int a = links[k].a - 1, b = links[k].b - 1;
      m[a][a] += links[k].w, m[b][b] += links[k].w, m[a][b] -= links[k].w, m[b][a] -= links[k].w;
    }
    for (const auto& [p, w] : pointWeights) m[p - 1][p - 1] += w;
    for (int i = 0; i < n; ++i) m[i][n] = x[i + 1];
    for (int c = 0; c < n; ++c)
      for (int r = c + 1; r < n; ++r) {
        if (m[r][c] == 0) continue;
        const long double f = m[r][c] / m[c][c];
        for (int j = c; j <= n; ++j) m[r][j] -= f * m[c][j];
      }
    std::vector<double> y(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = n - 1; i >= 0; --i) {
      long double s = m[i][n];
      for (int j = i + 1; j < n; ++j) s -= m[i][j] * y[j + 1];
      y[i + 1] = static_cast<double>(s / m[i][i]);
    }
    return y;
  }
};

// The column of the observation of link k: -1 at its first point, +1 at its second.
std::vector<double> LinkColumn(const GridNetwork& net, std::size_t k) {
  std::vector<double> x(static_cast<std::size_t>(net.points) + 1, 0.0);
  x[net.links[k].a] = -1;
  x[net.links[k].b] = 1;
  return x;
}

void ExpectClose(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size());
  double scale = 0;
  for (double v : want) scale = std::max(scale, std::fabs(v));
  for (std::size_t i = 1; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9 * scale) << what << " row " << i;
}

TEST(SparseFactor, ColumnsSolvedSideBySideEqualADenseSolveAndOneAnother) {
  const GridNetwork net(9);
  SparseFactor f;
  ASSERT_TRUE(f.Analyse(net.points, net.Pairs(), 1u << 20));
  net.Build(f);
  ASSERT_TRUE(f.Factor());
  // 1, 2, 3, 8 and 11 columns: every width of the side-by-side passes and a tail block.
  for (const std::size_t count : {1u, 2u, 3u, 8u, 11u}) {
    std::vector<std::vector<double>> columns;
    for (std::size_t c = 0; c < count; ++c) columns.push_back(LinkColumn(net, (c * 37 + 5) % net.links.size()));
    const std::vector<std::vector<double>> given = columns;
    f.SolveColumns(columns);
    for (std::size_t c = 0; c < count; ++c) {
      ExpectClose(columns[c], net.DenseSolve(given[c]), "dense");
      // The same column alone gives the same bits: a column's solution does not depend on the
      // columns beside it, so data snooping's choices do not either.
      std::vector<std::vector<double>> alone{given[c]};
      f.SolveColumns(alone);
      EXPECT_EQ(alone[0], columns[c]) << count << " " << c;
    }
  }
}

TEST(SparseFactor, MinimumDegreeHoldsAFractionOfTheBreadthFirstProfile) {
  // The reason for the order: on a network over an area the profile's band is as wide as the
  // network, the factor in minimum-degree order a few elements a row.
  const GridNetwork net(40);
  SparseFactor f;
  ASSERT_TRUE(f.Analyse(net.points, net.Pairs(), 1u << 24));
  std::vector<std::vector<int>> neighbours(static_cast<std::size_t>(net.points) + 1);
  for (const Link& l : net.links) neighbours[l.a].push_back(l.b), neighbours[l.b].push_back(l.a);
  ProfileMatrix profile;
  profile.Renumber(net.points, 1, neighbours);
  long long band = 0;
  for (int r = 1; r <= net.points; ++r) band += profile.RowWidths()[r] - 1;
  EXPECT_LT(static_cast<long long>(f.ElementCount()) * 3, band) << f.ElementCount() << " " << band;
  // The same limit refuses it, and ends the analysis early.
  SparseFactor small;
  EXPECT_FALSE(small.Analyse(net.points, net.Pairs(), f.ElementCount() - 1));
  EXPECT_FALSE(small.Analysed());
}

TEST(SparseFactor, DowndatesEqualAFactorisationWithoutTheLinks) {
  const GridNetwork net(8, 11);
  SparseFactor f;
  ASSERT_TRUE(f.Analyse(net.points, net.Pairs(), 1u << 20));
  net.Build(f);
  ASSERT_TRUE(f.Factor());
  std::vector<char> without(net.links.size(), 0);
  std::mt19937 rng(3);
  int removed = 0;
  // Links taken out one by one (never one that would cut the network), the weighted point too.
  for (int round = 0; round < 40; ++round) {
    const std::size_t k = rng() % net.links.size();
    if (without[k]) continue;
    without[k] = 1;
    const bool connected = net.Connected(without);
    without[k] = 0;
    if (!connected) continue;
    ASSERT_TRUE(f.Downdate(net.links[k].a, net.links[k].b, net.links[k].w)) << k;
    without[k] = 1;
    ++removed;
    std::vector<std::vector<double>> columns{LinkColumn(net, (k + 1) % net.links.size())};
    const std::vector<double> given = columns[0];
    f.SolveColumns(columns);
    ExpectClose(columns[0], net.DenseSolve(given, without), "after downdates");
  }
  EXPECT_GE(removed, 20);
  // A point weight leaves as a link does.
  GridNetwork weighted = net;
  ASSERT_TRUE(f.Downdate(0, net.pointWeights[1].first, net.pointWeights[1].second));
  weighted.pointWeights.pop_back();
  std::vector<std::vector<double>> columns{LinkColumn(net, 3)};
  f.SolveColumns(columns);
  ExpectClose(columns[0], weighted.DenseSolve(LinkColumn(net, 3), without), "point weight");
}

TEST(SparseFactor, SingularSystemsAreRefusedAndAFactorisationMakesTheFactorWholeAgain) {
  GridNetwork net(5);
  SparseFactor f;
  ASSERT_TRUE(f.Analyse(net.points, net.Pairs(), 1u << 20));
  // No benchmark: every pivot of the last point of the part is zero up to rounding.
  const auto datum = net.pointWeights;
  net.pointWeights.clear();
  net.Build(f);
  EXPECT_FALSE(f.Factor());
  net.pointWeights = datum;
  // A link the analysis was not given spoils the matrix, and a downdate of one changes nothing.
  net.Build(f);
  f.AddLink(1, 25, 1e5);
  EXPECT_FALSE(f.Factor());
  net.Build(f);
  ASSERT_TRUE(f.Factor());
  EXPECT_FALSE(f.Downdate(1, 25, 1e5));
  {
    std::vector<std::vector<double>> columns{LinkColumn(net, 2)};
    f.SolveColumns(columns);
    ExpectClose(columns[0], net.DenseSolve(LinkColumn(net, 2)), "untouched");
  }
  // The corner point 25 hangs on two links; taking both leaves it loose.
  std::vector<std::size_t> corner;
  for (std::size_t k = 0; k < net.links.size(); ++k)
    if (net.links[k].b == 25) corner.push_back(k);
  ASSERT_EQ(corner.size(), 2u);
  ASSERT_TRUE(f.Downdate(net.links[corner[0]].a, 25, net.links[corner[0]].w));
  EXPECT_FALSE(f.Downdate(net.links[corner[1]].a, 25, net.links[corner[1]].w));
  std::vector<char> without(net.links.size(), 0);
  without[corner[0]] = 1;
  net.Build(f, without);
  ASSERT_TRUE(f.Factor());
  std::vector<std::vector<double>> columns{LinkColumn(net, 0)};
  f.SolveColumns(columns);
  ExpectClose(columns[0], net.DenseSolve(LinkColumn(net, 0), without), "refactored");
}

}  // namespace
}  // namespace kvel
