#pragma once
// The pictures of kvel's main window, drawn by the program itself.
#include <QPixmap>
#include <QSize>

namespace kvel::gui {

// A small levelling network: benchmarks, points and the lines between them, with the
// least-squares condition [pvv] = min written in it.
QPixmap NetworkPicture(const QSize& size);
// A button-like picture with the word INFO and a question mark.
QPixmap InfoButtonPicture(const QSize& size);

}  // namespace kvel::gui
