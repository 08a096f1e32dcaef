#pragma once
#include <array>

#include "resources/ids.h"

// The names a settings file gives the panel's lists, button groups and check boxes,
// shared by saving and loading so that the two can never disagree.
namespace ravix::settings_file::keys {

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

}  // namespace ravix::settings_file::keys
