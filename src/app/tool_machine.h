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

  // --sim-state FILE: the simulated controller starts as FILE keeps it (fresh when
  // there is no FILE yet) and StoreSimState writes it back there. False, with why,
  // when FILE is anything but a state of ours: a link, a directory, another file.
  bool KeepSimStateIn(const std::string& path, std::string& why);
  // Writes the simulated controller into the file of KeepSimStateIn, atomically;
  // true at once without one. A file that has become something else in the
  // meantime is left as it is: false, with why.
  bool StoreSimState(std::string& why);

 private:
  std::unique_ptr<sim::SimClock> simClock_;
  std::unique_ptr<sim::SimAdapter> sim_;
  std::unique_ptr<NativeSystem> native_;
  std::string simStatePath_;  // absolute
  std::string simStateName_;  // as the command line gave it, for messages
};

}  // namespace ravix
