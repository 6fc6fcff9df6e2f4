#include "quasigeoid/gui/calculator_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/folder_lock.h"
#include "common/work_folder.h"
#include "quasigeoid/gui/contour_map.h"
#include "quasigeoid/gui/help_text.h"
#include "quasigeoid/gui/progress_window.h"
#include "quasigeoid/model_grid.h"

namespace solvanta::gui {

using orvane::gui::ClickableLabel;
using orvane::gui::FilePanel;
using orvane::gui::WindowFont;

namespace {

// The client area that an outer window of 810 by 649 pixels leaves inside a Windows frame.
constexpr int kClientWidth = 802;
constexpr int kClientHeight = 615;
constexpr int kStatusBarHeight = 37;

struct PanelLayout {
  const char* caption;
  const char* opens;  // the name the panel opens (the presence check uses the lower-case names)
  int x, y;
  bool result;
};
constexpr PanelLayout kPanels[9] = {
    {"BL ", "bl", 40, 280, false},          {"BLH_e", "blh_e", 40, 320, false},
    {"BLH_n", "blh_n", 40, 360, false},     {"BLN", "bln", 672, 280, true},
    {"BLH_n.1", "BLH_n.1", 672, 320, true}, {"BLH_e.1", "BLH_e.1", 672, 360, true},
    {"DELTAH.gps", "deltah.gps", 40, 432, false}, {"BLH.grs", "Blh.grs", 40, 472, false},
    {"DELTAH1", "deltah1", 672, 424, true}};

QLabel* Text(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLabel* TextOn(QWidget* parent, const char* name, const QString& text, int x, int y,
               const QColor& background, const QColor& colour = Qt::black) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setText(text);
  orvane::gui::PaintBackground(label, background, colour);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLabel* NavyText(QWidget* parent, const char* name, const QString& text, int x, int y, bool bold) {
  auto* label = Text(parent, name, text, x, y);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, orvane::gui::Navy());
  label->setPalette(palette);
  label->setFont(WindowFont(QStringLiteral("Arial"), 13, bold));
  label->adjustSize();
  return label;
}

void SmallFont(QLabel* label) {
  label->setFont(WindowFont(QStringLiteral("Arial"), 12, true));
  label->adjustSize();
}

}  // namespace

CalculatorWindow::CalculatorWindow(std::string workFolder, std::string modelPath, QWidget* parent)
    : QMainWindow(parent), workFolder_(std::move(workFolder)), modelPath_(std::move(modelPath)),
      run_(&solvanta::RunCalculation),
      open_([this](const QString& path) {
        orvane::gui::OpenInEditor(path, this, findChild<QPushButton*>(QStringLiteral("BitBtn1")));
      }) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(QStringLiteral(" SOLVANTA_2008QG -  program  ( wersja  3.1 )") + QString(34, QLatin1Char(' ')) +
                 QStringLiteral("©  zespół ORVANE"));
  setFont(WindowFont(QStringLiteral("Arial"), 13, true));
  orvane::gui::TrackActivation();
  BuildControls();
  orvane::gui::AddFolderStatusBar(this, kStatusBarHeight, workFolder_);
  // The layout is fixed: a larger window would only be empty, a smaller one would hide buttons.
  setFixedSize(kClientWidth, kClientHeight);
  // Except on a screen too low for it (800 x 600): the controls scroll, the folder stays in view.
  orvane::gui::FitOnSmallScreen(this);

  // What a killed run left in the folder is settled before its files are looked at; a problem
  // is told by the next run.
  orvane::SettleWorkFolder(workFolder_);
  FindPresentFiles();
  for (std::size_t i = 0; i < flags_.size(); ++i) {
    if (flags_[i] == 1) panels_[i]->Highlight();
  }
}

void CalculatorWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);

  auto* map = new QLabel(client);
  map->setObjectName(QStringLiteral("Image2"));
  map->setGeometry(8, 8, 113, 113);
  map->setScaledContents(true);
  map->setFrameStyle(QFrame::Box | QFrame::Plain);

  auto* info = new ClickableLabel(client);
  info->setObjectName(QStringLiteral("StaticText8"));
  info->setText(QStringLiteral("       INFO      "));
  info->setFont(WindowFont(QStringLiteral("Arial"), 19, true));
  orvane::gui::PaintBackground(info, orvane::gui::Aqua(), Qt::black);
  info->setGeometry(8, 128, 114, 26);
  info->setFrameStyle(QFrame::Panel | QFrame::Raised);
  info->setCursor(Qt::WhatsThisCursor);
  connect(info, &ClickableLabel::clicked, this, &CalculatorWindow::OpenHelp);

  auto* title = TextOn(client, "StaticText5", QStringLiteral("QUASI-GEOIDA  SOLVANTA_2008QG "), 144, 8,
                       orvane::gui::Aqua());
  title->setFont(WindowFont(QStringLiteral("Arial Black"), 19, true));
  title->setGeometry(144, 8, 413, 31);

  NavyText(client, "StaticText4", QStringLiteral("oparta na modelu globalnym EGM2008  "), 144, 40, false);
  NavyText(client, "Label2", QStringLiteral("https://earth-info.nga.mil"), 144, 56, true);
  NavyText(client, "Label1",
           QStringLiteral("i polskich osnowach satelitarno - niwelacyjnych stacje ASG-EUPOS + EUVN + POLREF"),
           144, 72, true);

  const QColor info_bk = orvane::gui::InfoColour();
  TextOn(client, "Label3", QStringLiteral("  UKŁAD ODNIESIENIA WYSOKOŚCI NORMALNYCH:  Kronstadt ' 86  "), 136,
         120, info_bk);
  TextOn(client, "Label4", QStringLiteral("  OKREŚL UKŁAD ODNIESIENIA DLA WYSOKOŚCI ELIPSOIDALNYCH:  "), 136, 144,
         info_bk);

  etrf89_ = new QRadioButton(QStringLiteral("PL-ETRF89   [ EUVN + EUREF-POL + POLREF ]"), client);
  etrf89_->setObjectName(QStringLiteral("RadioButton1"));
  etrf89_->move(144, 168);
  etrf89_->adjustSize();
  connect(etrf89_, &QRadioButton::clicked, this, [this] { referenceFrame_ = ReferenceFrame::Etrf89; });
  etrf2000_ = new QRadioButton(QStringLiteral("PL-ETRF2000  epoka 2011.00  [ ASG-EUPOS - aktualny ]  "), client);
  etrf2000_->setObjectName(QStringLiteral("RadioButton3"));
  etrf2000_->move(144, 192);
  etrf2000_->adjustSize();
  connect(etrf2000_, &QRadioButton::clicked, this, [this] { referenceFrame_ = ReferenceFrame::Etrf2000; });

  // The model, beside the frame: the models lying beside the program, the chosen one first
  // selected (a model file given that is not among them is offered as well).
  const auto slash = modelPath_.rfind('/');
  models_ = FindModels(slash == std::string::npos ? std::string(".") : modelPath_.substr(0, slash));
  int chosen = -1;
  for (std::size_t k = 0; k < models_.size(); ++k) {
    if (models_[k].path == modelPath_) chosen = static_cast<int>(k);
  }
  if (chosen < 0) {
    ModelEntry given{BareModelInfo(modelPath_), modelPath_};
    ModelInfo described;
    if (ReadModelRecord(ModelRecordPath(modelPath_), described) == RecordRead::Read) given.info = described;
    models_.insert(models_.begin(), given);
    chosen = 0;
  }
  TextOn(client, "Label7", QStringLiteral("  MODEL QUASI-GEOIDY:  "), 600, 144, info_bk);
  modelChoice_ = new QComboBox(client);
  modelChoice_->setObjectName(QStringLiteral("ComboBox1"));
  modelChoice_->setGeometry(600, 176, 177, 26);
  modelChoice_->setFont(WindowFont(QStringLiteral("Arial"), 13, true));
  for (const ModelEntry& model : models_) {
    modelChoice_->addItem(QString::fromStdString(model.info.name));
    modelChoice_->setItemData(modelChoice_->count() - 1,
                              QString::fromStdString(model.info.description.empty() ? model.path : model.info.description),
                              Qt::ToolTipRole);
  }
  modelChoice_->setCurrentIndex(chosen);
  connect(modelChoice_, &QComboBox::activated, this, &CalculatorWindow::ChooseModel);

  auto* bevel1 = new QFrame(client);
  bevel1->setObjectName(QStringLiteral("Bevel1"));
  bevel1->setFrameStyle(QFrame::Box | QFrame::Raised);
  bevel1->setGeometry(24, 232, 753, 289);
  auto* bevel2 = new QFrame(client);
  bevel2->setObjectName(QStringLiteral("Bevel2"));
  bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel2->setGeometry(32, 424, 105, 89);

  TextOn(client, "StaticText1", QStringLiteral("  DANE:          "), 40, 248, Qt::white);
  TextOn(client, "StaticText2", QStringLiteral("    WYNIKI:     "), 672, 248, Qt::white);

  for (int i = 0; i < 9; ++i) {
    const PanelLayout& shape = kPanels[i];
    auto* panel = new FilePanel(QString::fromLatin1(shape.caption), client);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setGeometry(shape.x, shape.y, 89, 33);
    if (shape.result) {
      QPalette palette = panel->palette();
      palette.setColor(QPalette::WindowText, orvane::gui::Navy());
      panel->setPalette(palette);
      panel->setFont(WindowFont(QStringLiteral("Arial"), 13, true));
    }
    if (i < 6) panel->setCursor(Qt::PointingHandCursor);
    connect(panel, &ClickableLabel::clicked, this, [this, i] { OpenPanelFile(i); });
    panels_.push_back(panel);
  }

  const int switchTops[4] = {288, 328, 368, 432};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(client);
    box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
    box->move(144, switchTops[i]);
    box->adjustSize();
    box->setChecked(true);
    switches_.push_back(box);
  }

  SmallFont(Text(client, "StaticText3",
                 QStringLiteral("  =>  Obliczenie odstępów quasi-geoidy od elipsoidy  N  =>"), 224, 288));
  SmallFont(Text(client, "StaticText6", QStringLiteral("      H elipsoidalne =>  H normalne [ Kronstadt '86 ]"),
                 248, 328));
  SmallFont(Text(client, "StaticText7", QStringLiteral("  H normalne [ Kronstadt '86 ]  =>  H elipsoidalne"),
                 256, 368));
  SmallFont(Text(client, "Label5",
                 QStringLiteral("  różnice wysokosci elipsoidalnych   =>   różnice wysokosci normalnych  "), 200,
                 432));
  SmallFont(Text(client, "Label6", QStringLiteral("( niwelacja satelitarna )"), 312, 448));

  auto* start = new QPushButton(QStringLiteral("OBLICZAJ"), client);
  start->setObjectName(QStringLiteral("BitBtn1"));
  start->setGeometry(400, 528, 193, 41);
  start->setIcon(QIcon(orvane::gui::StartButtonPicture()));
  start->setIconSize(QSize(18, 18));
  connect(start, &QPushButton::clicked, this, &CalculatorWindow::StartComputation);

  auto* quit = new QPushButton(QStringLiteral("   Wyjście =>"), client);
  quit->setObjectName(QStringLiteral("BitBtn2"));
  quit->setGeometry(672, 528, 105, 41);
  connect(quit, &QPushButton::clicked, this, &QWidget::close);

  ShowModel();
}

void CalculatorWindow::ChooseModel(int index) {
  if (index < 0 || index >= static_cast<int>(models_.size())) return;
  modelChoice_->setCurrentIndex(index);
  const ModelEntry& model = models_[static_cast<std::size_t>(index)];
  if (model.path == modelPath_) return;
  modelPath_ = model.path;
  ShowModel();
  if (!modelChoiceFile_.empty() && !KeepModelChoice(modelChoiceFile_, model.info.name)) {
    orvane::gui::Boxes().Message(
        this, QStringLiteral("*** Nie można zapisać wyboru modelu w pliku: ") + QString::fromStdString(modelChoiceFile_));
  }
}

// The chosen model in the window: its height system, its description in the header lines (the
// original model keeps the window's own texts) and its contour map.
void CalculatorWindow::ShowModel() {
  ModelInfo info = BareModelInfo(modelPath_);
  for (const ModelEntry& model : models_) {
    if (model.path == modelPath_) info = model.info;
  }
  const QString system = info.hasRecord ? QString::fromStdString(info.heightSystem) : QStringLiteral("Kronstadt ' 86");
  const QString bracketed = info.hasRecord ? system : QStringLiteral("Kronstadt '86");
  auto set = [this](const char* name, const QString& text) {
    auto* label = findChild<QLabel*>(QString::fromLatin1(name));
    label->setText(text);
    label->adjustSize();
  };
  set("Label3", QStringLiteral("  UKŁAD ODNIESIENIA WYSOKOŚCI NORMALNYCH:  ") + system + QStringLiteral("  "));
  set("StaticText6", QStringLiteral("      H elipsoidalne =>  H normalne [ ") + bracketed + QStringLiteral(" ]"));
  set("StaticText7", QStringLiteral("  H normalne [ ") + bracketed + QStringLiteral(" ]  =>  H elipsoidalne"));
  if (info.hasRecord) {
    set("StaticText4", QString::fromStdString(info.description));
    set("Label2", QString::fromStdString(info.source));
    set("Label1", QString::fromStdString(info.licence));
  } else {
    set("StaticText4", QStringLiteral("oparta na modelu globalnym EGM2008  "));
    set("Label2", QStringLiteral("https://earth-info.nga.mil"));
    set("Label1", QStringLiteral("i polskich osnowach satelitarno - niwelacyjnych stacje ASG-EUPOS + EUVN + POLREF"));
  }

  // The map is drawn from the grid that the runs read; without the file the frame stays empty.
  auto* map = findChild<QLabel*>(QStringLiteral("Image2"));
  ModelGrid grid;
  if (LoadModelGrid(modelPath_, grid).outcome == ModelLoadOutcome::Loaded) {
    const QPixmap picture = QPixmap::fromImage(ContourMap(grid));
    map->setPixmap(picture);
    setWindowIcon(QIcon(picture.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    map->setFrameStyle(QFrame::NoFrame);
  } else {
    map->setPixmap(QPixmap());
    map->setFrameStyle(QFrame::Box | QFrame::Plain);
  }
}

void CalculatorWindow::FindPresentFiles() {
  flags_ = orvane::PresenceFlags(workFolder_, orvane::SolvantaPresenceNames());
}

void CalculatorWindow::StartComputation() {
  if (!etrf89_->isChecked() && !etrf2000_->isChecked()) {
    orvane::gui::Boxes().Message(this, QStringLiteral(" * ALE WYBIERZ NAJPIERW UKLAD ODNIESIENIA "));
    return;
  }
  StartRun(workFolder_);
}

void CalculatorWindow::StartRun(const std::string& workFolder) {
  if (progress_) {
    // One progress window at a time. While it waits for "OK" the folder given last counts; a run
    // already going on keeps its own.
    if (progress_->OkButton()->isEnabled()) runFolder_ = workFolder;
    if (progress_->isVisible()) {
      progress_->raise();
      progress_->activateWindow();
    }
    return;
  }
  runFolder_ = workFolder;
  orvane::gui::SetApplicationTitle(QStringLiteral("NIVORA_2008QG"));
  auto* progress = new ProgressWindow(this);
  progress_ = progress;
  connect(progress, &ProgressWindow::startRequested, this, [this, progress] { PerformRun(progress); });
  progress->show();
}

void CalculatorWindow::PerformRun(ProgressWindow* progress) {
  progress_ = progress;
  // One run per progress window: a second press of "OK" (inside a message box of the run) does
  // not start another.
  progress->OkButton()->setEnabled(false);
  // The run reads and writes numbers with "." whatever the desktop's locale.
  orvane::gui::UseDecimalPointForNumbers();
  // The frame and the model as the window shows them now, at "OK": the results never name
  // another frame or model than the one on the screen while the run was started.
  const orvane::RunOutcome outcome = run_(*this, runFolder_, referenceFrame_, modelPath_);
  if (progress_) progress_->close();  // deletes itself
  // The flags are found again; the run itself has highlighted the panels of the files it made.
  FindPresentFiles();
  emit runEnded(outcome);
  if (outcome == orvane::RunOutcome::EndProgram) {
    endRequested_ = true;
    close();
    return;
  }
  orvane::gui::OfferToReloadChangedFiles();
}

bool CalculatorWindow::IsTaskSwitchSet(TaskSwitch task) {
  const int index = static_cast<int>(task) - 1;
  return index >= 0 && index < 4 && switches_[static_cast<std::size_t>(index)]->isChecked();
}

void CalculatorWindow::HighlightPanel(ResultPanel panel) {
  const int number = static_cast<int>(panel);
  if (number < 1 || number > 9) return;
  FilePanel* target = panels_[static_cast<std::size_t>(number - 1)];
  target->Highlight();
  target->repaint();
}

void CalculatorWindow::AdvanceGauge(int steps) {
  if (progress_) progress_->Advance(steps);
}

void CalculatorWindow::CloseProgressWindow() {
  if (progress_) progress_->hide();
}

void CalculatorWindow::ShowMessage(const std::string& text) {
  orvane::gui::Boxes().Message(this, orvane::gui::FromFileBytes(text));
}

void CalculatorWindow::ShowInformation(const std::string& text) {
  QString shown = orvane::gui::FromFileBytes(text);
  // No input because the folder itself is missing: the box says which folder.
  if (text == NoInputMessage()) shown += orvane::gui::MissingFolderLine(runFolder_);
  orvane::gui::Boxes().Information(this, shown);
}

void CalculatorWindow::OpenPanelFile(int index) {
  open_(QString::fromStdString(orvane::StandardFilePath(workFolder_, kPanels[index].opens)));
}

void CalculatorWindow::OpenHelp() {
  auto* help = new orvane::gui::HelpWindow(QStringLiteral("TForm3"), QSize(617, 348),
                                           orvane::gui::WindowFontPoints(QStringLiteral("Courier New"), 8),
                                           HelpText(), this);
  help->show();
}

void CalculatorWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, whatever closes it, but never with unsaved text
  // in an editor that the user has not let go: Anuluj keeps the program running. Help and
  // progress windows go without asking.
  if (!orvane::gui::SettleUnsavedEditors()) {
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::exit(0);
}

}  // namespace solvanta::gui
