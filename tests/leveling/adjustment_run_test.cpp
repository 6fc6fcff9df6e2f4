// The run as a whole: the report header, the sections of the reading and topology phases on a
// small network, the MONITOR lines, the common exit and the result files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <regex>

#include "common/platform.h"
#include "run_support.h"

namespace kvel::testing {
namespace {

using orvane::RunOutcome;

// The report of the fixture small_network up to the end of the topology checks.
std::string SmallNetworkReport() {
  std::string text = ExpectedHeader("Pracownia Geodezyjna Łęczyca", "Osnowa wysokościowa Żółkiewka", "Zlecenie 7/2026");
  text +=
      "----------------------------------------------------------------------------\n"
      "  KONTROLNY WYKAZ OBSERWACJI I CHARAKTERYSTYK DOKŁADNOŚCIOWYCH A-PRIORI\n"
      " \n"
      "  [ Objaśnienia: \n"
      "     Błąd średni m(DH) obserwacji DH wynika z informacji\n"
      "     zawartych (alternatywnie) w zbiorach danych: \n"
      "     - [L] (długość ciągu w km) i błąd średni jednostkowy (mo),\n"
      "     - [n] (ilość stanowisk) i błąd średni jednostkowy  (mo),\n"
      "     - kwadrat błędu średniego obserwacji [m^2]\n"
      "     (ostatni wariant jest typowy dla niwelacji trygonometrycznej)\n"
      "     Wielkość [r] odpowiada ilości elementarnych jednostek pomiaru,\n"
      "     równej odpowiednio: [L],[n] lub [m^2/mo^2] dla mo = 0.001,\n"
      "     jako umownej liczby ekwiwalentnej ]\n"
      " \n"
      " Błąd średni na jednostkę pomiaru (a-priori) =    0.00100\n"
      " Liczba obserwacji = 5\n"
      "           Nr(i)            Nr(j)      DH(i,j)     M(DH)        [r]     Lp\n"
      "              R1                A       1.2345    0.0012       1.50      1\n"
      "               A                B      -0.5000    0.0014       2.00      2\n"
      "               B               R1      -0.7340    0.0010       1.00      3\n"
      "               B                C       0.1000    0.0007       0.50      4\n"
      "               C                D       2.0000    0.0020       4.00      5\n"
      " \n"
      " \n"
      "----------------------------------------------------------------------------\n"
      "  KONTROLNY WYKAZ WYSOKOŚCI NAWIĄZANIA  I BŁEDÓW SREDNICH\n"
      "           Nr(i)          H(i)     m(H)      lp\n"
      "              R1      100.0000   0.0020       1\n"
      "              R2      101.0000   0.0020       2\n"
      "              R3       50.0000   0.0000       3\n"
      " \n"
      "  Liczba danych punktów nawiązania = 3\n"
      "  Liczba zidentyfikowanych punktów sieci LP =5\n"
      "    w tym liczba punktów nawiązania      LS =1\n"
      "  \n"
      "----------------------------------------------------------------------------\n"
      "  WYZNACZALNOŚCI PUNKTÓW WZGLĘDEM SĄSIEDZTWA\n"
      "     lp        NR PUNKTU   ILE PUNKTÓW INCYDENTNYCH, UWAGI\n"
      "      1               R1         2  PUNKT NAWIĄZANIA \n"
      "      2                A         2 \n"
      "      3                B         3 \n"
      "      4                C         2 \n"
      "      5                D         1 *** PUNKT BEZ KONTROLI\n"
      " \n"
      " WYKAZ PUNKTÓW BEZ KONTROLI:\n"
      " ** PUNKT                D BEZ KONTROLI\n";
  return text;
}

TEST(AdjustmentRun, SmallNetworkReportUpToTheTopologyIsExact) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(SmallNetworkReport());
  const std::string report = MaskDate(run.report);
  ASSERT_GE(report.size(), expected.size()) << orvane::FromCp1250(report);
  EXPECT_EQ(orvane::FromCp1250(report.substr(0, expected.size())), orvane::FromCp1250(expected));
  EXPECT_EQ(report.substr(0, expected.size()), expected);  // the bytes themselves: Windows-1250, CR LF
  EXPECT_EQ(run.outcome, RunOutcome::Finished);
}

TEST(AdjustmentRun, SmallNetworkMonitorAndBoxes) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.host.MonitorUtf8(0), " PARAMETRY CAŁKOWITOLICZBOWE SIECI:");
  EXPECT_EQ(run.host.MonitorUtf8(1), " Zidentyfikowana liczba różnic wysokości = 5");
  EXPECT_EQ(run.host.MonitorUtf8(2), " Liczba danych punktów stałych = 3");
  EXPECT_EQ(run.host.MonitorUtf8(3), " Liczba wszystkich punktów sieci = 5");
  EXPECT_EQ(run.host.MonitorUtf8(4), " Liczba punktów stałych  w sieci = 1");
  // The normal end: " KONIEC OBLICZEŃ" two lines below the last one written, the edit hint,
  // and the closing box as the very last call.
  bool endLine = false;
  for (const auto& call : run.host.calls)
    if (call.kind == HostCall::Monitor && orvane::FromCp1250(call.text) == " KONIEC OBLICZEŃ") endLine = true;
  EXPECT_TRUE(endLine);
  EXPECT_TRUE(run.host.editHintShown);
  ASSERT_FALSE(run.host.Boxes().empty());
  EXPECT_EQ(run.host.Boxes().back(), "information:  KONIEC WYRÓWNANIA ");
}

TEST(AdjustmentRun, HeaderWithoutTitleFile) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.Remove("tytul");
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(ExpectedHeader("   ", " ", " "));
  EXPECT_EQ(MaskDate(run.report).substr(0, expected.size()), expected);
}

TEST(AdjustmentRun, TitleFileOfTwoLinesLeavesTheOrderEmpty) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.WriteBytes("tytul", "Firma  A\nObiekt, B;\tz tabulatorem\n");  // LF only, separators kept whole
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(ExpectedHeader("Firma  A", "Obiekt, B;\tz tabulatorem", ""));
  EXPECT_EQ(MaskDate(run.report).substr(0, expected.size()), expected);
}

TEST(AdjustmentRun, TitleFileNameMatchesWithoutRegardToCase) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.Remove("tytul");
  folder.WriteBytes("TYTUL", "K\r\nO\r\nZ\r\n4\r\n5\r\n");
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(ExpectedHeader("K", "O", "Z"));
  EXPECT_EQ(MaskDate(run.report).substr(0, expected.size()), expected);
}

TEST(AdjustmentRun, TitleFileInUtf8IsShownInWindows1250) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.WriteBytes("tytul", "\xEF\xBB\xBFPracownia Geodezyjna Łęczyca\r\nOsnowa wysokościowa Żółkiewka\r\nZlecenie 7/2026\r\n");
  const FolderRun run = RunOn(folder);
  const std::string expected = ScratchFolder::ToFileBytes(
      ExpectedHeader("Pracownia Geodezyjna Łęczyca", "Osnowa wysokościowa Żółkiewka", "Zlecenie 7/2026"));
  EXPECT_EQ(MaskDate(run.report).substr(0, expected.size()), expected);
}

// Windows-1250 titles are taken whole, also those whose bytes happen to form valid UTF-8 ("ÓŁ"
// and "ÓŻ" are such pairs): only a title whose every character Windows-1250 can hold is UTF-8.
TEST(AdjustmentRun, Windows1250TitleThatLooksLikeUtf8IsTakenWhole) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.Write("tytul", "GEODEZJA SPÓŁKA CYWILNA\nRÓŻAN\nÓŁ 7/2026\n");
  const FolderRun run = RunOn(folder);
  const std::string expected =
      ScratchFolder::ToFileBytes(ExpectedHeader("GEODEZJA SPÓŁKA CYWILNA", "RÓŻAN", "ÓŁ 7/2026"));
  EXPECT_EQ(orvane::FromCp1250(MaskDate(run.report).substr(0, expected.size())), orvane::FromCp1250(expected));
}

TEST(AdjustmentRun, DateLineHoldsADate) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const auto lines = SplitReportLines(RunOn(folder).report);
  ASSERT_GT(lines.size(), 12u);
  EXPECT_EQ(lines[11].substr(0, kDateLabel.size()), kDateLabel);
  EXPECT_GT(lines[11].size(), kDateLabel.size() + 5);
}

// Sets an environment variable for the scope, then puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(name, value);
  }
  ~ScopedEnvironment() { Set(name_, old_ ? old_->c_str() : nullptr); }

 private:
  static void Set(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value ? value : "");  // an empty value removes it
#else
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
#endif
  }

  const char* name_;
  std::optional<std::string> old_;
};

// The date is written "YYYY-MM-DD HH:MM" whatever the locale says (servers run in the C locale,
// whose short form 12/10/26 reads differently in every country), and it is the time of the run.
TEST(AdjustmentRun, DateLineIsIsoWhateverTheLocale) {
  for (const char* locale : {"C", "en_US.UTF-8", "pl_PL.UTF-8"}) {
    ScopedEnvironment lcAll("LC_ALL", locale);
    ScratchFolder folder;
    folder.CopyFixture("small_network");
    auto stamp = [] {
      const std::time_t now = std::time(nullptr);
      const std::tm local = orvane::platform::LocalTime(now);
      char text[32];
      return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local));
    };
    const std::string before = stamp();
    const auto lines = SplitReportLines(RunOn(folder).report);
    const std::string after = stamp();
    ASSERT_GT(lines.size(), 12u);
    const std::string date = lines[11].substr(kDateLabel.size());
    EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2})"))) << locale << ": " << date;
    EXPECT_TRUE(date == before || date == after) << date;
  }
}

TEST(AdjustmentRun, TwoRunsGiveTheSameFilesButForTheDate) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  const FolderRun first = RunOn(folder);
  const FolderRun second = RunOn(folder);
  EXPECT_EQ(MaskDate(first.report), MaskDate(second.report));
  EXPECT_EQ(first.heights, second.heights);
}

TEST(AdjustmentRun, AnEarlyStopEmptiesAnExistingHeightsFile) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  folder.Remove("h.sta");
  folder.WriteBytes("h.osn", "old heights\r\n");
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  EXPECT_TRUE(folder.Exists("h.osn"));
  EXPECT_EQ(run.heights, "");
}

TEST(AdjustmentRun, AReportThatCannotBeCreatedStopsTheRun) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  std::filesystem::create_directory(folder.File("wyh.osn"));  // a folder where the report should go
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  const auto boxes = run.host.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "information:  *** NIE MOŻNA UTWORZYĆ PLIKU WYNIKOWEGO: " + folder.File("wyh.osn") + " (to jest folder)");
  EXPECT_EQ(boxes[1], "information:  KONIEC WYRÓWNANIA ");
  // Nothing was read: no MONITOR line was written.
  for (const auto& call : run.host.calls) EXPECT_NE(call.kind, HostCall::Monitor);
}

TEST(AdjustmentRun, AHeightsFileThatCannotBeCreatedIsToldAndTheReportIsKept) {
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  std::filesystem::create_directory(folder.File("h.osn"));
  folder.WriteBytes("wyh.osn", "earlier report\r\n");
  const FolderRun run = RunOn(folder);
  EXPECT_EQ(run.outcome, RunOutcome::Stopped);
  const std::string text = " *** NIE MOŻNA UTWORZYĆ PLIKU WYNIKOWEGO: " + folder.File("h.osn") + " (to jest folder)";
  EXPECT_EQ(run.host.Boxes(), (std::vector<std::string>{"information: " + text, "information:  KONIEC WYRÓWNANIA "}));
  // A result that cannot be created no longer empties the other one first.
  EXPECT_EQ(run.report, "earlier report\r\n");
}

TEST(AdjustmentRun, AFailedWriteIsReportedAndTheRunDoesNotFinish) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchFolder folder;
  folder.CopyFixture("small_network");
  std::filesystem::create_symlink("/dev/full", folder.File("wyh.osn"));  // every write fails: disk full
  RecordingRunHost host;
  EXPECT_EQ(RunAdjustment(folder.Path(), {}, host), RunOutcome::Stopped);
  const auto boxes = host.Boxes();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[boxes.size() - 2], "information:  *** BŁĄD ZAPISU PLIKU WYNIKOWEGO: " + folder.File("wyh.osn") +
                                         " (brak miejsca na dysku)");
  EXPECT_EQ(boxes.back(), "information:  KONIEC WYRÓWNANIA ");
}

TEST(AdjustmentRun, AMissingWorkingFolderStopsForWantOfBenchmarks) {
  ScratchFolder folder;
  const std::string missing = folder.File("nie_ma");
  RecordingRunHost host;
  EXPECT_EQ(RunAdjustment(missing, {}, host), RunOutcome::Stopped);
  EXPECT_EQ(host.Boxes().back(), "information:  KONIEC WYRÓWNANIA ");
}

}  // namespace
}  // namespace kvel::testing
