#pragma once
#include <optional>
#include <string>
#include <string_view>

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

// The lines of both desktop programs' help about the simulated controller and scripts.
inline constexpr std::string_view kDesktopRunOptionsHelp =
    "  --simulate        a simulated controller answers on every port instead of the hardware\n"
    "  --sim-platform 9x|nt|nt-nodriver\n"
    "                    (tests) how start-up sees the simulated machine: the 9x line, the NT\n"
    "                    line with the port-I/O driver (the default), or without it\n"
    "  --sim-state FILE  keep the simulated controller in FILE: loaded when it exists,\n"
    "                    written back when the program ends\n"
    "  --sim-adapter MODEL  the simulated serial adapter's chip: uart (the default, a built-in\n"
    "                    port), ftdi, cp210x, ch340, pl2303 or cp210x-windows (USB cables)\n"
    "  --timing specified  make every line operation as the algorithms count them, on any\n"
    "                    port (default: port-aware, the same calls on a built-in port)\n"
    "  --script SCRIPT   run the script's lines on the windows and print the transcript,\n"
    "                    as `ravix-cli run` does (SCRIPT - reads standard input)\n";

// Reads the command line. Help and Version are answered before anything else is looked
// at; Refused leaves in message what to print on standard error (usage is the text
// that follows an unknown argument).
FrontStart ParseFrontOptions(int argc, char** argv, const FrontFeatures& features, const char* usage,
                             FrontOptions& options, std::string& message);

// Why the start directory could not be taken, as a line for standard error; empty when it could.
std::string StartDirectoryProblem(const SetupFile& setupFile, const char* program);

}  // namespace ravix
