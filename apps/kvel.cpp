// kvel: the levelling-network adjustment, window program.
#include <QApplication>

#include "common/gui/message_boxes.h"
#include "common/gui/qt_translations.h"
#include "common/process_start.h"
#include "common/work_folder.h"
#include "leveling/gui/adjustment_window.h"

int main(int argc, char* argv[]) {
  orvane::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kvel"));
  orvane::gui::InstallPolishQtTexts();
  orvane::gui::SetApplicationTitle(QStringLiteral("Wyrównanie sieci niwelacyjnej"));
  // Only the main window keeps the program alive; closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  kvel::gui::AdjustmentWindow window(orvane::LoadWorkFolder());
  window.show();
  return QApplication::exec();
}
