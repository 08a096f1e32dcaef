#include "settings/setting_table.h"

#include <algorithm>
#include <array>

#include "resources/ids.h"

namespace ravix {

namespace {

using namespace panel;

constexpr std::array<SettingRow, 22> kRows{{
    {"full-speed-ms", kFullSpeed, "ms", "1.8 to 2.3", true,
     "The receiver's pulse width at full throttle. Take it from the transmitter's end point, or let the "
     "controller learn it."},
    {"neutral-ms", kNeutral, "ms", "0.8 to 2.3", true,
     "The pulse width at which the motor stands; with forward/reverse the middle of the stick."},
    {"stop-ms", kStop, "ms", "0.8 to 1.69", true,
     "The pulse width below which the motor stops (and brakes, with a brake set); without forward/reverse it "
     "lies below neutral."},
    {"pwm-khz", kPwm7k8, "kHz", "7.8 or 15.6", false,
     "How often the controller switches the motor a second: 15.6 kHz for motors of few turns and low "
     "inductance, 7.8 kHz for the others."},
    {"control-speed", kControlSpeed, "", "1 to 50", true,
     "How fast the motor follows the stick: 1 slowest (gentle on gearboxes and helicopters), 50 at once."},
    {"startup-power", kStartupPower, "", "1 to 50", false,
     "How hard the motor is pushed while it starts: more for a big propeller, less for a light model."},
    {"brake", kBrake, "", "off, hard, medium, soft", false,
     "The motor brake below the stop point: for folding propellers and gliders; off for cars and boats that "
     "coast."},
    {"timing", kTiming, "degrees", "0, 7.5, 15, 22.5, 30 or auto", false,
     "The timing advance: more gives a motor of many poles more speed and heat, less gives more efficiency; "
     "auto lets the controller choose."},
    {"low-voltage", kIgnore, "", "ignore, reduce-power, switch-off", false,
     "What happens when the battery drops to the cut-off voltage: nothing, less power, or the motor switched "
     "off so that the receiver keeps its power."},
    {"cutoff-volts", kVolts, "V", "5.3 to 10.5, or per-cell (0.8 V a cell)", false,
     "The battery voltage at which the low-voltage protection acts."},
    {"signal-tolerance", kToleranceSmall, "", "small, medium, high", true,
     "How much a disturbed receiver signal is tolerated before the controller treats it as lost."},
    {"overtemp-protection", kOvertempProtect, "", "on or off", false,
     "Reduces the power when the controller gets too hot."},
    {"blocked-motor-protection", kBlockedMotorProtect, "", "on or off", false,
     "Switches the motor off when it is blocked (a propeller in the grass)."},
    {"rpm-limit", kRpmLimit, "", "on or off", false, "Limits the motor's speed."},
    {"free-wheeling", kFreeWheeling, "", "on or off", false,
     "Active free wheeling: the controller drives the motor's free-wheeling phase, which runs cooler at part "
     "throttle."},
    {"forward-reverse", kForwardReverse, "", "on or off", true,
     "The motor runs both ways: forward above neutral, reverse below (cars and boats)."},
    {"rpm-control", kRpmControl, "", "on or off", true,
     "The controller holds the rotor speed set up in \"Setting Up\" (helicopters) instead of following the "
     "stick's power."},
    {"transmitter-failures", kTransmitterFailures, "", "0 to 255", true,
     "How often the receiver's signal was lost since the log was reset."},
    {"overtemperature-events", kOvertempEvents, "", "0 to 255", true,
     "How often the controller got too hot since the log was reset."},
    {"undervoltage-events", kUndervoltageEvents, "", "0 to 255", true,
     "How often the battery fell to the cut-off voltage since the log was reset."},
    {"blocked-motor-events", kBlockedMotorEvents, "", "0 to 255", true,
     "How often the motor was blocked since the log was reset."},
    {"max-frequency", kMaxFrequency, "Hz", "set in \"Setting Up\"", true,
     "The highest motor frequency the RPM control allows; its values come from \"Setting Up\"."},
}};

// The other buttons of the groups, which show the setting of their first button.
constexpr std::array<std::pair<int, int>, 6> kGroupButtons{{
    {kPwm15k6, kPwm7k8},
    {kSwitchOff, kIgnore},
    {kReducePower, kIgnore},
    {kPerCell, kVolts},
    {kToleranceMedium, kToleranceSmall},
    {kToleranceHigh, kToleranceSmall},
}};

size_t Distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::span<const SettingRow> SettingRows() {
  // The maximum frequency is the RPM-control dialog's; it has no key of its own.
  return std::span<const SettingRow>(kRows).first(kRows.size() - 1);
}

const SettingRow* FindSetting(std::string_view key) {
  for (const SettingRow& row : SettingRows())
    if (key == row.key) return &row;
  return nullptr;
}

std::string SettingHelp(int control) {
  for (const auto& [button, first] : kGroupButtons)
    if (control == button) control = first;
  for (const SettingRow& row : kRows) {
    if (row.control != control) continue;
    std::string words = row.help;
    words += std::string(" (") + row.values + (*row.unit ? std::string(" ") + row.unit : "") + ")";
    return words;
  }
  return "";
}

std::vector<std::string> NearestSettings(std::string_view key) {
  std::vector<std::pair<size_t, std::string>> near;
  for (const SettingRow& row : SettingRows()) {
    const std::string_view name = row.key;
    const size_t distance = Distance(key, name);
    // A slip of a letter or two, or a word of the name ("brake" for "brakes", "volts").
    if (distance <= std::max<size_t>(2, key.size() / 4))
      near.emplace_back(distance, row.key);
    else if (key.size() >= 3 && name.find(key) != std::string_view::npos)
      near.emplace_back(name.size() - key.size(), row.key);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (size_t i = 0; i < near.size() && i < 3; ++i) names.push_back(near[i].second);
  return names;
}

}  // namespace ravix
