#include "platform/headless/headless_window.h"

namespace ravix {

HeadlessWindow::HeadlessWindow(const DialogResource& resource, Window* owner)
    : Window(owner), resource_(resource) {
  for (const auto& c : resource.controls) {
    if (c.id == IDC_STATIC) continue;
    Control control;
    if (c.kind != ControlKind::ComboBox) control.text = c.text;
    if (c.kind == ControlKind::Edit || c.kind == ControlKind::ReadOnlyEdit) control.text = c.text;
    control.enabled = c.enabled;
    controls_[c.id] = control;
  }
  for (const auto& top : resource.menu) {
    if (top.command) menu_[top.command] = {top.text, top.checked, !top.grayed};
    for (const auto& item : top.items)
      if (item.command) menu_[item.command] = {item.text, item.checked, !item.grayed};
  }
}

void HeadlessWindow::SetItemText(int id, std::string_view text) {
  auto it = controls_.find(id);
  if (it == controls_.end()) return;
  it->second.text = std::string(text);
  NotifyText(id, it->second.text);
}

std::string HeadlessWindow::GetItemText(int id) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) return {};
  const Control& c = it->second;
  // A list shows its selected entry in its edit field.
  if (c.selection >= 0 && c.selection < static_cast<int>(c.entries.size())) return c.entries[c.selection];
  return c.text;
}

void HeadlessWindow::EnableItem(int id, bool enabled) {
  if (auto it = controls_.find(id); it != controls_.end()) it->second.enabled = enabled;
}

bool HeadlessWindow::IsItemEnabled(int id) const {
  auto it = controls_.find(id);
  return it != controls_.end() && it->second.enabled;
}

void HeadlessWindow::CheckItem(int id, bool checked) {
  if (auto it = controls_.find(id); it != controls_.end()) it->second.checked = checked;
}

bool HeadlessWindow::IsItemChecked(int id) const {
  auto it = controls_.find(id);
  return it != controls_.end() && it->second.checked;
}

void HeadlessWindow::ListAddString(int id, std::string_view entry) {
  if (auto it = controls_.find(id); it != controls_.end()) it->second.entries.emplace_back(entry);
}

void HeadlessWindow::ListSetSelection(int id, int index) {
  auto it = controls_.find(id);
  if (it == controls_.end()) return;
  Control& c = it->second;
  c.selection = (index >= 0 && index < static_cast<int>(c.entries.size())) ? index : -1;
  c.text = c.selection >= 0 ? c.entries[c.selection] : std::string();
}

int HeadlessWindow::ListSelection(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? -1 : it->second.selection;
}

int HeadlessWindow::ListCount(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? 0 : static_cast<int>(it->second.entries.size());
}

void HeadlessWindow::CheckMenuItem(int command, bool checked) {
  if (auto it = menu_.find(command); it != menu_.end()) it->second.checked = checked;
}

void HeadlessWindow::EnableMenuItem(int command, bool enabled) {
  if (auto it = menu_.find(command); it != menu_.end()) it->second.enabled = enabled;
}

bool HeadlessWindow::IsMenuItemChecked(int command) const {
  auto it = menu_.find(command);
  return it != menu_.end() && it->second.checked;
}

bool HeadlessWindow::IsMenuItemEnabled(int command) const {
  auto it = menu_.find(command);
  return it != menu_.end() && it->second.enabled;
}

void HeadlessWindow::SetMenuItemText(int command, std::string_view text) {
  if (auto it = menu_.find(command); it != menu_.end()) it->second.text = std::string(text);
}

}  // namespace ravix
