// kvel's main window, off-screen: the start checks of "OBLICZAJ", the options as the combo boxes
// set them, the MONITOR as the run writes it, the presence highlight and the panels.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "common/cp1250.h"
#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/number_format.h"
#include "common/work_folder.h"
#include "leveling/gui/adjustment_window.h"
#include "leveling/gui/help_texts.h"
#include "leveling/messages.h"
#include "main_window_checks.h"
#include "support/commit_record.h"

using kvel::gui::AdjustmentWindow;
using orvane::gui::BoxButton;
using orvane::gui::BoxKind;
using orvane::gui::FilePanel;
using orvane::gui::MessageBoxRecorder;
using orvane::gui::ScopedMessageBoxes;

namespace {

void WriteFile(const QString& path, const std::string& bytes = "x\r\n") {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << bytes;
}

// What a run was handed, and what the MONITOR held when it started.
struct RunCall {
  std::string folder;
  kvel::AdjustmentOptions options;
  QStringList monitorAtStart;
};

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

// The indented example lines that follow `heading` in a help text, up to the next blank line.
std::string HelpExample(const QString& help, const QString& heading) {
  const QStringList lines = help.split(QLatin1Char('\n'));
  std::string file;
  int i = static_cast<int>(lines.indexOf(heading));
  if (i < 0) return file;
  for (++i; i < lines.size() && lines[i].trimmed().isEmpty(); ++i) {
  }
  for (; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i) file += lines[i].toStdString() + "\r\n";
  return file;
}

// The editor windows open now, in the order they were opened.
QList<orvane::gui::EditorWindow*> OpenEditors() {
  QList<orvane::gui::EditorWindow*> editors;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* editor = qobject_cast<orvane::gui::EditorWindow*>(top); editor && editor->isVisible()) editors << editor;
  }
  std::sort(editors.begin(), editors.end(), [](auto* a, auto* b) { return a->Serial() < b->Serial(); });
  return editors;
}

FilePanel* PanelOf(AdjustmentWindow& w, int n) { return w.findChild<FilePanel*>(QStringLiteral("Panel%1").arg(n)); }

}  // namespace

class KvelWindowTest : public QObject {
  Q_OBJECT

 private:
  MessageBoxRecorder boxes_;
  std::optional<ScopedMessageBoxes> scoped_;

  // A window on `folder` whose run only records what it was handed.
  std::unique_ptr<AdjustmentWindow> FakeRunWindow(const QString& folder, std::vector<RunCall>& calls) {
    auto w = std::make_unique<AdjustmentWindow>(folder.toStdString());
    AdjustmentWindow* raw = w.get();
    w->SetRunFunction([raw, &calls](const std::string& f, const kvel::AdjustmentOptions& o,
                                    kvel::AdjustmentHost&) {
      RunCall call{f, o, {}};
      for (int i = 0; i < raw->MonitorLineCount(); ++i) call.monitorAtStart << raw->MonitorLineText(i);
      calls.push_back(call);
      return orvane::RunOutcome::Finished;
    });
    return w;
  }

 private slots:
  void init() {
    boxes_ = MessageBoxRecorder();
    scoped_.emplace(&boxes_);
  }
  void cleanup() { scoped_.reset(); }

  void startChecksFollowTheFlagsFoundAtCreation_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("message");  // empty: the run starts
    QTest::newRow("nothing") << QStringList{} << QStringLiteral("*** Brak nawiązania sieci");
    QTest::newRow("observations only") << QStringList{"deltah", "deltah1"}
                                       << QStringLiteral("*** Brak nawiązania sieci");
    QTest::newRow("benchmarks only") << QStringList{"h.sta"} << QStringLiteral("*** Brak zbioru obserwacyjnego");
    QTest::newRow("xyh.sta only") << QStringList{"xyh.sta"} << QStringLiteral("*** Brak zbioru obserwacyjnego");
    QTest::newRow("xyh.sta and deltah1") << QStringList{"xyh.sta", "deltah1"} << QString();
    QTest::newRow("upper-case names") << QStringList{"H.STA", "DELTAH"} << QString();
    QTest::newRow("result files do not count") << QStringList{"wyh.osn", "h.osn", "deltah"}
                                               << QStringLiteral("*** Brak nawiązania sieci");
  }
  void startChecksFollowTheFlagsFoundAtCreation() {
    QFETCH(QStringList, files);
    QFETCH(QString, message);
    QTemporaryDir dir;
    for (const QString& f : files) WriteFile(dir.filePath(f));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->StartAdjustment();
    if (message.isEmpty()) {
      QCOMPARE(boxes_.Count(), 0);
      QCOMPARE(calls.size(), std::size_t{1});
      QCOMPARE(QString::fromStdString(calls[0].folder), dir.path());
    } else {
      QCOMPARE(boxes_.Texts(), QStringList{message});
      QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Message);
      QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("niwelacja"));
      QVERIFY(calls.empty());
    }
  }

  void creationSetsTheDecimalPointOfNumbers() {
    // A desktop in a comma locale must not turn "212.4528" into "212,4528" in the report.
    if (!UseACommaLocale()) QSKIP("no locale with a decimal comma is installed");
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    const std::string point = std::localeconv()->decimal_point;
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.4f", 212.4528);
    const std::string written = orvane::FixedField(212.4528, 9, 4);
    std::setlocale(LC_NUMERIC, "C");
    QCOMPARE(QString::fromStdString(point), QStringLiteral("."));
    QCOMPARE(QString::fromLatin1(printed), QStringLiteral("212.4528"));
    QCOMPARE(QString::fromStdString(written), QStringLiteral(" 212.4528"));
  }

  void applicationTitleStaysOutOfTheCaptions() {
    // The platform appends Qt's display name to every caption it shows ("... wersja 6.0 —
    // niwelacja"); the application title of the message boxes is therefore kept apart from it.
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    QCOMPARE(orvane::gui::ApplicationTitle(), QStringLiteral("niwelacja"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QCOMPARE(w.windowTitle(), QStringLiteral("Wyrównanie ścisłe sieci niwelacyjnej - podprogram  KVEL  wersja 6.0"));
  }

  void filesCreatedAfterStartDoNotCount() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    WriteFile(dir.filePath("deltah"));  // e.g. written with the editor afterwards
    w->StartAdjustment();
    QCOMPARE(boxes_.Texts(), QStringList{QStringLiteral("*** Brak zbioru obserwacyjnego")});
    QVERIFY(calls.empty());
    QVERIFY(!PanelOf(*w, 1)->IsHighlighted());
  }

  void comboBoxesTakeOnlyTextsEqualToAnItem() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto* decimals = w->findChild<QComboBox*>(QStringLiteral("ComboBox2"));
    auto* method = w->findChild<QComboBox*>(QStringLiteral("ComboBox4"));
    auto* accuracy = w->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    QVERIFY(decimals && method && accuracy);
    QCOMPARE(decimals->currentText(), QStringLiteral("0.0001 m"));
    QCOMPARE(method->currentText(), QStringLiteral("STANDARD MNK"));
    QCOMPARE(accuracy->currentText(), QStringLiteral("PEŁNY [STANDARD]"));
    QCOMPARE(w->Options().Decimals, 4);

    // Typing "0.001" passes through texts that match nothing: the option stays 4, whatever the
    // box shows (no completion turns it into an item).
    decimals->setFocus();
    decimals->lineEdit()->clear();
    QTest::keyClicks(decimals->lineEdit(), QStringLiteral("0.001"));
    QCOMPARE(decimals->currentText(), QStringLiteral("0.001"));
    QCOMPARE(w->Options().Decimals, 4);
    // Completing it to an item's text sets that item's value.
    QTest::keyClicks(decimals->lineEdit(), QStringLiteral(" m"));
    QCOMPARE(w->Options().Decimals, 3);
    // The item "0.00001 m " ends with a blank: without it the text is no item.
    decimals->lineEdit()->clear();
    QTest::keyClicks(decimals->lineEdit(), QStringLiteral("0.00001 m"));
    QCOMPARE(w->Options().Decimals, 3);
    QTest::keyClick(decimals->lineEdit(), Qt::Key_Space);
    QCOMPARE(w->Options().Decimals, 5);
    // Choosing from the list sets the value as well.
    decimals->setCurrentIndex(1);
    QCOMPARE(w->Options().Decimals, 4);
    method->setCurrentIndex(1);
    QCOMPARE(method->currentText(), QStringLiteral("ESTYMACJA MOCNA "));
    accuracy->setCurrentIndex(1);
    // Enter does not add the typed text as an item.
    method->lineEdit()->setText(QStringLiteral("ESTYMACJA"));
    QTest::keyClick(method->lineEdit(), Qt::Key_Return);
    QCOMPARE(method->count(), 2);

    w->findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
    w->StartAdjustment();
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(static_cast<int>(calls[0].options.Method), 2);
    QCOMPARE(static_cast<int>(calls[0].options.AccuracyMode), 2);
    QCOMPARE(calls[0].options.Decimals, 4);
    QCOMPARE(calls[0].options.UnitErrorIsOne, false);

    w->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
    w->StartAdjustment();
    QCOMPARE(calls[1].options.UnitErrorIsOne, true);
  }

  void enterInAComboBoxMatchesNoItemByItself() {
    // Letter case counts: "standard mnk" is no item, with Enter or without it.
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    auto* method = w.findChild<QComboBox*>(QStringLiteral("ComboBox4"));
    method->setCurrentIndex(1);
    QCOMPARE(static_cast<int>(w.Options().Method), 2);
    method->setFocus();
    method->lineEdit()->clear();
    QTest::keyClicks(method->lineEdit(), QStringLiteral("standard mnk"));
    QTest::keyClick(method->lineEdit(), Qt::Key_Return);
    QCOMPARE(method->currentText(), QStringLiteral("standard mnk"));
    QCOMPARE(static_cast<int>(w.Options().Method), 2);
    QCOMPARE(method->count(), 2);
  }

  void monitorReplacesLinesByIndexAndNeverGrows() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    QCOMPARE(w.MonitorLineCount(), AdjustmentWindow::kMonitorLines);
    QCOMPARE(w.MonitorLineText(7), QStringLiteral(" "));
    QCOMPARE(w.MonitorLineText(6), QString());
    kvel::AdjustmentHost& host = w.Host();
    host.SetMonitorLine(40, "last line");
    host.SetMonitorLine(0, "first");
    host.SetMonitorLine(12, orvane::ToCp1250("  KONIEC OBLICZEŃ"));
    for (int beyond : {41, 42, 100, -1}) host.SetMonitorLine(beyond, "nothing");
    QCOMPARE(w.MonitorLineCount(), 41);
    QCOMPARE(w.MonitorLineText(40), QStringLiteral("last line"));
    QCOMPARE(w.MonitorLineText(0), QStringLiteral("first"));
    QCOMPARE(w.MonitorLineText(12), QStringLiteral("  KONIEC OBLICZEŃ"));
    QCOMPARE(w.MonitorLineText(39), QString());
    // Replacing a line again replaces it whole; a line break in the text does not add a line.
    host.SetMonitorLine(12, "a\r\nb");
    QCOMPARE(w.MonitorLineText(12), QStringLiteral("a b"));
    QCOMPARE(w.MonitorLineCount(), 41);
  }

  void startEmptiesLinesOneToTwentyOnly() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah1"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    for (int i = 0; i < 41; ++i) w->Host().SetMonitorLine(i, "line " + std::to_string(i));
    w->StartAdjustment();
    QCOMPARE(calls.size(), std::size_t{1});
    const QStringList& seen = calls[0].monitorAtStart;
    QCOMPARE(seen.size(), 41);
    QCOMPARE(seen[0], QStringLiteral("line 0"));
    for (int i = 1; i <= 20; ++i) QCOMPARE(seen[i], QString());
    for (int i = 21; i <= 40; ++i) QCOMPARE(seen[i], QStringLiteral("line %1").arg(i));
  }

  void presenceHighlightAtStartAndAfterARun() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("DELTAH"));
    WriteFile(dir.filePath("xyh.sta"));
    WriteFile(dir.filePath("H.osn"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    const bool expected[6] = {true, false, false, true, false, true};
    for (int n = 1; n <= 6; ++n) {
      QCOMPARE(PanelOf(*w, n)->IsHighlighted(), expected[n - 1]);
      const QColor bg = PanelOf(*w, n)->palette().color(QPalette::Window);
      QCOMPARE(bg == orvane::gui::InfoColour(), expected[n - 1]);
    }
    QCOMPARE(w->Flags(), (std::vector<int>{1, 0, 0, 1}));
    auto* status = w->findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChild<QLabel*>();
    QCOMPARE(status->text(), QStringLiteral(" Folder roboczy = ") + dir.path());

    // A run that writes wyh.osn gets that panel highlighted when it returns.
    w->SetRunFunction([&](const std::string& f, const kvel::AdjustmentOptions&, kvel::AdjustmentHost& host) {
      WriteFile(QString::fromStdString(orvane::StandardFilePath(f, "wyh.osn")));
      host.ShowEditHint();
      return orvane::RunOutcome::Finished;
    });
    QVERIFY(!w->findChild<QLabel*>(QStringLiteral("Label1"))->isVisibleTo(w.get()));
    w->StartAdjustment();
    QVERIFY(PanelOf(*w, 5)->IsHighlighted());
    QVERIFY(w->findChild<QLabel*>(QStringLiteral("Label1"))->isVisibleTo(w.get()));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral(" <---- Kliknij panel do edycji"));
  }

  void hostBoxesGoThroughTheAdapter() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.Host().ShowMessage(orvane::ToCp1250("*** Błąd w rekordzie: A 1"));
    w.Host().ShowInformation(orvane::ToCp1250(" KONIEC WYRÓWNANIA "));
    QCOMPARE(boxes_.Count(), 2);
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Message);
    QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("niwelacja"));
    QCOMPARE(boxes_.Boxes()[0].text, QStringLiteral("*** Błąd w rekordzie: A 1"));
    QCOMPARE(boxes_.Boxes()[1].kind, BoxKind::Information);
    QCOMPARE(boxes_.Boxes()[1].caption, QStringLiteral("Informacja"));
    QCOMPARE(boxes_.Boxes()[1].text, QStringLiteral(" KONIEC WYRÓWNANIA "));
  }

  void panelsOpenTheirStandardFiles() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("XYH.STA"));
    AdjustmentWindow w(dir.path().toStdString());
    QStringList opened;
    w.SetOpenFunction([&](const QString& path) { opened << path; });
    w.show();
    for (int n = 1; n <= 6; ++n) QTest::mouseClick(PanelOf(w, n), Qt::LeftButton);
    const QString d = dir.path() + QLatin1Char('/');
    QCOMPARE(opened, (QStringList{d + "deltah", d + "deltah1", d + "h.sta", d + "XYH.STA", d + "wyh.osn",
                                  d + "h.osn"}));
  }

  void testsPanelOpensTestyOsnAndLightsUpAfterARun() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    QStringList opened;
    w->SetOpenFunction([&](const QString& path) { opened << path; });
    w->show();
    QVERIFY(!PanelOf(*w, 7)->IsHighlighted());
    QTest::mouseClick(PanelOf(*w, 7), Qt::LeftButton);
    QCOMPARE(opened, QStringList{dir.path() + "/testy.osn"});
    w->SetRunFunction([&](const std::string& f, const kvel::AdjustmentOptions&, kvel::AdjustmentHost&) {
      WriteFile(QString::fromStdString(orvane::StandardFilePath(f, "testy.osn")));
      return orvane::RunOutcome::Finished;
    });
    w->StartAdjustment();
    QVERIFY(PanelOf(*w, 7)->IsHighlighted());
  }

  void statisticsLevelsTakeOnlyValidTexts() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    auto* alpha = w->findChild<QComboBox*>(QStringLiteral("ComboBox5"));
    auto* alpha0 = w->findChild<QComboBox*>(QStringLiteral("ComboBox6"));
    auto* power = w->findChild<QComboBox*>(QStringLiteral("ComboBox7"));
    auto* snooping = w->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    QVERIFY(alpha && alpha0 && power && snooping);
    QCOMPARE(w->Options().Statistics.Alpha, 0.05);
    QCOMPARE(w->Options().Statistics.Alpha0, 0.001);
    QCOMPARE(w->Options().Statistics.Power, 0.80);
    QVERIFY(w->Options().Statistics.Snooping);
    alpha->setCurrentIndex(1);          // "0.01"
    alpha0->setEditText("0.0005");      // typed, valid
    power->setEditText("0.3");          // below 0.5: the power stays
    snooping->setChecked(false);
    w->StartAdjustment();
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].options.Statistics.Alpha, 0.01);
    QCOMPARE(calls[0].options.Statistics.Alpha0, 0.0005);
    QCOMPARE(calls[0].options.Statistics.Power, 0.80);
    QVERIFY(!calls[0].options.Statistics.Snooping);
  }

  void panelPathIsNeverCut() {
    // A working folder deep in an archive: the editor gets the whole path, never a cut one
    // (which opened an empty editor and saved a stray file three folders up).
    const std::string longFolder = "/" + std::string(300, 'k');
    AdjustmentWindow w(longFolder);
    QStringList opened;
    w.SetOpenFunction([&](const QString& path) { opened << path; });
    w.show();
    QTest::mouseClick(PanelOf(w, 3), Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened[0], QString::fromStdString(longFolder + "/h.sta"));
  }

  void statisticsLevelsTakeADecimalComma_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("alpha");
    QTest::newRow("0,10") << QStringLiteral("0,10") << 0.10;
    QTest::newRow("0,1 with blanks") << QStringLiteral(" 0,1 ") << 0.10;
    QTest::newRow("0.10") << QStringLiteral("0.10") << 0.10;
    QTest::newRow("1,5 out of range") << QStringLiteral("1,5") << 0.05;
    QTest::newRow("0,,1") << QStringLiteral("0,,1") << 0.05;
  }
  void statisticsLevelsTakeADecimalComma() {
    QFETCH(QString, typed);
    QFETCH(double, alpha);
    QTemporaryDir dir;
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(dir.path(), calls);
    w->findChild<QComboBox*>(QStringLiteral("ComboBox5"))->setEditText(typed);
    QCOMPARE(w->Options().Statistics.Alpha, alpha);
  }

  void closingTheWindowAsksAboutUnsavedEditors_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ends");
    QTest::newRow("Anuluj") << static_cast<int>(BoxButton::Cancel) << false;
    QTest::newRow("Nie") << static_cast<int>(BoxButton::No) << true;
    QTest::newRow("Tak") << static_cast<int>(BoxButton::Yes) << true;
  }
  void closingTheWindowAsksAboutUnsavedEditors() {
    QFETCH(int, answer);
    QFETCH(bool, ends);
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    QTest::mouseClick(PanelOf(w, 1), Qt::LeftButton);
    QTest::mouseClick(PanelOf(w, 3), Qt::LeftButton);
    const QList<orvane::gui::EditorWindow*> editors = OpenEditors();
    QCOMPARE(editors.size(), 2);
    editors[0]->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->setPlainText(QStringLiteral("1 2 0.5 1"));
    boxes_.Script({static_cast<BoxButton>(answer)});
    // ZAMKNIJ of the main window (Alt+F4 and a run that ends the program close it the same way).
    w.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    QCOMPARE(boxes_.Texts(), QStringList{"Zapisać zmiany w " + dir.filePath(QStringLiteral("deltah")) + "?"});
    QCOMPARE(w.isVisible(), !ends);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("deltah"))), answer == static_cast<int>(BoxButton::Yes));
    orvane::gui::DiscardAllEditors();
  }

  void aDefectIsTheLastWordOfTheRun() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah"));
    AdjustmentWindow w(dir.path().toStdString());
    w.SetRunFunction([](const std::string&, const kvel::AdjustmentOptions&, kvel::AdjustmentHost& host) {
      for (int i = 0; i < 3; ++i) host.ShowInformation(orvane::ToCp1250(kvel::messages::kDefect));
      host.ShowInformation(orvane::ToCp1250(kvel::messages::kEndOfAdjustment));
      return orvane::RunOutcome::Finished;
    });
    w.StartAdjustment();
    QCOMPARE(boxes_.Count(), 5);
    QCOMPARE(boxes_.Texts().last(), QString::fromUtf8(kvel::messages::kDefectAtEnd));
    // A run without a defect ends with its own last box.
    boxes_.Clear();
    w.SetRunFunction([](const std::string&, const kvel::AdjustmentOptions&, kvel::AdjustmentHost& host) {
      host.ShowInformation(orvane::ToCp1250(kvel::messages::kEndOfAdjustment));
      return orvane::RunOutcome::Finished;
    });
    w.StartAdjustment();
    QCOMPARE(boxes_.Texts(), QStringList{QString::fromUtf8(kvel::messages::kEndOfAdjustment)});
  }

  void aNetworkPartWithoutABenchmarkEndsWithTheDefect() {
    // The real run: the part X-Y has no benchmark.
    QTemporaryDir dir;
    WriteFile(dir.filePath("deltah"), "A B 1.000 1.0\r\nB C 0.500 1.0\r\nX Y 0.300 1.0\r\n0 0 0.001 0\r\n");
    WriteFile(dir.filePath("h.sta"), "A 100.000\r\n");
    AdjustmentWindow w(dir.path().toStdString());
    w.StartAdjustment();
    QVERIFY(boxes_.Texts().contains(QString::fromUtf8(kvel::messages::kDefect)));
    QCOMPARE(boxes_.Texts().last(), QString::fromUtf8(kvel::messages::kDefectAtEnd));
  }

  void realRunOnTheExampleFolder() {
    QTemporaryDir dir;
    const std::filesystem::path examples = std::filesystem::path(ORVANE_EXAMPLES_DIR) / "kvel";
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
      std::filesystem::copy_file(entry.path(), std::filesystem::path(dir.path().toStdString()) / entry.path().filename());
    }
    AdjustmentWindow w(dir.path().toStdString());
    QVERIFY(!PanelOf(w, 5)->IsHighlighted());
    w.StartAdjustment();
    // Every run ends with the information box of the common exit.
    QVERIFY(boxes_.Count() >= 1);
    QCOMPARE(boxes_.Boxes().back().text, QStringLiteral(" KONIEC WYRÓWNANIA "));
    QCOMPARE(boxes_.Boxes().back().kind, BoxKind::Information);
    QVERIFY(!w.MonitorLineText(0).isEmpty());
    QCOMPARE(w.MonitorLineCount(), 41);
    QVERIFY(PanelOf(w, 5)->IsHighlighted());
    QVERIFY(PanelOf(w, 6)->IsHighlighted());
  }

  void generalHelpExamplesMakeAWorkingFolder() {
    // A surveyor copies the examples of the help: they must run, with the unit mean error of the
    // end record read in metres as the run reads it.
    const QString help = kvel::gui::GeneralHelpText();
    QVERIFY(help.startsWith(QStringLiteral("\n WYRÓWNANIE ŚCISŁE SIECI NIWELACYJNEJ \n")));
    const std::string deltah = HelpExample(help, QStringLiteral(" Przykład zbioru deltah:"));
    const std::string hsta = HelpExample(help, QStringLiteral(" Przykład zbioru h.sta:"));
    QVERIFY(!deltah.empty());
    QVERIFY(!hsta.empty());
    QTemporaryDir dir;
    WriteFile(dir.filePath("deltah"), deltah);
    WriteFile(dir.filePath("h.sta"), hsta);
    AdjustmentWindow w(dir.path().toStdString());
    w.StartAdjustment();
    QCOMPARE(boxes_.Texts(), QStringList{QStringLiteral(" KONIEC WYRÓWNANIA ")});
    std::ifstream report(orvane::StandardFilePath(dir.path().toStdString(), "wyh.osn"), std::ios::binary);
    std::string line;
    double unitError = -1;
    const std::string key = orvane::ToCp1250("(a-priori) =");
    while (std::getline(report, line)) {
      const std::size_t at = line.find(key);
      if (at != std::string::npos) unitError = std::stod(line.substr(at + key.size()));
    }
    // A levelling unit mean error is a few millimetres per km or per station.
    QVERIFY2(unitError > 0 && unitError < 0.01, std::to_string(unitError).c_str());
  }

  void helpTextsFitTheirWindows() {
    // The help windows have a vertical scroll bar only: no line may run past the right edge.
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    QTest::mouseClick(w.findChild<QLabel*>(QStringLiteral("Image2")), Qt::LeftButton);
    QTest::mouseClick(w.findChild<QLabel*>(QStringLiteral("StaticText2")), Qt::LeftButton);
    int seen = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if ((top->objectName() != QLatin1String("TForm1") && top->objectName() != QLatin1String("TForm3")) ||
          !top->isVisible()) {
        continue;
      }
      auto* text = top->findChild<QPlainTextEdit*>();
      const QFontMetrics metrics(text->font());
      const int room = text->viewport()->width() - 2 * static_cast<int>(text->document()->documentMargin());
      for (const QString& line : text->toPlainText().split(QLatin1Char('\n'))) {
        QVERIFY2(metrics.horizontalAdvance(line) <= room, qPrintable(line));
      }
      QVERIFY(!text->horizontalScrollBar()->isVisible());
      ++seen;
      top->close();
    }
    QCOMPARE(seen, 2);
  }

  void helpWindowsAreFreshOnEveryClick() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    auto* info = w.findChild<QLabel*>(QStringLiteral("Image2"));
    auto* options = w.findChild<QLabel*>(QStringLiteral("StaticText2"));
    QTest::mouseClick(info, Qt::LeftButton);
    QTest::mouseClick(info, Qt::LeftButton);
    QTest::mouseClick(options, Qt::LeftButton);
    QList<QWidget*> general;
    QList<QWidget*> optionHelp;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == QLatin1String("TForm1") && top->isVisible()) general << top;
      if (top->objectName() == QLatin1String("TForm3") && top->isVisible()) optionHelp << top;
    }
    QCOMPARE(general.size(), 2);
    QCOMPARE(optionHelp.size(), 1);
    QCOMPARE(general[0]->windowTitle(), QStringLiteral("Pomoc"));
    QCOMPARE(general[0]->size(), QSize(470, 348));
    QVERIFY(optionHelp[0]->findChild<QPlainTextEdit*>()->toPlainText().contains(
        QStringLiteral(" WYRÓWNANIE ŚCISŁE SIECI NIWELACYJNEJ - WYBIERANIE OPCJI ")));
    // Closing one destroys it and leaves the other.
    QPointer<QWidget> first = general[0];
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(general[1]->isVisible());
    general[1]->close();
    optionHelp[0]->close();
  }

  // A run killed in the middle of putting its results in place: the window that opens the folder
  // carries the replacement out before it looks at the files, and shows the new results.
  void openingAFolderSettlesAKilledRunsResults() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    for (const char* name : {"wyh.osn", "h.osn"}) std::ofstream(folder + "/" + name, std::ios::binary) << "earlier\r\n";
    orvane::testing::LayKilledCommit(folder, {{"wyh.osn", "new\r\n"}, {"h.osn", "new\r\n"}});
    auto w = std::make_unique<AdjustmentWindow>(dir.path().toStdString());
    for (const char* name : {"wyh.osn", "h.osn"}) {
      std::ifstream in(folder + "/" + name, std::ios::binary);
      QCOMPARE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), std::string("new\r\n"));
    }
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral(".orvane-commit"))));
    QCOMPARE(QDir(dir.path()).entryList(QStringList{QStringLiteral(".orvane-tmp.*")}, QDir::Hidden | QDir::Files).size(), 0);
  }

  void windowKeepsItsSizeWhateverTheFolder_data() { orvane::gui::testing::AddFolderRows(); }
  void windowKeepsItsSizeWhateverTheFolder() {
    orvane::gui::testing::CheckFolderCase(QSize(793, 545), [](const QString& folder) {
      return std::make_unique<AdjustmentWindow>(folder.toStdString());
    });
  }

  void missingFolderIsNamedWhenNothingCanStart() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pomiary 2024"));
    std::vector<RunCall> calls;
    auto w = FakeRunWindow(folder, calls);
    w->StartAdjustment();
    QCOMPARE(boxes_.Texts(),
             QStringList{QStringLiteral("*** Brak nawiązania sieci\nFolder roboczy nie istnieje: ") + folder});
    QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("niwelacja"));
    QVERIFY(calls.empty());
  }

  void monitorScrollsToTheLastWrittenLine() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* monitor = w.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    // The text (41 lines) is longer than the box: a bar says so.
    QVERIFY(monitor->verticalScrollBar()->isVisible());
    QVERIFY(!monitor->horizontalScrollBar()->isVisible());
    const auto inSight = [monitor](int line) {
      const QTextBlock block = monitor->document()->findBlockByNumber(line);
      const QRect r = monitor->cursorRect(QTextCursor(block));
      return r.top() >= 0 && r.bottom() <= monitor->viewport()->height();
    };
    QVERIFY(inSight(0));
    QVERIFY(!inSight(30));
    // A robust run writes lines beyond the box, one after the other: the last one is in sight.
    for (int i = 0; i <= 30; ++i) w.Host().SetMonitorLine(i, "line " + std::to_string(i));
    QVERIFY(inSight(30));
    QCOMPARE(monitor->horizontalScrollBar()->value(), 0);
    // The next run starts at the top again.
    WriteFile(dir.filePath("h.sta"));
    WriteFile(dir.filePath("deltah"));
    AdjustmentWindow again(dir.path().toStdString());
    again.show();
    auto* monitor2 = again.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    for (int i = 0; i <= 30; ++i) again.Host().SetMonitorLine(i, "x");
    again.SetRunFunction([](const std::string&, const kvel::AdjustmentOptions&, kvel::AdjustmentHost&) {
      return orvane::RunOutcome::Finished;
    });
    again.StartAdjustment();
    QCOMPARE(monitor2->verticalScrollBar()->value(), 0);
  }

  void panelsAndHelpOpenWindowsThatNeverShareAPlace() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    for (int i = 0; i < 3; ++i) QTest::mouseClick(PanelOf(w, 1), Qt::LeftButton);
    const QList<orvane::gui::EditorWindow*> editors = OpenEditors();
    QCOMPARE(editors.size(), 3);
    QList<QPoint> places;
    for (auto* editor : editors) {
      // Ordinary windows: the main window can be brought above them.
      QVERIFY(editor->parentWidget() == nullptr);
      QVERIFY(!(editor->windowFlags() & Qt::WindowStaysOnTopHint));
      QCOMPARE(editor->Caption(), dir.filePath(QStringLiteral("deltah")));
      places << editor->pos();
    }
    // The help windows, both kinds, never on one another either.
    auto* info = w.findChild<QLabel*>(QStringLiteral("Image2"));
    auto* options = w.findChild<QLabel*>(QStringLiteral("StaticText2"));
    QTest::mouseClick(info, Qt::LeftButton);
    QTest::mouseClick(options, Qt::LeftButton);
    QTest::mouseClick(info, Qt::LeftButton);
    int helps = 0;
    for (QWidget* child : w.findChildren<QWidget*>()) {
      if (!child->isWindow() || !child->isVisible()) continue;
      if (child->objectName() != QLatin1String("TForm1") && child->objectName() != QLatin1String("TForm3")) continue;
      QCOMPARE(child->windowType(), Qt::Dialog);
      places << child->pos();
      ++helps;
    }
    QCOMPARE(helps, 3);
    for (int i = 0; i < places.size(); ++i) {
      for (int j = i + 1; j < places.size(); ++j) {
        QVERIFY2(
            (places[i] - places[j]).manhattanLength() >= 24,
            qPrintable(
                QStringLiteral("windows %1 and %2 both at %3,%4").arg(i).arg(j).arg(places[i].x()).arg(places[i].y())));
      }
    }
    QCOMPARE(boxes_.Count(), 0);
    orvane::gui::DiscardAllEditors();
  }

  void escapeClosesAHelpWindow() {
    QTemporaryDir dir;
    AdjustmentWindow w(dir.path().toStdString());
    w.show();
    QTest::mouseClick(w.findChild<QLabel*>(QStringLiteral("StaticText2")), Qt::LeftButton);
    QPointer<QWidget> help = w.findChild<QWidget*>(QStringLiteral("TForm3"));
    QVERIFY(help);
    QTest::keyClick(help->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
    QTRY_VERIFY(help.isNull());
  }
};

QTEST_MAIN(KvelWindowTest)
#include "kvel_window_test.moc"
