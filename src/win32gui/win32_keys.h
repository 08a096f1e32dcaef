#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ravix::win32gui {

// A menu item's text as the menu shows it: its mnemonic at position (an index into
// the UTF-8 text; -1: none) marked with "&", an "&" of the text doubled, and the
// item's keys after a tab ("Save Settings As...\tCtrl+S").
std::wstring MenuLabel(const std::string& text, int mnemonic, std::string_view keys);

// An accelerator of keys as people write them ("Ctrl+S", "F5"): the FVIRTKEY flags
// and the virtual key; nothing for keys it does not know.
struct AcceleratorKey {
  uint8_t flags;
  uint16_t key;
};
std::optional<AcceleratorKey> AcceleratorOf(std::string_view keys);

}  // namespace ravix::win32gui
