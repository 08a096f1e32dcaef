#include "settings/settings_image.h"

#include <cmath>
#include <cstdio>

#include "resources/ids.h"

namespace ravix {

namespace {

constexpr uint8_t kActiveAddresses[] = {10, 16, 17, 18, 19, 20, 21, 22};
constexpr uint8_t kMemory1Base = 40;
constexpr uint8_t kMemory2Base = 50;

// The single-precision values of 1/55 and 55/6 that the controller's own
// conversions use; the shown volts and the codes written depend on them.
constexpr double kVoltStep = 0.0181818176060915;
constexpr double kStepsPerVolt = 9.166666984558105;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool OnlyBlanks(std::string_view text) {
  for (char c : text)
    if (!IsBlank(c)) return false;
  return true;
}

// Blanks, an optional sign, digits with at most one "." among them, blanks.
bool IsPlainDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  int digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  return digits > 0 && OnlyBlanks(text.substr(i));
}

// Blanks, then digits only.
bool IsPlainUnsigned(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!IsDigit(text[i])) return false;
  return true;
}

std::string WithDecimalPoint(std::string_view text) {
  std::string s(text);
  if (auto comma = s.find(','); comma != std::string::npos) s[comma] = '.';
  return s;
}

// Truncation toward zero, kept inside the range of the result so that no text can
// make the conversion undefined; the writer checks the ranges that matter.
long Truncated(double x, long low, long high) {
  if (std::isnan(x)) return 0;
  if (x <= static_cast<double>(low)) return low;
  if (x >= static_cast<double>(high)) return high;
  return static_cast<long>(x);
}

}  // namespace

uint8_t SlotAddress(SettingSlot slot, SlotSetting setting) {
  const int index = static_cast<int>(setting);
  switch (slot) {
    case SettingSlot::Memory1:
      return static_cast<uint8_t>(kMemory1Base + index);
    case SettingSlot::Memory2:
      return static_cast<uint8_t>(kMemory2Base + index);
    case SettingSlot::Active:
      break;
  }
  return kActiveAddresses[index];
}

float DecimalFromText(std::string_view text) {
  const std::string prefix = WithDecimalPoint(text.substr(0, 9));
  float value = 0;
  if (std::sscanf(prefix.c_str(), "%8f", &value) != 1) value = 0;
  return value;
}

PanelNumber ReadDecimalText(std::string_view text) {
  // The first comma of the whole text is the one the 9-character prefix sees, if any.
  const std::string full = WithDecimalPoint(text);
  const std::string prefix = full.substr(0, 9);
  PanelNumber number;
  int consumed = 0;
  if (std::sscanf(prefix.c_str(), "%8f%n", &number.value, &consumed) != 1) {
    number.value = 0;
    return number;
  }
  number.hasNumber = true;
  const std::string_view all(full);
  number.wellFormed = IsPlainDecimal(all.substr(0, static_cast<size_t>(consumed))) &&
                      OnlyBlanks(all.substr(static_cast<size_t>(consumed)));
  return number;
}

PanelInteger ReadIntegerText(std::string_view text, size_t maxChars) {
  PanelInteger number;
  number.blank = OnlyBlanks(text);
  const std::string prefix(text.substr(0, maxChars));
  int consumed = 0;
  if (std::sscanf(prefix.c_str(), "%3d%n", &number.value, &consumed) != 1) {
    number.value = 0;
    return number;
  }
  number.hasNumber = true;
  number.wellFormed = IsPlainUnsigned(text.substr(0, static_cast<size_t>(consumed))) &&
                      OnlyBlanks(text.substr(static_cast<size_t>(consumed)));
  return number;
}

double PulseMsFromWord(uint16_t word, bool isNeutral) {
  const double ms = word * 0.0005;
  return isNeutral ? ms + 0.08 : ms;
}

std::string PulseTextFromWord(uint16_t word, bool isNeutral) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.2f", PulseMsFromWord(word, isNeutral));
  return text;
}

uint16_t PulseWordFromValue(float ms, bool isNeutral) {
  // The neutral count leaves out the 0.08 ms that the controller adds; the reduced
  // value goes back to single precision before it is scaled, and the truncation keeps
  // its rounding error: a neutral of 1.5 is stored as 2839 and shown again as 1.50.
  if (isNeutral) ms = static_cast<float>(static_cast<double>(ms) - 0.08);
  const double count = static_cast<double>(ms) * 5000.0 * 0.4;
  return static_cast<uint16_t>(Truncated(count, 0, 0xFFFF));
}

uint16_t PulseWordFromText(std::string_view text, bool isNeutral) {
  return PulseWordFromValue(DecimalFromText(text), isNeutral);
}

double VoltsFromThresholdCode(int code) { return code * 6 * kVoltStep; }

std::string VoltsText(int code) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.1f", VoltsFromThresholdCode(code));
  return text;
}

int ThresholdCodeFromVolts(float volts) {
  const double x = static_cast<double>(volts) * kStepsPerVolt;
  long code = Truncated(x, -100000, 100000);
  if (x - static_cast<double>(code) > 0.5) ++code;
  return static_cast<int>(code);
}

int TimingIndexFromBytes(uint8_t optionFlags, uint8_t timingCode) {
  if (!(optionFlags & option::kFixedTiming)) return kTimingAuto;
  switch (timingCode) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return 1;  // the firmware runs an unknown code as 7.5 degrees
  }
}

int TimingCodeFromIndex(int index) {
  if (index >= 0 && index < kTimingAuto) return 1 << index;
  if (index == kTimingAuto) return kAutoTimingCode;
  return -1;
}

int PwmButtonFromCode(int clockMhz, int code) {
  if (clockMhz == 16 && code == 9) return panel::kPwm15k6;
  if (clockMhz == 16 && code == 10) return panel::kPwm7k8;
  if (clockMhz == 8 && code == 9) return panel::kPwm7k8;
  return 0;
}

int PwmCodeFromButton(int clockMhz, int button) {
  if (button == panel::kPwm7k8 && clockMhz == 8) return 9;
  if (button == panel::kPwm7k8 && clockMhz == 16) return 10;
  if (button == panel::kPwm15k6 && clockMhz == 16) return 9;
  return -1;
}

int MaxFrequencyHz(int clockMhz, uint16_t rpmControlWord) {
  const RpmClockConstants clock = RpmClockConstantsFor(clockMhz);
  return static_cast<int>(clock.k / (rpmControlWord + clock.c));
}

std::string MaxFrequencyText(int clockMhz, uint16_t rpmControlWord) {
  char text[32];
  std::snprintf(text, sizeof text, "%4d", MaxFrequencyHz(clockMhz, rpmControlWord));
  return text;
}

std::string VersionText(uint8_t major, uint8_t minor, uint8_t features) {
  char head[16], low[8], feat[8];
  std::snprintf(head, sizeof head, "V %02X", static_cast<unsigned>(major));
  std::snprintf(low, sizeof low, "%02X", static_cast<unsigned>(minor));
  std::snprintf(feat, sizeof feat, "%02X", static_cast<unsigned>(features));
  return std::string(head) + "." + low + "-" + feat;
}

}  // namespace ravix
