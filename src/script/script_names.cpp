#include "script/script_names.h"

#include "resources/ids.h"

namespace ravix::script {

namespace {

constexpr int kMain = IDD_MAIN, kRpm = IDD_RPM_CONTROL, kLocks = IDD_LOCK_FUNCTIONS, kRevs = IDD_REV_COUNTER;

// Built once before main() and never changed.
const std::vector<ControlName> kNames = {
    // Main window: buttons and fields.
    {kMain, "read", panel::kRead},
    {kMain, "write", panel::kWrite},
    {kMain, "end", panel::kEnd},
    {kMain, "status", IDC_STATUS},
    {kMain, "version-typ", panel::kVersion},
    {kMain, "full-speed", panel::kFullSpeed},
    {kMain, "neutral", panel::kNeutral},
    {kMain, "stop-ret", panel::kStop},
    {kMain, "7-8-khz", panel::kPwm7k8},
    {kMain, "15-6-khz", panel::kPwm15k6},
    {kMain, "control-speed", panel::kControlSpeed},
    {kMain, "startup-power", panel::kStartupPower},
    {kMain, "emf-brake", panel::kBrake},
    {kMain, "commutation-timing", panel::kTiming},
    {kMain, "ignore", panel::kIgnore},
    {kMain, "reduce-power", panel::kReducePower},
    {kMain, "switch-off", panel::kSwitchOff},
    {kMain, "0-8v-cell", panel::kPerCell},
    {kMain, "volt", panel::kVolts},
    {kMain, "small-high-security", panel::kToleranceSmall},
    {kMain, "medium", panel::kToleranceMedium},
    {kMain, "high-for-helicopters", panel::kToleranceHigh},
    {kMain, "active-rpm-control", panel::kRpmControl},
    {kMain, "max-frequency", panel::kMaxFrequency},
    {kMain, "setting-up", panel::kSettingUp},
    {kMain, "overtemp-protection", panel::kOvertempProtect},
    {kMain, "blocked-motor-protect", panel::kBlockedMotorProtect},
    {kMain, "rpm-limit", panel::kRpmLimit},
    {kMain, "active-free-wheeling", panel::kFreeWheeling},
    {kMain, "forward-reverse", panel::kForwardReverse},
    {kMain, "transmitter-failure", panel::kTransmitterFailures},
    {kMain, "overtemperature", panel::kOvertempEvents},
    {kMain, "undervoltage", panel::kUndervoltageEvents},
    {kMain, "blocked-motor", panel::kBlockedMotorEvents},
    {kMain, "reset", panel::kResetLog},
    // Main window: menu commands.
    {kMain, "open-update-file", menu::kOpenUpdateFile},
    {kMain, "save-settings-as", menu::kSaveSettings},
    {kMain, "load-settings", menu::kLoadSettings},
    {kMain, "com1", menu::kFirstPort},
    {kMain, "com2", menu::kFirstPort + 1},
    {kMain, "com3", menu::kFirstPort + 2},
    {kMain, "com4", menu::kFirstPort + 3},
    {kMain, "com5", menu::kFirstPort + 4},
    {kMain, "com6", menu::kFirstPort + 5},
    {kMain, "com7", menu::kFirstPort + 6},
    {kMain, "com8", menu::kFirstPort + 7},
    {kMain, "port-0278", menu::kLpt0278},
    {kMain, "port-0378", menu::kLpt0378},
    {kMain, "port-03bc", menu::kLpt03BC},
    {kMain, "read-memory1", menu::kReadMemory1},
    {kMain, "read-memory2", menu::kReadMemory2},
    {kMain, "write-memory1", menu::kWriteMemory1},
    {kMain, "write-memory2", menu::kWriteMemory2},
    {kMain, "lock-funktions", menu::kLockFunctions},
    {kMain, "calibrate-rc-oscillator", menu::kCalibrateOscillator},
    {kMain, "controller-info", menu::kControllerInfo},
    {kMain, "rev-counter", menu::kRevCounter},
    {kMain, "help-file", menu::kHelpFile},
    {kMain, "users-manual", menu::kUsersManual},
    {kMain, "internet-servicepage", menu::kServicePage},
    {kMain, "about", menu::kAbout},
    // Lock functions dialog.
    {kLocks, "read", lockdlg::kRead},
    {kLocks, "write", lockdlg::kWrite},
    {kLocks, "lock-rc-setup", lockdlg::kLockRcSetup},
    {kLocks, "lock-testprogram", lockdlg::kLockTestProgram},
    {kLocks, "end", lockdlg::kEnd},
    // RPM-control dialog.
    {kRpm, "elec-freq-motorphase-hz", rpmdlg::kFrequencyHz},
    {kRpm, "elec-freq-motorphase-rpm", rpmdlg::kElectricalRpm},
    {kRpm, "motor-rpm", rpmdlg::kMotorRpm},
    {kRpm, "desired-rotorspeed-rpm", rpmdlg::kRotorRpm},
    {kRpm, "calculate", rpmdlg::kCalculate},
    {kRpm, "number-of-poles", motor::kPoleCount},
    {kRpm, "gearbox-ratio-1", motor::kGearRatio},
    {kRpm, "save-input", motor::kSaveInput},
    {kRpm, "read", rpmdlg::kRead},
    {kRpm, "write", rpmdlg::kWrite},
    {kRpm, "p-value", rpmdlg::kPValue},
    {kRpm, "i-value", rpmdlg::kIValue},
    {kRpm, "done", rpmdlg::kDone},
    // Rev counter dialog.
    {kRevs, "elec-freq-motorphase-hz", revdlg::kFrequencyHz},
    {kRevs, "elec-freq-motorphase-rpm", revdlg::kElectricalRpm},
    {kRevs, "motor-revs-rpm", revdlg::kMotorRpm},
    {kRevs, "prop-revs-rpm", revdlg::kPropRpm},
    {kRevs, "number-of-poles", motor::kPoleCount},
    {kRevs, "gearbox-ratio-1", motor::kGearRatio},
    {kRevs, "save-input", motor::kSaveInput},
    {kRevs, "release-motor", revdlg::kReleaseMotor},
    {kRevs, "done", revdlg::kDone},
};

}  // namespace

const std::vector<ControlName>& ControlNames() { return kNames; }

std::optional<int> IdOfName(int dialog, std::string_view name) {
  for (const ControlName& entry : kNames)
    if (entry.dialog == dialog && entry.name == name) return entry.id;
  return std::nullopt;
}

std::string_view NameOfId(int dialog, int id) {
  for (const ControlName& control : ControlNames())
    if (control.dialog == dialog && control.id == id) return control.name;
  return "";
}

}  // namespace ravix::script
