#include "sim/adapter_models.h"

#include <array>

namespace ravix::sim {

namespace {

constexpr std::array<AdapterModel, 7> kModels{{
    // A built-in UART: an I/O-port access behind each call.
    {"uart", 8, 8, 0, false},
    // FTDI's serial driver: every line change and every status read is a USB control
    // transfer that waits for the next frame.
    {"ftdi", 1000, 1000, 0, true, false, true},
    // Silicon Labs CP210x on Linux: a control transfer each, as the FTDI chip.
    {"cp210x", 1000, 1000, 0, true},
    // WCH CH340/CH341: RTS toggles about 2,800 times a second (~300 µs a call); the
    // driver answers a status read from the chip's last interrupt report.
    {"ch340", 300, 5, 2000, true},
    // Prolific PL2303: a control transfer a line change; the status comes from the
    // interrupt endpoint, and a programmer bit-banging it needed 5 ms an edge.
    {"pl2303", 1000, 5, 5000, true},
    // CP210x through the Windows driver: about 14 rounds of 4 line changes a second.
    {"cp210x-windows", 18000, 18000, 0, true},
    // An FTDI cable in synchronous bit-bang mode (the simulated FT232R, src/sim/sim_ftdi.h).
    {"ft232r", 8, 8, 0, false, true, true},
}};

}  // namespace

std::span<const AdapterModel> AdapterModels() { return kModels; }

const AdapterModel* FindAdapterModel(std::string_view name) {
  for (const AdapterModel& model : kModels)
    if (model.name == name) return &model;
  return nullptr;
}

std::string_view AdapterModelNames() { return "uart, ftdi, cp210x, ch340, pl2303, cp210x-windows, ft232r"; }

}  // namespace ravix::sim
