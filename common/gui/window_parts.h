#pragma once
// Pieces that both main windows are built of: the faces they ask for, the highlight colour of an
// existing file, the clickable file panels and pictures, and the help-text windows.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

class QMainWindow;
class QPlainTextEdit;

namespace orvane::gui {

// A face asked for by its Windows name ("Arial", "Arial Black", "Courier New", "MS Sans Serif")
// with a style hint, so that the metric twins (Liberation Sans, Liberation Mono) stand in for it.
QFont WindowFont(const QString& face, int pixelSize, bool bold = false);
// The same in points (the help texts are sized in points).
QFont WindowFontPoints(const QString& face, int points, bool bold = false);

// The colour of the panel of an existing file: the palette's tool-tip background.
QColor InfoColour();
// Windows' "aqua" (0, 255, 255) and "navy" (0, 0, 128).
QColor Aqua();
QColor Navy();

// Windows-1250 bytes (files, computations) to text for display.
QString FromFileBytes(std::string_view bytes);

// The status bar text " Folder roboczy = " + folder.
QString FolderStatusText(const std::string& workFolder);

// True when `workFolder` names a folder that is not there (an empty folder names the root, which is).
bool WorkFolderMissing(const std::string& workFolder);
// The line that a message about missing input gains when the working folder itself is missing:
// "\nFolder roboczy nie istnieje: " + folder; empty when the folder is there.
QString MissingFolderLine(const std::string& workFolder);

// Where a further window goes: `wanted`, moved down and right by 24 pixels for every visible
// window of the program that already stands there (or was placed there and is not yet shown),
// so that a second click visibly opens a second window.
QPoint CascadedPosition(const QWidget* window, QPoint wanted);
// Moves `window` (its frame) to the cascaded place of `wanted`, and keeps it there should the
// window manager place the window by itself when it maps it.
void MoveCascaded(QWidget* window, QPoint wanted);
// A frame position of `outer` beside `main`, on the side with more room, wholly inside `area`;
// where the room is a little short, against the screen's edge, covering a strip of `main` at
// most a quarter of `outer`'s width. Nothing when the screen has no such room (the editor then
// opens centred).
std::optional<QPoint> BesidePosition(const QRect& main, const QSize& outer, const QRect& area);

// Follows which of the program's windows the user worked in, so that a closed window can hand
// the focus back (installed once; the main windows, editors and help windows install it).
void TrackActivation();
// After `closing` goes, the window that was active last before it, still open, comes to the
// front with the focus (`fallback` when there is none): the next Alt+F4 then closes that one,
// and not the main window unawares.
void PassFocusOn(QWidget* closing, QWidget* fallback = nullptr);
// The frame position that centres `window`'s frame on `over` (a global rectangle).
QPoint CentredOn(const QWidget* window, const QRect& over);

// The small picture on the "OBLICZAJ" buttons: a green arrow into a grid of figures.
QPixmap StartButtonPicture();

// Sets the decimal separator of the C library's number conversions to "." for the whole program.
// The window toolkit takes over the desktop's locale, whose separator may be a comma; the result
// files and the MONITOR always write ".".
void UseDecimalPointForNumbers();

// Sets a widget's background (and, when valid, its text colour) through its palette.
void PaintBackground(QWidget* widget, const QColor& background, const QColor& text = QColor());

// A label that reports a click (the pictures and static texts that open help windows).
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickableLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A raised panel with a centred caption that names one standard file. Clicking it opens the file;
// its background turns to InfoColour() once the file is seen, and nothing turns it back.
class FilePanel : public ClickableLabel {
  Q_OBJECT
 public:
  FilePanel(const QString& caption, QWidget* parent = nullptr);
  void Highlight();
  bool IsHighlighted() const { return highlighted_; }

 private:
  bool highlighted_ = false;
};

// The status bar's text " Folder roboczy = " + the working folder. A path too long for the bar is
// shortened in the middle with an ellipsis, so that it never widens its window; the whole text is
// the tool-tip. A folder that does not exist is shown in red and the tool-tip says so.
class FolderStatusLabel : public QLabel {
  Q_OBJECT
 public:
  explicit FolderStatusLabel(QWidget* parent = nullptr);
  void SetFolder(const std::string& workFolder);
  // The whole text, as if the bar were wide enough.
  QString FullText() const { return full_; }
  bool MarkedMissing() const { return missing_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Elide();
  QString full_;
  bool missing_ = false;
};

// A main window of fixed size that is taller than the screen's free area (a screen of 800 x 600)
// would leave its lowest rows, the status bar with the working folder first, below the screen's
// edge. Such a window takes the height the screen has room for (a title bar of `titleBar` pixels
// allowed for), its controls scroll in a "ClientScroll" area, and the status bar stays at its
// foot. Call it when the window is built, its fixed size and status bar set; on a screen with
// room it changes nothing.
void FitOnSmallScreen(QMainWindow* window, int titleBar = 28);

// Gives `window` its status bar ("StatusBar1", `height` pixels high, no size grip) with one sunken
// panel ("StatusText") showing `workFolder`.
FolderStatusLabel* AddFolderStatusBar(QMainWindow* window, int height, const std::string& workFolder);

// A help window: caption "Pomoc", a fixed dialog frame, one editable text (never saved) on aqua
// with a vertical scroll bar. Closing it (Escape too) destroys it.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  // With an `owner` (the main window) it stays above that window only and opens centred on it,
  // a little further down and right than an earlier help window still open there.
  HelpWindow(const QString& objectName, const QSize& clientSize, const QFont& font,
             const QString& text, QWidget* owner = nullptr);
  QPlainTextEdit* Text() const { return text_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPlainTextEdit* text_;
};

}  // namespace orvane::gui
