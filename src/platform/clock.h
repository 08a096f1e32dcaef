#pragma once
#include <cstdint>

namespace ravix {

// The machine's clocks: the system's millisecond tick counter (32 bits, wrapping after
// about 49 days) that the tool's waits are counted on, and a microsecond counter fine
// enough to tell a built-in serial port's 8 µs line operation from a USB cable's
// 300 µs (the tick counter cannot; on Windows it moves in ~16 ms steps).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  // Sleeps for ms milliseconds: the thread gives its core away meanwhile.
  virtual void Pass(uint32_t ms) = 0;
  // Microseconds since some start of this clock's own; never goes back.
  virtual uint64_t MicrosecondCount() { return static_cast<uint64_t>(TickCount()) * 1000; }
  // Lets us microseconds pass on the microsecond counter, busy: for spans far shorter
  // than a sleep can be trusted with.
  virtual void BusyWaitUs(uint32_t us) {
    const uint64_t start = MicrosecondCount();
    while (MicrosecondCount() - start < us) {
    }
  }
};

}  // namespace ravix
