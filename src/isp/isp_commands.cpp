#include "isp/isp_commands.h"

#include <cstdio>

#include "protocol/link_check.h"
#include "status/messages.h"

namespace ravix {

namespace {

// After the programming interface the firmware must answer: the calibration writes
// through it, so silence ends the command; the information only refuses a controller
// of another kind, since its second connect decides.
constexpr Reaction kOtherDeviceBlank{
    .tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice, .blankField = true};
constexpr LinkCheck kCalibrationCheck{
    .steps = {.restartFirst = true, .otherOnFirst = true, .otherDistinct = false},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = kOtherDeviceBlank,
    .noAnswer = {.tell = Tell::CommandError, .text = msg::kNoConnection},
};
constexpr LinkCheck kInfoCheck{
    .steps = {.restartFirst = true, .recover = false, .secondAlways = false},
    .noAdapter = {},
    .otherDevice = kOtherDeviceBlank,
    .noAnswer = {},
};

// The opening both commands share: the adapter answers and the AVR is connected in
// programming mode. False when the command has already reported and ends.
bool OpenProgrammingInterface(Window& mainWindow, Link& link, Isp& isp, Status& status) {
  status.StatusWindow = status.MainWindow;
  if (!StartConnecting(link, status, mainWindow, &mainWindow)) return false;
  EndFieldBlank(mainWindow);
  // Whatever kept the connect from succeeding (no echo, locked, unknown), the user is
  // told the same; the connect's "connecting...." must not stay behind in the field.
  if (isp.ConnectIsp() != 0) {
    status.Refuse("ERROR!", msg::kNoConnection);
    EndFieldBlank(mainWindow);
    return false;
  }
  return true;
}

std::string Hex2(const char* format, uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value & 0xFF);
  return text;
}

}  // namespace

void CalibrateOscillator(Window& mainWindow, Link& link, SetupProtocol& protocol, Isp& isp, Status& status) {
  if (!OpenProgrammingInterface(mainWindow, link, isp, status)) return;
  const uint32_t oscCalTarget = isp.Instruction(kReadCalibration, 0x0300);

  // The value goes into the setting memory through the firmware, so the controller
  // leaves programming mode and its firmware must answer the link check.
  if (CheckLinkFor(protocol, link, status, kCalibrationCheck, &mainWindow, &mainWindow) != LinkOutcome::Ready) return;
  mainWindow.SetItemText(IDC_STATUS, " ");
  mainWindow.Repaint();

  const uint32_t oldValue = protocol.ReadSettingByte(kOscCalAddress);
  if (protocol.WriteSettingByteChecked(kOscCalAddress, oscCalTarget) != 0) {
    EndFieldBlank(mainWindow);
    return;
  }
  const uint32_t readBack = protocol.ReadSettingByte(kOscCalAddress);

  const std::string report =
      Hex2("should be: %02X", oscCalTarget) + "\n\n" + Hex2("old: %02X", oldValue) + "\n" + Hex2("new: %02X", oscCalTarget);
  const bool calibrated = readBack == oscCalTarget;
  status.Report(calibrated ? "calibration successful!" : "calibration not correct!", report, calibrated);
  mainWindow.SetItemText(IDC_STATUS, " ");
  mainWindow.Repaint();
}

void ShowControllerInfo(Window& mainWindow, Link& link, SetupProtocol& protocol, Isp& isp, Status& status) {
  if (!OpenProgrammingInterface(mainWindow, link, isp, status)) return;

  // Only another kind of device is refused here; a firmware that does not answer at
  // all still has its AVR read, since the second connect decides.
  if (CheckLinkFor(protocol, link, status, kInfoCheck, &mainWindow, &mainWindow) == LinkOutcome::OtherDevice) return;
  if (isp.ConnectIsp() != 0) {
    status.Refuse("ERROR!", msg::kNoConnection);
    EndFieldBlank(mainWindow);
    return;
  }
  const uint32_t fuseHigh = isp.Instruction(kReadFuseHigh, 0x0000);
  const uint32_t fuseLow = isp.Instruction(kReadFuseLow, 0x0000);
  const uint32_t lockBits = isp.Instruction(kReadLockBits, 0x0000);

  // The signature lines without "Echo 53 received", an empty line, then the bytes as read.
  isp.InfoText = isp.InfoText.substr(0, Isp::kSignatureLines) + "\n" + Hex2("Lockbits: %02X\n", lockBits) +
                 Hex2("Fuse HB: %02X\n", fuseHigh) + Hex2("Fuse LB: %02X\n", fuseLow);
  EndFieldBlank(mainWindow);
  status.Report("Info:", isp.InfoText);
}

}  // namespace ravix
