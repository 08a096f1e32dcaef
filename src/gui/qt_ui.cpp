#include "gui/qt_ui.h"
#include "gui/window_picture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QUrl>
#include <algorithm>

namespace ravix::gui {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QIcon ProgramIcon() {
  QIcon builtIn;
  for (const char* size : {"48", "128"})
    builtIn.addFile(QStringLiteral(":/icons/ravix-setup-%1.png").arg(QLatin1String(size)));
  return QIcon::fromTheme(QStringLiteral("ravix-setup"), builtIn);
}

std::shared_ptr<Window> QtUi::CreateWindow(const DialogResource& resource, Window* owner) {
  auto window = std::make_shared<QtWindow>(resource, owner, now_);
  std::erase_if(windows_, [](const std::weak_ptr<QtWindow>& w) { return w.expired(); });
  windows_.push_back(window);
  return window;
}

int QtUi::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  auto* qtWindow = dynamic_cast<QtWindow*>(window.get());
  if (!qtWindow) return window->Result();
  return qtWindow->RunModal(handler);
}

std::unique_ptr<QMessageBox> QtUi::MakeMessageBox(Window* owner, std::string_view caption, std::string_view text,
                                                  MessageButtons buttons, std::string_view details) {
  const bool question = buttons == MessageButtons::OkCancel;
  auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, FromUtf8(caption), FromUtf8(text),
                                           question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                                           QtWindow::WidgetOf(owner));
  // The texts are the tool's own plain texts; a "<" in one is not markup.
  box->setTextFormat(Qt::PlainText);
  box->setDefaultButton(QMessageBox::Ok);
  box->setEscapeButton(question ? QMessageBox::Cancel : QMessageBox::Ok);
  if (!details.empty()) box->setDetailedText(FromUtf8(details));
  return box;
}

MessageResult QtUi::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                               MessageButtons buttons, std::string_view details) {
  auto box = MakeMessageBox(owner, caption, text, buttons, details);
  const NormalPointer pointer;
  return box->exec() == QMessageBox::Cancel ? MessageResult::Cancel : MessageResult::Ok;
}

void QtUi::Beep() { QApplication::beep(); }

std::optional<std::string> QtUi::OpenFileDialog(Window* owner, std::string_view title, std::string_view pattern) {
  const NormalPointer pointer;
  const QString chosen = QFileDialog::getOpenFileName(QtWindow::WidgetOf(owner), FromUtf8(title),
                                                      QDir::currentPath(), FromUtf8(pattern));
  if (chosen.isEmpty()) return std::nullopt;
  const QFileInfo file(chosen);
  // The current directory follows the user to the folder of the chosen file.
  QDir::setCurrent(file.absolutePath());
  return file.absoluteFilePath().toUtf8().toStdString();
}

std::optional<std::string> QtUi::SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                                std::string_view suggested) {
  const NormalPointer pointer;
  const QString start = QDir(QDir::currentPath()).filePath(FromUtf8(suggested));
  const QString chosen =
      QFileDialog::getSaveFileName(QtWindow::WidgetOf(owner), FromUtf8(title), start, FromUtf8(pattern));
  if (chosen.isEmpty()) return std::nullopt;
  return QFileInfo(chosen).absoluteFilePath().toUtf8().toStdString();
}

namespace {

// A web address goes as it is; anything else is a file, relative to the current directory.
QUrl TargetUrl(const std::string& target) {
  const QString text = FromUtf8(target);
  return text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

}  // namespace

void QtUi::ShellOpen(const std::string& target) { QDesktopServices::openUrl(TargetUrl(target)); }

// False when the desktop has no way to open files (no xdg-open, no portal).
bool QtUi::OpenDocument(const std::string& path) { return QDesktopServices::openUrl(TargetUrl(path)); }

bool QtUi::StopRequested() {
  for (const auto& window : OpenWindows())
    if (window->StopAsked()) return true;
  // SIGTERM (or the session's end) stops it as the user's own stop does.
  return Ui::StopRequested();
}

std::vector<std::shared_ptr<QtWindow>> QtUi::OpenWindows() {
  std::vector<std::shared_ptr<QtWindow>> open;
  for (const auto& weak : windows_)
    if (auto window = weak.lock(); window && !window->Ended()) open.push_back(window);
  return open;
}

std::vector<QString> QtUi::SaveScreenshots(const QString& dir) {
  std::vector<QString> written;
  QDir().mkpath(dir);
  auto save = [&](const QPixmap& picture, const QString& name) {
    const QString path = QDir(dir).filePath(name);
    if (!picture.isNull() && Compact(picture).save(path, "PNG", 0)) written.push_back(path);
  };
  std::vector<int> seen;
  for (const auto& window : OpenWindows()) {
    window->Show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const int id = window->DialogId();
    const auto count = std::count(seen.begin(), seen.end(), id);
    seen.push_back(id);
    const QString stem = count == 0 ? QStringLiteral("window-%1").arg(id)
                                    : QStringLiteral("window-%1-%2").arg(id).arg(count + 1);
    save(WindowPicture(window->Dialog()), stem + QStringLiteral(".png"));
    if (!window->MenuBar()) continue;
    int n = 0;
    for (QAction* top : window->MenuBar()->actions()) {
      QMenu* menu = top->menu();
      if (!menu) continue;
      ++n;
      menu->popup(window->Dialog().mapToGlobal(window->MenuBar()->actionGeometry(top).bottomLeft()));
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      save(menu->grab(), stem + QStringLiteral("-menu-%1.png").arg(n));
      menu->hide();
    }
  }
  return written;
}

}  // namespace ravix::gui
