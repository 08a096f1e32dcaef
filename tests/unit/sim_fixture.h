#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/link.h"
#include "platform/dialog_resource.h"
#include "platform/headless/headless_ui.h"
#include "protocol/setup_protocol.h"
#include "sim/sim_adapter.h"

namespace ravix::test {

// The three ways the tool reaches the adapter.
enum class AdapterKind { Serial, ParallelDriver, ParallelDirect };
inline constexpr AdapterKind kAllKinds[] = {AdapterKind::Serial, AdapterKind::ParallelDriver,
                                            AdapterKind::ParallelDirect};

inline const char* KindName(AdapterKind kind) {
  switch (kind) {
    case AdapterKind::Serial: return "Serial";
    case AdapterKind::ParallelDriver: return "ParallelDriver";
    case AdapterKind::ParallelDirect: return "ParallelDirect";
  }
  return "?";
}

// One line operation on the simulated adapter and the virtual time it happened at.
struct WireEvent {
  uint64_t us;
  std::string text;
};

// One byte as the controller saw it on the wire: the data level at eight rising clock
// edges, MSB first, from the first rising edge to the last falling one.
struct WireByte {
  uint64_t startUs = 0, endUs = 0;
  uint32_t value = 0;
};

// Reads clock and data out of the wire record (serial RTS/DTR or parallel data bits 1/0)
// and groups the rising edges by eight. A trailing group of fewer than eight edges is
// returned too, with its bits so far.
inline std::vector<WireByte> DecodeBytes(const std::vector<WireEvent>& wire) {
  std::vector<WireByte> bytes;
  bool clock = false, data = false;
  int bits = 0;
  for (const auto& event : wire) {
    bool newClock = clock;
    unsigned value = 0;
    if (event.text == "wire rts 1") newClock = true;
    else if (event.text == "wire rts 0") newClock = false;
    else if (event.text == "wire dtr 1") data = true;
    else if (event.text == "wire dtr 0") data = false;
    else if (std::sscanf(event.text.c_str(), "wire lpt-out 0x%x", &value) == 1) {
      newClock = (value & 0x02) != 0;
      data = (value & 0x01) != 0;
    }
    if (newClock && !clock) {
      if (bits % 8 == 0) bytes.push_back({event.us, event.us, 0});
      bytes.back().value = bytes.back().value * 2 + (data ? 1 : 0);
      ++bits;
    }
    if (!newClock && clock && !bytes.empty()) bytes.back().endUs = event.us;
    clock = newClock;
  }
  return bytes;
}

inline std::vector<uint32_t> Values(const std::vector<WireByte>& bytes) {
  std::vector<uint32_t> values;
  for (const auto& b : bytes) values.push_back(b.value);
  return values;
}

// A simulated machine in virtual time: adapter, controller, headless windows, and the
// link and setup protocol on top. The serial adapter is on "COM1"; the parallel one at
// 0x378, reached through the driver library or with direct port instructions. A
// window with the status field 1044 (enabled, empty) is the main and status window.
struct SimBench {
  DialogResource statusWindowResource{
      1226, "status window", 100, 40, {{IDC_STATUS, ControlKind::ReadOnlyEdit, "", 0, 0, 80, 12, true, ""}}, 0, {}};
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Status status{ui};
  Link link{platform, status};
  SetupProtocol protocol{link, status};
  std::shared_ptr<Window> window;
  std::vector<WireEvent> wire;
  AdapterKind kind;

  explicit SimBench(bool serial = true) : SimBench(serial ? AdapterKind::Serial : AdapterKind::ParallelDriver) {}

  explicit SimBench(AdapterKind adapterKind) : kind(adapterKind) {
    window = ui.CreateWindow(statusWindowResource, nullptr);
    status.StatusWindow = window;
    status.MainWindow = window;
    switch (kind) {
      case AdapterKind::Serial:
        link.SelectAdapter(AdapterKindId::Serial);
        link.PortName = "COM1";
        link.Serial().ComDeviceName = "COM1";
        break;
      case AdapterKind::ParallelDriver:
        link.PortName = "0378";
        link.Parallel().PortDriverLibrary = adapter.LoadLibrary("DLPORTIO.dll");
        link.Parallel().PortDriverReady = true;
        break;
      case AdapterKind::ParallelDirect:
        link.PortName = "0378";
        link.Parallel().DirectPortIo = true;
        break;
    }
  }

  bool Serial() const { return kind == AdapterKind::Serial; }

  // From now on every line operation goes into `wire`.
  void RecordWire() {
    adapter.onWire = [this](const std::string& line) { wire.push_back({clock.NowUs(), line}); };
  }
  std::vector<WireByte> TakeBytes() {
    auto bytes = DecodeBytes(wire);
    wire.clear();
    return bytes;
  }

  // Gets the adapter ready and the controller's setup firmware running: the serial
  // adapter is detected, the parallel one initialised, and the controller restarted.
  // The controller's log is emptied.
  void StartFirmware() {
    if (Serial())
      link.DetectSerialAdapter();
    else
      link.InitParallelAdapter();
    protocol.RestartController();
    adapter.controller.TakeLog();
  }

  uint64_t ElapsedUs(uint64_t sinceUs) const { return clock.NowUs() - sinceUs; }
};

}  // namespace ravix::test
