#include "cli/task_ui.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "resources/ids.h"

namespace ravix::cli {

namespace {

// The backend's window with its progress sent to the terminal.
class TaskWindow : public Window {
 public:
  TaskWindow(std::shared_ptr<Window> inner, Window* owner, Terminal& terminal)
      : Window(owner), inner_(std::move(inner)), terminal_(terminal) {}

  Window& Inner() { return *inner_; }
  const DialogResource& Resource() const override { return inner_->Resource(); }
  void SetItemText(int id, std::string_view text) override { inner_->SetItemText(id, text); }
  std::string GetItemText(int id) const override { return inner_->GetItemText(id); }
  void EnableItem(int id, bool enabled) override { inner_->EnableItem(id, enabled); }
  bool IsItemEnabled(int id) const override { return inner_->IsItemEnabled(id); }
  void CheckItem(int id, bool checked) override { inner_->CheckItem(id, checked); }
  bool IsItemChecked(int id) const override { return inner_->IsItemChecked(id); }
  void ListAddString(int id, std::string_view entry) override { inner_->ListAddString(id, entry); }
  void ListSetSelection(int id, int index) override { inner_->ListSetSelection(id, index); }
  int ListSelection(int id) const override { return inner_->ListSelection(id); }
  int ListCount(int id) const override { return inner_->ListCount(id); }
  void CheckMenuItem(int command, bool checked) override { inner_->CheckMenuItem(command, checked); }
  void EnableMenuItem(int command, bool enabled) override { inner_->EnableMenuItem(command, enabled); }
  bool IsMenuItemChecked(int command) const override { return inner_->IsMenuItemChecked(command); }
  bool IsMenuItemEnabled(int command) const override { return inner_->IsMenuItemEnabled(command); }
  void Repaint() override { inner_->Repaint(); }
  void ShowProgress(int done, int total) override { terminal_.Progress(done, total); }
  void ShowTimeLeft(int seconds) override { terminal_.TimeLeft(seconds); }
  void End(int result) override {
    inner_->End(result);
    Window::End(result);
  }

 private:
  std::shared_ptr<Window> inner_;
  Terminal& terminal_;
};

}  // namespace

std::string BoxLine(std::string_view caption, std::string_view text) {
  std::string line = caption.empty() ? std::string() : std::string(caption) + " ";
  line += text;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

TaskUi::TaskUi(Ui& backend, Terminal& terminal, bool yes) : backend_(backend), terminal_(terminal), yes_(yes) {}

std::shared_ptr<Window> TaskUi::CreateWindow(const DialogResource& resource, Window* owner) {
  Window* innerOwner = owner;
  if (auto* taskOwner = dynamic_cast<TaskWindow*>(owner)) innerOwner = &taskOwner->Inner();
  auto inner = backend_.CreateWindow(resource, innerOwner);
  auto window = std::make_shared<TaskWindow>(inner, owner, terminal_);
  // The backend's window reports its text changes; whoever watches this one hears them.
  inner->OnTextChanged = [weak = std::weak_ptr<TaskWindow>(window)](int id, const std::string& text) {
    if (auto outer = weak.lock(); outer && outer->OnTextChanged) outer->OnTextChanged(id, text);
  };
  return window;
}

int TaskUi::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  if (window->DialogId() == IDD_MAIN) {
    exitStatus_ = mainTask ? mainTask(*window, handler) : 0;
    // The dialog's OK command: ends without storing a port chosen for this run only.
    if (!window->Ended()) handler.OnCommand(*window, button::kOk);
  } else if (dialogTask) {
    dialogTask(*window, handler);
  }
  if (!window->Ended()) window->End(2);
  return window->Result();
}

MessageResult TaskUi::MessageBox(Window*, std::string_view caption, std::string_view text, MessageButtons buttons,
                                 std::string_view details) {
  if (buttons == MessageButtons::Ok) return MessageResult::Ok;
  const std::string question = BoxLine(caption, text);
  // What the box's details say (the update's expected duration) comes before the question.
  if (!details.empty()) {
    std::string said(details);
    for (size_t at = 0; (at = said.find('\n', at)) != std::string::npos; at += 12) said.replace(at, 1, "\nravix-cli: ");
    std::fprintf(stderr, "ravix-cli: %s\n", said.c_str());
  }
  if (yes_) {
    std::fprintf(stderr, "ravix-cli: %s -> yes (--yes)\n", question.c_str());
    if (onAgreed) onAgreed();
    return MessageResult::Ok;
  }
  if (terminal_.Interactive()) {
    if (terminal_.Confirm(question)) {
      if (onAgreed) onAgreed();
      return MessageResult::Ok;
    }
    return MessageResult::Cancel;
  }
  std::fprintf(stderr, "ravix-cli: %s\nravix-cli: nobody at a terminal to answer; add --yes to agree\n",
               question.c_str());
  return MessageResult::Cancel;
}

std::optional<std::string> TaskUi::OpenFileDialog(Window*, std::string_view, std::string_view) {
  std::optional<std::string> choice;
  choice.swap(fileChoice);
  if (!choice) return std::nullopt;
  // As the desktop's dialog does: the full path, and the current directory moves to
  // the file's folder.
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(*choice, error).lexically_normal();
  std::filesystem::current_path(path.parent_path(), error);
  return path.string();
}

void TaskUi::ShellOpen(const std::string& target) { std::printf("open %s\n", target.c_str()); }

}  // namespace ravix::cli
