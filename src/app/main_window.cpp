#include "app/main_window.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "app/resources.h"
#include "dialogs/lock_functions.h"
#include "dialogs/rev_counter.h"
#include "dialogs/rpm_control.h"
#include "files/firmware_update.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "isp/isp_commands.h"

namespace ravix {

namespace {

constexpr int IDC_TIMING = 1140;
constexpr int IDC_BRAKE = 1146;

// The maker's web host; the service page lies at kServicePagePath on it.
constexpr std::string_view kServiceHost = "http://www.ravix-micro.example";
constexpr std::string_view kServicePagePath = "/ravix-micro.htm";

constexpr std::string_view kHelpFile = "pc-setup-english.pdf";

constexpr std::string_view kAboutCredits =
    "Ravix-Micro Setup\n"
    "Setup tool for the Ravix-Micro brushless speed controllers\n"
    "\n";

}  // namespace

int PortRowOfName(std::string_view name) {
  for (size_t row = 0; row < PortTable.size(); ++row)
    if (PortTable[row].name == name) return static_cast<int>(row);
  return -1;
}

MainWindow::MainWindow(Tool& tool) : tool_(tool) { AddCommands(); }

// The dispatch table: one entry per command ID. A command without an entry is
// ignored (OnCommand returns false).
void MainWindow::AddCommands() {
  // The dialog's OK command ends at once: the port is not saved and an open serial
  // port stays open.
  commands_[1] = [](Window& window) { window.End(1); };
  commands_[2] = [this](Window& window) { End(window); };
  commands_[1104] = [this](Window&) { HelpFile(); };
  commands_[1151] = [this](Window&) { About(); };
  commands_[1197] = [this](Window&) { ServicePage(); };
  for (size_t row = 0; row < PortTable.size(); ++row)
    commands_[PortTable[row].command] = [this, row](Window& window) { SelectPort(window, static_cast<int>(row)); };
  commands_[1149] = [this](Window& w) { ReadSettings(tool_, w, SettingSlot::Active); };
  commands_[1198] = [this](Window& w) { ReadSettings(tool_, w, SettingSlot::Memory1); };
  commands_[1199] = [this](Window& w) { ReadSettings(tool_, w, SettingSlot::Memory2); };
  commands_[1150] = [this](Window& w) { WriteSettings(tool_, w, SettingSlot::Active); };
  commands_[1200] = [this](Window& w) { WriteSettings(tool_, w, SettingSlot::Memory1); };
  commands_[1201] = [this](Window& w) { WriteSettings(tool_, w, SettingSlot::Memory2); };
  for (int id : {1138, 1139, 1168, 1170, 1171, 1175, 1183, 1193})
    commands_[id] = [this, id](Window& w) { SettingsPanelRule(tool_, w, id); };
  commands_[1208] = [this](Window& w) { CalibrateOscillator(w, tool_.link, tool_.protocol, tool_.isp, tool_.status); };
  commands_[1225] = [this](Window& w) { ShowControllerInfo(w, tool_.link, tool_.protocol, tool_.isp, tool_.status); };
  commands_[1147] = [this](Window& window) { RunFirmwareUpdate(tool_, window); };
  commands_[1202] = [this](Window& w) { OpenLockFunctions(tool_, w); };
  commands_[1210] = [this](Window& w) { OpenRpmControl(tool_, w); };
  commands_[1238] = [this](Window& w) { OpenRevCounter(tool_, w); };
  commands_[kSaveSettingsCommand] = [this](Window& w) {
    settings_file::SaveSettingsAs(tool_.platform.ui, tool_.settings, w);
  };
  commands_[kLoadSettingsCommand] = [this](Window& w) {
    settings_file::LoadSettings(tool_.platform.ui, tool_.settings, w, [this, &w](int id) { OnCommand(w, id); });
  };

  // Commands served by the other subsystems, one line each, in the form
  //   commands_[1149] = [this](Window& window) { ReadSettings(tool_, window, SettingSlot::Active); };
  // Settings panel rules: 1138, 1139, 1168, 1170, 1171, 1175, 1183, 1193.
  // Reading settings: 1149, 1198, 1199.      Writing settings: 1150, 1200, 1201.
  // Firmware update: 1147.                   Lock functions dialog: 1202.
  // RC-oscillator calibration, controller info: 1208, 1225.
  // RPM-control dialog: 1210.                Rev counter: 1238.
}

int MainWindow::Run() {
  Ui& ui = tool_.platform.ui;
  auto window = ui.CreateWindow(MainWindowResource(), nullptr);
  tool_.status.MainWindow = window;
  tool_.status.StatusWindow = window;
  OnInit(*window);
  if (window->Ended()) return window->Result();
  return ui.RunModal(window, *this);
}

void MainWindow::OnInit(Window& window) {
  window.EnableItem(IDC_STATUS, false);
  tool_.setupFile.InitSetupFile();
  RestorePort(window);
  FillLists(window);
}

bool MainWindow::OnCommand(Window& window, int command) {
  auto it = commands_.find(command);
  if (it == commands_.end()) return false;
  it->second(window);
  return true;
}

// The port of the last run. Nothing is opened or tested here: the first command that
// needs the adapter does that.
void MainWindow::RestorePort(Window& window) {
  Link& link = tool_.link;
  int row = PortRowOfName(link.PortName);
  if (row < 0) {
    // A name of no port the tool knows (a hand-edited file) would leave the tool on
    // a port that shows nowhere; the default of a new file takes its place.
    link.PortName = tool_.setupFile.DefaultPortName();
    tool_.setupFile.SavePortName();
    row = PortRowOfName(link.PortName);
  }
  const PortRow& port = PortTable[static_cast<size_t>(row)];
  window.CheckMenuItem(port.command, true);
  if (port.serial) {
    link.SerialPortSelected = true;
    link.ComDeviceName = std::string(port.name);
  } else {
    link.LptBase = port.lptBase;
  }
}

void MainWindow::FillLists(Window& window) {
  for (const char* entry : kTimingEntries) window.ListAddString(IDC_TIMING, entry);
  for (const char* entry : kBrakeEntries) window.ListAddString(IDC_BRAKE, entry);
}

void MainWindow::SelectPort(Window& window, int row) {
  // Every row's command is addressed, also the parallel rows that have no menu item.
  for (size_t r = 0; r < PortTable.size(); ++r)
    window.CheckMenuItem(PortTable[r].command, static_cast<int>(r) == row);

  Link& link = tool_.link;
  const PortRow& port = PortTable[static_cast<size_t>(row)];
  link.PortName = std::string(port.name);
  if (!port.serial) {
    link.LptBase = port.lptBase;
    link.SerialPortSelected = false;
    return;
  }
  link.ComDeviceName = link.PortName;
  link.SerialPortSelected = true;
  // The device is opened exclusively: the old one goes first, and choosing the same
  // port again reopens it and tests the adapter afresh.
  if (link.ComPortOpen) link.CloseComPort();
  // The choice stays in force after a failure; the next command tries the port again.
  if (link.DetectSerialAdapter() != 0) tool_.status.ReportCommandError();
}

void MainWindow::End(Window& window) {
  // The port chosen in this run would be lost without a word; the user is told as
  // the motor values' store tells it, and the tool closes all the same.
  if (tool_.setupFile.SavePortName() != 0) tool_.status.Message("Error!", "open error 'rvsetup.cfg'");
  if (tool_.link.ComPortOpen) tool_.link.CloseComPort();
  window.End(1);
}

// Looked for in the current directory, which the file dialog may have moved.
void MainWindow::HelpFile() {
  const std::string name(kHelpFile);
  if (!std::ifstream(name, std::ios::binary).is_open()) {
    tool_.status.Message("Error", name + " not found!");
    return;
  }
  tool_.platform.ui.ShellOpen(name);
}

void MainWindow::ServicePage() {
  tool_.platform.ui.ShellOpen(std::string(kServiceHost) + std::string(kServicePagePath));
}

void MainWindow::About() {
  char level[16];
  std::snprintf(level, sizeof level, "%4x", ProgramLevel);
  tool_.status.Message("Ravix Setup", std::string(kAboutCredits) + "Version: " + level);
}

}  // namespace ravix
