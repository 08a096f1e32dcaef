#include <array>
#include <cstdio>
#include <optional>

#include "protocol/link_check.h"
#include "settings/settings_commands.h"
#include "status/messages.h"

namespace ravix {

namespace {

// A ready first answer is trusted: the values were just read from this controller.
// After a restart anything but 254 counts as no answer.
constexpr LinkCheck kWriteCheck{
    .steps = {.secondAlways = false, .otherDistinct = false},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {},
    .noAnswer = {.tell = Tell::CommandError, .text = msg::kNoConnection},
};

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

void SettingsCommands::Refuse(Window& main, const std::string& text) {
  status_.Refuse("Error!", text);
  EndFieldBlank(main);
}

void SettingsCommands::Write(Window& main, SettingSlot slot) {
  // What the checks take from the panel: the bytes to come, as a Read would find them.
  SettingsValues values = settings_.LastRead;
  values.ForgetSettings(SettingSlot::Active);
  values.slot = slot;
  if (!Validate(main, slot, values)) return;
  if (!WriteSlot(slot, values)) {
    EndFieldBlank(main);
    return;
  }
  // A silent controller's data line reads as all ones, so the read-back of a byte
  // of 255 passes without it: one more link exchange shows that it still answers.
  if (!protocol_.LinkStillReady()) {
    settings_.LastRead.ControllerVersion = SettingsState::kVersionInvalid;
    status_.ReportCommandError(msg::kNoConnection);
    return;
  }
  main.SetItemText(IDC_STATUS, "OK");
  main.EnableItem(IDC_STATUS, false);
  main.Repaint();
  status_.ui().Beep();
  status_.Done();
}

// Everything is checked before the first byte goes out, so a refusal leaves the
// controller as it was. Each step reports its own refusal and ends the command.
bool SettingsCommands::Validate(Window& main, SettingSlot slot, SettingsValues& v) {
  if (!(StartWrite(main) && TakePulseWidths(main, v) && PrepareSlot(main, slot) &&
        TakeRpmControlConflicts(main, v) && TakeThreshold(main) && TakeMotorFields(main, slot, v) &&
        TakeGroups(main, slot, v)))
    return false;
  TakeSwitches(main, slot, v);
  return ConnectForWrite(main, slot);
}

bool SettingsCommands::StartWrite(Window& main) {
  if (!settings_.ValuesRead()) {
    status_.Refuse("Error!", msg::kReadValuesFirst);
    return false;
  }
  status_.StatusWindow = status_.MainWindow;
  return StartConnecting(link_, status_, main, nullptr);
}

bool SettingsCommands::TakePulseWidths(Window& main, SettingsValues& v) {
  using namespace panel;
  // The limits are compared with the single-precision values the controller will
  // get: 2.3 passes, 1.79 does not; 1.69 passes, 1.7 does not.
  const PanelNumber fullSpeed = ReadDecimalText(main.GetItemText(kFullSpeed));
  if (!fullSpeed.wellFormed || fullSpeed.value > 2.3 || fullSpeed.value < 1.79) {
    Refuse(main, kFullSpeedRange);
    return false;
  }
  const PanelNumber stop = ReadDecimalText(main.GetItemText(kStop));
  if (!stop.wellFormed || stop.value > 1.7 || stop.value < 0.79) {
    Refuse(main, kStopRange);
    return false;
  }
  const PanelNumber neutral = ReadDecimalText(main.GetItemText(kNeutral));
  // A field without any number reads as 0, which the neutral rules below refuse; a
  // number with other characters beside it is refused as such.
  if (neutral.hasNumber && !neutral.wellFormed) {
    Refuse(main, kNeutralNotNumber);
    return false;
  }
  if (static_cast<double>(fullSpeed.value) - static_cast<double>(neutral.value) < 0.25) {
    Refuse(main, "neutral-full speed >= 0.25ms !");
    return false;
  }
  if (static_cast<double>(neutral.value) - static_cast<double>(stop.value) < 0.069) {
    Refuse(main, "neutral-stop >= 0.07ms !");
    return false;
  }
  // A field that still shows what the Read showed is written back as it was read;
  // a typed one goes through the controller's own conversion.
  const PanelNumber* numbers[kPulseCount] = {&fullSpeed, &neutral, &stop};
  for (size_t i = 0; i < kPulseCount; ++i) {
    const bool isNeutral = kPulseFields[i].isNeutral;
    const std::optional<uint16_t>& read = settings_.LastRead.pulseCounts[i];
    const bool asRead = read && main.GetItemText(kPulseFields[i].id) == PulseTextFromWord(*read, isNeutral);
    v.pulseCounts[i] = asRead ? *read : PulseWordFromValue(numbers[i]->value, isNeutral);
  }
  return true;
}

bool SettingsCommands::PrepareSlot(Window& main, SettingSlot slot) {
  if (slot != SettingSlot::Active) {
    // A memory holds none of the active set's own values: the panel shows them
    // empty from here on, and the next "Write" needs a fresh "Read".
    PreparePanelForMemory(main);
    if (settings_.Release() < kFirstMemoryRelease) {
      status_.ReportCommandError(msg::kControllerTooOldEn);
      return false;
    }
  }
  return true;
}

bool SettingsCommands::TakeRpmControlConflicts(Window& main, SettingsValues& v) {
  using namespace panel;
  const bool rpmControl = main.IsItemChecked(kRpmControl);
  if (const int brake = main.ListSelection(kBrake); brake >= 0)
    v.Byte(SlotSetting::BrakeStrength) = static_cast<uint8_t>(brake);
  if (rpmControl && v.Byte(SlotSetting::BrakeStrength) != 0) {
    Refuse(main, "rpm control: break not possible!");
    return false;
  }
  if (rpmControl && main.IsItemChecked(kOvertempProtect)) {
    Refuse(main, "Overtemp. cutoff with RPM-controller not possible!");
    return false;
  }
  if (rpmControl && (settings_.RpmControl == 0 || settings_.RpmControl > kRpmControlMax)) {
    Refuse(main, "rpm control: values missing!");
    return false;
  }
  if (rpmControl && main.IsItemChecked(kSwitchOff)) {
    Refuse(main, "Low voltage cutoff with RPM-controller not possible!");
    return false;
  }
  return true;
}

bool SettingsCommands::TakeThreshold(Window& main) {
  using namespace panel;
  if (main.IsItemChecked(kReducePower) || main.IsItemChecked(kSwitchOff)) {
    if (main.IsItemChecked(kPerCell)) {
      settings_.ThresholdCode = kThresholdPerCell;
    } else {
      const PanelNumber volts = ReadDecimalText(main.GetItemText(kVolts));
      if (!volts.wellFormed || volts.value < 5.3 || volts.value > 10.5) {
        Refuse(main, kThresholdRange);
        return false;
      }
      settings_.ThresholdCode = ThresholdCodeFromVolts(volts.value);
    }
  }
  // With "ignore" the code stays as the read or the panel rules left it.
  return true;
}

bool SettingsCommands::TakeMotorFields(Window& main, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  if (main.IsItemChecked(kPwm15k6) && settings_.LastRead.ClockMhz == 8) {
    Refuse(main, "Takt-Frequenz bei 8MHz nicht m\xC3\xB6glich!");
    return false;
  }
  if (active) {
    const PanelInteger speed = ReadIntegerText(main.GetItemText(kControlSpeed), 4);
    if (!speed.wellFormed || speed.value < 1 || speed.value > 50) {
      Refuse(main, "Softanlauf 1 - 50!");
      return false;
    }
    v.controlSpeed = static_cast<uint8_t>(speed.value);
  }
  const int timing = main.ListSelection(kTiming);
  if (timing < 0) {
    Refuse(main, "Timing?");
    return false;
  }
  v.Byte(SlotSetting::TimingCode) = static_cast<uint8_t>(TimingCodeFromIndex(timing));
  // The fixed-timing flag goes with any list entry but "auto".
  v.Byte(SlotSetting::OptionFlags) = timing == kTimingAuto ? 0 : option::kFixedTiming;
  const PanelInteger power = ReadIntegerText(main.GetItemText(kStartupPower), 9);
  if (!power.wellFormed || power.value < 1 || power.value > 50) {
    Refuse(main, "Leistung Anlauf 1 - 50!");
    return false;
  }
  v.Byte(SlotSetting::StartupPower) = static_cast<uint8_t>(power.value);
  return true;
}

bool SettingsCommands::TakeGroups(Window& main, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  // Groups and fields that a read of a well-formed controller always fills; anything
  // else would put a byte into the controller that it cannot make sense of.
  if (!v.Byte(SlotSetting::BrakeStrength)) {
    Refuse(main, "EMF brake?");
    return false;
  }
  const int pwmButton = CheckedOf(main, {kPwm7k8, kPwm15k6});
  if (pwmButton == 0) {
    Refuse(main, "Controller Frequency?");
    return false;
  }
  const int pwmCode = PwmCodeFromButton(settings_.LastRead.ClockMhz, pwmButton);
  if (pwmCode < 0) {
    char text[64];
    std::snprintf(text, sizeof text, "Controller Frequency not possible at %dMHz!", settings_.LastRead.ClockMhz);
    Refuse(main, text);
    return false;
  }
  v.Byte(SlotSetting::PwmCode) = static_cast<uint8_t>(pwmCode);
  const int modeButton = CheckedOf(main, {kIgnore, kReducePower, kSwitchOff});
  if (modeButton == 0) {
    Refuse(main, "Low Voltage Protection?");
    return false;
  }
  v.Byte(SlotSetting::LowVoltageMode) = modeButton == kIgnore ? 1 : modeButton == kReducePower ? 2 : 3;
  if (active) {
    const int toleranceButton = CheckedOf(main, {kToleranceSmall, kToleranceMedium, kToleranceHigh});
    if (toleranceButton == 0) {
      Refuse(main, "Signal Tolerance?");
      return false;
    }
    v.signalTolerance = static_cast<uint8_t>(toleranceButton - kToleranceSmall + 1);
    // A blank counter (as the reduced controller shows its missing ones) is written
    // as 0. Above 255 only the low 8 bits reach the controller.
    const size_t counters = (settings_.LastRead.Features & feature::kBlockedMotor) ? kCounterCount : kBlockedMotorCount;
    for (size_t i = 0; i < counters; ++i) {
      const PanelInteger counter = ReadIntegerText(main.GetItemText(kCounterControls[i]), 3);
      if (!counter.blank && !counter.wellFormed) {
        Refuse(main, kCounterForm);
        return false;
      }
      v.counters[i] = static_cast<uint8_t>(counter.blank ? 0 : counter.value);
    }
  }
  return true;
}

// The check boxes and the cut-off code, which no check refuses.
void SettingsCommands::TakeSwitches(const Window& main, SettingSlot slot, SettingsValues& v) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  uint8_t flags = v.Flags();
  if (active && main.IsItemChecked(kForwardReverse)) flags |= option::kForwardReverse;
  if (main.IsItemChecked(kRpmLimit)) flags |= option::kRpmLimit;
  if (main.IsItemChecked(kFreeWheeling)) flags |= option::kFreeWheeling;
  if (active && main.IsItemChecked(kRpmControl)) {
    // The marker tells the firmware that the RPM-control word is valid.
    v.rpmMarker = kRpmMarkerValue;
    flags |= option::kRpmControl;
  }
  if (v.Byte(SlotSetting::BrakeStrength) != 0) flags |= option::kEmfBrake;
  if (main.IsItemChecked(kBlockedMotorProtect)) flags |= option::kBlockedMotor;
  v.Byte(SlotSetting::OptionFlags) = flags;
  v.Byte(SlotSetting::ThresholdCode) = static_cast<uint8_t>(settings_.ThresholdCode);
  v.Byte(SlotSetting::Overtemperature) = main.IsItemChecked(kOvertempProtect) ? 3 : 1;
  if (active) v.rpmControlWord = static_cast<uint16_t>(settings_.RpmControl);
}

bool SettingsCommands::ConnectForWrite(Window& main, SettingSlot slot) {
  const LinkOutcome outcome = ConnectWithRecovery(protocol_, link_, kWriteCheck.steps);
  // Whatever answers after a restart may not be the controller that was read.
  if (outcome == LinkOutcome::NoAnswer) settings_.LastRead.ControllerVersion = SettingsState::kVersionInvalid;
  if (!TellLinkOutcome(status_, outcome, kWriteCheck, nullptr, &main)) return false;
  main.Repaint();
  main.EnableItem(IDC_STATUS, true);
  main.SetItemText(IDC_STATUS, "writing.....");
  main.Repaint();

  // Memory 2 is only stored once memory 1 holds something.
  if (slot == SettingSlot::Memory2 &&
      ReadByte(SlotAddress(SettingSlot::Memory1, SlotSetting::PwmCode)) == kMemoryEmpty) {
    status_.ReportCommandError("Modellspeicher1 zuerst beschreiben!");
    return false;
  }
  return true;
}

// Byte by byte, each read back; the first mismatch stops the command and leaves the
// bytes before it written.
bool SettingsCommands::WriteSlot(SettingSlot slot, const SettingsValues& v) {
  const bool active = slot == SettingSlot::Active;
  settings_.BytesWritten.clear();
  const auto put = [this](uint8_t address, uint8_t value) {
    if (protocol_.WriteSettingByteChecked(address, value) != 0) return false;
    settings_.BytesWritten.push_back({address, value});
    return true;
  };
  const auto putSlot = [&put, &v, slot](SlotSetting setting) {
    return put(SlotAddress(slot, setting), *v.Byte(setting));
  };
  const auto putPulse = [&put, &v](size_t index) {
    const PulseField& field = kPulseFields[index];
    const uint16_t count = *v.pulseCounts[index];
    return put(field.high, static_cast<uint8_t>(count >> 8)) && put(field.low, static_cast<uint8_t>(count & 0xFF));
  };

  // The model memories hold no pulse widths: every write sets the active ones.
  if (!putPulse(kFullSpeedPulse) || !putPulse(kStopPulse) || !putPulse(kNeutralPulse)) return false;
  if (!putSlot(SlotSetting::TimingCode)) return false;
  if (v.rpmMarker && !put(address::kRpmMarker, *v.rpmMarker)) return false;
  if (!putSlot(SlotSetting::OptionFlags) || !putSlot(SlotSetting::BrakeStrength)) return false;
  if (active && !put(address::kControlSpeed, *v.controlSpeed)) return false;
  for (SlotSetting setting : {SlotSetting::PwmCode, SlotSetting::LowVoltageMode, SlotSetting::ThresholdCode,
                              SlotSetting::Overtemperature, SlotSetting::StartupPower})
    if (!putSlot(setting)) return false;
  if (!active) return true;

  if (!put(address::kSignalTolerance, *v.signalTolerance)) return false;
  for (size_t i = 0; i < kCounterCount; ++i)
    if (v.counters[i] && !put(kCounterAddresses[i], *v.counters[i])) return false;
  return true;
}

ReadBack CompareWithController(SetupProtocol& protocol, const SettingsState& settings) {
  ReadBack back;
  std::string& differ = back.differ;
  for (const WrittenByte& written : settings.BytesWritten) {
    const uint32_t read = protocol.ReadSettingByte(written.address);
    if (read == written.value) continue;
    char line[48];
    std::snprintf(line, sizeof line, "%s%u: wrote %u, reads %u", differ.empty() ? "" : ", ",
                  static_cast<unsigned>(written.address), static_cast<unsigned>(written.value),
                  static_cast<unsigned>(read));
    differ += line;
  }
  // Silence reads as 255 in every byte, which a byte written as 255 would match.
  back.linkLost = !protocol.LinkStillReady();
  return back;
}

}  // namespace ravix
