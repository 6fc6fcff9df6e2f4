#include "quasigeoid/gui/progress_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "quasigeoid/model_grid.h"

namespace solvanta::gui {

ProgressWindow::ProgressWindow(QWidget* owner) : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Czytanie geoidy"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(215, 46);

  gauge_ = new QProgressBar(this);
  gauge_->setObjectName(QStringLiteral("Gauge1"));
  gauge_->setGeometry(0, 0, 215, 20);
  gauge_->setRange(0, kLoadGaugeMaximum);
  gauge_->setValue(0);
  gauge_->setTextVisible(false);

  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("Label1"));
  label_->move(7, 26);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("Button1"));
  okButton_->setGeometry(78, 26, 61, 20);
  connect(okButton_, &QPushButton::clicked, this, &ProgressWindow::startRequested);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void ProgressWindow::Advance(int steps) {
  const int position = gauge_->value();
  if (steps <= 0 || position >= gauge_->maximum()) return;
  gauge_->setValue(steps >= gauge_->maximum() - position ? gauge_->maximum() : position + steps);
  // The run holds the thread while the model loads: paint the gauge now.
  gauge_->repaint();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && okButton_->isEnabled()) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

int ProgressWindow::GaugePosition() const { return gauge_->value(); }

}  // namespace solvanta::gui
