#pragma once
#include <cstdint>
#include <string>

namespace ravix {

// How the tool times its port.
enum class Timing {
  // The default: the data line is read only once the port can show the controller's
  // bit, and on a slow port a short-delay unit is a duration. On a built-in serial port
  // it makes exactly the calls of Specified.
  PortAware,
  // Every bit, byte and command as the algorithms count them, on any port.
  Specified,
};

// A running mean of timed calls.
struct TimedCalls {
  uint64_t count = 0;
  double totalUs = 0;
  void Add(uint64_t us) { ++count, totalUs += static_cast<double>(us); }
  double MeanUs(double fallback) const { return count ? totalUs / static_cast<double>(count) : fallback; }
};

// What the tool found out about the port it drives. Every line operation and status
// read is timed as it happens (two readings of the microsecond counter, no port call);
// the adapter check measures how long a change of DTR takes to show on DSR.
struct PortFigures {
  TimedCalls lineOps;
  TimedCalls statusReads;
  bool showMeasured = false;
  // A change of an input line shows in a status read this long after the line
  // operation that caused it returned; 0: in the next read. Chips that answer a status
  // read from their last report over USB show it late.
  uint32_t showUs = 0;
  int measuringReads = 0;  // the extra reads the measurement took

  // A built-in serial port's line operation and status read, for a port not yet timed.
  static constexpr double kBuiltInCallUs = 8;
  // No built-in serial port needs this long for a line operation; USB cables all do.
  static constexpr double kSlowLineOpUs = 100;

  double LineOpUs() const { return lineOps.MeanUs(kBuiltInCallUs); }
  double StatusReadUs() const { return statusReads.MeanUs(kBuiltInCallUs); }
  bool SlowLineOps() const { return lineOps.count > 0 && LineOpUs() > kSlowLineOpUs; }
};

// The rules of the port-aware timing, from the figures; the adapters keep them and the
// expected durations are worked out from them, so that both agree.
class PortTiming {
 public:
  PortTiming(Timing timing, const PortFigures& figures, int delayCount)
      : timing_(timing), figures_(figures), delayCount_(delayCount < 1 ? 1 : delayCount) {}

  // A short-delay unit lasts UnitUs by the clock instead of five passes of status reads:
  // on a USB cable five reads would each be a millisecond round trip.
  bool UnitsAreDurations() const { return timing_ == Timing::PortAware && figures_.SlowLineOps(); }
  // Five passes of reads on a built-in port (8 µs each): the unit is never shorter
  // than the controller has always been given.
  uint32_t UnitUs() const { return static_cast<uint32_t>(5 * PortFigures::kBuiltInCallUs) * delayCount_; }
  // How long after the clock's rising edge the data line is read at the earliest. A
  // chip that reports its status late gets a quarter more than measured: its reports
  // come on an interrupt endpoint polled at intervals, and one can come a poll later.
  uint32_t SampleAfterRiseUs() const {
    if (timing_ != Timing::PortAware || !figures_.showMeasured) return 0;
    return figures_.showUs + (figures_.showUs + 3) / 4;
  }
  // What a short delay of n units lasts (n as ShortDelay takes it).
  double ShortDelayUs(int n) const;

 private:
  Timing timing_;
  const PortFigures& figures_;
  int delayCount_;
};

// A duration as people read an estimate: "about 12 s", "about 4 min", "about 1 h 50 min".
std::string AboutDuration(double seconds);
// A call's cost in milliseconds: "1.02 ms", "0.008 ms".
std::string Milliseconds(double us);

}  // namespace ravix
