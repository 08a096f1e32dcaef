#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_values.h"

namespace ravix {

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

// One setting byte that a Write sent and the controller confirmed.
struct WrittenByte {
  uint8_t address;
  uint8_t value;
};

struct SettingsState {
  // What the last Read read, and the controller it read it from (whose version word
  // other commands mark invalid when the controller may no longer be that one). A
  // Read of a model memory replaces the slot's bytes and keeps the active set's own
  // values: the panel keeps showing the active pulse widths that a Write puts back.
  SettingsValues LastRead;
  // The cut-off code a Write sends where the panel shows no voltage ("ignore"): as
  // read, until the panel's rules or a Write change it.
  int ThresholdCode = 0;
  // The RPM-control word as read, or as the RPM-control dialog last wrote it.
  int RpmControl = 0;
  // The bytes of the last Write, in the order they went out.
  std::vector<WrittenByte> BytesWritten;

  SettingsPhase Phase() const {
    return LastRead.ValuesRead() ? SettingsPhase::ValuesRead : SettingsPhase::ValuesNotRead;
  }
  bool ValuesRead() const { return LastRead.ValuesRead(); }
  // The controller on the line may no longer be the one read (it stopped answering,
  // was restarted or refused): nothing counts as read until the next Read.
  void ForgetController() { LastRead.ControllerVersion = SettingsValues::kVersionInvalid; }
  int ControllerType() const { return LastRead.ControllerType(); }
  bool ReducedController() const { return LastRead.ReducedController(); }
  int Release() const { return LastRead.Release(); }
  int MinorByte() const { return LastRead.MinorByte(); }
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
