#pragma once
// Two panels of kvel's window: "DANE Z NIWELATORA" (picks a level's raw files, asks for the
// turning-point pattern, writes deltah with the field book after a Tak/Nie box when deltah exists,
// and shows the field book in the editor) and "ZAMKNIĘCIA" (opens zamkniecia.osn).
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QWidget;

namespace kvel::gui {

struct LevelPanelActions {
  std::function<QStringList(QWidget*)> pickFiles;              // the raw files; empty: cancelled
  std::function<bool(QWidget*, QString& pattern)> askPattern;  // false: cancelled
  std::function<void(const char* name)> open;                  // a standard file in the editor
  std::function<void()> deltahWritten;                         // the window counts deltah from now on
  std::string iniPath;  // where the pattern is kept; empty: the user's settings (orvane.ini)
};

// Builds Panel8 and Panel9 on `client`; `window` parents the dialogs and boxes. Actions left empty
// get the file dialog, the input dialog and orvane.ini beside the program. Returns what the window
// calls after a run: Panel9 is highlighted when zamkniecia.osn exists.
std::function<void()> BuildLevelPanels(QWidget* client, QWidget* window, const std::string& workFolder, LevelPanelActions actions);

// What Panel8 does once the files are chosen: the import, the Tak/Nie box when deltah exists,
// the field book opened; every message in a box. True when deltah was written.
bool ImportLevelFilesFromWindow(QWidget* window, const std::string& workFolder, const QStringList& files,
                                const std::string& pattern, const LevelPanelActions& actions);

}  // namespace kvel::gui
