#pragma once
// kvel's panel "ANALIZA PRZEMIESZCZEŃ" and its window: the epoch folders of a control network of
// vertical displacements picked in time order, the level of the tests and the variance factor,
// and the comparison of the epochs run into przemieszczenia.osn and przemieszczenia.csv of the
// working folder, whose report then opens in the editor.
#include <QDialog>
#include <functional>
#include <string>

#include "leveling/adjustment_run.h"

class QComboBox;
class QListWidget;
class QRadioButton;
class QWidget;

namespace kvel::gui {

class EpochsDialog : public QDialog {
  Q_OBJECT
 public:
  // `host` shows the boxes and MONITOR lines of the analysis; `openReport` opens
  // przemieszczenia.osn in the editor.
  EpochsDialog(std::string workFolder, AdjustmentHost& host, std::function<void()> openReport,
               QWidget* parent = nullptr);

  // Appends an epoch folder to the list (the "Dodaj epokę..." button asks for one).
  void AddFolder(const QString& folder);
  QStringList Folders() const;
  // "OBLICZAJ": runs the analysis over the listed folders. False when it did not finish.
  bool Run();

 private:
  void MoveSelected(int step);

  std::string workFolder_;
  AdjustmentHost& host_;
  std::function<void()> openReport_;
  QListWidget* list_ = nullptr;
  QComboBox* alpha_ = nullptr;
  QRadioButton* pooled_ = nullptr;
};

// The panel on `client` at its place in the window; a click opens the dialog (one at a time).
void BuildEpochsPanel(QWidget* client, const std::string& workFolder, AdjustmentHost& host,
                      std::function<void()> openReport);

}  // namespace kvel::gui
