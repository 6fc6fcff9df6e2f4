// Reading deltah and deltah1: end records, weights, warnings, the listing and its widths.
#include <gtest/gtest.h>

#include <algorithm>

#include "leveling/observation_files.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

const std::string kListingHeader = "           Nr(i)            Nr(j)      DH(i,j)     M(DH)        [r]     Lp";

// The lines after " Liczba obserwacji = ..." up to the end of the report.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first) {
  const auto at = std::find(lines.begin(), lines.end(), first);
  return at == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(at, lines.end());
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ObservationFiles, UnitMeanErrorFromTheEndRecordScalesTheWeights) {
  PhaseRun p;
  p.folder.Write("deltah", "20065 20066 0.7056 1\n0 0 0.001 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_EQ(p.run.ObservationCount(), 1);
  EXPECT_DOUBLE_EQ(p.run.obs[1].Weight, 1.0 / ((1 + 1e-10) * (1e-6 + 1e-10)));
  EXPECT_DOUBLE_EQ(p.run.obs[1].DH, 0.7056);
  EXPECT_DOUBLE_EQ(p.run.fileUnitError[0], 0.001);
  EXPECT_DOUBLE_EQ(p.run.unitMeanError, 0.001);
  EXPECT_EQ(p.run.firstFileObsCount, 1);
  const auto lines = p.ReportLines();
  EXPECT_EQ(LinesFrom(lines, " Błąd średni na jednostkę pomiaru (a-priori) =    0.00100"),
            (std::vector<std::string>{" Błąd średni na jednostkę pomiaru (a-priori) =    0.00100",
                                      " Liczba obserwacji = 1", kListingHeader,
                                      "           20065            20066       0.7056    0.0010       1.00      1", " "}));
  EXPECT_EQ(p.host.MonitorUtf8(0), " PARAMETRY CAŁKOWITOLICZBOWE SIECI:");
  EXPECT_EQ(p.host.MonitorUtf8(1), " Zidentyfikowana liczba różnic wysokości = 1");
  EXPECT_EQ(p.run.monitorLine, 0);
  EXPECT_TRUE(p.host.Boxes().empty());
}

TEST(ObservationFiles, FourZerosMakeTheParametersSquaredMeanErrors) {
  PhaseRun p;
  p.folder.Write("deltah", "A B -0.1234 4e-6\n0 0 0 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_DOUBLE_EQ(p.run.obs[1].Weight, 1.0 / (4e-6 + 1e-10));
  EXPECT_EQ(p.run.fileUnitError[0], -1);
  const auto lines = p.ReportLines();
  EXPECT_EQ(LinesFrom(lines, " Liczba obserwacji = 1"),
            (std::vector<std::string>{" Liczba obserwacji = 1", kListingHeader,
                                      "               A                B      -0.1234    0.0020       4.00      1", " "}));
  // No a-priori unit mean error line: the file gives none.
  for (const auto& line : lines) EXPECT_EQ(line.find("a-priori) ="), std::string::npos) << line;
}

TEST(ObservationFiles, ThreeFieldEndRecordIsSkippedAndTheWarningGiven) {
  PhaseRun p;
  p.folder.Write("deltah", "A B 1.0 2\n0 0 0.001\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 1);
  EXPECT_EQ(p.run.fileUnitError[0], -1);  // Mo = 0 taken
  EXPECT_DOUBLE_EQ(p.run.obs[1].Weight, 1.0 / (2 + 1e-10));
  EXPECT_EQ(p.host.Boxes(), std::vector<std::string>{"information:  ** UWAGA: BRAK REKORDU KOŃCOWEGO W PLIKU OBSERWACYJNYM\n"
                                                     "           PRZYJĘTO DOMYŚLNIE:  0 0 0 0"});
  const auto lines = p.ReportLines();
  EXPECT_EQ(lines.front(), " ** UWAGA: BRAK REKORDU KOŃCOWEGO W PLIKU OBSERWACYJNYM");
  EXPECT_TRUE(Contains(lines, "               A                B       1.0000    1.4142 2000000.00      1"));
}

TEST(ObservationFiles, EmptyFileGivesTheWarningAndNoObservation) {
  PhaseRun p;
  p.folder.Write("deltah", "");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 0);
  EXPECT_EQ(p.host.Boxes().size(), 1u);
}

TEST(ObservationFiles, FirstPointNamedZeroIsTheEndRecordAndNothingAfterItIsRead) {
  PhaseRun p;
  p.folder.Write("deltah", "A B 1.0 1\n0 B 0.002 7\nC C 1.0 0\nrubbish x y z\nD E abc 1\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 1);
  EXPECT_DOUBLE_EQ(p.run.fileUnitError[0], 0.002);
  EXPECT_TRUE(p.host.Boxes().empty());
}

TEST(ObservationFiles, ShortAndEmptyLinesAreSkippedAndSeparatorsMix) {
  PhaseRun p;
  p.folder.WriteBytes("deltah", "\r\n   \r\nA B 1.0\r\n,,A;B\t 1.5 ,2 trailing words\nC,D,-0.25,1\r\n0 0 0.001 0\r\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  ASSERT_EQ(p.run.ObservationCount(), 2);
  EXPECT_EQ(p.run.obs[1].FromNr, "A");
  EXPECT_EQ(p.run.obs[1].ToNr, "B");
  EXPECT_DOUBLE_EQ(p.run.obs[1].DH, 1.5);
  EXPECT_DOUBLE_EQ(p.run.obs[2].DH, -0.25);
}

TEST(ObservationFiles, CtrlZEndsTheFile) {
  PhaseRun p;
  p.folder.WriteBytes("deltah", "A B 1.0 1\r\n0 0 0.001 0\x1a\r\nC D bad 1\r\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 1);
  EXPECT_DOUBLE_EQ(p.run.fileUnitError[0], 0.001);
}

TEST(ObservationFiles, PointNumbersAreCutTo16BytesAndKeepTheirCase) {
  PhaseRun p;
  // Windows-1250 bytes: the letters with diacritics are single bytes.
  p.folder.Write("deltah", "ABCDEFGHIJKLMNOPQ rp1 1.0 1\nŁÓDŹ-ŻYWIEC-12345678 RP1 2.0 1\n0 0 0.001 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.obs[1].FromNr, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(p.run.obs[1].ToNr, "rp1");
  EXPECT_EQ(p.run.obs[2].FromNr, orvane::ToCp1250("ŁÓDŹ-ŻYWIEC-1234"));
  EXPECT_EQ(p.run.obs[2].ToNr, "RP1");
}

TEST(ObservationFiles, SecondFileOnlyUsesItsOwnUnitMeanError) {
  PhaseRun p;
  p.folder.Write("deltah1", "A B 1.0 3\n0 0 0.002 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.firstFileObsCount, 0);
  EXPECT_EQ(p.run.fileUnitError[0], 0);
  EXPECT_DOUBLE_EQ(p.run.fileUnitError[1], 0.002);
  const auto lines = p.ReportLines();
  EXPECT_EQ(LinesFrom(lines, "     jako umownej liczby ekwiwalentnej ]"),
            (std::vector<std::string>{"     jako umownej liczby ekwiwalentnej ]", " ", " Liczba obserwacji = 1", kListingHeader,
                                      "               A                B       1.0000    0.0035       3.00      1", " "}));
}

TEST(ObservationFiles, BothFilesInOrderEachWithItsUnit) {
  PhaseRun p;
  p.folder.Write("deltah", "A B 1.0 1\n0 0 0.001 0\n");
  p.folder.Write("deltah1", "B C 2.0 4e-6\n0 0 0 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 2);
  EXPECT_EQ(p.run.firstFileObsCount, 1);
  EXPECT_EQ(p.run.obs[2].FromNr, "B");
  const auto lines = p.ReportLines();
  EXPECT_TRUE(Contains(lines, "               A                B       1.0000    0.0010       1.00      1"));
  EXPECT_TRUE(Contains(lines, "               B                C       2.0000    0.0020       4.00      2"));
}

TEST(ObservationFiles, NoFileAtAllListsNothing) {
  PhaseRun p;
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_TRUE(p.host.Boxes().empty());
  const auto lines = p.ReportLines();
  EXPECT_EQ(LinesFrom(lines, " Liczba obserwacji = 0"),
            (std::vector<std::string>{" Liczba obserwacji = 0", kListingHeader, " "}));
  EXPECT_EQ(p.host.MonitorUtf8(1), " Zidentyfikowana liczba różnic wysokości = 0");
}

struct DecimalsCase {
  int decimals;
  std::string row;
};

void PrintTo(const DecimalsCase& c, std::ostream* os) { *os << "Decimals " << c.decimals; }

class ListingDecimals : public ::testing::TestWithParam<DecimalsCase> {};

TEST_P(ListingDecimals, RowFollowsThePrecision) {
  AdjustmentOptions options;
  options.Decimals = GetParam().decimals;
  PhaseRun p(options);
  p.folder.Write("deltah", "20065 20066 0.7056 1\n0 0 0.001 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_TRUE(Contains(p.ReportLines(), GetParam().row)) << GetParam().row;
}

INSTANTIATE_TEST_SUITE_P(
    All, ListingDecimals,
    ::testing::Values(DecimalsCase{3, "           20065            20066        0.706     0.001       1.00      1"},
                      DecimalsCase{4, "           20065            20066       0.7056    0.0010       1.00      1"},
                      DecimalsCase{5, "           20065            20066      0.70560   0.00100       1.00      1"}));

std::string ManyObservations(int count) {
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * 20);
  for (int k = 0; k < count; ++k)
    text += "P" + std::to_string(k % 1000) + " Q" + std::to_string(k % 997) + " 0.1 1\n";
  return text;
}

TEST(ObservationFiles, ExactlyFortyThousandAcrossBothFilesAreAccepted) {
  PhaseRun p;
  p.folder.Write("deltah", ManyObservations(25000) + "0 0 0.001 0\n");
  p.folder.Write("deltah1", ManyObservations(15000) + "0 0 0.001 0\n");
  ASSERT_TRUE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.ObservationCount(), 40000);
}

TEST(ObservationFiles, TheFortyThousandFirstStopsTheRun) {
  PhaseRun p;
  p.folder.Write("deltah", ManyObservations(25000) + "0 0 0.001 0\n");
  p.folder.Write("deltah1", ManyObservations(15001) + "0 0 0.001 0\n");
  EXPECT_FALSE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.host.Boxes(), std::vector<std::string>{"information:  *** LICZBA RÓŻNIC WYSOKOŚCI > 40000"});
  EXPECT_EQ(p.ReportLines(), std::vector<std::string>{" *** LICZBA RÓŻNIC WYSOKOŚCI > 40000"});
}

TEST(ObservationFiles, HugeLinesAndGarbageBytesDoNotBreakTheReading) {
  PhaseRun p;
  std::string bytes = std::string(3'000'000, 'x') + "\r\n";  // one enormous field
  bytes += std::string("A\0B 2.0 1\r\n", 11);                 // NUL separates fields
  bytes += "\xff\xfe\x81\x8d A B 1.0 1\r\n";                   // odd bytes; "B" is no number
  bytes += "0 0 0.001 0\r\n";
  p.folder.WriteBytes("deltah", bytes);
  EXPECT_FALSE(ReadObservationFiles(p.run));
  EXPECT_EQ(p.run.obs[1].FromNr, "A");
  EXPECT_EQ(p.run.obs[1].ToNr, "B");
  ASSERT_EQ(p.host.Boxes().size(), 1u);
  EXPECT_EQ(p.host.calls[0].text, "*** B\xa3\xa5" "D W REKORDZIE: " + std::string("\xff\xfe\x81\x8d A B 1.0 1 (plik deltah, wiersz 3)"));
}

}  // namespace
}  // namespace kvel::testing
