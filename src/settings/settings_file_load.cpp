// Reading a settings file back into the panel.
#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "settings/settings_file_keys.h"

namespace ravix::settings_file {

namespace {

using Json = nlohmann::json;
using namespace panel;

// Why a file is refused; it never leaves this file.
struct Refusal {
  std::string text;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& why) {
  throw Refusal{"Settings file: \"" + key + "\" " + why};
}

std::string Shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

double Number(const Json& value, const std::string& key, double low, double high) {
  if (!value.is_number()) Refuse(key, "must be a number, not " + value.dump());
  const double number = value.get<double>();
  // A hair of tolerance: 2.3 written by another program may arrive as 2.2999999.
  if (number < low - 1e-9 || number > high + 1e-9)
    Refuse(key, value.dump() + " is out of range (" + Shown(low) + " to " + Shown(high) + ")");
  return number;
}

int Integer(const Json& value, const std::string& key, int low, int high) {
  if (!value.is_number_integer()) Refuse(key, "must be a whole number, not " + value.dump());
  return static_cast<int>(Number(value, key, low, high));
}

// The index of value among the choices (a JSON array of names and numbers).
int Choice(const Json& value, const std::string& key, const Json& choices) {
  std::string expected;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (value == choices[i]) return static_cast<int>(i);
    const std::string shown = choices[i].is_string() ? choices[i].dump() : Shown(choices[i].get<double>());
    expected += std::string(i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + shown;
  }
  Refuse(key, "must be " + expected + ", not " + value.dump());
}

bool Boolean(const Json& value, const std::string& key) {
  if (!value.is_boolean()) Refuse(key, "must be true or false, not " + value.dump());
  return value.get<bool>();
}

using namespace keys;

// What the file asks of the panel, checked in full before anything changes.
struct Plan {
  std::array<std::optional<std::string>, kFields.size()> texts;
  std::optional<int> pwmButton, brake, timing, mode, tolerance;
  std::optional<bool> perCell;
  std::optional<std::string> volts;
  std::array<std::optional<bool>, kSwitches.size()> switches;
};

std::string FieldText(const Field& field, double value) {
  char text[16];
  if (field.Decimal())
    std::snprintf(text, sizeof text, "%1.2f", value);
  else
    std::snprintf(text, sizeof text, field.id == kControlSpeed || field.id == kStartupPower ? "%3d" : "%2d",
                  static_cast<int>(value));
  return text;
}

// A control that this controller (or this slot) leaves disabled keeps its value.
void NeedEnabled(const Window& main, int id, bool differs, const std::string& key) {
  if (differs && !main.IsItemEnabled(id)) Refuse(key, "cannot be set on this controller or in this memory");
}

void PlanField(Plan& plan, const Window& main, const std::string& key, const Json& value, bool active) {
  for (size_t i = 0; i < kFields.size(); ++i) {
    const Field& f = kFields[i];
    if (key != f.key) continue;
    const double number = f.Decimal() ? Number(value, key, f.low, f.high)
                                    : Integer(value, key, static_cast<int>(f.low), static_cast<int>(f.high));
    if (f.activeOnly && !active) return;
    const std::string text = FieldText(f, number);
    NeedEnabled(main, f.id, text != main.GetItemText(f.id), key);
    plan.texts[i] = text;
    return;
  }
  for (size_t i = 0; i < kSwitches.size(); ++i) {
    const Switch& sw = kSwitches[i];
    if (key != sw.key) continue;
    const bool on = Boolean(value, key);
    if (sw.activeOnly && !active) return;
    NeedEnabled(main, sw.id, on != main.IsItemChecked(sw.id), key);
    plan.switches[i] = on;
    return;
  }
  Refuse(key, "is not a setting this program knows");
}

void PlanChoice(Plan& plan, const Window& main, const std::string& key, const Json& value, bool active) {
  if (key == "pwm-khz") {
    const int id = Choice(value, key, {7.8, 15.6}) == 0 ? kPwm7k8 : kPwm15k6;
    NeedEnabled(main, id, !main.IsItemChecked(id), key);
    plan.pwmButton = id;
  } else if (key == "brake") {
    plan.brake = Choice(value, key, kBrakeNames);
  } else if (key == "timing") {
    // The list's entries in order: the fixed timings, then "auto" at kTimingAuto.
    static_assert(kTimingDegrees.size() == kTimingAuto);
    Json timings = kTimingDegrees;
    timings.push_back("auto");
    plan.timing = Choice(value, key, timings);
  } else if (key == "low-voltage") {
    plan.mode = Choice(value, key, kModeNames);
  } else if (key == "cutoff-volts") {
    if (value == "per-cell") {
      plan.perCell = true;
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "%1.1f", Number(value, key, 5.3, 10.5));
      plan.perCell = false;
      plan.volts = text;
    }
  } else if (key == "signal-tolerance") {
    const int index = Choice(value, key, kToleranceNames);
    if (active) plan.tolerance = index;
  } else {
    PlanField(plan, main, key, value, active);
  }
}

void CheckHeader(const Json& file, const SettingsState& state) {
  if (!file.is_object()) throw Refusal{"Settings file: not a JSON object"};
  for (const auto& [key, value] : file.items())
    if (key != "format" && key != "controller" && key != "slot" && key != "settings")
      Refuse(key, "is not a part of a settings file");
  if (!file.contains("format")) Refuse("format", "is missing");
  const Json& format = file["format"];
  if (!format.is_number_integer() || format.get<int>() < 1) Refuse("format", "must be 1, not " + format.dump());
  if (format.get<int>() > kFormat) Refuse("format", format.dump() + " comes from a newer version of this program");
  if (!file.contains("controller") || !file["controller"].is_object() || !file["controller"].contains("type"))
    Refuse("controller", "must name the controller type");
  const Json& type = file["controller"]["type"];
  if (!type.is_number_integer()) Refuse("type", "must be a whole number, not " + type.dump());
  if (type.get<int>() != state.ControllerType())
    Refuse("type", "is " + type.dump() + ": the file belongs to another kind of controller (this one is type " +
                       std::to_string(state.ControllerType()) + ")");
  if (!file.contains("settings") || !file["settings"].is_object()) Refuse("settings", "is missing");
}

void Click(Window& main, int id, const std::function<void(int)>& click) {
  // A click flips a check box's own mark; the radio buttons' commands set theirs.
  const bool checkBox =
      id == kPerCell || std::any_of(kSwitches.begin(), kSwitches.end(), [id](const Switch& sw) { return sw.id == id; });
  if (checkBox) main.CheckItem(id, !main.IsItemChecked(id));
  click(id);
}

void Apply(Window& main, const Plan& plan, const std::function<void(int)>& click) {
  for (size_t i = 0; i < kFields.size(); ++i)
    if (plan.texts[i]) main.SetItemText(kFields[i].id, *plan.texts[i]);
  if (plan.pwmButton && !main.IsItemChecked(*plan.pwmButton)) Click(main, *plan.pwmButton, click);
  if (plan.brake) main.ListSetSelection(kBrake, *plan.brake);
  if (plan.timing) main.ListSetSelection(kTiming, *plan.timing);
  if (plan.mode && !main.IsItemChecked(kModeButtons[static_cast<size_t>(*plan.mode)]))
    Click(main, kModeButtons[static_cast<size_t>(*plan.mode)], click);
  // With "ignore" the threshold stays as read; the fields are disabled then.
  if (plan.perCell && !main.IsItemChecked(kIgnore) && main.IsItemEnabled(kPerCell)) {
    if (*plan.perCell != main.IsItemChecked(kPerCell)) Click(main, kPerCell, click);
    if (plan.volts && main.IsItemEnabled(kVolts)) main.SetItemText(kVolts, *plan.volts);
  }
  if (plan.tolerance) {
    for (int id : kToleranceButtons) main.CheckItem(id, id == kToleranceButtons[static_cast<size_t>(*plan.tolerance)]);
    click(kToleranceButtons[static_cast<size_t>(*plan.tolerance)]);
  }
  for (size_t i = 0; i < kSwitches.size(); ++i)
    if (plan.switches[i] && *plan.switches[i] != main.IsItemChecked(kSwitches[i].id))
      Click(main, kSwitches[i].id, click);
}

}  // namespace

std::string LoadJson(Window& main, const SettingsState& state, SettingSlot slot, std::string_view text,
                     const std::function<void(int command)>& click) {
  if (!state.ValuesRead()) return "Read values first!";
  const Json file = Json::parse(text, nullptr, false);
  if (file.is_discarded()) return "Settings file: not a settings file (no valid JSON)";
  try {
    CheckHeader(file, state);
    Plan plan;
    for (const auto& [key, value] : file["settings"].items())
      PlanChoice(plan, main, key, value, slot == SettingSlot::Active);
    Apply(main, plan, click);
  } catch (const Refusal& refusal) {
    return refusal.text;
  }
  return "";
}

}  // namespace ravix::settings_file
