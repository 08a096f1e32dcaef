#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_window.h"
#include "platform/ui.h"

namespace ravix {

// The user interface without a screen: windows of plain values, message boxes
// recorded and answered from a queue, the beep and the desktop's open action
// recorded. A modal window runs the queued events until it ends.
class HeadlessUi : public Ui {
 public:
  struct Message {
    Window* owner;
    std::string caption;
    std::string text;
    MessageButtons buttons;
    MessageResult answer;
    std::string details;
  };

  std::vector<Message> messages;
  std::deque<MessageResult> answers;  // for question boxes; OK when empty
  int beeps = 0;
  std::deque<std::optional<std::string>> fileChoices;  // nothing when empty
  std::vector<std::string> opened;
  // Events for modal windows, in order: each acts on the window that is active.
  std::deque<std::function<void(Window&, WindowHandler&)>> events;
  std::vector<std::shared_ptr<Window>> windows;  // every window created, in order

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details = {}) override;
  void Beep() override { ++beeps; }
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                            std::string_view pattern) override;
  void ShellOpen(const std::string& target) override { opened.push_back(target); }
};

}  // namespace ravix
