// solvanta: the quasi-geoid calculator, window program.
#include <QApplication>

#include "common/command_line.h"
#include "common/gui/message_boxes.h"
#include "common/gui/qt_translations.h"
#include "common/process_start.h"
#include "common/settings_files.h"
#include "common/work_folder.h"
#include "quasigeoid/gui/calculator_window.h"
#include "quasigeoid/model_catalogue.h"

namespace {

const char* const kHelp =
    "Usage: solvanta [FOLDER]\n"
    "\n"
    "The window of the quasi-geoid calculator. It works in FOLDER, else in the folder named by\n"
    "key \"path\" of section [General] of orvane.ini (the user's own ~/.config/orvane/orvane.ini,\n"
    "then the one beside the program, then /etc/orvane/orvane.ini), else in the home folder.\n"
    "The model chosen in the window is kept in the user's orvane.ini. solvanta-cli does the same\n"
    "calculations without a window.\n"
    "\n"
    "  --version  the version of the suite\n"
    "  --help     this text\n";

}  // namespace

int main(int argc, char* argv[]) {
  orvane::PrepareProcess();
  if (const int status = orvane::WindowEarlyExit(argc, argv, "solvanta", kHelp); status >= 0) return status;
  QApplication app(argc, argv);
  std::string folder;
  if (const int status = orvane::WindowFolderArgument(argc, argv, "solvanta", kHelp, folder); status >= 0)
    return status;
  QApplication::setApplicationName(QStringLiteral("solvanta"));
  orvane::gui::InstallPolishQtTexts();
  orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
  // Only the main window keeps the program alive; closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // The model chosen last (kept in the user's orvane.ini), else PL-geoid2021.
  const orvane::SettingsFiles settings = orvane::FindSettingsFiles();
  const std::string models = solvanta::ModelFolder(orvane::ExecutableDirectory());
  solvanta::gui::CalculatorWindow window(folder.empty() ? orvane::LoadWorkFolder(settings) : folder,
                                         solvanta::ChosenModelPath(models, settings));
  window.SetModelChoiceFile(settings.own);
  window.show();
  return QApplication::exec();
}
