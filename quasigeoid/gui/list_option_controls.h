#pragma once
// The main window's controls of the coordinate forms and of the height-system task, kept apart from
// the window's own layout: the list "WSPÓŁRZĘDNE PUNKTÓW" (`ComboBox2`, its choice kept in
// orvane.ini like the model's), and the task PL-KRON86-NH -> PL-EVRF2007-NH: its switch
// (`CheckBox5`), its input panel "H_KRON86" (`Panel10`) and its result panel "h_evrf2007.1"
// (`Panel11`).
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
  bool HeightTaskSet() const;
  // Highlights the result panel (the run made h_evrf2007.1) and the input panel when its file is there.
  void HighlightResult();
  void HighlightPresentFiles();

 private:
  std::string workFolder_;
  std::string choiceFile_;
  QComboBox* forms_ = nullptr;
  QCheckBox* heightTask_ = nullptr;
  orvane::gui::FilePanel* input_ = nullptr;
  orvane::gui::FilePanel* result_ = nullptr;
};

}  // namespace solvanta::gui
