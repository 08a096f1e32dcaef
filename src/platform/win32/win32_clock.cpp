#include "platform/win32/win32_clock.h"

#include "platform/win32/windows_api.h"  // last
#include <mmsystem.h>

namespace ravix {

TickClock::TickClock() {
  LARGE_INTEGER frequency{};
  if (QueryPerformanceFrequency(&frequency)) frequency_ = frequency.QuadPart;
  fineTimer_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

TickClock::~TickClock() {
  if (fineTimer_) timeEndPeriod(1);
}

uint32_t TickClock::TickCount() { return static_cast<uint32_t>(GetTickCount()); }

uint64_t TickClock::MicrosecondCount() {
  LARGE_INTEGER now{};
  if (frequency_ <= 0 || !QueryPerformanceCounter(&now)) return static_cast<uint64_t>(GetTickCount64()) * 1000;
  // Whole seconds and the rest apart: the product of the counter and a million would
  // overflow after a few days of a fast counter.
  const int64_t seconds = now.QuadPart / frequency_;
  const int64_t rest = now.QuadPart % frequency_;
  return static_cast<uint64_t>(seconds) * 1000000ULL + static_cast<uint64_t>(rest * 1000000LL / frequency_);
}

void TickClock::BusyWaitUs(uint32_t us) {
  const uint64_t start = MicrosecondCount();
  while (MicrosecondCount() - start < us) {
  }
}

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
