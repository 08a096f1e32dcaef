#include "dialogs/rev_counter.h"

#include <cstdio>

#include "resources/resources.h"
#include "dialogs/dialog_fields.h"
#include "dialogs/lock_functions.h"
#include "dialogs/motor_values.h"
#include "protocol/link_check.h"
#include "status/messages.h"

namespace ravix {

namespace {

// The counter restarts the controller first; its boxes belong to the main window.
constexpr LinkCheck kRevCounterCheck{
    .steps = {.restartFirst = true},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice, .blankField = true},
    .noAnswer = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNoConnection, .blankField = true},
};

constexpr char kPropLabel[] = "Prop revs, rpm";
constexpr char kTimeLeftLabel[] = "sec. time left";

// The test program came with release 10.11.
constexpr int kFirstTestProgramVersion = 0x1011;

}  // namespace

int HighestCountableHz(double statusReadUs) {
  if (statusReadUs <= 0) return revdlg::kHighestExpectedHz;
  return static_cast<int>(1e6 / (2 * statusReadUs));
}

RevValues RevValuesFromPulses(int pulses, int poleCount, float gearRatio) {
  RevValues v;
  v.electricalRpm = pulses * revdlg::kRpmPerPulse;
  v.frequencyHz = v.electricalRpm / 60;
  if (poleCount > 0) v.motorRpm = v.electricalRpm * 2 / poleCount;
  v.propRpm = TruncateToInt(static_cast<double>(static_cast<float>(v.motorRpm) / gearRatio));
  return v;
}

void OpenRevCounter(const DialogParts& tool, Window& mainWindow) {
  Status& status = tool.status;
  SetupProtocol& protocol = tool.protocol;
  status.StatusWindow = status.MainWindow;
  if (!tool.settings.ValuesRead()) {
    status.Refuse("Error!", msg::kReadValuesFirst);
    return;
  }
  if (tool.settings.LastRead.ControllerVersion < kFirstTestProgramVersion) {
    status.Refuse("Error!", "Available with V10.11");
    return;
  }
  // The motor release and the counting go over an adapter that carries them (the
  // serial one); over the parallel adapter the dialog would wait out its ten seconds
  // and count nothing.
  if (!tool.link.Kind().revCounter) {
    status.Refuse("ERROR!", "  PORT ?");
    return;
  }

  if (CheckLinkFor(protocol, tool.link, status, kRevCounterCheck, &mainWindow, &mainWindow) != LinkOutcome::Ready)
    return;
  // With the test program unlocked the controller would run its own test on release
  // instead of reporting the motor's revolutions.
  uint8_t& lockByte = tool.dialogs.LockByte;
  lockByte = static_cast<uint8_t>(protocol.ReadSettingByte(address::kLockByte));
  if (lockByte & lockdlg::kTestProgramAllowed) {
    status.Refuse("Error!", "only available, when test-pgm locked");
    status.EndFieldBlank();
    return;
  }

  RevCounterDialog handler(tool);
  RunDialog(tool.platform.ui, *FindDialogResource(IDD_REV_COUNTER), &mainWindow, handler);
  status.Done();
}

void RevCounterDialog::OnInit(Window& dialog) { LoadAndShowRpmValues(tool_.setupFile, dialog); }

bool RevCounterDialog::OnCommand(Window& dialog, int command) {
  Status& status = tool_.status;
  status.BeginCommand();
  switch (command) {
    case motor::kSaveInput:
      if (SaveRpmValues(tool_.setupFile, status, dialog) == 0) status.Done();
      return true;
    case revdlg::kReleaseMotor: ReleaseMotor(dialog); return true;
    case 1:
    case 2:
      dialog.End(1);
      status.Done();
      return true;
    default: return false;
  }
}

// Clock and data high while RESET rises: the controller starts its test program, which
// releases the motor and reports its revolutions on the data line.
//
// The release and the sampling use the serial adapter's lines only; the dialog does
// not open with a parallel port selected. Should it be open all the same, no line is
// touched (a serial port left open from before belongs to no adapter in use) and the
// wait ends after its ten seconds.
void RevCounterDialog::Release() {
  Link& link = tool_.link;
  Adapter& lines = link.Lines();
  const bool drive = lines.Kind().revCounter;
  link.InitParallelAdapter();
  link.WaitMs(100);
  if (drive) lines.SetReset(false);
  link.WaitMs(100);
  if (drive) {
    lines.SetClock(true);
    lines.SetData(true);
  }
  link.WaitMs(50);
  if (drive) {
    lines.SetReset(true);
    lines.SetData(true);
  }
  link.ShortDelay(1);
}

bool RevCounterDialog::Sample() { return tool_.link.Kind().revCounter && tool_.link.Lines().ReadDataLine(); }

void RevCounterDialog::HoldInReset() {
  if (tool_.link.Kind().revCounter) tool_.link.Lines().SetReset(false);
}

void RevCounterDialog::TellSlowPort(Window& dialog) {
  if (slowPortTold_) return;
  slowPortTold_ = true;
  const double readUs = tool_.link.Lines().Figures().StatusReadUs();
  const int highest = HighestCountableHz(readUs);
  if (highest >= revdlg::kHighestExpectedHz) return;
  char text[256];
  std::snprintf(text, sizeof text,
                "This port reads the motor's line every %s: it counts at most %d pulses a second (%d rpm of the "
                "motor phase). A faster motor shows too low a speed here.",
                Milliseconds(readUs).c_str(), highest, highest * 60);
  tool_.status.Warn("Warning!", text, &dialog);
}

void RevCounterDialog::EnableButtons(Window& dialog, bool enabled) {
  for (int id : {revdlg::kReleaseMotor, revdlg::kDone, motor::kSaveInput}) dialog.EnableItem(id, enabled);
}

void RevCounterDialog::ReleaseMotor(Window& dialog) {
  if (tool_.link.DetectSerialAdapter() != 0) {
    tool_.status.Refuse("Error!", "adapter?");
    dialog.End(1);
    return;
  }
  TellSlowPort(dialog);
  Release();
  EnableButtons(dialog, false);
  dialog.SetItemText(revdlg::kPropLabel, kTimeLeftLabel);
  dialog.Repaint();

  if (WaitForFirstPulse(dialog)) {
    Measure(dialog);
    return;
  }
  dialog.SetItemText(revdlg::kPropLabel, kPropLabel);
  EnableButtons(dialog, true);
  dialog.SetItemText(revdlg::kPropRpm, " ");
  tool_.platform.ui.Beep();
  dialog.Repaint();
  HoldInReset();
  // No pulse came: the motor did not turn, and there is nothing to show.
  tool_.status.Done();
}

// The first pulse is a falling edge inside one 1-second window: a line that is high
// all the time counts as no pulse, like one that is low all the time.
bool RevCounterDialog::WaitForFirstPulse(Window& dialog) {
  Clock& clock = tool_.platform.clock;
  for (int secondsLeft = revdlg::kWaitSeconds; secondsLeft > 0;) {
    const uint32_t t0 = clock.TickCount();
    bool high = false;
    do high = Sample();
    while (!high && Elapsed(t0) < revdlg::kWaitWindowMs);
    if (high)
      while (Elapsed(t0) < revdlg::kWaitWindowMs)
        if (!Sample()) return true;
    --secondsLeft;
    ShowNumber(dialog, revdlg::kPropRpm, "%01d", secondsLeft);
    dialog.Repaint();
  }
  return false;
}

void RevCounterDialog::Measure(Window& dialog) {
  Clock& clock = tool_.platform.clock;
  const SetupFile& values = tool_.setupFile;
  dialog.SetItemText(revdlg::kPropLabel, kPropLabel);
  dialog.Repaint();

  // The first window starts on a tick, so that every window lasts the full 2000 ms.
  const uint32_t start = clock.TickCount();
  while (clock.TickCount() == start) {
  }
  for (;;) {
    const uint32_t t0 = clock.TickCount();
    int pulses = 0;
    // A pulse counts when its high and its following low both fall inside the window.
    while (Elapsed(t0) < revdlg::kCountWindowMs) {
      if (!Sample()) continue;
      while (Elapsed(t0) < revdlg::kCountWindowMs) {
        if (!Sample()) {
          ++pulses;
          break;
        }
      }
    }
    if (pulses == 0) break;
    const RevValues v = RevValuesFromPulses(pulses, values.PoleCount, values.GearRatio);
    ShowNumber(dialog, revdlg::kElectricalRpm, "%01d", v.electricalRpm);
    ShowNumber(dialog, revdlg::kFrequencyHz, "%01d", v.frequencyHz);
    ShowNumber(dialog, revdlg::kMotorRpm, "%01d", v.motorRpm);
    ShowNumber(dialog, revdlg::kPropRpm, "%4d", v.propRpm);
    dialog.Repaint();
  }

  EnableButtons(dialog, true);
  for (int id : {revdlg::kElectricalRpm, revdlg::kFrequencyHz, revdlg::kMotorRpm, revdlg::kPropRpm})
    dialog.SetItemText(id, " ");
  HoldInReset();
  tool_.platform.ui.Beep();
  dialog.Repaint();
  tool_.status.Done();
}

}  // namespace ravix
