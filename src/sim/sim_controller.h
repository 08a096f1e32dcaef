#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_clock.h"
#include "sim/sim_isp.h"
#include "sim/sim_motor.h"
#include "sim/sim_timing.h"

namespace ravix::sim {

inline constexpr int kSettingBytes = 58;
inline constexpr int kPageSize = 64;
inline constexpr int kFlashBytes = 8192;  // 128 pages of 64 bytes

// The default setting image of a fresh simulated controller:
//   type-1 controller, release V 10.11 (bytes 32/33 = 0x10/0x11), all five features
//   (31 = 0x1F), 16 MHz (30), set up with the transmitter (12 = 102), compatibility
//   level 32 (35), nothing locked (13 = 0xFF), 7.8 kHz (16 = 10), pulses stop 1.10 ms,
//   neutral 1.50 ms, full speed 1.90 ms, medium brake, 15 degrees timing, switch-off at
//   6.0 V, counters 3/0/1/2, memory 1 filled, memory 2 empty (51 = 255).
std::array<uint8_t, kSettingBytes> DefaultSettingImage();

// The controller on the adapter, at the level of its lines: RESET, clock and data in,
// data out. After a reset release with clock low and data high its setup firmware
// answers the link check and the setup commands; while RESET is held low after a
// reset pulse with clock low its programming interface listens; after a release with
// clock and data high its test program pulses the data line.
class SimController {
 public:
  explicit SimController(SimClock& clock);

  // Line changes from the adapter (levels: true = high), now or at time us (an FTDI
  // chip puts its states on the pins at times of their own).
  void SetLines(bool reset, bool clock, bool data) { SetLinesAt(clock_.NowUs(), reset, clock, data); }
  void SetLinesAt(uint64_t us, bool reset, bool clock, bool data);
  // The controller's data output as the adapter's input line sees it, now or at time us.
  bool DataOut() { return DataOutAt(clock_.NowUs()); }
  bool DataOutAt(uint64_t us);
  // The test program drives the data line (it changes with time, not with the lines).
  bool TestProgramRunning() const { return present && mode_ == Mode::TestProgram; }

  // Knobs.
  bool present = true;      // a controller is on the adapter
  bool otherKind = false;   // its firmware answers 253 to the link check
  std::array<uint8_t, kSettingBytes> settings{};
  std::vector<uint8_t> flash;
  int failWriteAddress = -1;  // the next write of this address reads back wrongly
  int failLoadCountdown = 0;   // the N-th page-byte load from now is echoed wrongly
  int failCommitCountdown = 0; // the N-th commit from now is answered wrongly
  // The firmware takes this many more bytes (the answers shifted out while they come
  // in are whole) and then hangs: its data line stays idle and it takes no command.
  int silentAfter = -1;
  SimIsp isp;
  SimMotor motor;
  // Whether the lines are held as long as the tool promises (off until a unit is set).
  TimingChecker timing;

  // Every command received since the last TakeLog, in the transcript's words.
  std::vector<std::string> TakeLog();
  void Log(std::string entry) { log_.push_back(std::move(entry)); }

  // A fresh controller with the default image (the knobs too).
  void Reset();

 private:
  enum class Mode { HeldInReset, Firmware, Programming, TestProgram, Running };
  void FirmwareByte(uint8_t byte);
  // The firmware's handling of one byte in each state of its command; each returns
  // the answer shifted out during the next exchange.
  uint8_t CommandByte(uint8_t byte);
  uint8_t WriteValue(uint8_t byte);
  void SelectPage(uint8_t byte);
  uint8_t LoadData(uint8_t byte);
  uint8_t Commit(uint8_t byte);
  void LogEntry(const char* format, int a, int b = 0);
  // What the byte just taken asks of the gap before the next one.

  SimClock& clock_;
  Mode mode_ = Mode::HeldInReset;
  bool reset_ = false, clock_line_ = false, data_ = false;
  // Firmware shift registers.
  uint8_t rx_ = 0;
  int bits_ = 0;
  uint8_t tx_ = 0xFF;
  uint8_t answer_ = 0;
  // The last byte before silence has come in, but the answer it carried out is not
  // complete until the falling edge after it.
  bool draining_ = false;
  // Firmware command state.
  enum class Cmd { Idle, ReadAddr, WriteAddr, WriteValue, PageNum, LoadOffset, LoadData, Commit2, Commit3 };
  Cmd cmd_ = Cmd::Idle;
  void CheckGaps(Cmd before, uint8_t byte);
  bool pageCommand_ = false;  // the bytes of a page command: short delays of 4 units between them
  uint8_t address_ = 0;
  uint8_t offset_ = 0;
  int page_ = 0;
  std::array<uint8_t, kPageSize> pageBuffer_{};
  std::vector<std::string> log_;
};

}  // namespace ravix::sim
