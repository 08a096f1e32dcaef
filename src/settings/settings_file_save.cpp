// Making a settings file: from the panel, or from the values a Read read or a Write
// took. Both go key by key through the setting table, in its order.
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>

#include "settings/settings_commands.h"
#include "settings/setting_table.h"
#include "settings/settings_file.h"

namespace ravix::settings_file {

namespace {

using Json = nlohmann::ordered_json;
using namespace panel;

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

// The timing list's entry as a file names it.
Json TimingName(int index) {
  if (index == kTimingAuto) return "auto";
  if (index >= 0 && index < kTimingAuto) return kTimingDegrees[static_cast<size_t>(index)];
  return nullptr;
}

// --- From the panel ---

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

// The setting as the panel shows it; null where the control shows nothing a file holds.
Json PanelValue(const Window& main, const SettingsState& state, const SettingRow& row) {
  const std::string text = row.kind == SettingKind::Switch || row.kind == SettingKind::Choice
                               ? std::string()
                               : main.GetItemText(row.control);
  switch (row.kind) {
    case SettingKind::Decimal:
      if (const PanelNumber ms = ReadDecimalText(text); ms.wellFormed) return Rounded(ms.value, 0.01);
      return nullptr;
    case SettingKind::Level:
    case SettingKind::Counter: {
      // The fields take as many characters as the Write's parse of each does.
      const size_t chars = row.kind == SettingKind::Counter ? 3 : row.control == kControlSpeed ? 4 : 9;
      if (const PanelInteger number = ReadIntegerText(text, chars); number.wellFormed) return number.value;
      return nullptr;
    }
    case SettingKind::Switch: return main.IsItemChecked(row.control);
    case SettingKind::Choice: break;
  }
  switch (row.encoding) {
    case Encoding::PwmCode:
      if (main.IsItemChecked(kPwm15k6)) return 15.6;
      if (main.IsItemChecked(kPwm7k8)) return 7.8;
      return nullptr;
    case Encoding::Brake:
      if (const int brake = main.ListSelection(kBrake); brake >= 0 && brake < static_cast<int>(kBrakeNames.size()))
        return kBrakeNames[static_cast<size_t>(brake)];
      return nullptr;
    case Encoding::Timing: return TimingName(main.ListSelection(kTiming));
    case Encoding::LowVoltageMode:
      if (const int mode = CheckedOf(main, kModeButtons); mode >= 0) return kModeNames[static_cast<size_t>(mode)];
      return nullptr;
    case Encoding::Threshold: return CutoffOf(main, state);
    case Encoding::Tolerance:
      if (const int t = CheckedOf(main, kToleranceButtons); t >= 0) return kToleranceNames[static_cast<size_t>(t)];
      return nullptr;
    default: return nullptr;
  }
}

// --- From the values ---

// A pulse width as the panel shows it and the file takes it back from the panel.
Json PulseMs(uint16_t count, bool isNeutral) {
  return Rounded(ReadDecimalText(PulseTextFromWord(count, isNeutral)).value, 0.01);
}

Json CutoffOf(const SettingsValues& v, uint8_t code) {
  if (code == kThresholdPerCell) return "per-cell";
  // With "ignore" the panel shows no voltage: the file takes the code's own.
  if (v.Byte(SlotSetting::LowVoltageMode) == 1) return Rounded(VoltsFromThresholdCode(code), 0.1);
  return Rounded(ReadDecimalText(VoltsText(code)).value, 0.1);
}

// The setting as the panel shows it after a Read that read these values; null where
// it shows nothing a file holds.
Json ValuesValue(const SettingsValues& v, const SettingRow& row) {
  std::optional<uint8_t> byte;
  if (row.slotByte) byte = v.Byte(*row.slotByte);
  const uint8_t flags = v.Flags();
  switch (row.encoding) {
    case Encoding::PulseCount:
      for (size_t i = 0; i < kPulseCount; ++i)
        if (kPulseFields[i].high == row.address && v.pulseCounts[i])
          return PulseMs(*v.pulseCounts[i], kPulseFields[i].isNeutral);
      return nullptr;
    case Encoding::PwmCode:
      if (!byte) return nullptr;
      switch (PwmButtonFromCode(v.ClockMhz, *byte)) {
        case kPwm7k8: return 7.8;
        case kPwm15k6: return 15.6;
      }
      return nullptr;
    case Encoding::Level:
      if (row.address == address::kControlSpeed) byte = v.controlSpeed;
      return byte ? Json(*byte) : Json(nullptr);
    case Encoding::Brake:
      // The strength counts (and is read) only with the EMF-brake flag set.
      if (!(flags & option::kEmfBrake)) return kBrakeNames[0];
      if (byte && *byte < kBrakeNames.size()) return kBrakeNames[*byte];
      return nullptr;
    case Encoding::Timing: return byte ? TimingName(TimingIndexFromBytes(flags, *byte)) : Json(nullptr);
    case Encoding::LowVoltageMode:
      if (byte && *byte >= 1 && *byte <= kModeNames.size()) return kModeNames[*byte - 1u];
      return nullptr;
    case Encoding::Threshold: return byte ? CutoffOf(v, *byte) : Json(nullptr);
    case Encoding::Tolerance:
      if (v.signalTolerance >= 1 && v.signalTolerance <= kToleranceNames.size())
        return kToleranceNames[*v.signalTolerance - 1u];
      return nullptr;
    case Encoding::Flag: return (flags & row.flag) != 0;
    case Encoding::OnByte: return byte == 3;
    case Encoding::Counter:
      for (size_t i = 0; i < kCounterCount; ++i) {
        // The reduced controller's panel shows only the transmitter failures.
        if (kCounterAddresses[i] != row.address || !v.counters[i]) continue;
        if (v.ReducedController() && i != kTransmitterFailureCount) return nullptr;
        return *v.counters[i];
      }
      return nullptr;
    case Encoding::RpmControlWord: return nullptr;
  }
  return nullptr;
}

template <typename ValueOf>
Json SettingsOf(bool active, const ValueOf& valueOf) {
  Json s = Json::object();
  for (const SettingRow& row : SettingRows()) {
    if (row.activeOnly && !active) continue;
    if (Json value = valueOf(row); !value.is_null()) s[row.key] = std::move(value);
  }
  return s;
}

std::string FileText(const SettingsValues& identity, const char* slotName, Json settings) {
  const int version = identity.ControllerVersion;
  Json file = Json::object();
  file["format"] = kFormat;
  file["controller"] = {{"type", identity.ControllerType()},
                        {"version", Hex2(version >> 8) + "." + Hex2(version)},
                        {"features", Hex2(identity.Features)},
                        {"clock-mhz", identity.ClockMhz}};
  file["slot"] = slotName;
  file["settings"] = std::move(settings);
  return file.dump(2) + "\n";
}

}  // namespace

std::string SaveJson(const Window& main, const SettingsState& state, SettingSlot slot, const char* slotName) {
  const Json settings = SettingsOf(slot == SettingSlot::Active,
                                   [&](const SettingRow& row) { return PanelValue(main, state, row); });
  return FileText(state.LastRead, slotName ? slotName : SlotName(slot), settings);
}

std::string JsonFromValues(const SettingsValues& values, const char* slotName) {
  const Json settings =
      SettingsOf(values.slot == SettingSlot::Active, [&](const SettingRow& row) { return ValuesValue(values, row); });
  return FileText(values, slotName ? slotName : SlotName(values.slot), settings);
}

}  // namespace ravix::settings_file
