#pragma once
// The main window of solvanta: the reference frame, the four task switches, the panels of the
// standard files, the start of the computation run (which it hosts) and the help window.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "quasigeoid/calculator_run.h"
#include "quasigeoid/gui/progress_window.h"

#include "quasigeoid/model_catalogue.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace orvane::gui {
class FilePanel;
}

namespace solvanta::gui {


class CalculatorWindow : public QMainWindow, private solvanta::CalculatorHost {
  Q_OBJECT
 public:
  // The run started by "OK" of the progress window; tests put their own in its place.
  using RunFunction = std::function<orvane::RunOutcome(CalculatorHost&, const std::string& workFolder,
                                                       solvanta::ReferenceFrame frame, const std::string& modelPath)>;
  // How a panel opens its file (the text editor window unless a test says otherwise).
  using OpenFunction = std::function<void(const QString&)>;

  // Builds the window on `workFolder` (the program passes orvane::LoadWorkFolder()). The model
  // choice (`ComboBox1`) offers the models lying beside `modelPath` (FindModels), `modelPath`
  // chosen; the chosen model gives the contour map, the height system and the header lines, and
  // is read by every run.
  CalculatorWindow(std::string workFolder, std::string modelPath, QWidget* parent = nullptr);

  // Where a new choice of model is kept (the user's orvane.ini, common/settings_files.h); none by default.
  void SetModelChoiceFile(std::string iniPath) { modelChoiceFile_ = std::move(iniPath); }
  const std::string& ModelPath() const { return modelPath_; }
  // Chooses the model at `index` of the models offered, as the user does.
  void ChooseModel(int index);

  void SetRunFunction(RunFunction run) { run_ = std::move(run); }
  void SetOpenFunction(OpenFunction open) { open_ = std::move(open); }

  const std::string& WorkFolder() const { return workFolder_; }
  solvanta::ReferenceFrame ReferenceFrame() const { return referenceFrame_; }
  const std::vector<int>& Flags() const { return flags_; }
  orvane::gui::FilePanel* Panel(int number) const { return panels_[static_cast<std::size_t>(number - 1)]; }
  // The progress window of the run started last, while it exists.
  ProgressWindow* Progress() const { return progress_; }
  // True once a run has asked for the end of the program.
  bool EndRequested() const { return endRequested_; }
  CalculatorHost& Host() { return *this; }

  // "OBLICZAJ".
  void StartComputation();
  // Opens the progress window for a run on `workFolder`; returns at once. The run itself starts
  // when "OK" is pressed there, and takes the frame and the model chosen in the window at that
  // moment, both together, whatever was changed while the progress window waited. While a
  // progress window is open (waiting for "OK", or its run going on) no second one opens: the
  // open one comes to the front.
  void StartRun(const std::string& workFolder);

 signals:
  // A run has ended; the window has taken in its outcome.
  void runEnded(orvane::RunOutcome outcome);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // CalculatorHost
  bool IsTaskSwitchSet(TaskSwitch task) override;
  void HighlightPanel(ResultPanel panel) override;
  void AdvanceGauge(int steps) override;
  void CloseProgressWindow() override;
  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;

  void BuildControls();
  void PerformRun(ProgressWindow* progress);
  void FindPresentFiles();
  void OpenPanelFile(int index);
  void OpenHelp();
  void ShowModel();

  std::string workFolder_;
  std::string modelPath_;
  std::string runFolder_;
  solvanta::ReferenceFrame referenceFrame_ = solvanta::ReferenceFrame::None;  // None until chosen
  std::vector<int> flags_;
  bool endRequested_ = false;
  RunFunction run_;
  OpenFunction open_;
  QPointer<ProgressWindow> progress_;

  std::vector<orvane::gui::FilePanel*> panels_;  // Panel1..Panel9
  std::vector<QCheckBox*> switches_;             // CheckBox1..CheckBox4
  QRadioButton* etrf89_ = nullptr;
  QRadioButton* etrf2000_ = nullptr;
  std::vector<ModelEntry> models_;  // offered by ComboBox1
  std::string modelChoiceFile_;
  QComboBox* modelChoice_ = nullptr;
};

}  // namespace solvanta::gui
