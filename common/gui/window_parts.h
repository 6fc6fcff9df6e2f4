#pragma once
// Pieces that both main windows are built of: the faces they ask for, the highlight colour of an
// existing file, the clickable file panels and pictures, and the help-text windows.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

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

// A file-system path (UTF-8) as the editor takes it: cut to at most `limit` characters.
QString CutPath(const std::string& path, int limit = 255);

// The status bar text " Folder roboczy = " + folder.
QString FolderStatusText(const std::string& workFolder);

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

// A help window: caption "Pomoc", a fixed dialog frame, one editable text (never saved) on aqua
// with a vertical scroll bar. Closing it destroys it.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  HelpWindow(const QString& objectName, const QSize& clientSize, const QFont& font,
             const QString& text);
  QPlainTextEdit* Text() const { return text_; }

 private:
  QPlainTextEdit* text_;
};

}  // namespace orvane::gui
