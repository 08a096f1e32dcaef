// How long a connect to the AVR's programming interface takes, beside the waits it
// must make: each short reset pulse at least 251 ms on the serial adapter (the 50 ms
// delay calibration, RESET held low 100 ms, the 1 ms pulse, the 100 ms pause) and
// 180 ms on the parallel adapter; each long pulse 400 / 302 ms; each extra clock
// pulse of the synchronisation 6 ms; the serial adapter's detection 300 ms.
//
// Each case runs twice against the simulated adapter:
//   real     with the real clock on this machine: the waits are real busy waits and
//            a line operation costs what the simulator's code costs (well under a
//            microsecond), so this is the tool's own overhead on top of the waits;
//   modelled in virtual time where a serial line operation or modem-status read
//            costs 8 us and a parallel access 2 us, about what a native UART's system
//            call and a driver port access cost. A USB serial adapter turns each line
//            operation into a USB request of about 1 ms: multiply the serial call
//            count by that to see what such an adapter adds.
// Resets and extra pulses are counted on the wire, from the lines the tool drives, in
// the modelled run (in real time a busy machine can stretch a bit's clock pulse past
// the 1 ms that tells an extra pulse apart).

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "isp/isp.h"
#include "link/link.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"

namespace {

using ravix::sim::SimIsp;

// The lines seen on the wire, with the time each level lasted: a RESET pulse of 100 ms
// or more is the long one; a clock pulse of 1 ms or more is the synchronisation's extra
// pulse (a bit's clock pulse lasts microseconds).
class PulseCounter {
 public:
  PulseCounter(ravix::sim::SimAdapter& adapter, ravix::sim::SimClock& clock) : clock_(clock) {
    adapter.onWire = [this](const std::string& line) { Line(line); };
  }
  int shortResets = 0, longResets = 0, extraPulses = 0;

 private:
  void Line(const std::string& line) {
    unsigned value = 0;
    if (std::sscanf(line.c_str(), "wire lpt-out 0x%x", &value) == 1)
      Levels((value & 0x08) != 0, (value & 0x02) != 0);
    else if (line == "wire rts 1" || line == "wire rts 0")
      Levels(reset_, line.back() == '1');
    else if (line == "wire break 1" || line == "wire break 0")
      Levels(line.back() == '1', clock_line_);
  }
  void Levels(bool reset, bool clock) {
    const uint64_t now = clock_.NowUs();
    if (reset && !reset_) resetRose_ = now;
    if (!reset && reset_) ++(now - resetRose_ >= 100000 ? longResets : shortResets);
    if (clock && !clock_line_) clockRose_ = now;
    if (!clock && clock_line_ && !reset && now - clockRose_ >= 1000) ++extraPulses;
    reset_ = reset, clock_line_ = clock;
  }
  ravix::sim::SimClock& clock_;
  bool reset_ = false, clock_line_ = false;
  uint64_t resetRose_ = 0, clockRose_ = 0;
};

struct Run {
  int result = 0;
  double ms = 0;
  uint64_t calls = 0;
  int shortResets = 0, longResets = 0, extraPulses = 0;
};

Run Connect(bool virtualTime, bool serial, bool deviceKnown, const std::function<void(SimIsp&)>& setUp) {
  ravix::sim::SimClock clock(virtualTime);
  ravix::sim::SimAdapter adapter(clock);
  ravix::HeadlessUi ui;
  ravix::Platform platform{clock, adapter, adapter, ui};
  ravix::Status status(ui);
  ravix::Link link(platform, status);
  ravix::Isp isp(link, status);
  if (serial) {
    link.SelectAdapter(ravix::AdapterKindId::Serial);
    link.PortName = link.Serial().ComDeviceName = "COM1";
  } else {
    link.PortName = "0378";
    link.Parallel().PortDriverLibrary = adapter.LoadLibrary("DLPORTIO.dll");
    link.Parallel().PortDriverReady = true;
  }
  setUp(adapter.controller.isp);
  isp.DeviceKnown = deviceKnown;
  PulseCounter pulses(adapter, clock);

  const uint64_t t0 = clock.NowUs();
  Run run;
  run.result = isp.ConnectIsp();
  run.ms = static_cast<double>(clock.NowUs() - t0) / 1000.0;
  run.calls = adapter.calls.Total();
  run.shortResets = pulses.shortResets;
  run.longResets = pulses.longResets;
  run.extraPulses = pulses.extraPulses;
  return run;
}

struct Case {
  const char* name;
  bool deviceKnown;
  std::function<void(SimIsp&)> setUp;
};

}  // namespace

int main() {
  const Case cases[] = {
      {"in step", false, [](SimIsp&) {}},
      {"out of step 3 bits", false, [](SimIsp& s) { s.outOfStep = 3; }},
      {"out of step 7 bits", false, [](SimIsp& s) { s.outOfStep = 7; }},
      {"out of step 3, known", true, [](SimIsp& s) { s.outOfStep = 3; }},
      {"locked", false, [](SimIsp& s) { s.state = SimIsp::State::Locked; }},
      {"no device", false, [](SimIsp& s) { s.state = SimIsp::State::Absent; }},
      {"no device, known", true, [](SimIsp& s) { s.state = SimIsp::State::Absent; }},
  };

  std::printf("%-9s %-21s %6s %5s %5s %6s %10s %10s %10s %9s\n", "adapter", "case", "result", "reset", "long",
              "extra", "mandated", "real", "modelled", "calls");
  std::printf("%-9s %-21s %6s %5s %5s %6s %10s %10s %10s %9s\n", "", "", "", "", "", "pulses", "ms", "ms", "ms",
              "(model)");
  for (bool serial : {true, false}) {
    for (const auto& c : cases) {
      const Run real = Connect(false, serial, c.deviceKnown, c.setUp);
      const Run model = Connect(true, serial, c.deviceKnown, c.setUp);
      // The waits the algorithm makes whatever the machine: detection, reset pulses
      // (calibration included) and the synchronisation's pulses.
      const double mandated = serial ? 300.0 + 251.0 * model.shortResets + 400.0 * model.longResets
                                     : 180.0 * model.shortResets + 302.0 * model.longResets;
      const double withPulses = mandated + 6.0 * model.extraPulses;
      std::printf("%-9s %-21s %6d %5d %5d %6d %10.1f %10.1f %10.1f %9" PRIu64 "\n", serial ? "serial" : "parallel",
                  c.name, model.result, model.shortResets, model.longResets, model.extraPulses, withPulses, real.ms,
                  model.ms, model.calls);
      if (real.result != model.result) std::printf("  (the real-clock run ended with %d)\n", real.result);
    }
  }
  std::printf("\nmandated: 300 ms detection (serial) + 251/180 ms per reset + 400/302 ms per long reset\n"
              "          + 6 ms per extra clock pulse. real - mandated is the bit traffic and the tool's\n"
              "          overhead on this machine; modelled - mandated is the bit traffic at 8 us per serial\n"
              "          call and 2 us per parallel access.\n");
  return 0;
}
