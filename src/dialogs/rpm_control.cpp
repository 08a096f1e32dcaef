#include "dialogs/rpm_control.h"

#include <climits>

#include "resources/resources.h"
#include "dialogs/dialog_fields.h"
#include "dialogs/motor_values.h"
#include "protocol/link_check.h"
#include "settings/settings_commands.h"
#include "status/messages.h"

namespace ravix {

namespace {

// Here a controller of another kind (253) gets the same answer as no controller, and
// the status field is left as it is.
constexpr LinkCheck kRpmReadCheck{
    .steps = {.otherDistinct = false},
    .noAdapter = {.tell = Tell::ErrorBox},
    .otherDevice = {},
    .noAnswer = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNoConnection},
};

constexpr char kNoFrequency[] = "elec. freq. motorphase unknown!\nRead or Calculate first.";
constexpr char kNoRotorSpeed[] = "desired rotorspeed: please type in a number!";
constexpr char kNegativeRotorSpeed[] = "desired rotorspeed: no negative values!";
constexpr char kRotorSpeedTooLarge[] = "desired rotorspeed: value too large!";

// Nearest single-precision value to 1/120: Hz from pole count times motor rpm.
constexpr float kHzPerPoleRpm = 0.008333334f;

}  // namespace

std::optional<uint16_t> RpmControlWordFromHz(int clockMhz, int hz) {
  // The word divides by the frequency; 0 and below have none.
  if (hz <= 0) return std::nullopt;
  const RpmClockConstants clock = RpmClockConstantsFor(clockMhz);
  const long long word = clock.k / hz - clock.c;
  // A frequency so high that the word drops below 0 cannot be written either.
  if (word < 0 || word > rpmdlg::kNoMaximumWord) return std::nullopt;
  return static_cast<uint16_t>(word);
}

int MinFrequencyHz(int clockMhz) {
  int hz = 1;
  while (!RpmControlWordFromHz(clockMhz, hz)) ++hz;
  return hz;
}

void OpenRpmControl(const DialogParts& tool, Window& mainWindow) {
  tool.status.StatusWindow = tool.status.MainWindow;
  if (!tool.settings.ValuesRead()) {
    tool.status.Refuse("Error!", msg::kReadValuesFirst);
    return;
  }
  // The main window's maximum no longer holds once the dialog may change it; it is
  // shown again by the next Read.
  mainWindow.SetItemText(panel::kMaxFrequency, "   ");

  Ui& ui = tool.platform.ui;
  RpmControlDialog handler(tool);
  handler.window = ui.CreateWindow(*FindDialogResource(IDD_RPM_CONTROL), &mainWindow);
  handler.OnInit(*handler.window);
  if (!handler.window->Ended()) ui.RunModal(handler.window, handler);
  tool.status.Done();
}

void RpmControlDialog::OnInit(Window& dialog) { LoadAndShowRpmValues(tool_.setupFile, dialog); }

bool RpmControlDialog::OnCommand(Window& dialog, int command) {
  Status& status = tool_.status;
  status.BeginCommand();
  switch (command) {
    case rpmdlg::kRead: Read(dialog); return true;
    case rpmdlg::kCalculate: Calculate(dialog); return true;
    case rpmdlg::kWrite: Write(dialog); return true;
    case motor::kSaveInput:
      if (SaveRpmValues(tool_.setupFile, status, dialog) == 0) status.Done();
      return true;
    case 1:
    case 2:
      dialog.End(1);
      status.Done();
      return true;
    default: return false;
  }
}

void RpmControlDialog::BlankValues(Window& dialog) {
  for (int id : {rpmdlg::kFrequencyHz, rpmdlg::kElectricalRpm, rpmdlg::kMotorRpm, rpmdlg::kRotorRpm})
    dialog.SetItemText(id, "  ");
}

uint16_t RpmControlDialog::ReadWord() {
  const int high = ReadByte(address::kRpmControlHigh);
  return static_cast<uint16_t>(high * 256 + ReadByte(address::kRpmControlLow));
}

void RpmControlDialog::ShowFrequency(Window& dialog, int hz) {
  const SetupFile& values = tool_.setupFile;
  const long long poles = values.PoleCount;
  const long long electricalRpm = static_cast<long long>(hz) * 60;
  ShowNumber(dialog, rpmdlg::kFrequencyHz, "%4d", static_cast<int>(electricalRpm / 60));
  ShowNumber(dialog, rpmdlg::kElectricalRpm, "%4d", static_cast<int>(electricalRpm));
  ShowNumber(dialog, rpmdlg::kMotorRpm, "%4d", TruncateToInt(static_cast<double>(electricalRpm * 2 / poles)));
  const long long rotorElectrical =
      TruncateToInt(static_cast<double>(static_cast<float>(electricalRpm) / values.GearRatio));
  ShowNumber(dialog, rpmdlg::kRotorRpm, "%4d", TruncateToInt(static_cast<double>(rotorElectrical * 2 / poles)));
}

void RpmControlDialog::Read(Window& dialog) {
  SettingsState& settings = tool_.settings;
  LoadAndShowRpmValues(tool_.setupFile, dialog);
  dialog.Repaint();
  BlankValues(dialog);
  dialog.Repaint();
  tool_.link.WaitMs(100);

  if (CheckLinkFor(tool_.protocol, tool_.link, tool_.status, kRpmReadCheck, nullptr, nullptr) != LinkOutcome::Ready)
    return;
  if (ReadByte(address::kSetupMarker) != kSetupMarkerValue) {
    tool_.status.Refuse("ERROR!", msg::kNotSetUp);
    return;
  }

  // Everything is read before anything is shown or taken, so that a controller that
  // falls silent part way changes nothing.
  const uint16_t word = ReadWord();
  const bool gains = settings.LastRead.ControllerVersion >= rpmdlg::kFirstGainsVersion;
  int p = 0, i = 0;
  if (gains) {
    p = ReadByte(rpmdlg::kPGainAddress);
    i = 6 - ReadByte(rpmdlg::kIGainAddress);
  }
  if (!tool_.protocol.LinkStillReady()) {
    LinkLost(dialog);
    return;
  }

  int hz = 0;
  if (word > rpmdlg::kNoMaximumWord)
    settings.RpmControl = 0;
  else
    hz = MaxFrequencyHz(settings.LastRead.ClockMhz, word);
  ShowFrequency(dialog, hz);

  if (gains) {
    // Without a maximum the gains mean nothing yet: start from the middle of both ranges.
    if (settings.RpmControl == 0) p = 3, i = 3;
    ShowNumber(dialog, rpmdlg::kIValue, "%2d", i);
    ShowNumber(dialog, rpmdlg::kPValue, "%2d", p);
    dialog.EnableItem(rpmdlg::kPValue, true);
    dialog.EnableItem(rpmdlg::kIValue, true);
  } else {
    dialog.EnableItem(rpmdlg::kPValue, false);
    dialog.EnableItem(rpmdlg::kIValue, false);
  }

  for (int id : {rpmdlg::kCalculate, rpmdlg::kWrite, rpmdlg::kRotorRpm}) dialog.EnableItem(id, true);
  dialog.Repaint();
  tool_.platform.ui.Beep();
  tool_.status.Done();
}

// The values fields stay blank; Calculate and Write go off, since they would act on
// what an earlier Read found, and the main window's values count as not read.
void RpmControlDialog::LinkLost(Window& dialog) {
  tool_.settings.ForgetController();
  for (int id : {rpmdlg::kCalculate, rpmdlg::kWrite, rpmdlg::kRotorRpm}) dialog.EnableItem(id, false);
  dialog.Repaint();
  tool_.status.Refuse("ERROR!", msg::kNoConnection);
}

void RpmControlDialog::Calculate(Window& dialog) {
  const SetupFile& values = tool_.setupFile;
  LoadAndShowRpmValues(tool_.setupFile, dialog);
  dialog.Repaint();
  tool_.status.StatusWindow = window;

  const std::optional<int> rotorRpm = FieldInteger(dialog, rpmdlg::kRotorRpm, "%8d");
  if (!rotorRpm) {
    Refuse(kNoRotorSpeed);
    return;
  }
  if (*rotorRpm < 0) {
    Refuse(kNegativeRotorSpeed);
    return;
  }
  const float motorRpm = static_cast<float>(*rotorRpm) * values.GearRatio;
  const float poleRpm = static_cast<float>(values.PoleCount) * motorRpm;
  const double electricalRpm = static_cast<double>(poleRpm) * 0.5;
  if (static_cast<double>(motorRpm) > INT_MAX || electricalRpm > INT_MAX) {
    Refuse(kRotorSpeedTooLarge);
    return;
  }
  ShowNumber(dialog, rpmdlg::kMotorRpm, "%4d", TruncateToInt(motorRpm));
  ShowNumber(dialog, rpmdlg::kElectricalRpm, "%4d", TruncateToInt(electricalRpm));
  ShowNumber(dialog, rpmdlg::kFrequencyHz, "%4d",
             TruncateToInt(static_cast<double>(poleRpm) * static_cast<double>(kHzPerPoleRpm)));
  dialog.Repaint();
  tool_.status.Done();
}

void RpmControlDialog::Write(Window& dialog) {
  SettingsState& settings = tool_.settings;
  LoadAndShowRpmValues(tool_.setupFile, dialog);
  dialog.Repaint();
  tool_.status.StatusWindow = window;

  // The field is filled by Read and Calculate only; a failed Read leaves it blank.
  const std::optional<int> hz = FieldInteger(dialog, rpmdlg::kFrequencyHz, "%8d");
  if (!hz) {
    Refuse(kNoFrequency);
    return;
  }
  // Taken before the checks: the main window only asks whether a maximum is known
  // (not 0). A frequency below 0 stands for none.
  settings.RpmControl = *hz > 0 ? *hz : 0;
  if (*hz > rpmdlg::kMaxFrequencyHz) {
    Refuse("max. 2500 Hz");
    return;
  }
  const std::optional<uint16_t> word = RpmControlWordFromHz(settings.LastRead.ClockMhz, *hz);
  if (!word) {
    Refuse("min. " + std::to_string(MinFrequencyHz(settings.LastRead.ClockMhz)) + " Hz");
    return;
  }

  // Every field is checked before the first byte goes out, so that a refused gain
  // leaves the controller as it was.
  const bool gains = settings.LastRead.ControllerVersion >= rpmdlg::kFirstGainsVersion;
  int p = 0, i = 0;
  if (gains) {
    const std::optional<int> typedP = FieldInteger(dialog, rpmdlg::kPValue, "%2d");
    if (!typedP || *typedP < 1 || *typedP > 10) {
      Refuse("P: 1 - 10 !");
      return;
    }
    const std::optional<int> typedI = FieldInteger(dialog, rpmdlg::kIValue, "%2d");
    if (!typedI || *typedI < 1 || *typedI > 5) {
      Refuse("I: 1 - 5 !");
      return;
    }
    p = *typedP, i = *typedI;
  }

  SetupProtocol& protocol = tool_.protocol;
  if (protocol.WriteSettingByteChecked(address::kRpmControlHigh, *word >> 8) != 0) return;
  if (protocol.WriteSettingByteChecked(address::kRpmControlLow, *word % 256) != 0) return;
  if (gains) {
    if (protocol.WriteSettingByteChecked(rpmdlg::kPGainAddress, static_cast<uint32_t>(p)) != 0) return;
    if (protocol.WriteSettingByteChecked(rpmdlg::kIGainAddress, static_cast<uint32_t>(6 - i)) != 0) return;
  }

  BlankValues(dialog);
  dialog.Repaint();
  // What the controller now holds, as the clock table turns it back into Hz. A
  // controller that fell silent echoes 255 and reads as 255: only a ready answer
  // afterwards shows that the bytes arrived.
  const uint16_t held = ReadWord();
  if (!protocol.LinkStillReady()) {
    LinkLost(dialog);
    return;
  }
  ShowFrequency(dialog, MaxFrequencyHz(settings.LastRead.ClockMhz, held));
  dialog.Repaint();
  tool_.platform.ui.Beep();
  tool_.status.Done();
}

}  // namespace ravix
