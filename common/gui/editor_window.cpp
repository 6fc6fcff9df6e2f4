#include "common/gui/editor_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>

namespace orvane::gui {

std::optional<QString> EditorDialogs::OpenPath(QWidget*) { return std::nullopt; }
std::optional<QString> EditorDialogs::SavePath(QWidget*) { return std::nullopt; }
bool EditorDialogs::ConfirmPrint(QWidget*, QPrinter&) { return false; }
std::optional<QFont> EditorDialogs::ChooseFont(QWidget*, const QFont&) { return std::nullopt; }

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent), caption_(QStringLiteral("Nowy dokument")) {
  setObjectName(QStringLiteral("TForm4"));
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  setCentralWidget(memo_);
}
EditorWindow::~EditorWindow() = default;
void EditorWindow::SetCaption(const QString& caption) { caption_ = caption; setWindowTitle(caption); }
QString EditorWindow::Text() const { return memo_->toPlainText(); }
QFont EditorWindow::DisplayFont() const { return memo_->font(); }
bool EditorWindow::LoadFile(const QString&) { return false; }
bool EditorWindow::WriteFile(const QString&) { return false; }
void EditorWindow::NewDocument() {}
void EditorWindow::OpenDocument() {}
bool EditorWindow::SaveDocument() { return false; }
bool EditorWindow::SaveDocumentAs() { return false; }
void EditorWindow::PrintDocument() {}
void EditorWindow::ShowFindDialog() {}
bool EditorWindow::FindNext(const QString&) { return false; }
void EditorWindow::CutText() {}
void EditorWindow::CopyText() {}
void EditorWindow::PasteText() {}
void EditorWindow::UndoAndMark() {}
void EditorWindow::UndoOnly() {}
void EditorWindow::ToggleBold() {}
void EditorWindow::ApplySizeBox() {}
void EditorWindow::ChooseFont() {}
bool EditorWindow::CloseWithPrompt() { return close(); }
void EditorWindow::SetDialogs(std::unique_ptr<EditorDialogs> dialogs) { dialogs_ = std::move(dialogs); }
void EditorWindow::closeEvent(QCloseEvent* event) { event->accept(); }
void EditorWindow::showEvent(QShowEvent* event) { QMainWindow::showEvent(event); }
void EditorWindow::BuildToolbar() {}
void EditorWindow::BuildMenus() {}
void EditorWindow::BuildFindDialog() {}
void EditorWindow::TrackBarChanged(int) {}
void EditorWindow::ShowTextContextMenu(const QPoint&) {}
void EditorWindow::SetText(const QString&) {}

EditorWindow* OpenInEditor(const QString& path) {
  auto* window = new EditorWindow();
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetCaption(path);
  window->show();
  return window;
}

void DiscardAllEditors() {}

}  // namespace orvane::gui
