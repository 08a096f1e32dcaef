#pragma once
#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace ravix::sim {

// The simulated machine's clock. In virtual time every platform call costs a fixed
// small duration, so busy waits and port-read delays behave as on hardware while a
// ten-second measurement runs in milliseconds. In real time it is the steady clock.
// Reading the microsecond counter costs nothing: the tool times its port with it, and
// that timing must not move what it measures; a busy wait on it passes at once.
class SimClock : public Clock {
 public:
  explicit SimClock(bool virtualTime) : virtual_(virtualTime), start_(std::chrono::steady_clock::now()) {}

  uint32_t TickCount() override {
    ++tickReads;
    Advance(kTickReadCostUs);
    return static_cast<uint32_t>(NowUs() / 1000 + tickOffsetMs_);
  }
  void Pass(uint32_t ms) override;
  uint64_t MicrosecondCount() override { return NowUs(); }
  void BusyWaitUs(uint32_t us) override;

  // Microseconds since the simulation began.
  uint64_t NowUs() const;
  void Advance(uint64_t us) {
    if (virtual_) nowUs_ += us;
  }
  bool IsVirtual() const { return virtual_; }
  // Moves the tick counter (not the time) so that it wraps soon: tests of the wrap.
  void SetTickOffset(uint32_t offsetMs) { tickOffsetMs_ = offsetMs; }

  static constexpr uint64_t kTickReadCostUs = 1;
  // Reads of the tick counter so far (the benchmark counts them apart from the port calls).
  uint64_t tickReads = 0;

 private:
  bool virtual_;
  uint64_t nowUs_ = 0;
  uint32_t tickOffsetMs_ = 0;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace ravix::sim
