#include "common/gui/window_parts.h"

#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <clocale>
#include <filesystem>

#include "common/cp1250.h"

namespace orvane::gui {

namespace {

// fontconfig maps "MS Sans Serif" and "Arial Black" to DejaVu Sans, which is much wider than the
// faces the windows were laid out for; Liberation Sans keeps the texts inside their places.
void InstallSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo"});
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arimo"});
    QFont::insertSubstitutions("Arial Black", {"Liberation Sans", "Arimo"});
    QFont::insertSubstitutions("Courier New", {"Liberation Mono", "Cousine"});
    return true;
  }();
  (void)installed;
}

QFont MakeFont(const QString& face, bool bold) {
  InstallSubstitutes();
  QFont font(face);
  const bool mono = face.compare("Courier New", Qt::CaseInsensitive) == 0;
  font.setStyleHint(mono ? QFont::TypeWriter : QFont::SansSerif);
  font.setBold(bold);
  if (face.compare("Arial Black", Qt::CaseInsensitive) == 0) font.setWeight(QFont::Black);
  return font;
}

}  // namespace

QFont WindowFont(const QString& face, int pixelSize, bool bold) {
  QFont font = MakeFont(face, bold);
  font.setPixelSize(pixelSize);
  return font;
}

QFont WindowFontPoints(const QString& face, int points, bool bold) {
  QFont font = MakeFont(face, bold);
  font.setPointSize(points);
  return font;
}

QColor InfoColour() { return QApplication::palette().color(QPalette::ToolTipBase); }
QColor Aqua() { return QColor(0, 255, 255); }
QColor Navy() { return QColor(0, 0, 128); }

QString FromFileBytes(std::string_view bytes) {
  return QString::fromStdString(orvane::FromCp1250(bytes));
}

QString CutPath(const std::string& path, int limit) {
  QString text = QString::fromStdString(path);
  if (text.size() <= limit) return text;
  int end = limit;
  if (end > 0 && text.at(end).isLowSurrogate()) --end;  // keep a character whole
  return text.left(end);
}

QString FolderStatusText(const std::string& workFolder) {
  return QStringLiteral(" Folder roboczy = ") + QString::fromStdString(workFolder);
}

bool WorkFolderMissing(const std::string& workFolder) {
  if (workFolder.empty()) return false;
  std::error_code error;
  return !std::filesystem::is_directory(std::filesystem::path(workFolder), error);
}

QString MissingFolderLine(const std::string& workFolder) {
  if (!WorkFolderMissing(workFolder)) return QString();
  return QStringLiteral("\nFolder roboczy nie istnieje: ") + QString::fromStdString(workFolder);
}

QPoint CascadedPosition(const QWidget* window, QPoint wanted) {
  constexpr int kStep = 24;
  // A window manager may shift a window by a pixel or two: near the spot counts as on it.
  const auto taken = [window](QPoint spot) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
      if (other == window || !other->isVisible() || other->objectName() != window->objectName()) continue;
      if ((other->pos() - spot).manhattanLength() < kStep / 2) return true;
    }
    return false;
  };
  QRect area;
  if (const QScreen* screen = window->screen()) area = screen->availableGeometry();
  QPoint spot = wanted;
  for (int i = 0; i < 100 && taken(spot); ++i) {
    spot += QPoint(kStep, kStep);
    // Back to the top left corner of the screen rather than off its edge.
    if (area.isValid() && (spot.x() + window->width() > area.right() || spot.y() + window->height() > area.bottom())) {
      spot = area.topLeft() + QPoint(kStep * (i % 4), kStep * (i % 4));
    }
  }
  return spot;
}

void MoveCascaded(QWidget* window, QPoint wanted) { window->move(CascadedPosition(window, wanted)); }

QPoint CentredOn(const QWidget* window, const QRect& over) {
  const QSize outer = window->frameGeometry().size();
  return over.center() - QPoint(outer.width() / 2, outer.height() / 2);
}

QPixmap StartButtonPicture() {
  QPixmap picture(18, 18);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  // A sheet of figures...
  painter.setPen(QPen(QColor(64, 64, 64), 1));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(5.5, 1.5, 11, 15));
  painter.setPen(QPen(QColor(0, 0, 160), 1));
  for (int row = 0; row < 4; ++row) painter.drawLine(QPointF(8, 4.5 + 3 * row), QPointF(14, 4.5 + 3 * row));
  // ...and the green arrow that starts the computation.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 150, 0));
  const QPointF arrow[] = {{0, 6}, {5, 6}, {5, 3}, {10, 9}, {5, 15}, {5, 12}, {0, 12}};
  painter.drawPolygon(arrow, 7);
  return picture;
}

void UseDecimalPointForNumbers() { std::setlocale(LC_NUMERIC, "C"); }

void PaintBackground(QWidget* widget, const QColor& background, const QColor& text) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::Base, background);
  if (text.isValid()) {
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
  }
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

FilePanel::FilePanel(const QString& caption, QWidget* parent) : ClickableLabel(parent) {
  setText(caption);
  setAlignment(Qt::AlignCenter);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
}

void FilePanel::Highlight() {
  highlighted_ = true;
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, InfoColour());
  setPalette(palette);
}

FolderStatusLabel::FolderStatusLabel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void FolderStatusLabel::SetFolder(const std::string& workFolder) {
  full_ = FolderStatusText(workFolder);
  missing_ = WorkFolderMissing(workFolder);
  QString tip = QString::fromStdString(workFolder);
  if (missing_) tip += QStringLiteral("\n(folder nie istnieje)");
  setToolTip(tip);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, missing_ ? QColor(Qt::red) : QApplication::palette().color(QPalette::WindowText));
  setPalette(palette);
  Elide();
}

QSize FolderStatusLabel::sizeHint() const { return QSize(1, QLabel::sizeHint().height()); }
QSize FolderStatusLabel::minimumSizeHint() const { return QSize(1, QLabel::minimumSizeHint().height()); }

void FolderStatusLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void FolderStatusLabel::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  Elide();
}

void FolderStatusLabel::Elide() {
  // Until the bar is laid out on the screen its width means nothing: the text stays whole.
  const int room = contentsRect().width() - 2 * margin() - 4;
  setText(isVisible() && room > 0 ? fontMetrics().elidedText(full_, Qt::ElideMiddle, room) : full_);
}

FolderStatusLabel* AddFolderStatusBar(QMainWindow* window, int height, const std::string& workFolder) {
  auto* status = new QStatusBar(window);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setFixedHeight(height);
  status->setSizeGripEnabled(false);
  auto* label = new FolderStatusLabel(status);
  label->setObjectName(QStringLiteral("StatusText"));
  status->addWidget(label, 1);
  window->setStatusBar(status);
  label->SetFolder(workFolder);
  return label;
}

HelpWindow::HelpWindow(const QString& objectName, const QSize& clientSize, const QFont& font,
                       const QString& text, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(objectName);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Pomoc"));
  setFixedSize(clientSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Memo1"));
  text_->setFont(font);
  // A vertical scroll bar only: a line wider than the window wraps instead of hiding its end.
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  PaintBackground(text_, Aqua(), Qt::black);
  text_->setPlainText(text);
  layout->addWidget(text_);
  if (owner) MoveCascaded(this, CentredOn(this, owner->window()->frameGeometry()));
}

}  // namespace orvane::gui
