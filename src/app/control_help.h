#pragma once
#include <string>

namespace ravix {

// The tooltip of a control of one of the tool's windows: for the settings panel the
// words of the settings table (what the setting does, its values and unit), the
// same words `ravix-cli settings` and the settings-file page give; for the buttons
// and the tool dialogs the words of the window help table, with the key of the
// command. "" for a control without one.
std::string ControlHelp(int dialog, int control);

}  // namespace ravix
