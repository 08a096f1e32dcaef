#pragma once
#include "platform/clock.h"

namespace ravix {

// The system's own millisecond tick counter (GetTickCount), 32 bits, wrapping.
class TickClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Pass(uint32_t ms) override;
};

}  // namespace ravix
