#pragma once
#include <string>
#include <vector>

namespace ravix {

// A window is data: a table of controls with their IDs, kinds, labels and start
// states. Both user-interface backends build their windows from these tables.

inline constexpr int IDC_STATIC = -1;  // labels and group boxes have no ID of their own

enum class ControlKind {
  PushButton,
  DefPushButton,
  Edit,          // editable text field
  ReadOnlyEdit,  // bordered field that only the tool writes
  Label,         // static text
  GroupBox,
  RadioButton,   // the tool sets its check mark; a click only sends the command
  AutoRadioButton,  // checks itself and unchecks the others of its group
  CheckBox,      // toggles itself
  ComboBox,      // drop-down list with an edit field
};

struct ControlResource {
  int id = IDC_STATIC;
  ControlKind kind = ControlKind::Label;
  std::string text;   // label, or start text of an edit
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  bool enabled = true;
  std::string group;  // the caption of the group box the control sits in ("" for none)
};

struct MenuResource {
  std::string text;
  int command = 0;  // 0 for a pop-up
  bool checked = false;
  bool grayed = false;
  std::vector<MenuResource> items;  // entries of a pop-up

  // An entry without text, command or entries is the line between two groups of a pop-up.
  bool IsSeparator() const { return command == 0 && items.empty() && text.empty(); }
};

struct DialogResource {
  int id = 0;
  std::string title;
  int width = 0, height = 0;  // dialog units
  std::vector<ControlResource> controls;
  int menuId = 0;                // 0: no menu
  std::vector<MenuResource> menu;  // the menu bar, in order

  const ControlResource* FindControl(int controlId) const {
    for (const auto& c : controls)
      if (c.id == controlId && controlId != IDC_STATIC) return &c;
    return nullptr;
  }
  const MenuResource* FindMenuItem(int command) const {
    for (const auto& top : menu) {
      if (top.command == command && command != 0) return &top;
      for (const auto& item : top.items)
        if (item.command == command && command != 0) return &item;
    }
    return nullptr;
  }
};

}  // namespace ravix
