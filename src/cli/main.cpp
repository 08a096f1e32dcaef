// ravix-cli: the tool without a screen. "run" drives it from a script; the task
// commands do one everyday job each through the same commands as the desktop's
// buttons; "pack" makes update files.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/pack.h"
#include "cli/tasks.h"
#include "cli/terminal.h"
#include "files/setup_file.h"
#include "link/port_table.h"
#include "platform/text.h"
#include "platform/headless/headless_ui.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "script/script_run.h"
#include "script/script_source.h"
#include "script/session_log.h"
#include "app/tool_machine.h"
#include "settings/settings_file.h"

namespace {

struct Options {
  bool simulate = false;
  std::string simPlatform = "nt";
  std::string simState;  // --sim-state: the file that keeps the simulated controller
  std::string simAdapter = "uart";
  std::string timing = "port-aware";
  uint32_t ftdiUnitUs = ravix::LinkState::kDefaultFtdiUnitUs;
  std::string script;
  std::vector<std::string> packArgs;
  ravix::cli::TaskRequest task;
  std::string logPath;
  std::string portToStore;  // ravix-cli port NAME
  ravix::SessionLogFile log;  // open while the command runs
};

// --sim-state: the simulated controller comes from its file; false (said on standard
// error) when the file is not one to keep it in.
bool KeepSimState(ravix::ToolMachine& machine, const Options& options) {
  std::string why;
  if (options.simState.empty() || machine.KeepSimStateIn(options.simState, why)) return true;
  std::fprintf(stderr, "ravix-cli: --sim-state %s\n", why.c_str());
  return false;
}

// At the end of the program the simulated controller goes back into its file; a
// state that could not be kept turns a good exit status into a failure.
int StoreSimState(ravix::ToolMachine& machine, int status) {
  std::string why;
  if (machine.StoreSimState(why)) return status;
  std::fprintf(stderr, "ravix-cli: --sim-state %s\n", why.c_str());
  return status == 0 ? ravix::cli::kTaskFailed : status;
}

ravix::Timing Timing(const Options& options) {
  ravix::Timing timing = ravix::Timing::PortAware;
  ravix::ToolMachine::ParseTiming(options.timing, timing);
  return timing;
}


// The session log, when --log asked for one.
ravix::SessionLogFile* LogOf(Options& options) { return options.log.file.IsOpen() ? &options.log : nullptr; }

int RunScript(Options& options) {
  std::string why;
  const auto source = ravix::ScriptSource::Open(options.script, why);
  if (!source) {
    std::fprintf(stderr, "ravix-cli: cannot open the script %s: %s\n", options.script.c_str(), why.c_str());
    return ravix::cli::kTaskUsage;
  }
  ravix::HeadlessUi backend;
  ravix::ToolMachine machine(options.simulate, options.simPlatform, true, options.simAdapter);
  if (!KeepSimState(machine, options)) return ravix::cli::kTaskFailed;
  std::string startProblem;
  const int status = ravix::RunScriptedTool(machine.clock(), machine.serial(), machine.os(), backend, machine.sim(),
                                            source->Stream(), std::cout, LogOf(options), &startProblem,
                                            Timing(options), options.ftdiUnitUs);
  if (!startProblem.empty()) std::fprintf(stderr, "ravix-cli: %s\n", startProblem.c_str());
  return StoreSimState(machine, status);
}

int RunTask(Options& options) {
  ravix::ToolMachine machine(options.simulate, options.simPlatform, true, options.simAdapter);
  if (!KeepSimState(machine, options)) return ravix::cli::kTaskFailed;
  ravix::cli::Terminal terminal(stdin, stderr);
  const int status = ravix::cli::RunTask(options.task, {machine.clock(), machine.serial(), machine.os(), Timing(options), options.ftdiUnitUs},
                                         terminal, LogOf(options));
  return StoreSimState(machine, status);
}

// NAME=on|off for the two lock functions.
std::string CheckLockSet(const std::string& set) {
  const size_t eq = set.find('=');
  const std::string name = set.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : set.substr(eq + 1);
  if (name != "rc-setup" && name != "testprogram") return "locks --set takes rc-setup or testprogram, not " + name;
  if (value != "on" && value != "off") return "locks --set " + name + " takes on or off";
  return "";
}

// A model memory has no byte for the settings of the active set alone.
std::string CheckMemorySet(const std::vector<std::string>& sets, int memory) {
  for (const std::string& set : sets)
    if (const std::string name = set.substr(0, set.find('=')); ravix::settings_file::IsActiveOnlyKey(name))
      return "--set " + name + ": model memory " + std::to_string(memory) + " holds no " + name +
             " (only the active set has it)";
  return "";
}

CLI::App* TaskCommand(CLI::App& app, Options& o, const char* name, const char* what) {
  CLI::App* sub = app.add_subcommand(name, what);
  sub->callback([&o, name] { o.task.command = name; });
  return sub;
}

// A file argument that names nothing ("") is a slip on the command line (an unset
// variable), refused before any port is opened.
CLI::Validator SomeName() {
  return {[](const std::string& name) { return name.empty() ? std::string("an empty name names no file") : std::string(); },
          "", "named"};
}

void AddTaskCommands(CLI::App& app, Options& o) {
  const auto memory = [&o](CLI::App* sub) {
    sub->add_option("--memory", o.task.memory, "a model memory (1 or 2) instead of the active set")
        ->check(CLI::Range(1, 2).description(""))
        ->type_name("1|2");
  };
  CLI::App* read = TaskCommand(app, o, "read", "read the settings and show them as a table (or JSON)");
  memory(read);
  read->add_flag("--json", o.task.json, "print the settings file's JSON instead of the table");

  CLI::App* write = TaskCommand(app, o, "write", "read, change and write the settings; read them back to compare");
  write->add_option("FILE", o.task.file, "a settings file (JSON)")->check(SomeName())->type_name("");
  write->add_option("--set", o.task.sets, "NAME=VALUE, e.g. startup-power=5 (ravix-cli settings lists the names)")
      ->type_name("NAME=VALUE");
  memory(write);

  CLI::App* save = TaskCommand(app, o, "save", "read the settings into a settings file");
  save->add_option("FILE", o.task.file, "the settings file to write")->required()->check(SomeName())->type_name("");
  memory(save);
  CLI::App* load = TaskCommand(app, o, "load", "write the settings of a settings file into the controller");
  load->add_option("FILE", o.task.file, "the settings file to read")->required()->check(SomeName())->type_name("");
  memory(load);

  CLI::App* update = TaskCommand(app, o, "update", "replace the controller's firmware from an update file");
  update->add_option("FILE", o.task.file, "the update file (.upd)")->required()->check(SomeName())->type_name("");
  update->add_flag("--yes,-y", o.task.yes, "agree to the update's questions without asking");

  TaskCommand(app, o, "info", "show the controller's signature, fuse and lock bytes");
  TaskCommand(app, o, "calibrate", "calibrate the controller's RC oscillator");
  CLI::App* portCheck = TaskCommand(app, o, "port-check",
                                    "check the adapter on the port and say what the port costs and how long a Read, "
                                    "a Write and an update take on it");
  portCheck->add_option("FILE", o.task.file, "an update file (.upd) to time; default: a full 8 KiB image")
      ->check(SomeName())
      ->type_name("");
  CLI::App* locks = TaskCommand(app, o, "locks", "show the lock functions, or set them");
  locks->add_option("--set", o.task.sets, "rc-setup=on|off, testprogram=on|off")->type_name("LOCK=on|off");

  CLI::App* settings = app.add_subcommand("settings", "list the settings' names, units and values (for --set)");
  settings->callback([&o] { o.task.command = "settings"; });
  CLI::App* port = app.add_subcommand("port", "store the port of both programs, or show the one in use");
  port->callback([&o] { o.task.command = "port"; });
  port->add_option("NAME", o.portToStore, "COM1 to COM256, 0278, 0378, 03BC or a device")->type_name("");
}

// The options every command takes, as the commands' own help lists them.
std::string GlobalOptionsHelp(const CLI::App& app) {
  std::string text = "Options of every command (before or after it):\n";
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name(false, true);
    if (name == "--help" || name == "-h,--help" || name == "--version" || name.starts_with("--sim-platform")) continue;
    std::string shown = "  " + name + (option->get_type_name().empty() || option->get_expected_min() == 0
                                           ? ""
                                           : " " + option->get_type_name());
    if (shown.size() < 30) shown.resize(30, ' ');
    text += shown + " " + option->get_description() + "\n";
  }
  return text;
}

// A port name in the form a setup file keeps it: COM and parallel names in capitals.
std::string StoredForm(const std::string& name) {
  if (const int number = ravix::ComPortNumber(name); number > 0) return "COM" + std::to_string(number);
  for (const ravix::PortRow& row : ravix::PortTable)
    if (ravix::EqualsIgnoringCase(name, row.name)) return std::string(row.name);
  return name;
}

// An unknown word where the command belongs ("ravix-cli bogus"): CLI11 would only say
// that a command is required. The options before the command and their values are
// passed over.
std::string UnknownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") break;
    if (word.starts_with("-")) {
      const CLI::Option* option = app.get_option_no_throw(word.substr(0, word.find('=')));
      if (option && option->get_expected_min() > 0 && word.find('=') == std::string::npos) ++i;
      continue;
    }
    for (const CLI::App* sub : app.get_subcommands({}))
      if (sub->get_name() == word) return "";
    return "unknown command '" + word + "' (ravix-cli --help lists the commands)";
  }
  return "";
}

// The options every command takes.
void AddGlobalOptions(CLI::App& app, Options& o) {
  app.add_flag("--simulate", o.simulate, "a simulated adapter with a simulated controller answers on every port");
  app.add_option("--sim-platform", o.simPlatform, "(tests) how start-up sees the simulated machine")
      ->check([](const std::string& name) {
        return ravix::ToolMachine::KnownSimPlatform(name) ? "" : "unknown simulated platform " + name;
      });
  app.add_option("--sim-state", o.simState,
                 "keep the simulated controller in FILE: loaded when it exists, written back at the end")
      ->check(SomeName())
      ->type_name("FILE");
  app.add_option("--sim-adapter", o.simAdapter,
                 "the simulated serial adapter's chip: " + ravix::ToolMachine::SimAdapterNames() +
                     " (default uart, a built-in port)")
      ->check([](const std::string& name) {
        return ravix::ToolMachine::KnownSimAdapter(name) ? "" : "unknown simulated adapter " + name;
      })
      ->type_name("MODEL");
  app.add_option("--timing", o.timing,
                 "specified: every line operation as the algorithms count them, on any port; port-aware (the "
                 "default): sound sampling and quicker delays on slow ports, the same calls on a built-in port")
      ->check([](const std::string& word) {
        ravix::Timing timing;
        return ravix::ToolMachine::ParseTiming(word, timing) ? "" : "--timing takes specified or port-aware";
      })
      ->type_name("specified|port-aware");
  app.add_option("--ftdi-unit-us", o.ftdiUnitUs,
                 "the short-delay unit on an FTDI cable in bit-bang mode, in microseconds (default 10); longer "
                 "for a cable whose edges are slow")
      ->check(CLI::Range(ravix::LinkState::kShortestFtdiUnitUs, ravix::LinkState::kLongestFtdiUnitUs))
      ->type_name("N");
  app.add_option("--port", o.task.port,
                 "COM1 to COM256, a device (/dev/ttyUSB0), an FTDI cable in bit-bang mode (ftdi:SERIAL, or "
                 "ftdi: for the only one) or a parallel port (0278, 0378, 03BC), for this run only; default: the "
                 "port stored (ravix-cli port NAME), with --simulate else COM1")
      ->type_name("PORT");
  app.add_option("--log", o.logPath, "append the session (commands, messages, status, with times) to FILE")
      ->check(SomeName())
      ->type_name("FILE");
}

// Opens the session log that --log asks for; false (with the reason on standard error) when it cannot be written.
bool OpenLog(Options& o, int argc, char** argv) {
  if (o.logPath.empty()) return true;
  std::string header = std::string("ravix-cli ") + RAVIX_VERSION;
  for (int i = 1; i < argc; ++i) header += std::string(" ") + argv[i];
  std::string why;
  if (!ravix::SessionLog::Open(o.log, o.logPath, header, why)) {
    std::fprintf(stderr, "ravix-cli: cannot write the log %s: %s\n", o.logPath.c_str(), why.c_str());
    return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  Options o;
  CLI::App app{"ravix-cli: the setup tool for Ravix-Micro speed controllers, from a terminal", "ravix-cli"};
  // A path such as /home/me/plane.json is a file, never an option (the default on Windows).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("ravix-cli ") + RAVIX_VERSION);
  app.require_subcommand(1);
  // Options may stand before or after the command.
  app.fallthrough();
  AddGlobalOptions(app, o);
  AddTaskCommands(app, o);

  CLI::App* run =
      app.add_subcommand("run", "run a script against the tool and print its transcript (docs/scripting.md)");
  run->add_option("SCRIPT", o.script, "the script; - reads standard input")->required()->check(SomeName())->type_name("");
  CLI::App* pack = app.add_subcommand("pack", "make an update file from a firmware image in Intel HEX");
  pack->prefix_command();
  pack->allow_extras();
  pack->fallthrough(false);
  // pack -h lists pack's own options.
  pack->set_help_flag();
  const std::string globals = GlobalOptionsHelp(app);
  for (CLI::App* sub : app.get_subcommands({}))
    if (sub != pack && sub->get_name() != "settings") sub->footer(globals);

  if (const std::string unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
    std::fprintf(stderr, "ravix-cli: %s\n", unknown.c_str());
    return ravix::cli::kTaskUsage;
  }

  try {
    app.parse(argc, argv);
    if (o.simPlatform != "nt" && !o.simulate) throw CLI::ValidationError("--sim-platform needs --simulate");
    if (!o.simState.empty() && !o.simulate) throw CLI::ValidationError("--sim-state needs --simulate");
    if (o.simAdapter != "uart" && !o.simulate) throw CLI::ValidationError("--sim-adapter needs --simulate");
    if (o.task.command == "write" && o.task.file.empty() == o.task.sets.empty())
      throw CLI::ValidationError("write takes a FILE or --set NAME=VALUE ...");
    if (!o.task.port.empty())
      if (const auto why = ravix::cli::PortNameProblem(o.task.port); !why.empty())
        throw CLI::ValidationError("--port " + why);
    if (o.task.command == "port" && !o.portToStore.empty()) {
      if (const auto why = ravix::cli::PortNameProblem(o.portToStore); !why.empty()) throw CLI::ValidationError(why);
      o.portToStore = StoredForm(o.portToStore);
      if (ravix::PortRowOfName(o.portToStore) < 0 && o.portToStore.size() > ravix::SetupFile::MaxLongPortName)
        throw CLI::ValidationError("a port name of more than " + std::to_string(ravix::SetupFile::MaxLongPortName) +
                                   " bytes cannot be stored; give it with --port for each run");
    }
    if (o.task.command == "write")
      if (const auto why = ravix::cli::SettingAssignmentsProblem(o.task.sets); !why.empty())
        throw CLI::ValidationError(why);
    if (o.task.command == "write" && o.task.memory != 0)
      if (const auto why = CheckMemorySet(o.task.sets, o.task.memory); !why.empty()) throw CLI::ValidationError(why);
    if (o.task.command == "locks")
      for (const auto& set : o.task.sets)
        if (const auto why = CheckLockSet(set); !why.empty()) throw CLI::ValidationError(why);
  } catch (const CLI::Success& e) {  // --help, --help-all, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "ravix-cli: %s\nRun with --help for more information.\n", e.what());
    return ravix::cli::kTaskUsage;
  }

  if (!OpenLog(o, argc, argv)) return ravix::cli::kTaskFailed;
  if (*run) return RunScript(o);
  if (*pack) return ravix::cli::PackCommand(pack->remaining());
  if (o.task.command == "settings") return ravix::cli::ListSettings(stdout), 0;
  if (o.task.command == "port") {
    ravix::ToolMachine machine(false, o.simPlatform, true, o.simAdapter);
    return ravix::cli::PortCommand(o.portToStore, {machine.clock(), machine.serial(), machine.os(), Timing(o)},
                                   {o.task.port, o.simulate});
  }
  o.task.simulated = o.simulate;
  return RunTask(o);
}

}  // namespace

int main(int argc, char** argv) {
  // Transcripts and settings files are written byte for byte, without CR LF translation.
  ravix::UseBinaryStandardStreams();
  ravix::GuardStandardStreams();
  // SIGTERM and SIGHUP end the command as its user would; Ctrl+C is the terminal's own.
  ravix::CatchOutsideStops(false);
  const int status = ravix::StatusAfterOutsideStop(Run(argc, argv), "ravix-cli");
  // A table or transcript that did not arrive is a failed command, whatever it did.
  const int delivered = ravix::FinishStandardStreams(status, "ravix-cli");
  ravix::OutsideStopHandled();
  return delivered;
}
