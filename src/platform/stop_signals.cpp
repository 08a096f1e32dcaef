#include "platform/stop_signals.h"

#include <cstdio>

namespace ravix {

int StatusAfterOutsideStop(int status, const char* program) {
  const int signal = OutsideStopSignal();
  if (signal == 0) return status;
  std::fprintf(stderr, "%s: ended on %s\n", program, OutsideStopName().c_str());
  return 128 + signal;
}

}  // namespace ravix
