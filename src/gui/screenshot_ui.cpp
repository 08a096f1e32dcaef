#include "gui/screenshot_ui.h"
#include "gui/window_picture.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>

namespace ravix::gui {

MessageResult ScreenshotUi::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                       MessageButtons buttons, std::string_view details) {
  std::vector<QWidget*> windows;
  for (const auto& window : qt_.OpenWindows()) {
    window->Show();
    windows.push_back(&window->Dialog());
  }
  auto box = QtUi::MakeMessageBox(owner, caption, text, buttons, details);
  box->setWindowModality(Qt::ApplicationModal);
  box->show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  windows.push_back(box.get());

  // The windows as they lie on the screen, the box on top; the tool's windows dimmed
  // a little, as behind a modal box.
  QRect area;
  for (QWidget* w : windows) area |= WindowPictureRect(*w);
  QPixmap picture(area.size());
  picture.fill(QColor(0x3c, 0x3f, 0x41));
  QPainter painter(&picture);
  for (QWidget* w : windows) {
    const QRect at = WindowPictureRect(*w).translated(-area.topLeft());
    painter.drawPixmap(at.topLeft(), WindowPicture(*w));
    if (w != box.get()) painter.fillRect(at, QColor(0, 0, 0, 40));
  }
  painter.end();
  QDir().mkpath(dir_);
  const QString path = QDir(dir_).filePath(QStringLiteral("box-%1.png").arg(++boxes_));
  if (Compact(picture).save(path, "PNG", 0)) saved_.push_back(path);
  box->hide();
  return engine_.MessageBox(owner, caption, text, buttons, details);
}

}  // namespace ravix::gui
