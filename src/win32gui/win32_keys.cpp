#include "win32gui/win32_keys.h"

#include <vector>

#include "platform/win32/win32_text.h"
#include "app/control_help.h"
#include "resources/window_help.h"
#include "win32gui/win32_window.h"

#include "platform/win32/windows_api.h"  // last
#include <commctrl.h>

namespace ravix::win32gui {

std::wstring MenuLabel(const std::string& text, int mnemonic, std::string_view keys) {
  std::string marked;
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<int>(i) == mnemonic) marked += '&';
    if (text[i] == '&') marked += '&';
    marked += text[i];
  }
  if (!keys.empty()) marked += "\t" + std::string(keys);
  return ToWide(marked);
}

std::optional<AcceleratorKey> AcceleratorOf(std::string_view keys) {
  uint8_t flags = FVIRTKEY;
  if (keys.starts_with("Ctrl+")) {
    flags |= FCONTROL;
    keys.remove_prefix(5);
  }
  if (keys.size() == 1 && ((keys[0] >= 'A' && keys[0] <= 'Z') || (keys[0] >= '0' && keys[0] <= '9')))
    return AcceleratorKey{flags, static_cast<uint16_t>(keys[0])};
  if (keys.size() >= 2 && keys.size() <= 3 && keys[0] == 'F') {
    int n = 0;
    for (char c : keys.substr(1)) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 24) return AcceleratorKey{flags, static_cast<uint16_t>(VK_F1 + n - 1)};
  }
  return std::nullopt;
}

// The keys of window_help.h: a menu item's beside its text (BuildMenu), a button's as
// an accelerator that presses it.
void Win32Window::AddKeys() {
  std::vector<ACCEL> table;
  for (const CommandKey& key : CommandKeys()) {
    if (key.dialog != resource_.id) continue;
    if (!resource_.FindMenuItem(key.command) && !resource_.FindControl(key.command)) continue;
    if (const auto accelerator = AcceleratorOf(key.keys))
      table.push_back(ACCEL{accelerator->flags, accelerator->key, static_cast<WORD>(key.command)});
  }
  if (!table.empty()) keys_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

bool Win32Window::TranslateKeys(MSG& message) {
  if (!keys_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  return TranslateAcceleratorW(hwnd_, keys_, &message) != 0;
}

void Win32Window::AddToolTips() {
  for (const ControlResource& control : resource_.controls) {
    if (control.id == IDC_STATIC) continue;
    const std::string tip = ControlHelp(resource_.id, control.id);
    HWND item = Control(control.id);
    if (tip.empty() || !item) continue;
    if (!tips_) {
      tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
      if (!tips_) return;
    }
    std::wstring text = ToWide(tip);
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(item);
    info.lpszText = text.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

}  // namespace ravix::win32gui
