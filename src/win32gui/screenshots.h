#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "win32gui/win32_ui.h"

struct tagRECT;
struct HWND__;

namespace ravix::win32gui {

// Pictures of a scripted run for the documentation: stands in front of the script
// engine. Before the engine answers a message box, the open windows are shown and the
// real box is put up over them for a moment and saved as DIR/box-N.bmp (N from 1);
// SaveOpenWindows saves each window still open as DIR/window-ID.bmp. Everything else
// goes to the engine unchanged.
class ScreenshotUi : public Ui {
 public:
  ScreenshotUi(Ui& engine, Win32Ui& native, std::string dir);
  ~ScreenshotUi() override;
  ScreenshotUi(const ScreenshotUi&) = delete;
  ScreenshotUi& operator=(const ScreenshotUi&) = delete;

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

  void SaveOpenWindows();
  const std::vector<std::string>& Saved() const { return saved_; }

  // Called by the helper window's timer while a box is up (from its window procedure).
  void CaptureBox();

 private:
  void ShowWindows();
  void Save(const tagRECT& area, const std::string& name);

  Ui& engine_;
  Win32Ui& native_;
  std::string dir_;
  HWND__* timerWindow_ = nullptr;
  int boxes_ = 0;
  std::vector<std::string> saved_;
};

}  // namespace ravix::win32gui
