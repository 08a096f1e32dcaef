#include "files/intel_hex.h"

#include <cstdio>
#include <vector>

#include "platform/text.h"

namespace ravix {

namespace {

std::string LineError(size_t lineNumber, const std::string& why) {
  return "line " + std::to_string(lineNumber) + ": " + why;
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The bytes of one record (without its ':'), checked against its count and checksum.
// Empty on success, else what is wrong.
std::string DecodeRecord(std::string_view line, std::vector<uint8_t>& record) {
  if (line.front() != ':') return "a record must begin with ':'";
  line.remove_prefix(1);
  if (line.size() % 2 != 0 || line.size() < 10) return "the record is cut short or has an odd number of digits";
  record.assign(line.size() / 2, 0);
  for (size_t i = 0; i < record.size(); ++i) {
    const int high = HexDigitValue(line[2 * i]), low = HexDigitValue(line[2 * i + 1]);
    if (high < 0 || low < 0) return "'" + std::string(line.substr(2 * i, 2)) + "' is not a hexadecimal byte";
    record[i] = static_cast<uint8_t>(high * 16 + low);
  }
  const size_t count = record[0];
  if (record.size() != count + 5)
    return "the record announces " + std::to_string(count) + " data bytes but holds " + std::to_string(record.size() - 5);
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < record.size(); ++i) sum += record[i];
  const unsigned needed = (0x100 - (sum & 0xFF)) & 0xFF;
  if (needed != record.back()) return "wrong checksum " + Hex2(record.back()) + ", the record needs " + Hex2(needed);
  return {};
}

// Where the records stand while they are read.
struct HexReading {
  uint32_t base = 0;
  bool ended = false;
};

// Takes one checked record into the image. Empty on success, else what is wrong.
std::string ApplyRecord(const std::vector<uint8_t>& record, HexReading& reading, IntelHexImage& image) {
  const size_t count = record[0];
  const uint32_t offset = static_cast<uint32_t>(record[1]) << 8 | record[2];
  const uint8_t type = record[3];
  const uint8_t* data = &record[4];
  switch (type) {
    case 0x00:
      for (size_t i = 0; i < count; ++i) {
        // The offset wraps inside its 64 KiB segment.
        const uint32_t address = reading.base + ((offset + static_cast<uint32_t>(i)) & 0xFFFF);
        auto [at, inserted] = image.bytes.emplace(address, data[i]);
        if (!inserted && at->second != data[i]) {
          char where[16];
          std::snprintf(where, sizeof where, "0x%04X", static_cast<unsigned>(address));
          return std::string("address ") + where + " is given a second time with a different byte";
        }
      }
      return {};
    case 0x01: reading.ended = true; return {};
    case 0x02:
    case 0x04:
      if (count != 2) return "an extended address record holds two bytes";
      reading.base = (static_cast<uint32_t>(data[0]) << 8 | data[1]) << (type == 0x02 ? 4 : 16);
      return {};
    case 0x03:
    case 0x05: return {};  // where a processor would start: nothing to program
    default: return "unknown record type " + Hex2(type);
  }
}

}  // namespace

IntelHexResult ParseIntelHex(std::string_view text) {
  IntelHexResult result;
  HexReading reading;
  std::vector<uint8_t> record;
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < text.size() && !reading.ended) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty()) continue;
    std::string why = DecodeRecord(line, record);
    if (why.empty()) why = ApplyRecord(record, reading, result.image);
    if (!why.empty()) {
      result.error = LineError(lineNumber, why);
      return result;
    }
  }
  if (!reading.ended) {
    result.error = LineError(lineNumber, "no end-of-file record (type 01): the image may be cut short");
    result.image.bytes.clear();
  }
  return result;
}

std::string UpdateBytesFromImage(const IntelHexImage& image, std::vector<UpdateByte>& bytes) {
  bytes.clear();
  if (image.bytes.empty()) return "the image holds no data";
  const uint32_t last = image.bytes.rbegin()->first;
  if (last > kLastUpdateAddress) {
    char why[160];
    std::snprintf(why, sizeof why,
                  "address 0x%X lies beyond 0x%04X, the last address the controller's page commands can program",
                  static_cast<unsigned>(last), static_cast<unsigned>(kLastUpdateAddress));
    return why;
  }
  bytes.reserve(image.bytes.size());
  for (const auto& [address, data] : image.bytes) bytes.push_back({static_cast<uint16_t>(address), data});
  return {};
}

}  // namespace ravix
