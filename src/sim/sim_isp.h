#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ravix::sim {

// The AVR serial programming interface of the simulated controller, active while
// RESET is held low after a reset pulse given with the clock low.
class SimIsp {
 public:
  enum class State { Ok, Locked, Erased, Absent };
  State state = State::Ok;
  int outOfStep = 0;  // bits the device is out of step when programming mode begins
  uint8_t signature[3] = {0x1E, 0x93, 0x07};
  uint8_t fuseHigh = 0xD9;
  uint8_t fuseLow = 0xE4;
  uint8_t lockBits = 0xFF;
  uint8_t calibration = 0xA8;

  // Programming mode begins (reset pulse with the clock low) or ends.
  void Enter();
  void Leave();
  // Clock edges while programming mode is active.
  void RisingEdge(bool mosi);
  void FallingEdge();
  // MISO; idle (high) when the device does not drive it.
  bool Miso() const;

  std::function<void(std::string)> log;

 private:
  bool active_ = false;
  int bitPhase_ = 0;
  uint8_t rx_ = 0;
  uint8_t tx_ = 0xFF;
  uint8_t pending_ = 0xFF;
  bool outBit_ = true;
  bool enabled_ = false;
  int byteIndex_ = 0;
  uint8_t instruction_[4] = {};
  uint8_t lastByte_ = 0;
  bool driving_ = false;
};

}  // namespace ravix::sim
