#include "platform/win32/win32_clock.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix {

uint32_t TickClock::TickCount() { return static_cast<uint32_t>(GetTickCount()); }

void TickClock::Pass(uint32_t ms) {
  // Sleep takes 0xFFFFFFFF as "forever": longer waits go in parts.
  constexpr uint32_t kLongest = 0x7FFFFFFF;
  while (ms > kLongest) {
    Sleep(kLongest);
    ms -= kLongest;
  }
  Sleep(ms);
}

}  // namespace ravix
