// ravix-setup: the desktop program.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/config_dir.h"
#include "app/startup.h"
#include "app/tool.h"
#include "gui/end_on_request.h"
#include "gui/qt_ui.h"
#include "gui/screenshot_ui.h"
#include "gui/startup_probe.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "app/front_options.h"
#include "script/script_engine.h"
#include "script/script_source.h"
#include "script/session_log.h"
#include "app/tool_machine.h"

namespace {

constexpr int kUsageError = 2;

// Built once before main() and never changed.
const std::string kUsage = std::string(
    "usage: ravix-setup [--simulate] [--script SCRIPT|- [--screenshot DIR]]\n"
    "       ravix-setup -h|--help | --version\n"
    "\n"
    "The desktop setup tool for Ravix-Micro speed controllers.\n"
    "\n") +
    std::string(ravix::kDesktopRunOptionsHelp) +
    "  --screenshot DIR  save a picture of each message box, and of each open window and\n"
    "                    its menus when the script ends, in DIR\n"
    "  --log FILE        append the session (commands, messages, status, with times) to FILE\n"
    "  --in-config-dir   start in $XDG_CONFIG_HOME/ravix-setup (made when missing), so that\n"
    "                    the setup file rvsetup.cfg lives there (the desktop's menu entry)\n"
    "  -platform NAME, -style NAME and Qt's other standard options are passed to Qt\n"
    "  -h, --help        this text\n"
    "  --version         the program's version\n";

using Options = ravix::FrontOptions;

// The setup file lives in the directory the tool starts in; started from the desktop's
// menu that would be wherever the desktop happens to be, so the entry asks for the
// user's configuration directory instead.
bool EnterConfigDir() {
  std::string why;
  const auto place = ravix::ConfigDirectory(why);
  if (!place) {
    std::fprintf(stderr, "ravix-setup: %s\n", why.c_str());
    return false;
  }
  const std::filesystem::path dir = *place;
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!error) std::filesystem::current_path(dir, error);
  if (error) std::fprintf(stderr, "ravix-setup: cannot use %s: %s\n", dir.c_str(), error.message().c_str());
  return !error;
}

// The session log (--log) while the program runs.
struct Log {
  ravix::SessionLogFile file;
  // ui itself, or the session log in front of it.
  ravix::Ui& Front(ravix::Ui& ui) {
    if (file.file.IsOpen() && !logged) logged = std::make_unique<ravix::SessionLog>(ui, file);
    return logged ? static_cast<ravix::Ui&>(*logged) : ui;
  }
  std::unique_ptr<ravix::SessionLog> logged;
};

// The tool on ui (behind the session log) until its main window closes; says why the
// start directory could not be taken.
int RunTool(ravix::ToolMachine& machine, ravix::Ui& ui, Log& log, ravix::Timing timing) {
  ravix::Platform platform{machine.clock(), machine.serial(), machine.os(), log.Front(ui)};
  ravix::Tool tool(platform);
  tool.link.timing = timing;
  const int status = ravix::RunApplication(tool);
  std::fputs(ravix::StartDirectoryProblem(tool.setupFile, "ravix-setup").c_str(), stderr);
  return status;
}

// The pictures must be able to land: a folder that cannot take them is found before
// the script runs, not after its transcript said all went well.
bool ScreenshotDirWritable(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  const std::filesystem::path probe = std::filesystem::path(dir) / ".ravix-setup-probe";
  const bool writable = !error && std::ofstream(probe, std::ios::binary).good();
  std::filesystem::remove(probe, error);
  if (!writable) std::fprintf(stderr, "ravix-setup: cannot write screenshots into %s\n", dir.c_str());
  return writable;
}

int RunScript(ravix::ToolMachine& machine, ravix::gui::QtUi& ui, const Options& options, Log& log) {
  std::string why;
  const auto source = ravix::ScriptSource::Open(*options.script, why);
  if (!source) {
    std::fprintf(stderr, "ravix-setup: cannot open the script %s: %s\n", options.script->c_str(), why.c_str());
    return kUsageError;
  }
  if (options.screenshotDir && !ScreenshotDirWritable(*options.screenshotDir)) return kUsageError;
  ravix::ScriptEngine engine(ui, machine.clock(), source->Stream(), std::cout, machine.sim());
  ravix::Ui* front = &engine;
  std::unique_ptr<ravix::gui::ScreenshotUi> shots;
  if (options.screenshotDir) {
    const QString dir = QString::fromLocal8Bit(options.screenshotDir->c_str());
    shots = std::make_unique<ravix::gui::ScreenshotUi>(engine, ui, dir);
    front = shots.get();
    engine.OnScriptEnd = [&ui, dir] {
      for (const QString& path : ui.SaveScreenshots(dir)) std::fprintf(stderr, "saved %s\n", qPrintable(path));
    };
  }
  RunTool(machine, *front, log, options.timing);
  const int status = engine.Finish();
  if (shots)
    for (const QString& path : shots->Saved()) std::fprintf(stderr, "saved %s\n", qPrintable(path));
  return status;
}

// The session log of --log, opened before anything happens; false when it cannot be.
bool OpenLog(const Options& options, int argc, char** argv, Log& log) {
  if (!options.logPath) return true;
  std::string header = std::string("ravix-setup ") + RAVIX_VERSION;
  for (int i = 1; i < argc; ++i) header += std::string(" ") + argv[i];
  std::string why;
  if (!ravix::SessionLog::Open(log.file, *options.logPath, header, why)) {
    std::fprintf(stderr, "ravix-setup: cannot write the log %s: %s\n", options.logPath->c_str(), why.c_str());
    return false;
  }
  return true;
}

// --in-config-dir: the paths on the command line keep meaning where they were typed.
bool EnterStartDirectory(Options& options) {
  if (!options.inConfigDir) return true;
  std::error_code error;
  if (options.script && *options.script != "-")
    options.script = std::filesystem::absolute(*options.script, error).string();
  if (options.screenshotDir) options.screenshotDir = std::filesystem::absolute(*options.screenshotDir, error).string();
  if (options.simState) options.simState = std::filesystem::absolute(*options.simState, error).string();
  return EnterConfigDir();
}

int Run(int argc, char** argv, std::chrono::steady_clock::time_point mainEntered) {
  Options options;
  std::string refused;
  const ravix::FrontFeatures features{.shortHelp = true, .log = true, .configDir = true, .measure = true,
                                      .qtOptions = true};
  // Help and version are answered before anything needs a display.
  switch (ravix::ParseFrontOptions(argc, argv, features, kUsage.c_str(), options, refused)) {
    case ravix::FrontStart::Help: std::fputs(kUsage.c_str(), stdout); return 0;
    case ravix::FrontStart::Version: std::printf("ravix-setup %s\n", RAVIX_VERSION); return 0;
    case ravix::FrontStart::Refused: std::fputs(refused.c_str(), stderr); return kUsageError;
    case ravix::FrontStart::Run: break;
  }
  Log log;
  if (!OpenLog(options, argc, argv, log) || !EnterStartDirectory(options)) return 1;

  // A script with the simulated controller runs in virtual time, so that its waits and
  // measurements take no real time; the interactive demo runs in real time, as hardware does.
  ravix::ToolMachine machine(options.simulate, options.simPlatform, options.script.has_value(), options.simAdapter);
  std::string why;
  if (options.simState && !machine.KeepSimStateIn(*options.simState, why)) {
    std::fprintf(stderr, "ravix-setup: --sim-state %s\n", why.c_str());
    return 1;  // before any window: the file is left as it is
  }

  // Without a display a scripted run needs no window system at all; the desktop
  // program itself says what is missing instead of letting the toolkit abort.
  const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && options.qtPlatform.empty()) {
    if (!options.script) {
      std::fprintf(stderr,
                   "ravix-setup: no display ($DISPLAY and $WAYLAND_DISPLAY are unset).\n"
                   "Use ravix-cli to work from a terminal, or run a script: ravix-setup --script SCRIPT.\n");
      return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ravix-setup"));
  QApplication::setApplicationVersion(QStringLiteral(RAVIX_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral(RAVIX_APP_ID));
  QApplication::setWindowIcon(ravix::gui::ProgramIcon());
  QApplication::setQuitOnLastWindowClosed(false);

  // The windows measure the time left of an update on the clock the tool runs on.
  ravix::gui::QtUi ui([&machine] { return machine.clock().TickCount(); });

  int status = 0;
  std::unique_ptr<ravix::gui::StartupProbe> probe;
  if (options.script) {
    status = RunScript(machine, ui, options, log);
  } else {
    ravix::gui::EndOnRequest endOnRequest(ui);
    if (options.measure) {
      probe = std::make_unique<ravix::gui::StartupProbe>(mainEntered, stdout, [&ui] {
        for (const auto& window : ui.OpenWindows()) window->RequestClose();
      });
      app.installEventFilter(probe.get());
    }
    status = RunTool(machine, ui, log, options.timing);
  }
  // The simulated controller goes back into its file at every end of the program.
  if (!machine.StoreSimState(why)) {
    std::fprintf(stderr, "ravix-setup: --sim-state %s\n", why.c_str());
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const auto mainEntered = std::chrono::steady_clock::now();
  ravix::GuardStandardStreams();
  // SIGTERM, SIGHUP and Ctrl+C end the program as its user would (EndOnRequest).
  ravix::CatchOutsideStops(true);
  const int status = ravix::StatusAfterOutsideStop(Run(argc, argv, mainEntered), "ravix-setup");
  ravix::OutsideStopHandled();
  return status;
}
