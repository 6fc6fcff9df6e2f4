#include "leveling/gui/epochs_panel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "common/cp1250.h"
#include "common/gui/window_parts.h"
#include "leveling/epochs/epoch_analysis.h"
#include "leveling/statistics_options.h"

namespace kvel::gui {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text, QRect rect) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(rect);
  button->setFont(orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 11, true));
  return button;
}

}  // namespace

EpochsDialog::EpochsDialog(std::string workFolder, AdjustmentHost& host, std::function<void()> openReport,
                           QWidget* parent)
    : QDialog(parent), workFolder_(std::move(workFolder)), host_(host), openReport_(std::move(openReport)) {
  setObjectName(QStringLiteral("FormEpochs"));
  setWindowTitle(QStringLiteral("Analiza przemieszczeń - porównanie epok"));
  setFixedSize(440, 332);
  const QFont heading = orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 13, true);

  auto* caption = new QLabel(QStringLiteral(" Epoki pomiarowe (foldery robocze, od najstarszej): "), this);
  caption->setObjectName(QStringLiteral("StaticTextEpochs"));
  caption->setFont(heading);
  caption->move(16, 12);
  caption->adjustSize();
  orvane::gui::PaintBackground(caption, orvane::gui::Aqua(), Qt::black);

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("ListBoxEpochs"));
  list_->setGeometry(16, 40, 300, 170);

  Button(this, "ButtonAddEpoch", QStringLiteral("Dodaj epokę..."), {328, 40, 100, 29});
  Button(this, "ButtonRemoveEpoch", QStringLiteral("Usuń"), {328, 76, 100, 29});
  Button(this, "ButtonEpochUp", QStringLiteral("Wyżej"), {328, 112, 100, 29});
  Button(this, "ButtonEpochDown", QStringLiteral("Niżej"), {328, 148, 100, 29});
  connect(findChild<QPushButton*>(QStringLiteral("ButtonAddEpoch")), &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Folder epoki"),
                                                             QString::fromStdString(workFolder_));
    if (!folder.isEmpty()) AddFolder(folder);
  });
  connect(findChild<QPushButton*>(QStringLiteral("ButtonRemoveEpoch")), &QPushButton::clicked, this,
          [this] { delete list_->takeItem(list_->currentRow()); });
  connect(findChild<QPushButton*>(QStringLiteral("ButtonEpochUp")), &QPushButton::clicked, this,
          [this] { MoveSelected(-1); });
  connect(findChild<QPushButton*>(QStringLiteral("ButtonEpochDown")), &QPushButton::clicked, this,
          [this] { MoveSelected(1); });

  auto* levelLabel = new QLabel(QStringLiteral(" Poziom istotności alfa ...."), this);
  levelLabel->move(16, 226);
  levelLabel->adjustSize();
  alpha_ = new QComboBox(this);
  alpha_->setObjectName(QStringLiteral("ComboBoxEpochAlpha"));
  alpha_->setEditable(true);
  alpha_->addItems({QStringLiteral("0.05"), QStringLiteral("0.01"), QStringLiteral("0.10")});
  alpha_->setGeometry(180, 222, 73, 21);
  pooled_ = new QRadioButton(QStringLiteral("s0 łączne z epok (empiryczne)"), this);
  pooled_->setObjectName(QStringLiteral("RadioButtonEpochPooled"));
  pooled_->move(16, 256);
  pooled_->adjustSize();
  pooled_->setChecked(true);
  auto* one = new QRadioButton(QStringLiteral(" Mo  = 1 (a priori)"), this);
  one->setObjectName(QStringLiteral("RadioButtonEpochOne"));
  one->move(250, 256);
  one->adjustSize();

  auto* start = Button(this, "BitBtnEpochs", QStringLiteral("OBLICZAJ"), {160, 288, 169, 33});
  start->setFont(orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 16, true));
  start->setIcon(QIcon(orvane::gui::StartButtonPicture()));
  connect(start, &QPushButton::clicked, this, [this] { Run(); });
  auto* close = Button(this, "ButtonEpochsClose", QStringLiteral("ZAMKNIJ"), {340, 288, 88, 33});
  connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void EpochsDialog::AddFolder(const QString& folder) { list_->addItem(folder); }

QStringList EpochsDialog::Folders() const {
  QStringList folders;
  for (int i = 0; i < list_->count(); ++i) folders << list_->item(i)->text();
  return folders;
}

void EpochsDialog::MoveSelected(int step) {
  const int row = list_->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= list_->count()) return;
  list_->insertItem(to, list_->takeItem(row));
  list_->setCurrentRow(to);
}

bool EpochsDialog::Run() {
  std::vector<std::string> folders;
  for (const QString& folder : Folders()) folders.push_back(folder.toStdString());
  if (folders.size() < 2) {
    host_.ShowInformation(orvane::ToCp1250("*** Wybierz co najmniej dwa foldery epok"));
    return false;
  }
  epochs::CongruenceOptions options;
  // A typed level that is no valid one leaves the default.
  StatisticsOptions levels;
  std::string error;
  if (SetStatisticsOption(levels, "alpha", alpha_->currentText().trimmed().toStdString(), error))
    options.alpha = levels.Alpha;
  options.unitErrorIsOne = !pooled_->isChecked();
  for (int i = kMonitorFirstRunLine; i <= kMonitorLastRunLine; ++i) host_.SetMonitorLine(i, {});
  const orvane::RunOutcome outcome = epochs::RunEpochAnalysis(folders, workFolder_, options, host_);
  // The report is there also after a data error: it says where the analysis stopped.
  openReport_();
  return outcome == orvane::RunOutcome::Finished;
}

void BuildEpochsPanel(QWidget* client, const std::string& workFolder, AdjustmentHost& host,
                      std::function<void()> openReport) {
  auto* panel = new orvane::gui::FilePanel(QStringLiteral("ANALIZA PRZEMIESZCZEŃ"), client);
  panel->setObjectName(QStringLiteral("PanelEpochs"));
  panel->setGeometry(256, 52, 201, 37);
  panel->setCursor(Qt::PointingHandCursor);
  panel->setFont(orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 13, true));
  orvane::gui::PaintBackground(panel, panel->palette().color(QPalette::Window), orvane::gui::Navy());
  panel->setToolTip(QStringLiteral("Porównanie epok sieci kontrolnej przemieszczeń pionowych"));
  auto dialog = std::make_shared<QPointer<EpochsDialog>>();
  QObject::connect(panel, &orvane::gui::ClickableLabel::clicked, client,
                   [client, workFolder, &host, openReport, dialog] {
                     if (!*dialog) {
                       *dialog = new EpochsDialog(workFolder, host, openReport, client->window());
                       (*dialog)->setAttribute(Qt::WA_DeleteOnClose);
                       // Over the left part of the window: the MONITOR stays in sight.
                       (*dialog)->move(client->mapToGlobal(QPoint(8, 100)));
                     }
                     (*dialog)->show();
                     (*dialog)->raise();
                     (*dialog)->activateWindow();
                   });
}

}  // namespace kvel::gui
