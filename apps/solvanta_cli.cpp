// solvanta-cli: the quasi-geoid calculator's run on a working folder, without a window.
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <string_view>

#include "common/command_line.h"
#include "common/cp1250.h"
#include "common/run_outcome.h"
#include "common/work_folder.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/model_grid.h"

namespace {

const char* const kHelp =
    "Usage: solvanta-cli --frame etrf89|etrf2000 [--folder DIR] [--tasks LIST] [--model FILE]\n"
    "\n"
    "Interpolates the height anomaly N of the quasi-geoid model SOLVANTA-2008QG (and the\n"
    "deflections of the vertical KSI, ETA) for the point lists of a working folder, converts\n"
    "heights between the ellipsoid and PL-KRON86-NH, and turns GNSS height differences into\n"
    "normal height differences. Results are written beside the inputs.\n"
    "\n"
    "Options:\n"
    "  --frame F      frame of the ellipsoidal heights and of N: etrf89 (PL-ETRF89) or\n"
    "                 etrf2000 (PL-ETRF2000, epoch 2011.00); required\n"
    "  --folder DIR   working folder (default: the current directory)\n"
    "  --tasks LIST   comma-separated tasks to enable: bl, blh_e, blh_n, sat (default: all);\n"
    "                 a task runs when it is enabled and its input exists\n"
    "  --model FILE   model grid file (default: solvanta_2008QG.bin beside this program)\n"
    "  --help         this text\n"
    "\n"
    "Tasks, input -> result (names matched without regard to letter case):\n"
    "  bl     BL -> BLN          N with KSI and ETA\n"
    "  blh_e  BLH_e -> BLH_n.1   normal height Hn = He - N from the ellipsoidal height He\n"
    "  blh_n  BLH_n -> BLH_e.1   ellipsoidal height He = Hn + N from the normal height Hn\n"
    "  sat    DELTAH.gps + BLH.grs -> DELTAH1   satellite levelling: dH(norm) = dH(elips) - dN\n"
    "\n"
    "Input records (Windows-1250 text, one point per line, fields separated by blanks, commas,\n"
    "semicolons or tabs; decimal point \".\"; fields after the last one used are ignored; a line\n"
    "whose first field is 0 is skipped):\n"
    "  BL, BLH_e, BLH_n  Nr Bdeg Bmin Bsec Ldeg Lmin Lsec [H]   (H: He in BLH_e, Hn in BLH_n)\n"
    "  BLH.grs           Nr Bdeg Bmin Bsec Ldeg Lmin Lsec ...   (approximate positions)\n"
    "  DELTAH.gps        NrI NrJ dH 1/w   (dH = H(NrJ) - H(NrI) ellipsoidal, metres; 1/w the\n"
    "                    squared mean error of dH, m^2, copied to DELTAH1)\n"
    "Point numbers count to 16 characters, letter case significant. The model covers\n"
    "48..56 N and 13..25 E.\n"
    "\n"
    "Result lines (Windows-1250, CR LF):\n"
    "  BLN      Nr B(d m s) L(d m s) N KSI = k[\"] ETA = e[\"]  frame\n"
    "  BLH_n.1  Nr B L Hn KSI = k[\"]  ETA = e[\"]  PL-KRON86-NH z  frame\n"
    "  BLH_e.1  Nr B L He  frame\n"
    "  DELTAH1  NrI NrJ dH(norm) 1/w frame, ended by the record 0 0 0 0: an observation file\n"
    "           of the levelling adjustment (kvel-cli)\n"
    "Bad records and points outside the model get a message line with \"***\" in place of\n"
    "their result; a DELTAH1 with such lines must be corrected before it is adjusted.\n"
    "\n"
    "Messages go to standard error. Exit status: 0 when the run reached \" koniec oblicze\xc5\x84 \",\n"
    "1 when it ended early (no input, a file error) or the program had to end (model file\n"
    "missing or damaged, a bad BLH.grs record, more than 100000 points in BLH.grs), 2 on a\n"
    "usage error.\n";

// The terminal as host of the run: the task switches come from --tasks, message boxes become
// lines on standard error and return at once.
class TerminalHost : public solvanta::CalculatorHost {
 public:
  explicit TerminalHost(std::set<solvanta::TaskSwitch> tasks) : tasks_(std::move(tasks)) {}

  bool IsTaskSwitchSet(solvanta::TaskSwitch task) override { return tasks_.count(task) != 0; }
  void HighlightPanel(solvanta::ResultPanel) override {}
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override {}
  void ShowMessage(const std::string& text) override { Print(text); }
  void ShowInformation(const std::string& text) override { Print(text); }

 private:
  static void Print(const std::string& text) { std::cerr << orvane::FromCp1250(text) << std::endl; }
  std::set<solvanta::TaskSwitch> tasks_;
};

int UsageError(const std::string& text) { return orvane::UsageError("solvanta-cli", text); }

bool ParseTasks(std::string_view list, std::set<solvanta::TaskSwitch>& tasks, std::string& bad) {
  tasks.clear();
  while (!list.empty()) {
    const auto comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (name == "bl") {
      tasks.insert(solvanta::TaskSwitch::Bl);
    } else if (name == "blh_e") {
      tasks.insert(solvanta::TaskSwitch::BlhE);
    } else if (name == "blh_n") {
      tasks.insert(solvanta::TaskSwitch::BlhN);
    } else if (name == "sat") {
      tasks.insert(solvanta::TaskSwitch::SatelliteLevelling);
    } else if (!name.empty()) {
      bad = std::string(name);
      return false;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  solvanta::ReferenceFrame frame = solvanta::ReferenceFrame::None;
  std::string folder = ".";
  std::string modelPath;
  std::set<solvanta::TaskSwitch> tasks = {solvanta::TaskSwitch::Bl, solvanta::TaskSwitch::BlhE,
                                          solvanta::TaskSwitch::BlhN, solvanta::TaskSwitch::SatelliteLevelling};
  static constexpr orvane::CommandOption kOptions[] = {{"--frame"}, {"--folder"}, {"--tasks"}, {"--model"}};
  const orvane::CommandLine line = orvane::ParseCommandLine(argc, argv, kOptions);
  if (const int status = orvane::EarlyExit(line, "solvanta-cli", kHelp); status >= 0) return status;
  for (const auto& [flag, value] : line.options) {
    if (flag == "--frame") {
      if (value == "etrf89") {
        frame = solvanta::ReferenceFrame::Etrf89;
      } else if (value == "etrf2000") {
        frame = solvanta::ReferenceFrame::Etrf2000;
      } else {
        return UsageError("unknown frame '" + std::string(value) + "' (etrf89 or etrf2000)");
      }
    } else if (flag == "--folder") {
      folder = std::string(value);
    } else if (flag == "--tasks") {
      std::string bad;
      if (!ParseTasks(value, tasks, bad)) return UsageError("unknown task '" + bad + "' (bl, blh_e, blh_n, sat)");
    } else {
      modelPath = std::string(value);
    }
  }
  if (frame == solvanta::ReferenceFrame::None) return UsageError("choose a frame with --frame etrf89 or --frame etrf2000");
  if (modelPath.empty()) modelPath = solvanta::ModelFilePath();

  TerminalHost host(std::move(tasks));
  const orvane::RunOutcome outcome = solvanta::RunCalculation(host, folder, frame, modelPath);
  return outcome == orvane::RunOutcome::Finished ? 0 : 1;
}
