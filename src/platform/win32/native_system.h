#pragma once
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_os.h"
#include "platform/win32/win32_serial.h"

namespace ravix {

// The machine's own clock, serial ports and operating system, for a program's
// main() to build its Platform on (the POSIX build has a header of the same name).
struct NativeSystem {
  TickClock clock;
  Win32SerialPorts serial;
  Win32Os os;
};

}  // namespace ravix
