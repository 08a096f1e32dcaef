#pragma once
#include <cstdint>

namespace ravix::sim {

// The controller's test program: after a release with clock and data high it pulses
// its data line at a set frequency for a set time, once per electrical revolution of
// the motor; each period starts with its high half. After the pulses, or from the
// release on when no frequency is set, the line rests low (the motor has stopped) or,
// with afterHigh, high (a line that hangs on its high level).
class SimMotor {
 public:
  double hz = 0;
  double seconds = 0;
  bool afterHigh = false;

  void Start(uint64_t nowUs) { startUs_ = nowUs, running_ = true; }
  void Stop() { running_ = false; }
  bool DataLine(uint64_t nowUs) const;

 private:
  bool running_ = false;
  uint64_t startUs_ = 0;
};

}  // namespace ravix::sim
