// The listings judged by an independent dense least-squares adjustment computed here, through
// what the user reads: the report wyh.osn and the heights file h.osn.
#include "leveling/result_listings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "common/number_format.h"
#include "network_builder.h"

namespace kvel {
namespace {

using testing::Bench;
using testing::FillRun;
using testing::FindLine;
using testing::Options;
using testing::Leg;
using testing::PhaseOutput;
using testing::RunLaterPhases;

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> f;
  std::string w;
  while (in >> w) f.push_back(w);
  return f;
}

// A network of eight points with two error-free benchmarks, adjusted here by plain dense least
// squares with the benchmarks eliminated.
struct Oracle {
  std::map<std::string, double> height, heightError;
  std::vector<double> v, mDHobs, mDHwyr, mV, dhAdjusted;
  double mo = 0, pvv = 0;
  int lu = 0;
};

std::vector<Leg> EightPointLegs() {
  return {{"RP1", "P1", 1.2341, 0.0010}, {"P1", "P2", 0.8763, 0.0012}, {"P2", "P3", -0.4312, 0.0009},
          {"P3", "RP2", 2.1507, 0.0011}, {"RP2", "P4", -1.0021, 0.0010}, {"P4", "P5", -0.7766, 0.0013},
          {"P5", "RP1", -2.0503, 0.0012}, {"P1", "P5", -3.2875, 0.0014}, {"P2", "P4", 1.7191, 0.0010},
          {"P6", "P3", 0.3329, 0.0008}, {"P6", "P2", 0.7628, 0.0011}, {"P4", "P6", -1.3863, 0.0012}};
}
std::vector<Bench> EightPointBenches() { return {{"RP1", 150.0}, {"RP2", 153.8291}}; }

Oracle DenseAdjustment(const std::vector<Leg>& legs, const std::vector<Bench>& benches) {
  Oracle o;
  const testing::DenseNetwork net(legs, benches);
  const int n = net.UnknownCount();
  std::vector<long double> weight;
  for (const auto& leg : legs) weight.push_back(1.0L / (static_cast<long double>(leg.meanError) * leg.meanError));
  std::vector<std::vector<long double>> a;
  std::vector<long double> rhs;
  net.Normals(weight, a, rhs);
  const auto x = testing::DenseSolve(a, rhs);
  std::vector<std::vector<double>> q(n);
  for (int c = 0; c < n; ++c) {
    std::vector<long double> e(n, 0);
    e[c] = 1;
    q[c] = testing::DenseSolve(a, e);
  }
  for (const auto& b : benches) o.height[b.nr] = b.height;
  for (int i = 0; i < n; ++i) o.height[net.unknown[i]] = x[i];
  for (const auto& leg : legs) {
    const double adjusted = o.height[leg.to] - o.height[leg.from];
    const double v = adjusted - leg.dh;
    o.pvv += v * v / (leg.meanError * leg.meanError);
  }
  o.lu = static_cast<int>(legs.size()) - n;
  o.mo = orvane::TruncateTo5Decimals(std::sqrt(o.pvv / (o.lu + 0.0001)));
  for (const auto& b : benches) o.heightError[b.nr] = 0;
  for (int i = 0; i < n; ++i) o.heightError[net.unknown[i]] = std::sqrt(q[i][i]) * o.mo;
  for (const auto& leg : legs) {
    const int i = net.Index(leg.from), j = net.Index(leg.to);
    double g = 0;
    if (i >= 0) g += q[i][i];
    if (j >= 0) g += q[j][j];
    if (i >= 0 && j >= 0) g -= 2 * q[i][j];
    o.dhAdjusted.push_back(o.height[leg.to] - o.height[leg.from]);
    o.v.push_back(o.dhAdjusted.back() - leg.dh);
    o.mDHobs.push_back(o.mo * leg.meanError);
    o.mDHwyr.push_back(std::sqrt(g) * o.mo);
    o.mV.push_back(std::sqrt(o.mDHobs.back() * o.mDHobs.back() - o.mDHwyr.back() * o.mDHwyr.back() + 1e-11));
  }
  return o;
}

constexpr double kHalfUnit5 = 0.000005 + 1e-9;

TEST(Results, HeightsAndObservationsAgreeWithADenseAdjustment) {
  const auto legs = EightPointLegs();
  const auto benches = EightPointBenches();
  const Oracle oracle = DenseAdjustment(legs, benches);
  AdjustmentRun run;
  FillRun(run, legs, benches, 0.001);
  run.options = Options(1, 1, 5, false);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);

  // h.osn: one record per catalogue point, in catalogue order, benchmarks marked.
  ASSERT_EQ(static_cast<int>(out.heights.size()), run.PointCount());
  for (int i = 1; i <= run.PointCount(); ++i) {
    const std::string& line = out.heights[i - 1];
    const std::string& nr = run.pointNr[i];
    ASSERT_EQ(line.size(), 16u + 1 + 12 + 1 + 9 + 1 + 5) << line;
    EXPECT_EQ(line.substr(0, 16), orvane::RightAligned(nr, 16));
    EXPECT_NEAR(std::strtod(line.substr(17, 12).c_str(), nullptr), oracle.height.at(nr), kHalfUnit5) << nr;
    EXPECT_NEAR(std::strtod(line.substr(30, 9).c_str(), nullptr), oracle.heightError.at(nr), kHalfUnit5) << nr;
    const bool bench = nr.rfind("RP", 0) == 0;
    EXPECT_EQ(line.substr(40), bench ? " #   " : "     ") << nr;
    // The report's table holds the same record after the point's index.
    EXPECT_GE(FindLine(out.report, orvane::IntegerField(i, 5) + " " + line), 0) << nr;
  }
  EXPECT_GE(FindLine(out.report, " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = " + orvane::FixedField(oracle.mo, 7, 5)), 0);

  // Adjusted observations in input order (some turned from the lower to the higher row).
  const int head = FindLine(out.report, "           Nr[I]            Nr[j]     DHobs  mDHobs        V      mV      DHwyr   mDHwyr");
  ASSERT_GT(head, 0);
  EXPECT_EQ(out.report[head - 2], " Opcja ścisła analizy dokładności:");
  for (std::size_t k = 0; k < legs.size(); ++k) {
    const std::string& line = out.report[head + 2 + k];
    const auto f = Fields(line);
    ASSERT_GE(f.size(), 8u) << line;
    const bool turned = f[0] != legs[k].from;
    const double sign = turned ? -1.0 : 1.0;
    EXPECT_EQ(f[0], turned ? legs[k].to : legs[k].from);
    EXPECT_NEAR(std::strtod(f[2].c_str(), nullptr), sign * legs[k].dh, kHalfUnit5);
    EXPECT_NEAR(std::strtod(f[3].c_str(), nullptr), oracle.mDHobs[k], kHalfUnit5) << line;
    EXPECT_NEAR(std::strtod(f[4].c_str(), nullptr), sign * oracle.v[k], kHalfUnit5) << line;
    EXPECT_NEAR(std::strtod(f[5].c_str(), nullptr), oracle.mV[k], kHalfUnit5) << line;
    EXPECT_NEAR(std::strtod(f[6].c_str(), nullptr), sign * oracle.dhAdjusted[k], kHalfUnit5) << line;
    EXPECT_NEAR(std::strtod(f[7].c_str(), nullptr), oracle.mDHwyr[k], kHalfUnit5) << line;
  }

  // Characteristic mean errors: mean and largest truncated to 5 decimals, with its point.
  double sum = 0, largest = 0;
  std::string largestNr;
  for (int i = 1; i <= run.PointCount(); ++i) {
    const double mh = oracle.heightError.at(run.pointNr[i]);
    sum += mh;
    if (mh > largest) {
      largest = mh;
      largestNr = run.pointNr[i];
    }
  }
  const int ch = FindLine(out.report, " CHARAKTERYSTYCZNE BŁĘDY ŚREDNIE WYSOKOŚCI:");
  ASSERT_GT(ch, 0);
  EXPECT_EQ(out.report[ch + 1],
            "   - przeciętnie mH     = " + orvane::FixedField(orvane::TruncateTo5Decimals(sum / run.PointCount()), 8, 5) + " m");
  EXPECT_EQ(out.report[ch + 2], "   - maksymalnie mHmax  = " +
                                    orvane::FixedField(orvane::TruncateTo5Decimals(largest), 8, 5) + " m  dla punktu: " + largestNr);

  // Control of the analysis: [pvv] recomputed from the listing, Mo, and Mo in metres (mo = 0.001).
  const int control = FindLine(out.report, "  KONTROLA ANALIZY DOKŁADNOŚCI: ");
  ASSERT_GT(control, 0);
  const auto cf = Fields(out.report[control + 1]);
  ASSERT_GE(cf.size(), 6u);
  EXPECT_NEAR(std::strtod(cf[2].c_str(), nullptr), oracle.pvv, 0.0000005 + 1e-9 * oracle.pvv);
  const double controlMo = std::sqrt(oracle.pvv / (oracle.lu + 1e-9));
  EXPECT_NEAR(std::strtod(cf[5].c_str(), nullptr), controlMo, kHalfUnit5);
  EXPECT_EQ(out.report[control + 1].substr(out.report[control + 1].size() - 24),
            "(bez miana)= " + orvane::FixedField(controlMo * 0.001, 10, 5) + "m");
  EXPECT_EQ(out.report.back(), std::string(75, '-') + "orvane_2006--");
}

TEST(Results, ReferenceInverseAndSelectedInverseWriteTheSameFiles) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dh(-3, 3), me(0.0005, 0.003);
  std::vector<Leg> legs;
  const int points = 300;
  for (int k = 1; k < points; ++k) {
    legs.push_back({"Q" + std::to_string(k), "Q" + std::to_string(k + 1), dh(rng), me(rng)});
    if (k + 7 <= points) legs.push_back({"Q" + std::to_string(k + 7), "Q" + std::to_string(k), dh(rng), me(rng)});
  }
  std::shuffle(legs.begin(), legs.end(), rng);
  const std::vector<Bench> benches = {{"Q1", 100.0}, {"Q150", 101.0, 0.004}, {"Q300", 99.0}};
  for (int accuracy : {1, 2}) {
    PhaseOutput fast, reference;
    AdjustmentRun a, b;
    FillRun(a, legs, benches);
    FillRun(b, legs, benches);
    a.options = b.options = Options(1, accuracy, 5, false);
    b.referenceInverse = true;
    RunLaterPhases(a, fast);
    RunLaterPhases(b, reference);
    ASSERT_EQ(fast.outcome, orvane::RunOutcome::Finished);
    EXPECT_EQ(fast.report, reference.report);
    EXPECT_EQ(fast.heightsBytes, reference.heightsBytes);
    EXPECT_EQ(fast.host.monitor, reference.host.monitor);
  }
}

TEST(Results, ControlSectionNeedsTwoRedundantObservationsAndItsValueLineTheUnitError) {
  struct Case {
    std::vector<Leg> legs;
    double unitError;
    bool heading, values;
  };
  const std::vector<Leg> loop = {{"A", "B", 1.0, 0.001}, {"B", "C", 1.0, 0.001}, {"C", "A", -1.997, 0.001}};
  auto twoLoops = loop;
  twoLoops.push_back({"A", "C", 2.002, 0.001});
  for (const Case& c : {Case{loop, 0.001, false, false}, Case{twoLoops, 0.001, true, true},
                        Case{twoLoops, 0.0, true, false}, Case{twoLoops, -1.0, true, false}}) {
    AdjustmentRun run;
    FillRun(run, c.legs, {{"A", 10.0}}, c.unitError);
    run.options = Options(1, 1, 4, true);
    PhaseOutput out;
    RunLaterPhases(run, out);
    ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
    const int at = FindLine(out.report, "  KONTROLA ANALIZY DOKŁADNOŚCI: ");
    EXPECT_EQ(at >= 0, c.heading) << run.redundancy;
    if (at >= 0) {
      const bool valueLine = out.report[at + 1].rfind("  [pvv] =", 0) == 0;
      EXPECT_EQ(valueLine, c.values) << c.unitError;
    }
    EXPECT_EQ(out.report.back(), std::string(75, '-') + "orvane_2006--");
  }
}

TEST(Results, ResidualMeanErrorIsZeroWhereRoundingWouldTakeARootOfANegative) {
  // The adjusted observation made more uncertain than the observation itself (its weight raised
  // after the solution): mDHobs^2 - mDHwyr^2 + 1e-11 < 0 must show mV = 0, not NaN.
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 1.0, 0.001}}, {{"A", 0.0}});
  run.options = Options(1, 1, 5, true);
  testing::RecordingRunHost host;
  run.host = &host;
  const testing::ScratchFolder folder;
  run.report.Create(folder.File("wyh.osn"));
  run.heights.Create(folder.File("h.osn"));
  ASSERT_EQ(PrepareNormalEquations(run), orvane::RunOutcome::Finished);
  ASSERT_EQ(RunIteration(run), orvane::RunOutcome::Finished);
  run.obs[1].Weight *= 4;
  ASSERT_EQ(WriteResults(run), orvane::RunOutcome::Finished);
  run.report.Close();
  const auto lines = testing::SplitReportLines(folder.Read("wyh.osn"));
  const int at = FindLine(lines, "               A                B", true);
  ASSERT_GT(at, 0);
  const auto f = Fields(lines[at]);
  ASSERT_EQ(f.size(), 8u) << lines[at];
  EXPECT_EQ(f[3], "0.00050");  // mDHobs
  EXPECT_EQ(f[5], "0.00000");  // mV
  EXPECT_EQ(f[7], "0.00100");  // mDHwyr
}

TEST(Results, RobustControlUsesTheLastFactorsAndTheirSum) {
  AdjustmentRun run;
  auto legs = EightPointLegs();
  legs[3].dh += 0.02;
  FillRun(run, legs, EightPointBenches(), 0.001);
  run.options = Options(2, 1, 5, true);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  double pvv = 0;
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const auto& o = run.obs[k];
    const double v = run.pointHeight[o.To] - run.pointHeight[o.From] - o.DH;
    pvv += o.Weight * v * v * run.robustFactor[k];
  }
  const int control = FindLine(out.report, "  KONTROLA ANALIZY DOKŁADNOŚCI: ");
  ASSERT_GT(control, 0);
  const double mo = std::sqrt(pvv / (run.factorSum + 1e-7));
  EXPECT_EQ(out.report[control + 1], "  [pvv] =" + orvane::FixedField(pvv, 15, 6) + "  Mo = " + orvane::FixedField(mo, 10, 5) +
                                         "(bez miana)= " + orvane::FixedField(mo * 0.001, 10, 5) + "m");
  EXPECT_LT(run.factorSum, run.ObservationCount());
}

TEST(Results, NoResidualDiffersFromZero) {
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 0.0, 0.001}, {"B", "C", 0.0, 0.001}}, {{"A", 0.0}});
  run.options = Options(1, 1, 4, true);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const int at = FindLine(out.report, "  Przeciętna poprawka ujemna   = ", true);
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at], "  Przeciętna poprawka ujemna   =    0.00000 m");
  EXPECT_EQ(out.report[at + 1], "        (ilość poprawek (-) = 0");
  EXPECT_EQ(out.report[at + 2], "  Przeciętna poprawka dodatnia =    0.00000 m");
  EXPECT_EQ(out.report[at + 3], "        (ilość poprawek (+) = 2");  // zero counts as positive
  EXPECT_EQ(out.report[at + 4], "  Największa wartościowo  v    =    0.00000 m");
  EXPECT_EQ(out.report[at + 5], "         dla odcinka:  ");
  EXPECT_EQ(orvane::FromCp1250(out.host.monitor[8]), " Największa wartość |v| = 0 m");
}

TEST(Results, HeightsFollowTheChosenDecimals) {
  for (int decimals : {3, 4, 5}) {
    AdjustmentRun run;
    FillRun(run, {{"A", "B", 1.0, 0.001}}, {{"A", 123.4567891}});
    run.options = Options(1, 1, decimals, true);
    PhaseOutput out;
    RunLaterPhases(run, out);
    ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
    ASSERT_EQ(out.heights.size(), 2u);
    const std::map<int, std::string> expected = {
        {3, "               A      123.457     0.000  #   "},
        {4, "               A     123.4568    0.0000  #   "},
        {5, "               A    123.45679   0.00000  #   "}};
    EXPECT_EQ(out.heights[0], expected.at(decimals));
    EXPECT_EQ(out.heights[1].substr(0, 29), "               B " + orvane::FixedField(124.4567891, 12, decimals));
    EXPECT_EQ(out.heightsBytes.substr(out.heightsBytes.size() - 2), "\r\n");
  }
}

TEST(Results, ASmallNegativeResidualKeepsItsSignAtThreeDecimals) {
  // A leg between two fixed benchmarks: its residual is the misclosure, -0.3 mm.
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 1.0003, 0.001}}, {{"A", 10.0}, {"B", 11.0}});
  run.options = Options(1, 1, 3, true);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const int at = FindLine(out.report, "               A                B", true);
  ASSERT_GT(at, 0);
  // Nr[I] and Nr[j] (33 columns), DHobs 11, mDHobs 8, then V in 10 columns.
  EXPECT_EQ(out.report[at].substr(33 + 11 + 8, 10), "    -0.000");
  EXPECT_EQ(out.report[FindLine(out.report, "  Największa wartościowo  v    = ", true)],
            "  Największa wartościowo  v    =   -0.00030 m");
}

TEST(Results, ResidualBandsAgainstTheirMeanError) {
  struct Case {
    double v, mV;
    int band;
  };
  for (const Case c : {Case{0.0021, 0.002, 0}, Case{-0.0021, 0.002, 0}, Case{0.0025, 0.002, 1}, Case{0.004, 0.002, 1},
                       Case{0.0045, 0.002, 2}, Case{-0.006, 0.002, 2}, Case{0.0061, 0.002, 3}, Case{-0.0061, 0.002, 3},
                       Case{0.0, 0.0, 0}, Case{0.00005, 0.0, 3}}) {
    EXPECT_EQ(ResidualBand(c.v, c.mV), c.band) << c.v << " " << c.mV;
  }
}

TEST(Results, DistributionLinesAndMarks) {
  // Residuals known by construction: a fixed chain has no redundancy, so a second leg between two
  // points of it carries its whole misclosure as the residual (the chain legs are far stronger).
  AdjustmentRun run;
  FillRun(run,
          {{"A", "B", 1.0, 0.00001}, {"B", "C", 1.0, 0.00001}, {"A", "C", 2.0061, 0.002}, {"A", "B", 1.0021, 0.002},
           {"B", "C", 1.0045, 0.002}},
          {{"A", 0.0}});
  run.options = Options(1, 2, 4, true);  // simplified: mV = m * sqrt(1 - p)
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const int at = FindLine(out.report, "  EMPIRYCZNY ROZKLAD POPRAWEK:");
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at - 1], std::string(76, '-'));
  EXPECT_EQ(out.report[at - 2], "  ");
  // p = N/M = 2/5: mV = 0.002 * sqrt(0.6) = 0.00155; |v| 0.0061 > 3 mV, 0.0045 in (2 mV, 3 mV],
  // 0.0021 in (mV + 0.0001, 2 mV], and the two strong legs near 0.
  EXPECT_EQ(out.report[at + 1], " W relacji         |v| <   Mv  jest :  40.00% poprawek");
  EXPECT_EQ(out.report[at + 2], " W relacji    Mv < |v| < 2.Mv  jest :  20.00% poprawek");
  EXPECT_EQ(out.report[at + 3], " W relacji  2.Mv < |v| < 3.Mv  jest :  20.00% poprawek");
  EXPECT_EQ(out.report[at + 4], " W relacji  3.Mv < |v|         jest :  20.00% poprawek - symbol: *");
  const int marked = FindLine(out.report, "               A                C", true);
  ASSERT_GT(marked, 0);
  EXPECT_EQ(out.report[marked].substr(out.report[marked].size() - 4), " *  ");
  EXPECT_EQ(out.report[at + 9], "  Największa wartościowo  v    =   -0.00610 m");
  EXPECT_EQ(out.report[at + 10], "         dla odcinka: A C");
}

}  // namespace
}  // namespace kvel

namespace kvel {
namespace {

// A chain A - P - Q - B between two error-free benchmarks, every leg of the same weight: P and Q
// have the same mH, and the misclosure of 6 mm falls on the three legs alike, so both "largest"
// lines have a tie that the report settles in favour of the first in listing order.
TEST(Results, TiesForTheLargestNameTheFirstPointAndTheFirstLeg) {
  for (const double b : {103.006, 57.3329, 0.0061}) {
    AdjustmentRun run;
    FillRun(run, {{"A", "P", 1.0, 0.0013}, {"P", "Q", 1.0, 0.0013}, {"Q", "B", 1.0, 0.0013}},
            {{"A", b - 3.006}, {"B", b}});
    run.options = Options(1, 1, 5, true);
    PhaseOutput out;
    RunLaterPhases(run, out);
    ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
    const int mh = FindLine(out.report, "   - maksymalnie mHmax  = ", true);
    ASSERT_GT(mh, 0);
    EXPECT_TRUE(out.report[mh].ends_with("dla punktu: P")) << out.report[mh];
    const int v = FindLine(out.report, "         dla odcinka: ", true);
    ASSERT_GT(v, 0);
    EXPECT_EQ(out.report[v], "         dla odcinka: A P") << b;
  }
}

// The listing leaves the run's heights as they were: written twice, it writes the same heights.
TEST(Results, WritingTheListingTwiceWritesTheSameHeights) {
  AdjustmentRun run;
  FillRun(run, EightPointLegs(), EightPointBenches(), 0.001);
  run.options = Options(1, 1, 5, true);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const testing::ScratchFolder folder;
  run.report.Create(folder.File("wyh.osn"));
  run.heights.Create(folder.File("h.osn"));
  ASSERT_EQ(WriteResults(run), orvane::RunOutcome::Finished);
  run.report.Close();
  run.heights.Close();
  EXPECT_EQ(folder.Read("h.osn"), out.heightsBytes);
}

}  // namespace
}  // namespace kvel
