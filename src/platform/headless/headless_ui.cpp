#include "platform/headless/headless_ui.h"

namespace ravix {

std::shared_ptr<Window> HeadlessUi::CreateWindow(const DialogResource& resource, Window* owner) {
  auto window = std::make_shared<HeadlessWindow>(resource, owner);
  windows.push_back(window);
  return window;
}

int HeadlessUi::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  while (!window->Ended()) {
    if (events.empty()) {
      // Nothing more will happen: close the window as its close box would.
      handler.OnCommand(*window, 2);
      if (!window->Ended()) window->End(2);
      break;
    }
    auto event = std::move(events.front());
    events.pop_front();
    event(*window, handler);
  }
  return window->Result();
}

MessageResult HeadlessUi::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                     MessageButtons buttons, std::string_view details) {
  MessageResult answer = MessageResult::Ok;
  if (buttons == MessageButtons::OkCancel && !answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  messages.push_back({owner, std::string(caption), std::string(text), buttons, answer, std::string(details)});
  return answer;
}

std::optional<std::string> HeadlessUi::OpenFileDialog(Window*, std::string_view, std::string_view) {
  if (fileChoices.empty()) return std::nullopt;
  auto choice = fileChoices.front();
  fileChoices.pop_front();
  return choice;
}

}  // namespace ravix
