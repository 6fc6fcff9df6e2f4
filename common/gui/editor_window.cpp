#include "common/gui/editor_window.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/cp1250.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/number_parse.h"
#include "common/work_folder.h"

namespace orvane::gui {

namespace {

const QString kNewDocument = QStringLiteral("Nowy dokument");
const QString kFileFilter = QStringLiteral("Wszystkie pliki (*)");

// Every blink of the cursor repaints its line. The plain-text control analyses the whole line
// afresh for each repaint and then draws every character of it, so a line of millions of
// characters keeps a core half busy for as long as the window is open. A line longer than this
// (no file of the suite comes near it) keeps its layout between repaints, and the text is then
// wrapped at the window's width, so that a repaint draws only the pieces in view.
constexpr int kLongLine = 10000;

// Set when the application is quitting: the editors then go without the save prompt.
bool programEnding = false;

// Watches the application for its quit request (the main window closed, or quit() called).
class QuitWatcher : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) programEnding = true;
    return false;
  }
};

void WatchForQuit() {
  static QPointer<QuitWatcher> watcher;
  if (watcher || !QCoreApplication::instance()) return;
  watcher = new QuitWatcher(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(watcher);
}

// The part of a caption after its last separator, and the part up to and including it.
QString FileNamePart(const QString& caption) { return caption.mid(caption.lastIndexOf(QLatin1Char('/')) + 1); }
QString DirectoryPart(const QString& caption) { return caption.left(caption.lastIndexOf(QLatin1Char('/')) + 1); }

// The display face at construction: "Courier New" 8 points; the style hint lets fontconfig pick
// its metric twin (Liberation Mono).
QFont InitialDisplayFont() {
  QFont font(QStringLiteral("Courier New"), 8);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

QFont InitialDialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

bool IsExactlyBold(const QFont& font) {
  return font.bold() && !font.italic() && !font.underline() && !font.strikeOut();
}

// The characters of `text` that Windows-1250 lacks, each once, separated by blanks; at most a
// few of them, then "…".
QString UnwritableCharacters(const QString& text) {
  constexpr int kShown = 20;
  const QString all = QString::fromStdString(orvane::CharactersOutsideCp1250(text.toStdString()));
  QStringList shown;
  for (const uint cp : all.toUcs4()) {
    if (shown.size() == kShown) {
      shown << QStringLiteral("…");
      break;
    }
    shown << QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
  }
  return shown.join(QLatin1Char(' '));
}

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The size box's integer: optional leading blanks, an optional sign, decimal digits.
bool ParseSizeText(const QString& text, int& value) {
  const std::string bytes = text.toStdString();
  std::string_view field(bytes);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  return orvane::ParseInteger(field, value);
}

// A blank separator of the toolbar with an etched line in its middle.
QFrame* MakeSeparator(QWidget* parent, const QString& name, int width) {
  auto* separator = new QFrame(parent);
  separator->setObjectName(name);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  separator->setFixedWidth(width);
  return separator;
}


enum class Glyph { New, Open, Save, Print, Find, Cut, Copy, Paste, Undo, Bold, Font };

// The toolbar pictures, drawn when the desktop's icon theme has none.
QIcon DrawnGlyph(Glyph glyph, const QColor& ink) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(2, 2);
  p.setPen(QPen(ink, 1.2));
  const QColor paper(Qt::white);
  const auto page = [&](const QRectF& r) {
    p.setBrush(paper);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
  };
  const auto letter = [&](const QString& text, bool bold, int size) {
    QFont font(QStringLiteral("Liberation Serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(size);
    font.setBold(bold);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
  };
  switch (glyph) {
    case Glyph::New:
      page(QRectF(3.5, 1.5, 9, 13));
      break;
    case Glyph::Open:
      p.setBrush(QColor(230, 200, 90));
      p.drawPolygon(QPolygonF({QPointF(1.5, 4.5), QPointF(6, 4.5), QPointF(7.5, 6), QPointF(14.5, 6),
                               QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
      break;
    case Glyph::Save:
      p.setBrush(QColor(70, 100, 170));
      p.drawRect(QRectF(2.5, 2.5, 11, 11));
      page(QRectF(4.5, 2.5, 7, 5));
      break;
    case Glyph::Print:
      page(QRectF(4.5, 1.5, 7, 5));
      p.setBrush(QColor(190, 190, 190));
      p.drawRect(QRectF(1.5, 6.5, 13, 5));
      page(QRectF(4.5, 9.5, 7, 5));
      break;
    case Glyph::Find:
      p.setPen(QPen(ink, 1.6));
      p.drawEllipse(QRectF(2, 2, 8, 8));
      p.setPen(QPen(ink, 2.4));
      p.drawLine(QPointF(9, 9), QPointF(14, 14));
      break;
    case Glyph::Cut:
      p.drawEllipse(QRectF(2, 10, 4, 4));
      p.drawEllipse(QRectF(10, 10, 4, 4));
      p.drawLine(QPointF(5.5, 10.5), QPointF(11, 1.5));
      p.drawLine(QPointF(10.5, 10.5), QPointF(5, 1.5));
      break;
    case Glyph::Copy:
      page(QRectF(1.5, 1.5, 8, 10));
      page(QRectF(6.5, 4.5, 8, 10));
      break;
    case Glyph::Paste:
      p.setBrush(QColor(190, 150, 90));
      p.drawRect(QRectF(2.5, 2.5, 11, 12));
      p.setBrush(QColor(190, 190, 190));
      p.drawRect(QRectF(5.5, 1.5, 5, 3));
      page(QRectF(6.5, 6.5, 6, 7));
      break;
    case Glyph::Undo: {
      p.setPen(QPen(ink, 1.6));
      QPainterPath arc;
      arc.moveTo(4, 7);
      arc.cubicTo(7, 3, 14, 4, 13, 10);
      arc.cubicTo(12.5, 12, 11, 13, 9, 13.5);
      p.drawPath(arc);
      p.setBrush(ink);
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(7, 9), QPointF(1.5, 9.5)}));
      break;
    }
    case Glyph::Bold:
      letter(QStringLiteral("B"), true, 14);
      break;
    case Glyph::Font:
      letter(QStringLiteral("A"), false, 15);
      break;
  }
  p.end();
  pixmap.setDevicePixelRatio(2);
  return QIcon(pixmap);
}

}  // namespace

bool EditorText::canInsertFromMimeData(const QMimeData* source) const { return source && source->hasText(); }

void EditorText::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly() || !source || !source->hasText()) return;
  QString text = source->text();
  if (text.isEmpty()) return;
  // Plain text only; a line break of any system becomes one line break.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QTextCursor cursor = textCursor();
  cursor.insertText(text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

std::optional<QString> EditorDialogs::OpenPath(QWidget* parent, const QString& folder) {
  if (NobodyToAnswer()) return std::nullopt;  // no screen, nobody to choose: Cancel
  QFileDialog dialog(parent, QString(), folder, kFileFilter);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

std::optional<QString> EditorDialogs::SavePath(QWidget* parent, const QString& folder) {
  if (NobodyToAnswer()) return std::nullopt;  // no screen, nobody to choose: Cancel
  QFileDialog dialog(parent, QString(), folder, kFileFilter);
  dialog.setObjectName(QStringLiteral("SaveDialog1"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Save As replaces an existing file without a question, as Save does.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

bool EditorDialogs::ConfirmPrint(QWidget* parent, QPrinter& printer) {
  if (NobodyToAnswer()) return false;  // no screen, nobody to choose: Cancel
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName(QStringLiteral("PrintDialog1"));
  return dialog.exec() == QDialog::Accepted;
}

std::optional<QFont> EditorDialogs::ChooseFont(QWidget* parent, const QFont& initial) {
  if (NobodyToAnswer()) return std::nullopt;  // no screen, nobody to choose: Cancel
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return font;
}

EditorWindow::EditorWindow(QWidget* owner, const QWidget* keepVisible)
    : QMainWindow(nullptr),
      fontDialogFont_(InitialDialogFont()),
      owner_(owner),
      keepVisible_(keepVisible),
      dialogs_(std::make_unique<EditorDialogs>()) {
  static qint64 opened = 0;
  serial_ = ++opened;
  WatchForQuit();
  TrackActivation();
  setObjectName(QStringLiteral("TForm4"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The main window alone decides when the program ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  // An ordinary window, not one kept above its main window: a click on either brings it to the
  // front, so neither can hide the other's controls for good, and minimising the editor leaves
  // the main window where it is. It goes with its main window.
  if (owner) connect(owner, &QObject::destroyed, this, [this] { delete this; });
  SetCaption(kNewDocument);

  memo_ = new EditorText(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setFont(InitialDisplayFont());
  // The selection stays visible when the text loses the focus (to the find dialog, say).
  QPalette palette = memo_->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  memo_->setPalette(palette);
  memo_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(memo_, &QPlainTextEdit::customContextMenuRequested, this, &EditorWindow::ShowTextContextMenu);
  connect(memo_->document(), &QTextDocument::contentsChange, this, [this](int position, int removed, int added) {
    if (settingText_) return;
    if (removed != 0 || added != 0) SetModified(true);
    if (added > 0) TameLongLines(position, added);
  });
  setCentralWidget(memo_);

  printCopy_ = new QTextEdit(this);
  printCopy_->setObjectName(QStringLiteral("r1"));
  printCopy_->setAcceptRichText(false);
  printCopy_->setFont(memo_->font());
  printCopy_->hide();

  BuildToolbar();
  BuildMenus();
  BuildFindDialog();
  resize(642, 531);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::SetCaption(const QString& caption) {
  caption_ = caption;
  ShowTitle();
}

void EditorWindow::SetModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  ShowTitle();
}

void EditorWindow::ShowTitle() {
  // "* " in front while the text holds unsaved changes. "[*]" in a title is Qt's modified
  // placeholder; doubling it shows it as it stands.
  QString title = (modified_ ? QStringLiteral("* ") : QString()) + caption_;
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  setWindowTitle(title);
}

void EditorWindow::NoteFileState(const QString& path) {
  const QFileInfo info(path);
  knownPath_ = path;
  knownSize_ = info.exists() ? info.size() : -1;
  knownTime_ = info.exists() ? info.lastModified() : QDateTime();
}

bool EditorWindow::FileChangedOnDisk() const {
  if (knownPath_ != caption_) return false;
  const QFileInfo info(caption_);
  if (!info.exists()) return false;
  return info.size() != knownSize_ || info.lastModified() != knownTime_;
}

bool EditorWindow::Reload() {
  if (!LoadFile(caption_)) return false;
  SetModified(false);
  return true;
}

QString EditorWindow::Text() const {
  QString text = memo_->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

QFont EditorWindow::DisplayFont() const { return memo_->font(); }

void EditorWindow::SetText(const QString& text) {
  settingText_ = true;
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setPlainText(text);
  settingText_ = false;
  TameLongLines(0, static_cast<int>(text.size()));
}

void EditorWindow::TameLongLines(int from, int length) {
  const QTextDocument* document = memo_->document();
  for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= from + length;
       block = block.next()) {
    if (block.length() <= kLongLine || !block.layout()) continue;
    block.layout()->setCacheEnabled(true);
    memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  }
}

bool EditorWindow::LoadFile(const QString& path) {
  const auto fail = [&](const QString& reason) {
    Boxes().Error(this, QStringLiteral("Nie można otworzyć pliku „%1”. %2").arg(path, reason));
    return false;
  };
  // Only a regular file is read: a pipe or a device would hang the window or never end.
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return fail(SystemReason(errno));
  if (S_ISDIR(st.st_mode)) return fail(SystemReason(EISDIR));
  if (!S_ISREG(st.st_mode)) return fail(QStringLiteral("To nie jest zwykły plik."));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return fail(file.errorString());
  QString text = QString::fromStdString(orvane::FromCp1250(std::string_view(bytes.constData(), bytes.size())));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  SetText(text);
  NoteFileState(path);
  return true;
}

bool EditorWindow::WriteFile(const QString& path) {
  QString text = Text();
  // Windows-1250 has no place for some characters: they would be written as "?". The user hears
  // which, and decides.
  const QString lost = UnwritableCharacters(text);
  if (!lost.isEmpty() && Boxes().AskYesNoCancel(this, QStringLiteral("Orvane"),
                                                QStringLiteral("Tych znaków nie ma w stronie kodowej Windows-1250: %1\n"
                                                               "W pliku %2 zostaną zapisane jako „?”. Zapisać mimo to?")
                                                    .arg(lost, path)) != BoxButton::Yes) {
    return false;
  }
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  const std::string bytes = orvane::ToCp1250(text.toStdString());

  const auto fail = [&](const QString& reason) {
    Boxes().Error(this, QStringLiteral("Nie można utworzyć pliku „%1”. %2").arg(path, reason));
    return false;
  };
  // The file is replaced by a new one, which would get past a write-protected old file.
  const QByteArray local = QFile::encodeName(path);
  if (::access(local.constData(), F_OK) == 0 && ::access(local.constData(), W_OK) != 0)
    return fail(SystemReason(errno));
  if (QFileInfo(path).isDir()) return fail(SystemReason(EISDIR));

  // The text goes to a temporary file beside the old one, which is replaced only when every
  // byte is written: a failed save never damages the file.
  QSaveFile file(path);
  // Qt's text for a failed write is often only "Unknown error"; the system's own reason is better.
  const auto reason = [&file] {
    const int error = errno;
    const QString text = file.errorString();
    return (text.isEmpty() || text == QLatin1String("Unknown error")) && error != 0 ? SystemReason(error) : text;
  };
  errno = 0;
  if (!file.open(QIODevice::WriteOnly)) return fail(reason());
  errno = 0;
  const bool written =
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
      file.flush();
  if (!written) {
    const QString why = reason();
    file.cancelWriting();
    file.commit();
    return fail(why);
  }
  errno = 0;
  if (!file.commit()) return fail(reason());
  NoteFileState(path);
  return true;
}

void EditorWindow::NewDocument() {
  SetText(QString());
  if (FileNamePart(caption_) != kNewDocument) SetCaption(DirectoryPart(caption_) + kNewDocument);
}

void EditorWindow::OpenDocument() {
  const std::optional<QString> path = dialogs_->OpenPath(this, DialogFolder());
  if (!path) return;
  if (LoadFile(*path)) SetCaption(*path);
}

bool EditorWindow::SaveDocument() {
  if (!WriteFile(caption_)) return false;
  SetModified(false);
  return true;
}

bool EditorWindow::SaveDocumentAs() {
  const std::optional<QString> path = dialogs_->SavePath(this, DialogFolder());
  if (!path) return false;
  if (!WriteFile(*path)) return false;
  modified_ = false;
  SetCaption(*path);
  return true;
}

void EditorWindow::PrintDocument() {
  // The print copy takes the text and the display font; every line starts 35 points in.
  const QFont font = DisplayFont();
  printCopy_->setFont(font);
  printCopy_->document()->setDefaultFont(font);
  printCopy_->setPlainText(Text());
  QTextCursor all(printCopy_->document());
  all.select(QTextCursor::Document);
  QTextBlockFormat indent;
  // In screen pixels here; the printed copy below gets it in printer units.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal screenDpi = screen ? screen->logicalDotsPerInchX() : 96.0;
  indent.setLeftMargin(35.0 * screenDpi / 72.0);
  all.mergeBlockFormat(indent);

  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(FileNamePart(caption_));
  if (!dialogs_->ConfirmPrint(this, printer)) return;
  printer.setDocName(FileNamePart(caption_));

  // Laid out for the printer's printable area, one job, no page numbers, headers or footers.
  std::unique_ptr<QTextDocument> doc(printCopy_->document()->clone());
  doc->setDefaultFont(font);
  doc->documentLayout()->setPaintDevice(&printer);
  QTextFrameFormat frame = doc->rootFrame()->frameFormat();
  frame.setMargin(0);
  frame.setPadding(0);
  doc->rootFrame()->setFrameFormat(frame);
  // The layout takes block margins in the units of its device: 35 points at the printer's dpi.
  QTextCursor printed(doc.get());
  printed.select(QTextCursor::Document);
  QTextBlockFormat printIndent;
  printIndent.setLeftMargin(35.0 * printer.logicalDpiX() / 72.0);
  printed.mergeBlockFormat(printIndent);
  QTextOption option = doc->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc->setDefaultTextOption(option);
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRectF page(QPointF(0, 0), QSizeF(painter.viewport().size()));
  doc->setPageSize(page.size());
  const int pages = doc->pageCount();
  for (int i = 0; i < pages; ++i) {
    if (i > 0 && !printer.newPage()) break;
    painter.save();
    painter.translate(0, -page.height() * i);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, page.height() * i, page.width(), page.height());
    painter.setClipRect(context.clip);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
  }
  painter.end();
}

void EditorWindow::ShowFindDialog() {
  findDialog_->show();
  findDialog_->raise();
  findDialog_->activateWindow();
}

bool EditorWindow::FindNext(const QString& s) {
  memo_->setFocus();
  if (s.isEmpty()) return false;
  QTextCursor cursor = memo_->textCursor();
  // Right after a match the search goes on from its end, so that an occurrence that touches it
  // is found too; otherwise it starts at the beginning, wherever the cursor stands.
  int start = 0;
  if (cursor.hasSelection() && cursor.selectedText() == s) start = cursor.selectionEnd();
  const int found = Text().indexOf(s, start, Qt::CaseSensitive);
  if (found < 0) {
    // The box belongs to the find dialog, and the focus goes back there: an Enter after the box
    // searches again instead of replacing the selected match in the text with a line break.
    const bool fromDialog = findDialog_->isVisible();
    Boxes().Information(fromDialog ? static_cast<QWidget*>(findDialog_) : this,
                        QStringLiteral("Nie można odnaleźć łańcucha"), QStringLiteral("Informacja"));
    if (fromDialog) {
      findDialog_->raise();
      findDialog_->activateWindow();
      findText_->setFocus();
    }
    return false;
  }
  cursor.setPosition(found);
  cursor.setPosition(found + static_cast<int>(s.size()), QTextCursor::KeepAnchor);
  memo_->setTextCursor(cursor);
  memo_->setFocus();
  KeepMatchClearOfFindDialog();
  return true;
}

void EditorWindow::KeepMatchClearOfFindDialog() {
  if (!findDialog_->isVisible()) return;
  QWidget* view = memo_->viewport();
  const auto matchOnScreen = [&] {
    const QRect r = memo_->cursorRect(memo_->textCursor());
    return QRect(view->mapToGlobal(QPoint(0, r.top())), QSize(view->width(), r.height()));
  };
  const QRect dialog = findDialog_->frameGeometry();
  if (!dialog.intersects(matchOnScreen())) return;
  // The text scrolls by whole lines: put the match line just above the dialog, or else just
  // below it, where the view has room for it.
  const QRect match = matchOnScreen();
  const int line = std::max(1, match.height());
  const int viewTop = view->mapToGlobal(QPoint(0, 0)).y();
  const int viewBottom = viewTop + view->height();
  QScrollBar* bar = memo_->verticalScrollBar();
  const int before = bar->value();
  if (dialog.top() - viewTop >= line) {
    bar->setValue(before + (match.bottom() - dialog.top() + line) / line);
  }
  if (dialog.intersects(matchOnScreen()) && viewBottom - dialog.bottom() >= line) {
    bar->setValue(before - (dialog.bottom() - match.top() + line) / line);
  }
  if (!dialog.intersects(matchOnScreen())) return;
  // The text cannot scroll far enough (the match is near its start or end): the dialog moves
  // below the match line, or above it when the screen has no room below.
  bar->setValue(before);
  const QRect now = matchOnScreen();
  QRect area = findDialog_->screen() ? findDialog_->screen()->availableGeometry() : QRect();
  QPoint place(dialog.left(), now.bottom() + line);
  if (area.isValid() && place.y() + dialog.height() > area.bottom()) place.setY(now.top() - line - dialog.height());
  findDialog_->move(place);
}

void EditorWindow::CutText() { memo_->cut(); }
void EditorWindow::CopyText() { memo_->copy(); }
void EditorWindow::PasteText() { memo_->paste(); }

void EditorWindow::UndoAndMark() {
  memo_->undo();
  SetModified(true);
}

void EditorWindow::UndoOnly() { memo_->undo(); }

void EditorWindow::ToggleBold() {
  QFont font = DisplayFont();
  const bool makeBold = !IsExactlyBold(font);
  font.setBold(makeBold);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  memo_->setFont(font);
}

void EditorWindow::TrackBarChanged(int position) {
  QFont font = DisplayFont();
  font.setPointSize(position);
  memo_->setFont(font);
  QFont printFont = printCopy_->font();
  printFont.setPointSize(position);
  printCopy_->setFont(printFont);
  sizeBox_->setText(QString::number(position));
  memo_->setFocus();
}

void EditorWindow::ApplySizeBox() {
  const QString text = sizeBox_->text();
  int n = 0;
  if (!ParseSizeText(text, n)) {
    Boxes().Error(this, QStringLiteral("„%1” nie jest poprawną liczbą całkowitą").arg(text));
    return;
  }
  if (n < 3 || n > 20) {
    sizeBox_->setText(QString::number(trackBar_->value()));
    return;
  }
  // The slider reports only a real change of its position, and only then does the font change.
  trackBar_->setValue(std::clamp(n, trackBar_->minimum(), trackBar_->maximum()));
}

void EditorWindow::ChooseFont() {
  const std::optional<QFont> font = dialogs_->ChooseFont(this, fontDialogFont_);
  if (!font) return;
  fontDialogFont_ = *font;
  memo_->setFont(*font);
}

bool EditorWindow::CloseWithPrompt() { return close(); }

void EditorWindow::SetDialogs(std::unique_ptr<EditorDialogs> dialogs) {
  dialogs_ = dialogs ? std::move(dialogs) : std::make_unique<EditorDialogs>();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (!programEnding && modified_) {
    switch (Boxes().AskYesNoCancel(this, QStringLiteral("Orvane"), QStringLiteral("Czy zapisać zmiany ?"))) {
      case BoxButton::Yes:
        if (!WriteFile(caption_)) {
          event->ignore();
          return;
        }
        SetModified(false);
        break;
      case BoxButton::No:
        SetModified(false);
        break;
      default:
        event->ignore();
        return;
    }
  }
  findDialog_->hide();
  event->accept();
  PassFocusOn(this, owner_);
}

void EditorWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (placed_) return;
  placed_ = true;
  Place();
}

void EditorWindow::Place() {
  // 642 x 531 with the frame.
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.isValid() && !frame.isEmpty()) resize(QSize(642, 531) - frame);
  const QScreen* where = owner_ ? owner_->screen() : screen();
  if (!where) return;
  const QRect area = where->availableGeometry();
  QPoint place = CentredOn(this, area);
  if (owner_ && owner_->isVisible()) {
    // Beside the main window when the screen has room for both: nothing of either is covered.
    if (const std::optional<QPoint> beside = BesidePosition(owner_->frameGeometry(), frameGeometry().size(), area)) {
      place = *beside;
    } else if (keepVisible_ && keepVisible_->isVisible()) {
      // Centred, but above the owner's start button when centring would hide it (as far as the
      // screen allows).
      const QRect keep(keepVisible_->mapToGlobal(QPoint(0, 0)), keepVisible_->size());
      const QRect outer(place, frameGeometry().size());
      if (outer.bottom() >= keep.top() && outer.top() <= keep.bottom()) {
        place.setY(std::max(area.top(), keep.top() - 4 - outer.height()));
      }
    }
  }
  MoveCascaded(this, place);
}

QString EditorWindow::DialogFolder() const {
  const QString folder = DirectoryPart(caption_);
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void EditorWindow::BuildToolbar() {
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setFixedHeight(29);
  toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, toolBar_);

  int separators = 0;
  const auto separator = [&](int width) {
    toolBar_->addWidget(MakeSeparator(toolBar_, QStringLiteral("ToolButton%1").arg(++separators), width));
  };
  const auto button = [&](int number, const QString& hint, const char* theme, Glyph glyph,
                          const std::function<void()>& command) {
    auto* b = new QToolButton(toolBar_);
    b->setObjectName(QStringLiteral("SpeedButton%1").arg(number));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(hint);
    b->setIconSize(QSize(16, 16));
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(theme));
    b->setIcon(themed.isNull() ? DrawnGlyph(glyph, palette().color(QPalette::ButtonText)) : themed);
    connect(b, &QToolButton::clicked, this, [command] { command(); });
    toolBar_->addWidget(b);
    return b;
  };

  separator(6);
  button(4, QStringLiteral("Nowy plik"), "document-new", Glyph::New, [this] { NewDocument(); });
  separator(6);
  button(3, QStringLiteral("Otwórz zbiór"), "document-open", Glyph::Open, [this] { OpenDocument(); });
  button(1, QStringLiteral("Zapisz plik"), "document-save", Glyph::Save, [this] { SaveDocument(); });
  separator(6);
  button(2, QStringLiteral("Drukuj plik"), "document-print", Glyph::Print, [this] { PrintDocument(); });
  separator(6);
  button(5, QStringLiteral("Szukaj ciągu znaków"), "edit-find", Glyph::Find, [this] { ShowFindDialog(); });
  separator(6);
  button(8, QStringLiteral("Wytnij zaznaczony tekst"), "edit-cut", Glyph::Cut, [this] { CutText(); });
  button(9, QStringLiteral("Kopiuj do schowka"), "edit-copy", Glyph::Copy, [this] { CopyText(); });
  button(10, QStringLiteral("Wklej ze schowka"), "edit-paste", Glyph::Paste, [this] { PasteText(); });
  separator(6);
  button(7, QStringLiteral("Cofanie o 1 krok"), "edit-undo", Glyph::Undo, [this] { UndoAndMark(); });
  separator(14);
  button(6, QStringLiteral("font = [ Bold ]"), "format-text-bold", Glyph::Bold, [this] { ToggleBold(); });

  trackBar_ = new QSlider(Qt::Horizontal, toolBar_);
  trackBar_->setObjectName(QStringLiteral("TrackBar1"));
  trackBar_->setRange(5, 20);
  trackBar_->setValue(8);
  trackBar_->setTickInterval(3);
  trackBar_->setTickPosition(QSlider::TicksBelow);
  trackBar_->setSingleStep(1);
  trackBar_->setPageStep(2);
  trackBar_->setFixedWidth(96);
  connect(trackBar_, &QSlider::valueChanged, this, &EditorWindow::TrackBarChanged);
  toolBar_->addWidget(trackBar_);

  sizeBox_ = new QLineEdit(QStringLiteral("8"), toolBar_);
  sizeBox_->setObjectName(QStringLiteral("Edit1"));
  sizeBox_->setFixedWidth(22);
  connect(sizeBox_, &QLineEdit::returnPressed, this, [this] { ApplySizeBox(); });
  toolBar_->addWidget(sizeBox_);

  button(11, QStringLiteral("font [do druku]"), "preferences-desktop-font", Glyph::Font, [this] { ChooseFont(); });
  separator(14);
  auto* close = new QToolButton(toolBar_);
  close->setObjectName(QStringLiteral("SpeedButton12"));
  close->setAutoRaise(true);
  close->setFocusPolicy(Qt::NoFocus);
  close->setText(QStringLiteral("ZAMKNIJ"));
  QFont closeFont = close->font();
  closeFont.setBold(true);
  close->setFont(closeFont);
  connect(close, &QToolButton::clicked, this, [this] { CloseWithPrompt(); });
  toolBar_->addWidget(close);
}

void EditorWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  const auto item = [this](QMenu* menu, const char* name, const QString& text, auto command) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, command);
    return action;
  };

  QMenu* file = bar->addMenu(QStringLiteral("Plik"));
  file->setObjectName(QStringLiteral("Plik1"));
  item(file, "Nowy1", QStringLiteral("&Nowy"), [this] { NewDocument(); });
  item(file, "Otworz1", QStringLiteral("&Otwórz..."), [this] { OpenDocument(); });
  item(file, "Zapisz1", QStringLiteral("&Zapisz"), [this] { SaveDocument(); });
  item(file, "Zapiszjako1", QStringLiteral("Zapisz &jako..."), [this] { SaveDocumentAs(); });
  item(file, "Drukuj1", QStringLiteral("&Drukuj..."), [this] { PrintDocument(); });
  item(file, "Wyjscie1", QStringLiteral("W&yjście"), [this] { CloseWithPrompt(); });

  QMenu* edit = bar->addMenu(QStringLiteral("Edycja"));
  edit->setObjectName(QStringLiteral("Edycja1"));
  item(edit, "Cofnij1", QStringLiteral("Cofnij"), [this] { UndoAndMark(); });
  item(edit, "Wytnij1", QStringLiteral("&Wytnij"), [this] { CutText(); });
  item(edit, "Kopiuj1", QStringLiteral("&Kopiuj"), [this] { CopyText(); });
  item(edit, "Wklej1", QStringLiteral("Wkl&ej"), [this] { PasteText(); });

  QMenu* find = bar->addMenu(QStringLiteral("Znajdź"));
  find->setObjectName(QStringLiteral("Znajdz1"));
  item(find, "Znajdz2", QStringLiteral("Znajdź..."), [this] { ShowFindDialog(); });

  contextMenu_ = new QMenu(this);
  contextMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  item(contextMenu_, "Cofnij2", QStringLiteral("Cofnij"), [this] { UndoOnly(); });
  item(contextMenu_, "Wytnij2", QStringLiteral("Wytnij"), [this] { CutText(); });
  item(contextMenu_, "Kopiuj2", QStringLiteral("Kopiuj"), [this] { CopyText(); });
  item(contextMenu_, "Wklej2", QStringLiteral("Wklej"), [this] { PasteText(); });
}

void EditorWindow::BuildFindDialog() {
  findDialog_ = new QDialog(this);
  findDialog_->setObjectName(QStringLiteral("FindDialog1"));
  findDialog_->setWindowTitle(QStringLiteral("Znajdź"));
  findDialog_->setModal(false);
  auto* layout = new QHBoxLayout(findDialog_);
  auto* label = new QLabel(QStringLiteral("Znajdź:"), findDialog_);
  findText_ = new QLineEdit(findDialog_);
  findText_->setObjectName(QStringLiteral("FindText"));
  label->setBuddy(findText_);
  auto* next = new QPushButton(QStringLiteral("Znajdź &następny"), findDialog_);
  next->setObjectName(QStringLiteral("FindNextButton"));
  next->setDefault(true);
  next->setEnabled(false);
  connect(findText_, &QLineEdit::textChanged, next, [next](const QString& text) { next->setEnabled(!text.isEmpty()); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(findText_->text()); });
  layout->addWidget(label);
  layout->addWidget(findText_, 1);
  layout->addWidget(next);
}

void EditorWindow::ShowTextContextMenu(const QPoint& pos) { contextMenu_->popup(memo_->mapToGlobal(pos)); }

EditorWindow* OpenInEditor(const QString& path, QWidget* owner, const QWidget* keepVisible) {
  auto* window = new EditorWindow(owner, keepVisible);
  window->SetCaption(path);
  if (orvane::FileExists(path.toStdString())) {
    if (!window->LoadFile(path)) {
      delete window;
      return nullptr;
    }
  } else {
    window->SetText(QStringLiteral(" "));
  }
  window->NoteFileState(path);
  window->show();
  window->SetModified(false);
  return window;
}

namespace {

// The editor windows of the program that are not on their way out, in the order they were opened.
std::vector<QPointer<EditorWindow>> OpenEditors() {
  std::vector<QPointer<EditorWindow>> editors;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* editor = qobject_cast<EditorWindow*>(widget);
    if (editor && editor->isVisible()) editors.emplace_back(editor);
  }
  std::sort(editors.begin(), editors.end(), [](const auto& a, const auto& b) { return a->Serial() < b->Serial(); });
  return editors;
}

void BringToFront(QWidget* window) {
  if (window->isMinimized()) window->showNormal();
  window->raise();
  window->activateWindow();
}

}  // namespace

bool SettleUnsavedEditors() {
  // Nothing is let go before every answer is in: an Anuluj keeps each text and its mark.
  for (const QPointer<EditorWindow>& editor : OpenEditors()) {
    if (!editor || !editor->IsModified()) continue;
    BringToFront(editor);
    const BoxButton answer = Boxes().AskYesNoCancel(editor, QStringLiteral("Orvane"),
                                                    QStringLiteral("Zapisać zmiany w %1?").arg(editor->Caption()));
    if (answer == BoxButton::Cancel || !editor) return false;
    if (answer == BoxButton::Yes && !editor->SaveDocument()) return false;
  }
  return true;
}

void OfferToReloadChangedFiles() {
  for (const QPointer<EditorWindow>& editor : OpenEditors()) {
    if (!editor || !editor->FileChangedOnDisk()) continue;
    BringToFront(editor);
    QString question = QStringLiteral("Plik %1 został zmieniony. Wczytać go ponownie?").arg(editor->Caption());
    if (editor->IsModified()) question += QStringLiteral("\nNiezapisane zmiany w tym oknie zostaną utracone.");
    const BoxButton answer = Boxes().AskYesNoCancel(editor, QStringLiteral("Orvane"), question);
    if (!editor) continue;
    // Asked once per change: the file as it stands is the one the window knows from now on.
    if (answer != BoxButton::Yes || !editor->Reload()) editor->NoteFileState();
  }
}

void DiscardAllEditors() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* editor = qobject_cast<EditorWindow*>(widget)) {
      editor->hide();
      editor->deleteLater();
    }
  }
}

}  // namespace orvane::gui
