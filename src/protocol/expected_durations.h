#pragma once
#include <cstdint>

#include "link/link.h"

namespace ravix {

// The setup firmware's commands that make up one of the tool's jobs.
struct CommandSteps {
  int detections = 0;     // adapter checks (the loop-back test)
  int linkExchanges = 0;  // 254 sent twice
  int restarts = 0;       // the controller restarted into its firmware
  int settingReads = 0;
  int settingWrites = 0;
};

// How long the setup firmware's commands take on the port in use, worked out from the
// port's figures and the timing in force by the same rules the adapter follows. A
// millisecond wait is counted whole: it ends on a tick, and most begin right after
// one (another wait just ended there).
class ExpectedDurations {
 public:
  // On the port of the link's adapter, by what the tool has timed of it.
  explicit ExpectedDurations(const Link& link)
      : byteUs_(link.Lines().ExpectedByteUs()),
        unitUs_(link.Lines().ExpectedShortDelayUs(1)),
        lineOpUs_(link.Lines().Figures().LineOpUs()),
        statusReadUs_(link.Lines().Figures().StatusReadUs()) {}
  // On a built-in serial port: 8 µs a call, five status reads a delay unit.
  static ExpectedDurations BuiltInPort() {
    constexpr double kCall = PortFigures::kBuiltInCallUs;
    return ExpectedDurations(2 * 5 * kCall + 8 * (4 * kCall + kCall + 5 * 5 * kCall), 5 * kCall, kCall, kCall);
  }

  double ByteUs() const { return byteUs_; }
  double ShortDelayUs(int n) const { return (n == 0 ? 1 : n < 0 ? 0 : n) * unitUs_; }
  double LineOpUs() const { return lineOpUs_; }
  double StatusReadUs() const { return statusReadUs_; }
  static double WaitUs(uint32_t ms) { return ms * 1000.0; }

  double DetectUs() const { return 2 * (LineOpUs() + WaitUs(150) + StatusReadUs()); }
  double LinkExchangeUs() const { return 2 * ByteUs(); }
  double RestartUs() const { return 4 * LineOpUs() + WaitUs(100) + WaitUs(500); }
  double ReadSettingUs() const { return 3 * ByteUs() + 3 * WaitUs(5); }
  double WriteSettingUs() const { return 4 * ByteUs() + 4 * WaitUs(5) + WaitUs(20); }
  double LoadPageByteUs() const { return 4 * ByteUs() + 4 * ShortDelayUs(4); }
  double SelectPageUs() const { return 2 * ByteUs() + 2 * ShortDelayUs(4); }
  double CommitPageUs() const { return 4 * ByteUs() + 4 * ShortDelayUs(4) + WaitUs(40); }

  double StepsUs(const CommandSteps& steps) const {
    return steps.detections * DetectUs() + steps.linkExchanges * LinkExchangeUs() + steps.restarts * RestartUs() +
           steps.settingReads * ReadSettingUs() + steps.settingWrites * WriteSettingUs();
  }
  // After an update's last commit: a second showing "OK", the RC-setup lock read and released.
  double FinishUs() const { return WaitUs(1000) + ReadSettingUs() + WriteSettingUs(); }
  // An update from its question on: every line loaded, each page selected and committed, the finish.
  double UpdateUs(int lines, int pages) const {
    return lines * LoadPageByteUs() + pages * (SelectPageUs() + CommitPageUs()) + FinishUs();
  }

 private:
  ExpectedDurations(double byteUs, double unitUs, double lineOpUs, double statusReadUs)
      : byteUs_(byteUs), unitUs_(unitUs), lineOpUs_(lineOpUs), statusReadUs_(statusReadUs) {}

  double byteUs_, unitUs_, lineOpUs_, statusReadUs_;
};

}  // namespace ravix
