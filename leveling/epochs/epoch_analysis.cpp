#include "leveling/epochs/epoch_analysis.h"

#include <exception>
#include <memory>
#include <set>

#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/number_format.h"
#include "common/replacement_file.h"
#include "common/text_writer.h"
#include "common/work_folder.h"
#include "leveling/epochs/displacement_report.h"
#include "leveling/epochs/epoch_messages.h"
#include "leveling/epochs/epoch_network.h"
#include "leveling/messages.h"

namespace kvel::epochs {

namespace {

using orvane::ToCp1250;

// The host of one epoch's reading: its boxes go to the user with the epoch named and are kept for
// the report; its MONITOR lines (those of an adjustment) are not shown.
class EpochHost : public AdjustmentHost {
 public:
  EpochHost(AdjustmentHost& outer, int epoch, const std::string& folder)
      : outer_(outer),
        prefix_(ToCp1250(messages::kEpochPrefix) + orvane::IntegerField(epoch) + " (" + orvane::PathText(folder) +
                "): ") {}
  void SetMonitorLine(int, const std::string&) override {}
  void ShowMessage(const std::string& text) override {
    texts.push_back(text);
    outer_.ShowMessage(prefix_ + text);
  }
  void ShowInformation(const std::string& text) override {
    texts.push_back(text);
    outer_.ShowInformation(prefix_ + text);
  }
  void ShowEditHint() override {}

  std::vector<std::string> texts;

 private:
  AdjustmentHost& outer_;
  std::string prefix_;
};

struct AnalysisFiles {
  orvane::ResultFiles group;
  orvane::TextWriter report;  // przemieszczenia.osn
  orvane::TextWriter csv;     // przemieszczenia.csv
};

// Reads every epoch, compares the pairs and writes both files; false at a data error.
bool Analyse(const std::vector<std::string>& folders, const CongruenceOptions& options, AdjustmentHost& host,
             AnalysisFiles& files) {
  std::vector<EpochSolution> epochs(folders.size());
  std::vector<std::string> references;
  int line = 0;
  host.SetMonitorLine(line, ToCp1250(" ANALIZA PRZEMIESZCZEŃ PIONOWYCH"));
  for (std::size_t e = 0; e < folders.size(); ++e) {
    const int number = static_cast<int>(e) + 1;
    EpochHost epochHost(host, number, folders[e]);
    const bool read = ReadAndAdjustEpoch(folders[e], epochHost, references, epochs[e]);
    WriteEpochMessages(files.report, number, folders[e], epochHost.texts);
    if (!read) return false;
    host.SetMonitorLine(++line, " Epoka " + orvane::IntegerField(number) + ": LP = " +
                                    orvane::IntegerField(epochs[e].PointCount()) +
                                    ", M = " + orvane::IntegerField(epochs[e].observationCount));
  }
  WriteEpochSummary(files.report, epochs, references);
  WriteCsvHeader(files.csv);
  for (const auto& [from, to] : ComparedPairs(static_cast<int>(folders.size()))) {
    PairComparison pair;
    const auto a = static_cast<std::size_t>(from - 1);
    const auto b = static_cast<std::size_t>(to - 1);
    if (!CompareEpochs(epochs[a], epochs[b], from, to, references, options, pair)) {
      const std::string text = ToCp1250(messages::kNoCommonReference) + orvane::IntegerField(from) + " - " +
                                orvane::IntegerField(to);
      files.report.Line(text);
      host.ShowInformation(text);
      return false;
    }
    WriteComparison(files.report, pair, options.alpha);
    WriteCsvRows(files.csv, pair);
    int moved = 0;
    for (const Displacement& d : pair.points) moved += d.moved ? 1 : 0;
    host.SetMonitorLine(++line, " Epoki " + orvane::IntegerField(from) + " -> " + orvane::IntegerField(to) +
                                    ToCp1250(": przemieszczonych punktów = ") + orvane::IntegerField(moved));
  }
  WriteReportEnd(files.report);
  return true;
}

}  // namespace

std::vector<std::pair<int, int>> ComparedPairs(int epochs) {
  std::vector<std::pair<int, int>> pairs;
  for (int e = 2; e <= epochs; ++e) pairs.emplace_back(1, e);
  for (int e = 3; e <= epochs; ++e) pairs.emplace_back(e - 1, e);
  return pairs;
}

orvane::RunOutcome RunEpochAnalysis(const std::vector<std::string>& folders, const std::string& outFolder,
                                    const CongruenceOptions& options, AdjustmentHost& host) {
  auto finish = [&](orvane::RunOutcome outcome) {
    host.ShowInformation(ToCp1250(messages::kEndOfAnalysis));
    return outcome;
  };
  // The output folder and every epoch folder, one run at a time in each (solvanta may be writing
  // an epoch's DELTAH1).
  std::set<std::string> lockedFolders(folders.begin(), folders.end());
  lockedFolders.insert(outFolder);
  std::vector<std::unique_ptr<orvane::FolderLock>> locks;
  for (const std::string& folder : lockedFolders) {
    auto& lock = locks.emplace_back(std::make_unique<orvane::FolderLock>());
    if (lock->Acquire(folder) == orvane::FolderLock::Result::Busy) {
      host.ShowInformation(orvane::FolderBusyMessage(folder));
      return finish(orvane::RunOutcome::Stopped);
    }
  }

  AnalysisFiles files;
  const std::string reportPath = orvane::StandardFilePath(outFolder, "przemieszczenia.osn");
  const std::string csvPath = orvane::StandardFilePath(outFolder, "przemieszczenia.csv");
  if (!files.report.Create(reportPath, &files.group) || !files.csv.Create(csvPath, &files.group)) {
    host.ShowInformation(ToCp1250(kvel::messages::kCannotCreateResult) +
                         orvane::PathText(files.report.Ok() ? csvPath : reportPath));
    return finish(orvane::RunOutcome::Stopped);
  }
  WriteReportHeader(files.report, options.alpha);
  bool finished = false;
  try {
    finished = Analyse(folders, options, host, files);
  } catch (const std::exception& error) {
    // Out of memory or a fault no check foresaw: the old files stay whole.
    host.ShowInformation(ToCp1250(kvel::messages::kUnexpectedError) + orvane::PathText(error.what()));
    files.report.Discard();
    files.csv.Discard();
    return finish(orvane::RunOutcome::Stopped);
  }
  // A stopped analysis leaves its report up to the stop and a CSV of its header alone.
  if (!finished) {
    files.csv.Discard();
    files.csv.Create(csvPath, &files.group);
    WriteCsvHeader(files.csv);
  }
  const bool closed = files.report.Close() & files.csv.Close();
  if (!closed || !files.group.Commit()) {
    files.group.Discard();
    host.ShowInformation(ToCp1250(kvel::messages::kResultWriteError) +
                         orvane::PathText(closed ? files.group.FailedTarget() : reportPath));
    return finish(orvane::RunOutcome::Stopped);
  }
  return finish(finished ? orvane::RunOutcome::Finished : orvane::RunOutcome::Stopped);
}

}  // namespace kvel::epochs
