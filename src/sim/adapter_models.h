#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace ravix::sim {

// A serial adapter's chip as the tool sees it through the operating system: what one
// line operation and one modem-status read cost, and whether a status read sees the
// lines as they are or the chip's last report of them (which comes a while after a
// change). The figures are published measurements of real cables, not ours; where
// each comes from is written in docs/design.md.
struct AdapterModel {
  std::string_view name;
  uint32_t lineOpUs;       // one line change (EscapeCommFunction, TIOCMBIS/TIOCMBIC)
  uint32_t statusReadUs;   // one modem-status read
  uint32_t reportDelayUs;  // 0: a read sees the lines live; else the report comes this long after a change
  bool jitter;             // USB: each call costs its figure give or take 20%
  // An FTDI chip driven in synchronous bit-bang mode: the simulated FT232R stands behind
  // every port name, and the serial figures above are never used.
  bool bitBang = false;
  // The cable's chip is an FTDI one: the machine also offers it in bit-bang mode (as
  // ftdi:SIM), and a COM port on it can say what that mode would take.
  bool ftdiChip = false;
};

// uart (the default: a built-in port), ftdi, cp210x, ch340, pl2303, cp210x-windows, ft232r.
std::span<const AdapterModel> AdapterModels();
// The model of that name, or null.
const AdapterModel* FindAdapterModel(std::string_view name);
// "uart, ftdi, ...": the names for a usage text.
std::string_view AdapterModelNames();

}  // namespace ravix::sim
