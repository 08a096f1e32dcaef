#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/terminal.h"
#include "platform/ui.h"

namespace ravix::cli {

// "CAPTION TEXT" as one line, without the text's line ends; an empty caption is left out.
std::string BoxLine(std::string_view caption, std::string_view text);

// The user interface of one task command: the windows are the headless backend's,
// the main window runs the task instead of waiting for clicks, questions are asked on
// the terminal, and an update's progress goes to the terminal's display. The boxes
// with one OK button are the commands' outcomes, which the task itself tells by their
// roles (Status::OnBox): here they only need an answer.
class TaskUi : public Ui {
 public:
  TaskUi(Ui& backend, Terminal& terminal, bool yes);

  // Runs when the main window opens, with its window and command dispatch; the
  // exit status. The window then ends without saving the port (command 1).
  std::function<int(Window& main, WindowHandler& handler)> mainTask;
  // Runs when a tool dialog opens over the main window; the dialog ends after it.
  std::function<void(Window& dialog, WindowHandler& handler)> dialogTask;
  // Called when the user (or --yes) agreed to a question: the update's transfer
  // follows at once.
  std::function<void()> onAgreed;
  // The file the open-file dialog returns (once).
  std::optional<std::string> fileChoice;

  int ExitStatus() const { return exitStatus_; }

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons = MessageButtons::Ok, std::string_view details = {}) override;
  void Beep() override {}
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title, std::string_view pattern) override;
  void ShellOpen(const std::string& target) override;
  // The second Ctrl+C of a transfer, or SIGTERM.
  bool StopRequested() override { return terminal_.StopRequested() || Ui::StopRequested(); }

 private:
  Ui& backend_;
  Terminal& terminal_;
  bool yes_;
  int exitStatus_ = 0;
};

}  // namespace ravix::cli
