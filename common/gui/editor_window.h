#pragma once
// The plain-text editor window of both programs (objectName "TForm4"): every standard file is
// viewed, edited, printed and saved here. Files are Windows-1250 text with CR LF line ends.
#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QSlider;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace orvane::gui {

// The common dialogs of the editor. The window uses the real ones; a test hands the window
// scripted ones so that no dialog ever waits for a user.
class EditorDialogs {
 public:
  virtual ~EditorDialogs() = default;
  // The open dialog ("Wszystkie pliki (*)"), starting in `folder` (empty: the current folder):
  // the chosen path, or nothing on Cancel.
  virtual std::optional<QString> OpenPath(QWidget* parent, const QString& folder);
  // The save dialog, the same filter and start.
  virtual std::optional<QString> SavePath(QWidget* parent, const QString& folder);
  // The print dialog on `printer`: true when the user confirms.
  virtual bool ConfirmPrint(QWidget* parent, QPrinter& printer);
  // The font dialog starting at `initial`: the chosen font, or nothing on Cancel.
  virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial);
};

class EditorWindow;
EditorWindow* OpenInEditor(const QString& path, QWidget* owner, const QWidget* keepVisible);

// One editor window: modeless, 642 x 531, centred on the screen. With an `owner` (the main window
// it was opened from) it stays above that window only, as its transient window, and never covers
// the owner's `keepVisible` control (the row of the start button) when the screen leaves room
// above it; without an owner it stays on top of every window. A further editor opens a little
// down and right of one still open at the same place. It deletes itself when closed (create it
// with new, or through OpenInEditor) and never holds the program open: closing the main window
// ends the program, and open editors then go without the save prompt.
class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit EditorWindow(QWidget* owner = nullptr, const QWidget* keepVisible = nullptr);
  ~EditorWindow() override;

  // The caption: the full path of the document ("Nowy dokument" at construction).
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // The text as the user sees it, lines joined by "\n".
  QString Text() const;
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  QFont DisplayFont() const;

  // Replaces the text by the content of the file at `path` (Windows-1250, CR LF or LF). A file
  // that cannot be read gives the error box and changes nothing; false then.
  bool LoadFile(const QString& path);
  // Writes the text to `path` safely (a temporary file in the same folder replaces the old one).
  // A failure gives the error box and leaves the old file whole; false then.
  bool WriteFile(const QString& path);

  // The commands, as the toolbar and the menus give them.
  void NewDocument();
  void OpenDocument();
  bool SaveDocument();
  bool SaveDocumentAs();
  void PrintDocument();
  void ShowFindDialog();
  // One press of the find dialog's find-next button with the search text `s`.
  bool FindNext(const QString& s);
  void CutText();
  void CopyText();
  void PasteText();
  // The toolbar and main-menu Undo (then the modified mark is set).
  void UndoAndMark();
  // The context-menu Undo (the mark is left to the text control).
  void UndoOnly();
  void ToggleBold();
  // Enter in the size box.
  void ApplySizeBox();
  void ChooseFont();
  // "ZAMKNIJ", "W&yjście" and the title-bar button: close with the save prompt. True when the
  // window was closed.
  bool CloseWithPrompt();

  // Replaces the common dialogs (tests).
  void SetDialogs(std::unique_ptr<EditorDialogs> dialogs);
  QDialog* FindDialog() const { return findDialog_; }
  // The folder that the open and save dialogs start in: the folder of the file in the caption
  // when it exists, else empty (the process's current folder).
  QString DialogFolder() const;
  QMenu* ContextMenu() const { return contextMenu_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildToolbar();
  void BuildMenus();
  void BuildFindDialog();
  void TrackBarChanged(int position);
  void ShowTextContextMenu(const QPoint& pos);
  void SetText(const QString& text);
  // For a line longer than the editor can repaint cheaply among those touched by the characters
  // from `from` on (`length` of them): the line keeps its layout and the text wraps.
  void TameLongLines(int from, int length);
  void Place();
  // Scrolls the text (or, where it cannot, moves the find dialog) so that the selected match is
  // not hidden under the find dialog.
  void KeepMatchClearOfFindDialog();

  friend EditorWindow* OpenInEditor(const QString& path, QWidget* owner, const QWidget* keepVisible);

  QString caption_;
  bool modified_ = false;
  bool settingText_ = false;
  bool placed_ = false;
  QPlainTextEdit* memo_ = nullptr;    // Memo1
  QTextEdit* printCopy_ = nullptr;    // r1
  QToolBar* toolBar_ = nullptr;
  QSlider* trackBar_ = nullptr;       // TrackBar1
  QLineEdit* sizeBox_ = nullptr;      // Edit1
  QMenu* contextMenu_ = nullptr;      // PopupMenu1
  QDialog* findDialog_ = nullptr;     // FindDialog1
  QLineEdit* findText_ = nullptr;
  QFont fontDialogFont_;
  QPointer<const QWidget> keepVisible_;
  std::unique_ptr<EditorDialogs> dialogs_;
};

// Opens a new, independent editor window on `path` (at most 255 characters; callers cut longer
// paths): the file's text, or one line holding a blank when there is no file (none is created).
// The window is shown, deletes itself when closed, and is returned; nullptr when the file exists
// but cannot be read (the error box has been shown). `owner` and `keepVisible` as for the
// constructor: the main windows pass themselves and their start button.
EditorWindow* OpenInEditor(const QString& path, QWidget* owner = nullptr, const QWidget* keepVisible = nullptr);

// Discards every editor window at once, without the save prompt (the program is ending). The
// windows also do this by themselves when the application quits.
void DiscardAllEditors();

}  // namespace orvane::gui
