// The comparison of epochs against an independent dense computation: each epoch adjusted by a
// bordered system whose condition is the minimum norm of the stable points' heights, the
// congruence form by the pseudo-inverse written as (Q + ee'/n)^-1 - ee'/n, the localisation by
// trying every point, and the displacements from the dense cofactors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>

#include "leveling/epochs/epoch_analysis.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

// --- A small dense solver -------------------------------------------------------------------

using Matrix = std::vector<std::vector<double>>;

// The inverse of a symmetric (possibly indefinite, non-singular) matrix by Gauss-Jordan with
// partial pivoting.
Matrix Inverse(Matrix a) {
  const std::size_t n = a.size();
  Matrix inv(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) inv[i][i] = 1;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[p], a[c]);
    std::swap(inv[p], inv[c]);
    const double d = a[c][c];
    for (std::size_t k = 0; k < n; ++k) {
      a[c][k] /= d;
      inv[c][k] /= d;
    }
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c || a[r][c] == 0) continue;
      const double f = a[r][c];
      for (std::size_t k = 0; k < n; ++k) {
        a[r][k] -= f * a[c][k];
        inv[r][k] -= f * inv[c][k];
      }
    }
  }
  return inv;
}

struct Obs {
  std::string from, to;
  double dh = 0, length = 1;  // km
};

struct EpochData {
  std::vector<Obs> obs;
  double mo = 0.001;  // m per sqrt(km)
};

struct DenseEpoch {
  std::vector<std::string> names;
  std::map<std::string, std::size_t> index;
  std::vector<double> x;  // heights, datum: sum over the datum points = 0
  Matrix q;               // cofactors in that datum
  double pvv = 0;
  int f = 0;
};

// The free network with the minimum norm over `datum` (heights of the approximate values 0).
DenseEpoch AdjustDense(const EpochData& epoch, const std::vector<std::string>& datum) {
  DenseEpoch d;
  for (const Obs& o : epoch.obs)
    for (const std::string& nr : {o.from, o.to})
      if (d.index.emplace(nr, d.names.size()).second) d.names.push_back(nr);
  const std::size_t n = d.names.size();
  Matrix b(n + 1, std::vector<double>(n + 1, 0.0));
  std::vector<double> rhs(n + 1, 0.0);
  for (const Obs& o : epoch.obs) {
    const double w = 1.0 / (o.length * epoch.mo * epoch.mo);
    const std::size_t i = d.index[o.from], j = d.index[o.to];
    b[i][i] += w;
    b[j][j] += w;
    b[i][j] -= w;
    b[j][i] -= w;
    rhs[j] += w * o.dh;
    rhs[i] -= w * o.dh;
  }
  for (const std::string& nr : datum) {
    const auto found = d.index.find(nr);
    if (found == d.index.end()) continue;
    b[found->second][n] = b[n][found->second] = 1;
  }
  const Matrix inv = Inverse(b);
  d.x.assign(n, 0.0);
  d.q.assign(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      d.x[i] += inv[i][j] * rhs[j];
      d.q[i][j] = inv[i][j];
    }
  }
  for (const Obs& o : epoch.obs) {
    const double v = d.x[d.index[o.to]] - d.x[d.index[o.from]] - o.dh;
    d.pvv += v * v / (o.length * epoch.mo * epoch.mo);
  }
  d.f = static_cast<int>(epoch.obs.size()) - static_cast<int>(n) + 1;
  return d;
}

struct DenseRow {
  std::string point;
  bool reference = false;
  double d = 0, md = 0, test = 0, critical = 0;
  bool moved = false;
};

struct DensePair {
  double s0squared = 1;
  int f = 0;
  std::vector<std::string> stable;
  std::vector<DenseRow> rows;
};

double Quantile(double alpha, int h, int f) {
  if (f == 0) return boost::math::quantile(boost::math::chi_squared_distribution<double>(h), 1 - alpha) / h;
  return boost::math::quantile(boost::math::fisher_f_distribution<double>(h, f), 1 - alpha);
}

// d' Qd^+ d over the points `set`, both epochs adjusted with `set` as datum.
double DenseForm(const EpochData& a, const EpochData& b, const std::vector<std::string>& set) {
  const DenseEpoch ea = AdjustDense(a, set), eb = AdjustDense(b, set);
  const std::size_t n = set.size();
  Matrix m(n, std::vector<double>(n, 0.0));
  std::vector<double> d(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t ia = ea.index.at(set[i]), ib = eb.index.at(set[i]);
    d[i] = eb.x[ib] - ea.x[ia];
    for (std::size_t j = 0; j < n; ++j)
      m[i][j] = ea.q[ia][ea.index.at(set[j])] + eb.q[ib][eb.index.at(set[j])] + 1.0 / static_cast<double>(n);
  }
  const Matrix inv = Inverse(m);
  double form = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) form += d[i] * inv[i][j] * d[j];
  return form;
}

DensePair ComparePairDense(const EpochData& a, const EpochData& b, const std::vector<std::string>& references,
                           double alpha, bool moOne) {
  DensePair pair;
  const DenseEpoch ea = AdjustDense(a, references), eb = AdjustDense(b, references);
  const int f = ea.f + eb.f;
  if (!moOne && f > 0 && ea.pvv + eb.pvv > 1e-12 * f) {
    pair.s0squared = (ea.pvv + eb.pvv) / f;
    pair.f = f;
  }
  std::vector<std::string> set;
  for (const auto& r : references)
    if (ea.index.count(r) && eb.index.count(r)) set.push_back(r);
  // Localisation: take out the point whose removal leaves the smallest form.
  while (set.size() > 2) {
    const int h = static_cast<int>(set.size()) - 1;
    const double t = DenseForm(a, b, set) / (h * pair.s0squared);
    if (t <= Quantile(alpha, h, pair.f)) break;
    std::size_t best = 0;
    double bestForm = 1e300;
    for (std::size_t k = 0; k < set.size(); ++k) {
      std::vector<std::string> rest = set;
      rest.erase(rest.begin() + static_cast<long>(k));
      const double form = DenseForm(a, b, rest);
      if (form < bestForm) {
        bestForm = form;
        best = k;
      }
    }
    set.erase(set.begin() + static_cast<long>(best));
  }
  pair.stable = set;
  const DenseEpoch sa = AdjustDense(a, set), sb = AdjustDense(b, set);
  const double critical = Quantile(alpha, 1, pair.f);
  std::set<std::string> refs(references.begin(), references.end());
  auto add = [&](const std::string& nr) {
    if (!sa.index.count(nr) || !sb.index.count(nr)) return;
    const std::size_t ia = sa.index.at(nr), ib = sb.index.at(nr);
    DenseRow row;
    row.point = nr;
    row.reference = refs.count(nr) > 0;
    row.d = sb.x[ib] - sa.x[ia];
    const double q = sa.q[ia][ia] + sb.q[ib][ib];
    row.md = std::sqrt(pair.s0squared * std::max(q, 0.0));
    row.test = q > 1e-12 ? row.d * row.d / (pair.s0squared * q) : 0;
    row.critical = critical;
    row.moved = row.test > critical;
    pair.rows.push_back(row);
  };
  for (const auto& r : references) add(r);
  for (const auto& nr : sa.names)
    if (!refs.count(nr)) add(nr);
  return pair;
}

// --- Generated networks ------------------------------------------------------------------------

// A deterministic normal noise (Box-Muller over a 64-bit LCG).
struct Noise {
  std::uint64_t state;
  double Uniform() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  }
  double Normal() { return std::sqrt(-2 * std::log(Uniform())) * std::cos(6.283185307179586 * Uniform()); }
};

// A grid of side x side points with its rows, columns and one diagonal per cell; the reference
// points are the four corners and the centre.
struct Grid {
  int side = 5;
  std::vector<std::string> names;
  std::vector<std::pair<int, int>> lines;
  std::vector<double> lengths;
  std::vector<std::string> references;
  explicit Grid(int s, bool tree = false) : side(s) {
    for (int r = 0; r < side; ++r)
      for (int c = 0; c < side; ++c) names.push_back((r * side + c) % 3 == 0 ? "Rp" + std::to_string(r * side + c)
                                                                              : "P" + std::to_string(r * side + c));
    for (int r = 0; r < side; ++r) {
      for (int c = 0; c < side; ++c) {
        const int k = r * side + c;
        if (c + 1 < side && (!tree || r == 0)) Link(k, k + 1, 1.0 + 0.1 * (k % 4));
        if (r + 1 < side) Link(k, k + side, 0.8 + 0.1 * (k % 3));
        if (!tree && r + 1 < side && c + 1 < side) Link(k, k + side + 1, 1.4);
      }
    }
    for (int k : {0, side - 1, side * (side - 1), side * side - 1, (side * side) / 2}) references.push_back(names[k]);
  }
  void Link(int a, int b, double length) {
    lines.push_back({a, b});
    lengths.push_back(length);
  }
  std::vector<double> Heights() const {
    std::vector<double> h;
    for (std::size_t k = 0; k < names.size(); ++k) h.push_back(200.0 + 3.7 * std::sin(0.7 * static_cast<double>(k)));
    return h;
  }
  EpochData Epoch(const std::vector<double>& heights, std::uint64_t seed, double mo, double noise = 1.0) const {
    EpochData e;
    e.mo = mo;
    Noise n{seed};
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const auto [a, b] = lines[i];
      const double dh = heights[static_cast<std::size_t>(b)] - heights[static_cast<std::size_t>(a)] +
                        noise * mo * std::sqrt(lengths[i]) * n.Normal();
      e.obs.push_back({names[static_cast<std::size_t>(a)], names[static_cast<std::size_t>(b)], dh, lengths[i]});
    }
    return e;
  }
};

void WriteEpoch(const ScratchFolder& folder, const EpochData& epoch, const std::vector<std::string>* references,
                const std::vector<double>* heights, const Grid* grid) {
  std::ostringstream deltah;
  deltah.precision(17);
  for (const Obs& o : epoch.obs) deltah << o.from << ' ' << o.to << ' ' << o.dh << ' ' << o.length << '\n';
  deltah << "0 0 " << epoch.mo << " 0\n";
  folder.Write("deltah", deltah.str());
  if (!references) return;
  std::ostringstream hsta;
  hsta.precision(12);
  for (const auto& r : *references) {
    const auto k = std::find(grid->names.begin(), grid->names.end(), r) - grid->names.begin();
    hsta << r << ' ' << (*heights)[static_cast<std::size_t>(k)] << '\n';
  }
  hsta << "0 0\n";
  folder.Write("h.sta", hsta.str());
}

struct CsvRow {
  int from = 0, to = 0;
  std::string point, role;
  double d = 0, md = 0, test = 0, critical = 0;
  int moved = 0;
};

std::vector<CsvRow> ReadCsv(const std::string& bytes) {
  std::vector<CsvRow> rows;
  std::istringstream in(bytes);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "from_epoch,to_epoch,point,role,d,md,test,critical,moved\r");
  while (std::getline(in, line)) {
    EXPECT_FALSE(line.empty() || line.back() != '\r') << "CR LF line ends";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::stringstream s(line);
    std::string field;
    while (std::getline(s, field, ',')) f.push_back(field);
    if (f.size() != 9) {
      ADD_FAILURE() << line;
      continue;
    }
    rows.push_back({std::stoi(f[0]), std::stoi(f[1]), f[2], f[3], std::stod(f[4]), std::stod(f[5]), std::stod(f[6]),
                    std::stod(f[7]), std::stoi(f[8])});
  }
  return rows;
}

struct Case {
  const char* name;
  std::map<int, double> moves;  // grid index -> movement of epoch 2, m
  double shiftAll = 0;          // every point, m
  bool identical = false;       // epoch 2 = epoch 1, observation for observation
  int dropPoint = -1;           // a point epoch 2 does not measure
  bool tree = false;            // no redundancy
  std::set<std::string> planted;  // expected moved points
  // Epoch 2 with noise of its own: the tests then see chance differences as well, so beside the
  // planted points only the dense computation says what moved.
  bool freshNoise = false;
};

// Mean error of one displacement is about 1 mm here (mo = 1 mm/sqrt(km), lines of about 1 km):
// 10 mm is ten times it, 0.1 mm far below what the network can see.
class EpochComparison : public ::testing::TestWithParam<Case> {};

TEST_P(EpochComparison, AgreesWithTheDenseComputation) {
  const Case& c = GetParam();
  const Grid grid(5, c.tree);
  const std::vector<double> h1 = grid.Heights();
  std::vector<double> h2 = h1;
  for (auto& h : h2) h += c.shiftAll;
  for (const auto& [k, m] : c.moves) h2[static_cast<std::size_t>(k)] += m;
  const EpochData e1 = grid.Epoch(h1, 11, 0.001);
  // Planted movements on the same noise: what the comparison finds is the movement alone.
  EpochData e2 = c.identical ? e1 : grid.Epoch(h2, c.freshNoise ? 23 : 11, 0.001);
  if (c.dropPoint >= 0) {
    const std::string gone = grid.names[static_cast<std::size_t>(c.dropPoint)];
    std::erase_if(e2.obs, [&](const Obs& o) { return o.from == gone || o.to == gone; });
  }
  ScratchFolder f1, f2, out;
  WriteEpoch(f1, e1, &grid.references, &h1, &grid);
  WriteEpoch(f2, e2, nullptr, nullptr, nullptr);
  RecordingRunHost host;
  const epochs::CongruenceOptions options;
  ASSERT_EQ(epochs::RunEpochAnalysis({f1.Path(), f2.Path()}, out.Path(), options, host), orvane::RunOutcome::Finished)
      << ::testing::PrintToString(host.Boxes());
  const std::vector<CsvRow> rows = ReadCsv(out.Read("przemieszczenia.csv"));
  const DensePair dense = ComparePairDense(e1, e2, grid.references, options.alpha, false);

  ASSERT_EQ(rows.size(), dense.rows.size());
  std::set<std::string> moved;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const CsvRow& r = rows[i];
    const DenseRow& d = dense.rows[i];
    SCOPED_TRACE(r.point);
    EXPECT_EQ(r.from, 1);
    EXPECT_EQ(r.to, 2);
    EXPECT_EQ(r.point, d.point);
    EXPECT_EQ(r.role, d.reference ? "reference" : "object");
    EXPECT_NEAR(r.d, d.d, 1e-5);  // 0.01 mm
    EXPECT_NEAR(r.md, d.md, 0.01 * d.md + 1e-12);
    EXPECT_NEAR(r.critical, d.critical, 1e-9 * d.critical);
    EXPECT_EQ(r.moved, d.moved ? 1 : 0);
    if (r.moved) moved.insert(r.point);
    // Every planted movement is found within two mean errors.
    const auto k = static_cast<std::size_t>(std::find(grid.names.begin(), grid.names.end(), r.point) - grid.names.begin());
    if (c.planted.count(r.point)) {
      const double planted = c.moves.at(static_cast<int>(k));
      EXPECT_LT(std::fabs(r.d - planted), 2 * r.md);
    }
  }
  if (c.freshNoise) {
    for (const auto& p : c.planted) EXPECT_TRUE(moved.count(p)) << p;
  } else {
    EXPECT_EQ(moved, c.planted);
  }
  if (c.identical) {
    for (const CsvRow& r : rows) EXPECT_EQ(r.d, 0.0);
  }
  if (c.dropPoint >= 0) {
    const std::string report = orvane::FromCp1250(out.Read("przemieszczenia.osn"));
    EXPECT_NE(report.find("Punkty pominięte (tylko w jednej z epok) = 1"), std::string::npos);
  }
}

Grid kGrid(5);

INSTANTIATE_TEST_SUITE_P(
    Cases, EpochComparison,
    ::testing::Values(Case{"identical", {}, 0, true, -1, false, {}},
                      Case{"one_object_point_moved", {{7, -0.010}}, 0, false, -1, false, {kGrid.names[7]}},
                      Case{"a_reference_and_an_object_point_moved", {{4, 0.012}, {16, -0.010}}, 0, false, -1, false,
                           {kGrid.names[4], kGrid.names[16]}},
                      Case{"two_reference_points_moved", {{0, 0.012}, {24, -0.015}}, 0, false, -1, false,
                           {kGrid.names[0], kGrid.names[24]}},
                      Case{"all_points_moved_together", {}, 0.25, false, -1, false, {}},
                      Case{"below_detectability", {{8, 0.0001}}, 0, false, -1, false, {}},
                      Case{"an_epoch_missing_a_point", {{7, -0.010}}, 0, false, 13, false, {kGrid.names[7]}},
                      Case{"no_redundancy", {{7, 0.015}}, 0, false, -1, true, {kGrid.names[7]}},
                      Case{"fresh_noise", {{4, 0.012}, {16, -0.010}}, 0.05, false, 13, false,
                           {kGrid.names[4], kGrid.names[16]}, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Three epochs: each against the first, then each against the one before; a point that sank
// between epochs 2 and 3 is moved in 1 -> 3 and 2 -> 3 only, by the dense computation's values.
TEST(EpochComparisons, ThreeEpochsGiveEachAgainstTheFirstAndTheOneBefore) {
  const Grid grid(5);
  const std::vector<double> h1 = grid.Heights();
  std::vector<double> h3 = h1;
  h3[11] -= 0.015;
  // One noise in all three: what differs is the movement alone.
  const EpochData e1 = grid.Epoch(h1, 11, 0.001), e2 = grid.Epoch(h1, 11, 0.001), e3 = grid.Epoch(h3, 11, 0.001);
  ScratchFolder f1, f2, f3, out;
  WriteEpoch(f1, e1, &grid.references, &h1, &grid);
  WriteEpoch(f2, e2, &grid.references, &h1, &grid);  // its own h.sta is not read
  WriteEpoch(f3, e3, nullptr, nullptr, nullptr);
  RecordingRunHost host;
  ASSERT_EQ(epochs::RunEpochAnalysis({f1.Path(), f2.Path(), f3.Path()}, out.Path(), {}, host),
            orvane::RunOutcome::Finished);
  const std::vector<CsvRow> rows = ReadCsv(out.Read("przemieszczenia.csv"));
  std::map<std::pair<int, int>, std::vector<CsvRow>> pairs;
  for (const CsvRow& r : rows) pairs[{r.from, r.to}].push_back(r);
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(epochs::ComparedPairs(4), (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {1, 4}, {2, 3}, {3, 4}}));
  const EpochData* data[] = {nullptr, &e1, &e2, &e3};
  for (const auto& [key, list] : pairs) {
    SCOPED_TRACE(std::to_string(key.first) + " -> " + std::to_string(key.second));
    const DensePair dense = ComparePairDense(*data[key.first], *data[key.second], grid.references, 0.05, false);
    ASSERT_EQ(list.size(), dense.rows.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_NEAR(list[i].d, dense.rows[i].d, 1e-5);
      EXPECT_NEAR(list[i].md, dense.rows[i].md, 0.01 * dense.rows[i].md);
      EXPECT_EQ(list[i].moved, dense.rows[i].moved ? 1 : 0) << list[i].point;
      const bool sank = list[i].point == grid.names[11];
      EXPECT_EQ(list[i].moved == 1, sank && key.second == 3) << list[i].point;
    }
  }
  const std::string report = orvane::FromCp1250(out.Read("przemieszczenia.osn"));
  for (const char* heading : {"PORÓWNANIE EPOK 1 -> 2", "PORÓWNANIE EPOK 1 -> 3", "PORÓWNANIE EPOK 2 -> 3"})
    EXPECT_NE(report.find(heading), std::string::npos) << heading;
}

// The a-priori factor on request: the report says so and the critical values are chi-square / h.
TEST(EpochComparisons, UnitFactorOnRequestUsesChiSquare) {
  const Grid grid(4);
  const std::vector<double> h = grid.Heights();
  ScratchFolder f1, f2, out;
  WriteEpoch(f1, grid.Epoch(h, 3, 0.001), &grid.references, &h, &grid);
  WriteEpoch(f2, grid.Epoch(h, 4, 0.001), nullptr, nullptr, nullptr);
  RecordingRunHost host;
  epochs::CongruenceOptions options;
  options.unitErrorIsOne = true;
  options.alpha = 0.01;
  ASSERT_EQ(epochs::RunEpochAnalysis({f1.Path(), f2.Path()}, out.Path(), options, host), orvane::RunOutcome::Finished);
  const std::vector<CsvRow> rows = ReadCsv(out.Read("przemieszczenia.csv"));
  ASSERT_FALSE(rows.empty());
  EXPECT_NEAR(rows[0].critical, 6.6348966010212145, 1e-9);  // chi-square(0.99; 1)
  const std::string report = orvane::FromCp1250(out.Read("przemieszczenia.osn"));
  EXPECT_NE(report.find("s0^2 = 1 (a priori, wybrany przez użytkownika)"), std::string::npos) << report;
  EXPECT_NE(report.find("F(4,inf)"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n"), std::string::npos);
}

// Data errors stop the analysis naming the epoch; the report says where, the CSV has its header
// alone, and old results of a finished analysis are replaced by these.
TEST(EpochComparisons, DataErrorsNameTheEpoch) {
  const Grid grid(4);
  const std::vector<double> h = grid.Heights();
  const EpochData e1 = grid.Epoch(h, 3, 0.001);
  struct ErrorCase {
    const char* deltah2;
    const char* box;
  };
  const ErrorCase cases[] = {
      {"P1 P2 abc 1\n0 0 0.001 0\n", "EPOKA 2 ("},
      {"P1 P2 1.0 1\nX Y 2.0 1\n0 0 0.001 0\n", "*** SIEĆ EPOKI NIE JEST SPÓJNA, LICZBA UKŁADÓW ODOSOBNIONYCH: 2"},
      {"P1 P2 1.0 1\nP2 P5 2.0 1\n0 0 0.001 0\n", "*** EPOKI NIE MAJĄ WSPÓLNEGO PUNKTU ODNIESIENIA: 1 - 2"},
      {"0 0 0.001 0\n", "*** BRAK OBSERWACJI W EPOCE"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.deltah2);
    ScratchFolder f1, f2, out;
    WriteEpoch(f1, e1, &grid.references, &h, &grid);
    f2.Write("deltah", c.deltah2);
    out.Write("przemieszczenia.csv", "old\n");
    RecordingRunHost host;
    EXPECT_EQ(epochs::RunEpochAnalysis({f1.Path(), f2.Path()}, out.Path(), {}, host), orvane::RunOutcome::Stopped);
    const auto boxes = host.Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_NE(boxes[boxes.size() - 2].find(c.box), std::string::npos) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes.back(), "information:  KONIEC ANALIZY PRZEMIESZCZEŃ ");
    EXPECT_EQ(out.Read("przemieszczenia.csv"), "from_epoch,to_epoch,point,role,d,md,test,critical,moved\r\n");
    const std::string report = orvane::FromCp1250(out.Read("przemieszczenia.osn"));
    const std::string box = boxes[boxes.size() - 2];
    const std::string last = box.substr(box.find(": ") + 2);
    EXPECT_NE(report.find(last.substr(last.find("***"))), std::string::npos) << report;
  }
}

// Few reference points: with two that disagree the localisation cannot tell which one moved and
// says so (both stay the datum); with one there is no global test and the displacements are
// relative to it. Both as the dense computation has them.
TEST(EpochComparisons, TwoOrOneReferencePoints) {
  const Grid grid(5);
  const std::vector<double> h1 = grid.Heights();
  std::vector<double> h2 = h1;
  h2[24] += 0.012;
  const EpochData e1 = grid.Epoch(h1, 11, 0.001), e2 = grid.Epoch(h2, 11, 0.001);
  struct Few {
    std::vector<std::string> references;
    const char* line;
  };
  const Few cases[] = {{{grid.names[0], grid.names[24]}, "zostały dwa punkty odniesienia, nie można wskazać"},
                       {{grid.names[12]}, "jeden punkt odniesienia: test niewykonalny"}};
  for (const Few& c : cases) {
    SCOPED_TRACE(c.line);
    ScratchFolder f1, f2, out;
    WriteEpoch(f1, e1, &c.references, &h1, &grid);
    WriteEpoch(f2, e2, nullptr, nullptr, nullptr);
    RecordingRunHost host;
    ASSERT_EQ(epochs::RunEpochAnalysis({f1.Path(), f2.Path()}, out.Path(), {}, host), orvane::RunOutcome::Finished);
    EXPECT_NE(orvane::FromCp1250(out.Read("przemieszczenia.osn")).find(c.line), std::string::npos);
    const std::vector<CsvRow> rows = ReadCsv(out.Read("przemieszczenia.csv"));
    const DensePair dense = ComparePairDense(e1, e2, c.references, 0.05, false);
    ASSERT_EQ(rows.size(), dense.rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_NEAR(rows[i].d, dense.rows[i].d, 1e-5) << rows[i].point;
      EXPECT_NEAR(rows[i].md, dense.rows[i].md, 0.01 * dense.rows[i].md + 1e-9) << rows[i].point;
      EXPECT_EQ(rows[i].moved, dense.rows[i].moved ? 1 : 0) << rows[i].point;
    }
  }
}

}  // namespace
}  // namespace kvel::testing
