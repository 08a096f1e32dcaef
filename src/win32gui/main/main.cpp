// ravix-setup.exe: the desktop program on native Windows windows.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "app/tool.h"
#include "platform/standard_streams.h"
#include "platform/win32/native_system.h"
#include "script/script_engine.h"
#include "sim/sim_adapter.h"
#include "win32gui/program.h"
#include "win32gui/screenshots.h"
#include "win32gui/win32_ui.h"

namespace {

using ravix::win32gui::Say;

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: ravix-setup [--simulate] [--script SCRIPT|- [--screenshot DIR]]\n"
    "       ravix-setup --help | --version\n"
    "\n"
    "The desktop setup tool for Ravix-Micro speed controllers.\n"
    "\n"
    "  --simulate        a simulated controller answers on every port instead of the hardware\n"
    "  --sim-platform 9x|nt|nt-nodriver\n"
    "                    (tests) how start-up sees the simulated machine: the 9x line, the NT\n"
    "                    line with the port-I/O driver (the default), or without it\n"
    "  --script SCRIPT   run the script's lines on the windows and print the transcript,\n"
    "                    as `ravix-cli run` does (SCRIPT - reads standard input)\n"
    "  --screenshot DIR  save a picture of each message box, and of each open window\n"
    "                    when the script ends, in DIR (BMP files)\n"
    "  --help            this text\n"
    "  --version         the program's version\n";

struct Options {
  bool simulate = false;
  std::string simPlatform = "nt";
  std::optional<std::string> script;
  std::optional<std::string> screenshotDir;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* what) -> std::optional<std::string> {
      if (i + 1 >= argc) {
        Say("ravix-setup: " + arg + " needs " + what + "\n", true);
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg == "--script") {
      if (!(options.script = value("a script file"))) return false;
    } else if (arg == "--screenshot") {
      if (!(options.screenshotDir = value("a directory"))) return false;
    } else if (arg == "--sim-platform") {
      const auto platform = value("9x, nt or nt-nodriver");
      if (!platform) return false;
      if (*platform != "9x" && *platform != "nt" && *platform != "nt-nodriver") {
        Say("ravix-setup: unknown simulated platform " + *platform + "\n", true);
        return false;
      }
      options.simPlatform = *platform;
    } else {
      Say("ravix-setup: unknown argument " + arg + "\n" + kUsage, true);
      return false;
    }
  }
  if (options.simPlatform != "nt" && !options.simulate) {
    Say("ravix-setup: --sim-platform needs --simulate\n", true);
    return false;
  }
  if (options.screenshotDir && !options.script) {
    Say("ravix-setup: --screenshot goes with --script\n", true);
    return false;
  }
  return true;
}

// The machine the tool runs on: the simulated one, or the real ports.
struct Machine {
  Machine(const Options& options, bool virtualTime) {
    if (options.simulate) {
      simClock = std::make_unique<ravix::sim::SimClock>(virtualTime);
      sim = std::make_unique<ravix::sim::SimAdapter>(*simClock);
      sim->platformId = options.simPlatform == "9x" ? ravix::VER_PLATFORM_WIN32_WINDOWS : ravix::VER_PLATFORM_WIN32_NT;
      sim->driverPresent = options.simPlatform != "nt-nodriver";
    } else {
      native = std::make_unique<ravix::NativeSystem>();
    }
  }
  ravix::Clock& clock() { return sim ? static_cast<ravix::Clock&>(*simClock) : native->clock; }
  ravix::SerialPorts& serial() { return sim ? static_cast<ravix::SerialPorts&>(*sim) : native->serial; }
  ravix::Os& os() { return sim ? static_cast<ravix::Os&>(*sim) : native->os; }

  std::unique_ptr<ravix::sim::SimClock> simClock;
  std::unique_ptr<ravix::sim::SimAdapter> sim;
  std::unique_ptr<ravix::NativeSystem> native;
};

int RunScript(Machine& machine, ravix::win32gui::Win32Ui& ui, const Options& options) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (*options.script != "-") {
    file.open(*options.script, std::ios::binary);
    if (!file) {
      Say("ravix-setup: cannot open " + *options.script + "\n", true);
      return kUsageError;
    }
    in = &file;
  }
  ravix::ScriptEngine engine(ui, machine.clock(), *in, std::cout, machine.sim.get());
  ravix::Ui* front = &engine;
  std::unique_ptr<ravix::win32gui::ScreenshotUi> shots;
  if (options.screenshotDir) {
    shots = std::make_unique<ravix::win32gui::ScreenshotUi>(engine, ui, *options.screenshotDir);
    front = shots.get();
    engine.OnScriptEnd = [&shots] { shots->SaveOpenWindows(); };
  }
  ravix::Platform platform{machine.clock(), machine.serial(), machine.os(), *front};
  ravix::Tool tool(platform);
  ravix::RunApplication(tool);
  const int status = engine.Finish();
  if (shots)
    for (const std::string& path : shots->Saved()) std::fprintf(stderr, "saved %s\n", path.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  ravix::UseBinaryStandardStreams();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      Say(kUsage, false);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      Say(std::string("ravix-setup ") + RAVIX_VERSION + "\n", false);
      return 0;
    }
  }
  Options options;
  if (!ParseOptions(argc, argv, options)) return kUsageError;

  ravix::win32gui::PrepareControls();

  // A script with the simulated controller runs in virtual time; the interactive demo
  // runs in real time, as hardware does.
  Machine machine(options, options.script.has_value());
  ravix::win32gui::Win32Ui ui;
  if (options.script) return RunScript(machine, ui, options);

  ravix::Platform platform{machine.clock(), machine.serial(), machine.os(), ui};
  ravix::Tool tool(platform);
  return ravix::RunApplication(tool);
}
