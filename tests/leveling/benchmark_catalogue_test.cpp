// The benchmark file, its groups and listing, the reduction to the mean, the point catalogue and
// the fixed points.
#include <gtest/gtest.h>

#include <algorithm>

#include "leveling/benchmark_catalogue.h"
#include "leveling/observation_files.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

// Runs the first two phases on the files given; the result of the benchmark phase.
bool ReadBoth(PhaseRun& p, const std::string& deltah, const std::string& benchName, const std::string& bench) {
  p.folder.Write("deltah", deltah);
  if (!benchName.empty()) p.folder.Write(benchName, bench);
  if (!ReadObservationFiles(p.run)) return false;
  return ReadBenchmarksAndCatalogue(p.run);
}

// The report lines from the benchmark listing's heading on.
std::vector<std::string> BenchmarkSection(const std::vector<std::string>& lines) {
  const auto at = std::find(lines.begin(), lines.end(), "  KONTROLNY WYKAZ WYSOKOŚCI NAWIĄZANIA  I BŁEDÓW SREDNICH");
  return at == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(at, lines.end());
}

const char* const kChain = "Rp1 A 1.0 1\nA Rp3 1.0 1\n0 0 0.001 0\n";

TEST(BenchmarkCatalogue, GroupsGiveTheirMeanErrorsAndTheLastGroupIsFixed) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "Rp1 210.1234\nRp2 215.5000\n0 0.002\nRp3 220.0000\n"));
  ASSERT_EQ(p.run.BenchRecordCount(), 3);
  EXPECT_DOUBLE_EQ(p.run.bench[1].MeanError, 0.002);
  EXPECT_DOUBLE_EQ(p.run.bench[2].MeanError, 0.002);
  EXPECT_DOUBLE_EQ(p.run.bench[3].MeanError, 0);
  EXPECT_EQ(p.run.benchWithErrorCount, 2);
  const double mean = (210.1234 + 215.5 + 220.0) / 3;
  EXPECT_DOUBLE_EQ(p.run.meanBenchHeight, mean);
  EXPECT_DOUBLE_EQ(p.run.bench[1].Height, 210.1234 - mean);
  // Catalogue Rp1, A, Rp3; Rp1 and Rp3 are the fixed points in catalogue order.
  EXPECT_EQ(p.run.pointNr, (std::vector<std::string>{"", "Rp1", "A", "Rp3"}));
  EXPECT_EQ(p.run.fixedPoint, (std::vector<int>{0, 1, 3}));
  EXPECT_DOUBLE_EQ(p.run.fixedMeanError[1], 0.002);
  EXPECT_DOUBLE_EQ(p.run.fixedMeanError[2], 0);
  EXPECT_EQ(p.run.pointFixedIndex, (std::vector<int>{0, 1, 0, 2}));
  // Starting heights: benchmarks their own, every other point that of benchmark record 1.
  EXPECT_DOUBLE_EQ(p.run.pointHeight[1], 210.1234 - mean);
  EXPECT_DOUBLE_EQ(p.run.pointHeight[2], 210.1234 - mean);
  EXPECT_DOUBLE_EQ(p.run.pointHeight[3], 220.0 - mean);

  EXPECT_EQ(BenchmarkSection(p.ReportLines()),
            (std::vector<std::string>{"  KONTROLNY WYKAZ WYSOKOŚCI NAWIĄZANIA  I BŁEDÓW SREDNICH",
                                      "           Nr(i)          H(i)     m(H)      lp",
                                      "             Rp1      210.1234   0.0020       1",
                                      "             Rp2      215.5000   0.0020       2",
                                      "             Rp3      220.0000   0.0000       3",
                                      " ",
                                      "  Liczba danych punktów nawiązania = 3",
                                      "  Liczba zidentyfikowanych punktów sieci LP =3",
                                      "    w tym liczba punktów nawiązania      LS =2"}));
  EXPECT_EQ(p.host.MonitorUtf8(2), " Liczba danych punktów stałych = 3");
  EXPECT_EQ(p.host.MonitorUtf8(3), " Liczba wszystkich punktów sieci = 3");
  EXPECT_EQ(p.host.MonitorUtf8(4), " Liczba punktów stałych  w sieci = 2");
  EXPECT_EQ(p.run.monitorLine, 4);
}

TEST(BenchmarkCatalogue, GroupEndWithAHeightInPlaceOfTheErrorIsCorrected) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "Rp1 210.1234\n0 210.5\n"));
  EXPECT_DOUBLE_EQ(p.run.bench[1].MeanError, 0);
  const auto lines = p.ReportLines();
  const auto at = std::find(lines.begin(), lines.end(), " ** ZIDENTYFIKOWANO Mh nawiazania =  2.10500000000000E+0002");
  ASSERT_NE(at, lines.end());
  ASSERT_LT(at + 2, lines.end());
  EXPECT_EQ(*(at + 1), "    możliwy błąd formalny w zbiorze: " + p.folder.File("h.sta"));
  EXPECT_EQ(*(at + 2), "    skorygowano na  Mh=0.000 (const.)");
  EXPECT_TRUE(p.host.Boxes().empty());  // a warning only
}

TEST(BenchmarkCatalogue, NegativeGroupErrorIsKeptButNotCounted) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "Rp1 210.1234\n0 -0.5\nRp3 200\n0 -1.5\n"));
  EXPECT_DOUBLE_EQ(p.run.bench[1].MeanError, -0.5);
  EXPECT_DOUBLE_EQ(p.run.bench[2].MeanError, 0);  // -1.5 is out of range: corrected to 0
  EXPECT_EQ(p.run.benchWithErrorCount, 0);
  const auto lines = p.ReportLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "             Rp1      210.1234  -0.5000       1"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), " ** ZIDENTYFIKOWANO Mh nawiazania = -1.50000000000000E+0000"),
            lines.end());
}

TEST(BenchmarkCatalogue, RecordsOfHeightMinusOneArePassedOver) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "Rp9 -1\nRp1 210.1234\n0 -1\nRp3 200\n0 0.003\n"));
  ASSERT_EQ(p.run.BenchRecordCount(), 2);
  EXPECT_EQ(p.run.bench[1].Nr, "Rp1");
  // "0 -1" is passed over too, so Rp1 and Rp3 form one group.
  EXPECT_DOUBLE_EQ(p.run.bench[1].MeanError, 0.003);
  EXPECT_DOUBLE_EQ(p.run.bench[2].MeanError, 0.003);
}

TEST(BenchmarkCatalogue, XyhStaTakesTheFourthFieldAndItsGroupEnds) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "xyh.sta", "Rp1 5500000.00 7400000.00 210.1234\n0 0 0 0\nRp3 1 2 3 comment\n0 0 0 0.004\n"));
  EXPECT_EQ(p.run.benchFilePath, p.folder.File("xyh.sta"));
  ASSERT_EQ(p.run.BenchRecordCount(), 2);
  EXPECT_DOUBLE_EQ(p.run.meanBenchHeight, (210.1234 + 3) / 2);
  EXPECT_DOUBLE_EQ(p.run.bench[1].MeanError, 0);
  EXPECT_DOUBLE_EQ(p.run.bench[2].MeanError, 0.004);
}

TEST(BenchmarkCatalogue, HStaIsPreferredToXyhSta) {
  PhaseRun p;
  p.folder.Write("xyh.sta", "Rp1 this would be a bad record\n");
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "Rp1 210.0\n"));
  EXPECT_EQ(p.run.BenchRecordCount(), 1);
}

TEST(BenchmarkCatalogue, FirstRecordOfANumberDecides) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, kChain, "h.sta", "X 100.0\nRp3 200.0\n0 0.001\nRp3 300.0\n"));
  ASSERT_EQ(p.run.BenchRecordCount(), 3);
  EXPECT_DOUBLE_EQ(p.run.meanBenchHeight, 200.0);  // every record enters the mean
  EXPECT_EQ(p.run.benchWithErrorCount, 2);
  ASSERT_EQ(p.run.FixedPointCount(), 1);
  EXPECT_EQ(p.run.fixedPoint[1], 3);
  EXPECT_DOUBLE_EQ(p.run.fixedMeanError[1], 0.001);
  EXPECT_DOUBLE_EQ(p.run.pointHeight[3], 0.0);     // the first Rp3, 200, reduced by the mean
  EXPECT_DOUBLE_EQ(p.run.pointHeight[1], -100.0);  // record 1 (X, no point of the network)
  EXPECT_DOUBLE_EQ(p.run.pointHeight[2], -100.0);
}

TEST(BenchmarkCatalogue, CatalogueIsInOrderOfFirstAppearance) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, "P1 P2 1 1\nP3 P1 1 1\nP2 P4 1 1\n0 0 0.001 0\n", "h.sta", "P4 1\n"));
  EXPECT_EQ(p.run.pointNr, (std::vector<std::string>{"", "P1", "P2", "P3", "P4"}));
  EXPECT_EQ(p.run.obs[2].From, 3);
  EXPECT_EQ(p.run.obs[2].To, 1);
  EXPECT_EQ(p.run.obs[3].From, 2);
  EXPECT_EQ(p.run.obs[3].To, 4);
}

TEST(BenchmarkCatalogue, NumbersEqualInTheirFirst16BytesAreOnePoint) {
  PhaseRun p;
  ASSERT_TRUE(ReadBoth(p, "REPER-GRANICZNY-01 X 1 1\nX REPER-GRANICZNY-02 1 1\nrp1 X 1 1\n0 0 0.001 0\n", "h.sta",
                       "REPER-GRANICZNY-99 100\n"));
  EXPECT_EQ(p.run.pointNr, (std::vector<std::string>{"", "REPER-GRANICZNY-", "X", "rp1"}));
  EXPECT_EQ(p.run.FixedPointCount(), 1);
  EXPECT_EQ(p.run.obs[2].To, 1);
}

TEST(BenchmarkCatalogue, ExactlyTwentyThousandPointsAndRecordsAreAccepted) {
  PhaseRun p;
  std::string deltah;
  for (int k = 0; k < 10000; ++k) deltah += "P" + std::to_string(k) + " Q" + std::to_string(k) + " 1 1\n";
  std::string hsta;
  for (int k = 0; k < 20000; ++k) hsta += "P" + std::to_string(k) + " 100\n";
  ASSERT_TRUE(ReadBoth(p, deltah + "0 0 0.001 0\n", "h.sta", hsta));
  EXPECT_EQ(p.run.PointCount(), 20000);
  EXPECT_EQ(p.run.BenchRecordCount(), 20000);
  EXPECT_EQ(p.run.FixedPointCount(), 10000);
}

TEST(BenchmarkCatalogue, TheTwentyThousandFirstPointStopsTheRun) {
  PhaseRun p;
  std::string deltah;
  for (int k = 0; k < 10001; ++k) deltah += "P" + std::to_string(k) + " Q" + std::to_string(k) + " 1 1\n";
  EXPECT_FALSE(ReadBoth(p, deltah + "0 0 0.001 0\n", "h.sta", "P0 100\n"));
  EXPECT_EQ(p.host.Boxes(), std::vector<std::string>{"information: *** Liczba punktów sieci > 20000"});
  EXPECT_EQ(p.ReportLines().back(), "*** LICZBA PUNKTOW SIECI > 20000");
}

TEST(BenchmarkCatalogue, TheTwentyThousandFirstRecordStopsTheRun) {
  PhaseRun p;
  std::string hsta;
  for (int k = 0; k < 20001; ++k) hsta += "R" + std::to_string(k) + " 100\n";
  EXPECT_FALSE(ReadBoth(p, kChain, "h.sta", hsta));
  EXPECT_EQ(p.host.Boxes(), std::vector<std::string>{"information:  *** LICZBA PUNKTÓW NAWIĄZANIA > 20000"});
  EXPECT_EQ(p.ReportLines().back(), " *** LICZBA DANYCH PUNKTÓW NAWIĄZANIA > 20000");
}

}  // namespace
}  // namespace kvel::testing
