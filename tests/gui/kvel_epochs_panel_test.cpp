// kvel's panel "ANALIZA PRZEMIESZCZEŃ", off-screen: it opens its window, the epochs are listed and
// ordered, OBLICZAJ runs the comparison into the working folder and opens przemieszczenia.osn, and
// fewer than two epochs are refused with a box.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <optional>

#include "common/cp1250.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "leveling/gui/adjustment_window.h"
#include "leveling/gui/epochs_panel.h"

using kvel::gui::AdjustmentWindow;
using kvel::gui::EpochsDialog;
using orvane::gui::MessageBoxRecorder;
using orvane::gui::ScopedMessageBoxes;

namespace {

void WriteFile(const QString& path, const std::string& utf8) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  for (char c : orvane::ToCp1250(utf8)) {
    if (c == '\n') out << '\r';
    out << c;
  }
}

// A loop of four points with a spur; epoch 2 has point C 12 mm lower.
void WriteEpochs(const QTemporaryDir& dir) {
  QDir(dir.path()).mkdir(QStringLiteral("e1"));
  QDir(dir.path()).mkdir(QStringLiteral("e2"));
  WriteFile(dir.filePath("e1/deltah"),
            "A B 1.0002 1\nB C 2.0001 1\nC D -0.9998 1\nD A -2.0003 1\nA C 3.0004 1.4\nB D 1.0000 1.4\n0 0 0.001 0\n");
  WriteFile(dir.filePath("e1/h.sta"), "A 100\nB 101\nD 102\n0 0\n");
  WriteFile(dir.filePath("e2/deltah"),
            "A B 1.0002 1\nB C 1.9881 1\nC D -0.9878 1\nD A -2.0003 1\nA C 2.9884 1.4\nB D 1.0000 1.4\n0 0 0.001 0\n");
}

}  // namespace

class KvelEpochsPanelTest : public QObject {
  Q_OBJECT

 private:
  MessageBoxRecorder boxes_;
  std::optional<ScopedMessageBoxes> scoped_;

  static EpochsDialog* OpenDialog(AdjustmentWindow& w) {
    auto* panel = w.findChild<orvane::gui::FilePanel*>(QStringLiteral("PanelEpochs"));
    if (!panel) return nullptr;
    QTest::mouseClick(panel, Qt::LeftButton);
    return w.findChild<EpochsDialog*>(QStringLiteral("FormEpochs"));
  }

 private slots:
  void init() {
    boxes_.Clear();
    scoped_.emplace(&boxes_);
  }
  void cleanup() { scoped_.reset(); }

  void panelRunsTheComparisonAndOpensTheReport() {
    QTemporaryDir dir;
    WriteEpochs(dir);
    AdjustmentWindow w(dir.path().toStdString());
    QStringList opened;
    w.SetOpenFunction([&](const QString& path) { opened << path; });
    w.show();
    EpochsDialog* dialog = OpenDialog(w);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    // Listed in the wrong order, then put right with "Wyżej".
    dialog->AddFolder(dir.filePath("e2"));
    dialog->AddFolder(dir.filePath("e1"));
    auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBoxEpochs"));
    list->setCurrentRow(1);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ButtonEpochUp")), Qt::LeftButton);
    QCOMPARE(dialog->Folders(), (QStringList{dir.filePath("e1"), dir.filePath("e2")}));

    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BitBtnEpochs")), Qt::LeftButton);
    QCOMPARE(opened, QStringList{dir.filePath("przemieszczenia.osn")});
    QCOMPARE(boxes_.Texts().back(), QStringLiteral(" KONIEC ANALIZY PRZEMIESZCZEŃ "));
    std::ifstream csv(dir.filePath("przemieszczenia.csv").toStdString());
    std::string line, movedPoints;
    std::getline(csv, line);
    QCOMPARE(line, std::string("from_epoch,to_epoch,point,role,d,md,test,critical,moved\r"));
    while (std::getline(csv, line))
      if (line.size() > 2 && line.substr(line.size() - 2) == "1\r") movedPoints += line.substr(4, 1);
    QCOMPARE(movedPoints, std::string("C"));
    // The MONITOR tells the result too.
    auto* monitor = w.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QVERIFY(monitor->toPlainText().contains(QStringLiteral("Epoki 1 -> 2: przemieszczonych punktów = 1")));
    // A second click shows the same window, not another one.
    QCOMPARE(OpenDialog(w), dialog);
    QCOMPARE(w.findChildren<EpochsDialog*>().size(), 1);
  }

  void fewerThanTwoEpochsAreRefused() {
    QTemporaryDir dir;
    WriteEpochs(dir);
    AdjustmentWindow w(dir.path().toStdString());
    QStringList opened;
    w.SetOpenFunction([&](const QString& path) { opened << path; });
    EpochsDialog* dialog = OpenDialog(w);
    QVERIFY(dialog);
    dialog->AddFolder(dir.filePath("e1"));
    QVERIFY(!dialog->Run());
    QCOMPARE(boxes_.Texts(), QStringList{QStringLiteral("*** Wybierz co najmniej dwa foldery epok")});
    QVERIFY(opened.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("przemieszczenia.osn")));
  }
};

QTEST_MAIN(KvelEpochsPanelTest)
#include "kvel_epochs_panel_test.moc"
