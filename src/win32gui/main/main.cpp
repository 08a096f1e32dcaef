// ravix-setup.exe: the desktop program on native Windows windows.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/startup.h"
#include "app/tool.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "app/front_options.h"
#include "script/script_engine.h"
#include "script/script_source.h"
#include "app/tool_machine.h"
#include "win32gui/program.h"
#include "win32gui/screenshots.h"
#include "win32gui/win32_ui.h"

namespace {

using ravix::win32gui::Say;

constexpr int kUsageError = 2;

// Built once before main() and never changed.
const std::string kUsage = std::string(
    "usage: ravix-setup [--simulate] [--script SCRIPT|- [--screenshot DIR]]\n"
    "       ravix-setup --help | --version\n"
    "\n"
    "The desktop setup tool for Ravix-Micro speed controllers.\n"
    "\n") +
    std::string(ravix::kDesktopRunOptionsHelp) +
    "  --screenshot DIR  save a picture of each message box, and of each open window\n"
    "                    when the script ends, in DIR (BMP files)\n"
    "  --help            this text\n"
    "  --version         the program's version\n";

using Options = ravix::FrontOptions;

// The tool on ui until its main window closes; says why the start directory could not
// be taken.
int RunTool(ravix::ToolMachine& machine, ravix::Ui& ui, ravix::Timing timing) {
  ravix::Platform platform{machine.clock(), machine.serial(), machine.os(), ui};
  ravix::Tool tool(platform);
  tool.link.timing = timing;
  const int status = ravix::RunApplication(tool);
  if (const std::string problem = ravix::StartDirectoryProblem(tool.setupFile, "ravix-setup"); !problem.empty())
    Say(problem, true);
  return status;
}

int RunScript(ravix::ToolMachine& machine, ravix::win32gui::Win32Ui& ui, const Options& options) {
  std::string why;
  const auto source = ravix::ScriptSource::Open(*options.script, why);
  if (!source) {
    Say("ravix-setup: cannot open the script " + *options.script + ": " + why + "\n", true);
    return kUsageError;
  }
  ravix::ScriptEngine engine(ui, machine.clock(), source->Stream(), std::cout, machine.sim());
  ravix::Ui* front = &engine;
  std::unique_ptr<ravix::win32gui::ScreenshotUi> shots;
  if (options.screenshotDir) {
    shots = std::make_unique<ravix::win32gui::ScreenshotUi>(engine, ui, *options.screenshotDir);
    front = shots.get();
    engine.OnScriptEnd = [&shots] { shots->SaveOpenWindows(); };
  }
  RunTool(machine, *front, options.timing);
  const int status = engine.Finish();
  if (shots)
    for (const std::string& path : shots->Saved()) std::fprintf(stderr, "saved %s\n", path.c_str());
  return status;
}

int Run(int argc, char** argv) {
  Options options;
  std::string refused;
  switch (ravix::ParseFrontOptions(argc, argv, {}, kUsage.c_str(), options, refused)) {
    case ravix::FrontStart::Help: Say(kUsage, false); return 0;
    case ravix::FrontStart::Version: Say(std::string("ravix-setup ") + RAVIX_VERSION + "\n", false); return 0;
    case ravix::FrontStart::Refused: Say(refused, true); return kUsageError;
    case ravix::FrontStart::Run: break;
  }

  ravix::win32gui::PrepareControls();

  // A script with the simulated controller runs in virtual time; the interactive demo
  // runs in real time, as hardware does.
  ravix::ToolMachine machine(options.simulate, options.simPlatform, options.script.has_value(), options.simAdapter);
  std::string why;
  if (options.simState && !machine.KeepSimStateIn(*options.simState, why)) {
    Say("ravix-setup: --sim-state " + why + "\n", true);
    return 1;
  }
  // The windows measure the time left of an update on the clock the tool runs on.
  ravix::win32gui::Win32Ui ui([&machine] { return machine.clock().TickCount(); });
  int status = 0;
  if (options.script) {
    status = RunScript(machine, ui, options);
  } else {
    ui.EndOnOutsideRequest();
    status = RunTool(machine, ui, options.timing);
  }
  // The simulated controller goes back into its file at every end of the program.
  if (!machine.StoreSimState(why)) {
    Say("ravix-setup: --sim-state " + why + "\n", true);
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  ravix::UseBinaryStandardStreams();
  ravix::GuardStandardStreams();
  // The session's end, the console's close and Ctrl+C end the program as its user would.
  ravix::CatchOutsideStops(true);
  const int status = ravix::StatusAfterOutsideStop(Run(argc, argv), "ravix-setup");
  ravix::OutsideStopHandled();
  return status;
}
