#pragma once
#include <cstdint>

namespace ravix {

// The system's millisecond tick counter: 32 bits, wrapping after about 49 days.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  // Lets ms milliseconds pass without busy waiting (script "wait"; never used by the link).
  virtual void Pass(uint32_t ms) = 0;
};

}  // namespace ravix
