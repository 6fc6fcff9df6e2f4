#include "common/gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace orvane::gui {

bool InstallPolishQtTexts() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  // The application owns the translator; it stays for the program's life.
  auto* translator = new QTranslator(app);
  if (!translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace orvane::gui
