#include "leveling/gui/adjustment_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "common/cp1250.h"
#include "common/gui/editor_window.h"
#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/folder_lock.h"
#include "common/work_folder.h"
#include "leveling/gui/help_texts.h"
#include "leveling/gui/pictures.h"
#include "leveling/messages.h"

namespace kvel::gui {

using orvane::gui::ClickableLabel;
using orvane::gui::FilePanel;
using orvane::gui::WindowFont;

namespace {

// The client area that an outer window of 801 by 579 pixels leaves inside a Windows frame.
constexpr int kClientWidth = 793;
constexpr int kClientHeight = 545;
constexpr int kStatusBarHeight = 36;

// Names opened by Panel1..Panel6.
constexpr const char* kPanelFiles[6] = {"deltah", "deltah1", "h.sta", "xyh.sta", "wyh.osn", "h.osn"};
constexpr const char* kPanelCaptions[6] = {"DELTAH", "DELTAH1", "H.sta", "XYH.sta", "WYH.osn", "H.osn"};

const QStringList kMethodItems = {QStringLiteral("STANDARD MNK"), QStringLiteral("ESTYMACJA MOCNA ")};
const QStringList kAccuracyItems = {QStringLiteral("PEŁNY [STANDARD]"),
                                    QStringLiteral("Bez ścisłej analizy  mV")};
const QStringList kDecimalsItems = {QStringLiteral("0.001 m"), QStringLiteral("0.0001 m"),
                                    QStringLiteral("0.00001 m ")};

QLabel* StaticText(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  return label;
}

QFrame* Bevel(QWidget* parent, const char* name, const QRect& rect, bool raised) {
  auto* bevel = new QFrame(parent);
  bevel->setObjectName(QString::fromLatin1(name));
  bevel->setFrameStyle(QFrame::Box | (raised ? QFrame::Raised : QFrame::Sunken));
  bevel->setGeometry(rect);
  bevel->lower();
  return bevel;
}

}  // namespace

QComboBox* OptionBox(QWidget* parent, const char* name, const QStringList& items, int x, int y) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  // The typed text itself is compared with the items: no completion, and Enter adds nothing.
  box->setCompleter(nullptr);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setGeometry(x, y, 161, 21);
  return box;
}

AdjustmentWindow::AdjustmentWindow(std::string workFolder, QWidget* parent)
    : QMainWindow(parent), workFolder_(std::move(workFolder)), run_(&kvel::RunAdjustment),
      open_([this](const QString& path) {
        orvane::gui::OpenInEditor(path, this, findChild<QPushButton*>(QStringLiteral("BitBtn1")));
      }) {
  // The run reads and writes numbers with "." whatever the desktop's locale.
  orvane::gui::UseDecimalPointForNumbers();
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Wyrównanie ścisłe sieci niwelacyjnej - podprogram  KVEL  wersja 6.0"));
  setFont(WindowFont(QStringLiteral("MS Sans Serif"), 11));
  orvane::gui::TrackActivation();
  // The application title: the caption of the plain message boxes.
  orvane::gui::SetApplicationTitle(QStringLiteral("niwelacja"));
  BuildControls();
  orvane::gui::AddFolderStatusBar(this, kStatusBarHeight, workFolder_);
  // The layout is fixed: a larger window would only be empty, a smaller one would hide buttons.
  setFixedSize(kClientWidth, kClientHeight);

  // What a killed run left in the folder is settled before its files are looked at; a problem
  // is told by the next run.
  orvane::SettleWorkFolder(workFolder_);
  // The input flags are found once; the result panels are only looked at for their highlight.
  flags_.assign(4, 0);
  const auto& names = orvane::KvelPresenceNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (orvane::FileExists(orvane::StandardFilePath(workFolder_, names[i]))) {
      panels_[i]->Highlight();
      flags_[i] = 1;
    }
  }
  HighlightResults();
}

void AdjustmentWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setCursor(Qt::CrossCursor);
  setCentralWidget(client);

  auto* image1 = new QLabel(client);
  image1->setObjectName(QStringLiteral("Image1"));
  image1->setGeometry(24, 0, 101, 102);
  image1->setPixmap(NetworkPicture(QSize(101, 102)));
  setWindowIcon(QIcon(NetworkPicture(QSize(64, 64))));

  Bevel(client, "Bevel1", QRect(144, 0, 633, 97), false);
  auto* suite = StaticText(client, "StaticText4", QStringLiteral("System ORVANE  ©  zespół ORVANE"), 232, 8);
  suite->setFont(WindowFont(QStringLiteral("Arial"), 11));
  suite->adjustSize();

  auto* title = StaticText(client, "StaticText1", QStringLiteral(" Wyrównanie sieci niwelacyjnej  "), 368, 24);
  title->setFont(WindowFont(QStringLiteral("Arial"), 23, true));
  title->resize(380, 33);

  auto* info = new ClickableLabel(client);
  info->setObjectName(QStringLiteral("Image2"));
  info->setGeometry(152, 48, 94, 41);
  info->setPixmap(InfoButtonPicture(QSize(94, 41)));
  info->setCursor(Qt::WhatsThisCursor);
  connect(info, &ClickableLabel::clicked, this, &AdjustmentWindow::OpenGeneralHelp);

  auto* limits = StaticText(client, "StaticText14",
                            QStringLiteral("[ maksymalnie:  20 000 punktów, 40 000 obserwacji ]"), 472, 64);
  limits->resize(257, 17);

  const QFont heading = WindowFont(QStringLiteral("MS Sans Serif"), 13, true);
  StaticText(client, "StaticText5", QStringLiteral("  Zbiory wejściowe: "), 24, 112)->setFont(heading);
  StaticText(client, "StaticText7", QStringLiteral("Zbiory wynikowe:"), 232, 112)->setFont(heading);

  const QRect panelRects[6] = {{24, 136, 73, 41},  {104, 136, 73, 41}, {24, 208, 73, 41},
                               {104, 208, 73, 41}, {232, 136, 129, 41}, {232, 208, 129, 41}};
  for (int i = 0; i < 6; ++i) {
    auto* panel = new FilePanel(QString::fromLatin1(kPanelCaptions[i]), client);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setGeometry(panelRects[i]);
    panel->setCursor(Qt::PointingHandCursor);
    if (i < 4) {
      panel->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 11, true));
    } else {
      panel->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 13, true));
      orvane::gui::PaintBackground(panel, panel->palette().color(QPalette::Window), orvane::gui::Navy());
    }
    const char* name = kPanelFiles[i];
    connect(panel, &ClickableLabel::clicked, this, [this, name] { OpenPanelFile(name); });
    panels_.push_back(panel);
  }

  // The captions under the panels stand on the highlight-text colour.
  const QColor captionBack = QApplication::palette().color(QPalette::HighlightedText);
  const struct {
    const char* name;
    const char* text;
    int x, y;
  } captions[] = {{"StaticText9", "  zbiory  obserwacyjne ", 48, 184},
                  {"StaticText10", "  repery nawiązania", 56, 256},
                  {"StaticText11", " protokół wynikowy", 248, 184},
                  {"StaticText12", "  wykaz wysokości ", 248, 256}};
  for (const auto& c : captions) {
    auto* label = StaticText(client, c.name, QString::fromUtf8(c.text), c.x, c.y);
    orvane::gui::PaintBackground(label, captionBack);
    label->adjustSize();
  }

  editHint_ = StaticText(client, "Label1", QStringLiteral(" <---- Kliknij panel do edycji"), 368, 136);
  editHint_->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 13, true));
  orvane::gui::PaintBackground(editHint_, Qt::transparent, Qt::blue);
  editHint_->setAutoFillBackground(false);
  editHint_->adjustSize();
  editHint_->hide();

  auto* monitorLabel = StaticText(client, "Label2", QStringLiteral("MONITOR"), 632, 152);
  monitorLabel->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 11, true));
  orvane::gui::PaintBackground(monitorLabel, Qt::transparent, Qt::blue);
  monitorLabel->setAutoFillBackground(false);
  monitorLabel->adjustSize();

  monitor_ = new QPlainTextEdit(client);
  monitor_->setObjectName(QStringLiteral("Memo1"));
  monitor_->setGeometry(464, 168, 313, 209);
  // A bar shows that there is more text than the box holds (a robust run writes beyond it).
  monitor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  monitor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  monitor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Only the run writes here: typed line breaks would shift the lines it replaces by index.
  monitor_->setReadOnly(true);
  monitor_->setCursor(Qt::ArrowCursor);
  orvane::gui::PaintBackground(monitor_, orvane::gui::Aqua(), Qt::black);
  QStringList lines;
  for (int i = 0; i < kMonitorLines; ++i) lines << (i == kMonitorBlankLine ? QStringLiteral(" ") : QString());
  monitor_->setPlainText(lines.join(QLatin1Char('\n')));

  Bevel(client, "Bevel2", QRect(16, 296, 369, 201), true);
  auto* optionsHelp = new ClickableLabel(client);
  optionsHelp->setObjectName(QStringLiteral("StaticText2"));
  optionsHelp->setText(QStringLiteral("  ?  Opcje  obliczeń: "));
  optionsHelp->setFont(heading);
  optionsHelp->move(32, 312);
  orvane::gui::PaintBackground(optionsHelp, orvane::gui::Aqua(), Qt::black);
  optionsHelp->adjustSize();
  optionsHelp->setCursor(Qt::WhatsThisCursor);
  connect(optionsHelp, &ClickableLabel::clicked, this, &AdjustmentWindow::OpenOptionsHelp);

  StaticText(client, "StaticText6", QStringLiteral(" Zasada wyrównania ..........."), 40, 344)->adjustSize();
  StaticText(client, "StaticText3", QStringLiteral(" Tryb obliczeń ......................."), 40, 384)
      ->adjustSize();
  StaticText(client, "StaticText13", QStringLiteral("  Precyzja zapisu wyników ..."), 40, 416)->adjustSize();

  methodBox_ = OptionBox(client, "ComboBox4", kMethodItems, 200, 344);
  accuracyBox_ = OptionBox(client, "ComboBox1", kAccuracyItems, 200, 384);
  decimalsBox_ = OptionBox(client, "ComboBox2", kDecimalsItems, 200, 416);
  methodBox_->setCurrentIndex(0);
  accuracyBox_->setCurrentIndex(0);
  decimalsBox_->setCurrentIndex(1);
  method_ = 1;
  accuracyMode_ = 1;
  decimals_ = 4;
  // Selecting an item changes the edit text too, so this one signal serves typing and choosing.
  connect(methodBox_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { ComboChanged(methodBox_, &method_, {1, 2}, text); });
  connect(accuracyBox_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { ComboChanged(accuracyBox_, &accuracyMode_, {1, 2}, text); });
  connect(decimalsBox_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { ComboChanged(decimalsBox_, &decimals_, {3, 4, 5}, text); });

  unitOne_ = new QRadioButton(QStringLiteral(" Mo  = 1"), client);
  unitOne_->setObjectName(QStringLiteral("RadioButton1"));
  unitOne_->move(48, 456);
  unitOne_->adjustSize();
  unitOne_->setChecked(true);
  unitEmpirical_ = new QRadioButton(QStringLiteral("Mo jako wartosc empiryczna"), client);
  unitEmpirical_->setObjectName(QStringLiteral("RadioButton2"));
  unitEmpirical_->move(200, 456);
  unitEmpirical_->adjustSize();

  auto* start = new QPushButton(QStringLiteral("OBLICZAJ"), client);
  start->setObjectName(QStringLiteral("BitBtn1"));
  start->setGeometry(472, 456, 169, 41);
  start->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 16, true));
  start->setIcon(QIcon(orvane::gui::StartButtonPicture()));
  start->setIconSize(QSize(18, 18));
  start->setCursor(Qt::ArrowCursor);
  connect(start, &QPushButton::clicked, this, &AdjustmentWindow::StartAdjustment);

  auto* quit = new QPushButton(QStringLiteral("ZAMKNIJ"), client);
  quit->setObjectName(QStringLiteral("Button2"));
  quit->setGeometry(688, 456, 89, 41);
  quit->setFont(WindowFont(QStringLiteral("MS Sans Serif"), 13, true));
  quit->setCursor(Qt::ArrowCursor);
  connect(quit, &QPushButton::clicked, this, &QWidget::close);

  BuildStatisticsControls(client);
}

void AdjustmentWindow::ComboChanged(QComboBox* box, int* option, const std::vector<int>& values,
                                    const QString& text) {
  // Every item equal to the text sets its value; a text equal to none leaves the option alone.
  for (int i = 0; i < box->count() && i < static_cast<int>(values.size()); ++i) {
    if (box->itemText(i) == text) *option = values[static_cast<std::size_t>(i)];
  }
}

AdjustmentOptions AdjustmentWindow::Options() const {
  AdjustmentOptions options;
  options.Method = static_cast<Method>(method_);
  options.AccuracyMode = static_cast<AccuracyMode>(accuracyMode_);
  options.Decimals = decimals_;
  options.UnitErrorIsOne = unitOne_->isChecked();
  options.Statistics = StatisticsNow();
  return options;
}

void AdjustmentWindow::StartAdjustment() {
  // A run that stops at once for want of input still settles what a killed run left.
  orvane::SettleWorkFolder(workFolder_);
  if (const std::string_view refusal = StartRefusal(flags_); !refusal.empty()) {
    // A missing working folder is named too (the line is empty while the folder is there).
    orvane::gui::Boxes().Message(this, QString::fromUtf8(refusal.data(), static_cast<qsizetype>(refusal.size())) +
                                           orvane::gui::MissingFolderLine(workFolder_));
    return;
  }
  for (int i = kMonitorFirstRunLine; i <= kMonitorLastRunLine; ++i) SetMonitorLine(i, std::string());
  monitor_->verticalScrollBar()->setValue(0);
  defectShown_ = false;
  const orvane::RunOutcome outcome = run_(workFolder_, Options(), *this);
  HighlightResults();
  // A network (or a part of it) without a benchmark gave defect boxes long before the end: the
  // last word of the run must not be an end that sounds as if all were well.
  if (defectShown_) {
    orvane::gui::Boxes().Information(this, QString::fromUtf8(messages::kDefectAtEnd));
  }
  if (outcome == orvane::RunOutcome::EndProgram) {
    close();
    return;
  }
  orvane::gui::OfferToReloadChangedFiles();
}

void AdjustmentWindow::HighlightResults() {
  if (orvane::FileExists(orvane::StandardFilePath(workFolder_, "wyh.osn"))) panels_[4]->Highlight();
  if (orvane::FileExists(orvane::StandardFilePath(workFolder_, "h.osn"))) panels_[5]->Highlight();
  if (orvane::FileExists(orvane::StandardFilePath(workFolder_, "testy.osn"))) testsPanel_->Highlight();
}

void AdjustmentWindow::OpenPanelFile(const char* name) {
  open_(QString::fromStdString(orvane::StandardFilePath(workFolder_, name)));
}

void AdjustmentWindow::OpenGeneralHelp() {
  auto* help = new orvane::gui::HelpWindow(QStringLiteral("TForm1"), QSize(470, 348), font(),
                                           GeneralHelpText(), this);
  help->show();
}

void AdjustmentWindow::OpenOptionsHelp() {
  auto* help = new orvane::gui::HelpWindow(QStringLiteral("TForm3"), QSize(470, 348), font(),
                                           OptionsHelpText(), this);
  help->show();
}

QString AdjustmentWindow::MonitorLineText(int index) const {
  const QTextBlock block = monitor_->document()->findBlockByNumber(index);
  return index >= 0 && block.isValid() ? block.text() : QString();
}

int AdjustmentWindow::MonitorLineCount() const { return monitor_->document()->blockCount(); }

void AdjustmentWindow::SetMonitorLine(int index, const std::string& text) {
  if (index < 0 || index >= monitor_->document()->blockCount()) return;
  QString line = orvane::gui::FromFileBytes(text);
  line.remove(QLatin1Char('\r'));
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  QTextCursor cursor(monitor_->document()->findBlockByNumber(index));
  cursor.movePosition(QTextCursor::StartOfBlock);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(line);
  // The line just written is the news: scroll to it (an emptied line is none).
  if (!line.isEmpty()) {
    cursor.movePosition(QTextCursor::StartOfBlock);
    monitor_->setTextCursor(cursor);
    monitor_->ensureCursorVisible();
  }
  // The run holds the thread; paint the line now so that its progress is seen.
  monitor_->viewport()->repaint();
}

void AdjustmentWindow::ShowMessage(const std::string& text) {
  orvane::gui::Boxes().Message(this, orvane::gui::FromFileBytes(text));
}

void AdjustmentWindow::ShowInformation(const std::string& text) {
  if (text == orvane::ToCp1250(messages::kDefect)) defectShown_ = true;
  orvane::gui::Boxes().Information(this, orvane::gui::FromFileBytes(text));
}

void AdjustmentWindow::ShowEditHint() { editHint_->show(); }

void AdjustmentWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, whatever closes it, but never with unsaved text
  // in an editor that the user has not let go: Anuluj keeps the program running. Help windows
  // go without asking.
  if (!orvane::gui::SettleUnsavedEditors()) {
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::exit(0);
}

}  // namespace kvel::gui
