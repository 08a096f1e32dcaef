#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi_device.h"
#include "sim/sim_clock.h"

namespace ravix::sim {

class SimAdapter;

// A simulated FT232R in synchronous bit-bang mode on the adapter cable, with the chip's
// published behaviour: each state written goes onto the pins at the rate the tool set,
// the sample taken with it shows the pins as they were before it took effect, the
// transceiver inverts every line, only TXD, RTS and DTR may be outputs, a write takes at
// most 64 bytes, at most 128 states may be unread and the 256-byte input FIFO overflows
// beyond that, and samples come back a round trip after their state (1 ms, or the
// latency timer when it is longer; the chip starts at 16 ms). A rule broken is a fault
// that the tests report.
//
// The states drive the simulated controller at their own times in virtual time: the
// chip works out when each goes onto the pins as it is written.
class SimFtdi : public FtdiChips {
 public:
  SimFtdi(SimAdapter& adapter, SimClock& clock) : adapter_(adapter), clock_(clock) {}

  static constexpr const char* kSerial = "SIM";
  static constexpr const char* kDescription = "FT232R USB UART";
  // The round trip of a transfer the tool waits for, latency timer included.
  static constexpr uint64_t kRoundTripUs = 1000;
  static constexpr uint32_t kDefaultRate = 9600;  // the chip's rate before the tool sets one
  static constexpr uint8_t kDefaultLatencyMs = 16;

  // Knobs and what the tool set.
  bool present = true;  // the cable is plugged into USB
  bool open = false;
  bool bitBang = false;
  uint8_t outputMask = 0;
  uint32_t rate = kDefaultRate;
  uint8_t latencyMs = kDefaultLatencyMs;
  uint64_t statesWritten = 0, samplesRead = 0, writes = 0, waitsForSamples = 0;
  // Broken rules, in the transcript's words.
  std::vector<std::string> faults;

  // FtdiChips
  std::vector<FtdiChipInfo> List() override;
  std::unique_ptr<FtdiDevice> Open(const std::string& serial, FtdiOpenFailure& failure, std::string& why) override;
  // On the ft232r model the simulated cable stands behind every port name; on the ftdi
  // model every COM port is this chip through its serial driver.
  std::string BitBangChipFor(const std::string& portName) override;
  std::string ChipBehindPort(const std::string& portName) override;

  // The device's calls.
  bool SetSyncBitBang(uint8_t mask);
  bool SetStateRate(uint32_t statesPerSecond);
  bool SetLatencyTimer(uint8_t ms);
  bool Purge();
  bool Write(const uint8_t* states, size_t count);
  int Read(uint8_t* samples, size_t max);
  void Closed();

  // How long one state lasts on the pins.
  double StateUs() const { return 1e6 / static_cast<double>(rate ? rate : 1); }
  uint8_t Pins() const { return pins_; }

 private:
  void Fault(const std::string& what);
  uint64_t RoundTripUs() const;
  uint8_t Sample(uint64_t atUs);

  SimAdapter& adapter_;
  SimClock& clock_;
  uint8_t pins_ = 0xFF;     // the outputs as the chip drives them (all lines idle)
  double nextStateUs_ = 0;  // when the chip can put the next state on the pins
  struct Pending {
    uint64_t availableUs;
    uint8_t value;
  };
  std::deque<Pending> samples_;  // taken, not yet read by the tool
};

}  // namespace ravix::sim
