#include "isp/avr_parts.h"

namespace ravix {

namespace {

struct AvrPart {
  uint8_t vendor, family, number;
  const char* name;
};

// The signatures as the chips' makers list them; the table is data taken from
// Debian's avrdude part list (see the file's first lines).
constexpr AvrPart kParts[] = {
#include "isp/avr_signatures.inc"
};

}  // namespace

std::string_view AvrPartName(const std::array<uint8_t, 3>& signature) {
  for (const AvrPart& part : kParts)
    if (part.vendor == signature[0] && part.family == signature[1] && part.number == signature[2]) return part.name;
  return "";
}

}  // namespace ravix
