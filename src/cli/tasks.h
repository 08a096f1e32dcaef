#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "link/link_state.h"
#include "link/port_figures.h"
#include "platform/clock.h"
#include "platform/os.h"
#include "platform/serial_port.h"

namespace ravix {
struct SessionLogFile;
}

namespace ravix::cli {

// One task command as the command line gave it.
struct TaskRequest {
  std::string command;            // read, write, save, load, update, info, calibrate, locks
  std::string port;               // empty: the port stored in the setup file
  int memory = 0;                 // 0: the active set; 1 or 2: a model memory
  bool json = false;              // read: JSON instead of the table
  bool yes = false;               // update: agree to its questions
  std::string file;               // write, save, load, update
  std::vector<std::string> sets;  // write --set / locks --set: NAME=VALUE
  bool simulated = false;         // --simulate: with no port stored, the simulated adapter answers on COM1
};

// The machine under the tool for one run, and how the tool times its port.
struct TaskMachine {
  Clock& clock;
  SerialPorts& serial;
  Os& os;
  Timing timing = Timing::PortAware;
  uint32_t ftdiUnitUs = LinkState::kDefaultFtdiUnitUs;
};

inline constexpr int kTaskFailed = 1;
inline constexpr int kTaskUsage = 2;

// Starts the tool headless as the desktop program starts, selects the port and runs
// the request through the window's own commands; the exit status (0, 1, or 2 for a
// request the tool cannot understand, such as an unknown --set name).
// log: the session log (--log), or null.
int RunTask(const TaskRequest& request, const TaskMachine& machine, Terminal& terminal,
            SessionLogFile* log = nullptr);

// Why a --port value (or the NAME of "port NAME") names no port the tool can use: "" for
// COM1 to COM256, the three parallel bases and a device path.
std::string PortNameProblem(const std::string& name);
// Why "write --set" assignments cannot be settings (no NAME=VALUE, an unknown name with
// the nearest known ones); "" when each one names a setting.
std::string SettingAssignmentsProblem(const std::vector<std::string>& sets);

// ravix-cli settings: each setting's name, unit and values, and whether only the active
// set has it.
void ListSettings(std::FILE* out);

// ravix-cli port [NAME]: stores NAME as the port of both programs in the rvsetup.cfg of
// the user's configuration directory (made when missing), or says which port the task
// commands would use and where it comes from. 0, or 1 with the reason on standard error.
// Without a name: the port the task commands would take here, and from where; a
// --port of this run (given) and the simulated adapter's COM1 count as they do there.
struct PortInUse {
  std::string given;
  bool simulated = false;
};
int PortCommand(const std::string& name, const TaskMachine& machine, const PortInUse& inUse = {});

// The settings file that "write --set NAME=VALUE ..." stands for, for a controller of
// type; the usage error's text in why when a word is no NAME=VALUE.
std::optional<std::string> SettingsFromAssignments(const std::vector<std::string>& sets, int type, std::string& why);

}  // namespace ravix::cli
