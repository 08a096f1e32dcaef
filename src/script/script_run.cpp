#include "script/script_run.h"

#include "app/startup.h"
#include "app/tool.h"
#include "script/script_engine.h"
#include "script/session_log.h"
#include "sim/sim_adapter.h"

#include <memory>

namespace ravix {

int RunScriptedTool(Clock& clock, SerialPorts& serial, Os& os, Ui& backend, sim::SimAdapter* sim,
                    std::istream& script, std::ostream& transcript, SessionLogFile* log,
                    std::string* startProblem, Timing timing, uint32_t ftdiUnitUs) {
  ScriptEngine engine(backend, clock, script, transcript, sim);
  std::unique_ptr<SessionLog> logged;
  if (log) logged = std::make_unique<SessionLog>(engine, *log);
  Platform platform{clock, serial, os, logged ? static_cast<Ui&>(*logged) : engine};
  Tool tool(platform);
  tool.link.timing = timing;
  tool.link.ftdiUnitUs = ftdiUnitUs;
  // The simulated controller holds the tool to the unit it drives an FTDI cable with.
  if (sim && sim->Model().bitBang) sim->controller.timing.unitUs = ftdiUnitUs;
  RunApplication(tool);
  if (startProblem) *startProblem = tool.setupFile.StartDirectoryError;
  return engine.Finish();
}

}  // namespace ravix
