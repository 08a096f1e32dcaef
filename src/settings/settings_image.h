#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravix {

// The controller's setting memory: single bytes at addresses 0 to 57. Eight settings
// exist once per slot (the active set scattered, the two model memories contiguous);
// the rest belong to the active set or identify the controller.

enum class SettingSlot { Active, Memory1, Memory2 };

// The settings that each slot holds, in the order of a model memory's bytes.
enum class SlotSetting {
  OptionFlags,      // OptionFlags bit set
  PwmCode,          // 9 or 10 by the clock; 255 in a memory that holds nothing
  BrakeStrength,    // brake list index 0 to 3
  TimingCode,       // 1, 2, 4, 8 or 16
  StartupPower,     // 1 to 50
  Overtemperature,  // 3 = on, 1 = off
  ThresholdCode,    // low-voltage cut-off in steps of 6/55 V; 255 = 0.8 V per cell
  LowVoltageMode,   // 1 = ignore, 2 = reduce power, 3 = switch off
};

uint8_t SlotAddress(SettingSlot slot, SlotSetting setting);

// Addresses of the active set only.
namespace address {
inline constexpr uint8_t kStopLow = 4, kStopHigh = 5;
inline constexpr uint8_t kNeutralLow = 6, kNeutralHigh = 7;
inline constexpr uint8_t kFullSpeedLow = 8, kFullSpeedHigh = 9;
inline constexpr uint8_t kRpmMarker = 11;
inline constexpr uint8_t kSetupMarker = 12;
inline constexpr uint8_t kLockByte = 13;
inline constexpr uint8_t kControlSpeed = 14;
inline constexpr uint8_t kCalibration = 15;
inline constexpr uint8_t kTransmitterFailures = 23;
inline constexpr uint8_t kOvertemperatureEvents = 24;
inline constexpr uint8_t kUndervoltageEvents = 25;
inline constexpr uint8_t kSignalTolerance = 26;
inline constexpr uint8_t kRpmControlHigh = 27, kRpmControlLow = 28;
inline constexpr uint8_t kClockMhz = 30;
inline constexpr uint8_t kFeatures = 31;
inline constexpr uint8_t kVersionMajor = 32, kVersionMinor = 33;
inline constexpr uint8_t kBlockedMotorEvents = 34;
inline constexpr uint8_t kCompatibilityLevel = 35;
}  // namespace address

inline constexpr uint8_t kSetupMarkerValue = 102;  // written by the set-up with the transmitter
inline constexpr uint8_t kRpmMarkerValue = 85;     // the RPM-control word is valid
inline constexpr uint8_t kMemoryEmpty = 255;       // PWM code of a memory that holds nothing
inline constexpr uint8_t kThresholdPerCell = 255;  // 0.8 V per cell instead of a fixed voltage
// The speed loop's timer constants of a controller clock: the maximum frequency is
// q = k div (w + c) for the RPM-control word w, and w = k div q - c.
struct RpmClockConstants {
  long long k;
  long long c;
};
constexpr RpmClockConstants RpmClockConstantsFor(int clockMhz) {
  return clockMhz == 8 ? RpmClockConstants{174666, 19} : RpmClockConstants{326947, 22};
}

// The controller types the tool knows: 1 the full controller, 3 the reduced one.
inline constexpr int kFullControllerType = 1;
inline constexpr int kReducedControllerType = 3;
constexpr bool SupportedControllerType(int type) { return type == kFullControllerType || type == kReducedControllerType; }
// The model memories came with release 3 of each controller type.
inline constexpr int kFirstMemoryRelease = 3;
inline constexpr int kProgramLevel = 0x20;         // the newest compatibility level this tool knows

// OptionFlags bits.
namespace option {
inline constexpr uint8_t kFixedTiming = 0x01;
inline constexpr uint8_t kForwardReverse = 0x04;
inline constexpr uint8_t kRpmLimit = 0x08;
inline constexpr uint8_t kFreeWheeling = 0x10;
inline constexpr uint8_t kRpmControl = 0x20;
inline constexpr uint8_t kEmfBrake = 0x40;
inline constexpr uint8_t kBlockedMotor = 0x80;
}  // namespace option

// FeatureBits: what the controller's firmware offers.
namespace feature {
inline constexpr uint8_t kPwm15k6 = 0x01;
inline constexpr uint8_t kBlockedMotor = 0x02;
inline constexpr uint8_t kRpmControl = 0x04;
inline constexpr uint8_t kForwardReverse = 0x08;
inline constexpr uint8_t kFreeWheeling = 0x10;
}  // namespace feature

// The few values that the settings commands keep between commands; the panel's
// controls hold everything else.
enum class SettingsPhase { ValuesNotRead, ValuesRead };

// The active set's three pulse widths, in the order a Read shows them.
enum PulseIndex : size_t { kFullSpeedPulse, kNeutralPulse, kStopPulse, kPulseCount };

// A pulse width as the last Read of the active set showed it. Two decimals cannot
// carry every count (3611 shows as "1.81", which parses back as 3619), so a Write of
// a field that still shows this text puts back the count it came from.
struct PulseShown {
  std::string text;  // empty: nothing shown since the values were last read
  uint16_t count = 0;
};

// One setting byte that a Write sent and the controller confirmed.
struct WrittenByte {
  uint8_t address;
  uint8_t value;
};

struct SettingsState {
  static constexpr int kVersionAtStart = 50000;
  static constexpr int kVersionInvalid = 65535;
  static constexpr int kVersionReadLimit = 40000;  // above it no values have been read

  int ControllerVersion = kVersionAtStart;
  uint8_t Features = 0;
  int ClockMhz = 0;
  uint8_t OptionFlagsByte = 0;
  int ThresholdCode = 0;
  int RpmControl = 0;
  std::array<PulseShown, kPulseCount> PulsesShown{};
  // The bytes of the last Write, in the order they went out.
  std::vector<WrittenByte> BytesWritten;

  SettingsPhase Phase() const {
    return ControllerVersion > kVersionReadLimit ? SettingsPhase::ValuesNotRead : SettingsPhase::ValuesRead;
  }
  bool ValuesRead() const { return Phase() == SettingsPhase::ValuesRead; }
  int ControllerType() const { return (ControllerVersion >> 12) & 0xF; }
  // Type 3 is the reduced controller: no brake, no cut-off modes, no memories.
  bool ReducedController() const { return ControllerType() == kReducedControllerType; }
  int Release() const { return ControllerVersion & 0xFFF; }
  int MinorByte() const { return ControllerVersion & 0xFF; }
};

// A decimal panel field as the controller commands take it: at most 9 characters, the
// first "," read as ".", parsed with "%8f" into a single-precision float that stays 0
// when the text holds no number.
float DecimalFromText(std::string_view text);

// The same value, and whether the whole text was one plain decimal number that the
// parse took completely (blanks around it allowed). Letters, a second separator,
// exponents, "nan"/"inf" and texts too long for the parse are not well formed: the
// parse would take something other than what the user typed.
struct PanelNumber {
  float value = 0;
  bool hasNumber = false;  // the parse gave a number (value is 0 otherwise)
  bool wellFormed = false;
};
PanelNumber ReadDecimalText(std::string_view text);

// A digits-only panel field: at most maxChars characters parsed with "%3d". Well
// formed when the whole text is blanks around at most three digits that the parse took.
struct PanelInteger {
  int value = 0;
  bool hasNumber = false;  // the parse gave a number
  bool wellFormed = false;
  bool blank = false;      // nothing but blanks
};
PanelInteger ReadIntegerText(std::string_view text, size_t maxChars);

// Pulse widths: a count of 0.5 us units; the neutral pulse is shown 0.08 ms longer
// than its count.
double PulseMsFromWord(uint16_t word, bool isNeutral);
std::string PulseTextFromWord(uint16_t word, bool isNeutral);  // "%1.2f"
uint16_t PulseWordFromValue(float ms, bool isNeutral);
uint16_t PulseWordFromText(std::string_view text, bool isNeutral);

// Low-voltage threshold in steps of 6/55 V.
double VoltsFromThresholdCode(int code);
std::string VoltsText(int code);  // "%1.1f"
int ThresholdCodeFromVolts(float volts);

// Timing list: indexes 0 to 4 are fixed timings, 5 is "auto".
inline constexpr int kTimingAuto = 5;
// The timing byte written with "auto": the firmware ignores it while the fixed-timing
// flag is clear, so it gets the same valid code that an unknown code reads as (7.5°).
inline constexpr uint8_t kAutoTimingCode = 2;
int TimingIndexFromBytes(uint8_t optionFlags, uint8_t timingCode);
int TimingCodeFromIndex(int index);  // -1 for an index outside the list

// PWM frequency buttons (panel::kPwm7k8, panel::kPwm15k6) by the controller's clock.
int PwmButtonFromCode(int clockMhz, int code);    // 0: neither button
int PwmCodeFromButton(int clockMhz, int button);  // -1: no code stands for it at that clock

// The RPM-control word as the maximum motor frequency, in Hz.
int MaxFrequencyHz(int clockMhz, uint16_t rpmControlWord);
std::string MaxFrequencyText(int clockMhz, uint16_t rpmControlWord);  // "%4d"

// "V 10.11-1F": major and minor version byte and the feature byte, in hexadecimal.
std::string VersionText(uint8_t major, uint8_t minor, uint8_t features);

// The timing and brake list entries, in list order.
inline constexpr const char* kTimingEntries[] = {" 0°", " 7,5°", "15,0°", "22,5°", "30,0°", "auto"};
inline constexpr const char* kBrakeEntries[] = {"off", "hard", "medium", "soft"};

}  // namespace ravix
