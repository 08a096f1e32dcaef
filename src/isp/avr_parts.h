#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace ravix {

// The name of the AVR part whose signature bytes (vendor, family, number) these are,
// for the ATmega parts of families 0x92 to 0x95; "" for any other signature (an erased
// or locked chip reads FF FF FF or 00 01 02).
std::string_view AvrPartName(const std::array<uint8_t, 3>& signature);

}  // namespace ravix
