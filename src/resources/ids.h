#pragma once

namespace ravix {

// Every window, control and menu command of the tool by name. The window tables, the
// main window's dispatch, the commands and the tests all use these names, so a number
// is written once.

// Windows and the menu.
inline constexpr int IDD_MAIN = 1226;
inline constexpr int IDD_RPM_CONTROL = 1228;
inline constexpr int IDD_LOCK_FUNCTIONS = 1229;
inline constexpr int IDD_REV_COUNTER = 1240;
inline constexpr int IDR_MAIN_MENU = 157;

// The status field of the main window.
inline constexpr int IDC_STATUS = 1044;

// The two standard buttons of every window: OK (also the Enter key) and Cancel
// (also Escape and the title bar's close box; the main window's "End").
namespace button {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
}  // namespace button

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
inline constexpr int kRpmControl = 1175, kMaxFrequency = 1212, kSettingUp = 1210;
inline constexpr int kToleranceSmall = 1180, kToleranceMedium = 1181, kToleranceHigh = 1182;
inline constexpr int kTransmitterFailures = 1177, kOvertempEvents = 1178, kUndervoltageEvents = 1179;
inline constexpr int kBlockedMotorEvents = 1192;
inline constexpr int kResetLog = 1183;
inline constexpr int kRead = 1149, kWrite = 1150;
inline constexpr int kReadMemory1 = 1198, kReadMemory2 = 1199;
inline constexpr int kWriteMemory1 = 1200, kWriteMemory2 = 1201;
inline constexpr int kEnd = button::kCancel;
}  // namespace panel

// Commands of menu 157.
namespace menu {
// The parallel ports by base address; they have no menu items of their own.
inline constexpr int kLpt0278 = 1152, kLpt0378 = 1153, kLpt03BC = 1154;
inline constexpr int kOpenUpdateFile = 1147;
// "COM1" to "COM8", one command each in this order.
inline constexpr int kFirstPort = 1155;
inline constexpr int kPortCount = 8;
inline constexpr int kReadMemory1 = panel::kReadMemory1, kReadMemory2 = panel::kReadMemory2;
inline constexpr int kWriteMemory1 = panel::kWriteMemory1, kWriteMemory2 = panel::kWriteMemory2;
inline constexpr int kLockFunctions = 1202, kCalibrateOscillator = 1208, kControllerInfo = 1225;
inline constexpr int kRevCounter = 1238;
inline constexpr int kHelpFile = 1104, kServicePage = 1197, kAbout = 1151;
// The settings files (File menu): IDs that no other control or command uses.
inline constexpr int kSaveSettings = 2101, kLoadSettings = 2102;
// Help > "User's Manual": the program's own manual (a PDF) in the desktop's viewer.
inline constexpr int kUsersManual = 2401;
// The serial ports this machine has above COM8 (COM12, where USB adapters land), listed
// in the Port menu below COM1 to COM8: one command each, in their order.
inline constexpr int kFirstMorePort = 2201;
inline constexpr int kMorePortCount = 32;
// The FTDI cables present, driven in their bit-bang mode, below those: one command each.
inline constexpr int kFirstFtdiPort = 2301;
inline constexpr int kFtdiPortCount = 16;
}  // namespace menu

// The motor's pole count and gear ratio, shown and saved the same way by the
// RPM-control and the rev counter dialog.
namespace motor {
inline constexpr int kPoleCount = 1176;
inline constexpr int kGearRatio = 1220;
inline constexpr int kSaveInput = 1221;
}  // namespace motor

// Dialog 1228 "RPM-Control".
namespace rpmdlg {
inline constexpr int kFrequencyHz = 1212;
inline constexpr int kElectricalRpm = 1215;
inline constexpr int kMotorRpm = 1219;
inline constexpr int kRotorRpm = 1218;
inline constexpr int kCalculate = 1216;
inline constexpr int kRead = 1213;
inline constexpr int kWrite = 1214;
inline constexpr int kPValue = 1241;
inline constexpr int kIValue = 1242;
inline constexpr int kDone = button::kOk;
}  // namespace rpmdlg

// Dialog 1229 "Lock Functions".
namespace lockdlg {
inline constexpr int kRead = 1204;
inline constexpr int kWrite = 1205;
inline constexpr int kLockRcSetup = 1206;
inline constexpr int kLockTestProgram = 1207;
inline constexpr int kEnd = button::kCancel;
}  // namespace lockdlg

// Dialog 1240, the rev counter.
namespace revdlg {
inline constexpr int kFrequencyHz = 1212;
inline constexpr int kElectricalRpm = 1215;
inline constexpr int kMotorRpm = 1219;
inline constexpr int kPropRpm = 1218;
inline constexpr int kPropLabel = 1237;
inline constexpr int kReleaseMotor = 1235;
inline constexpr int kDone = button::kOk;
}  // namespace revdlg

}  // namespace ravix
