// ravix-setup: the desktop program.
#include <QApplication>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "app/tool.h"
#include "gui/qt_ui.h"
#include "gui/startup_probe.h"
#include "platform/posix/native_system.h"
#include "sim/sim_adapter.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: ravix-setup [--simulate]\n"
    "       ravix-setup --help | --version\n"
    "\n"
    "The desktop setup tool for Ravix-Micro speed controllers.\n"
    "\n"
    "  --simulate        a simulated controller answers on every port instead of the hardware\n"
    "  --help            this text\n"
    "  --version         the program's version\n";

struct Options {
  bool simulate = false;
  bool measure = false;  // print start-up time and memory at the first painted window, then end
};

// False (with a message on standard error) when the command line is not understood.
bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg == "--measure") {
      options.measure = true;
    } else {
      std::fprintf(stderr, "ravix-setup: unknown argument %s\n%s", arg.c_str(), kUsage);
      return false;
    }
  }
  return true;
}

// The machine the tool runs on: the simulated one, or the real ports.
struct Machine {
  explicit Machine(bool simulate, bool virtualTime) {
    if (simulate) {
      simClock = std::make_unique<ravix::sim::SimClock>(virtualTime);
      sim = std::make_unique<ravix::sim::SimAdapter>(*simClock);
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

int RunDesktop(Machine& machine, ravix::gui::QtUi& ui) {
  ravix::Platform platform{machine.clock(), machine.serial(), machine.os(), ui};
  ravix::Tool tool(platform);
  return ravix::RunApplication(tool);
}

}  // namespace

int main(int argc, char** argv) {
  const auto mainEntered = std::chrono::steady_clock::now();
  Options options;
  if (argc > 1) {
    // Answered before anything needs a display.
    if (std::strcmp(argv[1], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
      std::printf("ravix-setup %s\n", RAVIX_VERSION);
      return 0;
    }
    if (!ParseOptions(argc, argv, options)) return kUsageError;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ravix-setup"));
  QApplication::setApplicationVersion(QStringLiteral(RAVIX_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("ravix-setup"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ravix-setup")));
  QApplication::setQuitOnLastWindowClosed(false);

  // The interactive demo runs in real time, as hardware does.
  Machine machine(options.simulate, false);
  ravix::gui::QtUi ui(&machine.serial());

  std::unique_ptr<ravix::gui::StartupProbe> probe;
  if (options.measure) {
    probe = std::make_unique<ravix::gui::StartupProbe>(mainEntered, stdout, [&ui] {
      for (const auto& window : ui.OpenWindows()) window->RequestClose();
    });
    app.installEventFilter(probe.get());
  }
  return RunDesktop(machine, ui);
}
