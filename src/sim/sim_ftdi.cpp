#include "sim/sim_ftdi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/sim_adapter.h"

namespace ravix::sim {

namespace {

// The simulated chip behind our FtdiDevice interface.
class SimFtdiDevice : public FtdiDevice {
 public:
  explicit SimFtdiDevice(SimFtdi& chip) : chip_(chip) {}
  ~SimFtdiDevice() override { chip_.Closed(); }
  bool SetSyncBitBang(uint8_t mask) override { return chip_.SetSyncBitBang(mask); }
  bool SetStateRate(uint32_t statesPerSecond) override { return chip_.SetStateRate(statesPerSecond); }
  bool SetLatencyTimer(uint8_t ms) override { return chip_.SetLatencyTimer(ms); }
  bool Purge() override { return chip_.Purge(); }
  bool Write(std::span<const uint8_t> states) override { return chip_.Write(states.data(), states.size()); }
  int Read(std::span<uint8_t> samples) override { return chip_.Read(samples.data(), samples.size()); }
  std::string LastError() override { return chip_.present ? "" : "device disconnected"; }

 private:
  SimFtdi& chip_;
};

}  // namespace

std::vector<FtdiChipInfo> SimFtdi::List() {
  if (!present) return {};
  return {{kSerial, kDescription, ""}};
}

std::string SimFtdi::BitBangChipFor(const std::string&) { return adapter_.Model().bitBang ? kSerial : ""; }

std::string SimFtdi::ChipBehindPort(const std::string& portName) {
  if (!present || adapter_.Model().bitBang) return {};
  // A COM port or a device; not a parallel port, not the chip's own bit-bang name.
  const bool parallel = portName == "0278" || portName == "0378" || portName == "03BC";
  const bool bitBangName = portName.size() >= 5 && (portName.compare(0, 5, "ftdi:") == 0 || portName.compare(0, 5, "FTDI:") == 0);
  return parallel || bitBangName || portName.empty() ? "" : kSerial;
}

std::unique_ptr<FtdiDevice> SimFtdi::Open(const std::string& serial, FtdiOpenFailure& failure, std::string& why) {
  failure = FtdiOpenFailure::None;
  why.clear();
  if (!present || adapter_.portMissing || serial != kSerial) {
    failure = FtdiOpenFailure::NoSuchDevice;
    why = "no such device";
    return nullptr;
  }
  if (open) {
    failure = FtdiOpenFailure::Busy;
    why = "the device is busy";
    return nullptr;
  }
  // Opened afresh, the chip is as it comes out of reset: no bit-bang mode, the default
  // rate and latency, nothing in its FIFOs. The pins keep their levels.
  open = true;
  bitBang = false;
  outputMask = 0;
  rate = kDefaultRate;
  latencyMs = kDefaultLatencyMs;
  samples_.clear();
  statesWritten = samplesRead = 0;
  return std::make_unique<SimFtdiDevice>(*this);
}

void SimFtdi::Closed() {
  open = false;
  bitBang = false;
}

void SimFtdi::Fault(const std::string& what) {
  if (faults.size() < 8) faults.push_back("ftdi: " + what);
}

bool SimFtdi::SetSyncBitBang(uint8_t mask) {
  if (!present) return false;
  // The other pins face the transceiver's receivers: driving one fights the receiver.
  if ((mask & ~ftdi_pin::kOutputs) != 0) {
    char text[96];
    std::snprintf(text, sizeof text, "direction mask 0x%02X drives an input pin (only 0x%02X may be outputs)", mask,
                  ftdi_pin::kOutputs);
    Fault(text);
  }
  bitBang = true;
  outputMask = mask;
  return true;
}

bool SimFtdi::SetStateRate(uint32_t statesPerSecond) {
  if (!present || statesPerSecond == 0) return false;
  rate = statesPerSecond;
  return true;
}

bool SimFtdi::SetLatencyTimer(uint8_t ms) {
  if (!present || ms == 0) return false;
  latencyMs = ms;
  return true;
}

bool SimFtdi::Purge() {
  if (!present) return false;
  samples_.clear();
  samplesRead = statesWritten;
  return true;
}

uint64_t SimFtdi::RoundTripUs() const { return std::max<uint64_t>(kRoundTripUs, uint64_t{latencyMs} * 1000); }

uint8_t SimFtdi::Sample(uint64_t atUs) {
  // Outputs read back as driven; the inputs as the cable shows them.
  const uint8_t inputs = adapter_.FtdiInputs(atUs);
  return static_cast<uint8_t>((pins_ & outputMask) | (inputs & ~outputMask));
}

bool SimFtdi::Write(const uint8_t* states, size_t count) {
  if (!present) return false;
  ++writes;
  if (!bitBang) {
    Fault("states written before synchronous bit-bang mode was set");
    return false;
  }
  if (count > kFtdiMaxWrite) {
    Fault("a write of " + std::to_string(count) + " bytes (more than " + std::to_string(kFtdiMaxWrite) +
          " hangs the chip)");
    return false;
  }
  if (statesWritten + count - samplesRead > kFtdiMaxInFlight)
    Fault(std::to_string(statesWritten + count - samplesRead) + " states unread (at most " +
          std::to_string(kFtdiMaxInFlight) + ")");
  const double now = static_cast<double>(clock_.NowUs());
  for (size_t i = 0; i < count; ++i) {
    const double at = std::max(now, nextStateUs_);
    const uint64_t atUs = static_cast<uint64_t>(std::ceil(at));
    // The sample shows the pins before this state.
    const uint8_t sample = Sample(atUs);
    pins_ = static_cast<uint8_t>((pins_ & ~outputMask) | (states[i] & outputMask));
    adapter_.FtdiPins(pins_, atUs);
    nextStateUs_ = at + StateUs();
    if (samples_.size() >= 256) {
      Fault("the input FIFO overflowed: samples lost");
      continue;
    }
    samples_.push_back({atUs + RoundTripUs(), sample});
  }
  statesWritten += count;
  return true;
}

int SimFtdi::Read(uint8_t* samples, size_t max) {
  if (!present) return -1;
  const uint64_t now = clock_.NowUs();
  size_t n = 0;
  while (n < max && !samples_.empty() && samples_.front().availableUs <= now) {
    samples[n++] = samples_.front().value;
    samples_.pop_front();
  }
  samplesRead += n;
  if (n == 0 && !samples_.empty()) ++waitsForSamples;
  return static_cast<int>(n);
}

}  // namespace ravix::sim
