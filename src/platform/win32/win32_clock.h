#pragma once
#include <cstdint>

#include "platform/clock.h"

namespace ravix {

// The system's own millisecond tick counter (GetTickCount), 32 bits, wrapping, and the
// performance counter for microseconds. While the clock exists the system's timer runs
// at 1 ms: a plain Sleep moves in ~16 ms steps and would stretch every 5 ms wait.
class TickClock : public Clock {
 public:
  TickClock();
  ~TickClock() override;
  TickClock(const TickClock&) = delete;
  TickClock& operator=(const TickClock&) = delete;

  uint32_t TickCount() override;
  void Pass(uint32_t ms) override;
  uint64_t MicrosecondCount() override;
  void BusyWaitUs(uint32_t us) override;

 private:
  int64_t frequency_ = 0;  // performance-counter ticks a second
  bool fineTimer_ = false;
};

}  // namespace ravix
