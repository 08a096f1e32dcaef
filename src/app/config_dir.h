#pragma once
#include <optional>
#include <string>

namespace ravix {

// The user's configuration directory of the tool, where the desktop entry starts the
// desktop program and so where its rvsetup.cfg lies: $XDG_CONFIG_HOME/ravix-setup (or
// ~/.config/ravix-setup) on Linux, %APPDATA%\Ravix Setup on Windows. Nothing, with why,
// when the environment names no such place. The directory may not exist yet.
std::optional<std::string> ConfigDirectory(std::string& why);

}  // namespace ravix
