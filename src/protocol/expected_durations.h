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
// one (another wait just ended there). On an adapter that batches its line changes,
// each answer the protocol looks at, and each wait that line changes were queued
// before, costs a wait for the chip's samples (nothing elsewhere).
class ExpectedDurations {
 public:
  // On the port of the link's adapter, by what the tool has timed of it.
  explicit ExpectedDurations(const Link& link)
      : byteUs_(link.Lines().ExpectedByteUs()),
        unitUs_(link.Lines().ExpectedShortDelayUs(1)),
        lineOpUs_(link.Lines().Figures().LineOpUs()),
        statusReadUs_(link.Lines().Figures().StatusReadUs()),
        answerUs_(link.Lines().ExpectedAnswerUs()) {}
  // On a built-in serial port: 8 µs a call, five status reads a delay unit.
  static ExpectedDurations BuiltInPort() {
    constexpr double kCall = PortFigures::kBuiltInCallUs;
    return ExpectedDurations(2 * 5 * kCall + 8 * (4 * kCall + kCall + 5 * 5 * kCall), 5 * kCall, kCall, kCall, 0);
  }
  // On an FTDI cable in bit-bang mode with that unit, by the same rules as the adapter.
  static ExpectedDurations FtdiPort(uint32_t unitUs) {
    const FtdiAdapter::StateTiming t = FtdiAdapter::TimingForUnit(unitUs);
    const int unit = t.statesPerUnit;
    return ExpectedDurations((2 * unit + 8 * (4 + 5 * unit)) * t.StateUs(), t.UnitUs(), t.StateUs(), t.StateUs(),
                             1000.0 + FtdiAdapter::kPollUs / 2.0);
  }

  double ByteUs() const { return byteUs_; }
  double ShortDelayUs(int n) const { return (n == 0 ? 1 : n < 0 ? 0 : n) * unitUs_; }
  double LineOpUs() const { return lineOpUs_; }
  double StatusReadUs() const { return statusReadUs_; }
  double AnswersUs(int n) const { return n * answerUs_; }
  static double WaitUs(uint32_t ms) { return ms * 1000.0; }

  // The answers each command waits for on an adapter that batches: DSR after each
  // change of DTR and the line change before each wait; the link check's second 254;
  // the waits of a restart; 'U' and the address before their waits and the setting
  // byte; 'V', the address and the value before theirs and the echo; the two echoes of
  // a page byte; the commit's first '3' before its wait and the page number.
  double DetectUs() const { return 2 * (LineOpUs() + WaitUs(150) + StatusReadUs()) + AnswersUs(4); }
  double LinkExchangeUs() const { return 2 * ByteUs() + AnswersUs(1); }
  double RestartUs() const { return 4 * LineOpUs() + WaitUs(100) + WaitUs(500) + AnswersUs(2); }
  double ReadSettingUs() const { return 3 * ByteUs() + 3 * WaitUs(5) + AnswersUs(3); }
  double WriteSettingUs() const { return 4 * ByteUs() + 4 * WaitUs(5) + WaitUs(20) + AnswersUs(4); }
  double LoadPageByteUs() const { return 4 * ByteUs() + 4 * ShortDelayUs(4) + AnswersUs(2); }
  double SelectPageUs() const { return 2 * ByteUs() + 2 * ShortDelayUs(4); }
  double CommitPageUs() const { return 4 * ByteUs() + 4 * ShortDelayUs(4) + WaitUs(40) + AnswersUs(2); }

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
  ExpectedDurations(double byteUs, double unitUs, double lineOpUs, double statusReadUs, double answerUs)
      : byteUs_(byteUs), unitUs_(unitUs), lineOpUs_(lineOpUs), statusReadUs_(statusReadUs), answerUs_(answerUs) {}

  double byteUs_, unitUs_, lineOpUs_, statusReadUs_, answerUs_;
};

}  // namespace ravix
