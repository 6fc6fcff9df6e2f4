// The main window's controls of the statistical tests: the panel of testy.osn beside the other
// result panels, and the levels of the tests under the MONITOR.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "common/gui/window_parts.h"
#include "leveling/gui/adjustment_window.h"

namespace kvel::gui {

namespace {

QLabel* Caption(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

void AdjustmentWindow::BuildStatisticsControls(QWidget* client) {
  testsPanel_ = new orvane::gui::FilePanel(QStringLiteral("TESTY.osn"), client);
  testsPanel_->setObjectName(QStringLiteral("Panel7"));
  testsPanel_->setGeometry(368, 208, 89, 41);
  testsPanel_->setCursor(Qt::PointingHandCursor);
  testsPanel_->setFont(orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 13, true));
  orvane::gui::PaintBackground(testsPanel_, testsPanel_->palette().color(QPalette::Window), orvane::gui::Navy());
  connect(testsPanel_, &orvane::gui::ClickableLabel::clicked, this, [this] { OpenPanelFile("testy.osn"); });
  auto* caption = Caption(client, "StaticText15", QStringLiteral(" testy "), 384, 256);
  orvane::gui::PaintBackground(caption, QApplication::palette().color(QPalette::HighlightedText));

  // A typed level is taken when it is a valid one, with a decimal point or a decimal comma; any
  // other text leaves the level as it was.
  struct Level {
    const char* box;
    const char* label;
    const char* text;
    const char* option;
    QStringList items;
    int x;
  };
  const Level levels[] = {{"ComboBox5", "StaticText16", " alfa", "alpha", {"0.05", "0.01", "0.10"}, 464},
                          {"ComboBox6", "StaticText17", " alfa0", "alpha0", {"0.001", "0.01", "0.05"}, 568},
                          {"ComboBox7", "StaticText18", " moc", "power", {"0.80", "0.90", "0.95"}, 676}};
  for (const Level& level : levels) {
    Caption(client, level.label, QString::fromLatin1(level.text), level.x, 388);
    QComboBox* box = OptionBox(client, level.box, level.items, level.x + 42, 384);
    box->resize(57, 21);
    const std::string option = level.option;
    connect(box, &QComboBox::editTextChanged, this, [this, option](const QString& text) {
      // A level typed the Polish way ("0,10") is the same level as "0.10".
      std::string error;
      SetStatisticsOption(statistics_, option, text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toStdString(),
                          error);
    });
  }
  snoopingBox_ = new QCheckBox(QStringLiteral("Wykrywanie błędów grubych (data snooping)"), client);
  snoopingBox_->setObjectName(QStringLiteral("CheckBox1"));
  snoopingBox_->move(464, 416);
  snoopingBox_->adjustSize();
  snoopingBox_->setChecked(true);
}

StatisticsOptions AdjustmentWindow::StatisticsNow() const {
  StatisticsOptions options = statistics_;
  options.Snooping = snoopingBox_->isChecked();
  return options;
}

}  // namespace kvel::gui
