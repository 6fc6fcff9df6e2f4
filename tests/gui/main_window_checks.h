#pragma once
// Checks that hold for both main windows alike: a fixed size whatever the working folder, and the
// folder in the status bar, shortened in the middle when long, whole in the tool-tip, marked when
// the folder is missing.
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/window_parts.h"

namespace orvane::gui::testing {

// A folder path of exactly `length` characters under `base`, made of Polish folder names, as a
// surveyor's archive holds them ("Pomiary_wysokościowe_Łódź_Żółkiew/...").
inline QString LongPolishFolder(const QString& base, int length) {
  QString path = base + QLatin1Char('/');
  while (path.size() < length) path += QStringLiteral("Pomiary_wysokościowe_Łódź_Żółkiew/");
  path.truncate(length - 1);
  return path + QLatin1Char('x');
}

// The cases of a working folder: its length (0: the temporary folder as it is) and whether it is
// missing.
inline void AddFolderRows() {
  QTest::addColumn<int>("length");
  QTest::addColumn<bool>("missing");
  QTest::newRow("short") << 0 << false;
  QTest::newRow("114 characters") << 114 << false;
  QTest::newRow("272 characters") << 272 << false;
  QTest::newRow("missing") << 0 << true;
}

// The folder of one such case under `base`, made unless it is to be missing.
inline QString MakeFolder(const QString& base, int length, bool missing) {
  QString folder = length > 0 ? LongPolishFolder(base, length) : base;
  if (missing) return folder + QStringLiteral("/nie ma");
  QDir().mkpath(folder);
  return folder;
}

// The window shown on `folder` keeps the fixed size `size`; its status bar says where it works.
inline void CheckSizeAndFolderStatus(QMainWindow& w, const QString& folder, const QSize& size, bool missing) {
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCOMPARE(w.size(), size);
  QCOMPARE(w.minimumSize(), size);
  QCOMPARE(w.maximumSize(), size);
  auto* status = w.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChild<FolderStatusLabel*>(
      QStringLiteral("StatusText"));
  QVERIFY(status);
  const QString full = QStringLiteral(" Folder roboczy = ") + folder;
  QCOMPARE(status->FullText(), full);
  QVERIFY(status->toolTip().startsWith(folder));
  QVERIFY(status->width() <= w.width());
  // Whole when it fits; else its start and end with an ellipsis between, inside the bar.
  if (status->fontMetrics().horizontalAdvance(full) < status->contentsRect().width() - 8) {
    QCOMPARE(status->text(), full);
  } else {
    QVERIFY2(status->text().contains(QChar(0x2026)), qPrintable(status->text()));
    QVERIFY(status->text().startsWith(QStringLiteral(" Folder roboczy = ")));
    QCOMPARE(status->text().right(3), full.right(3));
    QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->contentsRect().width());
  }
  QCOMPARE(status->MarkedMissing(), missing);
  QCOMPARE(status->palette().color(QPalette::WindowText) == QColor(Qt::red), missing);
  QCOMPARE(status->toolTip().contains(QStringLiteral("nie istnieje")), missing);
}

// One case of AddFolderRows: the window that `make` builds on the case's folder keeps `size`.
template <typename MakeWindow>
void CheckFolderCase(const QSize& size, MakeWindow make) {
  QFETCH(int, length);
  QFETCH(bool, missing);
  QTemporaryDir dir;
  const QString folder = MakeFolder(dir.path(), length, missing);
  if (length > 0) QCOMPARE(folder.size(), length);
  auto window = make(folder);
  CheckSizeAndFolderStatus(*window, folder, size, missing);
}

}  // namespace orvane::gui::testing
