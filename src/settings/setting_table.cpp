#include "settings/setting_table.h"

#include <algorithm>
#include <array>

#include "resources/ids.h"

namespace ravix {

namespace {

using namespace panel;

constexpr std::array<SettingRow, 22> kRows{{
    {.key = "full-speed-ms", .control = kFullSpeed, .kind = SettingKind::Decimal, .encoding = Encoding::PulseCount,
     .address = address::kFullSpeedHigh, .low = 1.8, .high = 2.3,
     .unit = "ms", .values = "1.8 to 2.3", .activeOnly = true,
     .help = "The receiver's pulse width at full throttle. Take it from the transmitter's end point, or let the "
     "controller learn it."},
    {.key = "neutral-ms", .control = kNeutral, .kind = SettingKind::Decimal, .encoding = Encoding::PulseCount,
     .address = address::kNeutralHigh, .low = 0.8, .high = 2.3,
     .unit = "ms", .values = "0.8 to 2.3", .activeOnly = true,
     .help = "The pulse width at which the motor stands; with forward/reverse the middle of the stick."},
    {.key = "stop-ms", .control = kStop, .kind = SettingKind::Decimal, .encoding = Encoding::PulseCount,
     .address = address::kStopHigh, .low = 0.8, .high = 1.69,
     .unit = "ms", .values = "0.8 to 1.69", .activeOnly = true,
     .help = "The pulse width below which the motor stops (and brakes, with a brake set); without forward/reverse it "
     "lies below neutral."},
    {.key = "pwm-khz", .control = kPwm7k8, .kind = SettingKind::Choice, .encoding = Encoding::PwmCode,
     .slotByte = SlotSetting::PwmCode,
     .unit = "kHz", .values = "7.8 or 15.6", .activeOnly = false,
     .help = "How often the controller switches the motor a second: 15.6 kHz for motors of few turns and low "
     "inductance, 7.8 kHz for the others."},
    {.key = "control-speed", .control = kControlSpeed, .kind = SettingKind::Level, .encoding = Encoding::Level,
     .address = address::kControlSpeed, .low = 1, .high = 50,
     .unit = "", .values = "1 to 50", .activeOnly = true,
     .help = "How fast the motor follows the stick: 1 slowest (gentle on gearboxes and helicopters), 50 at once."},
    {.key = "startup-power", .control = kStartupPower, .kind = SettingKind::Level, .encoding = Encoding::Level,
     .slotByte = SlotSetting::StartupPower, .low = 1, .high = 50,
     .unit = "", .values = "1 to 50", .activeOnly = false,
     .help = "How hard the motor is pushed while it starts: more for a big propeller, less for a light model."},
    {.key = "brake", .control = kBrake, .kind = SettingKind::Choice, .encoding = Encoding::Brake,
     .slotByte = SlotSetting::BrakeStrength,
     .unit = "", .values = "off, hard, medium, soft", .activeOnly = false,
     .help = "The motor brake below the stop point: for folding propellers and gliders; off for cars and boats that "
     "coast."},
    {.key = "timing", .control = kTiming, .kind = SettingKind::Choice, .encoding = Encoding::Timing,
     .slotByte = SlotSetting::TimingCode,
     .unit = "degrees", .values = "0, 7.5, 15, 22.5, 30 or auto", .activeOnly = false,
     .help = "The timing advance: more gives a motor of many poles more speed and heat, less gives more efficiency; "
     "auto lets the controller choose."},
    {.key = "low-voltage", .control = kIgnore, .kind = SettingKind::Choice, .encoding = Encoding::LowVoltageMode,
     .slotByte = SlotSetting::LowVoltageMode,
     .unit = "", .values = "ignore, reduce-power, switch-off", .activeOnly = false,
     .help = "What happens when the battery drops to the cut-off voltage: nothing, less power, or the motor switched "
     "off so that the receiver keeps its power."},
    {.key = "cutoff-volts", .control = kVolts, .kind = SettingKind::Choice, .encoding = Encoding::Threshold,
     .slotByte = SlotSetting::ThresholdCode,
     .unit = "V", .values = "5.3 to 10.5, or per-cell (0.8 V a cell)", .activeOnly = false,
     .help = "The battery voltage at which the low-voltage protection acts."},
    {.key = "signal-tolerance", .control = kToleranceSmall, .kind = SettingKind::Choice,
     .encoding = Encoding::Tolerance,
     .address = address::kSignalTolerance,
     .unit = "", .values = "small, medium, high", .activeOnly = true,
     .help = "How much a disturbed receiver signal is tolerated before the controller treats it as lost."},
    {.key = "overtemp-protection", .control = kOvertempProtect, .kind = SettingKind::Switch,
     .encoding = Encoding::OnByte,
     .slotByte = SlotSetting::Overtemperature,
     .unit = "", .values = "on or off", .activeOnly = false,
     .help = "Reduces the power when the controller gets too hot."},
    {.key = "blocked-motor-protection", .control = kBlockedMotorProtect, .kind = SettingKind::Switch,
     .encoding = Encoding::Flag,
     .slotByte = SlotSetting::OptionFlags, .flag = option::kBlockedMotor, .feature = feature::kBlockedMotor,
     .unit = "", .values = "on or off", .activeOnly = false,
     .help = "Switches the motor off when it is blocked (a propeller in the grass)."},
    {.key = "rpm-limit", .control = kRpmLimit, .kind = SettingKind::Switch, .encoding = Encoding::Flag,
     .slotByte = SlotSetting::OptionFlags, .flag = option::kRpmLimit,
     .unit = "", .values = "on or off", .activeOnly = false,
     .help = "Limits the motor's speed."},
    {.key = "free-wheeling", .control = kFreeWheeling, .kind = SettingKind::Switch, .encoding = Encoding::Flag,
     .slotByte = SlotSetting::OptionFlags, .flag = option::kFreeWheeling, .feature = feature::kFreeWheeling,
     .unit = "", .values = "on or off", .activeOnly = false,
     .help = "Active free wheeling: the controller drives the motor's free-wheeling phase, which runs cooler at part "
     "throttle."},
    {.key = "forward-reverse", .control = kForwardReverse, .kind = SettingKind::Switch, .encoding = Encoding::Flag,
     .slotByte = SlotSetting::OptionFlags, .flag = option::kForwardReverse, .feature = feature::kForwardReverse,
     .unit = "", .values = "on or off", .activeOnly = true,
     .help = "The motor runs both ways: forward above neutral, reverse below (cars and boats)."},
    {.key = "rpm-control", .control = kRpmControl, .kind = SettingKind::Switch, .encoding = Encoding::Flag,
     .slotByte = SlotSetting::OptionFlags, .flag = option::kRpmControl, .feature = feature::kRpmControl,
     .unit = "", .values = "on or off", .activeOnly = true,
     .help = "The controller holds the rotor speed set up in \"Setting Up\" (helicopters) instead of following the "
     "stick's power."},
    {.key = "transmitter-failures", .control = kTransmitterFailures, .kind = SettingKind::Counter,
     .encoding = Encoding::Counter,
     .address = address::kTransmitterFailures, .low = 0, .high = 255,
     .unit = "", .values = "0 to 255", .activeOnly = true,
     .help = "How often the receiver's signal was lost since the log was reset."},
    {.key = "overtemperature-events", .control = kOvertempEvents, .kind = SettingKind::Counter,
     .encoding = Encoding::Counter,
     .address = address::kOvertemperatureEvents, .low = 0, .high = 255,
     .unit = "", .values = "0 to 255", .activeOnly = true,
     .help = "How often the controller got too hot since the log was reset."},
    {.key = "undervoltage-events", .control = kUndervoltageEvents, .kind = SettingKind::Counter,
     .encoding = Encoding::Counter,
     .address = address::kUndervoltageEvents, .low = 0, .high = 255,
     .unit = "", .values = "0 to 255", .activeOnly = true,
     .help = "How often the battery fell to the cut-off voltage since the log was reset."},
    {.key = "blocked-motor-events", .control = kBlockedMotorEvents, .kind = SettingKind::Counter,
     .encoding = Encoding::Counter,
     .address = address::kBlockedMotorEvents, .feature = feature::kBlockedMotor, .low = 0, .high = 255,
     .unit = "", .values = "0 to 255", .activeOnly = true,
     .help = "How often the motor was blocked since the log was reset."},
    {.key = "max-frequency", .control = kMaxFrequency, .kind = SettingKind::Level,
     .encoding = Encoding::RpmControlWord,
     .address = address::kRpmControlHigh,
     .unit = "Hz", .values = "set in \"Setting Up\"", .activeOnly = true,
     .help = "The highest motor frequency the RPM control allows; its values come from \"Setting Up\"."},
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
