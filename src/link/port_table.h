#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "link/adapter_kinds.h"
#include "resources/ids.h"

namespace ravix {

// The ports the adapter can sit on, in the order in which a stored name is compared:
// the three parallel ports (no menu items: they are chosen through the setup file)
// and COM1 to COM8 (the Port menu). The setup file keeps these eleven names in its
// first four bytes; any other port name it keeps in its long form.
struct PortRow {
  std::string_view name;
  AdapterKindId kind;
  uint16_t lptBase;  // parallel rows only
  int command;
};
inline constexpr std::array<PortRow, 11> PortTable{{
    {"0278", AdapterKindId::Parallel, 0x278, menu::kLpt0278},
    {"0378", AdapterKindId::Parallel, 0x378, menu::kLpt0378},
    {"03BC", AdapterKindId::Parallel, 0x3BC, menu::kLpt03BC},
    {"COM1", AdapterKindId::Serial, 0, menu::kFirstPort},
    {"COM2", AdapterKindId::Serial, 0, menu::kFirstPort + 1},
    {"COM3", AdapterKindId::Serial, 0, menu::kFirstPort + 2},
    {"COM4", AdapterKindId::Serial, 0, menu::kFirstPort + 3},
    {"COM5", AdapterKindId::Serial, 0, menu::kFirstPort + 4},
    {"COM6", AdapterKindId::Serial, 0, menu::kFirstPort + 5},
    {"COM7", AdapterKindId::Serial, 0, menu::kFirstPort + 6},
    {"COM8", AdapterKindId::Serial, 0, menu::kFirstPort + 7},
}};

// The row of a port name (whole text), or -1.
constexpr int PortRowOfName(std::string_view name) {
  for (size_t row = 0; row < PortTable.size(); ++row)
    if (PortTable[row].name == name) return static_cast<int>(row);
  return -1;
}

// The number of a COM port name ("COM12" -> 12, any case), or 0 for any other name.
constexpr int ComPortNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return 0;
  for (size_t i = 0; i < 3; ++i)
    if ((name[i] | 0x20) != "com"[i]) return 0;
  int number = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    number = number * 10 + (name[i] - '0');
  }
  return name[3] == '0' ? 0 : number;
}

}  // namespace ravix
