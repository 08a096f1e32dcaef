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
  virtual ~LinkState() = default;
  LinkState(const LinkState&) = delete;
  LinkState& operator=(const LinkState&) = delete;

  // "COM1" to "COM8", "0278", "0378", "03BC", or a longer name (COM12, a device path).
  std::string PortName;
  uint32_t TxWord = 0;
  // The receive register: each bit exchange shifts it left and puts the bit received
  // into bit 0. An adapter that batches its line changes learns those bits only when
  // its chip's samples come back: reading the register waits for them, and setting it
  // forgets those still on the way.
  uint32_t RxWord() {
    TakeInBits();
    return rxWord_;
  }
  void SetRxWord(uint32_t value) {
    ForgetBits();
    rxWord_ = value;
  }
  // The register itself, for an adapter that shifts bits in (and takes its pending ones in).
  uint32_t& RxRegister() { return rxWord_; }
  // Input reads that make one pass of the short delay; 0 (not calibrated) counts as 1.
  int DelayCount = 0;
  Timing timing = Timing::PortAware;
  // The short-delay unit on an FTDI cable in bit-bang mode (ravix-cli --ftdi-unit-us).
  uint32_t ftdiUnitUs = kDefaultFtdiUnitUs;
  static constexpr uint32_t kDefaultFtdiUnitUs = 10;
  // The shortest unit the controller was ever given: five reads of 1.35 us.
  static constexpr uint32_t kShortestFtdiUnitUs = 7;
  static constexpr uint32_t kLongestFtdiUnitUs = 1000;

  // Returns once the tick counter has advanced by at least n since the call; 0 returns
  // at once. It sleeps for all but the last millisecond and only then polls the
  // counter, so a wait does not keep a core busy. An adapter that batches has put every
  // line change before it on the lines first: the wait is counted from the last.
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

 protected:
  // What an adapter that batches does at these points (the link passes them on): take
  // in the bits whose samples are on the way, forget them, and put every queued line
  // change onto the lines before a wait.
  virtual void TakeInBits() {}
  virtual void ForgetBits() {}
  virtual void SettleLines() {}

 private:
  uint32_t rxWord_ = 0;
  Platform& platform_;
  Status& status_;
};

}  // namespace ravix
