#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ravix::sim {

// The AVR serial programming interface of the simulated controller. It listens while
// RESET is held low after a positive reset pulse given with the clock low: it takes a
// bit from the data line on each rising clock edge, shifts its own bit out after each
// falling edge (most significant bit first), and works in four-byte instructions once
// Programming Enable (AC 53 xx xx) has been recognised on its byte boundaries.
class SimIsp {
 public:
  // Ok: answers with the bytes below. Locked: the signature reads 00 01 02. Erased:
  // the signature and calibration read 0xFF. Absent: never answers (its data output
  // stays at the idle level) and recognises nothing.
  enum class State { Ok, Locked, Erased, Absent };
  State state = State::Ok;
  // Bits the device is out of step with the tool when programming mode begins: this
  // many extra clock pulses bring its byte boundaries back to the tool's (0 to 7;
  // other values count modulo 8).
  int outOfStep = 0;
  uint8_t signature[3] = {0x1E, 0x93, 0x07};
  uint8_t fuseHigh = 0xD9;
  uint8_t fuseLow = 0xE4;
  uint8_t lockBits = 0xFF;
  uint8_t calibration = 0xA8;  // calibration byte 3

  // Programming mode begins (the reset pulse has ended with the clock low) or ends.
  void Enter();
  void Leave();
  bool Active() const { return active_; }
  // Clock edges while programming mode is active.
  void RisingEdge(bool mosi);
  void FallingEdge();
  // The data output as the adapter sees it; high when the device does not drive it.
  bool Miso() const;

  // Receives every instruction the device executed, as "isp 0xHHHH 0xHHHH".
  std::function<void(std::string)> log;

 private:
  void ByteReceived(uint8_t byte);
  uint8_t OutputByte() const;

  bool active_ = false;
  int bitCount_ = 0;  // bits of the current byte counted so far
  uint8_t rx_ = 0;
  uint8_t shiftOut_ = 0xFF;  // the byte being shifted out
  uint8_t next_ = 0xFF;      // the byte that goes out from the next byte boundary on
  bool outBit_ = true;
  bool enabled_ = false;  // Programming Enable recognised since programming mode began
  int byteIndex_ = 0;     // position of the next byte in the instruction
  uint8_t instruction_[4] = {};
  uint8_t previous_ = 0;  // the byte before, to recognise AC 53 out of step
};

}  // namespace ravix::sim
