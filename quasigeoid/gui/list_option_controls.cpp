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
      orvane::gui::Boxes().Message(forms_->window(), QStringLiteral("*** Nie można zapisać wyboru współrzędnych w pliku: ") +
                                                         QString::fromStdString(choiceFile_));
    }
  });

  // Below satellite levelling: Kronstadt heights to PL-EVRF2007-NH.
  heightTask_ = new QCheckBox(client);
  heightTask_->setObjectName(QStringLiteral("CheckBox5"));
  heightTask_->move(144, 486);
  heightTask_->adjustSize();
  heightTask_->setChecked(true);
  input_ = new orvane::gui::FilePanel(QStringLiteral("H_KRON86"), client);
  input_->setObjectName(QStringLiteral("Panel10"));
  input_->setGeometry(168, 478, 89, 33);
  input_->setCursor(Qt::PointingHandCursor);
  auto* text = Caption(client, "StaticText9", QStringLiteral("  H Kronstadt '86  =>  H PL-EVRF2007-NH  ( PL-geoid2011 )"),
                       264, 486, false);
  QFont small = text->font();
  small.setPixelSize(12);
  text->setFont(small);
  text->adjustSize();
  result_ = new orvane::gui::FilePanel(QStringLiteral("h_evrf2007.1"), client);
  result_->setObjectName(QStringLiteral("Panel11"));
  result_->setGeometry(672, 476, 89, 33);
  result_->setCursor(Qt::PointingHandCursor);
  QPalette palette = result_->palette();
  palette.setColor(QPalette::WindowText, orvane::gui::Navy());
  result_->setPalette(palette);
  connect(input_, &orvane::gui::ClickableLabel::clicked, this,
          [this, open] { open(orvane::StandardFilePath(workFolder_, "H_KRON86")); });
  connect(result_, &orvane::gui::ClickableLabel::clicked, this,
          [this, open] { open(orvane::StandardFilePath(workFolder_, "h_evrf2007.1")); });
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

bool ListOptionControls::HeightTaskSet() const { return heightTask_->isChecked(); }

void ListOptionControls::HighlightResult() {
  result_->Highlight();
  result_->repaint();
}

void ListOptionControls::HighlightPresentFiles() {
  if (orvane::FileExists(orvane::StandardFilePath(workFolder_, "H_KRON86"))) input_->Highlight();
  if (orvane::FileExists(orvane::StandardFilePath(workFolder_, "h_evrf2007.1"))) result_->Highlight();
}

}  // namespace solvanta::gui
