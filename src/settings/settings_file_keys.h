#pragma once
#include <array>

#include "resources/ids.h"

// The names a settings file gives the panel's lists, button groups and check boxes,
// shared by saving and loading so that the two can never disagree.
namespace ravix::settings_file::keys {

// The keys of the lists and button groups; every slot has the first five, the active
// set alone the tolerance.
inline constexpr std::array<const char*, 5> kChoiceKeys = {"pwm-khz", "brake", "timing", "low-voltage",
                                                           "cutoff-volts"};
inline constexpr const char* kToleranceKey = "signal-tolerance";

inline constexpr std::array<const char*, 4> kBrakeNames = {"off", "hard", "medium", "soft"};
inline constexpr std::array<double, 5> kTimingDegrees = {0, 7.5, 15, 22.5, 30};
inline constexpr std::array<const char*, 3> kModeNames = {"ignore", "reduce-power", "switch-off"};
inline constexpr std::array<int, 3> kModeButtons = {panel::kIgnore, panel::kReducePower, panel::kSwitchOff};
inline constexpr std::array<const char*, 3> kToleranceNames = {"small", "medium", "high"};
inline constexpr std::array<int, 3> kToleranceButtons = {panel::kToleranceSmall, panel::kToleranceMedium,
                                                         panel::kToleranceHigh};

// The check boxes kept as booleans; the active set alone has the last two.
struct Switch {
  const char* key;
  int id;
  bool activeOnly;
};
inline constexpr std::array<Switch, 6> kSwitches = {{
    {"overtemp-protection", panel::kOvertempProtect, false},
    {"blocked-motor-protection", panel::kBlockedMotorProtect, false},
    {"rpm-limit", panel::kRpmLimit, false},
    {"free-wheeling", panel::kFreeWheeling, false},
    {"forward-reverse", panel::kForwardReverse, true},
    {"rpm-control", panel::kRpmControl, true},
}};

// The number fields: pulse widths in ms (two decimals), levels and log counters.
enum class ValueKind { Pulse, Level, Counter };
struct Field {
  const char* key;
  int id;
  double low, high;
  ValueKind kind;
  bool activeOnly;
  bool Decimal() const { return kind == ValueKind::Pulse; }
};
// The pulse limits are wider than the write's where they depend on each other: the
// write refuses the combinations with its own messages.
inline constexpr std::array<Field, 9> kFields = {{
    {"full-speed-ms", panel::kFullSpeed, 1.8, 2.3, ValueKind::Pulse, true},
    {"neutral-ms", panel::kNeutral, 0.8, 2.3, ValueKind::Pulse, true},
    {"stop-ms", panel::kStop, 0.8, 1.69, ValueKind::Pulse, true},
    {"control-speed", panel::kControlSpeed, 1, 50, ValueKind::Level, true},
    {"startup-power", panel::kStartupPower, 1, 50, ValueKind::Level, false},
    {"transmitter-failures", panel::kTransmitterFailures, 0, 255, ValueKind::Counter, true},
    {"overtemperature-events", panel::kOvertempEvents, 0, 255, ValueKind::Counter, true},
    {"undervoltage-events", panel::kUndervoltageEvents, 0, 255, ValueKind::Counter, true},
    {"blocked-motor-events", panel::kBlockedMotorEvents, 0, 255, ValueKind::Counter, true},
}};

}  // namespace ravix::settings_file::keys
