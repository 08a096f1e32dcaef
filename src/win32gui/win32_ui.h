#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "win32gui/win32_window.h"

namespace ravix::win32gui {

// The user interface on the Windows API: windows of native controls built from their
// tables, MessageBoxW, the common open-file dialog, ShellExecuteW, MessageBeep.
class Win32Ui : public Ui {
 public:
  // now: the milliseconds of the clock the tool runs on, for the windows' time left
  // of a long command; none: the system's.
  explicit Win32Ui(std::function<uint32_t()> now = {}) : now_(std::move(now)) {}

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons = MessageButtons::Ok, std::string_view details = {}) override;
  void Beep() override;
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                            std::string_view pattern) override;
  std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                            std::string_view suggested) override;
  void ShellOpen(const std::string& target) override;
  bool OpenDocument(const std::string& path) override;
  bool StopRequested() override;

  // The windows that exist and have not ended, oldest first.
  std::vector<std::shared_ptr<Win32Window>> OpenWindows();

  // From now on (for the windows made after this) a request from outside to end
  // (the session's end, the console's close, Ctrl+C) ends the program as its user
  // would: a box or file dialog that is open is cancelled, then the tool's dialogs
  // and the main window close as with their close box, each once its command has
  // ended. A command in progress looks at the request itself.
  void EndOnOutsideRequest() { endOnRequest_ = true; }

 private:
  std::function<uint32_t()> now_;
  void LookForEnd();

  std::vector<std::weak_ptr<Win32Window>> windows_;
  bool endOnRequest_ = false;
};

// The box's text: the tool's own words, then what the system said about the failure.
std::string MessageText(std::string_view text, std::string_view details);

// The open-file dialog's filter for a pattern such as "*.upd": the pattern, then all
// files, each as a name and a pattern, every string ended by a zero and the list by one more.
std::wstring FileFilter(std::string_view pattern);

}  // namespace ravix::win32gui
