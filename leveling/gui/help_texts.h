#pragma once
// The texts of kvel's two help windows.
#include <QString>

namespace kvel::gui {

// The general help (opened by the INFO picture).
QString GeneralHelpText();
// The help on the options of a run (opened by "  ?  Opcje  obliczeń: ").
QString OptionsHelpText();

}  // namespace kvel::gui
