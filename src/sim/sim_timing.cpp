#include "sim/sim_timing.h"

#include <cstdio>

namespace ravix::sim {

namespace {
// A wait of n ms on the tick counter: at least n - 1 ms.
constexpr double WaitUs(double ms) { return (ms - 1) * 1000; }
constexpr double kResetLowUs = WaitUs(100);
// A level measured in whole microseconds may come out this much short of a unit that is not.
constexpr double kRoundingUs = 0.5;
}  // namespace

void TimingChecker::Fault(const char* what, double heldUs, double leastUs) {
  if (faults.size() >= 8) return;
  char text[192];
  std::snprintf(text, sizeof text, "timing: %s lasted %.1f us, at least %.1f us", what, heldUs, leastUs);
  faults.push_back(text);
}

void TimingChecker::Started(uint64_t us, double waitUs, const char* what) {
  starting_ = true;
  startUs_ = us;
  startWaitUs_ = waitUs;
  startWhat_ = what;
  fallSeen_ = false;
  byteDone_ = awaitingFirstRise_ = false;
}

void TimingChecker::ByteDone(double gapUs, const char* after) {
  byteDone_ = true;
  neededGapUs_ = gapUs;
  gapAfter_ = after;
}

void TimingChecker::ByteNeededGap(double gapUs, const char* what) {
  if (unitUs > 0 && watching && lastGapUs_ + kRoundingUs < gapUs) Fault(what, lastGapUs_, gapUs);
}

void TimingChecker::Lines(uint64_t us, bool reset, bool clock, bool data, bool listening) {
  const double u = unitUs;
  const auto held = [us](uint64_t since) { return static_cast<double>(us - since); };
  const bool checked = u > 0 && watching;
  if (reset != reset_) {
    if (checked && reset && resetFellSeen_ && held(resetFellUs_) + kRoundingUs < kResetLowUs)
      Fault("RESET held low before its release", held(resetFellUs_), kResetLowUs);
    if (!reset) resetFellUs_ = us, resetFellSeen_ = true;
  }
  if (checked && listening) {
    if (clock && !clock_) {
      if (fallSeen_ && held(fallUs_) + kRoundingUs < 2 * u) Fault("the clock low", held(fallUs_), 2 * u);
      if (held(dataUs_) + kRoundingUs < u) Fault("the data level before the rising clock", held(dataUs_), u);
      if (starting_ && held(startUs_) + kRoundingUs < startWaitUs_) Fault(startWhat_, held(startUs_), startWaitUs_);
      if (awaitingFirstRise_) {
        lastGapUs_ = held(byteEndUs_);
        if (lastGapUs_ + kRoundingUs < neededGapUs_) Fault(gapAfter_, lastGapUs_, neededGapUs_);
        awaitingFirstRise_ = false;
      }
    } else if (!clock && clock_) {
      if (held(riseUs_) + kRoundingUs < 2 * u) Fault("the clock high", held(riseUs_), 2 * u);
    }
    if (data != data_ && clock && clock_ && held(riseUs_) + kRoundingUs < u)
      Fault("the data level after the rising clock", held(riseUs_), u);
  }
  if (clock && !clock_) {
    riseUs_ = us;
    starting_ = false;
  }
  if (!clock && clock_) {
    fallUs_ = us;
    fallSeen_ = true;
    if (byteDone_) {
      byteDone_ = false;
      awaitingFirstRise_ = true;
      byteEndUs_ = us;
    }
  }
  if (data != data_) dataUs_ = us;
  reset_ = reset, clock_ = clock, data_ = data;
}

}  // namespace ravix::sim
