#pragma once
#include <QIcon>
#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gui/qt_window.h"
#include "platform/ui.h"

namespace ravix::gui {

// The program's icon: the desktop theme's, else the pictures built into the program.
QIcon ProgramIcon();

// The user interface on Qt 6 Widgets: windows of widgets built from their tables,
// QMessageBox for the message boxes, the desktop's file dialog and "open" action.
// Needs a QApplication.
class QtUi : public Ui {
 public:
  // now: the milliseconds of the clock the tool runs on, for the windows' time left
  // of a long command; none: the computer's.
  explicit QtUi(std::function<uint32_t()> now = {}) : now_(std::move(now)) {}

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details = {}) override;
  void Beep() override;
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                            std::string_view pattern) override;
  std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                            std::string_view suggested) override;
  void ShellOpen(const std::string& target) override;
  bool OpenDocument(const std::string& path) override;
  // The user chose to stop in a window's stop question.
  bool StopRequested() override;

  // The message box as MessageBox shows it, not yet shown.
  static std::unique_ptr<QMessageBox> MakeMessageBox(Window* owner, std::string_view caption, std::string_view text,
                                                     MessageButtons buttons, std::string_view details = {});

  // The windows that exist and have not ended, oldest first.
  std::vector<std::shared_ptr<QtWindow>> OpenWindows();
  // Shows each open window and saves a picture of it as DIR/window-ID.png, and of each
  // of its menus as DIR/window-ID-menu-N.png (N from 1, in the bar's order); the files written.
  std::vector<QString> SaveScreenshots(const QString& dir);

 private:
  std::function<uint32_t()> now_;
  std::vector<std::weak_ptr<QtWindow>> windows_;
};

}  // namespace ravix::gui
