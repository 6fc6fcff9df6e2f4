#include "common/gui/message_boxes.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <cstdio>

namespace orvane::gui {

namespace {
QString& StoredTitle() {
  static QString title;
  return title;
}
}  // namespace

QString ApplicationTitle() {
  return StoredTitle().isEmpty() ? QCoreApplication::applicationName() : StoredTitle();
}

void SetApplicationTitle(const QString& title) { StoredTitle() = title; }

bool NobodyToAnswer() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

namespace {

// Without a screen nobody could press a button: the box is written to stderr instead of waiting.
void ReportUnanswered(const QString& caption, const QString& text, const char* answer) {
  std::fprintf(stderr, "[%s] %s -> %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData(), answer);
}

// What every real box needs before it waits: room for its caption, and a place above every other
// window (an open editor included) with the focus, so that it is seen and can be answered.
void Prepare(QMessageBox& box) {
  FitCaption(box);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
}

}  // namespace

int CaptionWidth(const QString& caption) {
  // The window manager draws the caption in a bold face of about the desktop's size, beside an
  // icon and three buttons.
  QFont font = QApplication::font();
  font.setBold(true);
  constexpr int kIconAndButtons = 140;
  return QFontMetrics(font).horizontalAdvance(caption) + kIconAndButtons;
}

void FitCaption(QMessageBox& box) {
  int width = CaptionWidth(box.windowTitle());
  if (const QScreen* screen = box.screen()) width = std::min(width, screen->availableGeometry().width() - 40);
  // QMessageBox fixes its own size from its layout: a spacer as wide as the caption needs widens it.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
}

void MessageBoxes::Message(QWidget* parent, const QString& text) {
  ShowOk(parent, BoxKind::Message, ApplicationTitle(), text);
}

void MessageBoxes::Information(QWidget* parent, const QString& text, const QString& caption) {
  ShowOk(parent, BoxKind::Information, caption, text);
}

void MessageBoxes::Error(QWidget* parent, const QString& text) {
  ShowOk(parent, BoxKind::Error, ApplicationTitle(), text);
}

void QtMessageBoxes::ShowOk(QWidget* parent, BoxKind kind, const QString& caption, const QString& text) {
  if (NobodyToAnswer()) return ReportUnanswered(caption, text, "OK");
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if (kind == BoxKind::Information) icon = QMessageBox::Information;
  if (kind == BoxKind::Error) icon = QMessageBox::Critical;
  // A box shows a screenful at most: a record of millions of bytes echoed in a message would keep
  // the layout busy for minutes. The report keeps the whole line.
  constexpr qsizetype kShownLimit = 2000;
  const QString shown = text.size() > kShownLimit ? text.left(kShownLimit) + QStringLiteral(" ...") : text;
  QMessageBox box(icon, caption, shown, QMessageBox::Ok, parent);
  Prepare(box);
  box.exec();
}

BoxButton QtMessageBoxes::AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) {
  if (NobodyToAnswer()) {
    ReportUnanswered(caption, text, "Cancel");
    return BoxButton::Cancel;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  Prepare(box);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return BoxButton::Yes;
    case QMessageBox::No:
      return BoxButton::No;
    default:
      return BoxButton::Cancel;
  }
}

void MessageBoxRecorder::ShowOk(QWidget* parent, BoxKind kind, const QString& caption, const QString& text) {
  boxes_.push_back({kind, caption, text, BoxButton::Ok, parent});
}

BoxButton MessageBoxRecorder::AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) {
  BoxButton answer = defaultAnswer_;
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  boxes_.push_back({BoxKind::Question, caption, text, answer, parent});
  return answer;
}

void MessageBoxRecorder::Script(std::initializer_list<BoxButton> answers) {
  script_.insert(script_.end(), answers.begin(), answers.end());
}

QStringList MessageBoxRecorder::Texts() const {
  QStringList texts;
  for (const RecordedBox& box : boxes_) texts << box.text;
  return texts;
}

namespace {
MessageBoxes* installed = nullptr;
}  // namespace

MessageBoxes& Boxes() {
  static QtMessageBoxes real;
  return installed ? *installed : real;
}

MessageBoxes* InstallMessageBoxes(MessageBoxes* boxes) {
  MessageBoxes* previous = installed;
  installed = boxes;
  return previous;
}

}  // namespace orvane::gui
