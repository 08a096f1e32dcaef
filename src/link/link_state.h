#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "link/port_figures.h"
#include "platform/platform.h"
#include "status/status.h"

namespace ravix {

// What the link's algorithms share with every adapter: the port's name for messages,
// the transmit and receive registers, the short delay's calibration, the timing in
// force and the ways of waiting.
class LinkState {
 public:
  LinkState(Platform& platform, Status& status) : platform_(platform), status_(status) {}
  LinkState(const LinkState&) = delete;
  LinkState& operator=(const LinkState&) = delete;

  // "COM1" to "COM8", "0278", "0378", "03BC", or a longer name (COM12, a device path).
  std::string PortName;
  uint32_t TxWord = 0;
  uint32_t RxWord = 0;
  // Input reads that make one pass of the short delay; 0 (not calibrated) counts as 1.
  int DelayCount = 0;
  Timing timing = Timing::PortAware;

  // Returns once the tick counter has advanced by at least n since the call; 0 returns
  // at once. It sleeps for all but the last millisecond and only then polls the
  // counter, so a wait does not keep a core busy.
  void WaitMs(uint32_t n);
  // The same for a wait that began at tick t0 (the adapter check measures its port
  // inside its waits).
  void WaitMsFrom(uint32_t t0, uint32_t n);
  // Busy until the microsecond counter reaches atUs; a stretch of more than two
  // milliseconds is slept but for its last one.
  void WaitUntilUs(uint64_t atUs);
  void WaitUs(uint64_t us) { WaitUntilUs(NowUs() + us); }
  uint64_t NowUs() { return platform_.clock.MicrosecondCount(); }

  Clock& clock() { return platform_.clock; }
  Platform& platform() { return platform_; }
  Status& status() { return status_; }

  // Told when a millisecond wait begins (true) and ends (false), for a benchmark that
  // measures what the waits cost the processor.
  std::function<void(bool begins)> OnWait;

 private:
  Platform& platform_;
  Status& status_;
};

}  // namespace ravix
