// The statistical testing of the adjustment: the test bounds against published table values,
// r, w, MDB and the heights of wyh.csv and h.csv against a dense least-squares computation on
// hold-out networks, data snooping against dense re-adjustment, and the files' forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "leveling/adjustment_statistics.h"
#include "leveling/statistics_options.h"
#include "leveling/statistics_report.h"
#include "leveling/testing_normal_equations.h"
#include "network_builder.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

// ---- Quantiles against printed tables ----------------------------------------------------------

TEST(StatisticsQuantiles, ChiSquareBoundsMatchPublishedTables) {
  // Two-sided 5 % bounds, chi-square tables to three decimals.
  const struct {
    int degrees;
    double lower, upper;
  } table[] = {{1, 0.001, 5.024}, {6, 1.237, 14.449}, {10, 3.247, 20.483}, {30, 16.791, 46.979}, {100, 74.222, 129.561}};
  for (const auto& row : table) {
    EXPECT_NEAR(ChiSquareQuantile(0.025, row.degrees), row.lower, 0.0006) << row.degrees;
    EXPECT_NEAR(ChiSquareQuantile(0.975, row.degrees), row.upper, 0.0006) << row.degrees;
  }
}

TEST(StatisticsQuantiles, CriticalValueAndLambda0MatchBaardasTable) {
  // Baarda's table: alpha0 = 0.001, power 0.80 gives k = 3.29 and lambda0 = 17.07;
  // alpha0 = 0.05, power 0.80 gives k = 1.96 and lambda0 = 7.85.
  const struct {
    double alpha0, power, critical, lambda0;
  } table[] = {{0.001, 0.80, 3.2905, 17.075}, {0.05, 0.80, 1.9600, 7.849}, {0.01, 0.90, 2.5758, 14.879}};
  for (const auto& row : table) {
    StatisticsInput in;
    StatisticsOptions options;
    options.Alpha0 = row.alpha0;
    options.Power = row.power;
    const StatisticsResult r = TestAdjustment(in, options, nullptr);
    EXPECT_NEAR(r.critical, row.critical, 0.0005);
    EXPECT_NEAR(r.lambda0, row.lambda0, 0.002);
  }
}

TEST(StatisticsQuantiles, TinyLevelsAreExactThroughTheComplement) {
  // With 2 degrees of freedom chi-square's upper tail is exp(-x/2): the quantile above q is
  // -2 ln q. The normal tail q = erfc(z / sqrt 2) / 2 checks the critical value. 1 - q rounds to
  // 1 for every q here, where the quantile of 1 - q would overflow or come out as infinity.
  for (const double q : {1e-3, 1e-16, 1e-20, 1e-100, 1e-300}) {
    EXPECT_NEAR(ChiSquareUpperQuantile(q, 2) / (-2 * std::log(q)), 1.0, 1e-12) << q;
    const double z = NormalUpperQuantile(q);
    ASSERT_TRUE(std::isfinite(z)) << q;
    EXPECT_NEAR(0.5 * std::erfc(z / std::sqrt(2.0)) / q, 1.0, 1e-9) << q;
  }
  StatisticsInput in;
  in.height = {0, 0, 0};
  in.obs.push_back({1, 2, 0.001, 1e6});
  in.obs.push_back({1, 2, 0.0, 1e6});
  in.obs.push_back({1, 2, -0.001, 1e6});
  in.benchmarks.push_back({1, 0, 1e20, true});
  in.redundancy = 2;
  StatisticsOptions options;
  options.Alpha = 1e-20;
  options.Alpha0 = 1e-20;
  const StatisticsResult r = TestAdjustment(in, options, nullptr);
  ASSERT_TRUE(r.global.computed);
  EXPECT_NEAR(r.global.upper / (-2 * std::log(0.5e-20)), 1.0, 1e-12);
  EXPECT_GT(r.global.lower, 0.0);
  EXPECT_NEAR(0.5 * std::erfc(r.critical / std::sqrt(2.0)) / 0.5e-20, 1.0, 1e-9);
}

// ---- Options -------------------------------------------------------------------------------------

TEST(StatisticsOptions, ValuesOutsideTheirRangeAreRefusedAndLeaveTheOptionsAlone) {
  const struct {
    const char* name;
    const char* value;
    bool ok;
  } table[] = {{"alpha", "0.01", true},   {"alpha", "0", false},      {"alpha", "1", false},
               {"alpha", "nan", false},   {"alpha", "0,05", false},   {"alpha", "1e999", false},
               {"alpha0", "0.0001", true}, {"alpha0", "-0.1", false}, {"power", "0.95", true},
               {"power", "0.3", false},   {"power", "1.0", false},    {"snooping", "off", true},
               {"alpha", "1e-10", true},  {"alpha", "1e-11", false},  {"alpha0", "1e-16", false},
               {"alpha0", "1e-300", false}, {"alpha", "4.9e-324", false},
               {"snooping", "no", false}, {"beta", "0.8", false}};
  for (const auto& row : table) {
    StatisticsOptions options;
    const StatisticsOptions before = options;
    std::string error;
    EXPECT_EQ(SetStatisticsOption(options, row.name, row.value, error), row.ok) << row.name << " " << row.value;
    if (!row.ok) {
      EXPECT_NE(error.find(row.name), std::string::npos) << error;
      EXPECT_EQ(options.Alpha, before.Alpha);
      EXPECT_EQ(options.Alpha0, before.Alpha0);
      EXPECT_EQ(options.Power, before.Power);
      EXPECT_EQ(options.Snooping, before.Snooping);
    }
  }
}

// ---- A dense oracle ------------------------------------------------------------------------------

struct Network {
  std::vector<Leg> legs;
  std::vector<Bench> benches;
};

// The weight the run gives a leg whose parameter is the squared mean error m^2.
long double LegWeight(const Leg& leg) { return 1.0L / (static_cast<long double>(leg.meanError) * leg.meanError + 1e-10L); }

// Least squares by dense normal equations in extended precision: fixed benchmarks are known,
// benchmarks with a mean error are observed heights, every other point is an unknown.
struct DenseAdjustment {
  std::map<std::string, int> index;  // unknowns
  std::map<std::string, double> fixedHeight;
  std::vector<std::vector<long double>> q;  // full inverse of N
  std::vector<long double> x;
  std::map<std::string, double> height;
  std::vector<double> v, r, w, mdb;

  DenseAdjustment(const Network& net, const std::vector<char>& removed, double lambda0) {
    for (const auto& b : net.benches)
      if (b.meanError < 0.00001) fixedHeight[b.nr] = b.height;
    for (const auto& leg : net.legs)
      for (const auto* nr : {&leg.from, &leg.to})
        if (!fixedHeight.count(*nr) && !index.count(*nr)) index.emplace(*nr, static_cast<int>(index.size()));
    const int n = static_cast<int>(index.size());
    std::vector<std::vector<long double>> nm(n, std::vector<long double>(n, 0));
    std::vector<long double> rhs(n, 0);
    auto add = [&](const std::vector<std::pair<int, long double>>& a, long double p, long double c) {
      for (auto [i, ai] : a) {
        rhs[i] += p * ai * c;
        for (auto [j, aj] : a) nm[i][j] += p * ai * aj;
      }
    };
    for (std::size_t k = 0; k < net.legs.size(); ++k) {
      if (removed[k]) continue;
      const Leg& leg = net.legs[k];
      long double c = leg.dh;
      std::vector<std::pair<int, long double>> a;
      if (fixedHeight.count(leg.from)) c += fixedHeight[leg.from]; else a.push_back({index[leg.from], -1});
      if (fixedHeight.count(leg.to)) c -= fixedHeight[leg.to]; else a.push_back({index[leg.to], 1});
      add(a, LegWeight(leg), c);
    }
    for (const auto& b : net.benches)
      if (b.meanError >= 0.00001 && index.count(b.nr))
        add({{index[b.nr], 1}}, 1.0L / (static_cast<long double>(b.meanError) * b.meanError), b.height);
    // Gauss-Jordan with partial pivoting on [N | I].
    q.assign(n, std::vector<long double>(n, 0));
    for (int i = 0; i < n; ++i) q[i][i] = 1;
    std::vector<std::vector<long double>> a = nm;
    for (int c = 0; c < n; ++c) {
      int p = c;
      for (int rr = c + 1; rr < n; ++rr)
        if (std::fabs(a[rr][c]) > std::fabs(a[p][c])) p = rr;
      std::swap(a[p], a[c]);
      std::swap(q[p], q[c]);
      const long double d = a[c][c];
      for (int j = 0; j < n; ++j) a[c][j] /= d, q[c][j] /= d;
      for (int rr = 0; rr < n; ++rr) {
        if (rr == c || a[rr][c] == 0) continue;
        const long double f = a[rr][c];
        for (int j = 0; j < n; ++j) a[rr][j] -= f * a[c][j], q[rr][j] -= f * q[c][j];
      }
    }
    x.assign(n, 0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) x[i] += q[i][j] * rhs[j];
    for (const auto& [nr, h] : fixedHeight) height[nr] = h;
    for (const auto& [nr, i] : index) height[nr] = static_cast<double>(x[i]);
    for (std::size_t k = 0; k < net.legs.size(); ++k) {
      const Leg& leg = net.legs[k];
      const long double p = LegWeight(leg);
      const int i = index.count(leg.from) ? index[leg.from] : -1;
      const int j = index.count(leg.to) ? index[leg.to] : -1;
      long double qk = 0;
      if (i >= 0) qk += q[i][i];
      if (j >= 0) qk += q[j][j];
      if (i >= 0 && j >= 0) qk -= 2 * q[i][j];
      const long double rk = 1 - p * qk;
      v.push_back(static_cast<double>(static_cast<long double>(height[leg.to]) - height[leg.from] - leg.dh));
      r.push_back(static_cast<double>(rk));
      w.push_back(rk > 1e-6 ? static_cast<double>(v.back() * std::sqrt(p / rk)) : 0.0);
      mdb.push_back(rk > 1e-6 ? static_cast<double>(std::sqrt(lambda0 / (p * rk))) : 0.0);
    }
  }
  double MeanError(const std::string& nr) const {
    const auto it = index.find(nr);
    return it == index.end() ? 0.0 : static_cast<double>(std::sqrt(q[it->second][it->second]));
  }
};

// Data snooping done the slow way: a dense adjustment from scratch after every removal. Equal |w|
// (observations in series) go to the first of them.
std::vector<int> DenseSnooping(const Network& net, double critical, double lambda0, std::vector<char>& removed) {
  std::vector<int> order;
  for (;;) {
    const DenseAdjustment d(net, removed, lambda0);
    int worst = -1;
    for (std::size_t k = 0; k < net.legs.size(); ++k)
      if (!removed[k] && d.r[k] > 1e-6 && std::fabs(d.w[k]) > critical &&
          (worst < 0 || std::fabs(d.w[k]) > std::fabs(d.w[worst]) * (1 + kTieTolerance)))
        worst = static_cast<int>(k);
    if (worst < 0) return order;
    removed[worst] = 1;
    order.push_back(worst);
  }
}

// A random connected network: a chain through every point plus random legs, true heights, noise of
// the legs' mean errors, and the blunders given (leg index, size in metres).
Network MakeNetwork(unsigned seed, int points, int extraLegs, bool weightedBenchmark,
                    const std::vector<std::pair<int, double>>& blunders = {}, bool danglingPoint = false) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> heightDist(90, 130), errorDist(0.0008, 0.003);
  std::uniform_int_distribution<int> pointDist(1, points);
  std::normal_distribution<double> unit(0, 1);
  std::vector<double> trueHeight(points + 2);
  for (auto& h : trueHeight) h = heightDist(rng);
  auto nr = [](int i) { return "P" + std::to_string(i); };
  Network net;
  auto leg = [&](int a, int b) {
    const double m = errorDist(rng);
    net.legs.push_back({nr(a), nr(b), trueHeight[b] - trueHeight[a] + m * unit(rng), m});
  };
  for (int i = 1; i < points; ++i) leg(i, i + 1);
  for (int e = 0; e < extraLegs; ++e) {
    const int a = pointDist(rng);
    int b = pointDist(rng);
    if (a == b) b = a % points + 1;
    leg(a, b);
  }
  if (danglingPoint) leg(points, points + 1);  // a point seen by one leg only: r = 0
  for (const auto& [k, size] : blunders) net.legs[k].dh += size;
  net.benches.push_back({nr(1), trueHeight[1]});
  net.benches.push_back({nr(points / 2), trueHeight[points / 2]});
  if (weightedBenchmark) net.benches.push_back({nr(points), trueHeight[points] + 0.001, 0.002});
  return net;
}

void WriteFolder(const ScratchFolder& folder, const Network& net) {
  std::ostringstream deltah;
  deltah.precision(17);
  for (const auto& leg : net.legs) deltah << leg.from << ' ' << leg.to << ' ' << leg.dh << ' ' << leg.meanError * leg.meanError << '\n';
  deltah << "0 0 0 0\n";
  folder.Write("deltah", deltah.str());
  std::ostringstream hsta;
  hsta.precision(17);
  // Fixed benchmarks in one group (0 0), the weighted one in a group of its own.
  for (const auto& b : net.benches)
    if (b.meanError == 0) hsta << b.nr << ' ' << b.height << '\n';
  hsta << "0 0\n";
  for (const auto& b : net.benches)
    if (b.meanError > 0) hsta << b.nr << ' ' << b.height << "\n0 " << b.meanError << '\n';
  folder.Write("h.sta", hsta.str());
}

// The rows of a CSV file without quoted fields (split at commas), header included.
std::vector<std::vector<std::string>> CsvRows(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    std::vector<std::string> fields;
    std::string line = bytes.substr(start, end - start), field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    rows.push_back(fields);
    start = end + 2;
  }
  return rows;
}

double Number(const std::string& text) { return std::stod(text); }

struct HoldOut {
  unsigned seed;
  int points, extraLegs;
  bool weightedBenchmark, dangling;
};

class StatisticsAgainstDense : public ::testing::TestWithParam<HoldOut> {};

TEST_P(StatisticsAgainstDense, CsvFilesMatchTheDenseComputation) {
  const HoldOut h = GetParam();
  const Network net = MakeNetwork(h.seed, h.points, h.extraLegs, h.weightedBenchmark, {}, h.dangling);
  ScratchFolder folder;
  WriteFolder(folder, net);
  AdjustmentOptions options;
  options.Statistics.Snooping = false;
  const FolderRun run = RunOn(folder, options);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished) << run.report;
  const double lambda0 = std::pow(NormalQuantile(1 - 0.001 / 2) + NormalQuantile(0.80), 2);
  const DenseAdjustment dense(net, std::vector<char>(net.legs.size(), 0), lambda0);

  const auto obs = CsvRows(folder.Read("wyh.csv"));
  ASSERT_EQ(obs.size(), net.legs.size() + 1);
  EXPECT_EQ(obs[0], (std::vector<std::string>{"from", "to", "dh", "v", "r", "w", "mdb", "removed", "gross", "effect"}));
  int uncontrolled = 0;
  for (std::size_t k = 0; k < net.legs.size(); ++k) {
    const auto& row = obs[k + 1];
    ASSERT_EQ(row.size(), 10u) << k;
    EXPECT_EQ(row[0], net.legs[k].from);  // the input's orientation, whatever the numbering did
    EXPECT_EQ(row[1], net.legs[k].to);
    EXPECT_EQ(Number(row[2]), net.legs[k].dh);
    EXPECT_NEAR(Number(row[3]), dense.v[k], 1e-7) << k;
    EXPECT_NEAR(Number(row[4]), dense.r[k], 1e-4) << k;
    if (dense.r[k] < 1e-6) {
      ++uncontrolled;
      EXPECT_EQ(row[5], "");
      EXPECT_EQ(row[6], "");
      EXPECT_EQ(row[8] + row[9], "");
    } else {
      EXPECT_NEAR(Number(row[5]), dense.w[k], 1e-3) << k;
      EXPECT_NEAR(Number(row[6]) / dense.mdb[k], 1.0, 1e-3) << k;
      // The estimated gross error -v/r and the part of it in the adjusted difference.
      const double gross = -dense.v[k] / dense.r[k];
      EXPECT_NEAR(Number(row[8]), gross, 1e-6 + 1e-3 * std::fabs(gross)) << k;
      EXPECT_NEAR(Number(row[9]), gross * (1 - dense.r[k]), 1e-6 + 1e-3 * std::fabs(gross)) << k;
    }
    EXPECT_EQ(row[7], "0");
  }
  EXPECT_EQ(uncontrolled, h.dangling ? 1 : 0);

  const auto heights = CsvRows(folder.Read("h.csv"));
  EXPECT_EQ(heights[0], (std::vector<std::string>{"point", "H", "mH", "benchmark"}));
  ASSERT_EQ(heights.size(), dense.height.size() + 1);
  for (std::size_t i = 1; i < heights.size(); ++i) {
    const auto& row = heights[i];
    ASSERT_EQ(row.size(), 4u);
    EXPECT_NEAR(Number(row[1]), dense.height.at(row[0]), 0.0001) << row[0];
    EXPECT_NEAR(Number(row[2]), dense.MeanError(row[0]), 1e-6) << row[0];  // Mo = 1
    const bool benchmark = std::any_of(net.benches.begin(), net.benches.end(), [&](const Bench& b) { return b.nr == row[0]; });
    EXPECT_EQ(row[3], benchmark ? "1" : "0");
  }
}

INSTANTIATE_TEST_SUITE_P(HoldOutNetworks, StatisticsAgainstDense,
                         ::testing::Values(HoldOut{11, 12, 20, false, false}, HoldOut{23, 30, 45, true, false},
                                           HoldOut{37, 20, 25, false, true}, HoldOut{41, 45, 80, true, true}));

TEST(DataSnooping, APlantedBlunderIsTheFirstObservationRemoved) {
  const Network net = MakeNetwork(5, 20, 30, false, {{13, 0.05}});
  ScratchFolder folder;
  WriteFolder(folder, net);
  const FolderRun run = RunOn(folder);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished);
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  EXPECT_EQ(obs[14][7], "1");
  for (std::size_t k = 1; k < obs.size(); ++k) {
    if (k == 14) continue;
    EXPECT_EQ(obs[k][7], "0") << k;
  }
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  EXPECT_NE(FindLine(lines, "     1" + std::string(14, ' ') + "P14" + std::string(14, ' ') + "P15", true), -1);
}

TEST(DataSnooping, RoundsAndHeightsMatchDenseReadjustmentAfterEveryRemoval) {
  // Several blunders, some in the same loop: each removal changes the w of the others, so the
  // order tests the rank-one updates and the profile solve; the heights after the last round must
  // be those of a fresh adjustment without the removed observations.
  const Network net = MakeNetwork(9, 40, 60, true, {{3, 0.03}, {5, -0.02}, {41, 0.04}, {70, 0.025}, {90, -0.05}});
  ScratchFolder folder;
  WriteFolder(folder, net);
  AdjustmentOptions options;
  options.Decimals = 5;
  const FolderRun run = RunOn(folder, options);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished);
  const double critical = NormalQuantile(1 - 0.001 / 2);
  const double lambda0 = std::pow(critical + NormalQuantile(0.80), 2);
  std::vector<char> removed(net.legs.size(), 0);
  const std::vector<int> order = DenseSnooping(net, critical, lambda0, removed);
  ASSERT_GE(order.size(), 4u);
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  for (std::size_t round = 0; round < order.size(); ++round)
    EXPECT_EQ(obs[order[round] + 1][7], std::to_string(round + 1)) << round;
  int removedCount = 0;
  for (std::size_t k = 1; k < obs.size(); ++k) removedCount += obs[k][7] != "0";
  EXPECT_EQ(removedCount, static_cast<int>(order.size()));

  const DenseAdjustment after(net, removed, lambda0);
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  int at = FindLine(lines, " WYSOKOŚCI PO WYKRYWANIU BŁĘDÓW GRUBYCH", true);
  ASSERT_GE(at, 0);
  int checked = 0;
  for (std::size_t i = at + 3; i < lines.size() && lines[i].size() > 40 && lines[i][0] == ' '; ++i) {
    std::istringstream in(lines[i]);
    int lp;
    std::string nr;
    double h, mh;
    if (!(in >> lp >> nr >> h >> mh)) break;
    EXPECT_NEAR(h, after.height.at(nr), 0.00002) << nr;
    EXPECT_NEAR(mh, after.MeanError(nr), 0.00002) << nr;
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(after.height.size()));
}

// The input as the run would hand it on, from the heights of `before`: catalogue in order of first
// appearance (its names in `points`, element 0 unused).
StatisticsInput InputOf(const Network& net, const DenseAdjustment& before, std::vector<std::string>& points) {
  points.assign(1, "");
  std::map<std::string, int> index;
  auto point = [&](const std::string& nr) {
    if (!index.count(nr)) index[nr] = static_cast<int>(points.size()), points.push_back(nr);
    return index[nr];
  };
  StatisticsInput in;
  for (const Leg& leg : net.legs) in.obs.push_back({point(leg.from), point(leg.to), leg.dh, static_cast<double>(LegWeight(leg))});
  for (std::size_t i = 1; i < points.size(); ++i) in.height.push_back(before.height.at(points[i]));
  for (const Bench& b : net.benches) {
    const bool fixed = b.meanError < 0.00001;
    in.benchmarks.push_back({index.at(b.nr), b.height, fixed ? 1e20 : 1.0 / (b.meanError * b.meanError), fixed});
  }
  in.redundancy = static_cast<int>(net.legs.size()) - (static_cast<int>(points.size()) - 1 - static_cast<int>(net.benches.size()));
  return in;
}

// The snooping logic on its own, with a NormalEquations that answers every question by a dense
// inverse (fixed benchmarks eliminated): with a factorisation after every round, after every
// second one and never, the rounds and the heights are those of dense re-adjustment.
class DenseNormalEquations : public NormalEquations {
 public:
  DenseNormalEquations(const Network& net, const std::vector<std::string>& points) : net_(net), points_(points) {
    Rebuild(std::vector<char>(net.legs.size() + 1, 0), true);
  }
  double Cofactor(int a, int b) const override { return q_[a][b]; }
  void Solve(std::vector<std::vector<double>>& columns) override {
    ++solves;
    for (auto& x : columns) {
      std::vector<double> y(x.size(), 0.0);
      for (std::size_t i = 1; i < x.size(); ++i)
        for (std::size_t j = 1; j < x.size(); ++j) y[i] += q_[i][j] * x[j];
      x = y;
    }
  }
  bool Rebuild(const std::vector<char>& removed, bool) override {
    ++rebuilds;
    removed_ = removed;
    Invert();
    return true;
  }
  // With `downdates` an item leaves the answers at once, as a downdated factor does.
  bool Downdate(int k) override {
    if (!downdates) return false;
    if (static_cast<std::size_t>(k) >= removed_.size()) removed_.resize(static_cast<std::size_t>(k) + 1, 0);
    removed_[static_cast<std::size_t>(k)] = 1;
    Invert();
    return true;
  }
  bool downdates = false;
  double noise = 0;  // relative, given to the answers from the next removal on
  int solves = 0, rebuilds = 0;

 private:
  void Invert() {
    std::vector<char> legRemoved(net_.legs.size());
    for (std::size_t k = 0; k < legRemoved.size(); ++k) legRemoved[k] = removed_[k + 1];
    const DenseAdjustment d(net_, legRemoved, 1.0);
    const std::size_t n = points_.size();
    q_.assign(n, std::vector<double>(n, 0.0));
    for (std::size_t a = 1; a < n; ++a)
      for (std::size_t b = 1; b < n; ++b)
        if (d.index.count(points_[a]) && d.index.count(points_[b]))
          q_[a][b] = static_cast<double>(d.q[d.index.at(points_[a])][d.index.at(points_[b])]);
    // Rounding of the size a chain of updates gathers, the same for Q(a, b) and Q(b, a).
    for (std::size_t a = 1; a < n; ++a)
      for (std::size_t b = 1; b < n; ++b) q_[a][b] *= 1 + noise * std::sin(static_cast<double>(std::min(a, b) * 7919 + std::max(a, b) * 104729));
  }

  const Network& net_;
  const std::vector<std::string>& points_;
  std::vector<char> removed_;
  std::vector<std::vector<double>> q_;
};

TEST(DataSnooping, RankOneUpdatesAgreeWithRefactoringAtAnyRate) {
  const Network net = MakeNetwork(9, 40, 60, true, {{3, 0.03}, {5, -0.02}, {41, 0.04}, {70, 0.025}, {90, -0.05}});
  const double critical = NormalQuantile(1 - 0.001 / 2);
  const double lambda0 = std::pow(critical + NormalQuantile(0.80), 2);
  std::vector<char> removed(net.legs.size(), 0);
  const std::vector<int> order = DenseSnooping(net, critical, lambda0, removed);
  ASSERT_GE(order.size(), 4u);
  const DenseAdjustment before(net, std::vector<char>(net.legs.size(), 0), lambda0);
  const DenseAdjustment after(net, removed, lambda0);

  std::vector<std::string> points;
  const StatisticsInput in = InputOf(net, before, points);

  for (const int refactorRounds : {1, 2, 1000}) {
    DenseNormalEquations normal(net, points);
    const StatisticsResult r = TestAdjustment(in, StatisticsOptions{}, &normal, refactorRounds);
    ASSERT_EQ(r.rounds.size(), order.size()) << refactorRounds;
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(r.rounds[i].observation, order[i] + 1) << refactorRounds;
    for (std::size_t i = 1; i < points.size(); ++i) {
      EXPECT_NEAR(r.heightAfter[i], after.height.at(points[i]), 1e-7) << points[i] << " " << refactorRounds;
      EXPECT_NEAR(r.meanErrorAfter[i], after.MeanError(points[i]), 1e-7) << points[i] << " " << refactorRounds;
    }
    if (refactorRounds == 1000) EXPECT_EQ(normal.rebuilds, 1);  // the first build only
    else EXPECT_GE(normal.rebuilds, static_cast<int>(order.size() - 1) / refactorRounds);
  }
}

// The heights after snooping and their mean errors, parsed from testy.osn by point: {H, mH}.
std::map<std::string, std::pair<double, double>> HeightsAfterSnooping(const std::vector<std::string>& lines) {
  std::map<std::string, std::pair<double, double>> heights;
  const int at = FindLine(lines, " WYSOKOŚCI PO WYKRYWANIU BŁĘDÓW GRUBYCH", true);
  for (std::size_t i = at + 3; at >= 0 && i < lines.size() && lines[i].size() > 40 && lines[i][0] == ' '; ++i) {
    std::istringstream in(lines[i]);
    int lp;
    std::string nr;
    double h, mh;
    if (!(in >> lp >> nr >> h >> mh)) break;
    heights[nr] = {h, mh};
  }
  return heights;
}

// The legs data snooping removed, by wyh.csv's column `removed`.
std::vector<char> RemovedLegs(const ScratchFolder& folder, const Network& net) {
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  std::vector<char> removed(net.legs.size(), 0);
  for (std::size_t k = 0; k < net.legs.size(); ++k) removed[k] = obs.at(k + 1).at(7) != "0";
  return removed;
}

TEST(DataSnooping, HeightsAfterSnoopingUseTheCleanedNetworksOwnMo) {
  // With the empirical Mo the heights after snooping, their mean errors and the Mo named are
  // those of an adjustment of the network without the removed observations: a run on that network
  // is the oracle.
  const Network net = MakeNetwork(9, 40, 60, false, {{3, 0.03}, {5, -0.02}, {41, 0.04}, {70, 0.025}, {90, -0.05}});
  ScratchFolder folder;
  WriteFolder(folder, net);
  AdjustmentOptions options;
  options.UnitErrorIsOne = false;
  options.Decimals = 5;
  ASSERT_EQ(RunOn(folder, options).outcome, orvane::RunOutcome::Finished);
  const std::vector<char> removed = RemovedLegs(folder, net);
  Network cleaned = net;
  cleaned.legs.clear();
  for (std::size_t k = 0; k < net.legs.size(); ++k)
    if (!removed[k]) cleaned.legs.push_back(net.legs[k]);
  ASSERT_LE(cleaned.legs.size() + 4, net.legs.size());

  ScratchFolder clean;
  WriteFolder(clean, cleaned);
  options.Statistics.Snooping = false;
  const FolderRun oracle = RunOn(clean, options);
  ASSERT_EQ(oracle.outcome, orvane::RunOutcome::Finished);
  const std::string moHeading = " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ";
  const auto oracleLines = SplitReportLines(oracle.report);
  const int oracleAt = FindLine(oracleLines, moHeading, true);
  ASSERT_GE(oracleAt, 0);
  const std::string oracleMo = oracleLines[oracleAt].substr(moHeading.size());

  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  EXPECT_NE(FindLine(lines, " WYSOKOŚCI PO WYKRYWANIU BŁĘDÓW GRUBYCH dla Mo = " + oracleMo), -1) << oracleMo;
  const auto after = HeightsAfterSnooping(lines);
  ASSERT_EQ(after.size(), 40u);
  for (const auto& line : SplitReportLines(oracle.heights)) {
    std::istringstream in(line);
    std::string nr;
    double h, mh;
    ASSERT_TRUE(in >> nr >> h >> mh) << line;
    EXPECT_NEAR(after.at(nr).first, h, 0.00002) << nr;
    EXPECT_NEAR(after.at(nr).second, mh, 0.00002) << nr;
  }
}

TEST(DataSnooping, AWrongBenchmarkWithAMeanErrorIsTestedAndRemoved) {
  // P30 is given with 2 mm but is 3 cm wrong: an observed height, its r, w and MDB are those of a
  // dense adjustment, the test rejects it, snooping removes it, and the heights after snooping
  // are those of the network without it (still tied by its fixed benchmarks).
  Network net = MakeNetwork(23, 30, 45, true);
  net.benches.back().height += 0.03;
  const Bench wrong = net.benches.back();
  ScratchFolder folder;
  WriteFolder(folder, net);
  AdjustmentOptions options;
  options.Decimals = 5;
  ASSERT_EQ(RunOn(folder, options).outcome, orvane::RunOutcome::Finished);
  const double critical = NormalQuantile(1 - 0.001 / 2);
  const double lambda0 = std::pow(critical + NormalQuantile(0.80), 2);
  const DenseAdjustment dense(net, std::vector<char>(net.legs.size(), 0), lambda0);
  const long double p = 1.0L / (static_cast<long double>(wrong.meanError) * wrong.meanError);
  const int at = dense.index.at(wrong.nr);
  const double r = static_cast<double>(1 - p * dense.q[at][at]);
  const double v = dense.height.at(wrong.nr) - wrong.height;
  const double w = v * std::sqrt(static_cast<double>(p) / r);
  ASSERT_LT(w, -critical);

  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  const int heading = FindLine(lines, " REPERY Z BŁĘDEM ŚREDNIM (wysokość dana jak obserwacja):");
  ASSERT_GE(heading, 0);
  std::istringstream row(lines.at(heading + 2));
  std::string nr, mark;
  double given, fileV, fileR, fileW, mdb, external, gross, effect;
  ASSERT_TRUE(row >> nr >> given >> fileV >> fileR >> fileW >> mdb >> external >> mark >> gross >> effect) << lines[heading + 2];
  EXPECT_EQ(nr, wrong.nr);
  EXPECT_NEAR(given, wrong.height, 0.000005);
  EXPECT_NEAR(fileV, v, 0.00001);
  EXPECT_NEAR(fileR, r, 0.0001);
  EXPECT_NEAR(fileW, w, 0.001);
  EXPECT_NEAR(mdb, std::sqrt(lambda0 / (static_cast<double>(p) * r)), 0.00001);
  EXPECT_EQ(mark, "*");
  EXPECT_NEAR(gross, -v / r, 0.00001);
  EXPECT_NEAR(effect, -v / r * (1 - r), 0.00001);
  EXPECT_NE(FindLine(lines, "     1" + std::string(12, ' ') + "reper" + std::string(14, ' ') + wrong.nr, true), -1);

  Network without = net;
  without.benches.pop_back();
  const DenseAdjustment oracle(without, RemovedLegs(folder, net), lambda0);
  const auto after = HeightsAfterSnooping(lines);
  ASSERT_EQ(after.size(), oracle.height.size());
  for (const auto& [point, hm] : after) {
    EXPECT_NEAR(hm.first, oracle.height.at(point), 0.00002) << point;
    EXPECT_NEAR(hm.second, oracle.MeanError(point), 0.00002) << point;
  }
}

TEST(StatisticsReliability, AStrongObservationBesideAWeakOneKeepsItsSmallRedundancy) {
  // A-B measured twice, once with 0.02 mm and once with 4 cm, 30 cm apart: the strong one has
  // r = p_weak / (p_strong + p_weak), about 3e-7, and |w| = 7.5 like the weak one; rounding is
  // far below that. B-C hangs on alone: r = 0 up to rounding, uncontrolled.
  Network net;
  net.legs = {{"A", "B", 1.3, 0.00002}, {"A", "B", 1.0, 0.04}, {"B", "C", 1.0, 0.001}};
  net.benches = {{"A", 100.0}};
  const DenseAdjustment dense(net, std::vector<char>(3, 0), 17.0);
  const std::vector<std::string> points{"", "A", "B", "C"};
  StatisticsInput in;
  for (const Leg& leg : net.legs) {
    const int from = leg.from == "A" ? 1 : 2;
    in.obs.push_back({from, from + 1, leg.dh, static_cast<double>(LegWeight(leg))});
  }
  for (std::size_t i = 1; i < points.size(); ++i) in.height.push_back(dense.height.at(points[i]));
  in.benchmarks.push_back({1, 100.0, 1e20, true});
  in.redundancy = 1;
  DenseNormalEquations normal(net, points);
  StatisticsOptions options;
  options.Snooping = false;
  const StatisticsResult result = TestAdjustment(in, options, &normal);
  ASSERT_LT(dense.r[0], 1e-6);
  ASSERT_TRUE(result.obs[1].controlled);
  EXPECT_NEAR(result.obs[1].r / dense.r[0], 1.0, 1e-6);
  const double w = dense.v[0] * std::sqrt(static_cast<double>(LegWeight(net.legs[0])) / dense.r[0]);
  EXPECT_NEAR(result.obs[1].w / w, 1.0, 1e-6);
  EXPECT_TRUE(result.obs[1].rejected);
  EXPECT_FALSE(result.obs[3].controlled);
}

TEST(DataSnooping, ManyRoundsWithMeanErrorsFiveTimesTooSmallMatchDenseReadjustment) {
  // Mean errors stated five times too small: about half the observations are rejected and
  // snooping runs for dozens of rounds, with columns solved ahead, kept across factorisations and
  // dropped; the order of removals and the heights are those of a dense re-adjustment after every
  // removal.
  Network net = MakeNetwork(31, 50, 70, true);
  for (Leg& leg : net.legs) leg.meanError /= 5;
  const double critical = NormalQuantile(1 - 0.001 / 2);
  std::vector<char> removed(net.legs.size(), 0);
  const std::vector<int> order = DenseSnooping(net, critical, 1.0, removed);
  ASSERT_GE(order.size(), 20u);
  const DenseAdjustment before(net, std::vector<char>(net.legs.size(), 0), 1.0);
  const DenseAdjustment after(net, removed, 1.0);
  std::vector<std::string> points;
  const StatisticsInput in = InputOf(net, before, points);
  // Rank-one terms between factorisations, or a factor downdated round by round.
  for (const auto& [refactorRounds, downdates] : {std::pair{3, false}, {64, false}, {5, true}, {1000, true}}) {
    DenseNormalEquations normal(net, points);
    normal.downdates = downdates;
    const StatisticsResult r = TestAdjustment(in, StatisticsOptions{}, &normal, refactorRounds);
    ASSERT_EQ(r.rounds.size(), order.size()) << refactorRounds;
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(r.rounds[i].observation, order[i] + 1) << i;
    for (std::size_t i = 1; i < points.size(); ++i)
      EXPECT_NEAR(r.heightAfter[i], after.height.at(points[i]), 1e-7) << points[i] << " " << refactorRounds;
    // A downdated factor needs no column but the worst's in a round.
    if (downdates) {
      EXPECT_LE(r.columnsSolved, order.size() + static_cast<std::size_t>(kColumnsPerPass));
    }
  }
}

// The run's matrix for `in`, as the run leaves it to the testing: numbered breadth-first from
// point 1, reserved, built, factored and read out by the selected inverse.
ProfileMatrix RunMatrix(const StatisticsInput& in) {
  const int lp = static_cast<int>(in.height.size()) - 1;
  std::vector<std::vector<int>> neighbours(static_cast<std::size_t>(lp) + 1);
  for (std::size_t k = 1; k < in.obs.size(); ++k) {
    neighbours[in.obs[k].from].push_back(in.obs[k].to);
    neighbours[in.obs[k].to].push_back(in.obs[k].from);
  }
  ProfileMatrix m;
  m.Renumber(lp, 1, neighbours);
  EXPECT_TRUE(m.Reserve());
  m.Clear();
  for (std::size_t k = 1; k < in.obs.size(); ++k) {
    int a = m.RowOf(in.obs[k].from), b = m.RowOf(in.obs[k].to);
    if (a > b) std::swap(a, b);
    m.AddObservation(a, b, in.obs[k].weight, 0.0);
  }
  for (const TestedBenchmark& b : in.benchmarks) m.AddPointWeight(m.RowOf(b.point), b.weight);
  m.FactorAndSolve();
  m.Invert(InverseMethod::Selected);
  return m;
}

// A network over an area: a grid of `width` x `width` points, its rows and columns levelled,
// with `lines` (else width / 2) lines of two or three intermediate points between grid points (observations in series,
// whose |w| are equal), two fixed benchmarks and one with a mean error; mean errors five times
// too small, so that snooping runs for dozens of rounds.
Network GridNetwork(unsigned seed, int width, int lines = 0) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> errorDist(0.0008, 0.003);
  std::normal_distribution<double> unit(0, 1);
  std::map<std::string, double> trueHeight;
  auto height = [&](const std::string& nr) {
    if (!trueHeight.count(nr)) trueHeight[nr] = 100 + 30 * std::uniform_real_distribution<double>(0, 1)(rng);
    return trueHeight[nr];
  };
  Network net;
  auto leg = [&](const std::string& a, const std::string& b) {
    const double m = errorDist(rng);
    net.legs.push_back({a, b, height(b) - height(a) + m * unit(rng), m / 5});
  };
  auto grid = [](int row, int col) { return "G" + std::to_string(row) + "_" + std::to_string(col); };
  for (int row = 0; row < width; ++row)
    for (int col = 0; col < width; ++col) {
      if (col + 1 < width) leg(grid(row, col), grid(row, col + 1));
      if (row + 1 < width) leg(grid(row, col), grid(row + 1, col));
    }
  for (int line = 1; line <= (lines > 0 ? lines : width / 2); ++line) {
    const int row = static_cast<int>(rng() % (width - 1)), col = static_cast<int>(rng() % (width - 1));
    std::string previous = grid(row, col);
    const int points = 2 + static_cast<int>(rng() % 2);
    for (int k = 1; k <= points; ++k) {
      const std::string next = "L" + std::to_string(line) + "/" + std::to_string(k);
      leg(previous, next);
      previous = next;
    }
    leg(previous, grid(row + 1, col + 1));
  }
  net.benches.push_back({grid(0, 0), height(grid(0, 0))});
  net.benches.push_back({grid(width - 1, width - 1), height(grid(width - 1, width - 1))});
  net.benches.push_back({grid(0, width - 1), height(grid(0, width - 1)) + 0.001, 0.002});
  return net;
}

// The run's own normal equations: the sparse factor, downdated round by round, on a network over
// an area; the profile with rank-one terms on a chain, where the sparse order gains nothing. Both
// remove what dense re-adjustment after every removal removes, in its order.
TEST(DataSnooping, TheRunsNormalEquationsMatchDenseReadjustmentWithEitherFactor) {
  // The chain: every leg levelled three times, with the noise of a fresh measurement each time
  // (no benchmark with a mean error: the dense snooping tests the legs only).
  Network chain = MakeNetwork(17, 60, 0, false);
  const std::size_t legs = chain.legs.size();
  std::mt19937 rng(17);
  std::normal_distribution<double> unit(0, 1);
  for (int repeat = 0; repeat < 2; ++repeat)
    for (std::size_t k = 0; k < legs; ++k) {
      Leg again = chain.legs[k];
      again.dh += again.meanError * unit(rng);
      chain.legs.push_back(again);
    }
  for (Leg& leg : chain.legs) leg.meanError /= 5;
  const struct {
    const char* name;
    Network net;
    bool sparse;
  } cases[] = {{"grid", GridNetwork(5, 12), true}, {"chain", chain, false}};
  const double critical = NormalQuantile(1 - 0.001 / 2);
  for (const auto& c : cases) {
    std::vector<char> removed(c.net.legs.size(), 0);
    const std::vector<int> order = DenseSnooping(c.net, critical, 1.0, removed);
    ASSERT_GE(order.size(), 10u) << c.name;
    const DenseAdjustment before(c.net, std::vector<char>(c.net.legs.size(), 0), 1.0);
    const DenseAdjustment after(c.net, removed, 1.0);
    std::vector<std::string> points;
    const StatisticsInput in = InputOf(c.net, before, points);
    ProfileMatrix matrix = RunMatrix(in);
    NetworkNormalEquations normal(matrix, in, false);
    const StatisticsResult r = TestAdjustment(in, StatisticsOptions{}, &normal);
    EXPECT_EQ(normal.SparseSolves(), c.sparse) << c.name;
    ASSERT_EQ(r.rounds.size(), order.size()) << c.name;
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(r.rounds[i].observation, order[i] + 1) << c.name << " " << i;
    for (std::size_t i = 1; i < points.size(); ++i) {
      EXPECT_NEAR(r.heightAfter[i], after.height.at(points[i]), 1e-7) << c.name << " " << points[i];
      EXPECT_NEAR(r.meanErrorAfter[i], after.MeanError(points[i]), 1e-7) << c.name << " " << points[i];
    }
  }
}

TEST(DataSnooping, ObservationsInSeriesGoFirstToLastWhateverTheRounding) {
  // The lines between grid points are observations in series: their |w| are equal, and a dense
  // re-adjustment removes the first of them. Cofactors off by 1e-8 (rounding a long chain of
  // updates gathers, below the drift that calls for a new factorisation) tell them apart at
  // random; the removals stay those of the dense re-adjustment.
  const Network net = GridNetwork(3, 7, 16);
  const double critical = NormalQuantile(1 - 0.001 / 2);
  std::vector<char> removed(net.legs.size(), 0);
  const std::vector<int> order = DenseSnooping(net, critical, 1.0, removed);
  int inLines = 0;
  for (int k : order) inLines += net.legs[static_cast<std::size_t>(k)].to[0] == 'L' || net.legs[static_cast<std::size_t>(k)].from[0] == 'L';
  ASSERT_GE(inLines, 5);
  const DenseAdjustment before(net, std::vector<char>(net.legs.size(), 0), 1.0);
  std::vector<std::string> points;
  const StatisticsInput in = InputOf(net, before, points);
  DenseNormalEquations normal(net, points);
  normal.downdates = true;
  normal.noise = 1e-8;
  const StatisticsResult r = TestAdjustment(in, StatisticsOptions{}, &normal, 1000);
  ASSERT_EQ(r.rounds.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(r.rounds[i].observation, order[i] + 1) << i;
}

// ---- Forms of the files --------------------------------------------------------------------------

TEST(StatisticsFiles, CsvFieldsAreQuotedOnlyWhereRfc4180AsksIt) {
  EXPECT_EQ(CsvField("P1"), "P1");
  EXPECT_EQ(CsvField("A\"B"), "\"A\"\"B\"");
  EXPECT_EQ(CsvField("Łódź"), "Łódź");
  // What a spreadsheet would evaluate is quoted text with a single quote before it; numbers stay numbers.
  EXPECT_EQ(CsvField("=1+2"), "\"'=1+2\"");
  EXPECT_EQ(CsvField("+48"), "\"'+48\"");
  EXPECT_EQ(CsvField("-A"), "\"'-A\"");
  EXPECT_EQ(CsvField("@SUM(A1)"), "\"'@SUM(A1)\"");
  EXPECT_EQ(CsvField("=A,\"B\""), "\"'=A,\"\"B\"\"\"");
  EXPECT_EQ(CsvField("A=1"), "A=1");
  EXPECT_EQ(CsvNumber(-0.5), "-0.5");
  // The bytes Windows-1250 leaves undefined become U+FFFD, not C1 controls.
  EXPECT_EQ(CsvText("A\x81" "B\x98"), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD");
  EXPECT_EQ(CsvText("\xA3\xF3" "d\x9F"), "Łódź");
  EXPECT_EQ(CsvNumber(0.1), "0.1");
  EXPECT_EQ(CsvNumber(-1.25e-7), "-1.25e-07");
  EXPECT_EQ(std::stod(CsvNumber(123.45678901234567)), 123.45678901234567);
}

// Writes deltah and h.sta, runs the adjustment (it must finish) and returns testy.osn's lines.
std::vector<std::string> TestsOfRun(const ScratchFolder& folder, std::string_view deltah, std::string_view hsta) {
  folder.Write("deltah", deltah);
  folder.Write("h.sta", hsta);
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, orvane::RunOutcome::Finished) << run.report;
  return SplitReportLines(folder.Read("testy.osn"));
}

TEST(StatisticsFiles, PolishPointNumbersAreUtf8InTheCsvAndWindows1250InTheReport) {
  ScratchFolder folder;
  folder.Write("deltah", "Rąb A\"1 1.000 1e-6\nA\"1 Żuk 2.000 1e-6\nŻuk Rąb -3.003 1e-6\n0 0 0 0\n");
  folder.Write("h.sta", "Rąb 100.0\n0 0\n");
  const FolderRun run = RunOn(folder);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished) << run.report;
  const std::string csv = folder.Read("wyh.csv");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "from,to,dh,v,r,w,mdb,removed,gross,effect");
  EXPECT_NE(csv.find("\r\nRąb,\"A\"\"1\",1,"), std::string::npos) << csv;
  const std::string heights = folder.Read("h.csv");
  EXPECT_NE(heights.find("\r\nŻuk,"), std::string::npos) << heights;
  EXPECT_NE(heights.find("\r\nRąb,100,"), std::string::npos) << heights;
  // A fixed benchmark has no mean error: 0, as h.osn shows it.
  EXPECT_NE(heights.find("\r\nRąb,100,0,1\r\n"), std::string::npos) << heights;
  const std::string report = folder.Read("testy.osn");
  EXPECT_NE(report.find(orvane::ToCp1250(" TEST GLOBALNY WSPÓŁCZYNNIKA WARIANCJI:") + "\r\n"), std::string::npos);
  EXPECT_EQ(report.find('\n'), report.find("\r\n") + 1);
}

TEST(StatisticsFiles, GlobalTestAndSnoopingOnALoopOfThreeLegs) {
  // Three legs of a loop closing by 3 mm, m = 0.5 mm: p = 1 / 2.5e-7, each v = 1 mm,
  // [pvv] = 3e-6 p = 12.00000 above the 5 % bounds 0.00098 and 5.02389 (LU = 1); r = 1/3 and
  // |w| = 0.001 sqrt(3 p) = 3.4641 > 3.29053 for all three. The first of equal |w| is removed; the
  // other two are then a chain that nothing controls.
  ScratchFolder folder;
  const auto lines = TestsOfRun(folder, "A B 1.000 2.5e-7\nB C 2.000 2.5e-7\nC A -3.003 2.5e-7\n0 0 0 0\n", "A 100.0\n0 0\n");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(FindLine(lines, " [pvv]                                   =        12.00000"), -1);
  EXPECT_NE(FindLine(lines, " Dolna granica  chi2(alfa/2; LU)         =         0.00098"), -1);
  EXPECT_NE(FindLine(lines, " Górna granica  chi2(1-alfa/2; LU)       =         5.02389"), -1);
  EXPECT_NE(FindLine(lines, " Wynik: [pvv] powyżej górnej granicy - hipoteza ODRZUCONA"), -1);
  // -v/r = -0.0030, of which 1 - r = 2/3 passes into the adjusted difference: -0.0020.
  EXPECT_NE(FindLine(lines, "               A                B    0.0010  0.3333     3.464   0.0036   5.84 *   -0.0030   -0.0020"), -1);
  EXPECT_NE(FindLine(lines, " Obserwacje odrzucone testem w (|w| > k), symbol *: 3"), -1);
  // Equal |w| in a single loop: which one goes is up to rounding, but one goes, and only one.
  const int round = FindLine(lines, "     1   ", true);
  ASSERT_NE(round, -1);
  EXPECT_EQ(lines[round].substr(40), "     3.464    0.0010");
  EXPECT_NE(FindLine(lines, " usunięto obserwacji: 1; żadna z pozostałych nie przekracza wartości krytycznej"), -1);
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  EXPECT_EQ((obs[1][7] == "1") + (obs[2][7] == "1") + (obs[3][7] == "1"), 1);
}

TEST(StatisticsFiles, RobustRunWritesTheGlobalTestAndTheFactors) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  AdjustmentOptions options;
  options.Method = kvel::Method::Robust;
  const FolderRun run = RunOn(folder, options);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished);
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  EXPECT_NE(FindLine(lines, " TEST GLOBALNY WSPÓŁCZYNNIKA WARIANCJI:"), -1);
  EXPECT_NE(FindLine(lines, " TEST w OBSERWACJI dotyczy wyłącznie wyrównania metodą najmniejszych kwadratów"), -1);
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  EXPECT_EQ(obs[0], (std::vector<std::string>{"from", "to", "dh", "v", "factor"}));
  EXPECT_EQ(obs.size(), 6u);
  EXPECT_EQ(folder.Read("h.csv"), "point,H,mH,benchmark\r\n");  // h.osn of a robust run is empty
}

TEST(StatisticsFiles, ADefectiveNetworkGetsTheGlobalTestButNoWTest) {
  // The part C-D holds no benchmark: the run goes on with a repaired pivot, but its cofactors
  // mean nothing; r, w and MDB stay empty and the report says why.
  ScratchFolder folder;
  const auto lines = TestsOfRun(folder, "A B 1.000 1e-6\nB A -1.001 1e-6\nC D 2.000 1e-6\n0 0 0 0\n", "A 100.0\n0 0\n");
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  ASSERT_EQ(obs.size(), 4u);
  for (std::size_t k = 1; k < obs.size(); ++k) {
    ASSERT_EQ(obs[k].size(), 10u);
    EXPECT_EQ(obs[k][4] + obs[k][5] + obs[k][6] + obs[k][8] + obs[k][9], "");
    EXPECT_EQ(obs[k][7], "0");
  }
  EXPECT_NE(FindLine(lines, " *** DEFEKT SIECI - test w i wykrywanie błędów grubych nie są wykonywane"), -1);
}

TEST(StatisticsFiles, APartWithoutBenchmarkIsNamedMarkedAndLeftOutOfTheGlobalTest) {
  // A-B (two legs, tied to A) and C-D (two legs 4 mm apart, no benchmark). The global test is
  // that of A-B alone: LU = 1 and [pvv] of the 1 mm misclosure, not the 4 mm of the invented
  // part. h.csv marks C and D untied; the host is warned last.
  ScratchFolder folder;
  folder.Write("deltah", "A B 1.000 1e-6\nB A -1.001 1e-6\nC D 2.000 1e-6\nD C -2.004 1e-6\n0 0 0 0\n");
  folder.Write("h.sta", "A 100.0\n0 0\n");
  const FolderRun run = RunOn(folder);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished) << run.report;
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  EXPECT_NE(FindLine(lines, " *** DEFEKT SIECI: części sieci bez reperu - wysokości ich punktów są umowne,"), -1);
  EXPECT_NE(FindLine(lines, " część bez reperu nr 1: C D"), -1);
  EXPECT_NE(FindLine(lines, " Liczba stopni swobody           LU = M-N = 1"), -1);
  const int pvvAt = FindLine(lines, " [pvv]                                   = ", true);
  ASSERT_GE(pvvAt, 0);
  EXPECT_NEAR(std::stod(lines[pvvAt].substr(43)), 0.5, 0.0002);  // 2 (0.5 mm)^2 / 1e-6
  const auto heights = CsvRows(folder.Read("h.csv"));
  ASSERT_EQ(heights.size(), 5u);
  std::map<std::string, std::string> mark;
  for (std::size_t i = 1; i < heights.size(); ++i) mark[heights[i][0]] = heights[i][3];
  EXPECT_EQ(mark, (std::map<std::string, std::string>{{"A", "1"}, {"B", "0"}, {"C", "untied"}, {"D", "untied"}}));
  const auto boxes = run.host.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back(), "warning:  *** UWAGA: część sieci bez nawiązania do reperu - wysokości jej punktów są umowne: "
                          "C, D (zob. testy.osn)");
}

TEST(StatisticsFiles, ARobustRunHasOnePvvInTestyAndInTheReport) {
  // Robust estimation with a benchmark held with 3 mm: testy.osn's [pvv] is the one of the
  // report's control of the accuracy analysis.
  ScratchFolder folder;
  folder.Write("deltah", "A B 1.0012 1.0\nB C 0.5004 1.0\nC A -1.5000 1.0\nB D 2.0000 1.0\nD C -1.5010 1.0\n"
                         "A D 3.0030 1.5\n0 0 0.001 0\n");
  folder.Write("h.sta", "A 100.0\n0 0\nD 103.010\n0 0.003\n");
  AdjustmentOptions options;
  options.Method = kvel::Method::Robust;
  const FolderRun run = RunOn(folder, options);
  ASSERT_EQ(run.outcome, orvane::RunOutcome::Finished) << run.report;
  const auto report = SplitReportLines(run.report);
  const int control = FindLine(report, "  [pvv] =", true);
  ASSERT_GE(control, 0) << run.report;
  const auto lines = SplitReportLines(folder.Read("testy.osn"));
  const int tests = FindLine(lines, " [pvv]                                   = ", true);
  ASSERT_GE(tests, 0);
  const double reportPvv = std::stod(report[control].substr(9, 15));
  EXPECT_GT(reportPvv, 0.0);
  EXPECT_NEAR(std::stod(lines[tests].substr(43)), reportPvv, 0.00001);
}

TEST(StatisticsFiles, PointNumbersASpreadsheetWouldEvaluateAreQuoted) {
  ScratchFolder folder;
  folder.Write("deltah", "R =1+2 1.000 1e-6\n=1+2 @X 2.000 1e-6\n@X R -3.001 1e-6\n0 0 0 0\n");
  folder.Write("h.sta", "R 100.0\n0 0\n");
  ASSERT_EQ(RunOn(folder).outcome, orvane::RunOutcome::Finished);
  const std::string csv = folder.Read("wyh.csv");
  EXPECT_NE(csv.find("\r\nR,\"'=1+2\",1,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\n\"'=1+2\",\"'@X\",2,"), std::string::npos) << csv;
  const std::string heights = folder.Read("h.csv");
  EXPECT_NE(heights.find("\r\n\"'=1+2\","), std::string::npos) << heights;
  EXPECT_EQ(heights.find("\r\n=1+2"), std::string::npos) << heights;
}

TEST(StatisticsFiles, ANetworkWithoutRedundancyHasNoGlobalTestAndNoControlledObservation) {
  ScratchFolder folder;
  const auto lines = TestsOfRun(folder, "A B 1.000 1e-6\nB C 2.000 1e-6\n0 0 0 0\n", "A 100.0\n0 0\n");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(FindLine(lines, " Brak obserwacji nadliczbowych - test nie jest wykonywany"), -1);
  EXPECT_NE(FindLine(lines, " Obserwacje bez kontroli (r = 0):                   2"), -1);
  EXPECT_NE(FindLine(lines, "               A                B    0.0000  0.0000   obserwacja bez kontroli (r = 0)"), -1);
  const auto obs = CsvRows(folder.Read("wyh.csv"));
  ASSERT_EQ(obs.size(), 3u);
  EXPECT_EQ(obs[1], (std::vector<std::string>{"A", "B", "1", obs[1][3], "0", "", "", "0", "", ""}));
  EXPECT_NEAR(Number(obs[1][3]), 0.0, 1e-9);
}

TEST(StatisticsFiles, AStoppedRunLeavesNoTestsOfAnEarlierRun) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  ASSERT_EQ(RunOn(folder).outcome, orvane::RunOutcome::Finished);
  EXPECT_FALSE(folder.Read("testy.osn").empty());
  folder.Write("deltah", "R1 A 1.0 0\n");
  ASSERT_EQ(RunOn(folder).outcome, orvane::RunOutcome::Stopped);
  // The CSV files keep their header line for the scripts that read them.
  const std::pair<const char*, const char*> files[] = {
      {"testy.osn", ""}, {"wyh.csv", "from,to,dh,v,r,w,mdb,removed,gross,effect\r\n"}, {"h.csv", "point,H,mH,benchmark\r\n"}};
  for (const auto& [name, content] : files) {
    EXPECT_TRUE(folder.Exists(name)) << name;
    EXPECT_EQ(folder.Read(name), content) << name;
  }
}

TEST(StatisticsFiles, WyhAndHOsnStayAsTheyWereWithAnyStatisticsOptions) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const FolderRun plain = RunOn(folder);
  AdjustmentOptions options;
  options.Statistics.Alpha = 0.01;
  options.Statistics.Alpha0 = 0.05;
  options.Statistics.Snooping = false;
  const FolderRun other = RunOn(folder, options);
  EXPECT_EQ(MaskDate(plain.report), MaskDate(other.report));
  EXPECT_EQ(plain.heights, other.heights);
}

}  // namespace
}  // namespace kvel::testing
