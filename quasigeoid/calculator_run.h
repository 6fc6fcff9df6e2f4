#pragma once
// One computation run of the quasi-geoid calculator: load the model grid, decide which tasks have
// their input and their switch, create their result files, run the point lists (BL, BLH_e, BLH_n)
// and then satellite levelling, and end with " koniec obliczeń ".
//
// The run talks to its front end (the windows, the terminal, a test) only through CalculatorHost
// and returns how it ended; it never ends the process. Texts handed to the host are Windows-1250
// bytes; paths inside them are the file-system paths converted to Windows-1250.
#include <string>

#include "common/run_outcome.h"
#include "quasigeoid/interpolation.h"

namespace solvanta {

// Task switches of the main window (CheckBox1..CheckBox4).
enum class TaskSwitch : int { Bl = 1, BlhE = 2, BlhN = 3, SatelliteLevelling = 4 };

// Result panels of the main window that the run highlights (Panel4, Panel5, Panel6, Panel9).
enum class ResultPanel : int { Bln = 4, BlhN1 = 5, BlhE1 = 6, Deltah1 = 9 };

// What the front end offers the run. All calls come from the thread that called RunCalculation;
// the message boxes are modal: the run goes on when they return.
class CalculatorHost {
 public:
  virtual ~CalculatorHost() = default;
  // Whether the task switch is set. Asked when the run decides on its tasks and again just
  // before each point-list task starts.
  virtual bool IsTaskSwitchSet(TaskSwitch task) = 0;
  // Gives the result panel the highlight colour of the standard files (it is never taken back).
  virtual void HighlightPanel(ResultPanel panel) = 0;
  // Advances the progress window's gauge by `steps` (one step per model value read; the gauge's
  // maximum is kLoadGaugeMaximum and it stays full once reached).
  virtual void AdvanceGauge(int steps) = 0;
  // Closes (hides) the progress window; called once, when the model has been read.
  virtual void CloseProgressWindow() = 0;
  // A plain message box: no icon, one OK button, the application's title as caption.
  virtual void ShowMessage(const std::string& text) = 0;
  // An information box: information icon, one OK button.
  virtual void ShowInformation(const std::string& text) = 0;
};

// The end-of-run message, and the message of a run without input (Windows-1250).
std::string EndOfRunMessage();    // " koniec obliczeń "
std::string NoInputMessage();     // "*** Brak zbioru danych "

// Messages of file errors, with the path (Windows-1250). A result that cannot be created or
// written, or an input that cannot be read, is always told: never a silent success.
// A result's messages carry the reason (UTF-8) after the path, in parentheses, when one is given.
std::string CannotCreateMessage(const std::string& path, const std::string& reason = {});  // "*** Nie można utworzyć pliku: " path
std::string CannotReadMessage(const std::string& path);    // "*** Nie można odczytać pliku: " path
std::string WriteErrorMessage(const std::string& path, const std::string& reason = {});    // "*** Błąd zapisu pliku: " path
// A fault that no check foresaw, out of memory among them: "*** Nieoczekiwany błąd programu: " what
std::string UnexpectedErrorMessage(const std::string& what);

// Performs one run on `workFolder` (standard files matched without regard to letter case) in the
// `frame` (ReferenceFrame::Etrf89 or ReferenceFrame::Etrf2000, codes 1 and 3), reading the model from
// `modelPath` (normally the chosen model beside the program, ChosenModelPath of model_catalogue.h;
// its record gives the height-system label of BLH_n.1).
//
// Outcomes:
// - Finished: " koniec obliczeń " was shown (also when no task was enabled);
// - Stopped: the run ended early: no input at all ("*** Brak zbioru danych "), a frame code other
//   than 1 or 3, another run holding the folder, a result file that could not be created or
//   written, an input file that could not be read, or a fault such as running out of memory
//   (each told by a message box first); the old result files are then left as they were;
// - EndProgram: the program must end at once, after its message box: the model file missing or
//   unreadable, a bad BLH.grs record, more than 100 000 admissible points in BLH.grs. Every result
//   file is closed (its lines are on disk) before this is returned.
// Result files are written beside the old ones and take their place together when the run ends
// (Finished or EndProgram), so a run that is killed leaves the old results whole.
orvane::RunOutcome RunCalculation(CalculatorHost& host, const std::string& workFolder, ReferenceFrame frame,
                                  const std::string& modelPath);

}  // namespace solvanta
