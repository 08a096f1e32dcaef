#include "app/startup.h"

#include "app/main_window.h"

namespace ravix {

namespace {
// Sizes of the extended and the basic version structure: an older system refuses the first.
constexpr uint32_t kVersionInfoExSize = 156;
constexpr uint32_t kVersionInfoSize = 148;
}  // namespace

void DecidePortAccess(Os& os, Link& link) {
  auto platformId = os.GetVersionPlatform(kVersionInfoExSize);
  if (!platformId) platformId = os.GetVersionPlatform(kVersionInfoSize);
  ParallelAdapter& parallel = link.Parallel();
  parallel.DirectPortIo = platformId && *platformId == VER_PLATFORM_WIN32_WINDOWS;
  // Loaded on every platform and kept for the whole run.
  parallel.PortDriverLibrary = os.LoadLibrary("DLPORTIO.dll");
  parallel.PortDriverReady = !parallel.DirectPortIo && parallel.PortDriverLibrary != nullptr;
}

int RunApplication(Tool& tool) {
  DecidePortAccess(tool.platform.os, tool.link);
  MainWindow mainWindow(tool);
  mainWindow.Run();
  return 0;
}

}  // namespace ravix
