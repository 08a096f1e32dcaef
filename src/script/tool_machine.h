#pragma once
#include <memory>
#include <string>

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
  ToolMachine(bool simulate, const std::string& simPlatform, bool virtualTime);
  ~ToolMachine();
  ToolMachine(const ToolMachine&) = delete;
  ToolMachine& operator=(const ToolMachine&) = delete;

  static bool KnownSimPlatform(const std::string& name) {
    return name == "9x" || name == "nt" || name == "nt-nodriver";
  }

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
