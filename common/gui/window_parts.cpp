#include "common/gui/window_parts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <clocale>
#include <filesystem>
#include <vector>

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

namespace {

constexpr int kCascadeStep = 24;
constexpr const char* kPlacedProperty = "orvanePlacedAt";

// Every window of the program a new one should not open upon (menus, tool-tips and boxes aside).
bool StandsWhereOthersOpen(const QWidget* other) {
  if (!other->isWindow() || !other->isVisible()) return false;
  const Qt::WindowType type = other->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

}  // namespace

QPoint CascadedPosition(const QWidget* window, QPoint wanted) {
  // A window manager may shift a window by a pixel or two: near the spot counts as on it.
  const auto near = [](QPoint a, QPoint b) { return (a - b).manhattanLength() < kCascadeStep / 2; };
  const auto taken = [&](QPoint spot) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
      if (other == window || !StandsWhereOthersOpen(other)) continue;
      const QVariant placed = other->property(kPlacedProperty);
      if (near(other->frameGeometry().topLeft(), spot) || (placed.isValid() && near(placed.toPoint(), spot))) {
        return true;
      }
    }
    return false;
  };
  QRect area;
  if (const QScreen* screen = window->screen()) area = screen->availableGeometry();
  const QSize outer = window->frameGeometry().size();
  const auto fits = [&](QPoint spot) { return !area.isValid() || area.contains(QRect(spot, outer)); };
  if (!fits(wanted)) {
    // Larger than the screen: down and right all the same.
    QPoint spot = wanted;
    for (int i = 0; i < 100 && taken(spot); ++i) spot += QPoint(kCascadeStep, kCascadeStep);
    return spot;
  }
  // Down and right; where that leaves the screen, down and left, then up.
  for (const QPoint step : {QPoint(1, 1), QPoint(-1, 1), QPoint(1, -1), QPoint(-1, -1)}) {
    for (QPoint spot = wanted; fits(spot); spot += step * kCascadeStep) {
      if (!taken(spot)) return spot;
    }
  }
  // Every way from `wanted` is taken up to the screen's edges: down the screen's diagonal.
  for (QPoint spot = area.topLeft(); fits(spot); spot += QPoint(kCascadeStep, kCascadeStep)) {
    if (!taken(spot)) return spot;
  }
  return wanted;
}

void MoveCascaded(QWidget* window, QPoint wanted) {
  const QPoint spot = CascadedPosition(window, wanted);
  window->setProperty(kPlacedProperty, spot);
  window->move(spot);
  // Some window managers place a new window themselves when they map it (openbox centres
  // dialogs): once it is on the screen it goes where it was meant to.
  QTimer::singleShot(0, window, [window, spot] {
    if (window->isVisible() && window->frameGeometry().topLeft() != spot) window->move(spot);
  });
}

std::optional<QPoint> BesidePosition(const QRect& main, const QSize& outer, const QRect& area) {
  if (outer.height() > area.height() || outer.width() > area.width()) return std::nullopt;
  const int top = std::clamp(main.top(), area.top(), area.bottom() + 1 - outer.height());
  // The side with more room, the window against the screen's edge there when the room is short:
  // it may cover a strip of the main window's edge, at most a quarter of its own width.
  const int roomRight = area.right() - main.right();
  const int roomLeft = main.left() - area.left();
  const int room = std::max(roomRight, roomLeft);
  if (outer.width() - room > outer.width() / 4) return std::nullopt;
  if (roomRight >= roomLeft) return QPoint(std::min(main.right() + 1, area.right() + 1 - outer.width()), top);
  return QPoint(std::max(main.left() - outer.width(), area.left()), top);
}

namespace {

// The program's windows in the order they were last active, the latest last.
std::vector<QPointer<QWidget>>& ActivationOrder() {
  static std::vector<QPointer<QWidget>> order;
  return order;
}

class ActivationWatcher : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow() && StandsWhereOthersOpen(widget)) {
        auto& order = ActivationOrder();
        std::erase_if(order, [widget](const QPointer<QWidget>& w) { return !w || w == widget; });
        order.emplace_back(widget);
      }
    }
    return false;
  }
};

}  // namespace

void TrackActivation() {
  static QPointer<ActivationWatcher> watcher;
  if (watcher || !QCoreApplication::instance()) return;
  watcher = new ActivationWatcher(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(watcher);
}

void PassFocusOn(QWidget* closing, QWidget* fallback) {
  QWidget* next = nullptr;
  const auto& order = ActivationOrder();
  for (auto it = order.rbegin(); it != order.rend() && !next; ++it) {
    QWidget* candidate = *it;
    if (candidate && candidate != closing && candidate->isVisible() && !candidate->isMinimized()) next = candidate;
  }
  if (!next) next = fallback;
  if (!next) return;
  // After the closing window has gone and the window manager has made its own choice.
  QTimer::singleShot(0, next, [next] {
    if (!next->isVisible()) return;
    next->raise();
    next->activateWindow();
  });
}

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

void FitOnSmallScreen(QMainWindow* window, int titleBar) {
  const QScreen* screen = window->screen();
  if (!screen || !window->centralWidget()) return;
  const QSize fixed = window->maximumSize();
  const int room = screen->availableGeometry().height() - titleBar;
  if (fixed.height() <= room || room <= 0) return;
  const int statusHeight = window->statusBar() ? window->statusBar()->maximumHeight() : 0;
  QWidget* client = window->takeCentralWidget();
  client->setFixedSize(fixed.width(), fixed.height() - statusHeight);
  auto* scroll = new QScrollArea(window);
  scroll->setObjectName(QStringLiteral("ClientScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(client);
  window->setCentralWidget(scroll);
  window->setFixedSize(fixed.width(), room);
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
  TrackActivation();
  if (owner) MoveCascaded(this, CentredOn(this, owner->window()->frameGeometry()));
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  PassFocusOn(this, parentWidget() ? parentWidget()->window() : nullptr);
}

}  // namespace orvane::gui
