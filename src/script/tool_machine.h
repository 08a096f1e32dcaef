#pragma once
#include <memory>
#include <string>

#include "link/port_figures.h"
#include "platform/clock.h"
#include "platform/os.h"
#include "platform/serial_port.h"

namespace ravix {

namespace sim {
class SimAdapter;
class SimClock;
}  // namespace sim
struct NativeSystem;

// The machine under one run of a front end: the simulated adapter with its
// controller (--simulate), or this computer's ports and clock. Both programs build
// their Platform on it.
class ToolMachine {
 public:
  // simPlatform: how start-up sees the simulated machine ("9x", "nt" or
  // "nt-nodriver"). virtualTime: the simulation's waits take no real time.
  // simAdapter: the simulated serial adapter's chip (a name of sim::AdapterModels).
  ToolMachine(bool simulate, const std::string& simPlatform, bool virtualTime,
              const std::string& simAdapter = "uart");
  ~ToolMachine();
  ToolMachine(const ToolMachine&) = delete;
  ToolMachine& operator=(const ToolMachine&) = delete;

  static bool KnownSimPlatform(const std::string& name) {
    return name == "9x" || name == "nt" || name == "nt-nodriver";
  }
  static bool KnownSimAdapter(const std::string& name);
  // "uart, ftdi, ...", for a usage text.
  static std::string SimAdapterNames();
  // The word of --timing: "specified", or "port-aware" (the default).
  static bool ParseTiming(const std::string& word, Timing& timing);

  Clock& clock();
  SerialPorts& serial();
  Os& os();
  sim::SimAdapter* sim() { return sim_.get(); }  // null on real hardware

 private:
  std::unique_ptr<sim::SimClock> simClock_;
  std::unique_ptr<sim::SimAdapter> sim_;
  std::unique_ptr<NativeSystem> native_;
};

}  // namespace ravix
