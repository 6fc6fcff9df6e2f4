#pragma once
// The progress window "Czytanie geoidy": its gauge follows the loading of the model grid, and its
// "OK" button starts the run.
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace solvanta::gui {

// With an `owner` (the main window) it stays above that window, as its transient window. Escape
// closes it as its close button does, before "OK" (the run is abandoned).
class ProgressWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* owner = nullptr);

  // Advances the gauge by `steps`; it stays full once its maximum is reached.
  void Advance(int steps);
  int GaugePosition() const;
  QPushButton* OkButton() const { return okButton_; }

 signals:
  // "OK" was pressed: the run starts.
  void startRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QProgressBar* gauge_;
  QLabel* label_;
  QPushButton* okButton_;
};

}  // namespace solvanta::gui
