#pragma once
#include "app/tool.h"

namespace ravix {

// Decides once how the parallel port is reached: direct port instructions on the 9x
// line, else through the port-I/O driver library when it loads, else not at all.
void DecidePortAccess(Os& os, Link& link);

// Start-up, then the main window until it ends; 0.
int RunApplication(Tool& tool);

}  // namespace ravix
