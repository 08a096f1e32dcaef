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
  ui_.MessageBox(owner, caption, ErrorText, MessageButtons::Ok, ErrorDetail());
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

MessageResult Status::Message(const std::string& caption, const std::string& text,
                              MessageButtons buttons) {
  return ui_.MessageBox(nullptr, caption, text, buttons);
}

}  // namespace ravix
