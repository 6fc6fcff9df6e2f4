#include "quasigeoid/gui/list_option_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/work_folder.h"
#include "quasigeoid/model_catalogue.h"

namespace solvanta::gui {

namespace {

constexpr CoordinateForm kForms[] = {CoordinateForm::Dms, CoordinateForm::Degrees, CoordinateForm::Pl2000,
                                     CoordinateForm::Pl1992, CoordinateForm::Geocentric};

QLabel* Caption(QWidget* client, const char* name, const QString& text, int x, int y, bool highlighted) {
  auto* label = new QLabel(text, client);
  label->setObjectName(QString::fromLatin1(name));
  if (highlighted) orvane::gui::PaintBackground(label, orvane::gui::InfoColour(), Qt::black);
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

ListOptionControls::ListOptionControls(QWidget* client, std::string workFolder,
                                       std::function<void(const std::string&)> open)
    : QObject(client), workFolder_(std::move(workFolder)) {
  // Beside the frame, above the model: the form of the point lists' coordinates.
  Caption(client, "Label8", QStringLiteral("  WSPÓŁRZĘDNE PUNKTÓW:  "), 600, 92, true);
  forms_ = new QComboBox(client);
  forms_->setObjectName(QStringLiteral("ComboBox2"));
  forms_->setGeometry(600, 112, 177, 26);
  for (const CoordinateForm form : kForms) forms_->addItem(QString::fromUtf8(CoordinateFormTitle(form).data()));
  connect(forms_, &QComboBox::activated, this, [this](int index) {
    if (choiceFile_.empty() || index < 0) return;
    if (!orvane::WriteIniValue(choiceFile_, kModelChoiceSection, kCoordinateChoiceKey,
                               std::string(CoordinateFormName(kForms[index])))) {
      orvane::gui::Boxes().Message(
          forms_->window(),
          QStringLiteral("*** Nie można zapisać wyboru współrzędnych w pliku: ") + QString::fromStdString(choiceFile_));
    }
  });

  // Below satellite levelling: Kronstadt heights to PL-EVRF2007-NH.
  heightTask_ = new QCheckBox(client);
  heightTask_->setObjectName(QStringLiteral("CheckBox5"));
  heightTask_->move(144, 486);
  heightTask_->adjustSize();
  heightTask_->setChecked(true);
  direction_ = new QComboBox(client);
  direction_->setObjectName(QStringLiteral("ComboBox3"));
  direction_->setGeometry(280, 482, 360, 26);
  direction_->addItem(QStringLiteral("H Kronstadt '86  =>  H PL-EVRF2007-NH  ( PL-geoid2011 )"));
  direction_->addItem(QStringLiteral("H PL-EVRF2007-NH  =>  H Kronstadt '86  ( PL-geoid2011 )"));
  QFont small = direction_->font();
  small.setPixelSize(12);
  direction_->setFont(small);
  connect(direction_, &QComboBox::activated, this, &ListOptionControls::ChooseDirection);
  const char* const names[2][2] = {{"H_KRON86", "h_evrf2007.1"}, {"H_EVRF2007", "h_kron86.1"}};
  for (int d = 0; d < 2; ++d) {
    for (int k = 0; k < 2; ++k) {
      auto* panel = new orvane::gui::FilePanel(QString::fromLatin1(names[d][k]), client);
      panel->setObjectName(QStringLiteral("Panel%1").arg(10 + 2 * d + k));
      panel->setGeometry(k == 0 ? 168 : 672, k == 0 ? 478 : 476, 89, 33);
      panel->setCursor(Qt::PointingHandCursor);
      if (k == 1) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::WindowText, orvane::gui::Navy());
        panel->setPalette(palette);
      }
      const std::string file = names[d][k];
      connect(panel, &orvane::gui::ClickableLabel::clicked, this,
              [this, open, file] { open(orvane::StandardFilePath(workFolder_, file)); });
      panel->setVisible(d == 0);
      (k == 0 ? inputs_ : results_)[d] = panel;
    }
  }
  HighlightPresentFiles();
}

void ListOptionControls::SetChoiceFile(std::string iniPath) {
  choiceFile_ = std::move(iniPath);
  CoordinateForm form = CoordinateForm::Dms;
  if (ParseCoordinateForm(orvane::ReadIniValue(choiceFile_, kModelChoiceSection, kCoordinateChoiceKey, "dms"), form))
    ChooseForm(form);
}

CoordinateForm ListOptionControls::Form() const { return kForms[std::max(0, forms_->currentIndex())]; }

void ListOptionControls::ChooseForm(CoordinateForm form) {
  for (int k = 0; k < static_cast<int>(std::size(kForms)); ++k)
    if (kForms[k] == form) forms_->setCurrentIndex(k);
}

bool ListOptionControls::Kron86ToEvrf2007Set() const {
  return heightTask_->isChecked() && direction_->currentIndex() == 0;
}

bool ListOptionControls::Evrf2007ToKron86Set() const {
  return heightTask_->isChecked() && direction_->currentIndex() == 1;
}

void ListOptionControls::ChooseDirection(int index) {
  if (index < 0 || index > 1) return;
  direction_->setCurrentIndex(index);
  for (int d = 0; d < 2; ++d) {
    inputs_[d]->setVisible(d == index);
    results_[d]->setVisible(d == index);
  }
}

void ListOptionControls::HighlightResult(int direction) {
  results_[direction]->Highlight();
  results_[direction]->repaint();
}

void ListOptionControls::HighlightPresentFiles() {
  for (orvane::gui::FilePanel* panel : {inputs_[0], results_[0], inputs_[1], results_[1]})
    if (orvane::FileExists(orvane::StandardFilePath(workFolder_, panel->text().toStdString()))) panel->Highlight();
}

}  // namespace solvanta::gui
