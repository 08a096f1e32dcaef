#include "platform/posix/posix_clock.h"

#include <errno.h>
#include <time.h>

namespace ravix {

namespace {
unsigned long long MonotonicUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<unsigned long long>(now.tv_sec) * 1000000ULL +
         static_cast<unsigned long long>(now.tv_nsec) / 1000ULL;
}
}  // namespace

uint32_t MonotonicClock::TickCount() { return static_cast<uint32_t>(MonotonicUs() / 1000ULL); }

uint64_t MonotonicClock::MicrosecondCount() { return MonotonicUs(); }

void MonotonicClock::BusyWaitUs(uint32_t us) {
  const unsigned long long start = MonotonicUs();
  while (MonotonicUs() - start < us) {
  }
}

void MonotonicClock::Pass(uint32_t ms) {
  timespec delay{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  // A signal cuts the sleep short; sleep on for the rest.
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

}  // namespace ravix
