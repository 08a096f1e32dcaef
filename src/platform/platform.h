#pragma once
#include "platform/clock.h"
#include "platform/os.h"
#include "platform/serial_port.h"
#include "platform/ui.h"

namespace ravix {

// Everything the tool asks of the machine it runs on.
struct Platform {
  Clock& clock;
  SerialPorts& serial;
  Os& os;
  Ui& ui;
};

}  // namespace ravix
