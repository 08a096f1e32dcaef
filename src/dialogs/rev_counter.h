#pragma once
#include <cstdint>

#include "dialogs/dialog_parts.h"
#include "platform/ui.h"
#include "resources/ids.h"

namespace ravix {

// Dialog 1240 "Number of Revolutions": releases the motor into the controller's test
// program and counts the pulses that the program sends once per electrical
// revolution, in 2-second windows, until they stop.
namespace revdlg {
inline constexpr uint32_t kWaitWindowMs = 1000;
inline constexpr int kWaitSeconds = 10;
inline constexpr uint32_t kCountWindowMs = 2000;
// Electrical revolutions per minute for one pulse in a count window.
inline constexpr int kRpmPerPulse = 60000 / static_cast<int>(kCountWindowMs);
// The fastest a motor pulses that the tool sets RPM control up for ("max. 2500 Hz").
inline constexpr int kHighestExpectedHz = 2500;
}  // namespace revdlg

// The highest pulse rate a port can count: each level of the line must last one read.
int HighestCountableHz(double statusReadUs);

// What one count window shows.
struct RevValues {
  int electricalRpm = 0;
  int frequencyHz = 0;
  int motorRpm = 0;
  int propRpm = 0;
};
RevValues RevValuesFromPulses(int pulses, int poleCount, float gearRatio);

// Command 1238 of the main window: checks that values have been read, the release,
// the link and that the test program is locked, then runs the dialog.
void OpenRevCounter(const DialogParts& tool, Window& mainWindow);

class RevCounterDialog : public WindowHandler {
 public:
  explicit RevCounterDialog(const DialogParts& tool) : tool_(tool) {}

  void OnInit(Window& dialog) override;
  bool OnCommand(Window& dialog, int command) override;

  // "Release Motor": the release, the wait for the first pulse and the measurement.
  void ReleaseMotor(Window& dialog);

 private:
  void Release();
  // The level of the controller's data line, 0 or 1.
  bool Sample();
  // Holds the controller in reset: the motor stops.
  void HoldInReset();
  // Waits for a falling edge in 1-second windows, counting down; false when none came.
  bool WaitForFirstPulse(Window& dialog);
  void Measure(Window& dialog);
  void EnableButtons(Window& dialog, bool enabled);
  // Says once a dialog, on a port too slow for a fast motor, the highest rate it counts.
  void TellSlowPort(Window& dialog);
  uint32_t Elapsed(uint32_t since) { return tool_.platform.clock.TickCount() - since; }

  DialogParts tool_;
  bool slowPortTold_ = false;
};

}  // namespace ravix
