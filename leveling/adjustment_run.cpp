#include "leveling/adjustment_run.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <utility>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/line_reader.h"
#include "common/platform.h"
#include "common/work_folder.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/messages.h"
#include "leveling/misclosure_phase.h"
#include "leveling/network_topology.h"
#include "leveling/normal_equations.h"
#include "leveling/observation_files.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"
#include "leveling/statistics_phase.h"

namespace kvel {

namespace {

using orvane::PathText;
using orvane::ToCp1250;

}  // namespace

// The current local date and time in ISO form ("2026-12-10 14:11"), whatever the locale: a
// server's C locale would write 12/10/26, which reads differently in every country.
std::string LocalDateText() {
  const std::time_t now = std::time(nullptr);
  const std::tm local = orvane::platform::LocalTime(now);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return std::string(text, length);
}

namespace {

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
  run.Report(ToCp1250(std::string("  (c) ORVANE - wersja dla systemu ") + orvane::platform::SystemName()));
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
  if (WriteResults(run) != orvane::RunOutcome::Finished) return false;
  return RunStatisticalTests(run);
}

// The phases in their fixed order; false at the first stop.
bool RunPhases(AdjustmentRun& run) {
  const bool reached = ReadObservationFiles(run) && ReadBenchmarksAndCatalogue(run) && BuildNetworkTopology(run);
  // The misclosures before the adjustment: their own file, whatever the later phases find.
  WriteMisclosures(run, reached);
  if (!reached) return false;
  if (!RunLaterPhases(run)) return false;
  // Normal end.
  run.monitorLine += 2;
  run.Monitor(run.monitorLine, ToCp1250(messages::kEndOfComputation));
  run.host->ShowEditHint();
  return true;
}

// The message of a result that could not be had: the file and the reason.
std::string ResultProblem(std::string_view message, const std::string& path, const std::string& problem) {
  return ToCp1250(message) + PathText(path) + (problem.empty() ? std::string() : " (" + ToCp1250(problem) + ")");
}

// Puts the run's result files in place of the old ones, all together or none: a file that could
// not be created or written is the user's to know, or they would trust a truncated report, and
// then every old file stays whole.
bool CommitResults(AdjustmentRun& run) {
  // A run that stopped before its tests leaves them empty, not those of an earlier run.
  if (!run.statisticsWritten) ResetStatisticsFiles(run);
  for (orvane::TextWriter* file : {&run.report, &run.heights}) file->Close();
  if (run.results.Commit()) return true;
  const std::string_view message = run.results.NotCreated() ? messages::kCannotCreateResult : messages::kResultWriteError;
  run.host->ShowInformation(ResultProblem(message, run.results.FailedTarget(), run.results.Problem()));
  return false;
}

}  // namespace

void WarnOfDecimalComma(AdjustmentRun& run, const std::string& path, std::string_view line) {
  const std::string lines[] = {ToCp1250(messages::kDecimalCommaWarning),
                               ToCp1250(messages::kDecimalCommaFile) + PathText(path),
                               ToCp1250(messages::kDecimalCommaRecord) + std::string(line)};
  for (const auto& text : lines) run.Report(text);
  run.host->ShowInformation(lines[0] + "\n" + lines[1] + "\n" + lines[2]);
}

std::string_view StartRefusal(const std::vector<int>& presence) {
  auto present = [&](std::size_t k) { return k < presence.size() && presence[k] != 0; };
  if (!present(2) && !present(3)) return messages::kNoBenchmarks;
  if (!present(0) && !present(1)) return messages::kNoObservations;
  return {};
}

orvane::RunOutcome RunAdjustment(const std::string& workFolder, const AdjustmentOptions& options,
                                 AdjustmentHost& host) {
  AdjustmentRun run;
  run.workFolder = workFolder;
  run.options = options;
  run.host = &host;
  run.monitorLine = 0;

  // One run at a time in a folder: another run's files are never spliced with these. Taking the
  // lock settles what a killed run left, before any file is read.
  orvane::FolderLock lock;
  const orvane::FolderLock::Result locked = lock.Acquire(workFolder);
  if (locked != orvane::FolderLock::Result::Locked) {
    const bool stop = locked != orvane::FolderLock::Result::NoLock || !lock.FolderUsable();
    host.ShowInformation(locked == orvane::FolderLock::Result::Busy ? orvane::FolderBusyMessage(workFolder)
                                                                     : lock.Message());
    if (stop) {
      host.ShowInformation(ToCp1250(messages::kEndOfAdjustment));
      return orvane::RunOutcome::Stopped;
    }
  }

  const TitleLines title = ReadTitle(workFolder);

  // Both result files are started before any input is checked, so that a run that stops early
  // still leaves an empty h.osn and the report up to the stop. They replace the old ones at the
  // common exit; a file that cannot be created leaves the other's old file as it was too.
  const bool reportCreated = run.report.Create(orvane::StandardFilePath(workFolder, "wyh.osn"), &run.results);
  const bool heightsCreated =
      reportCreated && run.heights.Create(orvane::StandardFilePath(workFolder, "h.osn"), &run.results);

  bool finished = false;
  bool abandoned = false;
  if (!reportCreated || !heightsCreated) {
    const orvane::TextWriter& failed = reportCreated ? run.heights : run.report;
    host.ShowInformation(ResultProblem(messages::kCannotCreateResult, failed.Path(), failed.Problem()));
    abandoned = true;
  } else {
    WriteHeader(run, title);
    try {
      finished = RunPhases(run);
    } catch (const std::exception& error) {
      // Out of memory or another fault no check foresaw: say so, and keep the old results whole
      // rather than put a report cut short in their place.
      host.ShowInformation(ToCp1250(messages::kUnexpectedError) + PathText(error.what()));
      abandoned = true;
    }
  }

  // Common exit: every run, finished or stopped, ends here.
  bool resultsOk = false;
  if (abandoned) {
    run.report.Discard();
    run.heights.Discard();
  } else {
    resultsOk = CommitResults(run);
  }
  // The run's work in the folder is over: another run may start while the last box waits.
  lock.Release();
  host.ShowInformation(ToCp1250(messages::kEndOfAdjustment));
  if (finished && resultsOk && !run.finalWarning.empty()) host.ShowFinalWarning(run.finalWarning);
  return finished && resultsOk ? orvane::RunOutcome::Finished : orvane::RunOutcome::Stopped;
}

}  // namespace kvel
