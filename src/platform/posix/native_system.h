#pragma once
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_os.h"
#include "platform/posix/posix_serial.h"

namespace ravix {

// The machine's own clock, serial ports and operating system, for a program's
// main() to build its Platform on (the Windows build has a header of the same name).
struct NativeSystem {
  MonotonicClock clock;
  PosixSerialPorts serial;
  PosixOs os;
};

}  // namespace ravix
