#include "quasigeoid/calculator_run.h"

#include <array>
#include <exception>
#include <memory>
#include <vector>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/line_reader.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "common/work_folder.h"
#include "quasigeoid/height_systems.h"
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

// A task of one input file and one result file, `Kind` telling what it does.
template <typename Kind>
struct FileTask {
  Kind kind;
  TaskSwitch taskSwitch;
  ResultPanel panel;
  const char* inputName;
  const char* resultName;
};
using ListTask = FileTask<PointListTask>;

constexpr std::array<ListTask, 3> kListTasks = {{
    {PointListTask::AnomalyList, TaskSwitch::Bl, ResultPanel::Bln, "bl", "bln"},
    {PointListTask::EllipsoidalToNormal, TaskSwitch::BlhE, ResultPanel::BlhN1, "blh_e", "blh_n.1"},
    {PointListTask::NormalToEllipsoidal, TaskSwitch::BlhN, ResultPanel::BlhE1, "blh_n", "blh_e.1"},
}};

// The height-system tasks, after the point lists.
using HeightTask = FileTask<HeightConversion>;

constexpr std::array<HeightTask, 2> kHeightTasks = {{
    {HeightConversion::Kron86ToEvrf2007, TaskSwitch::Kron86, ResultPanel::HEvrf20071, "h_kron86", "h_evrf2007.1"},
    {HeightConversion::Evrf2007ToKron86, TaskSwitch::Evrf2007, ResultPanel::HKron861, "h_evrf2007", "h_kron86.1"},
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

// False, after the box that tells it, when a list's result could not be written or its input read.
bool ListWentWell(CalculatorHost& host, const PointListStatus& status, const std::string& inputPath,
                  const std::string& resultPath, const std::string& problem) {
  if (!status.writeOk) {
    host.ShowMessage(WriteErrorMessage(resultPath, problem));
    return false;
  }
  if (!status.readOk) {
    host.ShowMessage(CannotReadMessage(inputPath));
    return false;
  }
  return true;
}

// PL-KRON86-NH <-> PL-EVRF2007-NH for the lists whose input and switch are there (and xyh.sta with
// plane coordinates); the two models are read only when one is.
orvane::RunOutcome RunHeightTasks(CalculatorHost& host, const std::string& workFolder,
                                  const CalculationOptions& options, orvane::ResultFiles& results) {
  using orvane::RunOutcome;
  using orvane::StandardFilePath;
  std::unique_ptr<HeightSystemGrids> grids;
  for (const HeightTask& task : kHeightTasks) {
    const std::string inputPath = StandardFilePath(workFolder, task.inputName);
    if (!orvane::FileExists(inputPath) || !host.IsTaskSwitchSet(task.taskSwitch)) continue;
    if (!grids) {
      grids = std::make_unique<HeightSystemGrids>();
      std::string message;
      if (!LoadHeightSystemGrids(options.modelDirectory, *grids, message)) {
        host.ShowInformation(message);
        return RunOutcome::Stopped;
      }
    }
    struct Job {
      std::string input, result;
      ResultPanel panel;
      bool catalogue;
    };
    std::vector<Job> jobs = {{inputPath, StandardFilePath(workFolder, task.resultName), task.panel, false}};
    const bool plane = options.coordinates == CoordinateForm::Pl2000 || options.coordinates == CoordinateForm::Pl1992;
    const std::string catalogue = StandardFilePath(workFolder, "xyh.sta");
    if (task.kind == HeightConversion::Kron86ToEvrf2007 && plane && orvane::FileExists(catalogue))
      jobs.push_back({catalogue, StandardFilePath(workFolder, "xyh_evrf2007.sta"), ResultPanel::XyhEvrf2007, true});
    for (const Job& job : jobs) {
      orvane::LineReader input;
      orvane::TextWriter result;
      if (!input.Open(job.input)) {
        host.ShowMessage(CannotReadMessage(job.input));
        return RunOutcome::Stopped;
      }
      if (!result.Create(job.result, &results)) {
        host.ShowMessage(CannotCreateMessage(job.result, result.Problem()));
        return RunOutcome::Stopped;
      }
      host.HighlightPanel(job.panel);
      host.ShowMessage(orvane::ToCp1250(job.input + "->" + job.result));
      const PointListStatus status =
          job.catalogue ? ConvertBenchmarkCatalogue(input, result, *grids, options.coordinates)
                        : ConvertHeightList(task.kind, input, result, *grids, options.coordinates);
      if (!ListWentWell(host, status, job.input, job.result, result.Problem())) return RunOutcome::Stopped;
    }
  }
  return RunOutcome::Finished;
}

// The tasks of a run whose model is loaded and whose folder is held: the results go into
// `results`, to be put in place by the caller.
orvane::RunOutcome RunTasks(CalculatorHost& host, const std::string& workFolder, ReferenceFrame frame,
                            const ModelGrid& grid, const CalculationOptions& options,
                            orvane::ResultFiles& results) {
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
  for (const HeightTask& task : kHeightTasks)
    anyList = anyList || orvane::FileExists(StandardFilePath(workFolder, task.inputName));
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
    const PointListStatus status =
        ConvertPointList(kListTasks[t].kind, list.input, list.result, grid, frame, {}, options.coordinates);
    if (!ListWentWell(host, status, list.inputPath, list.resultPath, list.result.Problem())) return RunOutcome::Stopped;
  }
  // Results of lists that were skipped stay created and empty.
  for (OpenList& list : lists) {
    list.input.Close();
    if (list.result.IsOpen() && !list.result.Close()) {
      host.ShowMessage(WriteErrorMessage(list.resultPath, list.result.Problem()));
      return RunOutcome::Stopped;
    }
  }

  const RunOutcome heights = RunHeightTasks(host, workFolder, options, results);
  if (heights != RunOutcome::Finished) return heights;

  // Satellite levelling last.
  if (satelliteInputs && host.IsTaskSwitchSet(TaskSwitch::SatelliteLevelling)) {
    StationTable stations;
    const RunOutcome outcome = ConvertSatelliteLevelling(satellite, frame, grid, *fields, stations, host);
    if (outcome != RunOutcome::Finished) return outcome;
  }
  return RunOutcome::Finished;
}

}  // namespace

std::string ModelUsedMessage(const ModelInfo& info, const std::string& modelPath) {
  return orvane::ToCp1250(std::string(messages::kModelUsed) + info.name + " (" + info.heightSystem + "), " +
                          modelPath);
}

orvane::RunOutcome RunCalculation(CalculatorHost& host, const std::string& workFolder, ReferenceFrame frame,
                                  const std::string& modelPath, const CalculationOptions& options) {
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
      LoadModelGrid(modelPath, grid, [&host](int steps) { host.AdvanceGauge(steps); }, options.heightSystem);
  if (load.outcome != ModelLoadOutcome::Loaded) {
    host.ShowInformation(load.message);
    return RunOutcome::EndProgram;
  }
  host.CloseProgressWindow();
  host.ReportModel(ModelUsedMessage(grid.Info(), modelPath));

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
    CalculationOptions taskOptions = options;
    if (taskOptions.modelDirectory.empty()) {
      const auto slash = modelPath.rfind('/');
      taskOptions.modelDirectory = slash == std::string::npos ? std::string(".") : modelPath.substr(0, slash);
    }
    outcome = RunTasks(host, workFolder, frame, grid, taskOptions, results);
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
