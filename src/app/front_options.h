#pragma once
#include <optional>
#include <string>

#include "link/port_figures.h"

namespace ravix {

class SetupFile;

// The command line of a desktop program (the Qt one and the Windows one share it).
struct FrontOptions {
  bool simulate = false;
  std::string simPlatform = "nt";  // how start-up sees the simulated machine (tests)
  std::optional<std::string> simState;  // the file that keeps the simulated controller
  std::string simAdapter = "uart";  // the simulated serial adapter's chip
  Timing timing = Timing::PortAware;
  std::optional<std::string> script;
  std::optional<std::string> screenshotDir;
  std::optional<std::string> logPath;
  bool inConfigDir = false;  // start in the user's configuration directory (the desktop entry)
  bool measure = false;      // print start-up time and memory at the first painted window, then end
  std::string qtPlatform;    // -platform NAME, for Qt
};

// The options one program takes beyond --simulate, --sim-platform, --sim-state, --script
// and --screenshot.
struct FrontFeatures {
  bool shortHelp = false;   // -h as well as --help
  bool log = false;         // --log FILE
  bool configDir = false;   // --in-config-dir
  bool measure = false;     // --measure
  bool qtOptions = false;   // Qt's own options, passed on to Qt
};

enum class FrontStart { Run, Help, Version, Refused };

// Reads the command line. Help and Version are answered before anything else is looked
// at; Refused leaves in message what to print on standard error (usage is the text
// that follows an unknown argument).
FrontStart ParseFrontOptions(int argc, char** argv, const FrontFeatures& features, const char* usage,
                             FrontOptions& options, std::string& message);

// Why the start directory could not be taken, as a line for standard error; empty when it could.
std::string StartDirectoryProblem(const SetupFile& setupFile, const char* program);

}  // namespace ravix
