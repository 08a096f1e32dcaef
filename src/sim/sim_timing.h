#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ravix::sim {

// Checks, on the controller's side of the cable, that every level is held as long as
// the tool's sequences promise: within a bit the data level a unit before the clock
// rises and a unit after, the clock at least two units high and two units low; between
// bytes the short delays and the millisecond waits the command calls for; RESET held
// low 100 ms before a release, 500 ms from a release to the firmware's first bit and
// 100 ms from a programming pulse to the first instruction. A wait of n ms counted on
// the tick counter may end up to a tick early by the microsecond (it begins anywhere
// within a tick), so n - 1 ms is what it promises. Off (unit 0) unless a test asks for
// it. A broken promise is a fault in the transcript's words.
class TimingChecker {
 public:
  double unitUs = 0;
  // The lines come through the serial lines (or the FTDI chip on them); the parallel
  // adapter's bit has a shape of its own and is not checked.
  bool watching = true;
  std::vector<std::string> faults;

  // The lines at time us; listening: the firmware or the programming interface takes bits.
  void Lines(uint64_t us, bool reset, bool clock, bool data, bool listening);
  // The firmware (or programming interface) began listening at us and takes its first
  // bit no sooner than waitUs later.
  void Started(uint64_t us, double waitUs, const char* what);
  // A byte came in: the next one begins no sooner than gapUs after this one's last
  // falling clock edge. after names the byte for a fault.
  void ByteDone(double gapUs, const char* after);
  // The byte that just came in should have had gapUs before it.
  void ByteNeededGap(double gapUs, const char* what);

 private:
  void Fault(const char* what, double heldUs, double leastUs);

  bool reset_ = false, clock_ = false, data_ = false;
  uint64_t resetFellUs_ = 0;
  bool resetFellSeen_ = false;
  uint64_t riseUs_ = 0, fallUs_ = 0, dataUs_ = 0;
  bool fallSeen_ = false;
  // The next rise begins a byte: its gap from the fall after the last byte.
  bool byteDone_ = false, awaitingFirstRise_ = false;
  double neededGapUs_ = 0, lastGapUs_ = 1e18;
  const char* gapAfter_ = "";
  uint64_t byteEndUs_ = 0;
  // The first bit after a start.
  bool starting_ = false;
  uint64_t startUs_ = 0;
  double startWaitUs_ = 0;
  const char* startWhat_ = "";
};

}  // namespace ravix::sim
