#include "cli/port_check_lines.h"

#include <cstdio>

#include "link/port_figures.h"

namespace ravix::cli {

void SayPortLine(const char* label, const std::string& value) { std::printf("%-13s %s\n", label, value.c_str()); }

void SayFtdiCable(const FtdiAdapter& ftdi) {
  if (!ftdi.ChipOpen()) return;
  const std::string& description = ftdi.ChipDescription();
  SayPortLine("cable", (description.empty() ? "" : description + " ") + ftdi.OpenedSerial());
}

void SayFtdiFigures(const FtdiAdapter& ftdi) {
  const FtdiAdapter::StateTiming timing = ftdi.Timing();
  SayPortLine("delay unit", Milliseconds(timing.UnitUs()) + ", " + std::to_string(timing.statesPerUnit) +
                                (timing.statesPerUnit == 1 ? " state" : " states") + " at " +
                                std::to_string(timing.statesPerSecond) + " states a second");
  SayPortLine("latency", std::to_string(ftdi.LatencyMs()) + " ms (the chip's latency timer)");
  const TimedCalls& drains = ftdi.Drains();
  if (drains.count > 0)
    SayPortLine("answers", "after " + Milliseconds(drains.MeanUs(0)) + " (the chip's round trip, " +
                               std::to_string(drains.count) + " measured)");
}

}  // namespace ravix::cli
