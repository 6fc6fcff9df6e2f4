#pragma once
// The toolkit's own texts in Polish: the buttons of the message boxes (Tak, Nie, Anuluj), the
// open, save, print and font dialogs. Both programs install them at start, before any window.

namespace orvane::gui {

// Loads Qt's Polish translations (qtbase_pl, from the toolkit's translations folder) into the
// application. True when they were found and installed; without them the dialogs stay English.
// Call it once, after the QApplication exists.
bool InstallPolishQtTexts();

}  // namespace orvane::gui
