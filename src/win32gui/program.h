#pragma once
#include <string>

namespace ravix::win32gui {

// What a window program prints: to its standard output (or error) when it was started
// with one, as from a shell with the output kept; else in a box, since a program
// started from the desktop has no console to print to.
void Say(const std::string& text, bool failure);

// Registers the control classes the windows use (drawn in the system's own style).
void PrepareControls();

}  // namespace ravix::win32gui
