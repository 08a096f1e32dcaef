#include "settings/settings_file.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <span>

#include "platform/file_access.h"
#include "settings/panel_values.h"
#include "settings/settings_commands.h"
#include "settings/setting_table.h"
#include "status/messages.h"

namespace ravix::settings_file {

namespace {

using Json = nlohmann::ordered_json;
using namespace panel;

constexpr char kPattern[] = "Settings files (*.json)";
constexpr size_t kMaxFileBytes = 1 << 20;  // a settings file is a few hundred bytes

bool PanelShowsActiveSet(const Window& main) { return main.IsItemEnabled(kWrite); }

}  // namespace

void SaveSettingsAs(Status& status, const SettingsState& state, Window& main) {
  Ui& ui = status.ui();
  if (!state.ValuesRead()) {
    status.Refuse("Error!", msg::kReadValuesFirst);
    return;
  }
  const bool active = PanelShowsActiveSet(main);
  // The file keeps what a Write of the panel would write, so the panel's own checks
  // refuse what a Write would refuse.
  SettingsValues values;
  const std::string refused = TakePanelValues(main, state, active ? SettingSlot::Active : SettingSlot::Memory1, values);
  if (!refused.empty()) {
    status.Refuse("Error!", refused, &main);
    return;
  }
  const auto path = ui.SaveFileDialog(&main, "Save Settings As", kPattern, active ? "settings.json" : "memory.json");
  if (!path) return;
  const std::string json = JsonFromValues(values, active ? nullptr : "memory");
  std::string why;
  const auto* bytes = reinterpret_cast<const uint8_t*>(json.data());
  if (!ReplaceChosenFile(*path, std::span<const uint8_t>(bytes, json.size()), &why)) {
    status.Refuse("Error!", "Cannot write the settings file!", &main, why);
    return;
  }
  status.Done();
}

void LoadSettings(Status& status, const SettingsState& state, Window& main, const std::function<void(int)>& click) {
  Ui& ui = status.ui();
  if (!state.ValuesRead()) {
    status.Refuse("Error!", msg::kReadValuesFirst);
    return;
  }
  const auto path = ui.OpenFileDialog(&main, "Load Settings", kPattern);
  if (!path) return;
  std::string why;
  const auto bytes = ReadRegularFile(*path, kMaxFileBytes, &why);
  if (!bytes) {
    status.Refuse("Error!", "Cannot read the settings file!", &main, why);
    return;
  }
  const std::string text(bytes->begin(), bytes->end());
  const SettingSlot slot = PanelShowsActiveSet(main) ? SettingSlot::Active : SettingSlot::Memory1;
  const std::string refused = LoadJson(main, state, slot, text, click);
  // The clicks were commands of their own: the load's outcome starts after them.
  status.BeginCommand();
  if (!refused.empty())
    status.Refuse("Error!", refused, &main);
  else
    status.Done();
}

bool IsSwitchKey(std::string_view key) {
  const SettingRow* row = FindSetting(key);
  return row && row->kind == SettingKind::Switch;
}

bool IsActiveOnlyKey(std::string_view key) {
  const SettingRow* row = FindSetting(key);
  return row && row->activeOnly;
}

std::vector<const char*> MemoryKeys() {
  // The lists and groups first, then the fields, then the check boxes.
  std::vector<const char*> memory;
  for (SettingKind kind : {SettingKind::Choice, SettingKind::Decimal, SettingKind::Level, SettingKind::Counter,
                           SettingKind::Switch})
    for (const SettingRow& row : SettingRows())
      if (row.kind == kind && !row.activeOnly) memory.push_back(row.key);
  return memory;
}

std::string TableFromJson(const std::string& json) {
  const Json file = Json::parse(json, nullptr, false);
  if (file.is_discarded() || !file.is_object()) return "";
  std::string table;
  auto row = [&table](const std::string& key, const Json& value) {
    std::string shown = value.is_string() ? value.get<std::string>() : value.dump();
    char line[160];
    std::snprintf(line, sizeof line, "%-26s %s\n", key.c_str(), shown.c_str());
    table += line;
  };
  if (file.contains("controller"))
    for (const auto& [key, value] : file["controller"].items()) row("controller " + key, value);
  if (file.contains("slot")) row("slot", file["slot"]);
  if (file.contains("settings"))
    for (const auto& [key, value] : file["settings"].items()) row(key, value);
  return table;
}

}  // namespace ravix::settings_file
