#include "sim/sim_state.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace ravix::sim {

namespace {

constexpr size_t kBytesPerLine = 16;
constexpr size_t kFlashBytesPerLine = 32;

std::string HexLine(const char* word, size_t address, const uint8_t* bytes, size_t count) {
  std::string line = std::string(word) + " " + std::to_string(address);
  for (size_t i = 0; i < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
    line += hex;
  }
  return line + "\n";
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint8_t> HexByte(std::string_view word) {
  if (word.empty() || word.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : word) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return static_cast<uint8_t>(value);
}

std::optional<size_t> Decimal(std::string_view word, size_t limit) {
  if (word.empty() || word.size() > 6) return std::nullopt;
  size_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  if (value > limit) return std::nullopt;
  return value;
}

// One record of a state file applied to the controller; empty when it was, else why not.
class StateLine {
 public:
  StateLine(const std::vector<std::string_view>& words, SimController& controller)
      : words_(words), controller_(controller) {}

  std::string Apply() {
    const std::string_view what = words_[0];
    if (what == "settings") return Bytes(controller_.settings.data(), kSettingBytes, "setting");
    if (what == "flash") return Bytes(controller_.flash.data(), controller_.flash.size(), "program memory");
    SimIsp& isp = controller_.isp;
    if (what == "signature") return Fixed({&isp.signature[0], &isp.signature[1], &isp.signature[2]});
    if (what == "fuses") return Fixed({&isp.fuseHigh, &isp.fuseLow});
    if (what == "lockbits") return Fixed({&isp.lockBits});
    if (what == "calibration") return Fixed({&isp.calibration});
    return "unknown record \"" + std::string(what.substr(0, 24)) + "\"";
  }

 private:
  // "WORD ADDR HH HH ..." into bytes[ADDR...], all inside size.
  std::string Bytes(uint8_t* bytes, size_t size, const char* memory) {
    if (words_.size() < 3) return std::string(words_[0]) + " needs an address and at least one byte";
    const std::optional<size_t> address = Decimal(words_[1], size - 1);
    if (!address) return "no " + std::string(memory) + " address from 0 to " + std::to_string(size - 1);
    if (*address + (words_.size() - 2) > size) return std::string(memory) + " bytes beyond its last address";
    for (size_t i = 2; i < words_.size(); ++i) {
      const std::optional<uint8_t> byte = HexByte(words_[i]);
      if (!byte) return "\"" + std::string(words_[i].substr(0, 8)) + "\" is no hexadecimal byte";
      bytes[*address + i - 2] = *byte;
    }
    return {};
  }

  // "WORD HH ..." with exactly as many bytes as targets.
  std::string Fixed(std::initializer_list<uint8_t*> targets) {
    if (words_.size() != targets.size() + 1)
      return std::string(words_[0]) + " takes " + std::to_string(targets.size()) + " hexadecimal byte(s)";
    size_t i = 1;
    for (uint8_t* target : targets) {
      const std::optional<uint8_t> byte = HexByte(words_[i++]);
      if (!byte) return "\"" + std::string(words_[i - 1].substr(0, 8)) + "\" is no hexadecimal byte";
      *target = *byte;
    }
    return {};
  }

  const std::vector<std::string_view>& words_;
  SimController& controller_;
};

// The first line of the text, without its line end.
std::string_view FirstLine(std::string_view text) {
  const size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

std::string SimStateText(const SimController& controller) {
  std::string text = std::string(kSimStateMagic) + " " + std::to_string(kSimStateVersion) + "\n";
  text += "# The simulated controller of --simulate --sim-state, written at the end of each run.\n";
  for (size_t at = 0; at < kSettingBytes; at += kBytesPerLine)
    text += HexLine("settings", at, controller.settings.data() + at, std::min(kBytesPerLine, kSettingBytes - at));
  const SimIsp& isp = controller.isp;
  char line[96];
  std::snprintf(line, sizeof line, "signature %02X %02X %02X\nfuses %02X %02X\nlockbits %02X\ncalibration %02X\n",
                isp.signature[0], isp.signature[1], isp.signature[2], isp.fuseHigh, isp.fuseLow, isp.lockBits,
                isp.calibration);
  text += line;
  const std::vector<uint8_t>& flash = controller.flash;
  for (size_t at = 0; at < flash.size(); at += kFlashBytesPerLine) {
    const size_t count = std::min(kFlashBytesPerLine, flash.size() - at);
    const auto begin = flash.begin() + static_cast<std::ptrdiff_t>(at);
    if (std::all_of(begin, begin + static_cast<std::ptrdiff_t>(count), [](uint8_t b) { return b == 0xFF; })) continue;
    text += HexLine("flash", at, flash.data() + at, count);
  }
  return text;
}

bool LooksLikeSimState(std::string_view text) {
  const std::vector<std::string_view> words = Words(FirstLine(text));
  return words.size() == 2 && words[0] == kSimStateMagic && Decimal(words[1], 999999);
}

bool LoadSimStateText(std::string_view text, SimController& controller, std::string& why) {
  controller.Reset();
  const std::vector<std::string_view> header = Words(FirstLine(text));
  if (!LooksLikeSimState(text)) {
    why = std::string("line 1: not \"") + kSimStateMagic + " " + std::to_string(kSimStateVersion) + "\"";
    return false;
  }
  if (*Decimal(header[1], 999999) > static_cast<size_t>(kSimStateVersion)) {
    why = "a simulated controller's state of a newer version (" + std::string(header[1]) + ") of this program";
    return false;
  }
  size_t lineNumber = 1;
  size_t at = text.find('\n');
  while (at != std::string_view::npos) {
    const size_t start = at + 1;
    at = text.find('\n', start);
    std::string_view line = text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].front() == '#') continue;
    const std::string problem = StateLine(words, controller).Apply();
    if (!problem.empty()) {
      why = "line " + std::to_string(lineNumber) + ": " + problem;
      controller.Reset();
      return false;
    }
  }
  return true;
}

}  // namespace ravix::sim
