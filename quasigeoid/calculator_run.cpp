#include "quasigeoid/calculator_run.h"

#include <array>
#include <exception>
#include <memory>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/line_reader.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "common/work_folder.h"
#include "quasigeoid/messages.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/point_lists.h"
#include "quasigeoid/satellite_levelling.h"

namespace solvanta {

std::string EndOfRunMessage() { return orvane::ToCp1250(messages::kEndOfRun); }
std::string NoInputMessage() { return messages::kNoInput; }

namespace {
std::string WithReason(const std::string& reason) { return reason.empty() ? reason : " (" + reason + ")"; }
}  // namespace

std::string CannotCreateMessage(const std::string& path, const std::string& reason) {
  return orvane::ToCp1250(messages::kCannotCreate + path + WithReason(reason));
}
std::string CannotReadMessage(const std::string& path) { return orvane::ToCp1250(messages::kCannotRead + path); }
std::string WriteErrorMessage(const std::string& path, const std::string& reason) {
  return orvane::ToCp1250(messages::kWriteError + path + WithReason(reason));
}
std::string UnexpectedErrorMessage(const std::string& what) {
  return orvane::ToCp1250(messages::kUnexpectedError + what);
}

namespace {

struct ListTask {
  PointListTask kind;
  TaskSwitch taskSwitch;
  ResultPanel panel;
  const char* inputName;
  const char* resultName;
};

constexpr std::array<ListTask, 3> kListTasks = {{
    {PointListTask::AnomalyList, TaskSwitch::Bl, ResultPanel::Bln, "bl", "bln"},
    {PointListTask::EllipsoidalToNormal, TaskSwitch::BlhE, ResultPanel::BlhN1, "blh_e", "blh_n.1"},
    {PointListTask::NormalToEllipsoidal, TaskSwitch::BlhN, ResultPanel::BlhE1, "blh_n", "blh_e.1"},
}};

// The open files of one point-list task.
struct OpenList {
  bool enabled = false;
  std::string inputPath;
  std::string resultPath;
  orvane::LineReader input;
  orvane::TextWriter result;
};

}  // namespace

namespace {

// The tasks of a run whose model is loaded and whose folder is held: the results go into
// `results`, to be put in place by the caller.
orvane::RunOutcome RunTasks(CalculatorHost& host, const std::string& workFolder, ReferenceFrame frame,
                            const ModelGrid& grid, orvane::ResultFiles& results) {
  using orvane::RunOutcome;
  using orvane::StandardFilePath;

  // The standard files, and whether there is anything to do.
  std::array<OpenList, 3> lists;
  bool anyList = false;
  for (std::size_t t = 0; t < kListTasks.size(); ++t) {
    lists[t].inputPath = StandardFilePath(workFolder, kListTasks[t].inputName);
    lists[t].resultPath = StandardFilePath(workFolder, kListTasks[t].resultName);
    anyList = anyList || orvane::FileExists(lists[t].inputPath);
  }
  SatelliteLevellingFiles satellite{StandardFilePath(workFolder, "deltah.gps"),
                                    StandardFilePath(workFolder, "blh.grs"),
                                    StandardFilePath(workFolder, "deltah1"), &results};
  const bool satelliteInputs = orvane::FileExists(satellite.deltahGps) && orvane::FileExists(satellite.blhGrs);
  if (!anyList && !satelliteInputs) {
    host.ShowInformation(NoInputMessage());
    return RunOutcome::Stopped;
  }

  // Every enabled list has its input open and its result created before the first starts.
  for (std::size_t t = 0; t < kListTasks.size(); ++t) {
    OpenList& list = lists[t];
    if (!orvane::FileExists(list.inputPath) || !host.IsTaskSwitchSet(kListTasks[t].taskSwitch)) continue;
    list.enabled = true;
    if (!list.input.Open(list.inputPath)) {
      host.ShowMessage(CannotReadMessage(list.inputPath));
      return RunOutcome::Stopped;
    }
    if (!list.result.Create(list.resultPath, &results)) {
      host.ShowMessage(CannotCreateMessage(list.resultPath, list.result.Problem()));
      return RunOutcome::Stopped;
    }
    host.HighlightPanel(kListTasks[t].panel);
  }

  // The lists in the order BL, BLH_e, BLH_n; a switch turned off meanwhile skips its list.
  auto fields = std::make_unique<orvane::FieldTable>();
  for (std::size_t t = 0; t < kListTasks.size(); ++t) {
    OpenList& list = lists[t];
    if (!list.enabled || !host.IsTaskSwitchSet(kListTasks[t].taskSwitch)) continue;
    host.ShowMessage(orvane::ToCp1250(list.inputPath + "->" + list.resultPath));
    const PointListStatus status = ConvertPointList(kListTasks[t].kind, list.input, list.result, grid, frame);
    if (!status.writeOk) {
      host.ShowMessage(WriteErrorMessage(list.resultPath, list.result.Problem()));
      return RunOutcome::Stopped;
    }
    if (!status.readOk) {
      host.ShowMessage(CannotReadMessage(list.inputPath));
      return RunOutcome::Stopped;
    }
  }
  // Results of lists that were skipped stay created and empty.
  for (OpenList& list : lists) {
    list.input.Close();
    if (list.result.IsOpen() && !list.result.Close()) {
      host.ShowMessage(WriteErrorMessage(list.resultPath, list.result.Problem()));
      return RunOutcome::Stopped;
    }
  }

  // Satellite levelling last.
  if (satelliteInputs && host.IsTaskSwitchSet(TaskSwitch::SatelliteLevelling)) {
    StationTable stations;
    const RunOutcome outcome = ConvertSatelliteLevelling(satellite, frame, grid, *fields, stations, host);
    if (outcome != RunOutcome::Finished) return outcome;
  }
  return RunOutcome::Finished;
}

}  // namespace

orvane::RunOutcome RunCalculation(CalculatorHost& host, const std::string& workFolder, ReferenceFrame frame,
                                  const std::string& modelPath) {
  using orvane::RunOutcome;

  // One run at a time in a folder: kvel never reads a DELTAH1 that this run is writing. Taking the
  // lock settles what a killed run left, before any file is read.
  orvane::FolderLock lock;
  const orvane::FolderLock::Result locked = lock.Acquire(workFolder);
  if (locked == orvane::FolderLock::Result::Busy) {
    host.ShowInformation(orvane::FolderBusyMessage(workFolder));
    return RunOutcome::Stopped;
  }
  if (locked == orvane::FolderLock::Result::Refused) {
    host.ShowInformation(lock.Message());
    return RunOutcome::Stopped;
  }
  // A folder that takes no new files is told; a missing one finds no input, and the window and
  // the terminal program name the folder with that message.
  if (locked == orvane::FolderLock::Result::NoLock && lock.FolderUsable()) host.ShowInformation(lock.Message());

  // The model is read again by every run; then the progress window goes.
  ModelGrid& grid = ProgramModelGrid();
  const ModelLoadResult load =
      LoadModelGrid(modelPath, grid, [&host](int steps) { host.AdvanceGauge(steps); });
  if (load.outcome != ModelLoadOutcome::Loaded) {
    host.ShowInformation(load.message);
    return RunOutcome::EndProgram;
  }
  host.CloseProgressWindow();

  if (frame != ReferenceFrame::Etrf89 && frame != ReferenceFrame::Etrf2000) {
    // The main window always sets a frame first; another caller is told, nothing is computed.
    host.ShowMessage(orvane::ToCp1250(messages::kNoFrame));
    return RunOutcome::Stopped;
  }

  // The results replace the old files together when the run ends as the user expects it to
  // (also at a bad BLH.grs record, which leaves its message in DELTAH1); a run stopped by a file
  // error or a fault leaves every old result as it was.
  orvane::ResultFiles results;
  RunOutcome outcome = RunOutcome::Stopped;
  try {
    outcome = RunTasks(host, workFolder, frame, grid, results);
  } catch (const std::exception& error) {
    // Out of memory or another fault no check foresaw.
    results.Discard();
    host.ShowInformation(UnexpectedErrorMessage(error.what()));
    return RunOutcome::Stopped;
  }
  if (outcome == RunOutcome::Stopped) return outcome;
  // None of the group is put in place when one result could not be had. A task that stops on it
  // tells it where it failed; a run that went on to its end tells it here.
  const bool failedBefore = results.Failed();
  const bool committed = results.Commit();
  // The run's work in the folder is over: another run may start while the last box waits.
  lock.Release();
  if (!committed) {
    const auto message = results.NotCreated() ? CannotCreateMessage : WriteErrorMessage;
    if (!failedBefore || outcome == RunOutcome::Finished) host.ShowMessage(message(results.FailedTarget(), results.Problem()));
    return outcome == RunOutcome::EndProgram ? outcome : RunOutcome::Stopped;
  }
  if (outcome == RunOutcome::Finished) host.ShowMessage(EndOfRunMessage());
  return outcome;
}

}  // namespace solvanta
