#include <vector>

#include "resources/resource_builders.h"
#include "resources/resources.h"

namespace ravix {

namespace {

using K = ControlKind;

// Four columns of group boxes over a bottom row with the status field and "End".
// Edits are 12 units high, check and radio buttons 10, push buttons 14; a combo
// box's height is its closed field, the backend sizes the drop-down list itself.
std::vector<ControlResource> MainControls() {
  const char* software = "Actual Software";
  const char* rc = "RC Signal";
  const char* frequency = "Controller Frequency";
  const char* memory = "Memory";
  const char* motor = "Motor Control";
  const char* voltage = "Low Voltage Protection";
  const char* tolerance = "Signal Tolerance (rx)";
  const char* rpm = "RPM Control";
  const char* features = "Other Features";
  const char* log = "Log File";
  return {
      // Column 1: x 7 to 103.
      Group(software, 7, 4, 96, 30),
      Label("Version/Typ", 11, 17, 40, software),
      Control(panel::kVersion, K::ReadOnlyEdit, "", 52, 15, 48, 12, software),

      Group(rc, 7, 38, 96, 66),
      Label("full speed", 13, 54, 38, rc),
      Control(panel::kFullSpeed, K::Edit, "", 53, 52, 30, 12, rc),
      Label("ms", 86, 54, 12, rc),
      Label("neutral", 13, 70, 38, rc),
      Control(panel::kNeutral, K::Edit, "", 53, 68, 30, 12, rc),
      Label("ms", 86, 70, 12, rc),
      Label("stop/ret.", 13, 86, 38, rc),
      Control(panel::kStop, K::Edit, "", 53, 84, 30, 12, rc),
      Label("ms", 86, 86, 12, rc),

      Group(frequency, 7, 108, 96, 44),
      Control(panel::kPwm7k8, K::RadioButton, "7,8 kHz", 13, 121, 84, 10, frequency),
      Control(panel::kPwm15k6, K::RadioButton, "15,6 kHz", 13, 135, 84, 10, frequency),

      Group(memory, 7, 156, 96, 40),
      Control(panel::kRead, K::PushButton, "Read", 13, 172, 40, 14, memory),
      Control(panel::kWrite, K::PushButton, "Write", 57, 172, 40, 14, memory, false),

      // Column 2: x 108 to 224.
      Group(motor, 108, 4, 116, 88),
      Label("control speed (1 - 50)", 114, 17, 82, motor),
      Control(panel::kControlSpeed, K::Edit, "", 198, 15, 20, 12, motor),
      Label("startup-power (1 - 50)", 114, 33, 82, motor),
      Control(panel::kStartupPower, K::Edit, "", 198, 31, 20, 12, motor),
      Label("EMF brake", 114, 50, 46, motor),
      Control(panel::kBrake, K::ComboBox, "", 162, 48, 56, 12, motor),
      Label("commutation", 114, 66, 46, motor),
      Label("timing", 114, 75, 46, motor),
      Control(panel::kTiming, K::ComboBox, "", 162, 68, 56, 12, motor),

      Group(voltage, 108, 96, 116, 100),
      Control(panel::kIgnore, K::RadioButton, "ignore", 114, 110, 104, 10, voltage),
      Control(panel::kReducePower, K::RadioButton, "reduce power", 114, 124, 104, 10, voltage),
      Control(panel::kSwitchOff, K::RadioButton, "switch off", 114, 138, 104, 10, voltage),
      Control(panel::kPerCell, K::CheckBox, "0,8V/cell", 114, 156, 104, 10, voltage),
      Control(panel::kVolts, K::Edit, "", 114, 172, 30, 12, voltage),
      Label("Volt", 148, 174, 20, voltage),

      // Column 3: x 229 to 335.
      Group(tolerance, 229, 4, 106, 50),
      Control(panel::kToleranceSmall, K::AutoRadioButton, "small (high security)", 235, 16, 94, 10, tolerance),
      Control(panel::kToleranceMedium, K::AutoRadioButton, "medium", 235, 28, 94, 10, tolerance),
      Control(panel::kToleranceHigh, K::AutoRadioButton, "high (for helicopters)", 235, 40, 94, 10, tolerance),

      Group(rpm, 229, 58, 106, 60),
      Control(panel::kRpmControl, K::CheckBox, "active RPM control", 235, 70, 94, 10, rpm),
      Label("max. frequency", 235, 86, 55, rpm),
      Control(panel::kMaxFrequency, K::ReadOnlyEdit, "", 292, 84, 27, 12, rpm, false),
      Label("Hz", 321, 86, 12, rpm),
      Control(panel::kSettingUp, K::PushButton, "Setting Up", 235, 100, 56, 14, rpm),

      Group(features, 229, 122, 106, 74),
      Control(panel::kOvertempProtect, K::CheckBox, "overtemp. protection", 235, 134, 94, 10, features),
      Control(panel::kBlockedMotorProtect, K::CheckBox, "blocked motor protect.", 235, 146, 94, 10, features),
      Control(panel::kRpmLimit, K::CheckBox, "RPM-limit", 235, 158, 94, 10, features),
      Control(panel::kFreeWheeling, K::CheckBox, "active free wheeling", 235, 170, 94, 10, features),
      Control(panel::kForwardReverse, K::CheckBox, "forward / reverse", 235, 182, 94, 10, features),

      // Column 4: x 340 to 440.
      Group(log, 340, 4, 100, 108),
      Label("transmitter failure", 346, 20, 66, log),
      Control(panel::kTransmitterFailures, K::Edit, "", 414, 18, 20, 12, log),
      Label("overtemperature", 346, 38, 66, log),
      Control(panel::kOvertempEvents, K::Edit, "", 414, 36, 20, 12, log),
      Label("undervoltage", 346, 56, 66, log),
      Control(panel::kUndervoltageEvents, K::Edit, "", 414, 54, 20, 12, log),
      Label("blocked motor", 346, 74, 66, log),
      Control(panel::kBlockedMotorEvents, K::Edit, "", 414, 72, 20, 12, log),
      Control(panel::kResetLog, K::PushButton, "Reset", 346, 92, 44, 14, log),

      // Bottom row: the status field, disabled between commands, left of "End".
      Control(IDC_STATUS, K::ReadOnlyEdit, "", 7, 204, 376, 14, "", false),
      Control(panel::kEnd, K::DefPushButton, "End", 390, 204, 50, 14, ""),
  };
}

MenuResource Item(const char* text, int command, bool grayed = false) {
  return MenuResource{text, command, false, grayed, {}};
}

MenuResource Popup(const char* text, std::vector<MenuResource> items) {
  return MenuResource{text, 0, false, false, std::move(items)};
}

// Menu 157. The port operations find "Port" by its position (1) on the bar.
std::vector<MenuResource> MainMenu() {
  return {
      Popup("File", {Item("Open Update File", menu::kOpenUpdateFile), Item("Save Settings As...", menu::kSaveSettings),
                     Item("Load Settings...", menu::kLoadSettings)}),
      Popup("Port", {Item("COM1", menu::kFirstPort), Item("COM2", menu::kFirstPort + 1), Item("COM3", menu::kFirstPort + 2), Item("COM4", menu::kFirstPort + 3),
                     Item("COM5", menu::kFirstPort + 4), Item("COM6", menu::kFirstPort + 5), Item("COM7", menu::kFirstPort + 6), Item("COM8", menu::kFirstPort + 7)}),
      Popup("Model Memory", {Item("Read Memory1", menu::kReadMemory1), Item("Read Memory2", menu::kReadMemory2),
                             Item("Write Memory1", menu::kWriteMemory1), Item("Write Memory2", menu::kWriteMemory2)}),
      Popup("Options", {Item("Lock Funktions", menu::kLockFunctions), Item("Calibrate RC-Oscillator", menu::kCalibrateOscillator),
                        Item("Controller Info", menu::kControllerInfo)}),
      Item("Rev Counter", menu::kRevCounter),
      Popup("Help", {Item("Help File", menu::kHelpFile, true), Item("User's Manual", menu::kUsersManual),
                     Item("Internet Servicepage", menu::kServicePage),
                     Item("About...", menu::kAbout)}),
  };
}

DialogResource BuildMainWindow() {
  DialogResource d;
  d.id = IDD_MAIN;
  d.title = "Ravix - Micro  Setup ";
  d.width = 447;
  d.height = 226;
  d.controls = MainControls();
  d.menuId = IDR_MAIN_MENU;
  d.menu = MainMenu();
  return d;
}

// Constant data, built once before main() and never changed.
const DialogResource kMainWindow = BuildMainWindow();

}  // namespace

const DialogResource& MainWindowResource() { return kMainWindow; }

const DialogResource* FindDialogResource(int id) {
  return id == IDD_MAIN ? &kMainWindow : FindToolDialogResource(id);
}

}  // namespace ravix
