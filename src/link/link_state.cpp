#include "link/link_state.h"

namespace ravix {

void LinkState::WaitMs(uint32_t n) {
  if (n > 0) SettleLines();
  const uint32_t t0 = platform_.clock.TickCount();
  if (n == 0) return;
  WaitMsFrom(t0, n);
}

void LinkState::WaitMsFrom(uint32_t t0, uint32_t n) {
  SettleLines();
  if (OnWait) OnWait(true);
  Clock& clock = platform_.clock;
  // Unsigned differences: correct across the wrap of the 32-bit tick counter. The sleep
  // ends at least a millisecond before the wait may: a sleep may last longer than asked
  // but never shorter, so the wait still ends on the tick it would have ended on.
  const uint32_t elapsed = static_cast<uint32_t>(clock.TickCount() - t0);
  if (elapsed + 1 < n) clock.Pass(n - elapsed - 1);
  while (static_cast<uint32_t>(clock.TickCount() - t0) < n) {
  }
  if (OnWait) OnWait(false);
}

void LinkState::WaitUntilUs(uint64_t atUs) {
  Clock& clock = platform_.clock;
  const uint64_t now = clock.MicrosecondCount();
  if (now >= atUs) return;
  uint64_t rest = atUs - now;
  if (rest > 2000) {
    clock.Pass(static_cast<uint32_t>(rest / 1000 - 1));
    const uint64_t after = clock.MicrosecondCount();
    if (after >= atUs) return;
    rest = atUs - after;
  }
  clock.BusyWaitUs(static_cast<uint32_t>(rest));
}

}  // namespace ravix
