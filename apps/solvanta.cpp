// solvanta: the quasi-geoid calculator, window program.
#include <QApplication>

#include "common/gui/message_boxes.h"
#include "common/gui/qt_translations.h"
#include "common/process_start.h"
#include "common/work_folder.h"
#include "quasigeoid/gui/calculator_window.h"
#include "quasigeoid/model_catalogue.h"

int main(int argc, char* argv[]) {
  orvane::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("solvanta"));
  orvane::gui::InstallPolishQtTexts();
  orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
  // Only the main window keeps the program alive; closing it ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // The model chosen last (kept in orvane.ini beside the program), else PL-geoid2021.
  const std::string programFolder = orvane::ExecutableDirectory();
  const std::string ini = programFolder + "/orvane.ini";
  // A model named there that cannot be found or read stops the program: it never runs another.
  const solvanta::ModelChoice choice = solvanta::ChooseModel(programFolder, ini);
  if (!choice.problem.empty()) {
    orvane::gui::Boxes().ShowOk(nullptr, orvane::gui::BoxKind::Information, orvane::gui::ApplicationTitle(),
                                QString::fromStdString(choice.problem));
    return 1;
  }
  solvanta::gui::CalculatorWindow window(orvane::LoadWorkFolder(), choice.path);
  window.SetModelChoiceFile(ini);
  window.show();
  return QApplication::exec();
}
