#pragma once
#include <string>

#include "link/link.h"
#include "platform/ui.h"
#include "protocol/setup_protocol.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// Controls of the settings panel in the main window (dialog 1226).
namespace panel {
inline constexpr int kFullSpeed = 1135, kNeutral = 1166, kStop = 1134;
inline constexpr int kPwm7k8 = 1138, kPwm15k6 = 1139;
inline constexpr int kTiming = 1140, kBrake = 1146;
inline constexpr int kControlSpeed = 1142, kStartupPower = 1164;
inline constexpr int kVersion = 1145;
inline constexpr int kFreeWheeling = 1137, kForwardReverse = 1169, kRpmLimit = 1188;
inline constexpr int kBlockedMotorProtect = 1190, kOvertempProtect = 1191;
inline constexpr int kIgnore = 1168, kSwitchOff = 1170, kReducePower = 1171;
inline constexpr int kPerCell = 1193, kVolts = 1194;
inline constexpr int kRpmControl = 1175, kMaxFrequency = 1212;
inline constexpr int kToleranceSmall = 1180, kToleranceMedium = 1181, kToleranceHigh = 1182;
inline constexpr int kTransmitterFailures = 1177, kOvertempEvents = 1178, kUndervoltageEvents = 1179;
inline constexpr int kBlockedMotorEvents = 1192;
inline constexpr int kResetLog = 1183;
inline constexpr int kRead = 1149, kWrite = 1150;
inline constexpr int kReadMemory1 = 1198, kReadMemory2 = 1199;
inline constexpr int kWriteMemory1 = 1200, kWriteMemory2 = 1201;
}  // namespace panel

// Menu commands that a type-3 controller greys for the rest of the run.
namespace menu {
inline constexpr int kOpenUpdateFile = 1147, kLockFunctions = 1202;
inline constexpr int kServicePage = 1197, kHelpFile = 1104;
}  // namespace menu

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
  // The rule of a panel control: 1138, 1139, 1168, 1170, 1171, 1175, 1183, 1193.
  // False for any other command.
  bool PanelRule(Window& main, int command);

 private:
  // Identification and the checks that a read makes before the slot's bytes; false
  // when the command has ended.
  bool Identify(Window& main, SettingSlot slot);
  void ReadSlot(Window& main, SettingSlot slot);
  // The link check after the last byte failed: the panel shows nothing as read.
  void LinkLostDuringRead(Window& main);
  // The serial adapter answers; otherwise its text is shown, the status field ends
  // blank and the command has ended.
  bool AdapterFound(Window& main);
  // Restarts the controller until it answers ready; false when the command has ended.
  bool RestartAndConnect(Window& main);
  uint8_t ReadByte(uint8_t address) { return static_cast<uint8_t>(protocol_.ReadSettingByte(address)); }
  void ShowNumber(Window& main, int id, const char* format, int value);

  struct WriteValues;
  bool Validate(Window& main, SettingSlot slot, WriteValues& values);
  bool WriteSlot(Window& main, SettingSlot slot, const WriteValues& values);
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

// The tool's own aggregate holds the settings state and the link pieces; the main
// window's dispatch calls these with it.
template <class ToolT>
SettingsCommands SettingsCommandsOf(ToolT& tool) {
  return SettingsCommands(tool.settings, tool.link, tool.protocol, tool.status);
}
template <class ToolT>
void ReadSettings(ToolT& tool, Window& main, SettingSlot slot) {
  SettingsCommandsOf(tool).Read(main, slot);
}
template <class ToolT>
void WriteSettings(ToolT& tool, Window& main, SettingSlot slot) {
  SettingsCommandsOf(tool).Write(main, slot);
}
template <class ToolT>
void SettingsPanelRule(ToolT& tool, Window& main, int command) {
  SettingsCommandsOf(tool).PanelRule(main, command);
}

}  // namespace ravix
