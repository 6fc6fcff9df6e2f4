// kvel-cli: the levelling-network adjustment on a working folder, without a window.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_line.h"
#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/number_parse.h"
#include "common/platform.h"
#include "common/process_start.h"
#include "common/settings_files.h"
#include "common/work_folder.h"
#include "leveling/adjustment_run.h"
#include "leveling/epochs/epoch_analysis.h"
#include "leveling/field/level_import.h"

namespace {


const char* const kHelp =
    "Usage: kvel-cli [--folder DIR] [--method lsq|robust] [--accuracy full|simplified]\n"
    "                [--decimals 3|4|5] [--mo one|empirical]\n"
    "                [--alpha A] [--alpha0 A0] [--power B] [--snooping on|off] [--class K]\n"
    "       kvel-cli [--folder DIR] --import-level FILE... [--turning-points REGEX]\n"
    "                [--parameter L|n] [--class K] [--replace]\n"
    "       kvel-cli --epochs DIR1 DIR2 [DIR3 ...] [--folder OUT] [--alpha A] [--mo one|empirical]\n"
    "\n"
    "Adjusts a levelling network rigorously from the standard files of a working folder and\n"
    "writes the report wyh.osn and the list of adjusted heights h.osn into the same folder,\n"
    "with the statistical tests in testy.osn and the results as CSV in wyh.csv and h.csv,\n"
    "and the misclosures of the network's loops and benchmark paths in zamkniecia.osn.\n"
    "\n"
    "Options:\n"
    "  --folder DIR      working folder (default: the current directory)\n"
    "  --method          lsq: least squares (default); robust: robust estimation, to find gross\n"
    "                    errors only (no heights are computed)\n"
    "  --accuracy        full: mean errors from the covariance matrix (default);\n"
    "                    simplified: from the Otrebski parameter\n"
    "  --decimals        decimals of the metre values in the listings: 3, 4 (default) or 5\n"
    "  --mo              one: results use Mo = 1 (default); empirical: the empirical Mo\n"
    "  --alpha A         significance level of the global test of [pvv], from 1e-10 (default 0.05)\n"
    "  --alpha0 A0       significance level of the w-test of each observation, from 1e-10\n"
    "                    (default 0.001)\n"
    "  --power B         power of the w-test, from 0.5 to below 1 (default 0.80)\n"
    "  --snooping        on: remove the worst rejected observation and adjust again until\n"
    "                    none is rejected (default); off: test only\n"
    "  --class K         tolerance factor k in mm/sqrt(km) of the misclosures, f_dop = k*sqrt(L):\n"
    "                    verdicts in zamkniecia.osn and dziennik.osn (no class table of the\n"
    "                    regulations ships; default: key misclosure_k of section [Kvel] of\n"
    "                    orvane.ini (the settings); without k no verdicts)\n"
    "  --version         the version of the suite\n"
    "  --help            this text\n"
    "\n"
    "Comparing epochs (control networks of vertical displacements):\n"
    "  --epochs DIR...   two or more working folders, one per epoch in time order, each with its\n"
    "                    own deltah / deltah1; the points of the first epoch's h.sta (or xyh.sta)\n"
    "                    are the reference points. Each epoch is adjusted as a free network, the\n"
    "                    reference points are tested for congruence (global test, then stepwise\n"
    "                    localisation), and every point's displacement relative to the stable ones\n"
    "                    is tested. Each epoch is compared with the first and with the one before.\n"
    "                    Writes przemieszczenia.osn and przemieszczenia.csv into --folder OUT\n"
    "                    (default: the current directory). --alpha is the level of every test\n"
    "                    (default 0.05); --mo empirical (default here) uses the pooled variance\n"
    "                    factor of the epochs, --mo one the a-priori factor 1. Exit status 0 when\n"
    "                    the analysis finished, 1 on an error in an epoch's data, 2 on a usage error.\n"
    "\n"
    "Import of a digital level's raw files (Leica GSI-8/GSI-16, DiNi M5 .DAT):\n"
    "  --import-level FILE...  reads the files, reduces them to sections between section points\n"
    "                    and writes deltah (one record per section run, in file order), the field\n"
    "                    book dziennik.osn and the intermediate sights in posrednie; no adjustment\n"
    "  --turning-points REGEX  names of turning points (whole-name match, ECMAScript); every other\n"
    "                    point, every benchmark of h.sta/xyh.sta and the ends of each line are\n"
    "                    section points. Default: key turning_points of section [Kvel] of\n"
    "                    orvane.ini (the settings); none: every set-up is a section\n"
    "  --parameter       L: section length in km (default); n: number of set-ups\n"
    "  --replace         replace an existing deltah (the old one is kept as deltah.bak)\n"
    "  Exit status: 0 written; 1 an unreadable record (file and line named) or deltah exists\n"
    "  without --replace, and nothing written; 2 usage error.\n"
    "\n"
    "Input files (Windows-1250 text, fields separated by blanks, commas, semicolons or tabs):\n"
    "  deltah, deltah1   observations, one or both: Nr(i) Nr(j) DH(i,j) parameter\n"
    "                    (parameter = line length in km, number of stations, or the squared\n"
    "                    mean error in m^2); the end record 0 0 Mo 0 carries the unit mean\n"
    "                    error Mo in metres, or 0 0 0 0 when the parameters are squared errors\n"
    "  h.sta             benchmarks: Nr H; a record 0 Mh closes a group whose heights have the\n"
    "                    mean error Mh (0 0: fixed)\n"
    "  xyh.sta           read when h.sta is missing: Nr X Y H, group end records 0 0 0 Mh\n"
    "  tytul             optional: contractor, object and order for the report header\n"
    "\n"
    "Messages and the MONITOR lines go to standard error as they happen, each line once. A run\n"
    "that finished ends with one line on standard output, the verdict of testy.osn: the global\n"
    "test (hipoteza PRZYJĘTA / ODRZUCONA), the observations rejected by the w-test and removed\n"
    "by data snooping, or for robust estimation that no heights were computed.\n"
    "Exit status: 0 when the adjustment finished, whatever the verdict; 1 when it stopped on an\n"
    "error or could not start, or finished with a part of the network that no benchmark ties\n"
    "(its heights are invented; the warning names its points); 2 on a usage error.\n";

std::string Utf8(const std::string& cp1250) { return orvane::FromCp1250(cp1250); }

// The terminal as host of the run: boxes and MONITOR lines become lines on standard error, each
// as it happens (a line set again to the text it holds is not repeated); the verdict of the tests
// is kept for the end.
class TerminalHost : public kvel::AdjustmentHost {
 public:
  TerminalHost() : monitor_(kvel::kMonitorLineCount) { monitor_[kvel::kMonitorBlankLine] = " "; }

  void SetMonitorLine(int index, const std::string& text) override {
    if (index < 0 || index >= kvel::kMonitorLineCount) return;
    if (monitor_[static_cast<std::size_t>(index)] == text) return;
    monitor_[static_cast<std::size_t>(index)] = text;
    std::cerr << "MONITOR " << index << ": " << Utf8(text) << '\n';
  }
  void ShowMessage(const std::string& text) override { std::cerr << Utf8(text) << '\n'; }
  void ShowInformation(const std::string& text) override { std::cerr << Utf8(text) << '\n'; }
  void ShowEditHint() override {}
  void ReportVerdict(const kvel::TestsVerdict& verdict) override { verdict_ = kvel::VerdictLine(verdict); }
  // A finished run with a part that no benchmark ties: told, and the exit status is 1.
  void ShowFinalWarning(const std::string& text) override {
    std::cerr << Utf8(text) << '\n';
    warned_ = true;
  }
  bool Warned() const { return warned_; }

  // Empties the lines that the window empties before each run.
  void ClearForRun() {
    for (int i = kvel::kMonitorFirstRunLine; i <= kvel::kMonitorLastRunLine; ++i)
      monitor_[static_cast<std::size_t>(i)].clear();
  }

  // The verdict line (UTF-8), empty when the run did not reach the tests.
  std::string Verdict() const { return verdict_.empty() ? std::string() : Utf8(verdict_); }

 private:
  std::vector<std::string> monitor_;
  std::string verdict_;
  bool warned_ = false;
};

int UsageError(const std::string& text) { return orvane::UsageError("kvel-cli", text); }

// kvel-cli --epochs: the comparison of epochs into przemieszczenia.osn and przemieszczenia.csv.
int RunEpochs(const orvane::CommandLine& line) {
  std::string folder;
  kvel::epochs::CongruenceOptions options;
  for (const auto& [name, value] : line.options) {
    if (name == "--epochs") continue;
    if (name == "--folder") {
      folder = value;
    } else if (name == "--alpha") {
      kvel::StatisticsOptions levels;
      std::string error;
      if (!kvel::SetStatisticsOption(levels, "alpha", value, error)) return UsageError("--" + error);
      options.alpha = levels.Alpha;
    } else if (name == "--mo") {
      if (value == "one") options.unitErrorIsOne = true;
      else if (value == "empirical") options.unitErrorIsOne = false;
      else return UsageError("--mo takes one or empirical");
    } else {
      return UsageError(std::string(name) + " does not apply to --epochs");
    }
  }
  if (line.positional.size() < 2) return UsageError("--epochs takes two or more epoch folders");
  std::vector<std::string> epochs;
  for (const auto& dir : line.positional) {
    epochs.emplace_back(dir);
    orvane::TrimFolderName(epochs.back());
  }
  if (folder.empty()) folder = orvane::platform::CurrentFolder();
  orvane::TrimFolderName(folder);
  try {
    TerminalHost host;
    const orvane::RunOutcome outcome = kvel::epochs::RunEpochAnalysis(epochs, folder, options, host);
    return outcome == orvane::RunOutcome::Finished ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << Utf8(orvane::ToCp1250(" *** NIEOCZEKIWANY BŁĄD PROGRAMU: ")) << error.what() << '\n';
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  orvane::PrepareProcess();
  argv = orvane::platform::Utf8Arguments(argc, argv);
  std::string folder;
  kvel::AdjustmentOptions options;
  // The jobs of the program; each option names those it belongs to (--folder: every one).
  enum Mode : unsigned { kAdjust = 1, kEpochs = 2, kImport = 4 };
  static constexpr orvane::CommandOption kOptions[] = {
      {"--folder"},
      {"--method", true, kAdjust},
      {"--accuracy", true, kAdjust},
      {"--decimals", true, kAdjust},
      {"--mo", true, kAdjust | kEpochs},
      {"--alpha", true, kAdjust | kEpochs},
      {"--alpha0", true, kAdjust},
      {"--power", true, kAdjust},
      {"--snooping", true, kAdjust},
      {"--class", true, kAdjust | kImport},
      {"--epochs", false, kEpochs, kEpochs},
      {"--import-level", true, kImport, kImport},
      {"--turning-points", true, kImport},
      {"--parameter", true, kImport},
      {"--replace", false, kImport}};
  orvane::CommandLine line = orvane::ParseCommandLine(argc, argv, kOptions);
  const unsigned mode = orvane::ResolveMode(line, kOptions, kAdjust);
  if (const int status = orvane::EarlyExit(line, "kvel-cli", kHelp, mode != kAdjust); status >= 0) return status;
  if (mode == kEpochs) return RunEpochs(line);
  kvel::field::ImportOptions import;
  bool hasPattern = false;
  for (const auto& [name, value] : line.options) {
    if (name == "--import-level") {
      import.files.emplace_back(value);
    } else if (name == "--turning-points") {
      import.turningPoints = value;
      hasPattern = true;
    } else if (name == "--parameter") {
      if (value == "L") import.parameter = kvel::field::AccuracyParameter::Length;
      else if (value == "n") import.parameter = kvel::field::AccuracyParameter::Setups;
      else return UsageError("--parameter takes L or n");
    } else if (name == "--replace") {
      import.replace = true;
    } else if (name == "--class") {
      double k = 0;
      if (!orvane::ParseNumber(value, k) || !(k > 0 && k < 1000))
        return UsageError("--class takes the tolerance factor k in mm/sqrt(km), a number above 0");
      import.k = options.MisclosureK = k;
    } else if (name == "--alpha" || name == "--alpha0" || name == "--power" || name == "--snooping") {
      std::string error;
      if (!kvel::SetStatisticsOption(options.Statistics, name.substr(2), value, error))
        return UsageError("--" + error);
    } else if (name == "--folder") {
      folder = value;
    } else if (name == "--method") {
      if (value == "lsq") options.Method = kvel::Method::LeastSquares;
      else if (value == "robust") options.Method = kvel::Method::Robust;
      else return UsageError("--method takes lsq or robust");
    } else if (name == "--accuracy") {
      if (value == "full") options.AccuracyMode = kvel::AccuracyMode::Full;
      else if (value == "simplified") options.AccuracyMode = kvel::AccuracyMode::Simplified;
      else return UsageError("--accuracy takes full or simplified");
    } else if (name == "--decimals") {
      if (value == "3") options.Decimals = 3;
      else if (value == "4") options.Decimals = 4;
      else if (value == "5") options.Decimals = 5;
      else return UsageError("--decimals takes 3, 4 or 5");
    } else {
      if (value == "one") options.UnitErrorIsOne = true;
      else if (value == "empirical") options.UnitErrorIsOne = false;
      else return UsageError("--mo takes one or empirical");
    }
  }
  const orvane::SettingsFiles settings = orvane::FindSettingsFiles();
  if (options.MisclosureK == 0) import.k = options.MisclosureK = kvel::field::KeptMisclosureK(settings);
  for (const auto file : line.positional) import.files.emplace_back(file);
  if (folder.empty()) folder = orvane::platform::CurrentFolder();
  orvane::TrimFolderName(folder);

  // What a killed run left is settled before the files are looked at; a folder that is missing
  // or unusable is named.
  if (const std::string problem = orvane::SettleWorkFolder(folder); !problem.empty()) {
    std::cerr << Utf8(problem) << '\n';
    return 1;
  }

  if (mode == kImport) {
    if (!hasPattern)
      import.turningPoints = orvane::ReadSetting(settings, kvel::field::kTurningPointsSection, kvel::field::kTurningPointsKey, "");
    const kvel::field::ImportResult result = kvel::field::ImportLevelFiles(folder, import);
    for (const std::string& message : result.messages) std::cerr << message << '\n';
    return result.status;
  }

  // The window's start checks, on the files present now.
  const std::string_view refusal = kvel::StartRefusal(orvane::PresenceFlags(folder, orvane::KvelPresenceNames()));
  if (!refusal.empty()) {
    std::cerr << refusal << '\n';
    return 1;
  }

  try {
    TerminalHost host;
    host.ClearForRun();
    const orvane::RunOutcome outcome = kvel::RunAdjustment(folder, options, host);
    if (outcome != orvane::RunOutcome::Finished) return 1;
    if (const std::string verdict = host.Verdict(); !verdict.empty()) std::cout << verdict << '\n';
    return host.Warned() ? 1 : 0;
  } catch (const std::exception& error) {
    // Out of memory before the run could catch it itself: told, never an abort.
    std::cerr << Utf8(orvane::ToCp1250(" *** NIEOCZEKIWANY BŁĄD PROGRAMU: ")) << error.what() << '\n';
    return 1;
  }
}
