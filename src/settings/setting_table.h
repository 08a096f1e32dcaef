#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ravix {

// Each setting of the panel once: its name in a settings file and on the command line
// (--set NAME=VALUE), the panel control that shows it, its unit and the values it
// takes, whether only the active set has it (a model memory has no byte for it), and
// a sentence for people who set up a model.
struct SettingRow {
  const char* key;
  int control;         // the panel control (for a button group, its first button)
  const char* unit;    // "" for a choice, a switch or a count
  const char* values;  // what the file and --set take, in words
  bool activeOnly;
  const char* help;
};

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
