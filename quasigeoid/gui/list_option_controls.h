#pragma once
// The main window's controls of the coordinate forms and of the height-system task, kept apart from
// the window's own layout: the list "WSPÓŁRZĘDNE PUNKTÓW" (`ComboBox2`, its choice kept in
// orvane.ini like the model's), and the height-system task: its switch (`CheckBox5`), its
// direction (`ComboBox3`: PL-KRON86-NH -> PL-EVRF2007-NH or back), and the panels of the direction
// chosen: "H_KRON86" (`Panel10`) and "h_evrf2007.1" (`Panel11`), or "H_EVRF2007" (`Panel12`) and
// "h_kron86.1" (`Panel13`) in their place.
#include <QObject>
#include <functional>
#include <string>

#include "quasigeoid/coordinates/point_coordinates.h"

class QCheckBox;
class QComboBox;
class QWidget;

namespace orvane::gui {
class FilePanel;
}

namespace solvanta::gui {

// Where the coordinate form is kept in orvane.ini (section "Solvanta").
inline constexpr const char* kCoordinateChoiceKey = "coordinates";

class ListOptionControls : public QObject {
  Q_OBJECT
 public:
  // Builds the controls on `client`; `open` opens a file of the working folder in the editor.
  ListOptionControls(QWidget* client, std::string workFolder, std::function<void(const std::string&)> open);

  // Reads the kept form from `iniPath` and keeps every new choice there.
  void SetChoiceFile(std::string iniPath);
  CoordinateForm Form() const;
  void ChooseForm(CoordinateForm form);
  // Whether the task of that direction (TaskSwitch::Kron86 or TaskSwitch::Evrf2007) is to run.
  bool Kron86ToEvrf2007Set() const;
  bool Evrf2007ToKron86Set() const;
  // The other direction, as the user chooses it.
  void ChooseDirection(int index);
  // Highlights the result panel of a direction (the run made its file): 0 to PL-EVRF2007-NH, 1 back.
  void HighlightResult(int direction);
  void HighlightPresentFiles();

 private:
  std::string workFolder_;
  std::string choiceFile_;
  QComboBox* forms_ = nullptr;
  QCheckBox* heightTask_ = nullptr;
  QComboBox* direction_ = nullptr;
  // Per direction: the input and the result panel (only those of the chosen direction are shown).
  orvane::gui::FilePanel* inputs_[2] = {};
  orvane::gui::FilePanel* results_[2] = {};
};

}  // namespace solvanta::gui
