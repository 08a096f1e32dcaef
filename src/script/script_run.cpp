#include "script/script_run.h"

#include "app/startup.h"
#include "app/tool.h"
#include "script/script_engine.h"

namespace ravix {

int RunScriptedTool(Clock& clock, SerialPorts& serial, Os& os, Ui& backend, sim::SimAdapter* sim,
                    std::istream& script, std::ostream& transcript) {
  ScriptEngine engine(backend, clock, script, transcript, sim);
  Platform platform{clock, serial, os, engine};
  Tool tool(platform);
  RunApplication(tool);
  return engine.Finish();
}

}  // namespace ravix
