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
#include "settings/settings_file_keys.h"

namespace ravix::settings_file {

namespace {

using Json = nlohmann::ordered_json;
using namespace panel;

using namespace keys;

const char* SlotName(SettingSlot slot) {
  return slot == SettingSlot::Active ? "active" : slot == SettingSlot::Memory1 ? "memory1" : "memory2";
}

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

// The value as the panel shows it (two or one decimals), as the nearest double, so
// that the file holds 1.9 and not 1.9000000000000001.
double Rounded(double value, double step) {
  char text[32];
  std::snprintf(text, sizeof text, step < 0.05 ? "%.2f" : "%.1f", value);
  return std::strtod(text, nullptr);
}

int CheckedOf(const Window& main, const std::array<int, 3>& buttons) {
  for (size_t i = 0; i < buttons.size(); ++i)
    if (main.IsItemChecked(buttons[i])) return static_cast<int>(i);
  return -1;
}

Json CutoffOf(const Window& main, const SettingsState& state) {
  if (main.IsItemChecked(kPerCell)) return "per-cell";
  const PanelNumber volts = ReadDecimalText(main.GetItemText(kVolts));
  if (volts.wellFormed) return Rounded(volts.value, 0.1);
  if (state.ThresholdCode == kThresholdPerCell) return "per-cell";
  return Rounded(VoltsFromThresholdCode(state.ThresholdCode), 0.1);
}

Json SettingsOf(const Window& main, const SettingsState& state, bool active) {
  Json s = Json::object();
  if (active)
    for (const Field& pulse : kFields)
      if (pulse.kind == ValueKind::Pulse)
        if (const PanelNumber ms = ReadDecimalText(main.GetItemText(pulse.id)); ms.wellFormed)
          s[pulse.key] = Rounded(ms.value, 0.01);
  if (main.IsItemChecked(kPwm7k8)) s["pwm-khz"] = 7.8;
  if (main.IsItemChecked(kPwm15k6)) s["pwm-khz"] = 15.6;
  if (active) {
    const PanelInteger speed = ReadIntegerText(main.GetItemText(kControlSpeed), 4);
    if (speed.wellFormed) s["control-speed"] = speed.value;
  }
  const PanelInteger power = ReadIntegerText(main.GetItemText(kStartupPower), 9);
  if (power.wellFormed) s["startup-power"] = power.value;
  const int brake = main.ListSelection(kBrake);
  if (brake >= 0 && brake < 4) s["brake"] = kBrakeNames[static_cast<size_t>(brake)];
  const int timing = main.ListSelection(kTiming);
  if (timing == kTimingAuto) s["timing"] = "auto";
  if (timing >= 0 && timing < kTimingAuto) s["timing"] = kTimingDegrees[static_cast<size_t>(timing)];
  if (const int mode = CheckedOf(main, kModeButtons); mode >= 0)
    s["low-voltage"] = kModeNames[static_cast<size_t>(mode)];
  s["cutoff-volts"] = CutoffOf(main, state);
  if (active)
    if (const int t = CheckedOf(main, kToleranceButtons); t >= 0)
      s["signal-tolerance"] = kToleranceNames[static_cast<size_t>(t)];
  for (const Switch& sw : kSwitches)
    if (active || !sw.activeOnly) s[sw.key] = main.IsItemChecked(sw.id);
  if (active)
    for (const Field& counter : kFields)
      if (counter.kind == ValueKind::Counter)
        if (const PanelInteger value = ReadIntegerText(main.GetItemText(counter.id), 3); value.wellFormed)
          s[counter.key] = value.value;
  return s;
}

// A pulse width as the panel shows it and the file takes it back from the panel.
Json PulseMs(uint16_t count, bool isNeutral) {
  return Rounded(ReadDecimalText(PulseTextFromWord(count, isNeutral)).value, 0.01);
}

Json CutoffOf(const SettingsValues& v) {
  const uint8_t code = *v.Byte(SlotSetting::ThresholdCode);
  if (code == kThresholdPerCell) return "per-cell";
  // With "ignore" the panel shows no voltage: the file takes the code's own.
  if (v.Byte(SlotSetting::LowVoltageMode) == 1) return Rounded(VoltsFromThresholdCode(code), 0.1);
  return Rounded(ReadDecimalText(VoltsText(code)).value, 0.1);
}

// The check boxes' state by the bytes: the option flags' bits and the
// overtemperature byte.
bool SwitchOf(const SettingsValues& v, int control) {
  switch (control) {
    case kOvertempProtect: return v.Byte(SlotSetting::Overtemperature) == 3;
    case kBlockedMotorProtect: return (v.Flags() & option::kBlockedMotor) != 0;
    case kRpmLimit: return (v.Flags() & option::kRpmLimit) != 0;
    case kFreeWheeling: return (v.Flags() & option::kFreeWheeling) != 0;
    case kForwardReverse: return (v.Flags() & option::kForwardReverse) != 0;
    case kRpmControl: return (v.Flags() & option::kRpmControl) != 0;
  }
  return false;
}

// The values as the panel shows them after a Read that read them, key by key in the
// order SettingsOf takes them from the panel.
Json SettingsOf(const SettingsValues& v) {
  const bool active = v.slot == SettingSlot::Active;
  const uint8_t flags = v.Flags();
  const auto byte = [&v](SlotSetting setting) { return v.Byte(setting); };
  Json s = Json::object();
  if (active)
    for (const Field& field : kFields)
      for (size_t i = 0; i < kPulseCount; ++i)
        if (field.id == kPulseFields[i].id && v.pulseCounts[i])
          s[field.key] = PulseMs(*v.pulseCounts[i], kPulseFields[i].isNeutral);
  if (byte(SlotSetting::PwmCode)) {
    const int button = PwmButtonFromCode(v.ClockMhz, *byte(SlotSetting::PwmCode));
    if (button == kPwm7k8) s["pwm-khz"] = 7.8;
    if (button == kPwm15k6) s["pwm-khz"] = 15.6;
  }
  if (active && v.controlSpeed) s["control-speed"] = *v.controlSpeed;
  if (byte(SlotSetting::StartupPower)) s["startup-power"] = *byte(SlotSetting::StartupPower);
  // The brake strength counts only with the EMF-brake flag set.
  const std::optional<uint8_t> strength = byte(SlotSetting::BrakeStrength);
  if (!(flags & option::kEmfBrake))
    s["brake"] = kBrakeNames[0];
  else if (strength && *strength < kBrakeNames.size())
    s["brake"] = kBrakeNames[*strength];
  if (byte(SlotSetting::TimingCode)) {
    const int timing = TimingIndexFromBytes(flags, *byte(SlotSetting::TimingCode));
    s["timing"] = timing == kTimingAuto ? Json("auto") : Json(kTimingDegrees[static_cast<size_t>(timing)]);
  }
  if (const auto mode = byte(SlotSetting::LowVoltageMode); mode && *mode >= 1 && *mode <= kModeNames.size())
    s["low-voltage"] = kModeNames[*mode - 1u];
  if (byte(SlotSetting::ThresholdCode)) s["cutoff-volts"] = CutoffOf(v);
  if (active && v.signalTolerance >= 1 && v.signalTolerance <= kToleranceNames.size())
    s["signal-tolerance"] = kToleranceNames[*v.signalTolerance - 1u];
  for (const Switch& sw : kSwitches)
    if (active || !sw.activeOnly) s[sw.key] = SwitchOf(v, sw.id);
  if (active)
    for (size_t i = 0; i < kCounterCount; ++i) {
      // The reduced controller's panel shows only the transmitter failures.
      if (!v.counters[i] || (v.ReducedController() && i != kTransmitterFailureCount)) continue;
      for (const Field& field : kFields)
        if (field.id == kCounterControls[i]) s[field.key] = *v.counters[i];
    }
  return s;
}

Json ControllerOf(const SettingsValues& v) {
  const int version = v.ControllerVersion;
  return {{"type", v.ControllerType()},
          {"version", Hex2(version >> 8) + "." + Hex2(version)},
          {"features", Hex2(v.Features)},
          {"clock-mhz", v.ClockMhz}};
}

std::string FileText(const SettingsValues& identity, const char* slotName, Json settings) {
  Json file = Json::object();
  file["format"] = kFormat;
  file["controller"] = ControllerOf(identity);
  file["slot"] = slotName;
  file["settings"] = std::move(settings);
  return file.dump(2) + "\n";
}

}  // namespace

std::string SaveJson(const Window& main, const SettingsState& state, SettingSlot slot, const char* slotName) {
  return FileText(state.LastRead, slotName ? slotName : SlotName(slot),
                  SettingsOf(main, state, slot == SettingSlot::Active));
}

std::string JsonFromValues(const SettingsValues& values, const char* slotName) {
  return FileText(values, slotName ? slotName : SlotName(values.slot), SettingsOf(values));
}

namespace {
constexpr char kPattern[] = "Settings files (*.json)";
constexpr size_t kMaxFileBytes = 1 << 20;  // a settings file is a few hundred bytes

bool PanelShowsActiveSet(const Window& main) { return main.IsItemEnabled(kWrite); }
}  // namespace

void SaveSettingsAs(Status& status, const SettingsState& state, Window& main) {
  Ui& ui = status.ui();
  if (!state.ValuesRead()) {
    status.Refuse("Error!", "Read values first!");
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
    status.Refuse("Error!", "Read values first!");
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
  for (const Switch& sw : kSwitches)
    if (key == sw.key) return true;
  return false;
}

bool IsActiveOnlyKey(std::string_view key) {
  const SettingRow* row = FindSetting(key);
  return row && row->activeOnly;
}

std::vector<const char*> MemoryKeys() {
  std::vector<const char*> memory(kChoiceKeys.begin(), kChoiceKeys.end());
  for (const Field& field : kFields)
    if (!field.activeOnly) memory.push_back(field.key);
  for (const Switch& sw : kSwitches)
    if (!sw.activeOnly) memory.push_back(sw.key);
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
