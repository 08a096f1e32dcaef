#include "platform/posix/posix_clock.h"

#include <errno.h>
#include <time.h>

namespace ravix {

uint32_t MonotonicClock::TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                                static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
  return static_cast<uint32_t>(ms);
}

void MonotonicClock::Pass(uint32_t ms) {
  timespec delay{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  // A signal cuts the sleep short; sleep on for the rest.
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

}  // namespace ravix
