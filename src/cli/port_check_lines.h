#pragma once
#include <string>

#include "link/ftdi_adapter.h"

namespace ravix::cli {

// One line of ravix-cli port-check: the label in a column of its own, then the value.
void SayPortLine(const char* label, const std::string& value);

// The FTDI cable opened: its product string and serial number.
void SayFtdiCable(const FtdiAdapter& ftdi);
// What the FTDI adapter works with: its unit in states and their rate, the chip's
// latency timer and what an answer costs (the round trip of the chip's samples).
void SayFtdiFigures(const FtdiAdapter& ftdi);

}  // namespace ravix::cli
