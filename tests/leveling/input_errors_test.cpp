// Every error of the reading phases stops the run the same way: its report line (the report ends
// with it), its box, the common exit with " KONIEC WYRÓWNANIA ", an empty h.osn, and the outcome
// Stopped.
#include "support/unreadable_file.h"

#include <gtest/gtest.h>

#include <map>

#include "run_support.h"

namespace kvel::testing {
namespace {

using orvane::RunOutcome;

const char* const kGoodDeltah = "R1 A 1.0 1\nA B 0.5 1\nB R1 -1.5 1\n0 0 0.001 0\n";
const char* const kGoodHsta = "R1 100.0\n";

struct StopCase {
  const char* name;
  std::map<std::string, std::string> files;  // name -> UTF-8 content; "" removes the file
  std::vector<std::string> reportTail;       // last lines of the report
  std::vector<std::string> boxes;            // every box of the run, the closing one included
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

const StopCase kStopCases[] = {
    {"BadHeightDifference",
     {{"deltah", "R1 A abc 1\n0 0 0.001 0\n"}},
     {"*** BŁĄD W REKORDZIE: R1 A abc 1 (plik deltah, wiersz 1)"},
     {"message: *** BŁĄD W REKORDZIE: R1 A abc 1 (plik deltah, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"InfinityIsABadNumber",
     {{"deltah", "R1 A 1.0 inf\n"}},
     {"*** BŁĄD W REKORDZIE: R1 A 1.0 inf (plik deltah, wiersz 1)"},
     {"message: *** BŁĄD W REKORDZIE: R1 A 1.0 inf (plik deltah, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"NanIsABadNumber",
     {{"deltah", "R1 A nan 1\n"}},
     {"*** BŁĄD W REKORDZIE: R1 A nan 1 (plik deltah, wiersz 1)"},
     {"message: *** BŁĄD W REKORDZIE: R1 A nan 1 (plik deltah, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"OverflowIsABadNumber",
     {{"deltah", "R1 A 1.0 1e999\n"}},
     {"*** BŁĄD W REKORDZIE: R1 A 1.0 1e999 (plik deltah, wiersz 1)"},
     {"message: *** BŁĄD W REKORDZIE: R1 A 1.0 1e999 (plik deltah, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"BadEndRecord",
     {{"deltah", "R1 A 1.0 1\n0 0 x 0\n"}},
     {"*** BŁĄD W REKORDZIE: 0 0 x 0 (plik deltah, wiersz 2)"},
     {"message: *** BŁĄD W REKORDZIE: 0 0 x 0 (plik deltah, wiersz 2)", "information:  KONIEC WYRÓWNANIA "}},
    {"BadRecordInTheSecondFile",
     {{"deltah1", "A B 1.0 1\nB C 1.0 1 x\nC D 1.0 ?\n"}},
     {"*** BŁĄD W REKORDZIE: C D 1.0 ? (plik deltah1, wiersz 3)"},
     {"message: *** BŁĄD W REKORDZIE: C D 1.0 ? (plik deltah1, wiersz 3)", "information:  KONIEC WYRÓWNANIA "}},
    {"SamePointAtBothEnds",
     {{"deltah", "R1 A 1.0 1\nA A 0.0 1\n"}},
     {" *** W PLANIE OBSERWACJI PARA NUMERÓW:A A (plik deltah, wiersz 2)"},
     {"information:  *** powtórzenie numeru A w planie obserwacji", "information:  KONIEC WYRÓWNANIA "}},
    {"NumbersEqualInTheirFirst16Characters",
     {{"deltah", "ABCDEFGHIJKLMNOPQ ABCDEFGHIJKLMNOPR 1.0 1\n"}},
     {" *** W PLANIE OBSERWACJI PARA NUMERÓW:ABCDEFGHIJKLMNOP ABCDEFGHIJKLMNOP (plik deltah, wiersz 1)"},
     {"information:  *** powtórzenie numeru ABCDEFGHIJKLMNOP w planie obserwacji",
      "information:  KONIEC WYRÓWNANIA "}},
    {"ZeroAccuracyParameter",
     {{"deltah", "R1 A 1.0 0.0\n"}},
     {" *** NIEDOPUSZCZALNE ZERO NA OSTATNIEJ POZYCJI W REKORDZIE: R1 A 1.0 0.0 (plik deltah, wiersz 1)"},
     {"information:  *** NIEDOPUSZCZALNE ZERO NA OSTATNIEJ POZYCJI W REKORDZIE: R1 A 1.0 0.0 (plik deltah, wiersz 1)",
      "information:  KONIEC WYRÓWNANIA "}},
    {"NegativeAccuracyParameter",
     {{"deltah", "R1 A 1.0 1\nA R1 -1.0 -2.5\n0 0 0.001 0\n"}},
     {" *** NIEDOPUSZCZALNA WARTOŚĆ UJEMNA NA OSTATNIEJ POZYCJI W REKORDZIE: A R1 -1.0 -2.5 (plik deltah, wiersz 2)"},
     {"information:  *** NIEDOPUSZCZALNA WARTOŚĆ UJEMNA NA OSTATNIEJ POZYCJI W REKORDZIE: A R1 -1.0 -2.5 (plik deltah, wiersz 2)",
      "information:  KONIEC WYRÓWNANIA "}},
    {"NegativeUnitMeanError",
     {{"deltah", "R1 A 1.0 1\n0 0 -0.001 0\n"}},
     {" *** UJEMNY BŁĄD ŚREDNI JEDNOSTKOWY W REKORDZIE KOŃCOWYM: 0 0 -0.001 0 (plik deltah, wiersz 2)"},
     {"information:  *** UJEMNY BŁĄD ŚREDNI JEDNOSTKOWY W REKORDZIE KOŃCOWYM: 0 0 -0.001 0 (plik deltah, wiersz 2)",
      "information:  KONIEC WYRÓWNANIA "}},
    {"UnitMeanErrorWhoseSquareOverflowsLeavesNoWeight",
     {{"deltah", "R1 A 1.0 1\n0 0 1e200 0\n"}},
     {" *** NIEDOPUSZCZALNA WAGA OBSERWACJI: R1 A"},
     {"information:  *** NIEDOPUSZCZALNA WAGA OBSERWACJI: R1 A", "information:  KONIEC WYRÓWNANIA "}},
    {"UnitMeanErrorSoSmallThatTheEquivalentNumberOverflows",
     {{"deltah", "R1 A 1.0 1\n0 0 1e-300 0\n"}},
     {" *** NIEDOPUSZCZALNA WAGA OBSERWACJI: R1 A"},
     {"information:  *** NIEDOPUSZCZALNA WAGA OBSERWACJI: R1 A", "information:  KONIEC WYRÓWNANIA "}},
    {"ParameterSoLargeThatTheEquivalentNumberOverflows",
     {{"deltah", "R1 A 1.0 1\nA R1 -1.0 1.7976931348623157e308\n0 0 0.001 0\n"}},
     {" *** NIEDOPUSZCZALNA WAGA OBSERWACJI: A R1"},
     {"information:  *** NIEDOPUSZCZALNA WAGA OBSERWACJI: A R1", "information:  KONIEC WYRÓWNANIA "}},
    {"NoBenchmarkFile",
     {{"h.sta", ""}},
     {"*** BRAK PLIKU Z PUNKTAMI NAWIĄZANIA"},
     {"information: *** BRAK PLIKU Z PUNKTAMI NAWIĄZANIA", "information:  KONIEC WYRÓWNANIA "}},
    {"BadBenchmarkRecord",
     {{"h.sta", "R1 100.0\nR2 1OO.5\n"}},
     {"*** Błąd w rekordzie: R2 1OO.5 (plik h.sta, wiersz 2)"},
     {"message: *** Błąd w rekordzie: R2 1OO.5 (plik h.sta, wiersz 2)", "information:  KONIEC WYRÓWNANIA "}},
    {"BenchmarkHeightOverflows",
     {{"h.sta", "R1 1e999\n"}},
     {"*** Błąd w rekordzie: R1 1e999 (plik h.sta, wiersz 1)"},
     {"message: *** Błąd w rekordzie: R1 1e999 (plik h.sta, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"XyhStaCoordinateIsNan",
     {{"h.sta", ""}, {"xyh.sta", "R1 5500000.00 NaN 100.0\n"}},
     {"*** Błąd w rekordzie: R1 5500000.00 NaN 100.0 (plik xyh.sta, wiersz 1)"},
     {"message: *** Błąd w rekordzie: R1 5500000.00 NaN 100.0 (plik xyh.sta, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"BadGroupEndRecord",
     {{"h.sta", "R1 100.0\n0 0.0o2\n"}},
     {"*** Błąd w rekordzie: 0 0.0o2 (plik h.sta, wiersz 2)"},
     {"message: *** Błąd w rekordzie: 0 0.0o2 (plik h.sta, wiersz 2)", "information:  KONIEC WYRÓWNANIA "}},
    {"TwoFieldRecordInXyhSta",
     {{"h.sta", ""}, {"xyh.sta", "R1 100.0\n"}},
     {"*** Błąd w rekordzie: R1 100.0 (plik xyh.sta, wiersz 1)"},
     {"message: *** Błąd w rekordzie: R1 100.0 (plik xyh.sta, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"OnlyGroupEndRecords",
     {{"h.sta", "0 0\n0 0.002\nR9 -1\n"}},
     {"           Nr(i)          H(i)     m(H)      lp", " ", "  Liczba danych punktów nawiązania = 0",
      "*** BRAK PUNKTÓW NAWIĄZANIA"},
     {"information:  *** BRAK PUNKTÓW NAWIĄZANIA ", "information:  KONIEC WYRÓWNANIA "}},
    {"EmptyBenchmarkFile",
     {{"h.sta", "\n"}},
     {"  Liczba danych punktów nawiązania = 0", "*** BRAK PUNKTÓW NAWIĄZANIA"},
     {"information:  *** BRAK PUNKTÓW NAWIĄZANIA ", "information:  KONIEC WYRÓWNANIA "}},
    {"NoObservationReachesABenchmark",
     {{"h.sta", "X9 100.0\n"}},
     {"  Liczba zidentyfikowanych punktów sieci LP =3", "    w tym liczba punktów nawiązania      LS =0",
      " *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA"},
     {"information: *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA", "information:  KONIEC WYRÓWNANIA "}},
    {"LetterCaseMatters",
     {{"h.sta", "r1 100.0\n"}},
     {" *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA"},
     {"information: *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA", "information:  KONIEC WYRÓWNANIA "}},
    // Heights and height differences beyond 100 km are no survey values (1e15 m was adjusted).
    {"HeightDifferenceBeyondAHundredKilometres",
     {{"deltah", "R1 A 100000.001 1\n0 0 0.001 0\n"}},
     {"*** BŁĄD W REKORDZIE: R1 A 100000.001 1 (plik deltah, wiersz 1)"},
     {"message: *** BŁĄD W REKORDZIE: R1 A 100000.001 1 (plik deltah, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"BenchmarkHeightOfAPetametre",
     {{"h.sta", "R1 1e15\n"}},
     {"*** Błąd w rekordzie: R1 1e15 (plik h.sta, wiersz 1)"},
     {"message: *** Błąd w rekordzie: R1 1e15 (plik h.sta, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"BenchmarkDepthBeyondAHundredKilometres",
     {{"h.sta", "R1 100.0\nR2 -100000.5\n"}},
     {"*** Błąd w rekordzie: R2 -100000.5 (plik h.sta, wiersz 2)"},
     {"message: *** Błąd w rekordzie: R2 -100000.5 (plik h.sta, wiersz 2)", "information:  KONIEC WYRÓWNANIA "}},
    {"XyhStaHeightBeyondAHundredKilometres",
     {{"h.sta", ""}, {"xyh.sta", "R1 5500000.00 7400000.00 210000.0\n"}},
     {"*** Błąd w rekordzie: R1 5500000.00 7400000.00 210000.0 (plik xyh.sta, wiersz 1)"},
     {"message: *** Błąd w rekordzie: R1 5500000.00 7400000.00 210000.0 (plik xyh.sta, wiersz 1)", "information:  KONIEC WYRÓWNANIA "}},
    {"NoObservationFileAtAll",
     {{"deltah", ""}},
     {"  Liczba zidentyfikowanych punktów sieci LP =0", "    w tym liczba punktów nawiązania      LS =0",
      " *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA"},
     {"information: *** BRAK ZWIĄZKU OBSERWACJI Z PUNKTAMI NAWIĄZANIA", "information:  KONIEC WYRÓWNANIA "}},
};

class ReadingStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(ReadingStops, StopsThroughTheCommonExit) {
  const StopCase& c = GetParam();
  ScratchFolder folder;
  folder.Write("deltah", kGoodDeltah);
  folder.Write("h.sta", kGoodHsta);
  for (const auto& [name, content] : c.files) {
    if (content.empty())
      folder.Remove(name);
    else
      folder.Write(name, content);
  }
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  EXPECT_EQ(run.host.Boxes(), c.boxes);
  EXPECT_EQ(run.heights, "");
  const auto lines = SplitReportLines(run.report);
  ASSERT_GE(lines.size(), c.reportTail.size());
  const std::vector<std::string> tail(lines.end() - static_cast<std::ptrdiff_t>(c.reportTail.size()), lines.end());
  EXPECT_EQ(tail, c.reportTail);
  EXPECT_EQ(run.report.substr(run.report.size() - 2), "\r\n");
  EXPECT_FALSE(run.host.editHintShown);
}

INSTANTIATE_TEST_SUITE_P(All, ReadingStops, ::testing::ValuesIn(kStopCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An observation file that is there but cannot be read stops the run: passed over as missing,
// the network would be adjusted from deltah1 alone and the run called finished.
TEST(ReadingStops, ObservationFileThatCannotBeReadStopsTheRun) {
  ScratchFolder folder;
  folder.Write("deltah1", kGoodDeltah);
  folder.Write("h.sta", kGoodHsta);
  const orvane::testing::UnreadableFile unreadable(folder.File("deltah"));
  ASSERT_TRUE(unreadable.Made());
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  const std::string text = " *** NIE MOŻNA ODCZYTAĆ PLIKU: " + folder.File("deltah");
  EXPECT_EQ(run.host.Boxes(), (std::vector<std::string>{"information: " + text, "information:  KONIEC WYRÓWNANIA "}));
  ASSERT_FALSE(SplitReportLines(run.report).empty());
  EXPECT_EQ(SplitReportLines(run.report).back(), text);
}

// So does a benchmark file that cannot be read: it is there, and "no benchmark file" would
// send the user looking for the wrong fault.
TEST(ReadingStops, BenchmarkFileThatCannotBeReadStopsTheRunWithItsPath) {
  ScratchFolder folder;
  folder.Write("deltah", kGoodDeltah);
  const orvane::testing::UnreadableFile unreadable(folder.File("h.sta"));
  ASSERT_TRUE(unreadable.Made());
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  const std::string text = " *** NIE MOŻNA ODCZYTAĆ PLIKU: " + folder.File("h.sta");
  EXPECT_EQ(run.host.Boxes(), (std::vector<std::string>{"information: " + text, "information:  KONIEC WYRÓWNANIA "}));
  ASSERT_FALSE(SplitReportLines(run.report).empty());
  EXPECT_EQ(SplitReportLines(run.report).back(), text);
}

// A stop while reading deltah leaves the report with the header block and the error line only.
TEST(ReadingStops, StopInTheObservationsLeavesHeaderAndErrorLine) {
  ScratchFolder folder;
  folder.Write("deltah", "R1 A 1.0 1\nA B 1.0 0\n");
  folder.Write("h.sta", kGoodHsta);
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(
      ExpectedHeader() + " *** NIEDOPUSZCZALNE ZERO NA OSTATNIEJ POZYCJI W REKORDZIE: A B 1.0 0 (plik deltah, wiersz 2)\n");
  EXPECT_EQ(MaskDate(run.report), expected);
}

// The point's neighbour limit is the one stop without a report line.
TEST(ReadingStops, TooManyNeighboursWritesNoReportLine) {
  ScratchFolder folder;
  std::string deltah;
  for (int i = 1; i <= 2001; ++i) deltah += "HUB S" + std::to_string(i) + " 1.0 1\n";
  deltah += "0 0 0.001 0\n";
  folder.Write("deltah", deltah);
  folder.Write("h.sta", "HUB 100.0\n");
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  EXPECT_EQ(run.host.Boxes(), (std::vector<std::string>{"information: *** ZBYT DUŻO (>2000) POWIĄZAŃ POJEDYNCZEGO PUNKTU",
                                                        "information:  KONIEC WYRÓWNANIA "}));
  const auto lines = SplitReportLines(run.report);
  EXPECT_EQ(lines.back(), "    w tym liczba punktów nawiązania      LS =1");
  EXPECT_EQ(run.heights, "");
}

}  // namespace
}  // namespace kvel::testing
