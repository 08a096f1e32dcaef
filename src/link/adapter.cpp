#include "link/adapter.h"

#include <algorithm>

namespace ravix {

void Adapter::TransferBit(uint32_t bit) {
  SetData(bit != 0);
  ShortDelay(1);
  SetClock(true);
  ShortDelay(1);
  const uint32_t sample = SampleData();
  link_.RxRegister() = link_.RxRegister() * 2 + sample;
  SetClock(false);
  ShortDelay(1);
}

void Adapter::TransferByte() {
  link_.SetRxWord(0);
  ShortDelay(2);
  for (int i = 0; i < 8; ++i) TransferBit((link_.TxWord >> (7 - i)) & 1);
  link_.RxRegister() &= 0xFF;
}

void Adapter::TransferWord() {
  for (int i = 0; i < 16; ++i) TransferBit((link_.TxWord >> (15 - i)) & 1);
}

void Adapter::ShortDelay(int n) {
  if (link_.DelayCount == 0) link_.DelayCount = 1;
  if (n == 0) n = 1;
  const PortTiming timing = Rules();
  if (timing.UnitsAreDurations()) {
    if (n > 0) link_.WaitUs(static_cast<uint64_t>(n) * timing.UnitUs());
    return;
  }
  // One unit is five passes of DelayCount reads of the adapter's real input: the
  // delay lasts at least as long as a port access, on slow and fast machines alike.
  const long long passes = 5LL * n;
  if (passes <= 0) return;
  for (long long i = 0; i < passes; ++i)
    for (int r = 0; r < link_.DelayCount; ++r) ReadInput();
}

void Adapter::CalibrateDelay() {
  Clock& clock = link_.clock();
  uint32_t count = 0;
  const uint32_t t0 = clock.TickCount();
  uint32_t t;
  do {
    t = clock.TickCount();
    ReadInput();
    ++count;
  } while (static_cast<uint32_t>(t - t0) < 50);
  // About 1.35 microseconds of reads per pass (50 ms / 37000), rounded up.
  link_.DelayCount = static_cast<int>(count / 37000 + 1);
}

double Adapter::ExpectedByteUs() const {
  const PortTiming timing = Rules();
  const BitShape shape = Shape();
  const double op = figures_.LineOpUs();
  const double unit = timing.ShortDelayUs(1);
  // The sample waits for the port to show the controller's bit; what comes between the
  // rising edge and the sample counts towards that wait.
  const double beforeSample = shape.opsBeforeSample * op + shape.unitsBeforeSample * unit;
  const double sampleWait = std::max(0.0, timing.SampleAfterRiseUs() - beforeSample);
  const double bit = shape.lineOps * op + shape.reads * figures_.StatusReadUs() + shape.units * unit + sampleWait;
  return timing.ShortDelayUs(2) + 8 * bit;
}

}  // namespace ravix
