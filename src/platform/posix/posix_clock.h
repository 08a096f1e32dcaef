#pragma once
#include "platform/clock.h"

namespace ravix {

// The millisecond tick counter on the monotonic clock, cut to 32 bits (it wraps as
// the tool expects of a tick counter), and the same clock in microseconds.
class MonotonicClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Pass(uint32_t ms) override;
  uint64_t MicrosecondCount() override;
  void BusyWaitUs(uint32_t us) override;
};

}  // namespace ravix
