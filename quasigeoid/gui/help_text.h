#pragma once
// The text of solvanta's help window.
#include <QString>

namespace solvanta::gui {

QString HelpText();

}  // namespace solvanta::gui
