// solvanta's main window and progress window, off-screen: the frame check of "OBLICZAJ", the
// progress window and its gauge, the task switches as the real run reads them, the end of the
// program, the presence highlight, the panels, the help window and the contour map.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/work_folder.h"
#include "main_window_checks.h"
#include "quasigeoid/gui/calculator_window.h"
#include "quasigeoid/gui/progress_window.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/model_info.h"
#include "support/commit_record.h"

using orvane::gui::BoxButton;
using orvane::gui::BoxKind;
using orvane::gui::FilePanel;
using orvane::gui::MessageBoxRecorder;
using orvane::gui::ScopedMessageBoxes;
using solvanta::gui::CalculatorWindow;
using solvanta::gui::ProgressWindow;

namespace {

void WriteFile(const QString& path, const std::string& bytes = "x\r\n") {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << bytes;
}

bool Exists(const QString& folder, const char* name) {
  return orvane::FileExists(orvane::StandardFilePath(folder.toStdString(), name));
}

// Switches the numbers of the C library to a locale whose decimal separator is a comma (as a
// Polish desktop does); false when the system has none installed.
bool UseACommaLocale() {
  for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "pl_PL", "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8",
                           "fr_FR.utf8", "ru_RU.UTF-8", "ru_RU.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name) && std::strcmp(std::localeconv()->decimal_point, ",") == 0) return true;
  }
  std::setlocale(LC_NUMERIC, "C");
  return false;
}

struct RunCall {
  std::string folder;
  int frame = 0;
  std::string modelPath;
};

}  // namespace

class SolvantaWindowTest : public QObject {
  Q_OBJECT

 private:
  MessageBoxRecorder boxes_;
  std::optional<ScopedMessageBoxes> scoped_;
  QTemporaryDir modelDir_;
  QString modelPath_;

  std::unique_ptr<CalculatorWindow> FakeRunWindow(const QString& folder, std::vector<RunCall>& calls) {
    auto w = std::make_unique<CalculatorWindow>(folder.toStdString(), modelPath_.toStdString());
    w->SetRunFunction([&calls](solvanta::CalculatorHost&, const std::string& f, solvanta::ReferenceFrame frame, const std::string& m) {
      calls.push_back({f, static_cast<int>(frame), m});
      return orvane::RunOutcome::Finished;
    });
    return w;
  }

  static void PressStart(CalculatorWindow& w) {
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
  }
  static void PressOk(CalculatorWindow& w) {
    QVERIFY(w.Progress() != nullptr);
    QTest::mouseClick(w.Progress()->OkButton(), Qt::LeftButton);
  }

 private slots:
  // A run killed in the middle of putting its results in place: the window that opens the folder
  // carries the replacement out before it looks at the files, and shows the new results.
  void openingAFolderSettlesAKilledRunsResults() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    for (const char* name : {"bln", "deltah1"}) std::ofstream(folder + "/" + name, std::ios::binary) << "earlier\r\n";
    orvane::testing::LayKilledCommit(folder, {{"bln", "new\r\n"}, {"deltah1", "new\r\n"}});
    auto w = std::make_unique<CalculatorWindow>(dir.path().toStdString(), modelPath_.toStdString());
    for (const char* name : {"bln", "deltah1"}) {
      std::ifstream in(folder + "/" + name, std::ios::binary);
      QCOMPARE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), std::string("new\r\n"));
    }
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral(".orvane-commit"))));
    QCOMPARE(QDir(dir.path()).entryList(QStringList{QStringLiteral(".orvane-tmp.*")}, QDir::Hidden | QDir::Files).size(), 0);
  }

  void initTestCase() {
    orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
    // A synthetic model: N = 30 m everywhere.
    modelPath_ = modelDir_.filePath(QString::fromLatin1(solvanta::kModelFileName));
    std::vector<std::int32_t> values(solvanta::kGridValueCount, 3000000);
    std::ofstream out(modelPath_.toStdString(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * 4));
  }
  void init() {
    boxes_ = MessageBoxRecorder();
    scoped_.emplace(&boxes_);
  }
  void cleanup() {
    scoped_.reset();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == QLatin1String("TForm2") || top->objectName() == QLatin1String("TForm3")) {
        top->close();
      }
    }
  }

  void startWithoutAFrameStartsNothing() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("bl"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    QCOMPARE(static_cast<int>(w->ReferenceFrame()), 0);
    PressStart(*w);
    QCOMPARE(boxes_.Texts(), QStringList{QStringLiteral(" * ALE WYBIERZ NAJPIERW UKLAD ODNIESIENIA ")});
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Message);
    QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("Solvanta_2008QG"));
    QVERIFY(w->Progress() == nullptr);
    QVERIFY(calls.empty());
    QCOMPARE(static_cast<int>(w->ReferenceFrame()), 0);
  }

  void frameChoiceReachesTheRunWhenOkIsPressed_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("frame");
    QTest::newRow("PL-ETRF89") << QStringLiteral("RadioButton1") << 1;
    QTest::newRow("PL-ETRF2000") << QStringLiteral("RadioButton3") << 3;
  }
  void frameChoiceReachesTheRunWhenOkIsPressed() {
    QFETCH(QString, button);
    QFETCH(int, frame);
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    // The other button first: the last click counts.
    w->findChild<QRadioButton*>(frame == 1 ? QStringLiteral("RadioButton3") : QStringLiteral("RadioButton1"))
        ->click();
    w->findChild<QRadioButton*>(button)->click();
    QCOMPARE(static_cast<int>(w->ReferenceFrame()), frame);
    PressStart(*w);
    ProgressWindow* progress = w->Progress();
    QVERIFY(progress != nullptr);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->windowTitle(), QStringLiteral("Czytanie geoidy"));
    QCOMPARE(progress->size(), QSize(215, 46));
    auto* gauge = progress->findChild<QProgressBar*>(QStringLiteral("Gauge1"));
    QCOMPARE(gauge->maximum(), 190000);
    QCOMPARE(gauge->value(), 0);
    QCOMPARE(progress->OkButton()->text(), QStringLiteral("OK"));
    QVERIFY(calls.empty());  // nothing runs before "OK"
    PressOk(*w);
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].frame, frame);
    QCOMPARE(QString::fromStdString(calls[0].folder), dir.path());
    QCOMPARE(QString::fromStdString(calls[0].modelPath), modelPath_);
    QTRY_VERIFY(w->Progress() == nullptr);
    QVERIFY(!w->EndRequested());
  }

  void closingTheProgressWindowAbandonsTheRun() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    PressStart(*w);
    w->Progress()->close();
    QTRY_VERIFY(w->Progress() == nullptr);
    QVERIFY(calls.empty());
    // Escape does the same.
    PressStart(*w);
    QTest::keyClick(w->Progress()->OkButton(), Qt::Key_Escape);
    QTRY_VERIFY(w->Progress() == nullptr);
    QVERIFY(calls.empty());
    PressStart(*w);  // a fresh progress window
    PressOk(*w);
    QCOMPARE(calls.size(), std::size_t{1});
  }

  void gaugeIsFullAtItsMaximumAndStaysSo() {
    QTemporaryDir dir;
    auto w = std::make_unique<CalculatorWindow>(dir.path().toStdString(), modelPath_.toStdString());
    QList<int> seen;
    bool hiddenAfterClose = false;
    w->SetRunFunction([&](solvanta::CalculatorHost& host, const std::string&, solvanta::ReferenceFrame, const std::string&) {
      host.AdvanceGauge(150000);
      seen << w->Progress()->GaugePosition();
      host.AdvanceGauge(100000);
      seen << w->Progress()->GaugePosition();
      host.AdvanceGauge(1);
      seen << w->Progress()->GaugePosition();
      host.CloseProgressWindow();
      hiddenAfterClose = !w->Progress()->isVisible();
      return orvane::RunOutcome::Finished;
    });
    w->show();
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    PressStart(*w);
    PressOk(*w);
    QCOMPARE(seen, (QList<int>{150000, 190000, 190000}));
    QVERIFY(hiddenAfterClose);
  }

  void taskSwitchesReachTheRun_data() {
    QTest::addColumn<QList<bool>>("switches");
    QTest::addColumn<QList<int>>("highlighted");  // result panels highlighted after the run
    QTest::addColumn<QStringList>("created");
    QTest::newRow("all") << QList<bool>{true, true, true, true} << QList<int>{4, 5, 6, 9}
                         << QStringList{"bln", "blh_n.1", "blh_e.1", "deltah1"};
    QTest::newRow("BLH_e off") << QList<bool>{true, false, true, true} << QList<int>{4, 6, 9}
                               << QStringList{"bln", "blh_e.1", "deltah1"};
    QTest::newRow("satellite levelling only") << QList<bool>{false, false, false, true} << QList<int>{9}
                                              << QStringList{"deltah1"};
    QTest::newRow("none") << QList<bool>{false, false, false, false} << QList<int>{} << QStringList{};
  }
  void taskSwitchesReachTheRun() {
    QFETCH(QList<bool>, switches);
    QFETCH(QList<int>, highlighted);
    QFETCH(QStringList, created);
    QTemporaryDir dir;
    const std::string point = "A100 51 32 19.85593 19 36 3.24319";
    WriteFile(dir.filePath("bl"), point + "\r\n");
    WriteFile(dir.filePath("blh_e"), point + " 234.5678\r\n");
    WriteFile(dir.filePath("blh_n"), point + " 204.5678\r\n");
    WriteFile(dir.filePath("blh.grs"), point + " 100.0\r\nA200 52 10 0 20 0 0 100\r\n");
    WriteFile(dir.filePath("deltah.gps"), "A100 A200 12.34567 0.000004\r\n");
    CalculatorWindow w(dir.path().toStdString(), modelPath_.toStdString());
    w.show();
    for (int i = 0; i < 4; ++i) {
      w.findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(i + 1))->setChecked(switches[i]);
    }
    w.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    for (int n : {4, 5, 6, 9}) QVERIFY(!w.Panel(n)->IsHighlighted());
    PressStart(w);
    PressOk(w);

    QVERIFY(boxes_.Count() >= 1);
    QCOMPARE(boxes_.Texts().last(), QStringLiteral(" koniec obliczeń "));
    // Each point-list task that ran announced itself, in the order BL, BLH_e, BLH_n.
    QStringList announced;
    for (const QString& text : boxes_.Texts()) {
      if (text.contains(QStringLiteral("->"))) announced << text.section(QStringLiteral("->"), 0, 0).trimmed();
    }
    QStringList expectedInputs;
    const char* inputs[3] = {"bl", "blh_e", "blh_n"};
    for (int i = 0; i < 3; ++i) {
      if (switches[i]) expectedInputs << dir.filePath(QString::fromLatin1(inputs[i]));
    }
    QCOMPARE(announced, expectedInputs);
    for (int n : {4, 5, 6, 9}) QCOMPARE(w.Panel(n)->IsHighlighted(), highlighted.contains(n));
    for (const char* name : {"bln", "blh_n.1", "blh_e.1", "deltah1"}) {
      QCOMPARE(Exists(dir.path(), name), created.contains(QString::fromLatin1(name)));
    }
    if (created.contains("bln")) {
      // N = 30 m everywhere in the synthetic model, in the frame chosen.
      std::ifstream in(orvane::StandardFilePath(dir.path().toStdString(), "bln"));
      std::string line;
      std::getline(in, line);
      QVERIFY2(line.find(" 30.0000") != std::string::npos, line.c_str());
      QVERIFY2(line.find("PL-ETRF2000") != std::string::npos, line.c_str());
    }
    QVERIFY(!w.EndRequested());
    QVERIFY(w.isVisible());
  }

  void runWritesNumbersWithADecimalPointInAnyLocale() {
    if (!UseACommaLocale()) QSKIP("no locale with a decimal comma is installed");
    QTemporaryDir dir;
    WriteFile(dir.filePath("bl"), "A100 51 32 19.85593 19 36 3.24319\r\n");
    CalculatorWindow w(dir.path().toStdString(), modelPath_.toStdString());
    std::string pointInRun;
    w.SetRunFunction([&](solvanta::CalculatorHost& host, const std::string& f, solvanta::ReferenceFrame frame, const std::string& m) {
      pointInRun = std::localeconv()->decimal_point;
      return solvanta::RunCalculation(host, f, frame, m);
    });
    w.show();
    w.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    PressStart(w);
    PressOk(w);
    std::setlocale(LC_NUMERIC, "C");
    QCOMPARE(QString::fromStdString(pointInRun), QStringLiteral("."));
    std::ifstream in(orvane::StandardFilePath(dir.path().toStdString(), "bln"));
    std::string line;
    std::getline(in, line);
    QVERIFY2(line.find(" 30.0000") != std::string::npos, line.c_str());
    QVERIFY2(line.find(',') == std::string::npos, line.c_str());
  }

  void runChangesTheApplicationTitleOnly() {
    // The platform appends Qt's display name to every caption it shows, so the run's title
    // "NIVORA_2008QG" is kept apart from it and reaches the message boxes alone.
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    const QString caption = w->windowTitle();
    QVERIFY(caption.startsWith(QStringLiteral(" SOLVANTA_2008QG -  program  ( wersja  3.1 )")));
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    PressStart(*w);
    QCOMPARE(orvane::gui::ApplicationTitle(), QStringLiteral("NIVORA_2008QG"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QCOMPARE(w->Progress()->windowTitle(), QStringLiteral("Czytanie geoidy"));
    QCOMPARE(w->windowTitle(), caption);
    orvane::gui::Boxes().Message(w.get(), QStringLiteral("x"));
    QCOMPARE(boxes_.Boxes().back().caption, QStringLiteral("NIVORA_2008QG"));
    orvane::gui::SetApplicationTitle(QStringLiteral("Solvanta_2008QG"));
  }

  void missingModelEndsTheProgram() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("bl"), "A100 51 32 19.85593 19 36 3.24319\r\n");
    CalculatorWindow w(dir.path().toStdString(), dir.filePath("solvanta_2008QG.bin").toStdString());
    QVERIFY(w.findChild<QLabel*>(QStringLiteral("Image2"))->pixmap().isNull());
    w.show();
    w.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    PressStart(w);
    PressOk(w);
    QCOMPARE(boxes_.Texts(), QStringList{QStringLiteral("*** Brak pliku: solvanta_2008QG.bin")});
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Information);
    QVERIFY(w.EndRequested());
    QVERIFY(!w.isVisible());
    QVERIFY(!Exists(dir.path(), "bln"));
  }

  void presenceHighlightAtStart() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("BL"));
    WriteFile(dir.filePath("blh_n.1"));
    WriteFile(dir.filePath("DELTAH.GPS"));
    WriteFile(dir.filePath("Deltah1"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    QCOMPARE(w->Flags(), (std::vector<int>{1, 0, 0, 0, 1, 0, 1, 0, 1}));
    for (int n = 1; n <= 9; ++n) {
      const bool expected = (n == 1 || n == 5 || n == 7 || n == 9);
      QCOMPARE(w->Panel(n)->IsHighlighted(), expected);
      QCOMPARE(w->Panel(n)->palette().color(QPalette::Window) == orvane::gui::InfoColour(), expected);
    }
    auto* status = w->findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChild<QLabel*>();
    QCOMPARE(status->text(), QStringLiteral(" Folder roboczy = ") + dir.path());
    for (int i = 1; i <= 4; ++i) QVERIFY(w->findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(i))->isChecked());
    QVERIFY(!w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->isChecked());
    QVERIFY(!w->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->isChecked());
  }

  void anInputMadeAfterStartIsCountedButNotHighlighted() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    WriteFile(dir.filePath("blh_e"));  // written with the editor while the program runs
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    PressStart(*w);
    PressOk(*w);
    QCOMPARE(w->Flags()[1], 1);
    QVERIFY(!w->Panel(2)->IsHighlighted());
  }

  void panelsOpenTheirStandardFiles() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("blh_n.1"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    QStringList opened;
    w->SetOpenFunction([&](const QString& path) { opened << path; });
    w->show();
    for (int n = 1; n <= 9; ++n) QTest::mouseClick(w->Panel(n), Qt::LeftButton);
    const QString d = dir.path() + QLatin1Char('/');
    QCOMPARE(opened, (QStringList{d + "bl", d + "blh_e", d + "blh_n", d + "bln", d + "blh_n.1", d + "BLH_e.1",
                                  d + "deltah.gps", d + "Blh.grs", d + "deltah1"}));
  }

  void panelPathIsNeverCut() {
    const std::string longFolder = "/" + std::string(300, 's');
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(QString::fromStdString(longFolder), calls);
    QStringList opened;
    w->SetOpenFunction([&](const QString& path) { opened << path; });
    w->show();
    QTest::mouseClick(w->Panel(8), Qt::LeftButton);
    QCOMPARE(opened, QStringList{QString::fromStdString(longFolder + "/Blh.grs")});
  }

  // Run on the usual screen and once more on one of 800 x 600 (ctest: solvanta_window_800x600).
  void statusBarStaysOnTheScreen() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect area = w->screen()->availableGeometry();
    auto* status = w->findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    auto* scroll = w->findChild<QScrollArea*>(QStringLiteral("ClientScroll"));
    if (area.height() >= 615 + 28) {
      // Room enough: the window as it is laid out.
      QCOMPARE(w->size(), QSize(802, 615));
      QVERIFY(scroll == nullptr);
      return;
    }
    // Too low a screen: the whole window fits under a title bar, the status bar at its foot, and
    // the controls scroll, "OBLICZAJ" and "Wyjście" among them.
    QVERIFY(scroll);
    QCOMPARE(w->width(), 802);
    QVERIFY2(w->height() + 28 <= area.height(), qPrintable(QString::number(w->height())));
    QVERIFY(status->isVisible());
    QCOMPARE(status->geometry().bottom(), w->rect().bottom());
    QCOMPARE(status->height(), 37);
    auto* start = w->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    scroll->ensureWidgetVisible(start);
    const QRect shown(start->mapTo(scroll->viewport(), QPoint(0, 0)), start->size());
    QVERIFY(scroll->viewport()->rect().contains(shown));
    PressStart(*w);
    QVERIFY(w->Progress() == nullptr);  // no frame chosen yet: the box, as on a larger screen
    QCOMPARE(boxes_.Count(), 1);
  }

  void everyWayOfEndingAsksAboutUnsavedEditors_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ends");
    const int cancel = static_cast<int>(BoxButton::Cancel);
    const int no = static_cast<int>(BoxButton::No);
    QTest::newRow("Wyjście, Anuluj") << QStringLiteral("exit") << cancel << false;
    QTest::newRow("Wyjście, Nie") << QStringLiteral("exit") << no << true;
    QTest::newRow("title bar, Anuluj") << QStringLiteral("close") << cancel << false;
    QTest::newRow("run ends the program, Anuluj") << QStringLiteral("run") << cancel << false;
    QTest::newRow("run ends the program, Nie") << QStringLiteral("run") << no << true;
  }
  void everyWayOfEndingAsksAboutUnsavedEditors() {
    QFETCH(QString, way);
    QFETCH(int, answer);
    QFETCH(bool, ends);
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->SetRunFunction(
        [](solvanta::CalculatorHost& host, const std::string&, solvanta::ReferenceFrame, const std::string&) {
          host.ShowInformation("*** Brak pliku: PL-geoid2021.bin");
          return orvane::RunOutcome::EndProgram;
        });
    w->show();
    QTest::mouseClick(w->Panel(1), Qt::LeftButton);
    QPointer<orvane::gui::EditorWindow> editor;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* e = qobject_cast<orvane::gui::EditorWindow*>(top); e && e->isVisible()) editor = e;
    }
    QVERIFY(editor);
    editor->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
        ->setPlainText(QStringLiteral("A100 51 32 19.8 19 36 3.2"));
    boxes_.Script({static_cast<BoxButton>(answer)});
    if (way == QLatin1String("exit")) {
      w->findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();
    } else if (way == QLatin1String("close")) {
      w->close();
    } else {
      w->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
      PressStart(*w);
      PressOk(*w);
    }
    QCOMPARE(boxes_.Texts().last(), "Zapisać zmiany w " + dir.filePath(QStringLiteral("bl")) + "?");
    QCOMPARE(w->isVisible(), !ends);
    QVERIFY(editor);
    QCOMPARE(editor->IsModified(), true);
    orvane::gui::DiscardAllEditors();
  }

  void infoGivesAFreshHelpWindowOnEveryClick() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    auto* info = w->findChild<QLabel*>(QStringLiteral("StaticText8"));
    QTest::mouseClick(info, Qt::LeftButton);
    QTest::mouseClick(info, Qt::LeftButton);
    QList<QWidget*> helps;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == QLatin1String("TForm3") && top->isVisible()) helps << top;
    }
    QCOMPARE(helps.size(), 2);
    QCOMPARE(helps[0]->windowTitle(), QStringLiteral("Pomoc"));
    QCOMPARE(helps[0]->size(), QSize(617, 348));
    const QString text = helps[0]->findChild<QPlainTextEdit*>()->toPlainText();
    for (const char* heading : {"INFORMACJE OGÓLNE O PROGRAMIE", "PUBLIKACJE I MATERIAŁY ŹRÓDŁOWE"}) {
      QVERIFY(text.contains(QString::fromUtf8(heading)));
    }
    QPointer<QWidget> first = helps[0];
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(helps[1]->isVisible());
  }

  void helpTextFitsItsWindow() {
    // The help window has a vertical scroll bar only: no line may run past its right edge.
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    QTest::mouseClick(w->findChild<QLabel*>(QStringLiteral("StaticText8")), Qt::LeftButton);
    QPlainTextEdit* text = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == QLatin1String("TForm3") && top->isVisible()) text = top->findChild<QPlainTextEdit*>();
    }
    QVERIFY(text != nullptr);
    const QFontMetrics metrics(text->font());
    const int room = text->viewport()->width() - 2 * static_cast<int>(text->document()->documentMargin());
    for (const QString& line : text->toPlainText().split(QLatin1Char('\n'))) {
      QVERIFY2(metrics.horizontalAdvance(line) <= room, qPrintable(line));
    }
    QVERIFY(!text->horizontalScrollBar()->isVisible());
  }

  void contourMapIsDrawnFromTheGrid() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    auto* map = w->findChild<QLabel*>(QStringLiteral("Image2"));
    QVERIFY(!map->pixmap().isNull());
    QCOMPARE(map->geometry(), QRect(8, 8, 113, 113));
  }

  // The models beside the program are offered next to the frame buttons; the chosen one names
  // the height system, replaces the header lines, is kept in orvane.ini and is read by the run.
  void modelChoiceOffersTheModelsBesideTheProgram() {
    QTemporaryDir program;
    const auto model = [&program](const char* name, const char* system, const char* description) {
      std::ofstream(program.filePath(QString::fromLatin1(name) + ".bin").toStdString(), std::ios::binary)
          << std::string(solvanta::kModelFileSize, '\x01');
      solvanta::ModelInfo info;
      info.name = name;
      info.heightSystem = system;
      info.description = description;
      info.source = "GUGiK";
      info.licence = "(c) Główny Urząd Geodezji i Kartografii";
      info.coveredNodes = static_cast<long long>(solvanta::kGridValueCount);
      QVERIFY(solvanta::WriteModelRecord(program.filePath(QString::fromLatin1(name) + ".model").toStdString(), info));
    };
    model("PL-geoid2021", "PL-EVRF2007-NH", "Opis modelu 2021");
    model("Archiwum", "PL-KRON86-NH", "Opis archiwum");
    const QString ini = program.filePath("orvane.ini");
    WriteFile(ini, "[General]\r\npath=/dane\r\n");

    QTemporaryDir folder;
    CalculatorWindow w(folder.path().toStdString(), program.filePath("PL-geoid2021.bin").toStdString());
    w.SetModelChoiceFile(ini.toStdString());
    std::vector<RunCall> calls;
    w.SetRunFunction([&calls](solvanta::CalculatorHost&, const std::string& f, solvanta::ReferenceFrame frame, const std::string& m) {
      calls.push_back({f, static_cast<int>(frame), m});
      return orvane::RunOutcome::Finished;
    });
    auto* choice = w.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    QVERIFY(choice);
    QCOMPARE(choice->count(), 2);
    QCOMPARE(choice->itemText(0), QStringLiteral("PL-geoid2021"));
    QCOMPARE(choice->itemText(1), QStringLiteral("Archiwum"));
    QCOMPARE(choice->currentIndex(), 0);
    auto label = [&w](const char* name) { return w.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    QCOMPARE(label("Label3"), QStringLiteral("  UKŁAD ODNIESIENIA WYSOKOŚCI NORMALNYCH:  PL-EVRF2007-NH  "));
    QCOMPARE(label("StaticText6"), QStringLiteral("      H elipsoidalne =>  H normalne [ PL-EVRF2007-NH ]"));
    QCOMPARE(label("StaticText4"), QStringLiteral("Opis modelu 2021"));
    QCOMPARE(label("Label1"), QStringLiteral("(c) Główny Urząd Geodezji i Kartografii"));
    // Beside the frame buttons, clear of them and inside the window.
    w.show();
    const QRect frame2000 = w.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->geometry();
    QVERIFY(choice->geometry().left() > frame2000.right());
    QVERIFY(choice->geometry().right() < 802);

    emit choice->activated(1);
    QCOMPARE(w.ModelPath(), program.filePath("Archiwum.bin").toStdString());
    QCOMPARE(label("Label3"), QStringLiteral("  UKŁAD ODNIESIENIA WYSOKOŚCI NORMALNYCH:  PL-KRON86-NH  "));
    QCOMPARE(label("StaticText4"), QStringLiteral("Opis archiwum"));
    std::ifstream in(ini.toStdString(), std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(kept, std::string("[General]\r\npath=/dane\r\n[Solvanta]\r\nmodel=Archiwum\r\n"));

    w.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    PressStart(w);
    PressOk(w);
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].modelPath, program.filePath("Archiwum.bin").toStdString());
    QVERIFY(boxes_.Texts().isEmpty());

    // Frame and model changed together while the progress window waits: the run takes both as
    // the window shows them at "OK", never the one new and the other old.
    QTRY_VERIFY(w.Progress() == nullptr);
    w.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    w.ChooseModel(0);
    PressStart(w);
    w.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    w.ChooseModel(1);
    PressOk(w);
    QCOMPARE(calls.size(), std::size_t{2});
    QCOMPARE(calls[1].frame, 3);
    QCOMPARE(calls[1].modelPath, program.filePath("Archiwum.bin").toStdString());
  }

  // The original model file, with no record, keeps the window's own texts.
  void originalModelKeepsTheWindowsTexts() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
             QStringLiteral("  UKŁAD ODNIESIENIA WYSOKOŚCI NORMALNYCH:  Kronstadt ' 86  "));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("StaticText4"))->text(),
             QStringLiteral("oparta na modelu globalnym EGM2008  "));
    QCOMPARE(w->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->currentText(), QStringLiteral("solvanta_2008QG"));
  }

  void oneProgressWindowAtATime() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    PressStart(*w);
    QPointer<ProgressWindow> progress = w->Progress();
    QVERIFY(progress);
    // It stays above its main window: a transient window of it, not a window of its own.
    QCOMPARE(progress->parentWidget(), w.get());
    QCOMPARE(progress->windowType(), Qt::Dialog);
    // Pressing "OBLICZAJ" again while it waits for "OK" opens no second one; the frame chosen last
    // is the one the run gets.
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    PressStart(*w);
    PressStart(*w);
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == QLatin1String("TForm2") && top->isVisible()) ++open;
    }
    QCOMPARE(open, 1);
    QCOMPARE(w->Progress(), progress.data());
    PressOk(*w);
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].frame, 3);
    QTRY_VERIFY(progress.isNull());
    // After the run, "OBLICZAJ" opens a fresh one.
    PressStart(*w);
    QVERIFY(w->Progress() != nullptr);
    QVERIFY(w->Progress() != progress.data());
  }

  void noPressOfObliczajDuringARun() {
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    bool sameProgressWindow = false;
    w->SetRunFunction([&](solvanta::CalculatorHost& host, const std::string& f, solvanta::ReferenceFrame frame, const std::string& m) {
      calls.push_back({f, static_cast<int>(frame), m});
      host.CloseProgressWindow();
      // A press reaching the window while the run holds it (through a box of the run, say).
      ProgressWindow* running = w->Progress();
      w->StartComputation();
      sameProgressWindow = w->Progress() == running && !running->isVisible();
      return orvane::RunOutcome::Finished;
    });
    w->show();
    w->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->click();
    PressStart(*w);
    PressOk(*w);
    QCOMPARE(calls.size(), std::size_t{1});
    QVERIFY(sameProgressWindow);
    QTRY_VERIFY(w->Progress() == nullptr);
  }

  void windowKeepsItsSizeWhateverTheFolder_data() { orvane::gui::testing::AddFolderRows(); }
  void windowKeepsItsSizeWhateverTheFolder() {
    std::vector<RunCall> calls;
    orvane::gui::testing::CheckFolderCase(QSize(802, 615),
                                          [&](const QString& folder) { return FakeRunWindow(folder, calls); });
  }

  void missingFolderIsNamedWhenThereIsNoInput() {
    QTemporaryDir dir;
    for (const bool missing : {true, false}) {
      boxes_.Clear();
      const QString folder = missing ? dir.filePath(QStringLiteral("Pomiary 2024")) : dir.path();
      auto w = std::make_unique<CalculatorWindow>(folder.toStdString(), modelPath_.toStdString());
      w->show();
      w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
      PressStart(*w);
      PressOk(*w);
      const QString expected = missing ? QStringLiteral("*** Brak zbioru danych \nFolder roboczy nie istnieje: ") + folder
                                       : QStringLiteral("*** Brak zbioru danych ");
      QCOMPARE(boxes_.Texts(), QStringList{expected});
      QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Information);
    }
  }
};

QTEST_MAIN(SolvantaWindowTest)
#include "solvanta_window_test.moc"
