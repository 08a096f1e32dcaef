#pragma once
#include <QString>

#include "gui/qt_ui.h"
#include "platform/ui.h"

namespace ravix::gui {

// Pictures of a scripted run for the documentation: stands in front of the script
// engine and, before the engine answers a message box, shows the box as the desktop
// would, over the open windows, and saves that picture as DIR/box-N.png (N from 1).
// Everything else goes to the engine unchanged.
class ScreenshotUi : public Ui {
 public:
  ScreenshotUi(Ui& engine, QtUi& qt, QString dir) : engine_(engine), qt_(qt), dir_(std::move(dir)) {}

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override {
    return engine_.CreateWindow(resource, owner);
  }
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override {
    return engine_.RunModal(window, handler);
  }
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details = {}) override;
  void Beep() override { engine_.Beep(); }
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                            std::string_view pattern) override {
    return engine_.OpenFileDialog(owner, title, pattern);
  }
  std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                            std::string_view suggested) override {
    return engine_.SaveFileDialog(owner, title, pattern, suggested);
  }
  void ShellOpen(const std::string& target) override { engine_.ShellOpen(target); }
  bool OpenDocument(const std::string& path) override { return engine_.OpenDocument(path); }
  bool StopRequested() override { return engine_.StopRequested(); }
  bool EndRequested() override { return engine_.EndRequested(); }

  // The pictures saved so far.
  const std::vector<QString>& Saved() const { return saved_; }

 private:
  Ui& engine_;
  QtUi& qt_;
  QString dir_;
  int boxes_ = 0;
  std::vector<QString> saved_;
};

}  // namespace ravix::gui
