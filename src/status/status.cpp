#include "status/status.h"

namespace ravix {

namespace {
std::string Padded(const std::string& text) {
  size_t end = 0;
  while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32) ++end;
  return text.substr(0, end) + std::string(80, ' ');
}
}  // namespace

void EndFieldBlank(Window& window) {
  window.SetItemText(IDC_STATUS, " ");
  window.EnableItem(IDC_STATUS, false);
  window.Repaint();
}

void Status::ShowStatus() {
  StatusText = Padded(StatusText);
  if (auto window = StatusWindow.lock()) {
    window->SetItemText(IDC_STATUS, StatusText);
    window->Repaint();
  }
}

void Status::ReportCommandError() {
  auto main = MainWindow.lock();
  if (main) {
    main->EnableItem(IDC_STATUS, true);
    main->Repaint();
    main->SetItemText(IDC_STATUS, " ");
  }
  StatusText = Padded(" ");
  if (main) {
    main->SetItemText(IDC_STATUS, StatusText);
    main->Repaint();
  }
  ShowErrorText(main.get(), "Error");
  if (main) {
    main->EnableItem(IDC_STATUS, false);
    main->Repaint();
  }
}

void Status::SetErrorDetail(std::string detail) {
  detail_ = std::move(detail);
  detailFor_ = ErrorText;
}

std::string Status::ErrorDetail() const { return ErrorText == detailFor_ ? detail_ : std::string(); }

void Status::ShowErrorText(Window* owner, const std::string& caption) {
  Refuse(caption, ErrorText, owner, ErrorDetail());
}

void Status::ReportCommandError(const std::string& text) {
  ErrorText = text;
  ReportCommandError();
}

void Status::SetField(const std::string& text, bool repaint) {
  if (auto window = StatusWindow.lock()) {
    window->SetItemText(IDC_STATUS, text);
    if (repaint) window->Repaint();
  }
}

void Status::EnableField(bool enabled, bool repaint) {
  if (auto window = StatusWindow.lock()) {
    window->EnableItem(IDC_STATUS, enabled);
    if (repaint) window->Repaint();
  }
}

void Status::EndFieldBlank() {
  if (auto window = StatusWindow.lock()) ravix::EndFieldBlank(*window);
}

void Status::Repaint() {
  if (auto window = StatusWindow.lock()) window->Repaint();
}

// Recorded before it is shown: whoever looks at the outcome while the box is up (a
// script's transcript, a session log) sees it already.
void Status::Show(ShownBox box, Window* owner) {
  outcome_.boxes.push_back(box);
  if (OnBox) OnBox(box);
  ui_.MessageBox(owner, box.caption, box.text, MessageButtons::Ok, box.reason);
}

void Status::Done() {
  if (outcome_.ending == Ending::None) outcome_.ending = Ending::Done;
}

void Status::Refuse(const std::string& caption, const std::string& text, Window* owner, const std::string& reason) {
  outcome_.ending = Ending::Refused;
  Show({BoxRole::Refusal, caption, text, reason}, owner);
}

void Status::Warn(const std::string& caption, const std::string& text, Window* owner) {
  Show({BoxRole::Warning, caption, text, {}}, owner);
}

void Status::Report(const std::string& caption, const std::string& text, bool succeeded, const std::string& details) {
  outcome_.ending = succeeded ? Ending::Done : Ending::Refused;
  Show({BoxRole::Report, caption, text, details}, nullptr);
}

void Status::Declined(const std::string& caption, const std::string& text) {
  outcome_.ending = Ending::Declined;
  outcome_.boxes.push_back({BoxRole::Question, caption, text, {}});
  if (OnBox) OnBox(outcome_.boxes.back());
}

}  // namespace ravix
