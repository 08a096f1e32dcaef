// Reading a settings file back into the panel.
#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <vector>

#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "settings/setting_table.h"
#include "status/messages.h"

namespace ravix::settings_file {

namespace {

using Json = nlohmann::json;
using namespace panel;

// Why a file is refused; it never leaves this file.
struct Refusal {
  std::string text;
};

// At most this many bytes of a key or a value go into a message: a file may hold a
// name or a value of any length.
constexpr size_t kShownBytes = 40;

// text cut to kShownBytes, at a character boundary, with "..." where it was cut.
std::string Cut(std::string_view text) {
  if (text.size() <= kShownBytes) return std::string(text);
  size_t end = kShownBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // inside a UTF-8 character
  return std::string(text.substr(0, end)) + "...";
}

// A value as the file wrote it, cut for a message. The parse keeps every value shallow
// (below), so the library's recursive dump has few levels to go.
std::string Excerpt(const Json& value) { return Cut(value.dump()); }

[[noreturn]] void Refuse(const std::string& key, const std::string& why) {
  throw Refusal{"Settings file: \"" + Cut(key) + "\" " + why};
}

std::string Shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

double Number(const Json& value, const std::string& key, double low, double high) {
  if (!value.is_number()) Refuse(key, "must be a number, not " + Excerpt(value));
  const double number = value.get<double>();
  // A hair of tolerance: 2.3 written by another program may arrive as 2.2999999.
  if (number < low - 1e-9 || number > high + 1e-9)
    Refuse(key, Excerpt(value) + " is out of range (" + Shown(low) + " to " + Shown(high) + ")");
  return number;
}

int Integer(const Json& value, const std::string& key, int low, int high) {
  if (!value.is_number_integer()) Refuse(key, "must be a whole number, not " + Excerpt(value));
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
  Refuse(key, "must be " + expected + ", not " + Excerpt(value));
}

bool Boolean(const Json& value, const std::string& key) {
  if (!value.is_boolean()) Refuse(key, "must be true or false, not " + Excerpt(value));
  return value.get<bool>();
}

// What the file asks of the panel, checked in full before anything changes. The
// fields' texts and the check boxes' marks are indexed by the setting table's rows.
struct Plan {
  std::vector<std::optional<std::string>> texts = std::vector<std::optional<std::string>>(SettingRows().size());
  std::optional<int> pwmButton, brake, timing, mode, tolerance;
  std::optional<bool> perCell;
  std::optional<std::string> volts;
  std::vector<std::optional<bool>> switches = std::vector<std::optional<bool>>(SettingRows().size());
};

// A number field's text as the Read shows it.
std::string FieldText(const SettingRow& row, double value) {
  char text[16];
  if (row.kind == SettingKind::Decimal)
    std::snprintf(text, sizeof text, "%1.2f", value);
  else
    std::snprintf(text, sizeof text, row.kind == SettingKind::Level ? "%3d" : "%2d", static_cast<int>(value));
  return text;
}

// A control that this controller (or this slot) leaves disabled keeps its value.
void NeedEnabled(const Window& main, int id, bool differs, const std::string& key) {
  if (differs && !main.IsItemEnabled(id)) Refuse(key, "cannot be set on this controller or in this memory");
}

void PlanField(Plan& plan, const Window& main, const SettingRow& f, size_t i, const Json& value, bool active) {
  const std::string& key = f.key;
  const double number = f.kind == SettingKind::Decimal
                            ? Number(value, key, f.low, f.high)
                            : Integer(value, key, static_cast<int>(f.low), static_cast<int>(f.high));
  if (f.activeOnly && !active) return;
  const std::string text = FieldText(f, number);
  NeedEnabled(main, f.control, text != main.GetItemText(f.control), key);
  plan.texts[i] = text;
}

void PlanSwitch(Plan& plan, const Window& main, const SettingRow& sw, size_t i, const Json& value, bool active) {
  const bool on = Boolean(value, sw.key);
  if (sw.activeOnly && !active) return;
  NeedEnabled(main, sw.control, on != main.IsItemChecked(sw.control), sw.key);
  plan.switches[i] = on;
}

void PlanChoice(Plan& plan, const Window& main, const SettingRow& row, const Json& value, bool active) {
  const std::string key = row.key;
  const Encoding encoding = row.encoding;
  if (encoding == Encoding::PwmCode) {
    const int id = Choice(value, key, {7.8, 15.6}) == 0 ? kPwm7k8 : kPwm15k6;
    NeedEnabled(main, id, !main.IsItemChecked(id), key);
    plan.pwmButton = id;
  } else if (encoding == Encoding::Brake) {
    plan.brake = Choice(value, key, kBrakeNames);
  } else if (encoding == Encoding::Timing) {
    // The list's entries in order: the fixed timings, then "auto" at kTimingAuto.
    static_assert(kTimingDegrees.size() == kTimingAuto);
    Json timings = kTimingDegrees;
    timings.push_back("auto");
    plan.timing = Choice(value, key, timings);
  } else if (encoding == Encoding::LowVoltageMode) {
    plan.mode = Choice(value, key, kModeNames);
  } else if (encoding == Encoding::Threshold) {
    if (value == "per-cell") {
      plan.perCell = true;
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "%1.1f", Number(value, key, 5.3, 10.5));
      plan.perCell = false;
      plan.volts = text;
    }
  } else if (encoding == Encoding::Tolerance) {
    const int index = Choice(value, key, kToleranceNames);
    if (active) plan.tolerance = index;
  }
}

void PlanSetting(Plan& plan, const Window& main, const std::string& key, const Json& value, bool active) {
  const std::span<const SettingRow> rows = SettingRows();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (key != rows[i].key) continue;
    switch (rows[i].kind) {
      case SettingKind::Choice: return PlanChoice(plan, main, rows[i], value, active);
      case SettingKind::Switch: return PlanSwitch(plan, main, rows[i], i, value, active);
      default: return PlanField(plan, main, rows[i], i, value, active);
    }
  }
  Refuse(key, "is not a setting this program knows");
}

void CheckHeader(const Json& file, const SettingsState& state) {
  if (!file.is_object()) throw Refusal{"Settings file: not a JSON object"};
  for (const auto& [key, value] : file.items())
    if (key != "format" && key != "controller" && key != "slot" && key != "settings")
      Refuse(key, "is not a part of a settings file");
  if (!file.contains("format")) Refuse("format", "is missing");
  const Json& format = file["format"];
  if (!format.is_number_integer() || format.get<int>() < 1) Refuse("format", "must be 1, not " + Excerpt(format));
  if (format.get<int>() > kFormat) Refuse("format", Excerpt(format) + " comes from a newer version of this program");
  if (!file.contains("controller") || !file["controller"].is_object() || !file["controller"].contains("type"))
    Refuse("controller", "must name the controller type");
  const Json& type = file["controller"]["type"];
  if (!type.is_number_integer()) Refuse("type", "must be a whole number, not " + Excerpt(type));
  if (type.get<int>() != state.ControllerType())
    Refuse("type", "is " + Excerpt(type) + ": the file belongs to another kind of controller (this one is type " +
                       std::to_string(state.ControllerType()) + ")");
  if (!file.contains("settings") || !file["settings"].is_object()) Refuse("settings", "is missing");
}

void Click(Window& main, int id, const std::function<void(int)>& click) {
  // A click flips a check box's own mark; the radio buttons' commands set theirs.
  const std::span<const SettingRow> rows = SettingRows();
  const bool checkBox = id == kPerCell || std::any_of(rows.begin(), rows.end(), [id](const SettingRow& row) {
                          return row.kind == SettingKind::Switch && row.control == id;
                        });
  if (checkBox) main.CheckItem(id, !main.IsItemChecked(id));
  click(id);
}

void Apply(Window& main, const Plan& plan, const std::function<void(int)>& click) {
  const std::span<const SettingRow> rows = SettingRows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (plan.texts[i]) main.SetItemText(rows[i].control, *plan.texts[i]);
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
  for (size_t i = 0; i < rows.size(); ++i)
    if (plan.switches[i] && *plan.switches[i] != main.IsItemChecked(rows[i].control))
      Click(main, rows[i].control, click);
}

// A settings file nests three levels: the file's object, its parts ("controller",
// "settings") and their values. A value that is an array or an object is refused by
// its key's own rule; anything nested deeper is refused while the file is parsed, so
// that no deep value is ever built (the library parses without recursion, but its
// dump and comparisons recurse and a file of 100,000 brackets would overflow the stack).
constexpr int kDeepestContainer = 2;  // the parser's depth of a value inside "settings"

struct ParsedFile {
  Json file;
  std::string refusal;  // empty when file holds the parsed text
};

ParsedFile Parse(std::string_view text) {
  // The keys on the way to the current value, at the depths a settings file has.
  std::array<std::string, kDeepestContainer + 1> path;
  std::string tooDeep;
  bool deep = false;
  const Json::parser_callback_t check = [&](int depth, nlohmann::json::parse_event_t event, Json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if (deep) return false;  // the rest is only scanned; nothing more is built
    if (event == Event::key && depth <= kDeepestContainer) {
      path[static_cast<size_t>(depth)] = parsed.get<std::string>();
      for (size_t d = static_cast<size_t>(depth) + 1; d < path.size(); ++d) path[d].clear();
    }
    if ((event == Event::object_start || event == Event::array_start) && depth > kDeepestContainer) {
      deep = true;
      for (const std::string& key : path)
        if (!key.empty()) tooDeep = key;
      return false;
    }
    return true;
  };
  ParsedFile parsed{Json::parse(text, check, false), {}};
  if (deep)
    parsed.refusal = tooDeep.empty() ? "Settings file: not a settings file (nested too deep)"
                                     : "Settings file: \"" + Cut(tooDeep) + "\" nests deeper than a settings file can";
  else if (parsed.file.is_discarded())
    parsed.refusal = "Settings file: not a settings file (no valid JSON)";
  return parsed;
}

// The settings part of a file that parses, or null.
const Json* SettingsPart(const ParsedFile& parsed) {
  if (!parsed.refusal.empty() || !parsed.file.is_object()) return nullptr;
  const auto settings = parsed.file.find("settings");
  return settings != parsed.file.end() && settings->is_object() ? &*settings : nullptr;
}

}  // namespace

std::vector<std::string> ActiveOnlyKeysIn(std::string_view text) {
  std::vector<std::string> found;
  const ParsedFile parsed = Parse(text);
  if (const Json* settings = SettingsPart(parsed))
    for (const auto& [key, value] : settings->items())
      if (IsActiveOnlyKey(key)) found.push_back(key);
  return found;
}

std::string MissingMemoryKeys(std::string_view text) {
  const ParsedFile parsed = Parse(text);
  const Json* settings = SettingsPart(parsed);
  if (!settings) return "";
  std::string missing;
  for (const char* key : MemoryKeys())
    if (!settings->contains(key)) missing += (missing.empty() ? "" : ", ") + std::string(key);
  return missing;
}

std::string LoadJson(Window& main, const SettingsState& state, SettingSlot slot, std::string_view text,
                     const std::function<void(int command)>& click) {
  if (!state.ValuesRead()) return msg::kReadValuesFirst;
  const ParsedFile parsed = Parse(text);
  if (!parsed.refusal.empty()) return parsed.refusal;
  const Json& file = parsed.file;
  try {
    CheckHeader(file, state);
    Plan plan;
    for (const auto& [key, value] : file["settings"].items())
      PlanSetting(plan, main, key, value, slot == SettingSlot::Active);
    Apply(main, plan, click);
  } catch (const Refusal& refusal) {
    return refusal.text;
  }
  return "";
}

}  // namespace ravix::settings_file
