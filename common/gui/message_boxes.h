#pragma once
// The message boxes of the windows, behind one adapter: QMessageBox on the screen, a recorder in
// tests. Every window shows its boxes through Boxes(), so a test that installs a recorder never
// meets a modal box.
#include <QString>
#include <QStringList>
#include <deque>
#include <initializer_list>
#include <vector>

class QMessageBox;
class QWidget;

namespace orvane::gui {

enum class BoxButton { Ok, Yes, No, Cancel };

// What a box looks like: the icon it carries (Question is a Yes/No/Cancel box without icon).
enum class BoxKind { Message, Information, Error, Question };

// The application title: the caption of the plain boxes and of the error boxes. It is kept here
// and not as Qt's display name, which the platform would append to every window caption. Until it
// is set it is the application's name.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal box with `text`, the caption, an OK button and the icon of `kind` (Message: none).
  virtual void ShowOk(QWidget* parent, BoxKind kind, const QString& caption, const QString& text) = 0;
  // A modal box with `text`, `caption`, no icon and the buttons Yes, No and Cancel; the button
  // pressed (Cancel also when the box is closed by its title bar or Escape).
  virtual BoxButton AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) = 0;

  // Plain box: no icon, OK, the application title as caption.
  void Message(QWidget* parent, const QString& text);
  // Information icon, OK, the given caption.
  void Information(QWidget* parent, const QString& text, const QString& caption = QStringLiteral("Informacja"));
  // The framework's error box: error icon, OK, the application title as caption.
  void Error(QWidget* parent, const QString& text);
};

// The width a box needs so that the window manager shows `caption` whole in its title bar.
int CaptionWidth(const QString& caption);
// Widens `box` (its layout) to CaptionWidth of its title, at most the screen's width.
void FitCaption(QMessageBox& box);

// True on a platform without a screen (offscreen, minimal), where no user can answer a box.
bool NobodyToAnswer();

// The real boxes (QMessageBox, modal, waits for the user). Where nobody can answer, a box is
// written to stderr instead and answered OK or Cancel, so a forgotten recorder never hangs a test.
class QtMessageBoxes final : public MessageBoxes {
 public:
  void ShowOk(QWidget* parent, BoxKind kind, const QString& caption, const QString& text) override;
  BoxButton AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) override;
};

// A box as a test saw it.
struct RecordedBox {
  BoxKind kind;
  QString caption;
  QString text;
  BoxButton answer;  // Ok for the OK boxes, the scripted answer for a question
  const QWidget* parent = nullptr;  // the window the box was shown over (compared, never used)
};

// Records every box and answers questions from a script; it never blocks. A question with an
// empty script is answered with DefaultAnswer() (Cancel unless set), so nothing is lost by a
// test that forgot to script it.
class MessageBoxRecorder final : public MessageBoxes {
 public:
  void ShowOk(QWidget* parent, BoxKind kind, const QString& caption, const QString& text) override;
  BoxButton AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) override;

  // Answers for the next questions, in order.
  void Script(std::initializer_list<BoxButton> answers);
  void SetDefaultAnswer(BoxButton answer) { defaultAnswer_ = answer; }
  BoxButton DefaultAnswer() const { return defaultAnswer_; }

  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  int Count() const { return static_cast<int>(boxes_.size()); }
  // Texts of the boxes in order (handy for QCOMPARE).
  QStringList Texts() const;
  void Clear() { boxes_.clear(); }

 private:
  std::vector<RecordedBox> boxes_;
  std::deque<BoxButton> script_;
  BoxButton defaultAnswer_ = BoxButton::Cancel;
};

// The adapter every window uses: the one installed, or the real boxes when none is.
MessageBoxes& Boxes();
// Installs `boxes` for the whole process (nullptr goes back to the real boxes); the caller keeps
// ownership. Returns the adapter installed before.
MessageBoxes* InstallMessageBoxes(MessageBoxes* boxes);

// Installs an adapter for the life of a scope (a test), then puts the earlier one back.
class ScopedMessageBoxes {
 public:
  explicit ScopedMessageBoxes(MessageBoxes* boxes) : previous_(InstallMessageBoxes(boxes)) {}
  ~ScopedMessageBoxes() { InstallMessageBoxes(previous_); }
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  MessageBoxes* previous_;
};

}  // namespace orvane::gui
