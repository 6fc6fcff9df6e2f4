// The editor window, off-screen: every message box goes to a recorder and every common dialog
// is scripted, so nothing waits for a user.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "common/cp1250.h"
#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/gui/qt_translations.h"
#include "common/gui/window_parts.h"

using orvane::gui::BoxButton;
using orvane::gui::BoxKind;
using orvane::gui::EditorDialogs;
using orvane::gui::EditorWindow;
using orvane::gui::MessageBoxRecorder;
using orvane::gui::OpenInEditor;

namespace {

// Dialog answers chosen by the test; it also remembers what the window handed to them.
struct DialogScript {
  std::optional<QString> openPath;
  std::optional<QString> savePath;
  QString pdfPath;  // empty: the print dialog is cancelled
  QString printedDocName;
  std::optional<QFont> font;
  QList<QFont> fontDialogStarts;
  QStringList openStarts;  // the folders the open and save dialogs started in
  QStringList saveStarts;
};

class ScriptedDialogs : public EditorDialogs {
 public:
  explicit ScriptedDialogs(DialogScript* script) : script_(script) {}
  std::optional<QString> OpenPath(QWidget*, const QString& folder) override {
    script_->openStarts << folder;
    return script_->openPath;
  }
  std::optional<QString> SavePath(QWidget*, const QString& folder) override {
    script_->saveStarts << folder;
    return script_->savePath;
  }
  bool ConfirmPrint(QWidget*, QPrinter& printer) override {
    if (script_->pdfPath.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(script_->pdfPath);
    script_->printedDocName = printer.docName();
    return true;
  }
  std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override {
    script_->fontDialogStarts << initial;
    return script_->font;
  }

 private:
  DialogScript* script_;
};

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QPlainTextEdit* Memo(EditorWindow* w) { return w->findChild<QPlainTextEdit*>(QStringLiteral("Memo1")); }
QToolButton* Button(EditorWindow* w, int n) {
  return w->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(n));
}
QAction* Item(EditorWindow* w, const char* name) { return w->findChild<QAction*>(QString::fromLatin1(name)); }

// Types `text` into a widget key by key, Polish letters included (as a keyboard layout sends them).
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
  }
}

// Runs the deferred deletions, so a closed window is really gone.
void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

void PutCursor(EditorWindow* w, int position) {
  QTextCursor cursor = Memo(w)->textCursor();
  cursor.setPosition(position);
  Memo(w)->setTextCursor(cursor);
}

void Select(EditorWindow* w, int from, int to) {
  QTextCursor cursor = Memo(w)->textCursor();
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  Memo(w)->setTextCursor(cursor);
}

}  // namespace

class EditorWindowTest : public QObject {
  Q_OBJECT

 private:
  MessageBoxRecorder boxes_;
  std::unique_ptr<orvane::gui::ScopedMessageBoxes> scope_;
  std::unique_ptr<QTemporaryDir> dir_;
  DialogScript script_;

  QString Path(const QString& name) const { return dir_->filePath(name); }
  EditorWindow* Open(const QString& path) {
    EditorWindow* w = OpenInEditor(path);
    if (w) w->SetDialogs(std::make_unique<ScriptedDialogs>(&script_));
    return w;
  }

 private slots:
  void initTestCase() { scope_ = std::make_unique<orvane::gui::ScopedMessageBoxes>(&boxes_); }

  void init() {
    boxes_ = MessageBoxRecorder();  // no box and no answer left over from another test
    boxes_.SetDefaultAnswer(BoxButton::Cancel);
    script_ = DialogScript();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
  }

  void cleanup() {
    orvane::gui::DiscardAllEditors();
    Settle();
  }

  void windowAsBuilt() {
    auto* built = new EditorWindow();
    EditorWindow& w = *built;
    QCOMPARE(w.objectName(), QStringLiteral("TForm4"));
    QCOMPARE(w.Caption(), QStringLiteral("Nowy dokument"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Nowy dokument"));
    // An ordinary window: never kept above every other one.
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(w.windowType(), Qt::Window);
    w.show();
    QCOMPARE(w.frameGeometry().size(), QSize(642, 531));

    QPlainTextEdit* memo = Memo(&w);
    QVERIFY(memo);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QFont font = w.DisplayFont();
    QCOMPARE(font.pointSize(), 8);
    QVERIFY(!font.bold() && !font.italic());
    // "Courier New" is not installed; its metric twin must stand in, not some proportional face.
    const QFontInfo info(font);
    QVERIFY2(info.fixedPitch(), qPrintable(info.family()));
    QVERIFY2(info.family() == QStringLiteral("Liberation Mono") || info.family() == QStringLiteral("Courier New") ||
                 info.family() == QStringLiteral("Cousine"),
             qPrintable(info.family()));
    QVERIFY(w.findChild<QTextEdit*>(QStringLiteral("r1")));
    QVERIFY(!w.findChild<QTextEdit*>(QStringLiteral("r1"))->isVisible());

    auto* toolBar = w.findChild<QToolBar*>();
    QVERIFY(toolBar);
    QCOMPARE(toolBar->height(), 29);
    QStringList order;
    QList<int> separatorWidths;
    for (QAction* action : toolBar->actions()) {
      QWidget* widget = toolBar->widgetForAction(action);
      QVERIFY(widget);
      order << widget->objectName();
      if (widget->objectName().startsWith(QStringLiteral("ToolButton"))) separatorWidths << widget->width();
    }
    const QStringList expected = {
        "ToolButton1",  "SpeedButton4", "ToolButton2",  "SpeedButton3",  "SpeedButton1",  "ToolButton3",
        "SpeedButton2", "ToolButton4",  "SpeedButton5", "ToolButton5",   "SpeedButton8",  "SpeedButton9",
        "SpeedButton10", "ToolButton6", "SpeedButton7", "ToolButton7",   "SpeedButton6",  "TrackBar1",
        "Edit1",        "SpeedButton11", "ToolButton8", "SpeedButton12"};
    QCOMPARE(order, expected);
    // The separators before Bold and before "ZAMKNIJ" are the wider ones.
    QCOMPARE(separatorWidths.size(), 8);
    for (int i = 0; i < 6; ++i) QVERIFY(separatorWidths[i] < separatorWidths[6]);
    QCOMPARE(separatorWidths[6], separatorWidths[7]);

    const QList<QPair<int, QString>> hints = {
        {4, "Nowy plik"},         {3, "Otwórz zbiór"},      {1, "Zapisz plik"},
        {2, "Drukuj plik"},       {5, "Szukaj ciągu znaków"}, {8, "Wytnij zaznaczony tekst"},
        {9, "Kopiuj do schowka"}, {10, "Wklej ze schowka"},  {7, "Cofanie o 1 krok"},
        {6, "font = [ Bold ]"},   {11, "font [do druku]"}};
    for (const auto& [number, hint] : hints) QCOMPARE(Button(&w, number)->toolTip(), hint);
    // Everything fits: nothing is pushed into the toolbar's overflow menu.
    for (QAction* action : toolBar->actions()) QVERIFY2(toolBar->widgetForAction(action)->isVisible(),
                                                       qPrintable(toolBar->widgetForAction(action)->objectName()));
    QCOMPARE(Button(&w, 12)->text(), QStringLiteral("ZAMKNIJ"));
    QVERIFY(Button(&w, 12)->font().bold());

    auto* track = w.findChild<QSlider*>(QStringLiteral("TrackBar1"));
    QCOMPARE(track->minimum(), 5);
    QCOMPARE(track->maximum(), 20);
    QCOMPARE(track->value(), 8);
    QCOMPARE(track->tickInterval(), 3);
    auto* size = w.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    QCOMPARE(size->text(), QStringLiteral("8"));
    QCOMPARE(size->width(), 22);

    QStringList menus;
    for (QAction* menu : w.menuBar()->actions()) {
      QStringList items;
      for (QAction* item : menu->menu()->actions()) {
        items << item->text();
        QVERIFY(item->shortcut().isEmpty());
      }
      menus << menu->text() + ": " + items.join(" | ");
    }
    QCOMPARE(menus, QStringList({"Plik: &Nowy | &Otwórz... | &Zapisz | Zapisz &jako... | &Drukuj... | W&yjście",
                                 "Edycja: Cofnij | &Wytnij | &Kopiuj | Wkl&ej", "Znajdź: Znajdź..."}));
    QStringList context;
    for (QAction* item : w.ContextMenu()->actions()) context << item->text();
    QCOMPARE(context, QStringList({"Cofnij", "Wytnij", "Kopiuj", "Wklej"}));
    QCOMPARE(Memo(&w)->contextMenuPolicy(), Qt::CustomContextMenu);
  }

  void openMissingFileShowsOneBlankAndClosesQuietly() {
    const QString path = Path("bl");
    QPointer<EditorWindow> w = Open(path);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->Caption(), path);
    QCOMPARE(w->Text(), QStringLiteral(" "));
    QVERIFY(!w->IsModified());
    QVERIFY(w->CloseWithPrompt());
    Settle();
    QVERIFY(!w);  // released when closed
    QCOMPARE(boxes_.Count(), 0);
    QVERIFY(!QFile::exists(path));
  }

  void openMissingTypeZamknijYesCreatesTheFile() {
    const QString path = Path("bl");
    QPointer<EditorWindow> w = Open(path);
    Type(Memo(w), QStringLiteral("Łódź 1"));
    QVERIFY(w->IsModified());
    boxes_.Script({BoxButton::Yes});
    Button(w, 12)->click();
    QCOMPARE(boxes_.Count(), 1);
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Question);
    QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("Orvane"));
    QCOMPARE(boxes_.Boxes()[0].text, QStringLiteral("Czy zapisać zmiany ?"));
    QCOMPARE(ReadBytes(path), QByteArray("\xA3\xF3\x64\x9F 1 "));
    Settle();
    QVERIFY(!w);
  }

  void closePromptAnswers_data() {
    QTest::addColumn<int>("route");  // 0 title-bar close, 1 "ZAMKNIJ", 2 "W&yjście"
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("onDisk");
    for (int route = 0; route < 3; ++route) {
      const QByteArray r = QByteArray::number(route);
      QTest::newRow("cancel " + r) << route << int(BoxButton::Cancel) << false << QByteArray("old\r\n");
      QTest::newRow("no " + r) << route << int(BoxButton::No) << true << QByteArray("old\r\n");
      QTest::newRow("yes " + r) << route << int(BoxButton::Yes) << true << QByteArray("new old\r\n");
    }
  }

  void closePromptAnswers() {
    QFETCH(int, route);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(QByteArray, onDisk);
    const QString path = Path("h.sta");
    WriteBytes(path, "old\r\n");
    QPointer<EditorWindow> w = Open(path);
    Type(Memo(w), QStringLiteral("new "));
    boxes_.Script({static_cast<BoxButton>(answer)});
    if (route == 0) w->close();
    if (route == 1) Button(w, 12)->click();
    if (route == 2) Item(w, "Wyjscie1")->trigger();
    QCOMPARE(boxes_.Count(), 1);
    Settle();
    QCOMPARE(bool(!w), closed);
    if (!closed) {
      QVERIFY(w->isVisible());
      QVERIFY(w->IsModified());
      QCOMPARE(w->Text(), QStringLiteral("new old\n"));
    }
    QCOMPARE(ReadBytes(path), onDisk);
  }

  void newKeepsTheFolderOfTheCaption() {
    const QString bl = Path("bl");
    WriteBytes(bl, "1 2 3\r\n");
    QPointer<EditorWindow> w = Open(bl);
    w->SetModified(true);
    w->NewDocument();
    QCOMPARE(w->Caption(), dir_->path() + "/Nowy dokument");
    QCOMPARE(w->Text(), QString());
    QVERIFY(w->IsModified());  // New leaves the mark alone
    w->SetModified(false);
    w->NewDocument();
    QCOMPARE(w->Caption(), dir_->path() + "/Nowy dokument");
    QVERIFY(!w->IsModified());
    Type(Memo(w), QStringLiteral("x"));
    QVERIFY(w->SaveDocument());
    QCOMPARE(ReadBytes(Path("Nowy dokument")), QByteArray("x"));
    QCOMPARE(ReadBytes(bl), QByteArray("1 2 3\r\n"));

    auto* fresh = new EditorWindow();
    fresh->NewDocument();
    QCOMPARE(fresh->Caption(), QStringLiteral("Nowy dokument"));
  }

  void readsAndWritesWindows1250WithCrLf_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");
    // "Zażółć gęślą jaźń" in Windows-1250: ż BF, ó F3, ł B3, ć E6, ę EA, ś 9C, ą B9, ź 9F, ń F1.
    const QByteArray polish = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";
    const QString polishText = QStringLiteral("Zażółć gęślą jaźń");
    QTest::newRow("crlf") << polish + "\r\n2 3\r\n" << polishText + "\n2 3\n" << polish + "\r\n2 3\r\n";
    QTest::newRow("lf only") << polish + "\n2 3\n" << polishText + "\n2 3\n" << polish + "\r\n2 3\r\n";
    QTest::newRow("no final line end") << polish + "\r\n2" << polishText + "\n2" << polish + "\r\n2";
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\r\nb\r\n") << QStringLiteral("a\n\n\nb\n")
                                      << QByteArray("a\r\n\r\n\r\nb\r\n");
    QTest::newRow("upper letters") << QByteArray("\xA3\xD3\x8C\xAF\x8F\xA5\xCA\xC6\xD1 \x80")
                                   << QStringLiteral("ŁÓŚŻŹĄĘĆŃ €") << QByteArray("\xA3\xD3\x8C\xAF\x8F\xA5\xCA\xC6\xD1 \x80");
    // Every byte but the line ends comes back as it was: viewing and saving damages nothing.
    QByteArray every;
    for (int b = 0; b < 256; ++b)
      if (b != '\r' && b != '\n') every += static_cast<char>(b);
    every += "\r\n";
    QTest::newRow("every byte") << every << QString::fromStdString(orvane::FromCp1250(every.toStdString())).replace("\r\n", "\n")
                                << every;
    QTest::newRow("no-break space survives") << QByteArray("1\xA0" "2") << QStringLiteral("1\u00A0" "2")
                                             << QByteArray("1\xA0" "2");
  }

  void readsAndWritesWindows1250WithCrLf() {
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    const QString path = Path("deltah");
    WriteBytes(path, file);
    QPointer<EditorWindow> w = Open(path);
    QCOMPARE(w->Text(), shown);
    QCOMPARE(Memo(w)->document()->firstBlock().text(), shown.section('\n', 0, 0));
    w->SetModified(true);
    QVERIFY(w->SaveDocument());
    QVERIFY(!w->IsModified());
    QCOMPARE(ReadBytes(path), saved);
    QCOMPARE(boxes_.Count(), 0);
  }

  void typedPolishTextIsSavedAsWindows1250() {
    const QString path = Path("tytul");
    QPointer<EditorWindow> w = Open(path);
    Memo(w)->selectAll();
    Type(Memo(w), QStringLiteral("Sieć Ząb"));
    QTest::keyClick(Memo(w), Qt::Key_Return);
    Type(Memo(w), QStringLiteral("źle"));
    QVERIFY(w->SaveDocument());
    QCOMPARE(ReadBytes(path), QByteArray("Sie\xE6 Z\xB9" "b\r\n\x9Fle"));
  }

  void failedSaveLeavesTheOldFileWhole() {
    // A file-size limit makes the write fail half-way, whoever runs the test.
    const QString path = Path("xyh.sta");
    const QByteArray old = "1 100.000\r\n2 200.000\r\n";
    WriteBytes(path, old);
    QPointer<EditorWindow> w = Open(path);
    Memo(w)->setPlainText(QString(200000, QLatin1Char('9')));
    QVERIFY(w->IsModified());
    struct rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = w->SaveDocument();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!savedOk);
    QCOMPARE(ReadBytes(path), old);
    QVERIFY(w->IsModified());
    QCOMPARE(w->Caption(), path);
    QCOMPARE(boxes_.Count(), 1);
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Error);
    // The system's reason ("File too large"), not a vague one.
    QCOMPARE(boxes_.Boxes()[0].text,
             "Nie można utworzyć pliku „" + path + "”. " + QString::fromLocal8Bit(std::strerror(EFBIG)));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList({"xyh.sta"}));
  }

  void saveKeepsPermissionsAndLinks() {
    // The file is replaced by a new one: its permissions and a link to it must survive.
    const QString target = Path("h.sta");
    WriteBytes(target, "1 1.0\r\n");
    QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    const QString link = Path("link.sta");
    QVERIFY(QFile::link(target, link));
    const QFileDevice::Permissions before = QFileInfo(target).permissions();
    QPointer<EditorWindow> w = Open(link);
    Type(Memo(w), QStringLiteral("2"));
    QVERIFY(w->SaveDocument());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadBytes(target), QByteArray("21 1.0\r\n"));
    QCOMPARE(QFileInfo(target).permissions(), before);
    QVERIFY(!(before & QFileDevice::ReadOther));
  }

  void writeProtectedFileIsNotReplaced() {
    if (geteuid() == 0) QSKIP("the superuser may write any file");
    const QString path = Path("h.sta");
    WriteBytes(path, "1 1.0\r\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QPointer<EditorWindow> w = Open(path);
    Type(Memo(w), QStringLiteral("2"));
    QVERIFY(!w->SaveDocument());
    QCOMPARE(ReadBytes(path), QByteArray("1 1.0\r\n"));
    QVERIFY(w->IsModified());
    QCOMPARE(boxes_.Texts(), QStringList({"Nie można utworzyć pliku „" + path + "”. " +
                                          QString::fromLocal8Bit(std::strerror(EACCES))}));
  }

  void saveIntoAMissingFolderReportsAndKeepsEverything() {
    const QString path = Path("nie ma/bl");
    QPointer<EditorWindow> w = Open(path);
    Type(Memo(w), QStringLiteral("1"));
    // Save As to a folder that does not exist: caption and mark stay.
    script_.savePath = path + "x";
    QVERIFY(!w->SaveDocumentAs());
    QCOMPARE(w->Caption(), path);
    QVERIFY(w->IsModified());
    // Yes in the close prompt that cannot write keeps the window open.
    boxes_.Script({BoxButton::Yes});
    QVERIFY(!w->CloseWithPrompt());
    Settle();
    QVERIFY(w && w->isVisible());
    QVERIFY(w->IsModified());
    QCOMPARE(boxes_.Count(), 3);
    QVERIFY(boxes_.Boxes()[0].text.startsWith("Nie można utworzyć pliku „" + path + "x”. "));
    QCOMPARE(boxes_.Boxes()[1].kind, BoxKind::Question);
    QVERIFY(boxes_.Boxes()[2].text.startsWith("Nie można utworzyć pliku „" + path + "”. "));
    QVERIFY(!QFileInfo::exists(Path("nie ma")));
  }

  void saveAsTakesTheNewPath() {
    const QString first = Path("BLH_e.1");
    WriteBytes(first, "a\r\n");
    QPointer<EditorWindow> w = Open(first);
    WriteBytes(Path("BLH_n"), "replaced without a question\r\n");
    script_.savePath = Path("BLH_n");
    Type(Memo(w), QStringLiteral("b"));
    QVERIFY(w->SaveDocumentAs());
    QCOMPARE(w->Caption(), Path("BLH_n"));
    QVERIFY(!w->IsModified());
    QCOMPARE(ReadBytes(Path("BLH_n")), QByteArray("ba\r\n"));
    QCOMPARE(boxes_.Count(), 0);
    QCOMPARE(ReadBytes(first), QByteArray("a\r\n"));
    script_.savePath.reset();  // Cancel changes nothing
    QVERIFY(!w->SaveDocumentAs());
    QCOMPARE(w->Caption(), Path("BLH_n"));
  }

  void openCommand() {
    const QString other = Path("deltah1");
    WriteBytes(other, "x y\r\n");
    QPointer<EditorWindow> w = Open(Path("bl"));
    script_.openPath = other;
    w->OpenDocument();
    QCOMPARE(w->Caption(), other);
    QCOMPARE(w->Text(), QStringLiteral("x y\n"));
    QVERIFY(!w->IsModified());
    // A folder cannot be read: the error box, and the text and caption stay.
    script_.openPath = dir_->path();
    w->OpenDocument();
    QCOMPARE(w->Caption(), other);
    QCOMPARE(w->Text(), QStringLiteral("x y\n"));
    QCOMPARE(boxes_.Count(), 1);
    QVERIFY(boxes_.Boxes()[0].text.startsWith("Nie można otworzyć pliku „" + dir_->path() + "”. "));
    script_.openPath.reset();
    w->OpenDocument();
    QCOMPARE(w->Caption(), other);
  }

  void unreadableFileGivesNoWindow() {
    // A pipe would block a plain read for ever; the editor refuses it at once.
    const QString fifo = Path("DELTAH.gps");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int before = QApplication::topLevelWidgets().size();
    QVERIFY(!OpenInEditor(fifo));
    QCOMPARE(boxes_.Count(), 1);
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Error);
    QVERIFY(boxes_.Boxes()[0].text.startsWith("Nie można otworzyć pliku „" + fifo + "”. "));
    Settle();
    QCOMPARE(QApplication::topLevelWidgets().size(), before);
  }

  void fileWithoutReadPermissionGivesNoWindow() {
    if (geteuid() == 0) QSKIP("the superuser may read any file");
    const QString path = Path("deltah");
    WriteBytes(path, "1 2 0.5 1\r\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner | QFileDevice::WriteUser));
    QVERIFY(!OpenInEditor(path));
    QCOMPARE(boxes_.Texts(), QStringList({"Nie można otworzyć pliku „" + path + "”. " +
                                          QString::fromLocal8Bit(std::strerror(EACCES))}));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(ReadBytes(path), QByteArray("1 2 0.5 1\r\n"));
  }

  void findNext_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selFrom");
    QTest::addColumn<int>("selTo");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("found");  // -1: not found
    QTest::newRow("case matters") << "ab xab" << 0 << 0 << "Ab" << -1;
    QTest::newRow("exact case") << "ab xAb" << 0 << 0 << "Ab" << 4;
    QTest::newRow("cursor near end, no selection") << "ab 12 ab 12" << 10 << 10 << "ab" << 0;
    QTest::newRow("selection is the match: go on") << "ab 12 ab 12" << 0 << 2 << "ab" << 6;
    QTest::newRow("adjacent occurrence") << "abab" << 0 << 2 << "ab" << 2;
    QTest::newRow("overlapping occurrence is passed") << "aaa" << 0 << 2 << "aa" << -1;
    QTest::newRow("other selection: from the start") << "ab 12 ab" << 6 << 8 << "12" << 3;
    QTest::newRow("selection differs in case") << "ab AB ab" << 3 << 5 << "ab" << 0;
    QTest::newRow("last one: not found") << "ab 12 ab" << 6 << 8 << "ab" << -1;
    QTest::newRow("on a later line") << "1 2\n3 4\nxy 5" << 0 << 0 << "xy" << 8;
    QTest::newRow("polish letters") << "zażółć ŻÓŁĆ" << 0 << 0 << "ŻÓŁ" << 7;
  }

  void findNext() {
    QFETCH(QString, text);
    QFETCH(int, selFrom);
    QFETCH(int, selTo);
    QFETCH(QString, search);
    QFETCH(int, found);
    QPointer<EditorWindow> w = Open(Path("bl"));
    Memo(w)->setPlainText(text);
    Select(w, selFrom, selTo);
    QCOMPARE(w->FindNext(search), found >= 0);
    const QTextCursor cursor = Memo(w)->textCursor();
    if (found >= 0) {
      QCOMPARE(cursor.selectionStart(), found);
      QCOMPARE(cursor.selectionEnd(), found + search.size());
      QCOMPARE(boxes_.Count(), 0);
    } else {
      QCOMPARE(cursor.selectionStart(), std::min(selFrom, selTo));
      QCOMPARE(cursor.selectionEnd(), std::max(selFrom, selTo));
      QCOMPARE(boxes_.Count(), 1);
      QCOMPARE(boxes_.Boxes()[0].text, QStringLiteral("Nie można odnaleźć łańcucha"));
      QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("Informacja"));
      QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Information);
    }
  }

  void findDialogIsModelessAndRepeats() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    Memo(w)->setPlainText(QStringLiteral("ab ab ab"));
    Button(w, 5)->click();
    QDialog* dialog = w->FindDialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("FindText"));
    auto* next = dialog->findChild<QPushButton*>(QStringLiteral("FindNextButton"));
    QVERIFY(edit && next);
    // Only the search text and find-next: no case, whole-word or direction choices.
    QCOMPARE(dialog->findChildren<QPushButton*>().size(), 1);
    QCOMPARE(dialog->findChildren<QLineEdit*>().size(), 1);
    QVERIFY(dialog->findChildren<QAbstractButton*>().size() == 1);
    QVERIFY(!next->isEnabled());
    edit->setText(QStringLiteral("ab"));
    QList<int> starts;
    for (int i = 0; i < 4; ++i) {
      next->click();
      starts << Memo(w)->textCursor().selectionStart();
    }
    QCOMPARE(starts, QList<int>({0, 3, 6, 6}));
    QCOMPARE(boxes_.Texts(), QStringList({"Nie można odnaleźć łańcucha"}));
    QVERIFY(dialog->isVisible());  // it stays open
    Item(w, "Znajdz2")->trigger();
    QVERIFY(dialog->isVisible());
  }

  void sizeBox_data() {
    QTest::addColumn<int>("position");  // track bar before
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("newPosition");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("error");
    QTest::newRow("25 resets the box") << 8 << "25" << 8 << 8 << "8" << "";
    QTest::newRow("2 resets the box") << 11 << "2" << 11 << 11 << "11" << "";
    QTest::newRow("-7 resets the box") << 8 << "-7" << 8 << 8 << "8" << "";
    QTest::newRow("4 gives 5") << 8 << "4" << 5 << 5 << "5" << "";
    QTest::newRow("3 gives 5") << 8 << "3" << 5 << 5 << "5" << "";
    QTest::newRow("4 at 5 keeps the box") << 5 << "4" << 5 << 5 << "4" << "";
    QTest::newRow("12") << 8 << "12" << 12 << 12 << "12" << "";
    QTest::newRow("20") << 8 << "20" << 20 << 20 << "20" << "";
    QTest::newRow("leading blank") << 8 << " 9" << 9 << 9 << "9" << "";
    QTest::newRow("not a number") << 8 << "x" << 8 << 8 << "x"
                                  << "„x” nie jest poprawną liczbą całkowitą";
    QTest::newRow("empty") << 8 << "" << 8 << 8 << ""
                           << "„” nie jest poprawną liczbą całkowitą";
    QTest::newRow("decimal") << 8 << "9.5" << 8 << 8 << "9.5"
                             << "„9.5” nie jest poprawną liczbą całkowitą";
    QTest::newRow("huge") << 8 << "99999999999" << 8 << 8 << "99999999999"
                          << "„99999999999” nie jest poprawną liczbą całkowitą";
  }

  void sizeBox() {
    QFETCH(int, position);
    QFETCH(QString, typed);
    QFETCH(int, newPosition);
    QFETCH(int, points);
    QFETCH(QString, box);
    QFETCH(QString, error);
    QPointer<EditorWindow> w = Open(Path("bl"));
    auto* track = w->findChild<QSlider*>(QStringLiteral("TrackBar1"));
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    track->setValue(position);
    QCOMPARE(w->DisplayFont().pointSize(), position);
    QCOMPARE(edit->text(), QString::number(position));
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(track->value(), newPosition);
    QCOMPARE(w->DisplayFont().pointSize(), points);
    QCOMPARE(edit->text(), box);
    QCOMPARE(w->findChild<QTextEdit*>(QStringLiteral("r1"))->font().pointSize(), newPosition);
    if (error.isEmpty()) {
      QCOMPARE(boxes_.Count(), 0);
    } else {
      QCOMPARE(boxes_.Texts(), QStringList({error}));
      QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Error);
    }
    QVERIFY(!w->IsModified());  // a font change is no change of the text
  }

  void fontDialogAndBold() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    QFont italic(QStringLiteral("Liberation Sans"), 12);
    italic.setItalic(true);
    italic.setUnderline(true);
    script_.font = italic;
    Button(w, 11)->click();
    QCOMPARE(script_.fontDialogStarts.size(), 1);
    QCOMPARE(script_.fontDialogStarts[0].family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(script_.fontDialogStarts[0].pointSize(), 8);
    QVERIFY(w->DisplayFont().italic());
    QCOMPARE(w->DisplayFont().pointSize(), 12);
    // The track bar and the size box do not follow the font dialog.
    QCOMPARE(w->findChild<QSlider*>(QStringLiteral("TrackBar1"))->value(), 8);
    QCOMPARE(w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("8"));

    Button(w, 6)->click();
    QVERIFY(w->DisplayFont().bold());
    QVERIFY(!w->DisplayFont().italic());
    QVERIFY(!w->DisplayFont().underline());
    QCOMPARE(w->DisplayFont().family(), QStringLiteral("Liberation Sans"));
    Button(w, 6)->click();
    QVERIFY(!w->DisplayFont().bold());
    QVERIFY(!w->DisplayFont().italic());

    // Bold and italic together is not "exactly bold": the button makes it plain bold.
    QFont boldItalic = italic;
    boldItalic.setBold(true);
    script_.font = boldItalic;
    w->ChooseFont();
    QCOMPARE(script_.fontDialogStarts.size(), 2);
    QCOMPARE(script_.fontDialogStarts[1], italic);  // starts from the last font chosen
    w->ToggleBold();
    QVERIFY(w->DisplayFont().bold());
    QVERIFY(!w->DisplayFont().italic());

    script_.font.reset();  // Cancel keeps the font
    w->ChooseFont();
    QVERIFY(w->DisplayFont().bold());
    QVERIFY(!w->IsModified());
  }

  void undoMarks_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("marked");
    QTest::newRow("toolbar") << "toolbar" << true;
    QTest::newRow("main menu") << "menu" << true;
    QTest::newRow("context menu") << "context" << false;
  }

  void undoMarks() {
    QFETCH(QString, route);
    QFETCH(bool, marked);
    const QString path = Path("h.sta");
    WriteBytes(path, "1 0.0\r\n");
    QPointer<EditorWindow> w = Open(path);
    // Nothing to undo: the toolbar and menu forms still set the mark.
    if (route == "toolbar") Button(w, 7)->click();
    if (route == "menu") Item(w, "Cofnij1")->trigger();
    if (route == "context") Item(w, "Cofnij2")->trigger();
    QCOMPARE(w->IsModified(), marked);
    QCOMPARE(w->Text(), QStringLiteral("1 0.0\n"));
    // So the next close asks.
    boxes_.Script({BoxButton::No});
    QVERIFY(w->CloseWithPrompt());
    QCOMPARE(boxes_.Count(), marked ? 1 : 0);
    QCOMPARE(ReadBytes(path), QByteArray("1 0.0\r\n"));
  }

  void undoTakesBackTyping() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    PutCursor(w, 1);
    Type(Memo(w), QStringLiteral("x"));
    QCOMPARE(w->Text(), QStringLiteral(" x"));
    Item(w, "Cofnij2")->trigger();
    QCOMPARE(w->Text(), QStringLiteral(" "));
  }

  void clipboardCommands() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    Memo(w)->setPlainText(QStringLiteral("12345"));
    w->SetModified(false);
    Select(w, 1, 3);
    Button(w, 8)->click();  // cut
    QCOMPARE(w->Text(), QStringLiteral("145"));
    QVERIFY(w->IsModified());
    PutCursor(w, 3);
    Button(w, 10)->click();  // paste
    QCOMPARE(w->Text(), QStringLiteral("14523"));
    Select(w, 0, 2);
    Item(w, "Kopiuj2")->trigger();
    PutCursor(w, 5);
    Item(w, "Wklej1")->trigger();
    QCOMPARE(w->Text(), QStringLiteral("1452314"));
  }

  void twoWindowsSaveTheirOwnTexts() {
    const QString older = Path("deltah");
    const QString newer = Path("deltah1");
    WriteBytes(older, "A\r\n");
    WriteBytes(newer, "B\r\n");
    QPointer<EditorWindow> first = Open(older);
    QPointer<EditorWindow> second = Open(newer);
    QVERIFY(first != second);
    QVERIFY(first->isVisible() && second->isVisible());
    Type(Memo(first), QStringLiteral("1"));
    Type(Memo(second), QStringLiteral("2"));
    Button(first, 1)->click();
    QCOMPARE(ReadBytes(older), QByteArray("1A\r\n"));
    QCOMPARE(ReadBytes(newer), QByteArray("B\r\n"));
    QVERIFY(!first->IsModified());
    QVERIFY(second->IsModified());
    Item(second, "Zapisz1")->trigger();
    QCOMPARE(ReadBytes(newer), QByteArray("2B\r\n"));
    // A third window on the same file is independent.
    QPointer<EditorWindow> third = Open(older);
    QVERIFY(third && first);
    QCOMPARE(third->Text(), QStringLiteral("1A\n"));
  }

  void printsToPdf() {
    const QString path = Path("wyh.osn");
    QByteArray text;
    for (int i = 1; i <= 300; ++i) text += "  punkt " + QByteArray::number(i) + "   123.456  \xB3\xF3" "d\xBC\r\n";
    WriteBytes(path, text);
    QPointer<EditorWindow> w = Open(path);
    script_.pdfPath = Path("druk.pdf");
    Button(w, 2)->click();
    const QByteArray pdf = ReadBytes(script_.pdfPath);
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY(pdf.size() > 1000);
    QCOMPARE(script_.printedDocName, QStringLiteral("wyh.osn"));
    // 300 lines of 8 points do not fit on one page.
    QVERIFY(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/") > 1);
    // The print copy carries the display font and the 35-point indent; the text is untouched.
    auto* r1 = w->findChild<QTextEdit*>(QStringLiteral("r1"));
    QCOMPARE(r1->document()->firstBlock().blockFormat().leftMargin() > 0, true);
    QCOMPARE(r1->font().pointSize(), 8);
    QCOMPARE(ReadBytes(path), text);
    QVERIFY(!w->IsModified());

    // A cancelled print dialog prints nothing.
    script_.pdfPath.clear();
    Item(w, "Drukuj1")->trigger();
    QVERIFY(!QFile::exists(Path("nic.pdf")));
  }

  void realBoxesAndDialogsNeverWaitWithoutAScreen() {
    QVERIFY(orvane::gui::NobodyToAnswer());
    orvane::gui::ScopedMessageBoxes real(nullptr);
    QCOMPARE(orvane::gui::Boxes().AskYesNoCancel(nullptr, "Orvane", "Czy zapisać zmiany ?"), BoxButton::Cancel);
    orvane::gui::Boxes().Information(nullptr, QStringLiteral("Nie można odnaleźć łańcucha"), QStringLiteral("Informacja"));
    auto* w = OpenInEditor(Path("bl"));  // with the real dialogs
    w->OpenDocument();
    QVERIFY(!w->SaveDocumentAs());
    w->PrintDocument();
    w->ChooseFont();
    QCOMPARE(w->Caption(), Path("bl"));
    QCOMPARE(boxes_.Count(), 0);
  }

  void discardAllEditorsAsksNothing() {
    QPointer<EditorWindow> a = Open(Path("bl"));
    QPointer<EditorWindow> b = Open(Path("bln"));
    Type(Memo(a), QStringLiteral("unsaved"));
    orvane::gui::DiscardAllEditors();
    Settle();
    QVERIFY(!a && !b);
    QCOMPARE(boxes_.Count(), 0);
    QVERIFY(!QFile::exists(Path("bl")));
  }

  void editorIsAnOrdinaryWindowThatGoesWithItsMainWindow() {
    auto owning = std::make_unique<QMainWindow>();
    QMainWindow& owner = *owning;
    owner.setGeometry(0, 0, 790, 590);
    auto* start = new QPushButton(QStringLiteral("OBLICZAJ"), &owner);
    start->setGeometry(400, 540, 193, 41);
    owner.show();
    QPointer<EditorWindow> w = OpenInEditor(Path("bl"), &owner, start);
    QVERIFY(w);
    // A window of its own: the main window can be raised above it, and minimising the editor
    // does not take the main window along (no transient window of it, never on top).
    QVERIFY(w->isWindow());
    QVERIFY(w->parentWidget() == nullptr);
    QCOMPARE(w->windowType(), Qt::Window);
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w->windowFlags() & Qt::WindowMinMaxButtonsHint);
    QVERIFY(!w->isModal());
    QVERIFY(owner.isEnabled());
    // The screen (800 x 600 off-screen) has no room beside the main window: the start button
    // stays uncovered as far as the screen allows.
    const QRect button(start->mapToGlobal(QPoint(0, 0)), start->size());
    QVERIFY2(!w->frameGeometry().intersects(button),
             qPrintable(QStringLiteral("editor %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())));
    QCOMPARE(w->frameGeometry().size(), QSize(642, 531));
    // The main window takes its editors along when it goes.
    Memo(w)->setPlainText(QStringLiteral("unsaved"));
    owning.reset();
    QVERIFY(w.isNull());
    QCOMPARE(boxes_.Count(), 0);
  }

  void besideTheMainWindowWhereTheScreenAllows_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");  // (-1, -1): no room
    QTest::newRow("1920x1080, main at the left") << QRect(0, 0, 801, 579) << QRect(0, 0, 1920, 1080) << QPoint(801, 0);
    QTest::newRow("1920x1080, main at the right")
        << QRect(1100, 200, 801, 579) << QRect(0, 0, 1920, 1080) << QPoint(1100 - 642, 200);
    QTest::newRow("1920x1080, main low") << QRect(0, 700, 801, 579) << QRect(0, 0, 1920, 1080)
                                         << QPoint(801, 1080 - 531);
    // Centred by the window manager: against the right edge, over 82 pixels of the main window.
    QTest::newRow("1920x1080, main centred")
        << QRect(559, 254, 801, 579) << QRect(0, 0, 1920, 1080) << QPoint(1920 - 642, 254);
    QTest::newRow("1280x1024") << QRect(240, 220, 801, 579) << QRect(0, 0, 1280, 1024) << QPoint(-1, -1);
    QTest::newRow("800x600") << QRect(0, 0, 802, 615) << QRect(0, 0, 800, 600) << QPoint(-1, -1);
  }
  void besideTheMainWindowWhereTheScreenAllows() {
    QFETCH(QRect, main);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    const std::optional<QPoint> beside = orvane::gui::BesidePosition(main, QSize(642, 531), area);
    QCOMPARE(beside.value_or(QPoint(-1, -1)), expected);
    if (beside) {
      const QRect editor(*beside, QSize(642, 531));
      QVERIFY(area.contains(editor));
      QVERIFY(editor.intersected(main).width() <= 642 / 4);
    }
  }

  void pasteWithNothingInTheClipboard() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    auto* text = qobject_cast<orvane::gui::EditorText*>(Memo(w));
    QVERIFY(text);
    // What the clipboard gives when it is empty or its owner has gone: nothing, or no text. The
    // toolkit's own paste crashed on it (and took every unsaved text with it).
    QVERIFY(!text->canInsertFromMimeData(nullptr));
    text->insertFromMimeData(nullptr);
    QMimeData empty;
    text->insertFromMimeData(&empty);
    QApplication::clipboard()->clear();
    Button(w, 10)->click();
    Item(w, "Wklej1")->trigger();
    Item(w, "Wklej2")->trigger();
    QTest::keyClick(Memo(w), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w->Text(), QStringLiteral(" "));
    QVERIFY(!w->IsModified());
    // Text of another system's line ends is pasted as plain lines.
    QMimeData lines;
    lines.setText(QStringLiteral("a\r\nb\rc"));
    PutCursor(w, 0);
    text->insertFromMimeData(&lines);
    QCOMPARE(w->Text(), QStringLiteral("a\nb\nc "));
    QVERIFY(w->IsModified());
  }

  void modifiedCaptionIsMarked() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    QCOMPARE(w->windowTitle(), Path("bl"));
    Type(Memo(w), QStringLiteral("x"));
    QCOMPARE(w->windowTitle(), "* " + Path("bl"));
    QCOMPARE(w->Caption(), Path("bl"));
    QVERIFY(w->SaveDocument());
    QCOMPARE(w->windowTitle(), Path("bl"));
    Item(w, "Cofnij1")->trigger();
    QCOMPARE(w->windowTitle(), "* " + Path("bl"));
  }

  void everyUnsavedEditorIsAskedForBeforeTheProgramEnds_data() {
    QTest::addColumn<QList<int>>("answers");  // BoxButton values, one per modified editor asked
    QTest::addColumn<bool>("mayEnd");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QByteArray>("savedA");
    QTest::addColumn<QByteArray>("savedC");
    const int yes = static_cast<int>(BoxButton::Yes);
    const int no = static_cast<int>(BoxButton::No);
    const int cancel = static_cast<int>(BoxButton::Cancel);
    QTest::newRow("Nie, Tak") << QList<int>{no, yes} << true << 2 << QByteArray("<missing>") << QByteArray("c1");
    QTest::newRow("Tak, Tak") << QList<int>{yes, yes} << true << 2 << QByteArray("a1") << QByteArray("c1");
    QTest::newRow("Anuluj") << QList<int>{cancel} << false << 1 << QByteArray("<missing>") << QByteArray("<missing>");
    QTest::newRow("Nie, Anuluj") << QList<int>{no, cancel} << false << 2 << QByteArray("<missing>")
                                 << QByteArray("<missing>");
  }
  void everyUnsavedEditorIsAskedForBeforeTheProgramEnds() {
    QFETCH(QList<int>, answers);
    QFETCH(bool, mayEnd);
    QFETCH(int, asked);
    QFETCH(QByteArray, savedA);
    QFETCH(QByteArray, savedC);
    QPointer<EditorWindow> a = Open(Path("a"));
    QPointer<EditorWindow> b = Open(Path("b"));
    QPointer<EditorWindow> c = Open(Path("c"));
    Memo(a)->setPlainText(QStringLiteral("a1"));
    Memo(c)->setPlainText(QStringLiteral("c1"));
    for (int answer : answers) boxes_.Script({static_cast<BoxButton>(answer)});
    QCOMPARE(orvane::gui::SettleUnsavedEditors(), mayEnd);
    QCOMPARE(boxes_.Count(), asked);
    QCOMPARE(boxes_.Boxes()[0].text, "Zapisać zmiany w " + Path("a") + "?");
    QCOMPARE(boxes_.Boxes()[0].caption, QStringLiteral("Orvane"));
    QCOMPARE(boxes_.Boxes()[0].parent, a.data());
    if (asked == 2) QCOMPARE(boxes_.Boxes()[1].text, "Zapisać zmiany w " + Path("c") + "?");
    QCOMPARE(ReadBytes(Path("a")), savedA);
    QCOMPARE(ReadBytes(Path("c")), savedC);
    QCOMPARE(ReadBytes(Path("b")), QByteArray("<missing>"));
    // Nothing is let go before the program really ends: an Anuluj keeps every text marked.
    QVERIFY(a && b && c);
    if (!mayEnd) QCOMPARE(a->IsModified(), savedA == "<missing>");
  }

  void aFailedSaveKeepsTheProgram() {
    QPointer<EditorWindow> w = Open(dir_->filePath(QStringLiteral("gone/bl")));
    Memo(w)->setPlainText(QStringLiteral("x"));
    boxes_.Script({BoxButton::Yes});
    QVERIFY(!orvane::gui::SettleUnsavedEditors());
    QVERIFY(w->IsModified());
    QCOMPARE(boxes_.Boxes().back().kind, BoxKind::Error);
  }

  void charactersOutsideWindows1250AreNamedBeforeTheyAreLost() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    Memo(w)->setPlainText(QStringLiteral("Łódź ñ α ñ € ok"));
    boxes_.Script({BoxButton::No});
    QVERIFY(!w->SaveDocument());
    QCOMPARE(boxes_.Count(), 1);
    QCOMPARE(boxes_.Boxes()[0].kind, BoxKind::Question);
    QVERIFY2(boxes_.Boxes()[0].text.contains(QStringLiteral(": ñ α\n")), qPrintable(boxes_.Boxes()[0].text));
    QVERIFY(boxes_.Boxes()[0].text.contains(Path("bl")));
    QCOMPARE(ReadBytes(Path("bl")), QByteArray("<missing>"));
    QVERIFY(w->IsModified());
    boxes_.Script({BoxButton::Yes});
    QVERIFY(w->SaveDocument());
    QCOMPARE(ReadBytes(Path("bl")), QByteArray("\xa3\xf3\x64\x9f ? ? ? \x80 ok"));
    // A text Windows-1250 holds whole is saved without a question.
    boxes_.Clear();
    Memo(w)->setPlainText(QStringLiteral("Łódź"));
    QVERIFY(w->SaveDocument());
    QCOMPARE(boxes_.Count(), 0);
  }

  void afterNotFoundTheFocusGoesBackToTheFindDialog() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    Memo(w)->setPlainText(QStringLiteral("Kraków"));
    w->ShowFindDialog();
    QDialog* dialog = w->FindDialog();
    auto* search = dialog->findChild<QLineEdit*>(QStringLiteral("FindText"));
    QVERIFY(w->FindNext(QStringLiteral("Kraków")));
    QVERIFY(!w->FindNext(QStringLiteral("Warszawa")));
    // The box stands over the find dialog, which then has the focus: the window manager gives
    // it back to the box's window, and an Enter there searches again instead of replacing the
    // selected "Kraków" with a line break.
    QCOMPARE(boxes_.Boxes().back().text, QStringLiteral("Nie można odnaleźć łańcucha"));
    QCOMPARE(boxes_.Boxes().back().parent, static_cast<QWidget*>(dialog));
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(search));
    QCOMPARE(Memo(w)->textCursor().selectedText(), QStringLiteral("Kraków"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(w->Text(), QStringLiteral("Kraków"));
  }

  void aFileChangedByARunIsOfferedAgain() {
    WriteBytes(Path("wyh.osn"), "old\r\n");
    QPointer<EditorWindow> w = Open(Path("wyh.osn"));
    QPointer<EditorWindow> missing = Open(Path("h.osn"));
    orvane::gui::OfferToReloadChangedFiles();
    QCOMPARE(boxes_.Count(), 0);  // nothing changed, nothing asked
    WriteBytes(Path("wyh.osn"), "new report\r\n");
    WriteBytes(Path("h.osn"), "heights\r\n");
    boxes_.Script({BoxButton::No, BoxButton::Yes});
    orvane::gui::OfferToReloadChangedFiles();
    QCOMPARE(boxes_.Count(), 2);
    QCOMPARE(boxes_.Boxes()[0].text, "Plik " + Path("wyh.osn") + " został zmieniony. Wczytać go ponownie?");
    QCOMPARE(w->Text(), QStringLiteral("old\n"));
    QCOMPARE(missing->Text(), QStringLiteral("heights\n"));
    QVERIFY(!missing->IsModified());
    // Asked once per change.
    orvane::gui::OfferToReloadChangedFiles();
    QCOMPARE(boxes_.Count(), 2);
    // Unsaved text in the window: the question says that it would go.
    Memo(w)->setPlainText(QStringLiteral("typed"));
    WriteBytes(Path("wyh.osn"), "newer report\r\n");
    boxes_.Script({BoxButton::Yes});
    orvane::gui::OfferToReloadChangedFiles();
    QVERIFY(boxes_.Boxes().back().text.contains(QStringLiteral("zostaną utracone")));
    QCOMPARE(w->Text(), QStringLiteral("newer report\n"));
    QVERIFY(!w->IsModified());
  }

  void closingAWindowHandsTheFocusToTheOneUsedBefore() {
    QWidget mainWindow;
    mainWindow.setObjectName(QStringLiteral("TForm2"));
    mainWindow.show();
    orvane::gui::TrackActivation();
    QPointer<EditorWindow> a = Open(Path("a"));
    QPointer<EditorWindow> b = Open(Path("b"));
    for (QWidget* window :
         {static_cast<QWidget*>(&mainWindow), static_cast<QWidget*>(a.data()), static_cast<QWidget*>(b.data())}) {
      window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window));
    }
    auto* help = new orvane::gui::HelpWindow(QStringLiteral("TForm3"), QSize(300, 200), QFont(), QStringLiteral("?"),
                                             &mainWindow);
    QPointer<QWidget> helpAlive = help;
    help->show();
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    // Escape closes a help window; the editor used last before it gets the focus back.
    QTest::keyClick(help->Text(), Qt::Key_Escape);
    Settle();
    QVERIFY(helpAlive.isNull());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(b.data()));
    b->close();
    Settle();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(a.data()));
    a->close();
    Settle();
    QTRY_COMPARE(QApplication::activeWindow(), &mainWindow);
  }

  void furtherWindowsOpenALittleFurtherOn() {
    QList<QPointer<EditorWindow>> editors;
    for (int i = 0; i < 3; ++i) editors << Open(Path("bl"));
    const QPoint step = editors[1]->pos() - editors[0]->pos();
    QVERIFY2(step.x() > 0 && step.y() > 0 && step.manhattanLength() <= 64,
             qPrintable(QStringLiteral("%1,%2").arg(step.x()).arg(step.y())));
    QCOMPARE(editors[2]->pos() - editors[1]->pos(), step);
    // A closed window frees its place for the next one.
    editors[0]->close();
    Settle();
    QPointer<EditorWindow> next = Open(Path("bl"));
    QCOMPARE(next->pos(), editors[1]->pos() - step);
  }

  void openAndSaveDialogsStartInTheFilesFolder() {
    QPointer<EditorWindow> w = Open(Path("bl"));
    w->OpenDocument();
    w->SaveDocumentAs();
    const QString folder = dir_->path() + QLatin1Char('/');
    QCOMPARE(script_.openStarts, QStringList{folder});
    QCOMPARE(script_.saveStarts, QStringList{folder});
    // A caption without a folder, or with one that is not there: the process's current folder.
    auto* fresh = new EditorWindow();
    fresh->SetDialogs(std::make_unique<ScriptedDialogs>(&script_));
    fresh->OpenDocument();
    QPointer<EditorWindow> lost = Open(dir_->filePath(QStringLiteral("gone/bl")));
    lost->SaveDocumentAs();
    QCOMPARE(script_.openStarts, (QStringList{folder, QString()}));
    QCOMPARE(script_.saveStarts, (QStringList{folder, QString()}));
    delete fresh;
  }

  void findDialogLeavesTheMatchInSight_data() {
    QTest::addColumn<int>("line");
    QTest::newRow("first line") << 0;
    QTest::newRow("middle") << 150;
    QTest::newRow("last line") << 299;
  }
  void findDialogLeavesTheMatchInSight() {
    QFETCH(int, line);
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines << QStringLiteral("%1 %2").arg(i == line ? "MATCH" : "point").arg(i);
    WriteBytes(Path("bl"), lines.join("\r\n").toLatin1());
    QPointer<EditorWindow> w = Open(Path("bl"));
    w->ShowFindDialog();
    QDialog* dialog = w->FindDialog();
    // The dialog over the middle of the text, where a found line is scrolled to.
    QWidget* view = Memo(w)->viewport();
    const QPoint middle = view->mapToGlobal(QPoint(0, view->height() / 2));
    for (int top : {middle.y() - dialog->height() / 2, middle.y() - 10, view->mapToGlobal(QPoint(0, 0)).y()}) {
      dialog->move(middle.x() + 20, top);
      dialog->findChild<QLineEdit*>(QStringLiteral("FindText"))->setText(QStringLiteral("MATCH"));
      PutCursor(w, 0);
      QVERIFY(w->FindNext(QStringLiteral("MATCH")));
      QCOMPARE(Memo(w)->textCursor().selectedText(), QStringLiteral("MATCH"));
      const QRect r = Memo(w)->cursorRect(Memo(w)->textCursor());
      const QRect match(view->mapToGlobal(QPoint(0, r.top())), QSize(view->width(), r.height()));
      QVERIFY2(view->rect().contains(view->mapFromGlobal(match.center())), "the match is out of view");
      QVERIFY2(!dialog->frameGeometry().intersects(match),
               qPrintable(QStringLiteral("dialog top %1, match line top %2").arg(dialog->y()).arg(match.y())));
    }
  }

  void hugeLinesKeepTheirLayoutAndWrap() {
    // A line of a quarter of a million characters: laid out once and wrapped, so that the blink
    // of the cursor does not lay it out and draw it whole again and again.
    const QByteArray huge(250000, 'x');
    WriteBytes(Path("deltah"), "1 2 0.5 1\r\n" + huge + "\r\n");
    QPointer<EditorWindow> w = Open(Path("deltah"));
    QCOMPARE(Memo(w)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    const QTextBlock line = Memo(w)->document()->findBlockByNumber(1);
    QCOMPARE(line.length(), 250001);
    QVERIFY(line.layout()->cacheEnabled());
    QVERIFY(!Memo(w)->document()->findBlockByNumber(0).layout()->cacheEnabled());
    QCOMPARE(w->Text().size(), 10 + 250001);  // nothing of the text changes
    // A file of ordinary lines opened in the same window is not wrapped again.
    WriteBytes(Path("bl"), "a b c\r\n");
    script_.openPath = Path("bl");
    w->OpenDocument();
    QCOMPARE(Memo(w)->lineWrapMode(), QPlainTextEdit::NoWrap);
    // A huge line pasted in wraps too.
    Memo(w)->insertPlainText(QString(20000, QLatin1Char('y')));
    QCOMPARE(Memo(w)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(w->IsModified());
  }

  void qtDialogsSpeakPolish() {
    QVERIFY(orvane::gui::InstallPolishQtTexts());
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Orvane"), QStringLiteral("Czy zapisać zmiany ?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QStringList buttons;
    for (auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
      buttons << box.button(which)->text().remove(QLatin1Char('&'));
    }
    QCOMPARE(buttons, (QStringList{"Tak", "Nie", "Anuluj"}));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Otwórz"));
  }

  void boxesAreWideEnoughForTheirCaption() {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("NIVORA_2008QG"), QStringLiteral(" koniec obliczeń "),
                    QMessageBox::Ok);
    orvane::gui::FitCaption(box);
    box.show();
    QVERIFY2(box.width() >= orvane::gui::CaptionWidth(box.windowTitle()), qPrintable(QString::number(box.width())));
    QVERIFY(orvane::gui::CaptionWidth(QStringLiteral("NIVORA_2008QG")) >
            QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("NIVORA_2008QG")));
    box.hide();
  }

  // Last: once the program ends it stays ending. When the program ends, the editors themselves
  // ask nothing (the main windows have asked before, SettleUnsavedEditors).
  void closingTheMainWindowEndsWithoutAsking() {
    QWidget mainWindow;
    mainWindow.show();
    QPointer<EditorWindow> a = Open(Path("bl"));
    QPointer<EditorWindow> b = Open(Path("bln"));
    Type(Memo(a), QStringLiteral("unsaved"));
    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });  // not ended: fail, do not hang
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(boxes_.Count(), 0);
    QVERIFY(!QFile::exists(Path("bl")));
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
