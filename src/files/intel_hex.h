#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "files/update_file.h"

namespace ravix {

// A firmware image as an Intel HEX file gives it: every byte it names, by address.
struct IntelHexImage {
  std::map<uint32_t, uint8_t> bytes;
};

struct IntelHexResult {
  IntelHexImage image;
  // Empty on success; otherwise what is wrong, beginning with "line N: ".
  std::string error;
  bool Ok() const { return error.empty(); }
};

// Reads Intel HEX text: data records (00), the end-of-file record (01), extended
// segment (02) and extended linear (04) addresses; start-address records (03, 05)
// carry nothing for the image and are passed over. Every record's checksum must
// hold, the end-of-file record must be there, and no address may be given twice
// with different bytes.
IntelHexResult ParseIntelHex(std::string_view text);

// The image's bytes as update lines, in address order. Empty on success; otherwise
// why the image cannot become an update file: it holds nothing, or it names an
// address beyond the pages the controller's page commands reach.
std::string UpdateBytesFromImage(const IntelHexImage& image, std::vector<UpdateByte>& bytes);

// The highest address a page commit can confirm: the page number travels as one
// byte and the controller's answer must equal it, so pages stop at 255.
inline constexpr uint32_t kLastUpdateAddress = 0x3FFF;

}  // namespace ravix
