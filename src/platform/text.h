#pragma once
#include <algorithm>
#include <string_view>

namespace ravix {

// Small text rules shared by every layer; ASCII only, whatever the locale says.

// The value of an upper-case hexadecimal digit (0-9, A-F), -1 for any other character.
constexpr int UpperHexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of a hexadecimal digit of either case, -1 for any other character.
constexpr int HexDigitValue(char c) { return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : UpperHexDigitValue(c); }

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The two texts are equal but for the case of ASCII letters.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace ravix
