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
#include "common/platform.h"
#include "common/process_start.h"
#include "common/work_folder.h"
#include "leveling/adjustment_run.h"

namespace {


const char* const kHelp =
    "Usage: kvel-cli [--folder DIR] [--method lsq|robust] [--accuracy full|simplified]\n"
    "                [--decimals 3|4|5] [--mo one|empirical]\n"
    "                [--alpha A] [--alpha0 A0] [--power B] [--snooping on|off]\n"
    "\n"
    "Adjusts a levelling network rigorously from the standard files of a working folder and\n"
    "writes the report wyh.osn and the list of adjusted heights h.osn into the same folder,\n"
    "with the statistical tests in testy.osn and the results as CSV in wyh.csv and h.csv.\n"
    "\n"
    "Options:\n"
    "  --folder DIR      working folder (default: the current directory)\n"
    "  --method          lsq: least squares (default); robust: robust estimation, to find gross\n"
    "                    errors only (no heights are computed)\n"
    "  --accuracy        full: mean errors from the covariance matrix (default);\n"
    "                    simplified: from the Otrebski parameter\n"
    "  --decimals        decimals of the metre values in the listings: 3, 4 (default) or 5\n"
    "  --mo              one: results use Mo = 1 (default); empirical: the empirical Mo\n"
    "  --alpha A         significance level of the global test of [pvv] (default 0.05)\n"
    "  --alpha0 A0       significance level of the w-test of each observation (default 0.001)\n"
    "  --power B         power of the w-test, from 0.5 to below 1 (default 0.80)\n"
    "  --snooping        on: remove the worst rejected observation and adjust again until\n"
    "                    none is rejected (default); off: test only\n"
    "  --version         the version of the suite\n"
    "  --help            this text\n"
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
    "error or could not start; 2 on a usage error.\n";

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
};

int UsageError(const std::string& text) { return orvane::UsageError("kvel-cli", text); }

}  // namespace

int main(int argc, char** argv) {
  orvane::PrepareProcess();
  argv = orvane::platform::Utf8Arguments(argc, argv);
  std::string folder;
  kvel::AdjustmentOptions options;
  // The jobs of the program; each option names those it belongs to (--folder: every one).
  enum Mode : unsigned { kAdjust = 1 };
  static constexpr orvane::CommandOption kOptions[] = {
      {"--folder"},
      {"--method", true, kAdjust},
      {"--accuracy", true, kAdjust},
      {"--decimals", true, kAdjust},
      {"--mo", true, kAdjust},
      {"--alpha", true, kAdjust},
      {"--alpha0", true, kAdjust},
      {"--power", true, kAdjust},
      {"--snooping", true, kAdjust}};
  orvane::CommandLine line = orvane::ParseCommandLine(argc, argv, kOptions);
  orvane::ResolveMode(line, kOptions, kAdjust);
  if (const int status = orvane::EarlyExit(line, "kvel-cli", kHelp); status >= 0) return status;
  for (const auto& [name, value] : line.options) {
    if (name == "--alpha" || name == "--alpha0" || name == "--power" || name == "--snooping") {
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
  if (folder.empty()) folder = orvane::platform::CurrentFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  // What a killed run left is settled before the files are looked at; a folder that is missing
  // or unusable is named.
  if (const std::string problem = orvane::SettleWorkFolder(folder); !problem.empty()) {
    std::cerr << Utf8(problem) << '\n';
    return 1;
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
    return 0;
  } catch (const std::exception& error) {
    // Out of memory before the run could catch it itself: told, never an abort.
    std::cerr << Utf8(orvane::ToCp1250(" *** NIEOCZEKIWANY BŁĄD PROGRAMU: ")) << error.what() << '\n';
    return 1;
  }
}
