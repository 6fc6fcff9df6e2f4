#pragma once
// The main window of kvel: the options of the adjustment, the panels of the standard files, the
// MONITOR and the start of the run, which it hosts.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "leveling/adjustment_run.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace orvane::gui {
class FilePanel;
}  // namespace orvane::gui

namespace kvel::gui {

// An option box of the window: an editable drop-down box of `items` at x, y, 161 by 21 pixels,
// whose typed text is compared with the items (no completion; Enter adds nothing).
QComboBox* OptionBox(QWidget* parent, const char* name, const QStringList& items, int x, int y);

class AdjustmentWindow : public QMainWindow, private kvel::AdjustmentHost {
  Q_OBJECT
 public:
  // The run the window starts; tests put a recording one in its place.
  using RunFunction = std::function<orvane::RunOutcome(const std::string&, const AdjustmentOptions&,
                                                       AdjustmentHost&)>;
  // How a panel opens its file (the text editor window unless a test says otherwise).
  using OpenFunction = std::function<void(const QString&)>;

  static constexpr int kMonitorLines = kMonitorLineCount;

  // Builds the window on `workFolder` (the program passes orvane::LoadWorkFolder()).
  explicit AdjustmentWindow(std::string workFolder, QWidget* parent = nullptr);

  void SetRunFunction(RunFunction run) { run_ = std::move(run); }
  void SetOpenFunction(OpenFunction open) { open_ = std::move(open); }

  const std::string& WorkFolder() const { return workFolder_; }
  // The options as the controls stand now (UnitErrorIsOne read from the radio button).
  AdjustmentOptions Options() const;
  const std::vector<int>& Flags() const { return flags_; }
  AdjustmentHost& Host() { return *this; }

  // "OBLICZAJ".
  void StartAdjustment();

  // The MONITOR's line `index` as shown (0-based); empty beyond the last line.
  QString MonitorLineText(int index) const;
  int MonitorLineCount() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // AdjustmentHost
  void SetMonitorLine(int index, const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowEditHint() override;

  void BuildControls();
  // The levels of the statistical tests and the panel of testy.osn (statistics_controls.cpp).
  void BuildStatisticsControls(QWidget* client);
  StatisticsOptions StatisticsNow() const;
  void ComboChanged(QComboBox* box, int* option, const std::vector<int>& values,
                    const QString& text);
  void HighlightResults();
  void OpenPanelFile(const char* name);
  void OpenGeneralHelp();
  void OpenOptionsHelp();

  std::string workFolder_;
  RunFunction run_;
  OpenFunction open_;
  std::vector<int> flags_;  // deltah, deltah1, h.sta, xyh.sta, as found at creation

  bool defectShown_ = false;  // the run has shown a defect box
  int method_ = 1;
  int accuracyMode_ = 1;
  int decimals_ = 4;

  std::vector<orvane::gui::FilePanel*> panels_;  // Panel1..Panel6
  QPlainTextEdit* monitor_ = nullptr;
  QLabel* editHint_ = nullptr;
  QComboBox* methodBox_ = nullptr;
  QComboBox* accuracyBox_ = nullptr;
  QComboBox* decimalsBox_ = nullptr;
  QRadioButton* unitOne_ = nullptr;
  QRadioButton* unitEmpirical_ = nullptr;

  StatisticsOptions statistics_;  // alpha, alpha0, power as last typed or chosen validly
  orvane::gui::FilePanel* testsPanel_ = nullptr;  // Panel7, testy.osn
  QCheckBox* snoopingBox_ = nullptr;              // CheckBox1
};

}  // namespace kvel::gui
