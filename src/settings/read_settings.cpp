#include <cstdio>
#include <iterator>

#include "protocol/link_check.h"
#include "settings/controller_identity.h"
#include "settings/setting_table.h"
#include "settings/settings_commands.h"
#include "status/messages.h"

namespace ravix {

namespace {

// Identification restarts the controller first, so that its firmware answers fresh.
constexpr LinkCheck kIdentifyCheck{
    .steps = {.restartFirst = true, .secondAlways = false},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice, .blankField = true},
    .noAnswer = {.tell = Tell::CommandError, .text = msg::kNoConnection},
};

constexpr IdentityTexts kReadIdentity{
    .notSetUp = {.tell = Tell::CommandError, .text = msg::kNotSetUp},
    .unsuitable = {.tell = Tell::CommandError, .text = msg::kNotSuitable},
    .tooNew = {.tell = Tell::CommandError, .text = msg::kTooNew},
};

}  // namespace

void PreparePanelForMemory(Window& main) {
  using namespace panel;
  main.EnableItem(kWrite, false);
  for (int id : {kToleranceSmall, kToleranceMedium, kToleranceHigh}) {
    main.EnableItem(id, false);
    main.CheckItem(id, false);
  }
  main.CheckItem(kRpmControl, false);
  main.EnableItem(kRpmControl, false);
  for (int id : {kMaxFrequency, kControlSpeed}) {
    main.SetItemText(id, " ");
    main.EnableItem(id, false);
  }
  main.CheckItem(kForwardReverse, false);
  main.EnableItem(kForwardReverse, false);
  for (int id : {kTransmitterFailures, kOvertempEvents, kUndervoltageEvents, kBlockedMotorEvents})
    main.EnableItem(id, false);
  for (int id : {kFullSpeed, kNeutral, kStop, kTransmitterFailures, kOvertempEvents, kUndervoltageEvents,
                 kBlockedMotorEvents})
    main.SetItemText(id, " ");
  main.Repaint();
}

// A controller that stopped answering part way has filled the panel with the idle
// level of the input line (255 in every byte: 32.77 ms pulses, counters of 255). None
// of it may look read or reach a Write: the texts go blank, "active RPM control"
// and "Write" are off, and the values count as not read until a good Read.
void SettingsCommands::LinkLostDuringRead(Window& main) {
  settings_.LastRead.ForgetSettings(SettingSlot::Active);
  settings_.ForgetController();
  for (int id : {panel::kStartupPower, panel::kVolts, panel::kVersion}) main.SetItemText(id, " ");
  PreparePanelForMemory(main);
  status_.ReportCommandError(msg::kNoConnection);
}

uint8_t SettingsCommands::ReadSlotByte(SettingSlot slot, SlotSetting setting) {
  const uint8_t value = ReadByte(SlotAddress(slot, setting));
  settings_.LastRead.Byte(setting) = value;
  return value;
}

void SettingsCommands::ShowNumber(Window& main, int id, const char* format, int value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  main.SetItemText(id, text);
}

void SettingsCommands::Read(Window& main, SettingSlot slot) {
  using namespace panel;
  // Reading works over the serial adapter only.
  if (!link_.Kind().setupCommands) {
    status_.Refuse("ERROR!", "  PORT ?");
    return;
  }
  status_.StatusWindow = status_.MainWindow;
  if (!StartConnecting(link_, status_, main, nullptr)) return;
  if (protocol_.CheckLink() != 0) {
    EndFieldBlank(main);
    return;
  }

  if (slot == SettingSlot::Active) {
    main.SetItemText(IDC_STATUS, "reading.....");
    for (int id : {kToleranceSmall, kToleranceMedium, kToleranceHigh, kRpmControl, kControlSpeed,
                   kForwardReverse, kTransmitterFailures, kOvertempEvents, kUndervoltageEvents,
                   kBlockedMotorEvents})
      main.EnableItem(id, true);
    main.Repaint();
  } else {
    main.SetItemText(IDC_STATUS, slot == SettingSlot::Memory1 ? "reading memory1..." : "reading memory2...");
    // A memory is read into a panel whose other values came from this controller.
    if (!settings_.ValuesRead()) {
      status_.Refuse("Error!", msg::kReadValuesFirst);
      EndFieldBlank(main);
      return;
    }
    PreparePanelForMemory(main);
  }

  if (!Identify(main, slot)) return;
  ReadSlot(main, slot);
}

bool SettingsCommands::RestartAndConnect(Window& main) {
  return CheckLinkFor(protocol_, link_, status_, kIdentifyCheck, nullptr, &main) == LinkOutcome::Ready;
}

bool SettingsCommands::Identify(Window& main, SettingSlot slot) {
  if (!RestartAndConnect(main)) return false;

  // The setup marker is written when the controller has learned the transmitter's
  // stick range; before that its settings mean nothing.
  if (ReadByte(address::kSetupMarker) != kSetupMarkerValue) {
    status_.ReportCommandError(msg::kNotSetUp);
    return false;
  }
  (void)ReadByte(address::kCalibration);  // the oscillator calibration: in the sequence, never shown

  if (!IdentifyControllerFor(protocol_, settings_, status_, main, kReadIdentity)) return false;

  if (slot != SettingSlot::Active) {
    const bool first = slot == SettingSlot::Memory1;
    if (settings_.Release() < kFirstMemoryRelease) {
      status_.ReportCommandError(first ? msg::kControllerTooOld : msg::kControllerTooOldEn);
      return false;
    }
    if (ReadByte(SlotAddress(slot, SlotSetting::PwmCode)) == kMemoryEmpty) {
      status_.ReportCommandError(first ? msg::kMemory1Empty : msg::kMemory2Empty);
      return false;
    }
  }
  return true;
}

void SettingsCommands::ReadSlot(Window& main, SettingSlot slot) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  main.SetItemText(IDC_STATUS, " ");
  settings_.LastRead.ForgetSettings(slot);
  settings_.LastRead.ClockMhz = ReadByte(address::kClockMhz);
  if (active) ShowPulseWidths(main);
  const uint8_t flags = ShowOptions(main, slot);
  ShowRpmControl(main, slot, flags);
  ShowLowVoltage(main, slot);
  ShowLevelsAndCounters(main, slot);
  if (!protocol_.LinkStillReady()) {
    LinkLostDuringRead(main);
    return;
  }
  main.Repaint();

  // The reduced controller has no brake, no overtemperature protection, no cut-off
  // modes, no model memories and no update or lock functions; the panel keeps them
  // off until the tool is closed.
  if (settings_.ReducedController()) LimitPanelToReducedController(main);

  main.SetItemText(IDC_STATUS, "OK");
  main.Repaint();
  if (active) main.EnableItem(kWrite, true);
  status_.ui().Beep();
  main.EnableItem(IDC_STATUS, false);
  status_.Done();
}

void SettingsCommands::ShowPulseWidths(Window& main) {
  for (size_t i = 0; i < kPulseCount; ++i) {
    const PulseField& field = kPulseFields[i];
    // Each width is read high byte first.
    const int high = ReadByte(field.high);
    const auto count = static_cast<uint16_t>(high * 256 + ReadByte(field.low));
    settings_.LastRead.pulseCounts[i] = count;
    main.SetItemText(field.id, PulseTextFromWord(count, field.isNeutral));
  }
}

uint8_t SettingsCommands::ShowOptions(Window& main, SettingSlot slot) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  const uint8_t features = settings_.LastRead.Features;
  const uint8_t flags = ReadSlotByte(slot, SlotSetting::OptionFlags);
  const uint8_t timing = ReadSlotByte(slot, SlotSetting::TimingCode);
  main.ListSetSelection(kTiming, TimingIndexFromBytes(flags, timing));
  main.EnableItem(kPwm15k6, (features & feature::kPwm15k6) != 0);

  const uint8_t pwm = ReadSlotByte(slot, SlotSetting::PwmCode);
  main.CheckItem(kPwm7k8, false);
  main.CheckItem(kPwm15k6, false);
  if (const int button = PwmButtonFromCode(settings_.LastRead.ClockMhz, pwm)) main.CheckItem(button, true);

  // The check boxes of the option flags, each offered where the firmware has its feature.
  for (const SettingRow& row : SettingRows()) {
    if (row.encoding != Encoding::Flag || (row.activeOnly && !active)) continue;
    if (row.feature) main.EnableItem(row.control, (features & row.feature) != 0);
    main.CheckItem(row.control, (flags & row.flag) != 0);
  }

  if (flags & option::kEmfBrake) {
    const uint8_t strength = ReadSlotByte(slot, SlotSetting::BrakeStrength);
    main.ListSetSelection(kBrake, strength < std::size(kBrakeEntries) ? strength : -1);
  } else {
    main.ListSetSelection(kBrake, 0);
  }

  main.EnableItem(kBlockedMotorEvents, (features & feature::kBlockedMotor) != 0 && active);
  return flags;
}

void SettingsCommands::ShowRpmControl(Window& main, SettingSlot slot, uint8_t flags) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  if (active) {
    const int high = ReadByte(address::kRpmControlHigh);
    const auto word = static_cast<uint16_t>(high * 256 + ReadByte(address::kRpmControlLow));
    settings_.LastRead.rpmControlWord = word;
    settings_.RpmControl = word;
  }
  if (active && (flags & option::kRpmControl)) {
    main.CheckItem(kRpmControl, true);
    // Without the marker the word was never set up; the field keeps what it showed.
    settings_.LastRead.rpmMarker = ReadByte(address::kRpmMarker);
    if (settings_.LastRead.rpmMarker == kRpmMarkerValue)
      main.SetItemText(kMaxFrequency,
                       MaxFrequencyText(settings_.LastRead.ClockMhz, static_cast<uint16_t>(settings_.RpmControl)));
    main.Repaint();
  } else {
    main.CheckItem(kRpmControl, false);
    main.SetItemText(kMaxFrequency, "    ");
    main.EnableItem(kMaxFrequency, false);
  }
}

void SettingsCommands::ShowLowVoltage(Window& main, SettingSlot slot) {
  using namespace panel;
  const uint8_t mode = ReadSlotByte(slot, SlotSetting::LowVoltageMode);
  settings_.ThresholdCode = ReadSlotByte(slot, SlotSetting::ThresholdCode);
  main.CheckItem(kIgnore, mode == 1);
  main.CheckItem(kReducePower, mode == 2);
  main.CheckItem(kSwitchOff, mode == 3);
  if (mode == 1) {
    // The code read stays in the settings state and is written back unchanged.
    main.CheckItem(kPerCell, false);
    main.EnableItem(kPerCell, false);
    main.SetItemText(kVolts, " ");
    main.EnableItem(kVolts, false);
  } else if (mode == 2 || mode == 3) {
    main.EnableItem(kPerCell, true);
  }
  // Controllers of minor version 1 are not offered the per-cell choice.
  if (settings_.MinorByte() == 1) main.EnableItem(kPerCell, false);
  if (mode != 1) {
    if (settings_.ThresholdCode == kThresholdPerCell) {
      main.CheckItem(kPerCell, true);
      main.SetItemText(kVolts, " ");
      main.EnableItem(kVolts, false);
    } else {
      main.CheckItem(kPerCell, false);
      main.EnableItem(kVolts, true);
      main.SetItemText(kVolts, VoltsText(settings_.ThresholdCode));
    }
  }
}

void SettingsCommands::ShowLevelsAndCounters(Window& main, SettingSlot slot) {
  using namespace panel;
  const bool active = slot == SettingSlot::Active;
  SettingsValues& read = settings_.LastRead;
  const bool blockedMotor = (read.Features & feature::kBlockedMotor) != 0;
  main.CheckItem(kOvertempProtect, ReadSlotByte(slot, SlotSetting::Overtemperature) == 3);
  if (active) {
    read.controlSpeed = ReadByte(address::kControlSpeed);
    ShowNumber(main, kControlSpeed, "%3d", *read.controlSpeed);
  }
  ShowNumber(main, kStartupPower, "%3d", ReadSlotByte(slot, SlotSetting::StartupPower));

  if (active) {
    for (int id : {kToleranceSmall, kToleranceMedium, kToleranceHigh}) main.CheckItem(id, false);
    const uint8_t tolerance = ReadByte(address::kSignalTolerance);
    read.signalTolerance = tolerance;
    if (tolerance >= 1 && tolerance <= 3) main.CheckItem(kToleranceSmall + tolerance - 1, true);
    const size_t counters = blockedMotor ? kCounterCount : kBlockedMotorCount;
    for (size_t i = 0; i < counters; ++i) {
      read.counters[i] = ReadByte(kCounterAddresses[i]);
      ShowNumber(main, kCounterControls[i], "%2d", *read.counters[i]);
    }
  }
}

void SettingsCommands::LimitPanelToReducedController(Window& main) {
  using namespace panel;
  for (int id : {kOvertempProtect, kReducePower, kSwitchOff, kBrake, kOvertempEvents, kUndervoltageEvents})
    main.EnableItem(id, false);
  for (int id : {kOvertempEvents, kUndervoltageEvents, kBlockedMotorEvents}) main.SetItemText(id, " ");
  for (int command : {menu::kOpenUpdateFile, kReadMemory1, kReadMemory2, kWriteMemory1, kWriteMemory2,
                      menu::kLockFunctions, menu::kServicePage, menu::kHelpFile})
    main.EnableMenuItem(command, false);
}

}  // namespace ravix
