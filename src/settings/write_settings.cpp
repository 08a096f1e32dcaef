#include <array>
#include <cstdio>
#include <optional>

#include "protocol/link_check.h"
#include "settings/panel_values.h"
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

}  // namespace

void SettingsCommands::Refuse(Window& main, const std::string& text) {
  status_.Refuse("Error!", text);
  EndFieldBlank(main);
}

void SettingsCommands::Write(Window& main, SettingSlot slot) {
  // What the checks take from the panel: the bytes to come, as a Read would find them.
  SettingsValues values = ValuesToTake(settings_, slot);
  if (!Validate(main, slot, values)) return;
  if (!WriteSlot(slot, values)) {
    EndFieldBlank(main);
    return;
  }
  // A silent controller's data line reads as all ones, so the read-back of a byte
  // of 255 passes without it: one more link exchange shows that it still answers.
  if (!protocol_.LinkStillReady()) {
    settings_.ForgetController();
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
  if (!StartWrite(main)) return false;
  if (const std::string refused = TakePulseWidths(main, settings_, v); !refused.empty()) {
    Refuse(main, refused);
    return false;
  }
  if (!PrepareSlot(main, slot)) return false;
  const std::string refused = TakeSlotValues(main, settings_, slot, v);
  // The code stays taken where a later check refuses: the panel's rules go on from it.
  if (const std::optional<uint8_t> code = v.Byte(SlotSetting::ThresholdCode)) settings_.ThresholdCode = *code;
  if (!refused.empty()) {
    Refuse(main, refused);
    return false;
  }
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

bool SettingsCommands::ConnectForWrite(Window& main, SettingSlot slot) {
  const LinkOutcome outcome = ConnectWithRecovery(protocol_, link_, kWriteCheck.steps);
  // Whatever answers after a restart may not be the controller that was read.
  if (outcome == LinkOutcome::NoAnswer) settings_.ForgetController();
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
