#include "resources/window_help.h"

#include <cctype>
#include <cstdio>
#include <set>

#include "resources/ids.h"

namespace ravix {

namespace {

// Built once before main() and never changed.
const std::vector<CommandKey> kCommandKeys = {
    {IDD_MAIN, menu::kSaveSettings, "Ctrl+S"},
    {IDD_MAIN, menu::kLoadSettings, "Ctrl+O"},
    {IDD_MAIN, menu::kOpenUpdateFile, "Ctrl+U"},
    {IDD_MAIN, panel::kRead, "F5"},
    {IDD_MAIN, panel::kWrite, "F6"},
};

struct ControlTip {
  int dialog;
  int control;
  std::string_view text;
};

// The buttons of the main window and the controls of the tool dialogs; the settings
// panel's own controls take their words from the settings table.
const std::vector<ControlTip> kToolTips = {
    {IDD_MAIN, panel::kRead, "Read the controller's settings into the panel"},
    {IDD_MAIN, panel::kWrite, "Write the panel's settings into the controller"},
    {IDD_MAIN, panel::kVersion, "The controller's firmware version, as the last Read found it"},
    {IDD_MAIN, panel::kSettingUp, "Set up RPM control: the motor's highest speed and the control gains"},
    {IDD_MAIN, panel::kResetLog, "Set the four event counters to zero; the controller's change with the next Write"},
    {IDD_MAIN, IDC_STATUS, "What the last command did: OK when it went through"},
    {IDD_MAIN, panel::kEnd, "Close the program; the chosen port is kept for the next start"},

    {IDD_RPM_CONTROL, rpmdlg::kFrequencyHz,
     "The highest electrical frequency of the motor phase the controller allows, in Hz (0: no maximum set)"},
    {IDD_RPM_CONTROL, rpmdlg::kElectricalRpm, "The same frequency in revolutions per minute of the motor phase"},
    {IDD_RPM_CONTROL, rpmdlg::kMotorRpm, "The motor's speed at that frequency, in rpm (through the number of poles)"},
    {IDD_RPM_CONTROL, rpmdlg::kRotorRpm,
     "Type the highest rotor or propeller speed you want, in rpm, then press Calculate"},
    {IDD_RPM_CONTROL, rpmdlg::kCalculate, "Work out the motor-phase frequency for the rotor speed typed in"},
    {IDD_RPM_CONTROL, motor::kPoleCount, "The motor's number of magnetic poles: an even number from 2 to 98"},
    {IDD_RPM_CONTROL, motor::kGearRatio,
     "The gearbox reduction: motor revolutions per rotor revolution (1.00 for a direct drive)"},
    {IDD_RPM_CONTROL, motor::kSaveInput, "Keep the number of poles and the gear ratio for the next time"},
    {IDD_RPM_CONTROL, rpmdlg::kRead, "Read the controller's present maximum frequency and control gains"},
    {IDD_RPM_CONTROL, rpmdlg::kWrite, "Write the calculated maximum frequency and the gains into the controller"},
    {IDD_RPM_CONTROL, rpmdlg::kPValue, "How strongly the speed control reacts to a speed error at once: 1 (soft) to 10 (hard)"},
    {IDD_RPM_CONTROL, rpmdlg::kIValue,
     "How strongly the speed control makes up for a lasting speed error: 1 (soft) to 5 (hard)"},
    {IDD_RPM_CONTROL, rpmdlg::kDone, "Close this window"},

    {IDD_LOCK_FUNCTIONS, lockdlg::kRead, "Read the controller's locks"},
    {IDD_LOCK_FUNCTIONS, lockdlg::kWrite, "Write the locks as ticked into the controller"},
    {IDD_LOCK_FUNCTIONS, lockdlg::kLockRcSetup,
     "Ticked: the controller cannot be set up with the transmitter's stick any more"},
    {IDD_LOCK_FUNCTIONS, lockdlg::kLockTestProgram,
     "Ticked: the controller's test program is locked (the rev counter needs this)"},
    {IDD_LOCK_FUNCTIONS, lockdlg::kEnd, "Close this window"},

    {IDD_REV_COUNTER, revdlg::kFrequencyHz, "The measured electrical frequency of the motor phase, in Hz"},
    {IDD_REV_COUNTER, revdlg::kElectricalRpm, "The same frequency in revolutions per minute of the motor phase"},
    {IDD_REV_COUNTER, revdlg::kMotorRpm, "The motor's speed, in rpm (through the number of poles)"},
    {IDD_REV_COUNTER, revdlg::kPropRpm, "The propeller's or rotor's speed, in rpm (through the gear ratio)"},
    {IDD_REV_COUNTER, motor::kPoleCount, "The motor's number of magnetic poles: an even number from 2 to 98"},
    {IDD_REV_COUNTER, motor::kGearRatio,
     "The gearbox reduction: motor revolutions per propeller revolution (1.00 for a direct drive)"},
    {IDD_REV_COUNTER, motor::kSaveInput, "Keep the number of poles and the gear ratio for the next time"},
    {IDD_REV_COUNTER, revdlg::kReleaseMotor,
     "Let the controller run the motor and count its revolutions every 2 seconds until it stops"},
    {IDD_REV_COUNTER, revdlg::kDone, "Close this window"},
};

bool IsWordStart(const std::string& text, size_t i) {
  if (!std::isalpha(static_cast<unsigned char>(text[i]))) return false;
  if (i == 0) return true;
  const char before = text[i - 1];
  return before == ' ' || before == '-' || before == '/' || before == '(';
}

}  // namespace

const std::vector<CommandKey>& CommandKeys() { return kCommandKeys; }

std::string_view KeysOf(int dialog, int command) {
  for (const CommandKey& key : kCommandKeys)
    if (key.dialog == dialog && key.command == command) return key.keys;
  return {};
}

std::string ToolTipOf(int dialog, int control) {
  std::string tip;
  for (const ControlTip& entry : kToolTips)
    if (entry.dialog == dialog && entry.control == control) tip = entry.text;
  const std::string_view keys = KeysOf(dialog, control);
  if (!keys.empty()) tip += (tip.empty() ? "" : " ") + ("(" + std::string(keys) + ")");
  return tip;
}

std::vector<int> MnemonicPositions(const std::vector<std::string>& texts) {
  std::set<int> taken;  // upper-case letters and digits
  std::vector<int> positions;
  auto key = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
  for (const std::string& text : texts) {
    int found = -1;
    // Word starts first, then digits, then any letter.
    for (int pass = 0; pass < 3 && found < 0; ++pass) {
      for (size_t i = 0; i < text.size() && found < 0; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool fits = pass == 0 ? IsWordStart(text, i) : pass == 1 ? std::isdigit(c) != 0 : std::isalpha(c) != 0;
        if (fits && !taken.contains(key(text[i]))) found = static_cast<int>(i);
      }
    }
    if (found >= 0) taken.insert(key(text[static_cast<size_t>(found)]));
    positions.push_back(found);
  }
  return positions;
}

std::string ProgressLabel(int done, int total, uint32_t elapsedMs, int startDone, int secondsLeft) {
  if (total <= 0) return "";
  done = done < 0 ? 0 : done > total ? total : done;
  std::string label = std::to_string(100LL * done / total) + "%  " + std::to_string(done) + " of " +
                      std::to_string(total) + " lines";
  // A rate of fewer than a second's lines would swing wildly.
  const int sent = done - startDone;
  long long left = secondsLeft;
  if (left < 0 && sent > 0 && elapsedMs >= 1000)
    left = (static_cast<long long>(elapsedMs) * (total - done) / sent + 500) / 1000;
  if (left >= 0 && done < total) {
    char clock[32];
    std::snprintf(clock, sizeof clock, ", %lld:%02lld left", left / 60, left % 60);
    label += clock;
  }
  return label;
}

}  // namespace ravix
