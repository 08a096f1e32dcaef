#include "app/config_dir.h"

#include <cstdlib>
#include <filesystem>

namespace ravix {

std::optional<std::string> ConfigDirectory(std::string& why) {
#ifdef _WIN32
  const char* appData = std::getenv("APPDATA");
  if (appData && *appData) return (std::filesystem::path(appData) / "Ravix Setup").string();
  why = "%APPDATA% is not set";
  return std::nullopt;
#else
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path base;
  if (xdg && *xdg == '/') base = xdg;  // the base directory rules ignore relative paths
  else if (home && *home) base = std::filesystem::path(home) / ".config";
  else {
    why = "neither $XDG_CONFIG_HOME nor $HOME is set";
    return std::nullopt;
  }
  return (base / "ravix-setup").string();
#endif
}

}  // namespace ravix
