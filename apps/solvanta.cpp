// solvanta: the quasi-geoid calculator, window program.
#include <QApplication>

#include "common/gui/message_boxes.h"
#include "common/process_start.h"
#include "common/work_folder.h"
#include "quasigeoid/gui/calculator_window.h"
#include "quasigeoid/model_grid.h"

int main(int argc, char* argv[]) {
  orvane::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("solvanta"));
  orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
  // Only the main window keeps the program alive; closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  solvanta::gui::CalculatorWindow window(orvane::LoadWorkFolder(), solvanta::ModelFilePath());
  window.show();
  return QApplication::exec();
}
