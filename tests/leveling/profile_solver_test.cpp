// The profile solver judged by a plain dense solve and a dense inverse, and the numbering and
// reservation on small networks whose rows and widths are known by hand.
#include "leveling/profile_solver.h"
#include "leveling/normal_equations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "network_builder.h"

namespace kvel {
namespace {

using testing::Bench;
using testing::FillRun;
using testing::Leg;
using testing::RecordingRunHost;
using testing::ScratchFolder;
using testing::SplitReportLines;

TEST(Renumbering, ThreePointChainGivesKnownWidthsAndReservation) {
  AdjustmentRun run;
  FillRun(run, {{"P1", "P2", 1.0, 0.001}, {"P2", "P3", 1.0, 0.001}}, {{"P1", 100.0}});
  run.normal.Renumber(run.PointCount(), 1, run.neighbours);
  const auto& sys = run.normal;
  EXPECT_EQ(sys.Rows(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(sys.RowWidths(), (std::vector<int>{0, 2, 2, 1}));
  EXPECT_EQ(sys.IsolatedPartCount(), 1);

  const ScratchFolder folder;
  orvane::TextWriter report;
  ASSERT_TRUE(report.Create(folder.File("wyh.osn")));
  ASSERT_TRUE(ReserveProfile(run.normal, report));
  report.Close();
  EXPECT_EQ(sys.RowStarts(), (std::vector<long long>{0, 0, 2, 4, 5}));
  EXPECT_EQ(sys.ReservedElementCount(), 6);
  EXPECT_EQ(sys.Elements().size(), 6u);  // positions 1..5, just what the network needs
  EXPECT_EQ(SplitReportLines(folder.Read("wyh.osn")),
            (std::vector<std::string>{" ", " LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = 6", "  "}));
}

TEST(Renumbering, SeparatePartsAreWarnedAndTheNextPartStartsAtItsLowestIndex) {
  // Catalogue: X(1) R1(2) R2(3) B(4) A(5) C(6); parts {X,R1,A} and {R2,B,C}.
  AdjustmentRun run;
  FillRun(run, {{"X", "R1", 1, 0.001}, {"R2", "B", 1, 0.001}, {"R1", "A", 1, 0.001}, {"C", "B", 1, 0.001}},
          {{"R1", 10.0}, {"R2", 20.0}});
  // Start from A: A=1, R1=2, X=3; then the lowest unnumbered catalogue index is R2 (3).
  run.startPoint = 5;
  const ScratchFolder folder;
  RecordingRunHost host;
  run.host = &host;
  ASSERT_TRUE(run.report.Create(folder.File("wyh.osn")));
  EXPECT_EQ(PrepareNormalEquations(run), orvane::RunOutcome::Finished);
  run.report.Close();
  EXPECT_EQ(run.normal.IsolatedPartCount(), 2);
  EXPECT_EQ(run.normal.Rows(), (std::vector<int>{0, 3, 2, 4, 5, 1, 6}));
  // Row 3 (X) closes the first part; row 4 (R2) opens the second.
  EXPECT_EQ(run.normal.RowWidths(), (std::vector<int>{0, 2, 2, 1, 2, 2, 1}));
  const auto lines = SplitReportLines(folder.Read("wyh.osn"));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "  UWAGA: sieć zawiera 2 układy odosobnione");
  EXPECT_EQ(lines[2], " LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = 11");
  EXPECT_TRUE(host.Informations().empty());
}

TEST(Reservation, LimitAcceptsFifteenMillionAndStopsAtOneMore) {
  const ScratchFolder folder;
  for (long long reserved : {15000000LL, 15000001LL}) {
    ProfileMatrix sys;
    sys.SetShape({0, static_cast<int>(reserved - 2), 1});  // rowStart[2] + 2 == reserved
    orvane::TextWriter report;
    ASSERT_TRUE(report.Create(folder.File("wyh.osn")));
    const bool ok = ReserveProfile(sys, report);
    report.Close();
    EXPECT_EQ(sys.ReservedElementCount(), reserved);
    const auto lines = SplitReportLines(folder.Read("wyh.osn"));
    EXPECT_EQ(lines[1], " LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = " + std::to_string(reserved));
    if (reserved == 15000000LL) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(lines.size(), 3u);
    } else {
      EXPECT_FALSE(ok);
      ASSERT_EQ(lines.size(), 4u);
      EXPECT_EQ(lines[3], " *** PRZEKROCZENIE ZAKRESU TABLICY URN");
      EXPECT_FALSE(sys.Allocated());  // nothing allocated for a profile that does not fit
    }
  }
}

TEST(Reservation, TooLargeProfileStopsTheRunWithItsMessage) {
  AdjustmentRun run;
  // A star of 5500 points around one centre, numbered from a leaf: the centre is row 2 and its
  // band reaches the last row, so every later row keeps a wide band (about 15 million elements).
  std::vector<Leg> legs;
  for (int k = 1; k <= 5500; ++k) legs.push_back({"C", "P" + std::to_string(k), 1.0, 0.001});
  for (int k = 1; k < 5500; ++k) legs.push_back({"P" + std::to_string(k), "P" + std::to_string(k + 1), 1.0, 0.001});
  FillRun(run, legs, {{"C", 0.0}});
  RecordingRunHost host;
  run.host = &host;
  const ScratchFolder folder;
  ASSERT_TRUE(run.report.Create(folder.File("wyh.osn")));
  run.startPoint = 2;  // P1
  const auto outcome = PrepareNormalEquations(run);
  run.report.Close();
  ASSERT_GT(run.normal.ReservedElementCount(), ProfileElementLimit);
  EXPECT_EQ(outcome, orvane::RunOutcome::Stopped);
  EXPECT_EQ(host.Informations(), (std::vector<std::string>{orvane::ToCp1250(" *** PRZEKROCZENIE ZAKRESU TABLICY WEWNĘTRZNEJ")}));
  EXPECT_EQ(SplitReportLines(folder.Read("wyh.osn")).back(), " *** PRZEKROCZENIE ZAKRESU TABLICY URN");
  EXPECT_FALSE(run.normal.Allocated());
}

// A system built in the profile and, in the same rows, as a dense matrix.
struct TwoSystems {
  AdjustmentRun run;
  std::vector<std::vector<long double>> dense;  // 0-based rows
  std::vector<long double> rhs;
  long double pll = 0;
  std::vector<std::pair<int, int>> obsRows;  // (a, b), a < b
};

// Random network: `parts` chains of points with extra links between near points, benchmarks
// fixed (weight 1e20) or weighted; a part without benchmark when `orphanPart`.
void BuildRandom(TwoSystems& s, std::mt19937& rng, int points, int parts, bool orphanPart) {
  std::uniform_real_distribution<double> dh(-5.0, 5.0), err(0.5, 3.0), u01(0.0, 1.0);
  std::uniform_int_distribution<int> near(1, 6);
  std::vector<Leg> legs;
  std::vector<Bench> benches;
  const int perPart = points / parts;
  for (int part = 0; part < parts; ++part) {
    auto name = [&](int k) { return "N" + std::to_string(part) + "_" + std::to_string(k); };
    for (int k = 1; k < perPart; ++k) {
      legs.push_back({name(k), name(k + 1), dh(rng), err(rng)});
      if (k + 2 <= perPart && u01(rng) < 0.7) {
        const int m = std::min(perPart, k + 1 + near(rng));
        legs.push_back({name(m), name(k), dh(rng), err(rng)});
      }
    }
    if (orphanPart && part == parts - 1) continue;
    benches.push_back({name(1 + static_cast<int>(u01(rng) * (perPart - 1))), 0.0, 0.0});
    benches.push_back({name(1 + static_cast<int>(u01(rng) * (perPart - 1))), 0.0, 0.3});
  }
  std::shuffle(legs.begin(), legs.end(), rng);
  FillRun(s.run, legs, {});
  AdjustmentRun& run = s.run;
  ProfileMatrix& sys = run.normal;
  const int lp = run.PointCount();
  sys.Renumber(lp, 1 + static_cast<int>(u01(rng) * (lp - 1)), run.neighbours);
  ASSERT_TRUE(sys.Reserve());
  sys.Clear();
  s.dense.assign(lp, std::vector<long double>(lp, 0));
  s.rhs.assign(lp, 0);
  std::vector<double> height(lp + 1);
  for (auto& h : height) h = dh(rng);
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const auto& o = run.obs[k];
    int a = sys.RowOf(o.From), b = sys.RowOf(o.To);
    double l = height[o.To] - height[o.From] - o.DH;
    if (a > b) {
      std::swap(a, b);
      l = -l;
    }
    sys.AddObservation(a, b, o.Weight, l);
    s.dense[a - 1][a - 1] += o.Weight;
    s.dense[b - 1][b - 1] += o.Weight;
    s.dense[a - 1][b - 1] -= o.Weight;
    s.dense[b - 1][a - 1] -= o.Weight;
    s.rhs[a - 1] -= static_cast<long double>(o.Weight) * l;
    s.rhs[b - 1] += static_cast<long double>(o.Weight) * l;
    s.pll += static_cast<long double>(o.Weight) * l * l;
    s.obsRows.emplace_back(a, b);
  }
  for (const auto& bench : benches) {
    for (int k = 1; k <= lp; ++k) {
      if (run.pointNr[k] != bench.nr) continue;
      const double w = bench.meanError < 0.00001 ? 1e20 : 1.0 / (bench.meanError * bench.meanError);
      sys.AddPointWeight(sys.RowOf(k), w);
      s.dense[sys.RowOf(k) - 1][sys.RowOf(k) - 1] += w;
    }
  }
}

// The dense inverse, column by column (symmetric: column c is row c).
std::vector<std::vector<double>> DenseInverse(const std::vector<std::vector<long double>>& dense) {
  const int n = static_cast<int>(dense.size());
  std::vector<std::vector<double>> inverse(n);
  for (int c = 0; c < n; ++c) {
    std::vector<long double> e(n, 0);
    e[c] = 1;
    inverse[c] = testing::DenseSolve(dense, e);
  }
  return inverse;
}

double RelDiff(double a, double b) { return std::fabs(a - b) / std::max({std::fabs(a), std::fabs(b), 1e-300}); }

struct RandomCase {
  int points, parts;
  bool orphan;
};

void PrintTo(const RandomCase& c, std::ostream* os) {
  *os << c.points << " points, " << c.parts << " parts" << (c.orphan ? ", a part without benchmark" : "");
}

class AgainstDense : public ::testing::TestWithParam<RandomCase> {};

TEST_P(AgainstDense, SolutionPvvAndInverseMatchDenseAlgebra) {
  const auto param = GetParam();
  std::mt19937 rng(1234 + param.points * 7 + param.parts);
  for (int trial = 0; trial < 4; ++trial) {
    TwoSystems s;
    BuildRandom(s, rng, param.points, param.parts, param.orphan);
    ProfileMatrix& sys = s.run.normal;
    const int n = sys.Order();
    std::vector<int> defects;
    sys.FactorAndSolve([&](int row) { defects.push_back(row); });
    if (param.orphan) {
      ASSERT_EQ(defects.size(), 1u);  // the part without benchmark floats: one pivot vanishes
      EXPECT_EQ(sys.DefectRow(), defects.back());
    } else {
      EXPECT_TRUE(defects.empty());
      EXPECT_EQ(sys.DefectRow(), 0);
    }
    // The repaired pivot is the original diagonal plus 1.0.
    for (int r : defects) s.dense[r - 1][r - 1] += 1.0L;
    std::vector<long double> minusRhs(n);
    for (int i = 0; i < n; ++i) minusRhs[i] = -s.rhs[i];
    const auto dx = testing::DenseSolve(s.dense, minusRhs);
    double scale = 0;
    for (double v : dx) scale = std::max(scale, std::fabs(v));
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(sys.Correction(i), dx[i - 1], 1e-9 * (1 + scale)) << "row " << i;
    long double pvv = s.pll;
    for (int i = 0; i < n; ++i) pvv += s.rhs[i] * dx[i];
    EXPECT_NEAR(sys.Pvv(), std::max(0.0L, pvv), 1e-8 * static_cast<double>(s.pll));

    const std::vector<std::vector<double>> inverse = DenseInverse(s.dense);
    const std::vector<double> factor = sys.Elements();
    const std::vector<double> diagonal = sys.ReferenceInverseDiagonal();
    for (int i = 1; i <= n; ++i)
      EXPECT_LE(RelDiff(diagonal[i], inverse[i - 1][i - 1]), 1e-7) << "Q(" << i << "," << i << ")";
    std::vector<double> forms;
    for (auto [a, b] : s.obsRows) {
      std::vector<double> x(n + 1, 0.0);
      x[a] = -1.0;
      x[b] = 1.0;
      forms.push_back(sys.ReferenceQuadraticForm(x));
      const double dense = inverse[a - 1][a - 1] + inverse[b - 1][b - 1] - 2 * inverse[a - 1][b - 1];
      EXPECT_LE(RelDiff(forms.back(), dense), 1e-6) << a << "-" << b;
    }
    // The reference routines read the factor and leave it whole.
    EXPECT_EQ(sys.Elements(), factor);

    // The selected inverse agrees with the reference routines to 1e-9.
    sys.Invert(InverseMethod::Selected);
    for (int i = 1; i <= n; ++i)
      EXPECT_LE(RelDiff(sys.Q(i, i), diagonal[i]), 1e-9) << "Q(" << i << "," << i << ")";
    for (std::size_t k = 0; k < s.obsRows.size(); ++k) {
      const auto [a, b] = s.obsRows[k];
      const double g = sys.Q(a, a) + sys.Q(b, b) - 2 * sys.Q(a, b);
      EXPECT_LE(RelDiff(g, forms[k]), 1e-9) << a << "-" << b;
      EXPECT_LE(RelDiff(sys.Q(b, a), inverse[a - 1][b - 1]), 1e-6);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RandomNetworks, AgainstDense,
                         ::testing::Values(RandomCase{12, 1, false}, RandomCase{40, 1, false},
                                           RandomCase{60, 2, false}, RandomCase{45, 3, true},
                                           RandomCase{30, 2, true}));

// The elimination exactly as the textbook writes it, row i updating the rows below it, on copies
// of the built elements `a` and right side `b` in the matrix's own positions.
void FactorRowByRowDownwards(const ProfileMatrix& sys, std::vector<double>& elements, std::vector<double>& rightSide) {
  const int n = sys.Order();
  double* a = elements.data();
  double* b = rightSide.data();
  for (int i = 1; i <= n; ++i) {
    double d = a[sys.At(i, i)];
    if (d < 1e-10) d += 1.0;
    const double r = 1.0 / std::sqrt(d);
    a[sys.At(i, i)] = r;
    const double y = b[i] * r;
    b[i] = y;
    const int last = std::min(sys.LastColumn(i), n);
    for (int q = i + 1; q <= last; ++q) a[sys.At(i, q)] *= r;
    for (int j = i + 1; j <= last; ++j) {
      const double uij = a[sys.At(i, j)];
      if (uij == 0.0) continue;
      for (int q = j; q <= last; ++q) a[sys.At(j, q)] -= uij * a[sys.At(i, q)];
      b[j] -= uij * y;
    }
    b[n + 1] -= y * y;
  }
}

TEST(FactorAndSolve, SameFactorToTheLastBitAsTheDownwardElimination) {
  std::mt19937 rng(31);
  for (int trial = 0; trial < 3; ++trial) {
    TwoSystems s;
    BuildRandom(s, rng, 400, 2, false);
    ProfileMatrix& sys = s.run.normal;
    std::vector<double> copyElements = sys.Elements();
    std::vector<double> copyRightSide = sys.RightSide();
    sys.FactorAndSolve();
    FactorRowByRowDownwards(sys, copyElements, copyRightSide);
    if (copyRightSide[sys.Order() + 1] < 0) copyRightSide[sys.Order() + 1] = 0;
    EXPECT_EQ(sys.Elements(), copyElements);
    EXPECT_EQ(sys.RightSide(), copyRightSide);
  }
}

TEST(SelectedInverse, AgreesWithTheReferenceOnALargerNetwork) {
  std::mt19937 rng(99);
  TwoSystems s;
  BuildRandom(s, rng, 600, 1, false);
  ProfileMatrix& sys = s.run.normal;
  const int n = sys.Order();
  sys.FactorAndSolve();
  const std::vector<double> diagonal = sys.ReferenceInverseDiagonal();
  std::vector<double> forms;
  for (auto [a, b] : s.obsRows) {
    std::vector<double> x(n + 1, 0.0);
    x[a] = -1.0;
    x[b] = 1.0;
    forms.push_back(sys.ReferenceQuadraticForm(x));
  }
  sys.Invert(InverseMethod::Selected);
  double worst = 0;
  for (int i = 1; i <= n; ++i) worst = std::max(worst, RelDiff(sys.Q(i, i), diagonal[i]));
  for (std::size_t k = 0; k < forms.size(); ++k) {
    const auto [a, b] = s.obsRows[k];
    worst = std::max(worst, RelDiff(sys.Q(a, a) + sys.Q(b, b) - 2 * sys.Q(a, b), forms[k]));
  }
  EXPECT_LE(worst, 1e-9);
}

TEST(ProfileMatrix, SolveWithTheFactorAndReferenceCofactorsMatchTheDenseInverse) {
  std::mt19937 rng(7);
  TwoSystems s;
  BuildRandom(s, rng, 40, 1, false);
  ProfileMatrix& sys = s.run.normal;
  const int n = sys.Order();
  sys.FactorAndSolve();
  const std::vector<std::vector<double>> inverse = DenseInverse(s.dense);
  // N x = b for b = (1, 2, ..., n): x = N^-1 b from the dense inverse.
  std::vector<double> b(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) b[i] = i;
  const std::vector<double> x = sys.Solve(b);
  for (int i = 1; i <= n; ++i) {
    long double expected = 0;
    for (int j = 1; j <= n; ++j) expected += static_cast<long double>(inverse[i - 1][j - 1]) * j;
    EXPECT_LE(RelDiff(x[i], static_cast<double>(expected)), 1e-7) << "row " << i;
  }
  // The reference method answers the diagonal and the pairs of the observations.
  sys.Invert(InverseMethod::Reference);
  for (auto [a, c] : s.obsRows) {
    ASSERT_TRUE(sys.InsideProfile(a, c));
    EXPECT_LE(RelDiff(sys.Q(a, a), inverse[a - 1][a - 1]), 1e-7);
    // Off the diagonal the value comes through a difference: judged against the diagonal's scale.
    const double scale = std::sqrt(inverse[a - 1][a - 1] * inverse[c - 1][c - 1]);
    EXPECT_NEAR(sys.Q(c, a), inverse[a - 1][c - 1], 1e-7 * scale) << a << "-" << c;
  }
}

TEST(ProfileMatrix, ColumnsSolvedSideBySideMatchTheDenseInverse) {
  std::mt19937 rng(11);
  TwoSystems s;
  BuildRandom(s, rng, 40, 1, false);
  ProfileMatrix& sys = s.run.normal;
  const int n = sys.Order();
  sys.FactorAndSolve();
  const std::vector<std::vector<double>> inverse = DenseInverse(s.dense);
  // Unit columns starting at different rows, given out of order, and one column of zeros: each
  // column must come back as its own column of the inverse.
  const std::vector<int> units = {n, 1, n / 2, 2, 0};
  std::vector<std::vector<double>> columns(units.size(), std::vector<double>(n + 1, 0.0));
  for (std::size_t c = 0; c < units.size(); ++c)
    if (units[c] > 0) columns[c][units[c]] = 1.0;
  sys.SolveColumns(columns);
  for (std::size_t c = 0; c < units.size(); ++c) {
    for (int i = 1; i <= n; ++i) {
      const int u = units[c];
      const double expected = u > 0 ? inverse[i - 1][u - 1] : 0.0;
      // Judged against the diagonal's scale, as the other off-diagonal cofactors are.
      const double scale = u > 0 ? std::sqrt(inverse[i - 1][i - 1] * inverse[u - 1][u - 1]) : 1.0;
      EXPECT_NEAR(columns[c][i], expected, 1e-7 * scale) << "column " << c << " row " << i;
    }
  }
}

TEST(FactorAndSolve, FixedBenchmarkAndOneLeg) {
  // A held with weight 1e20, B free, A->B with DH = 1.000, both heights 0: l = -1.
  ProfileMatrix sys;
  sys.SetShape({0, 2, 1});
  ASSERT_TRUE(sys.Reserve());
  sys.Clear();
  sys.AddObservation(1, 2, 1e6, -1.0);
  sys.AddPointWeight(1, 1e20);
  EXPECT_DOUBLE_EQ(sys.Pll(), 1e6);  // [pll]
  sys.FactorAndSolve();
  EXPECT_NEAR(sys.Correction(1), 0.0, 1e-12);
  EXPECT_NEAR(sys.Correction(2), 1.0, 1e-12);
  EXPECT_EQ(sys.DefectRow(), 0);
  EXPECT_GE(sys.Pvv(), 0.0);
  EXPECT_LT(sys.Pvv(), 1e-6);
}

TEST(FactorAndSolve, PivotThresholdIsAbsoluteOneTenthOfANano) {
  struct Case {
    double pivot;
    bool defect;
  };
  for (const Case c : {Case{0.0, true}, Case{-1e-9, true}, Case{9.9e-11, true}, Case{1e-10, false}, Case{2e-10, false}}) {
    ProfileMatrix sys;
    sys.SetShape({0, 1});
    ASSERT_TRUE(sys.Reserve());
    sys.Clear();
    sys.AddPointWeight(1, c.pivot);
    sys.SetRightSide(1, 2.0);
    int calls = 0;
    sys.FactorAndSolve([&](int) { ++calls; });
    EXPECT_EQ(calls, c.defect ? 1 : 0) << c.pivot;
    EXPECT_EQ(sys.DefectRow(), c.defect ? 1 : 0) << c.pivot;
    const double used = c.defect ? c.pivot + 1.0 : c.pivot;
    EXPECT_NEAR(sys.Correction(1), -2.0 / used, 1e-9 * std::fabs(2.0 / used)) << c.pivot;
  }
}

TEST(FactorAndSolve, PartWithoutBenchmarkIsADefectWhateverTheWeights) {
  // A leg of 1 km with mo = 1 mm gives a weight of 1e6 m^-2: the vanishing pivot is then zero
  // only to a few units of rounding of 1e6, far above 1e-10.
  for (double w : {4.0, 1e4, 1.1e6, 2e6, 3.7e7, 1e8, 1.23456789e9}) {
    for (int chain : {2, 3, 50}) {
      ProfileMatrix sys;
      std::vector<int> widths(chain + 1, 2);
      widths[chain] = 1;
      sys.SetShape(widths);
      ASSERT_TRUE(sys.Reserve());
      sys.Clear();
      for (int r = 1; r < chain; ++r) sys.AddObservation(r, r + 1, w * (1 + 0.37 * r), 0.01 * r);
      std::vector<int> defects;
      sys.FactorAndSolve([&](int row) { defects.push_back(row); });
      EXPECT_EQ(defects, std::vector<int>{chain}) << w << " " << chain;
      for (int r = 1; r < chain; ++r)  // every leg closes: the repair fixes only the datum
        EXPECT_NEAR(sys.Correction(r + 1) - sys.Correction(r) + 0.01 * r, 0.0, 1e-9) << w;
    }
  }
}

TEST(FactorAndSolve, SingularSystemIsRepairedAndReportedAgainInEverySolution) {
  // Two points, one leg, no benchmark: the last pivot vanishes.
  ProfileMatrix sys;
  sys.SetShape({0, 2, 1});
  ASSERT_TRUE(sys.Reserve());
  for (int solution = 0; solution < 2; ++solution) {
    sys.Clear();
    sys.AddObservation(1, 2, 4.0, 0.5);
    std::vector<int> defects;
    sys.FactorAndSolve([&](int row) { defects.push_back(row); });
    EXPECT_EQ(defects, std::vector<int>{2});
    EXPECT_EQ(sys.DefectRow(), 2);
    // With the pivot 0 + 1.0: dx(2) = 0, dx(1) = l, so the leg closes exactly.
    EXPECT_NEAR(sys.Correction(2) - sys.Correction(1) + 0.5, 0.0, 1e-12);
    EXPECT_EQ(sys.Pvv(), 0.0);  // [pvv] never negative
  }
}

}  // namespace
}  // namespace kvel
