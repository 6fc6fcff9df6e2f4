// The window's panels of a level's raw files and of the misclosures, off-screen: the import with
// its Tak/Nie box before deltah is replaced, and the panels in kvel's window.
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "leveling/gui/adjustment_window.h"
#include "leveling/gui/level_panels.h"

using orvane::gui::BoxButton;
using orvane::gui::MessageBoxRecorder;
using orvane::gui::ScopedMessageBoxes;

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const QString kRawFile = QStringLiteral(ORVANE_FIELD_FIXTURES "/bf_line.gsi");

}  // namespace

class LevelPanelsTest : public QObject {
  Q_OBJECT
 private slots:
  void ReplacingDeltahAsksFirst() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string old = "A B 1.0 1.0\r\n0 0 0.001 0\r\n";
    std::ofstream(folder + "/deltah", std::ios::binary) << old;
    MessageBoxRecorder recorder;
    ScopedMessageBoxes scope(&recorder);
    std::vector<std::string> opened;
    int written = 0;
    kvel::gui::LevelPanelActions actions;
    actions.open = [&](const char* name) { opened.push_back(name); };
    actions.deltahWritten = [&] { ++written; };

    recorder.Script({BoxButton::No});
    QVERIFY(!kvel::gui::ImportLevelFilesFromWindow(nullptr, folder, {kRawFile}, "[0-9]+", actions));
    QCOMPARE(Read(folder + "/deltah"), old);
    QVERIFY(!std::filesystem::exists(folder + "/dziennik.osn"));
    QVERIFY(opened.empty());

    recorder.Script({BoxButton::Yes});
    QVERIFY(kvel::gui::ImportLevelFilesFromWindow(nullptr, folder, {kRawFile}, "[0-9]+", actions));
    QCOMPARE(Read(folder + "/deltah.bak"), old);
    QVERIFY(Read(folder + "/deltah").find("RP1              RP2") != std::string::npos);
    QCOMPARE(opened, std::vector<std::string>{"dziennik.osn"});
    QCOMPARE(written, 1);
  }

  void UnreadableFileIsToldAndNothingWritten() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::ofstream(folder + "/bad.dat", std::ios::binary) << "For M5|Adr 1|KD1  x |Rb  abc m |\r\n";
    MessageBoxRecorder recorder;
    ScopedMessageBoxes scope(&recorder);
    kvel::gui::LevelPanelActions actions;
    QVERIFY(!kvel::gui::ImportLevelFilesFromWindow(nullptr, folder, {QString::fromStdString(folder + "/bad.dat")}, "", actions));
    QVERIFY(!std::filesystem::exists(folder + "/deltah"));
    QVERIFY(!recorder.Boxes().empty());
    QVERIFY(recorder.Boxes().back().text.contains(QStringLiteral("bad.dat:1:")));
  }

  void TheWindowHasBothPanels() {
    QTemporaryDir dir;
    MessageBoxRecorder recorder;
    ScopedMessageBoxes scope(&recorder);
    kvel::gui::AdjustmentWindow window(dir.path().toStdString());
    auto* level = window.findChild<orvane::gui::FilePanel*>(QStringLiteral("Panel8"));
    auto* closures = window.findChild<orvane::gui::FilePanel*>(QStringLiteral("Panel9"));
    QVERIFY(level && closures);
    QCOMPARE(level->text(), QStringLiteral("DANE Z NIWELATORA"));
    QVERIFY(closures->text().startsWith(QStringLiteral("ZAMKNI")));
    QVERIFY(!closures->IsHighlighted());
  }

  void AfterARunTheMisclosuresPanelIsHighlighted() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    for (const char* name : {"/deltah", "/h.sta"}) std::ofstream(folder + name) << "x\r\n";
    MessageBoxRecorder recorder;
    ScopedMessageBoxes scope(&recorder);
    kvel::gui::AdjustmentWindow window(folder);
    window.SetRunFunction([](const std::string& f, const kvel::AdjustmentOptions&, kvel::AdjustmentHost&) {
      std::ofstream(f + "/zamkniecia.osn") << "x\r\n";
      return orvane::RunOutcome::Finished;
    });
    auto* closures = window.findChild<orvane::gui::FilePanel*>(QStringLiteral("Panel9"));
    QVERIFY(!closures->IsHighlighted());
    window.StartAdjustment();
    QVERIFY(closures->IsHighlighted());
  }
};

QTEST_MAIN(LevelPanelsTest)
#include "level_panels_test.moc"
