#pragma once
#include "platform/dialog_resource.h"

namespace ravix {

// Shorthands for the window tables: a control, a label 8 units high and a group box,
// each placed in dialog units.
inline ControlResource Control(int id, ControlKind kind, const char* text, int x, int y,
                               int width, int height, const char* group, bool enabled = true) {
  return ControlResource{id, kind, text, x, y, width, height, enabled, group};
}

inline ControlResource Label(const char* text, int x, int y, int width, const char* group) {
  return Control(IDC_STATIC, ControlKind::Label, text, x, y, width, 8, group);
}

inline ControlResource Group(const char* caption, int x, int y, int width, int height) {
  return Control(IDC_STATIC, ControlKind::GroupBox, caption, x, y, width, height, "");
}

}  // namespace ravix
