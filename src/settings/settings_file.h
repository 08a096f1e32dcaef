#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "settings/settings_image.h"

namespace ravix {

// Settings kept in a file on the PC: one JSON object with named keys in the units
// the panel shows (docs/settings-file.md). It is made from the panel and goes back
// into the panel; the controller is only ever written by the Write commands.
namespace settings_file {

inline constexpr int kFormat = 1;  // raised only when an older reader would misread a file

// The panel's values (as the last read of slot left them) as a settings file.
// slotName: what the file calls the slot when the caller cannot tell which memory.
std::string SaveJson(const Window& main, const SettingsState& state, SettingSlot slot, const char* slotName = nullptr);

// Fills the panel from a settings file as the user would: typing into fields,
// choosing list entries and clicking buttons (click sends a button's command to the
// window after its check mark changed, as a click does). The whole file is checked
// before the first control changes; a refusal names the key and changes nothing.
// The answer: empty when the panel was filled, else the refusal's text.
std::string LoadJson(Window& main, const SettingsState& state, SettingSlot slot, std::string_view text,
                     const std::function<void(int command)>& click);

// The settings keys whose values differ between two settings files, separated by
// ", " (a key that only one of them has counts too); empty when they agree.
std::string DifferingKeys(const std::string& a, const std::string& b);

// Whether a key of the file's settings is a switch (true or false).
bool IsSwitchKey(std::string_view key);

// The file's values as "name  value" lines, for people reading them on a terminal.
std::string TableFromJson(const std::string& json);

// The File menu's commands on the desktop. The panel shows the active set while
// "Write" is enabled, and a model memory after "Read Memory1/2".
// "Save Settings As...": the panel's values into a file the user names.
void SaveSettingsAs(Ui& ui, const SettingsState& state, Window& main);
// "Load Settings...": a file the user chooses fills the panel; the user then presses
// Write. Nothing goes to the controller here.
void LoadSettings(Ui& ui, const SettingsState& state, Window& main, const std::function<void(int command)>& click);

}  // namespace settings_file
}  // namespace ravix
