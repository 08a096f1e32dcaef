#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/ids.h"
#include "settings/settings_image.h"

namespace ravix {

// How a setting lies in the controller's bytes, which decides how a Read shows it,
// a Write takes it and a file made from the values holds it.
enum class Encoding {
  PulseCount,      // a count of 0.5 us, high byte first (address: the high byte)
  PwmCode,         // the frequency code, by the controller's clock
  Level,           // one byte, 1 to 50
  Brake,           // the brake strength, which counts only with the EMF-brake flag
  Timing,          // the timing code with the fixed-timing flag
  LowVoltageMode,  // 1 ignore, 2 reduce power, 3 switch off
  Threshold,       // the cut-off code, 255 for per cell
  Tolerance,       // 1 small, 2 medium, 3 high
  Flag,            // one bit of the option flags
  OnByte,          // 3 for on, 1 for off
  Counter,         // a log counter
  RpmControlWord,  // the RPM-control dialog's; no key of its own
};

// How a settings file and the panel hold a value.
enum class SettingKind {
  Decimal,  // a number field of two decimals (ms)
  Level,    // a number field of three digits
  Counter,  // a number field of two digits
  Switch,   // a check box, true or false in a file
  Choice,   // a list or a button group, its names in a file
};

// Each setting of the panel once: its name in a settings file and on the command line
// (--set NAME=VALUE), the panel control that shows it, where its byte lies and how it
// is encoded, its unit and the values it takes, whether only the active set has it (a
// model memory has no byte for it), and a sentence for people who set up a model.
struct SettingRow {
  const char* key;
  int control;  // the panel control (for a button group, its first button)
  SettingKind kind;
  Encoding encoding;
  // The byte: a byte of each slot, or (where there is none) the active set's own.
  std::optional<SlotSetting> slotByte = std::nullopt;
  uint8_t address = 0;
  uint8_t flag = 0;     // Flag: its bit of the option flags
  uint8_t feature = 0;  // the feature bit the control needs to be offered, 0 for none
  double low = 0, high = 0;  // the range a file's number takes
  const char* unit = "";     // "" for a choice, a switch or a count
  const char* values = "";   // what the file and --set take, in words
  bool activeOnly = false;
  const char* help = "";

  // The byte's address in a slot (a pulse width's high byte).
  uint8_t AddressIn(SettingSlot slot) const { return slotByte ? SlotAddress(slot, *slotByte) : address; }
};

// The names a settings file gives the lists' and groups' entries, in list order.
inline constexpr std::array<const char*, 4> kBrakeNames = {"off", "hard", "medium", "soft"};
inline constexpr std::array<double, 5> kTimingDegrees = {0, 7.5, 15, 22.5, 30};  // then "auto"
inline constexpr std::array<const char*, 3> kModeNames = {"ignore", "reduce-power", "switch-off"};
inline constexpr std::array<int, 3> kModeButtons = {panel::kIgnore, panel::kReducePower, panel::kSwitchOff};
inline constexpr std::array<const char*, 3> kToleranceNames = {"small", "medium", "high"};
inline constexpr std::array<int, 3> kToleranceButtons = {panel::kToleranceSmall, panel::kToleranceMedium,
                                                         panel::kToleranceHigh};

// The settings of a file, in the order a file keeps them.
std::span<const SettingRow> SettingRows();
// The row of a name, or null.
const SettingRow* FindSetting(std::string_view key);
// The help words of the setting a panel control shows, with its values and unit ("" for
// a control that shows none): the words a tooltip takes.
std::string SettingHelp(int control);
// The known names nearest to an unknown one (a slip of one or two letters, or a part
// of the name), at most three, nearest first.
std::vector<std::string> NearestSettings(std::string_view key);

}  // namespace ravix
