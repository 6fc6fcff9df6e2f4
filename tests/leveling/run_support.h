#pragma once
// Runs the adjustment on a scratch working folder and hands back what a user would see: the
// outcome, the boxes and MONITOR lines, and the two result files.
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1250.h"
#include "leveling/adjustment_run.h"
#include "support/kvel_recording_host.h"
#include "scratch_folder.h"

namespace kvel::testing {

struct FolderRun {
  orvane::RunOutcome outcome = orvane::RunOutcome::Stopped;
  RecordingRunHost host;
  std::string report;   // wyh.osn bytes
  std::string heights;  // h.osn bytes
};

inline FolderRun RunOn(const ScratchFolder& folder, const AdjustmentOptions& options = {}) {
  FolderRun result;
  result.outcome = RunAdjustment(folder.Path(), options, result.host);
  result.report = folder.Read("wyh.osn");
  result.heights = folder.Read("h.osn");
  return result;
}

// One phase at a time on a scratch folder: a run whose report is open, as the run leaves it
// before the phases.
struct PhaseRun {
  explicit PhaseRun(const AdjustmentOptions& options = {}) {
    run.workFolder = folder.Path();
    run.options = options;
    run.host = &host;
    run.report.Create(folder.File("wyh.osn"));
  }
  // Closes the report and returns its lines in UTF-8.
  std::vector<std::string> ReportLines();

  ScratchFolder folder;
  RecordingRunHost host;
  AdjustmentRun run;
};

// The lines of a CR LF result file, decoded to UTF-8. A last line without its CR LF is kept too.
inline std::vector<std::string> SplitReportLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto end = bytes.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(orvane::FromCp1250(bytes.substr(start)));
      break;
    }
    lines.push_back(orvane::FromCp1250(bytes.substr(start, end - start)));
    start = end + 2;
  }
  return lines;
}

inline std::vector<std::string> PhaseRun::ReportLines() {
  run.report.Close();
  return SplitReportLines(folder.Read("wyh.osn"));
}

// The report's date line depends on the day and the user's locale; tests mask its value.
inline constexpr std::string_view kDateLabel = "  DATA         : ";
inline std::string MaskDate(std::string bytes) {
  const auto at = bytes.find(kDateLabel);
  if (at == std::string::npos) return bytes;
  const auto valueStart = at + kDateLabel.size();
  const auto end = bytes.find("\r\n", valueStart);
  bytes.replace(valueStart, end - valueStart, "<DATE>");
  return bytes;
}

// The header block that every report starts with, as UTF-8 with LF line ends, date masked.
inline std::string ExpectedHeader(std::string_view contractor = "   ", std::string_view object = " ",
                                  std::string_view order = " ") {
  const std::string underscores(76, '_');
  std::string text;
  text += underscores + "\n";
  text += "  System ORVANE 2006 - program KVEL/6.0 ŚCISŁE WYRÓWNANIE SIECI NIWELACYJNEJ\n";
#ifdef _WIN32
  text += "  (c) ORVANE - wersja dla systemu Windows\n";
#else
  text += "  (c) ORVANE - wersja dla systemu Linux\n";
#endif
  text += underscores + "\n";
  text += "  \n";
  text += "  O B I E K T      : " + std::string(object) + "\n";
  text += "  Układ odniesienia: " + std::string(" ") + "\n";  // the label and one blank
  text += "  \n";
  text += "  WYKONAWCA    : " + std::string(contractor) + "\n";
  text += "  \n";
  text += "  ZLECENIE     : " + std::string(order) + "\n";
  text += "  DATA         : <DATE>\n";
  text += std::string(76, '-') + "\n";
  text += " \n";
  text += "  ZBIORY DANYCH WEJŚCIOWYCH\n";
  return text;
}

}  // namespace kvel::testing
