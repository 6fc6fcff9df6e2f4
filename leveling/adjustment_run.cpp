#include "leveling/adjustment_run.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <iomanip>
#include <locale>
#include <sstream>
#include <utility>

#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/work_folder.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/normal_equations.h"
#include "leveling/observation_files.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"

namespace kvel {

namespace {

using orvane::PathText;
using orvane::ToCp1250;

// The current local date in the user's short date form (%x of the environment's locale).
std::string LocalDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::ostringstream text;
  try {
    text.imbue(std::locale(""));
  } catch (const std::exception&) {
    // An unknown locale in the environment: the classic form is still a date.
  }
  text << std::put_time(&local, "%x");
  return PathText(text.str());
}

struct TitleLines {
  std::string contractor = "   ";
  std::string object = " ";
  std::string order = " ";
};

// The optional title file: line 1 contractor, 2 object, 3 order, 4 read and not shown.
TitleLines ReadTitle(const std::string& workFolder) {
  TitleLines title;
  const std::string path = orvane::StandardFilePath(workFolder, "tytul");
  orvane::LineReader reader;
  if (!orvane::FileExists(path) || !reader.Open(path)) return title;
  std::string lines[4];
  for (auto& line : lines)
    if (!reader.ReadLine(line)) line.clear();
  reader.Close();
  // A title typed in a UTF-8 editor would show as garbage in a Windows-1250 report. Some
  // Windows-1250 texts are valid UTF-8 too ("SPÓŁKA": Ó Ł reads as one Cyrillic letter); a line is
  // taken for UTF-8 only when Windows-1250 holds every one of its characters.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (lines[0].starts_with(kByteOrderMark)) lines[0].erase(0, kByteOrderMark.size());
  for (auto& line : lines) {
    const bool highBytes = std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!highBytes || !orvane::IsValidUtf8(line)) continue;
    std::string converted = ToCp1250(line);
    if (orvane::FromCp1250(converted) == line) line = std::move(converted);
  }
  title.contractor = lines[0];
  title.object = lines[1];
  title.order = lines[2];
  return title;
}

void WriteHeader(AdjustmentRun& run, const TitleLines& title) {
  const std::string underscores(76, '_');
  run.Report(underscores);
  run.Report(ToCp1250("  System ORVANE 2006 - program KVEL/6.0 ŚCISŁE WYRÓWNANIE SIECI NIWELACYJNEJ"));
  run.Report(ToCp1250("  (c) ORVANE - wersja dla systemu Linux"));
  run.Report(underscores);
  run.Report("  ");
  run.Report(ToCp1250("  O B I E K T      : ") + title.object);
  run.Report(ToCp1250("  Układ odniesienia: ") + " ");  // no reference system is named: one blank
  run.Report("  ");
  run.Report("  WYKONAWCA    : " + title.contractor);
  run.Report("  ");
  run.Report("  ZLECENIE     : " + title.order);
  run.Report("  DATA         : " + LocalDateText());
  run.Report(std::string(76, '-'));
  run.Report(" ");
  run.Report(ToCp1250("  ZBIORY DANYCH WEJŚCIOWYCH"));
}

// The phases that follow the topology: renumbering and profile, iteration, accuracy analysis and
// the result listings, each in its turn. False when one of them stopped the run.
bool RunLaterPhases(AdjustmentRun& run) {
  if (PrepareNormalEquations(run) != orvane::RunOutcome::Finished) return false;
  if (RunIteration(run) != orvane::RunOutcome::Finished) return false;
  return WriteResults(run) == orvane::RunOutcome::Finished;
}

// The phases in their fixed order; false at the first stop.
bool RunPhases(AdjustmentRun& run) {
  if (!ReadObservationFiles(run)) return false;
  if (!ReadBenchmarksAndCatalogue(run)) return false;
  if (!BuildNetworkTopology(run)) return false;
  if (!RunLaterPhases(run)) return false;
  // Normal end.
  run.monitorLine += 2;
  run.Monitor(run.monitorLine, ToCp1250(" KONIEC OBLICZEŃ"));
  run.host->ShowEditHint();
  return true;
}

// Closes a result file; a write that failed is the user's to know, or they would trust a
// truncated report.
bool CloseResult(AdjustmentRun& run, orvane::TextWriter& file, bool created) {
  if (!created) return false;
  if (file.Close()) return true;
  run.host->ShowInformation(ToCp1250(" *** BŁĄD ZAPISU PLIKU WYNIKOWEGO: ") + PathText(file.Path()));
  return false;
}

}  // namespace

std::string_view StartRefusal(const std::vector<int>& presence) {
  auto present = [&](std::size_t k) { return k < presence.size() && presence[k] != 0; };
  if (!present(2) && !present(3)) return "*** Brak nawiązania sieci";
  if (!present(0) && !present(1)) return "*** Brak zbioru obserwacyjnego";
  return {};
}

orvane::RunOutcome RunAdjustment(const std::string& workFolder, const AdjustmentOptions& options,
                                 AdjustmentHost& host) {
  AdjustmentRun run;
  run.workFolder = workFolder;
  run.options = options;
  run.host = &host;
  run.monitorLine = 0;

  const TitleLines title = ReadTitle(workFolder);

  // Both result files are created before any input is checked, so that a run that stops early
  // still leaves an empty h.osn and the report up to the stop.
  const bool reportCreated = run.report.Create(orvane::StandardFilePath(workFolder, "wyh.osn"));
  const bool heightsCreated = run.heights.Create(orvane::StandardFilePath(workFolder, "h.osn"));

  bool finished = false;
  if (!reportCreated || !heightsCreated) {
    const orvane::TextWriter& failed = reportCreated ? run.heights : run.report;
    const std::string text = ToCp1250(" *** NIE MOŻNA UTWORZYĆ PLIKU WYNIKOWEGO: ") + PathText(failed.Path());
    if (reportCreated) run.Report(text);
    host.ShowInformation(text);
  } else {
    WriteHeader(run, title);
    try {
      finished = RunPhases(run);
    } catch (const std::exception& error) {
      // Out of memory or another fault no check foresaw: close the files and say so.
      const std::string text = ToCp1250(" *** NIEOCZEKIWANY BŁĄD PROGRAMU: ") + PathText(error.what());
      run.Report(text);
      host.ShowInformation(text);
      finished = false;
    }
  }

  // Common exit: every run, finished or stopped, ends here.
  const bool reportOk = CloseResult(run, run.report, reportCreated);
  const bool heightsOk = CloseResult(run, run.heights, heightsCreated);
  host.ShowInformation(ToCp1250(" KONIEC WYRÓWNANIA "));
  return finished && reportOk && heightsOk ? orvane::RunOutcome::Finished : orvane::RunOutcome::Stopped;
}

}  // namespace kvel
