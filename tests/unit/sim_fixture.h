#pragma once
#include "link/link.h"
#include "platform/headless/headless_ui.h"
#include "protocol/setup_protocol.h"
#include "sim/sim_adapter.h"

namespace ravix::test {

// A simulated machine in virtual time: adapter, controller, headless windows, and the
// link and setup protocol on top, with the serial adapter selected on "COM1".
struct SimBench {
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Status status{ui};
  Link link{platform, status};
  SetupProtocol protocol{link, status};

  explicit SimBench(bool serial = true) {
    if (serial) {
      link.SerialPortSelected = true;
      link.PortName = "COM1";
      link.ComDeviceName = "COM1";
    } else {
      link.PortName = "0378";
      link.PortDriverLibrary = adapter.LoadLibrary("DLPORTIO.dll");
      link.PortDriverReady = true;
    }
  }
};

}  // namespace ravix::test
