#pragma once
#include <string>

#include "link/link.h"
#include "platform/ui.h"
#include "protocol/expected_durations.h"
#include "protocol/setup_protocol.h"
#include "resources/ids.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// The pulse-width fields of the panel and their bytes, in the order of PulseIndex.
struct PulseField {
  int id;
  uint8_t high, low;
  bool isNeutral;
};
inline constexpr PulseField kPulseFields[kPulseCount] = {
    {panel::kFullSpeed, address::kFullSpeedHigh, address::kFullSpeedLow, false},
    {panel::kNeutral, address::kNeutralHigh, address::kNeutralLow, true},
    {panel::kStop, address::kStopHigh, address::kStopLow, false},
};

// The log counters' controls and bytes, in the order of CounterIndex.
inline constexpr int kCounterControls[kCounterCount] = {panel::kTransmitterFailures, panel::kOvertempEvents,
                                                        panel::kUndervoltageEvents, panel::kBlockedMotorEvents};
inline constexpr uint8_t kCounterAddresses[kCounterCount] = {
    address::kTransmitterFailures, address::kOvertemperatureEvents, address::kUndervoltageEvents,
    address::kBlockedMotorEvents};

// Reads back every byte of the last Write (settings.BytesWritten), byte for byte.
struct ReadBack {
  bool linkLost = false;  // the controller stopped answering while they were read
  std::string differ;     // the bytes it holds otherwise ("19: wrote 7, reads 8", separated by ", ")
};
ReadBack CompareWithController(SetupProtocol& protocol, const SettingsState& settings);
// What a Read and a Write of the active set send to a controller whose firmware runs
// (as it does after any command but the programming interface's): the adapter check,
// the link check's exchanges (two for the Read, one for the Write), the Read's restart
// and exchange of its identification, the setting bytes, and the Read's closing
// exchange. A test holds them to the commands.
inline constexpr CommandSteps kReadActiveSteps{
    .detections = 1, .linkExchanges = 4, .restarts = 1, .settingReads = 29, .settingWrites = 0};
inline constexpr CommandSteps kWriteActiveSteps{
    .detections = 1, .linkExchanges = 1, .restarts = 0, .settingReads = 0, .settingWrites = 20};

// The commands of the settings panel: reading a slot into the panel, writing the panel
// into a slot, and the rules that run when the user clicks a panel control. They keep
// nothing of their own; the settings state and the panel's controls hold it all.
class SettingsCommands {
 public:
  SettingsCommands(SettingsState& settings, Link& link, SetupProtocol& protocol, Status& status)
      : settings_(settings), link_(link), protocol_(protocol), status_(status) {}

  // Buttons "Read" (Active), "Read Memory1", "Read Memory2".
  void Read(Window& main, SettingSlot slot);
  // Buttons "Write" (Active), "Write Memory1", "Write Memory2".
  void Write(Window& main, SettingSlot slot);
  // The rule of a panel control: the PWM buttons, the low-voltage modes, "RPM control",
  // "reset log" and "per cell".
  // False for any other command.
  bool PanelRule(Window& main, int command);

 private:
  bool ApplyPanelRule(Window& main, int command);
  // Identification and the checks that a read makes before the slot's bytes; false
  // when the command has ended.
  bool Identify(Window& main, SettingSlot slot);
  void ReadSlot(Window& main, SettingSlot slot);
  // The steps of ReadSlot, in its order; each reads its bytes and shows them.
  void ShowPulseWidths(Window& main);
  uint8_t ShowOptions(Window& main, SettingSlot slot);  // the option flags read
  void ShowRpmControl(Window& main, SettingSlot slot, uint8_t flags);
  void ShowLowVoltage(Window& main, SettingSlot slot);
  void ShowLevelsAndCounters(Window& main, SettingSlot slot);
  void LimitPanelToReducedController(Window& main);
  // The link check after the last byte failed: the panel shows nothing as read.
  void LinkLostDuringRead(Window& main);
  // Restarts the controller until it answers ready; false when the command has ended.
  bool RestartAndConnect(Window& main);
  uint8_t ReadByte(uint8_t address) { return static_cast<uint8_t>(protocol_.ReadSettingByte(address)); }
  // Reads one of the slot's bytes into the values read.
  uint8_t ReadSlotByte(SettingSlot slot, SlotSetting setting);
  void ShowNumber(Window& main, int id, const char* format, int value);

  // The checks of a Write take the panel into the values it writes, as a Read would
  // find them.
  bool Validate(Window& main, SettingSlot slot, SettingsValues& values);
  // The steps of Validate around the panel's checks (panel_values.h), in its order.
  bool StartWrite(Window& main);
  bool PrepareSlot(Window& main, SettingSlot slot);
  bool ConnectForWrite(Window& main, SettingSlot slot);
  bool WriteSlot(SettingSlot slot, const SettingsValues& values);
  // Shows text in a box captioned "Error!" and ends the command with the status
  // field blank and disabled.
  void Refuse(Window& main, const std::string& text);

  void ClickFrequency(Window& main, int clicked, int other);
  void ClickIgnore(Window& main);
  void ClickCutOff(Window& main, int clicked);
  void ClickPerCell(Window& main);
  void ClickRpmControl(Window& main);
  void ClickResetLog(Window& main);

  SettingsState& settings_;
  Link& link_;
  SetupProtocol& protocol_;
  Status& status_;
};

// Empties the panel's active-set-only controls for a model memory: the pulse widths,
// control speed, tolerance, RPM control, forward/reverse, the counters and "Write".
void PreparePanelForMemory(Window& main);

}  // namespace ravix
