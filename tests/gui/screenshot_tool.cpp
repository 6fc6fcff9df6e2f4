// Makes the pictures of the manual: kvel's main window after a run on the example folder,
// solvanta's main window on its example folder, and an editor window on an observation file.
// Each window is drawn off-screen with QWidget::grab (no window frame).
//
//   gui_screenshots <output folder> <examples folder>
//
// The example folders are copied to <temp>/orvane-pomiary first: the runs write result files,
// and the originals stay as they are.
#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <filesystem>

#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/work_folder.h"
#include "leveling/gui/adjustment_window.h"
#include "quasigeoid/gui/calculator_window.h"
#include "quasigeoid/model_catalogue.h"

namespace fs = std::filesystem;

namespace {

bool CopyFolder(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::remove_all(to, error);
  fs::create_directories(to, error);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  return !error;
}

bool Save(QWidget* window, const QString& path) {
  window->show();
  QApplication::processEvents();
  const bool ok = window->grab().save(path);
  QTextStream(stderr) << (ok ? "wrote " : "could not write ") << path << '\n';
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    QTextStream(stderr) << "usage: gui_screenshots <output folder> <examples folder>\n";
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const fs::path examples = argv[2];
  QDir().mkpath(out);
  const fs::path work = fs::path(QDir::tempPath().toStdString()) / "orvane-pomiary";
  if (!CopyFolder(examples / "kvel", work / "kvel") || !CopyFolder(examples / "solvanta", work / "solvanta")) {
    QTextStream(stderr) << "cannot copy the example folders to " << QString::fromStdString(work.string()) << '\n';
    return 1;
  }
  // The runs' boxes are recorded, not shown.
  orvane::gui::MessageBoxRecorder boxes;
  orvane::gui::ScopedMessageBoxes scoped(&boxes);
  bool ok = true;

  orvane::gui::SetApplicationTitle(QStringLiteral("Wyrównanie sieci niwelacyjnej"));
  kvel::gui::AdjustmentWindow kvelWindow((work / "kvel").string());
  kvelWindow.show();
  kvelWindow.StartAdjustment();
  ok = Save(&kvelWindow, out + QStringLiteral("/kvel.png")) && ok;
  kvelWindow.hide();

  orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
  solvanta::gui::CalculatorWindow solvantaWindow((work / "solvanta").string(),
                                                 solvanta::DefaultModelPath(orvane::ExecutableDirectory()));
  ok = Save(&solvantaWindow, out + QStringLiteral("/solvanta.png")) && ok;
  solvantaWindow.hide();

  const std::string observations = orvane::StandardFilePath((work / "kvel").string(), "deltah");
  orvane::gui::EditorWindow* editor = orvane::gui::OpenInEditor(QString::fromStdString(observations));
  ok = editor != nullptr && Save(editor, out + QStringLiteral("/editor.png")) && ok;
  orvane::gui::DiscardAllEditors();
  return ok ? 0 : 1;
}
