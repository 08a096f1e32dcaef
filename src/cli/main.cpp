// ravix-cli: the tool without a screen. "run" drives it from a script (SCRIPTING.md);
// the other commands are small tasks for people, one dispatch line each below.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/pack.h"
#include "cli/pack.h"
#include "platform/headless/headless_ui.h"
#include "platform/standard_streams.h"
#include "script/script_run.h"
#include "sim/sim_adapter.h"
#ifdef _WIN32
#include "platform/win32/native_system.h"
#else
#include "platform/posix/native_system.h"
#endif

namespace {

constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: ravix-cli [--simulate] run SCRIPT\n"
    "       ravix-cli pack --plain|--scrambled --versions V1 V2 IMAGE.hex [-o DIR] [--seed N]\n"
    "       ravix-cli --help | --version\n"
    "\n"
    "commands:\n"
    "  run SCRIPT   start the tool as the desktop program starts (setup file in the\n"
    "               current directory, port restored) and run SCRIPT against it; '-'\n"
    "               reads the script from standard input. The transcript goes to\n"
    "               standard output. Exit status 0 when the script ran to its end,\n"
    "               2 when a line could not be run.\n"
    "  pack         turn a firmware image in Intel HEX into the update file\n"
    "               xV1_V2.upd for the controller versions V1 and V2\n"
    "\n"
    "options:\n"
    "  --simulate   a simulated adapter with a simulated controller answers on every\n"
    "               port, serial and parallel, in virtual time\n"
    "  --sim-platform 9x|nt|nt-nodriver\n"
    "               (tests) how start-up sees the simulated machine: the 9x line with\n"
    "               direct port access, the NT line with the port-I/O driver (the\n"
    "               default), or the NT line without it (no parallel port)\n"
    "  --help       this text\n"
    "  --version    the program's version\n";

struct Options {
  bool simulate = false;
  std::string simPlatform = "nt";
};

int UsageError(const std::string& why) {
  std::fprintf(stderr, "ravix-cli: %s\n%s", why.c_str(), kUsage);
  return kUsageError;
}

int Run(const Options& options, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("run takes one SCRIPT");
  std::ifstream file;
  if (args[0] != "-") {
    file.open(args[0], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "ravix-cli: cannot open the script %s\n", args[0].c_str());
      return kUsageError;
    }
  }
  std::istream& script = args[0] == "-" ? std::cin : file;
  ravix::HeadlessUi backend;

  if (!options.simulate) {
    ravix::NativeSystem native;
    return ravix::RunScriptedTool(native.clock, native.serial, native.os, backend, nullptr, script, std::cout);
  }
  ravix::sim::SimClock clock(true);
  ravix::sim::SimAdapter adapter(clock);
  adapter.platformId = options.simPlatform == "9x" ? ravix::VER_PLATFORM_WIN32_WINDOWS : ravix::VER_PLATFORM_WIN32_NT;
  adapter.driverPresent = options.simPlatform != "nt-nodriver";
  return ravix::RunScriptedTool(clock, adapter, adapter, backend, &adapter, script, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
  ravix::UseBinaryStandardStreams();
  const std::vector<std::string> words(argv + 1, argv + argc);
  Options options;
  size_t at = 0;
  for (; at < words.size() && words[at].starts_with("--"); ++at) {
    const std::string& option = words[at];
    if (option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (option == "--version") {
      std::printf("ravix-cli %s\n", RAVIX_VERSION);
      return 0;
    }
    if (option == "--simulate") {
      options.simulate = true;
    } else if (option == "--sim-platform" && at + 1 < words.size()) {
      options.simPlatform = words[++at];
      if (options.simPlatform != "9x" && options.simPlatform != "nt" && options.simPlatform != "nt-nodriver")
        return UsageError("unknown simulated platform " + options.simPlatform);
    } else {
      return UsageError("unknown option " + option);
    }
  }
  if (options.simPlatform != "nt" && !options.simulate) return UsageError("--sim-platform needs --simulate");
  if (at == words.size()) return UsageError("no command");
  const std::string& command = words[at];
  const std::vector<std::string> args(words.begin() + static_cast<long>(at) + 1, words.end());

  if (command == "run") return Run(options, args);
  if (command == "pack") return ravix::cli::PackCommand(args);
  if (command == "pack") return ravix::cli::PackCommand(args);
  return UsageError("unknown command " + command);
}
