#pragma once
#include <iosfwd>
#include <string>

#include "link/link_state.h"
#include "link/port_figures.h"
#include "platform/clock.h"
#include "platform/os.h"
#include "platform/serial_port.h"
#include "platform/ui.h"

namespace ravix {

namespace sim {
class SimAdapter;
}
struct SessionLogFile;

// Runs the whole tool under a script: start-up, the setup file in the current
// directory, the main window and its commands, with the script engine as the user
// interface over backend (headless, or the Qt widgets). sim: the simulated adapter
// when serial and os are it, for the script's "sim" lines; null otherwise.
// The exit status: 0 when the script ran to its end, 2 when a line could not be run.
// log: the session log (--log), or null.
// startProblem, when given, takes why the start directory could not be determined
// (empty when it could), for the front end to show. timing: --timing.
int RunScriptedTool(Clock& clock, SerialPorts& serial, Os& os, Ui& backend, sim::SimAdapter* sim,
                    std::istream& script, std::ostream& transcript, SessionLogFile* log = nullptr,
                    std::string* startProblem = nullptr, Timing timing = Timing::PortAware,
                    uint32_t ftdiUnitUs = LinkState::kDefaultFtdiUnitUs);

}  // namespace ravix
