#pragma once
#include "isp/isp.h"
#include "link/link.h"
#include "platform/ui.h"
#include "protocol/setup_protocol.h"
#include "status/status.h"

namespace ravix {

// Setting byte 15: the oscillator calibration value the controller's firmware loads.
inline constexpr uint32_t kOscCalAddress = 15;

// "Calibrate RC-Oscillator": reads calibration byte 3 of the AVR through the
// programming interface, restarts the firmware and stores the value in setting
// byte 15, then reports the value it should be, the old and the new value.
void CalibrateOscillator(Window& mainWindow, Link& link, SetupProtocol& protocol, Isp& isp, Status& status);

// "Controller Info": checks that the firmware is not another kind of device, then
// shows the AVR's signature, lock and fuse bytes in one box.
void ShowControllerInfo(Window& mainWindow, Link& link, SetupProtocol& protocol, Isp& isp, Status& status);

}  // namespace ravix
