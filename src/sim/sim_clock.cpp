#include "sim/sim_clock.h"

#include <thread>

namespace ravix::sim {

uint64_t SimClock::NowUs() const {
  if (virtual_) return nowUs_;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count());
}

void SimClock::BusyWaitUs(uint32_t us) {
  if (virtual_) {
    nowUs_ += us;
    return;
  }
  const uint64_t start = NowUs();
  while (NowUs() - start < us) {
  }
}

void SimClock::Pass(uint32_t ms) {
  if (virtual_)
    nowUs_ += static_cast<uint64_t>(ms) * 1000;
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace ravix::sim
