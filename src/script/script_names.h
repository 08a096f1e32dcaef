#pragma once
#include <optional>
#include <string_view>
#include <vector>

namespace ravix::script {

// Stable names for controls and menu commands, so that a script may say
// "press read" or "type full-speed 1.95" instead of the numbers. A name is the
// control's or item's label in lower case with every run of other characters made
// one "-" ("0,8V/cell" is 0-8v-cell); edits take the label beside them. Names
// belong to one window: "read" is 1149 in the main window and 1204 in the lock
// functions dialog.
struct ControlName {
  int dialog;
  std::string_view name;
  int id;
};

// Every name, window by window (docs/scripting.md lists them).
const std::vector<ControlName>& ControlNames();

// The ID a name stands for in dialog, or nothing.
std::optional<int> IdOfName(int dialog, std::string_view name);
// The name of a control or menu command of dialog, or "" for one without a name.
std::string_view NameOfId(int dialog, int id);

}  // namespace ravix::script
