#include "settings/panel_values.h"

#include <initializer_list>
#include <optional>

#include "resources/ids.h"
#include "settings/setting_table.h"
#include "settings/settings_commands.h"

namespace ravix {

namespace {

constexpr char kFullSpeedRange[] = "full speed 1.8 - 2.3ms !";
// 1.7 itself reads as a hair above 1.7 in single precision and is refused, so the
// message names the last value that passes.
constexpr char kStopRange[] = "stop/ret. 0.8 - 1.69ms !";
constexpr char kNeutralNotNumber[] = "neutral: number expected (ms)!";
constexpr char kThresholdRange[] = "Wert 'Schwelle' 5.3V - 10.5V!";
constexpr char kCounterForm[] = "log counter: up to 3 digits!";

// The RPM-control word holds a timer count; above this it stands for no usable speed.
constexpr int kRpmControlMax = 65000;

// The checked button of a group, or 0.
int CheckedOf(const Window& main, std::initializer_list<int> group) {
  for (int id : group)
    if (main.IsItemChecked(id)) return id;
  return 0;
}

}  // namespace

std::string TakePulseWidths(const Window& main, const SettingsState& state, SettingsValues& v) {
  using namespace panel;
  // The limits are compared with the single-precision values the controller will
  // get: 2.3 passes, 1.79 does not; 1.69 passes, 1.7 does not.
  const PanelNumber fullSpeed = ReadDecimalText(main.GetItemText(kFullSpeed));
  if (!fullSpeed.wellFormed || fullSpeed.value > 2.3 || fullSpeed.value < 1.79) return kFullSpeedRange;
  const PanelNumber stop = ReadDecimalText(main.GetItemText(kStop));
  if (!stop.wellFormed || stop.value > 1.7 || stop.value < 0.79) return kStopRange;
  const PanelNumber neutral = ReadDecimalText(main.GetItemText(kNeutral));
  // A field without any number reads as 0, which the neutral rules below refuse; a
  // number with other characters beside it is refused as such.
  if (neutral.hasNumber && !neutral.wellFormed) return kNeutralNotNumber;
  if (static_cast<double>(fullSpeed.value) - static_cast<double>(neutral.value) < 0.25) {
    return "neutral-full speed >= 0.25ms !";
  }
  if (static_cast<double>(neutral.value) - static_cast<double>(stop.value) < 0.069) {
    return "neutral-stop >= 0.07ms !";
  }
  // A field that still shows what the Read showed is written back as it was read;
  // a typed one goes through the controller's own conversion.
  const PanelNumber* numbers[kPulseCount] = {&fullSpeed, &neutral, &stop};
  for (size_t i = 0; i < kPulseCount; ++i) {
    const bool isNeutral = kPulseFields[i].isNeutral;
    const std::optional<uint16_t>& read = state.LastRead.pulseCounts[i];
    const bool asRead = read && main.GetItemText(kPulseFields[i].id) == PulseTextFromWord(*read, isNeutral);
    v.pulseCounts[i] = asRead ? *read : PulseWordFromValue(numbers[i]->value, isNeutral);
  }
  return {};
}

namespace {

std::string TakeRpmControlConflicts(const Window& main, const SettingsState& state, bool active, SettingsValues& v) {
  using namespace panel;
  // A model memory has no RPM control (the Write of one clears its check box first).
  const bool rpmControl = active && main.IsItemChecked(kRpmControl);
  if (const int brake = main.ListSelection(kBrake); brake >= 0)
    v.Byte(SlotSetting::BrakeStrength) = static_cast<uint8_t>(brake);
  if (rpmControl && v.Byte(SlotSetting::BrakeStrength) != 0) return "rpm control: break not possible!";
  if (rpmControl && main.IsItemChecked(kOvertempProtect)) {
    return "Overtemp. cutoff with RPM-controller not possible!";
  }
  if (rpmControl && (state.RpmControl == 0 || state.RpmControl > kRpmControlMax)) {
    return "rpm control: values missing!";
  }
  if (rpmControl && main.IsItemChecked(kSwitchOff)) return "Low voltage cutoff with RPM-controller not possible!";
  return {};
}

std::string TakeThreshold(const Window& main, const SettingsState& state, SettingsValues& v) {
  using namespace panel;
  // With "ignore" the code stays as the read or the panel rules left it.
  int code = state.ThresholdCode;
  if (main.IsItemChecked(kReducePower) || main.IsItemChecked(kSwitchOff)) {
    if (main.IsItemChecked(kPerCell)) {
      code = kThresholdPerCell;
    } else {
      const PanelNumber volts = ReadDecimalText(main.GetItemText(kVolts));
      if (!volts.wellFormed || volts.value < 5.3 || volts.value > 10.5) return kThresholdRange;
      code = ThresholdCodeFromVolts(volts.value);
    }
  }
  v.Byte(SlotSetting::ThresholdCode) = static_cast<uint8_t>(code);
  return {};
}

std::string TakeMotorFields(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  if (main.IsItemChecked(kPwm15k6) && state.LastRead.ClockMhz == 8) {
    return "Takt-Frequenz bei 8MHz nicht m\xC3\xB6glich!";
  }
  if (active) {
    const PanelInteger speed = ReadIntegerText(main.GetItemText(kControlSpeed), 4);
    if (!speed.wellFormed || speed.value < 1 || speed.value > 50) return "Softanlauf 1 - 50!";
    v.controlSpeed = static_cast<uint8_t>(speed.value);
  }
  const int timing = main.ListSelection(kTiming);
  if (timing < 0) return "Timing?";
  v.Byte(SlotSetting::TimingCode) = static_cast<uint8_t>(TimingCodeFromIndex(timing));
  // The fixed-timing flag goes with any list entry but "auto".
  v.Byte(SlotSetting::OptionFlags) = timing == kTimingAuto ? 0 : option::kFixedTiming;
  const PanelInteger power = ReadIntegerText(main.GetItemText(kStartupPower), 9);
  if (!power.wellFormed || power.value < 1 || power.value > 50) return "Leistung Anlauf 1 - 50!";
  v.Byte(SlotSetting::StartupPower) = static_cast<uint8_t>(power.value);
  return {};
}

std::string TakeGroups(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  // Groups and fields that a read of a well-formed controller always fills; anything
  // else would put a byte into the controller that it cannot make sense of.
  if (!v.Byte(SlotSetting::BrakeStrength)) return "EMF brake?";
  const int pwmButton = CheckedOf(main, {kPwm7k8, kPwm15k6});
  if (pwmButton == 0) return "Controller Frequency?";
  const int pwmCode = PwmCodeFromButton(state.LastRead.ClockMhz, pwmButton);
  if (pwmCode < 0) return "Controller Frequency not possible at " + std::to_string(state.LastRead.ClockMhz) + "MHz!";
  v.Byte(SlotSetting::PwmCode) = static_cast<uint8_t>(pwmCode);
  const int modeButton = CheckedOf(main, {kIgnore, kReducePower, kSwitchOff});
  if (modeButton == 0) return "Low Voltage Protection?";
  v.Byte(SlotSetting::LowVoltageMode) = modeButton == kIgnore ? 1 : modeButton == kReducePower ? 2 : 3;
  if (active) {
    const int toleranceButton = CheckedOf(main, {kToleranceSmall, kToleranceMedium, kToleranceHigh});
    if (toleranceButton == 0) return "Signal Tolerance?";
    v.signalTolerance = static_cast<uint8_t>(toleranceButton - kToleranceSmall + 1);
    // A blank counter (as the reduced controller shows its missing ones) is written
    // as 0. Above 255 only the low 8 bits reach the controller.
    const size_t counters = (state.LastRead.Features & feature::kBlockedMotor) ? kCounterCount : kBlockedMotorCount;
    for (size_t i = 0; i < counters; ++i) {
      const PanelInteger counter = ReadIntegerText(main.GetItemText(kCounterControls[i]), 3);
      if (!counter.blank && !counter.wellFormed) return kCounterForm;
      v.counters[i] = static_cast<uint8_t>(counter.blank ? 0 : counter.value);
    }
  }
  return {};
}

// The check boxes, which no check refuses.
void TakeSwitches(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  uint8_t flags = v.Flags();
  for (const SettingRow& row : SettingRows())
    if (row.encoding == Encoding::Flag && (active || !row.activeOnly) && main.IsItemChecked(row.control))
      flags |= row.flag;
  if (active && main.IsItemChecked(kRpmControl)) {
    // The marker tells the firmware that the RPM-control word is valid.
    v.rpmMarker = kRpmMarkerValue;
  }
  if (v.Byte(SlotSetting::BrakeStrength) != 0) flags |= option::kEmfBrake;
  v.Byte(SlotSetting::OptionFlags) = flags;
  v.Byte(SlotSetting::Overtemperature) = main.IsItemChecked(kOvertempProtect) ? 3 : 1;
  if (active) v.rpmControlWord = static_cast<uint16_t>(state.RpmControl);
}

}  // namespace

std::string TakeSlotValues(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v) {
  const bool active = slot == SettingSlot::Active;
  std::string refused = TakeRpmControlConflicts(main, state, active, v);
  if (refused.empty()) refused = TakeThreshold(main, state, v);
  if (refused.empty()) refused = TakeMotorFields(main, state, slot, v);
  if (refused.empty()) refused = TakeGroups(main, state, slot, v);
  if (refused.empty()) TakeSwitches(main, state, slot, v);
  return refused;
}

SettingsValues ValuesToTake(const SettingsState& state, SettingSlot slot) {
  SettingsValues v = state.LastRead;
  v.ForgetSettings(SettingSlot::Active);
  v.slot = slot;
  return v;
}

std::string TakePanelValues(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v) {
  v = ValuesToTake(state, slot);
  if (slot == SettingSlot::Active)
    if (std::string refused = TakePulseWidths(main, state, v); !refused.empty()) return refused;
  return TakeSlotValues(main, state, slot, v);
}

}  // namespace ravix
