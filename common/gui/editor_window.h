#pragma once
// The plain-text editor window of both programs (objectName "TForm4"): every standard file is
// viewed, edited, printed and saved here. Files are Windows-1250 text with CR LF line ends.
#include <QDateTime>
#include <QFont>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QLineEdit;
class QMenu;
class QMimeData;
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

// The text control of the editor (`Memo1`). Its paste takes the clipboard's plain text, and
// nothing when the clipboard is empty or its owner has gone: the toolkit's own paste (Qt 6.4)
// can crash on such a clipboard, and the program with every unsaved text.
class EditorText : public QPlainTextEdit {
  Q_OBJECT
 public:
  using QPlainTextEdit::QPlainTextEdit;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
};

class EditorWindow;
EditorWindow* OpenInEditor(const QString& path, QWidget* owner, const QWidget* keepVisible);

// One editor window: modeless, 642 x 531, an ordinary window of the desktop: the main window it
// was opened from (`owner`) can be brought above it by a click, and minimising it hides it
// alone. It opens beside its owner where the screen has room (BesidePosition); otherwise centred
// on the screen but clear of the owner's `keepVisible` control (the row of the start button) when
// the screen leaves room above it. A further window never opens where another of the program's
// windows stands: it moves on by 24 pixels (MoveCascaded). The caption begins with "* " while the
// text holds unsaved changes. It deletes itself when closed (create it with new, or through
// OpenInEditor) and with its owner, and never holds the program open; before the program ends,
// the main windows ask about its unsaved text (SettleUnsavedEditors).
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
  // Sets or clears the modified mark; the caption shows it.
  void SetModified(bool modified);
  QFont DisplayFont() const;

  // Replaces the text by the content of the file at `path` (Windows-1250, CR LF or LF). A file
  // that cannot be read gives the error box and changes nothing; false then.
  bool LoadFile(const QString& path);
  // Writes the text to `path` safely (a temporary file in the same folder replaces the old one).
  // A failure gives the error box and leaves the old file whole; false then. Characters that
  // Windows-1250 lacks are named in a question first; only Tak writes them (as "?").
  bool WriteFile(const QString& path);

  // True when the file in the caption has changed on disk since this window read or wrote it
  // (a run has written it anew, say).
  bool FileChangedOnDisk() const;
  // Reads the file in the caption again; the modified mark is cleared.
  bool Reload();
  // Takes the file of the caption as it now is on disk as the one the window knows.
  void NoteFileState() { NoteFileState(caption_); }

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

  // The order in which the windows were made (SettleUnsavedEditors asks in that order).
  qint64 Serial() const { return serial_; }

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
  void ShowTitle();
  // Notes the size and time of the file at `path` as the window now knows it.
  void NoteFileState(const QString& path);
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
  qint64 serial_ = 0;  // the order of opening
  // The file of the caption as last read or written: its path, size and time (none: no file).
  QString knownPath_;
  qint64 knownSize_ = -1;
  QDateTime knownTime_;
  bool settingText_ = false;
  bool placed_ = false;
  EditorText* memo_ = nullptr;        // Memo1
  QTextEdit* printCopy_ = nullptr;    // r1
  QToolBar* toolBar_ = nullptr;
  QSlider* trackBar_ = nullptr;       // TrackBar1
  QLineEdit* sizeBox_ = nullptr;      // Edit1
  QMenu* contextMenu_ = nullptr;      // PopupMenu1
  QDialog* findDialog_ = nullptr;     // FindDialog1
  QLineEdit* findText_ = nullptr;
  QFont fontDialogFont_;
  QPointer<QWidget> owner_;
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

// Before the program ends (its main window closed by any means, or a run that ends it): for
// every editor window with unsaved text, in the order they were opened, the window comes to the
// front and a box asks "Zapisać zmiany w <path>?" with Tak, Nie and Anuluj. Tak saves, Nie lets
// the text go. True when the program may end: no Anuluj and no failed save. The editors then go
// without asking again.
bool SettleUnsavedEditors();

// After a run: every editor window open on a file that has changed on disk offers to read it
// again ("Plik <path> został zmieniony. Wczytać go ponownie?"; with unsaved text the box says that
// it would be lost). Tak reads the file anew; Nie and Anuluj keep the window's text.
void OfferToReloadChangedFiles();

}  // namespace orvane::gui
