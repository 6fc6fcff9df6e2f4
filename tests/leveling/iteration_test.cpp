// The iteration on networks filled by hand: reliability figures, the number of iterations, the
// protocol and its widths, Mo and its truncation, benchmarks fixed or weighted, robust estimation.
#include "leveling/adjustment_iteration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>

#include "common/number_format.h"
#include "network_builder.h"

namespace kvel {
namespace {

using testing::Bench;
using testing::CountPrefix;
using testing::FillRun;
using testing::FindLine;
using testing::Options;
using testing::Leg;
using testing::PhaseOutput;
using testing::RunLaterPhases;

// Six points, two benchmarks, ten legs: M = 10, LP = 6, LS = 2.
std::vector<Leg> TenLegs() {
  return {{"A", "C", 1.2003, 0.001}, {"C", "D", 1.4991, 0.001}, {"D", "B", 2.3004, 0.0012},
          {"B", "E", -1.8995, 0.001}, {"E", "F", 1.3002, 0.0009}, {"F", "A", -4.4006, 0.0015},
          {"C", "E", 1.8997, 0.0011}, {"D", "F", 1.7008, 0.001}, {"A", "D", 2.7001, 0.0013},
          {"E", "B", 1.9004, 0.001}};
}
std::vector<Bench> TwoBenchmarks() { return {{"A", 100.0}, {"B", 105.0}}; }

TEST(Iteration, ReliabilitySectionForTenLegsSixPointsTwoBenchmarks) {
  AdjustmentRun run;
  FillRun(run, TenLegs(), TwoBenchmarks());
  run.options = Options(1);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const int at = FindLine(out.report, " PARAMETRY NIEZAWODNOSCI SIECI:");
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at - 1], std::string(76, '-'));
  const std::vector<std::string> expected = {
      " Nadwymiarowość sieci             LU =  M-N = 6",
      "          liczba obserwacji               M = 10",
      "          liczba niewiadomych     N = LP-LS = 4",
      " Wskaźnik niezawodności            z = LU/M = 0.60000",
      " Parametr Otrębskiego              p =  N/M = 0.40000",
      " (przec. zmniejszenie wariancji obserwacji)",
      " Współcz. zmniejsz. bł. śr. obs. q= sgrt(p) = 0.63246",
      " ",
      std::string(76, '-'),
      " PROTOKÓŁ WYRÓWNANIA SIECI:",
      std::string(76, '-'),
      " PARAMETRY ZBIEŻNOSCI PROCESU ITERACYJNEGO:"};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(out.report[at + 1 + i], expected[i]);
  EXPECT_EQ(run.unknownCount, 4);
  EXPECT_EQ(run.redundancy, 6);
  // MONITOR: the redundancy one line on, the parameters two further, then one line per iteration.
  EXPECT_EQ(orvane::FromCp1250(out.host.monitor[1]), " Liczba elementów nadwymiarowych sieci = 6");
  EXPECT_EQ(orvane::FromCp1250(out.host.monitor[3]), " PARAMETRY WYRÓWNANIA:");
  EXPECT_EQ(out.host.monitor[4].rfind(" Iter = 1 Mo = ", 0), 0u);
  EXPECT_EQ(out.host.monitor[5].rfind(" Iter = 2 Mo = ", 0), 0u);
}

struct CountCase {
  const char* name;
  int method;
  bool floatingPart;  // a second part without benchmark: a defect in every solution
  int iterations;
  int weightLines;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

class IterationCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(IterationCount, ProtocolHasOneEntryPerIteration) {
  const auto c = GetParam();
  auto legs = TenLegs();
  if (c.floatingPart) legs.push_back({"X", "Y", 0.5, 0.001});
  AdjustmentRun run;
  FillRun(run, legs, TwoBenchmarks());
  run.options = Options(c.method);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  EXPECT_EQ(CountPrefix(out.report, " ITER = "), c.iterations);
  EXPECT_EQ(CountPrefix(out.report, " SUMA WAG = "), c.weightLines);
  EXPECT_EQ(CountPrefix(out.report, " [pvv]= "), c.iterations);
  for (int t = 1; t <= c.iterations; ++t)
    EXPECT_GE(FindLine(out.report, " ITER = " + std::to_string(t) + " Średni przyrost niewiadomych = ", true), 0);
  const int defects = CountPrefix(out.report, " *** DEFEKT SIECI, WSK. NIEWIAD.: ");
  const auto informations = out.host.Informations();
  const int defectBoxes = static_cast<int>(std::count(informations.begin(), informations.end(),
                                                      orvane::ToCp1250(" *** Defekt układu ")));
  if (c.floatingPart) {
    EXPECT_EQ(defects, c.iterations);
    EXPECT_EQ(defectBoxes, c.iterations);
    // The row of the floating part's last point, a row of the renumbered system.
    EXPECT_GE(FindLine(out.report, " *** DEFEKT SIECI, WSK. NIEWIAD.: 8"), 0);
    EXPECT_GE(FindLine(out.report, "  UWAGA: sieć zawiera 2 układy odosobnione"), 0);
    EXPECT_TRUE(run.defectFound);
  } else {
    EXPECT_EQ(defects, 0);
    EXPECT_EQ(defectBoxes, 0);
  }
  if (c.method == 2) {
    // The robust note follows iteration 3's [pvv] line, and SUMA WAG comes before [pvv].
    const int iter3 = FindLine(out.report, " ITER = 3 ", true);
    ASSERT_GT(iter3, 0);
    EXPECT_EQ(out.report[iter3 + 1].rfind(" [pvv]= ", 0), 0u);
    EXPECT_EQ(out.report[iter3 + 2], " UWAGA:");
    EXPECT_EQ(out.report[iter3 + 3], " ESTYMACJA MOCNA - BEZ OBLICZEŃ WYSOKOŚCI");
    EXPECT_EQ(out.report[iter3 + 4], " Wyniki mają tylko znaczenie kontrolne!");
    const int iter4 = FindLine(out.report, " ITER = 4 ", true);
    EXPECT_EQ(out.report[iter4 + 1].rfind(" SUMA WAG = ", 0), 0u);
    EXPECT_EQ(out.report[iter4 + 2].rfind(" [pvv]= ", 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, IterationCount,
                         ::testing::Values(CountCase{"LeastSquares", 1, false, 2, 0},
                                           CountCase{"LeastSquaresWithDefect", 1, true, 3, 0},
                                           CountCase{"Robust", 2, false, 9, 6},
                                           CountCase{"RobustWithDefect", 2, true, 9, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Iteration, ManyDefectivePivotsShowAtMostTenBoxesPerSolution) {
  auto legs = TenLegs();
  for (int part = 1; part <= 12; ++part)
    legs.push_back({"X" + std::to_string(part), "Y" + std::to_string(part), 0.5, 0.001});
  AdjustmentRun run;
  FillRun(run, legs, TwoBenchmarks());
  run.options = Options(1);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  EXPECT_EQ(out.host.Informations().size(), 30u);  // three solutions, ten boxes each
  EXPECT_EQ(CountPrefix(out.report, " *** DEFEKT SIECI, WSK. NIEWIAD.: "), 3);
  EXPECT_GE(FindLine(out.report, " *** DEFEKT SIECI, WSK. NIEWIAD.: 30"), 0);  // the last defective row
  EXPECT_GE(FindLine(out.report, "  UWAGA: sieć zawiera 13 układy odosobnione"), 0);
}

TEST(Iteration, ObservationFromTheHigherRowIsTurnedForGood) {
  AdjustmentRun run;
  // A, C, D get rows 1.. in breadth-first order from A; "D A" is entered from the higher row.
  FillRun(run, {{"A", "C", 1.0, 0.001}, {"C", "D", 1.0, 0.001}, {"D", "A", -2.001, 0.001}}, {{"A", 10.0}});
  run.options = Options(1);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const auto& o = run.obs[3];
  EXPECT_EQ(run.pointNr[o.From], "A");
  EXPECT_EQ(run.pointNr[o.To], "D");
  EXPECT_EQ(o.FromNr, "A");
  EXPECT_DOUBLE_EQ(o.DH, 2.001);
  // The listing shows the record as turned.
  const int at = FindLine(out.report, "               A                D     2.0010", true);
  EXPECT_GT(at, 0);
}

TEST(Iteration, BenchmarkBelowTenMicronsIsFixedFromTenMicronsOnItIsWeighted) {
  struct Case {
    double meanError;
    bool moves;
  };
  for (const Case c : {Case{0.0, false}, Case{0.000009, false}, Case{0.00001, true}, Case{0.002, true}}) {
    AdjustmentRun run;
    // The legs put B 5 mm above its given height.
    FillRun(run, {{"A", "C", 1.0, 0.001}, {"C", "B", 1.005, 0.001}}, {{"A", 100.0, 0.0}, {"B", 102.0, c.meanError}});
    run.options = Options(1);
    PhaseOutput out;
    RunLaterPhases(run, out);
    ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
    const double shift = run.AdjustedHeight(3) - 102.0;  // B is catalogue point 3
    if (c.moves) {
      EXPECT_GT(std::fabs(shift), 1e-8) << c.meanError;
    } else {
      EXPECT_LT(std::fabs(shift), 1e-10) << c.meanError;
    }
  }
}

// Reads the value of a protocol line's scientific field.
double ScientificAfter(const std::string& line, const std::string& label) {
  return std::strtod(line.substr(label.size()).c_str(), nullptr);
}

TEST(Iteration, FirstIterationCountsTheBenchmarksCorrectionButKeepsTheirHeights) {
  // Two weighted benchmarks 10 m apart and legs that make 9 m: the first solution moves them.
  AdjustmentRun run;
  FillRun(run, {{"A", "C", 4.0, 0.01}, {"C", "B", 5.0, 0.01}}, {{"A", 0.0, 0.01}, {"B", 10.0, 0.01}});
  run.options = Options(1);
  // The first system by hand: rows A=1, C=2, B=3; start heights A=-5, C=-5, B=5 (reduced).
  const double w = 1e4, wb = 1e4;
  const double l1 = (-5.0) - (-5.0) - 4.0, l2 = 5.0 - (-5.0) - 5.0;
  std::vector<std::vector<long double>> n = {{w + wb, -w, 0}, {-w, 2 * w, -w}, {0, -w, w + wb}};
  // N dx = -A'Pl
  const std::vector<long double> minusRhs = {w * l1, -w * l1 + w * l2, -w * l2};
  const auto dx = testing::DenseSolve(n, minusRhs);
  const double first = std::sqrt((dx[0] * dx[0] + dx[1] * dx[1] + dx[2] * dx[2]) / 3);
  // Linearised again about the given benchmark heights, the benchmarks get the same corrections
  // and the free point none.
  const double second = std::sqrt((dx[0] * dx[0] + dx[2] * dx[2]) / 3);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const std::string label1 = " ITER = 1 Średni przyrost niewiadomych = ";
  const std::string label2 = " ITER = 2 Średni przyrost niewiadomych = ";
  const int i1 = FindLine(out.report, label1, true);
  const int i2 = FindLine(out.report, label2, true);
  ASSERT_GE(i1, 0);
  ASSERT_GE(i2, 0);
  EXPECT_NEAR(ScientificAfter(out.report[i1], label1), first, 1e-12 * first);
  EXPECT_NEAR(ScientificAfter(out.report[i2], label2), second, 1e-9 * second);
  EXPECT_EQ(out.report[i1].size(), label1.size() + 23);
}

TEST(Iteration, NoRedundantObservationGivesMoOneWithItsNote) {
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 1.0, 0.001}, {"B", "C", 2.0, 0.001}}, {{"A", 50.0}});
  run.options = Options(1, 1, 4, false);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  const int at = FindLine(out.report, " PARAMETRY ZBIEŻNOSCI PROCESU ITERACYJNEGO:");
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at + 1], "  UWAGA:");
  EXPECT_EQ(out.report[at + 2], "  Układ nie zawiera obserwacji nadliczbowych");
  EXPECT_EQ(out.report[at + 3], "  - przyjęto standardowo Mo = 1.0 (niemian.)");
  EXPECT_EQ(out.report[at + 4].rfind(" ITER = 1 ", 0), 0u);
  for (const auto& line : out.report)
    if (line.rfind(" [pvv]= ", 0) == 0) {
      EXPECT_EQ(line.substr(line.size() - 33), "    Mo  (bez miana) =     1.00000");
    }
  EXPECT_EQ(CountPrefix(out.report, "  UWAGA:"), 1);
  // LU = 0: no control of the analysis; the closing line follows the residual summary.
  EXPECT_EQ(FindLine(out.report, "  KONTROLA ANALIZY DOKŁADNOŚCI: "), -1);
  const int closing = FindLine(out.report, std::string(75, '-') + "orvane_2006--");
  ASSERT_GT(closing, 0);
  EXPECT_EQ(out.report[closing - 1].rfind("         dla odcinka: ", 0), 0u);
  EXPECT_EQ(run.finalMo, 1.0);
}

// A loop A-B-C-A with one fixed benchmark (LU = 1) whose misclosure makes Mo = 1.234567.
void FillLoopWithMo(AdjustmentRun& run, double mo, double benchError = 0.0) {
  const double m = 0.001;
  const double misclosure = m * std::sqrt(mo * mo * 1.0001 * 3.0);
  FillRun(run, {{"A", "B", 1.0, m}, {"B", "C", 1.0, m}, {"C", "A", -2.0 + misclosure, m}}, {{"A", 200.0, benchError}});
}

TEST(Iteration, MoIsRoundedOnTheProtocolAndTruncatedWhereKept) {
  for (bool moIsOne : {false, true}) {
    AdjustmentRun run;
    FillLoopWithMo(run, 1.234567);
    run.options = Options(1, 1, 5, moIsOne);
    PhaseOutput out;
    RunLaterPhases(run, out);
    ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
    const int at = FindLine(out.report, " ITER = 2 ", true);
    ASSERT_GT(at, 0);
    EXPECT_EQ(out.report[at + 1].substr(out.report[at + 1].size() - 33), "    Mo  (bez miana) =     1.23457");
    EXPECT_EQ(out.host.monitor[5], " Iter = 2 Mo = 1.23456");
    const std::string heading = " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ";
    EXPECT_GE(FindLine(out.report, heading + (moIsOne ? "1.00000" : "1.23456")), 0) << moIsOne;
    EXPECT_DOUBLE_EQ(run.finalMo, moIsOne ? 1.0 : orvane::TruncateTo5Decimals(1.234567));
    // LU = 1: no control heading.
    EXPECT_EQ(FindLine(out.report, "  KONTROLA ANALIZY DOKŁADNOŚCI: "), -1);
  }
}

TEST(Iteration, BenchmarkWithAMeanErrorMakesTheHeightsUseMoOne) {
  AdjustmentRun run;
  FillLoopWithMo(run, 1.234567, 0.000005);  // fixed in the adjustment, yet not error-free
  run.options = Options(1, 1, 5, false);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  EXPECT_GE(FindLine(out.report, " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = 1.00000"), 0);
  // The observations still use the empirical Mo: mDHobs = 1.23456 * 0.001 m.
  const int at = FindLine(out.report, "               A                B    1.00000", true);
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at].substr(44, 8), " 0.00123");
  EXPECT_LT(std::fabs(run.AdjustedHeight(1) - 200.0), 1e-10);  // A stayed fixed
}

TEST(Robust, NineIterationsNoHeightsAndEmptyHeightsFile) {
  AdjustmentRun run;
  auto legs = TenLegs();
  legs[4].dh += 0.05;  // a gross error on E-F
  FillRun(run, legs, TwoBenchmarks());
  run.options = Options(2, 1);  // the full analysis is not available with robust estimation
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  EXPECT_TRUE(out.heightsBytes.empty());
  EXPECT_EQ(FindLine(out.report, " WYSOKOŚCI WYRÓWNANE I BŁĘDY ŚREDNIE dla Mo = ", true), -1);
  const int at = FindLine(out.report, " CHARAKTERYSTYCZNE BŁĘDY ŚREDNIE WYSOKOŚCI:");
  ASSERT_GT(at, 0);
  EXPECT_EQ(out.report[at + 1], "   - przeciętnie mH     =  0.00000 m");
  EXPECT_EQ(out.report[at + 2], "   - maksymalnie mHmax  =  0.00000 m  dla punktu: ");
  EXPECT_GE(FindLine(out.report, " Opcja uproszczona analizy dokładności:"), 0);
  EXPECT_EQ(orvane::FromCp1250(out.host.monitor[13]), " Przeciętny mH    = 0 m");
  EXPECT_EQ(out.host.monitor[14], " Maksymalny mHmax = 0 m");
  // The gross error is the largest residual and is down-weighted.
  const int largest = FindLine(out.report, "         dla odcinka: ", true);
  EXPECT_EQ(out.report[largest], "         dla odcinka: F E");  // turned: F has the lower row
  for (int k = 1; k <= run.ObservationCount(); ++k)
    if (k != 5) {
      EXPECT_LT(run.robustFactor[5], run.robustFactor[k]) << k;
    }
  for (int k = 1; k <= run.ObservationCount(); ++k) EXPECT_TRUE(std::isfinite(run.robustFactor[k]));
}

// Robust estimation redone here with dense algebra: benchmarks error-free (eliminated), free
// points solved anew in every iteration from the weights p * f of the previous factors, the
// factors from the misclosures against the previous heights and the previous scale s.
struct RobustOracle {
  std::vector<double> pvv, mo, factorSum;  // by iteration 1..9 (index 0 unused)
  std::vector<double> factor;              // the last iteration's, by leg
  std::map<std::string, double> height;
};

RobustOracle DenseRobust(const std::vector<Leg>& legs, const std::vector<Bench>& benches) {
  RobustOracle o;
  o.pvv.assign(10, 0);
  o.mo.assign(10, 0);
  o.factorSum.assign(10, 0);
  const testing::DenseNetwork net(legs, benches);
  const int n = net.UnknownCount();
  const int m = static_cast<int>(legs.size());
  const int lu = m - n;
  o.height = net.known;
  for (const auto& nr : net.unknown) o.height[nr] = benches[0].height;
  std::vector<double> p(m), f(m, 1.0);
  for (int k = 0; k < m; ++k) p[k] = 1.0 / (legs[k].meanError * legs[k].meanError);
  double s = 1.0;
  for (int t = 1; t <= 9; ++t) {
    std::vector<double> w(m), l(m), next = f;
    double pll = 0;
    for (int k = 0; k < m; ++k) {
      const Leg& leg = legs[k];
      w[k] = t >= 4 ? p[k] * f[k] : p[k];
      l[k] = o.height[leg.to] - o.height[leg.from] - leg.dh;
      pll += w[k] * l[k] * l[k];
      if (t >= 3) {
        next[k] = 1.0 / std::sqrt(1.0 + 0.1111 * w[k] * l[k] * l[k] / (s * s));
        o.factorSum[t] += next[k];
      }
    }
    std::vector<std::vector<long double>> a;
    std::vector<long double> rhs;
    net.Normals(std::vector<long double>(w.begin(), w.end()), a, rhs);
    const auto x = testing::DenseSolve(a, rhs);
    for (int i = 0; i < n; ++i) o.height[net.unknown[i]] = x[i];
    for (int k = 0; k < m; ++k) {
      const double v = o.height[legs[k].to] - o.height[legs[k].from] - legs[k].dh;
      o.pvv[t] += w[k] * v * v;
    }
    const double divisor = t <= 3 ? lu + 0.0001 : o.factorSum[t] + 0.0001;
    o.mo[t] = std::sqrt(o.pvv[t] / divisor);
    s = std::sqrt(pll / divisor);
    f = next;
  }
  o.factor = f;
  return o;
}

TEST(Robust, EveryIterationAgreesWithADenseReweightedAdjustment) {
  // Eight points, two error-free benchmarks, misclosures of a millimetre or so and a gross error
  // of 15 mm on P4-P5.
  std::vector<Leg> legs = {{"RP1", "P1", 1.2341, 0.0010}, {"P1", "P2", 0.8763, 0.0012}, {"P2", "P3", -0.4312, 0.0009},
                           {"P3", "RP2", 2.1507, 0.0011}, {"RP2", "P4", -1.0021, 0.0010}, {"P4", "P5", -0.7766, 0.0013},
                           {"P5", "RP1", -2.0503, 0.0012}, {"P1", "P5", 0.8159, 0.0014}, {"P2", "P4", 0.7171, 0.0010},
                           {"P6", "P3", 0.3329, 0.0008}, {"P6", "P2", 0.7628, 0.0011}, {"P4", "P6", -1.4805, 0.0012}};
  legs[5].dh += 0.015;
  const std::vector<Bench> benches = {{"RP1", 150.0}, {"RP2", 153.8291}};
  const RobustOracle oracle = DenseRobust(legs, benches);
  AdjustmentRun run;
  FillRun(run, legs, benches);
  run.options = Options(2, 2, 5, false);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);

  // The protocol: [pvv] and Mo of every iteration, the sum of the factors from iteration 4 on.
  for (int t = 1; t <= 9; ++t) {
    int at = FindLine(out.report, " ITER = " + std::to_string(t) + " ", true);
    ASSERT_GT(at, 0) << t;
    if (t > 3) {
      const std::string label = " SUMA WAG = ";
      ASSERT_EQ(out.report[at + 1].rfind(label, 0), 0u) << t;
      EXPECT_NEAR(ScientificAfter(out.report[at + 1], label), oracle.factorSum[t], 1e-9 * oracle.factorSum[t]) << t;
      ++at;
    }
    const std::string& line = out.report[at + 1];
    ASSERT_EQ(line.size(), 8u + 13 + 22 + 11) << line;
    EXPECT_NEAR(std::strtod(line.substr(8, 13).c_str(), nullptr), oracle.pvv[t], 0.000005 + 1e-9 * oracle.pvv[t]) << t;
    EXPECT_NEAR(std::strtod(line.substr(43).c_str(), nullptr), oracle.mo[t], 0.000005 + 1e-9) << t;
  }
  // The down-weighting takes effect (the gross error gets the smallest factor), so a wrong weight
  // or scale in the factors would show.
  EXPECT_LT(oracle.factor[5], 0.8);
  for (int k = 0; k < static_cast<int>(legs.size()); ++k)
    if (k != 5) {
      EXPECT_LT(oracle.factor[5], oracle.factor[k]) << k;
    }

  // The factors of the last iteration and their sum, the empirical Mo (truncated) that the
  // listing uses, and the adjusted height differences.
  for (int k = 1; k <= run.ObservationCount(); ++k)
    EXPECT_NEAR(run.robustFactor[k], oracle.factor[k - 1], 1e-9) << k;
  EXPECT_NEAR(run.factorSum, oracle.factorSum[9], 1e-9 * oracle.factorSum[9]);
  EXPECT_NEAR(run.finalMo, orvane::TruncateTo5Decimals(oracle.mo[9]), 1.5e-5);
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const auto& o = run.obs[k];
    const double adjusted = run.pointHeight[o.To] - run.pointHeight[o.From];
    const double expected = oracle.height.at(run.pointNr[o.To]) - oracle.height.at(run.pointNr[o.From]);
    EXPECT_NEAR(adjusted, expected, 1e-9) << k;
  }
}

TEST(Robust, WithoutRedundancyTheScaleIsOneAndTheRunEnds) {
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 1.0, 0.001}, {"B", "C", 2.0, 0.001}}, {{"A", 50.0}});
  run.options = Options(2);
  PhaseOutput out;
  RunLaterPhases(run, out);
  ASSERT_EQ(out.outcome, orvane::RunOutcome::Finished);
  EXPECT_EQ(CountPrefix(out.report, " ITER = "), 9);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_TRUE(std::isfinite(run.robustFactor[k]));
    EXPECT_GT(run.robustFactor[k], 0.0);
  }
  EXPECT_TRUE(std::isfinite(run.factorSum));
}

TEST(Robust, WeightFunction) {
  // f = (1 + 0.1111 p l^2 / s^2)^(-1/2); the constant is 0.1111, not 1/9.
  // By hand: p = 1, l = 3, s = 1 gives 0.1111 * 9 = 0.9999, f = 1 / sqrt(1.9999) = 0.70712446
  // (with 1/9 it would be 1 / sqrt(2) = 0.70710678).
  EXPECT_NEAR(RobustWeightFactor(1.0, 3.0, 1.0), 0.70712446, 1e-8);
  // p = 1e6, l = 0.003, s = 3: 0.1111 * 1e6 * 9e-6 / 9 = 0.1111, f = 1 / sqrt(1.1111) = 0.94868804.
  EXPECT_NEAR(RobustWeightFactor(1e6, 0.003, 3.0), 0.94868804, 1e-8);
  EXPECT_DOUBLE_EQ(RobustWeightFactor(4.0, 0.0, 2.0), 1.0);
  // A scale of exactly 0 (all misclosures exactly 0): nothing is down-weighted.
  EXPECT_EQ(RobustWeightFactor(1e6, 0.0, 0.0), 1.0);
  EXPECT_EQ(RobustWeightFactor(1e6, 0.001, 0.0), 1.0);
}

TEST(NumericFailure, AbsurdValuesStopTheRunWithAMessage) {
  AdjustmentRun run;
  FillRun(run, {{"A", "B", 1e300, 0.001}, {"B", "C", 1.0, 0.001}, {"C", "A", 1.0, 0.001}}, {{"A", 0.0}});
  run.options = Options(1);
  PhaseOutput out;
  RunLaterPhases(run, out);
  EXPECT_EQ(out.outcome, orvane::RunOutcome::Stopped);
  const std::string text = " *** BŁĄD NUMERYCZNY OBLICZEŃ - wartości spoza zakresu, sprawdź dane wejściowe";
  ASSERT_EQ(out.host.Informations().size(), 1u);
  EXPECT_EQ(orvane::FromCp1250(out.host.Informations()[0]), text);
  EXPECT_EQ(out.report.back(), text);
  EXPECT_TRUE(out.heightsBytes.empty());
}

}  // namespace
}  // namespace kvel
