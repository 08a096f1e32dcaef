#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// Settings kept in a file on the PC: one JSON object with named keys in the units
// the panel shows (docs/settings-file.md). It is made from the panel and goes back
// into the panel; the controller is only ever written by the Write commands.
namespace settings_file {

inline constexpr int kFormat = 1;  // raised only when an older reader would misread a file

// The panel's texts (as the last read of slot left them) as a settings file: what the
// file from the values must agree with, key for key (the tests hold them to it).
// slotName: what the file calls the slot when the caller cannot tell which memory.
std::string SaveJson(const Window& main, const SettingsState& state, SettingSlot slot, const char* slotName = nullptr);
// The same file made from values a Read read (or a Write took from the panel), through
// the panel's conversions: right after a Read it is SaveJson's file byte for byte.
std::string JsonFromValues(const SettingsValues& values, const char* slotName = nullptr);

// Fills the panel from a settings file as the user would: typing into fields,
// choosing list entries and clicking buttons (click sends a button's command to the
// window after its check mark changed, as a click does). The whole file is checked
// before the first control changes; a refusal names the key and changes nothing.
// The answer: empty when the panel was filled, else the refusal's text.
std::string LoadJson(Window& main, const SettingsState& state, SettingSlot slot, std::string_view text,
                     const std::function<void(int command)>& click);

// Whether a key of the file's settings is a switch (true or false).
bool IsSwitchKey(std::string_view key);

// Whether a key of the file's settings exists only in the active set (a model memory
// has no byte for it).
bool IsActiveOnlyKey(std::string_view key);
// The keys of a model memory, as saving one writes them.
std::vector<const char*> MemoryKeys();
// The settings keys of a file that a model memory does not hold (a load into one
// passes over them), in alphabetical order; none when the text is no settings file.
std::vector<std::string> ActiveOnlyKeysIn(std::string_view text);
// The keys of a model memory that a file leaves out, separated by ", "; empty when it
// names them all, or when it is no settings file (loading it says why).
std::string MissingMemoryKeys(std::string_view text);

// The file's values as "name  value" lines, for people reading them on a terminal.
std::string TableFromJson(const std::string& json);

// The File menu's commands on the desktop. The panel shows the active set while
// "Write" is enabled, and a model memory after "Read Memory1/2".
// "Save Settings As...": the panel's values into a file the user names.
void SaveSettingsAs(Status& status, const SettingsState& state, Window& main);
// "Load Settings...": a file the user chooses fills the panel; the user then presses
// Write. Nothing goes to the controller here.
void LoadSettings(Status& status, const SettingsState& state, Window& main, const std::function<void(int command)>& click);

}  // namespace settings_file
}  // namespace ravix
