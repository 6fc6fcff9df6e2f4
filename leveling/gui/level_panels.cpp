#include "leveling/gui/level_panels.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QWidget>

#include "common/gui/message_boxes.h"
#include "common/gui/window_parts.h"
#include "common/settings_files.h"
#include "common/work_folder.h"
#include "leveling/field/level_import.h"

namespace kvel::gui {

namespace {

orvane::gui::FilePanel* Panel(QWidget* client, const char* name, const QString& caption, const QRect& place) {
  auto* panel = new orvane::gui::FilePanel(caption, client);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(place);
  panel->setCursor(Qt::PointingHandCursor);
  panel->setFont(orvane::gui::WindowFont(QStringLiteral("MS Sans Serif"), 11, true));
  return panel;
}

QString Joined(const std::vector<std::string>& messages) {
  QStringList lines;
  for (const std::string& m : messages) lines << QString::fromStdString(m);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

bool ImportLevelFilesFromWindow(QWidget* window, const std::string& workFolder, const QStringList& files,
                                const std::string& pattern, const LevelPanelActions& actions) {
  field::ImportOptions options;
  for (const QString& file : files) options.files.push_back(file.toStdString());
  options.turningPoints = pattern;
  field::ImportResult result = field::ImportLevelFiles(workFolder, options);
  if (result.deltahExists) {
    const orvane::gui::BoxButton answer = orvane::gui::Boxes().AskYesNoCancel(
        window, orvane::gui::ApplicationTitle(),
        QStringLiteral("Plik deltah już istnieje.\nZastąpić go danymi z niwelatora?\n(poprzedni zostanie zachowany jako deltah.bak)"));
    if (answer != orvane::gui::BoxButton::Yes) return false;
    options.replace = true;
    result = field::ImportLevelFiles(workFolder, options);
  }
  if (result.status != 0) {
    orvane::gui::Boxes().Message(window, Joined(result.messages));
    return false;
  }
  orvane::gui::Boxes().Information(window, Joined(result.messages));
  if (actions.deltahWritten) actions.deltahWritten();
  if (actions.open) actions.open("dziennik.osn");
  return true;
}

std::function<void()> BuildLevelPanels(QWidget* client, QWidget* window, const std::string& workFolder, LevelPanelActions actions) {
  if (!actions.pickFiles)
    actions.pickFiles = [workFolder](QWidget* parent) {
      return QFileDialog::getOpenFileNames(parent, QStringLiteral("Dane z niwelatora"), QString::fromStdString(workFolder),
                                           QStringLiteral("Dane z niwelatora (*.gsi *.GSI *.dat *.DAT *.txt *.TXT);;Wszystkie pliki (*)"));
    };
  if (!actions.askPattern)
    actions.askPattern = [](QWidget* parent, QString& pattern) {
      bool ok = false;
      const QString text = QInputDialog::getText(
          parent, QStringLiteral("Punkty zmienne"),
          QStringLiteral("Wzorzec nazw punktów zmiennych (wyrażenie regularne;\npusty: każde stanowisko jest odcinkiem):"),
          QLineEdit::Normal, pattern, &ok);
      if (ok) pattern = text.trimmed();
      return ok;
    };
  // The pattern is kept in the user's settings, or in the one file a caller names.
  const orvane::SettingsFiles settings =
      actions.iniPath.empty() ? orvane::FindSettingsFiles() : orvane::SettingsFiles{actions.iniPath, {actions.iniPath}};

  auto* level = Panel(client, "Panel8", QStringLiteral("DANE Z NIWELATORA"), QRect(24, 273, 153, 21));
  QObject::connect(level, &orvane::gui::ClickableLabel::clicked, window, [window, workFolder, actions, settings] {
    const QStringList files = actions.pickFiles(window);
    if (files.isEmpty()) return;
    QString pattern = QString::fromStdString(
        orvane::ReadSetting(settings, field::kTurningPointsSection, field::kTurningPointsKey, ""));
    if (!actions.askPattern(window, pattern)) return;
    orvane::WriteSetting(settings, field::kTurningPointsSection, field::kTurningPointsKey, pattern.toStdString());
    ImportLevelFilesFromWindow(window, workFolder, files, pattern.toStdString(), actions);
  });

  auto* closures = Panel(client, "Panel9", QStringLiteral("ZAMKNIĘCIA.osn"), QRect(232, 273, 129, 21));
  orvane::gui::PaintBackground(closures, closures->palette().color(QPalette::Window), orvane::gui::Navy());
  QObject::connect(closures, &orvane::gui::ClickableLabel::clicked, window, [closures, actions] {
    if (actions.open) actions.open("zamkniecia.osn");
    closures->Highlight();
  });
  auto highlight = [closures, workFolder] {
    if (orvane::FileExists(orvane::StandardFilePath(workFolder, "zamkniecia.osn"))) closures->Highlight();
  };
  highlight();
  return highlight;
}

}  // namespace kvel::gui
