// kvel: the levelling-network adjustment, window program.
#include <QApplication>

#include "common/command_line.h"
#include "common/gui/message_boxes.h"
#include "common/gui/qt_translations.h"
#include "common/process_start.h"
#include "common/work_folder.h"
#include "leveling/gui/adjustment_window.h"

namespace {

const char* const kHelp =
    "Usage: kvel [FOLDER]\n"
    "\n"
    "The window of the levelling-network adjustment. It works in FOLDER, else in the folder\n"
    "named by key \"path\" of section [General] of orvane.ini (the user's own\n"
    "~/.config/orvane/orvane.ini, then the one beside the program, then /etc/orvane/orvane.ini),\n"
    "else in the home folder. kvel-cli does the same adjustment without a window.\n"
    "\n"
    "  --version  the version of the suite\n"
    "  --help     this text\n";

}  // namespace

int main(int argc, char* argv[]) {
  orvane::PrepareProcess();
  if (const int status = orvane::WindowEarlyExit(argc, argv, "kvel", kHelp); status >= 0) return status;
  QApplication app(argc, argv);
  std::string folder;
  if (const int status = orvane::WindowFolderArgument(argc, argv, "kvel", kHelp, folder); status >= 0) return status;
  QApplication::setApplicationName(QStringLiteral("kvel"));
  orvane::gui::InstallPolishQtTexts();
  orvane::gui::SetApplicationTitle(QStringLiteral("Wyrównanie sieci niwelacyjnej"));
  // Only the main window keeps the program alive; closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  kvel::gui::AdjustmentWindow window(folder.empty() ? orvane::LoadWorkFolder() : folder);
  window.show();
  return QApplication::exec();
}
