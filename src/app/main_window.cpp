#include "app/main_window.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "dialogs/lock_functions.h"
#include "dialogs/rev_counter.h"
#include "dialogs/rpm_control.h"
#include "files/firmware_update.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "isp/isp_commands.h"
#include "platform/text.h"

namespace ravix {

namespace {

// The maker's web host; the service page lies at kServicePagePath on it.
constexpr std::string_view kServiceHost = "http://www.ravix-micro.example";
constexpr std::string_view kServicePagePath = "/ravix-micro.htm";

constexpr std::string_view kHelpFile = "pc-setup-english.pdf";

// Our own manual, made from docs/manual.md when the programs are built.
constexpr std::string_view kManualFile = "ravix-setup-manual.pdf";

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

constexpr std::string_view kAboutCredits =
    "Ravix-Micro Setup\n"
    "Setup tool for the Ravix-Micro brushless speed controllers\n"
    "\n";

}  // namespace

std::vector<MorePort> MorePortsOf(const std::vector<SerialPortInfo>& present) {
  std::vector<MorePort> more;
  for (const SerialPortInfo& port : present) {
    if (ComPortNumber(port.name) <= menu::kPortCount) continue;
    if (more.size() == static_cast<size_t>(menu::kMorePortCount)) break;
    more.push_back({port.name, PortMenuLabel(port.name, port.description),
                    menu::kFirstMorePort + static_cast<int>(more.size())});
  }
  return more;
}

std::vector<MorePort> FtdiPortsOf(const std::vector<FtdiChipInfo>& present) {
  std::vector<MorePort> rows;
  for (const FtdiChipInfo& chip : present) {
    if (rows.size() == static_cast<size_t>(menu::kFtdiPortCount)) break;
    const std::string name = std::string(kFtdiPortPrefix) + chip.serial;
    // A name the setup file cannot keep would be lost at the End.
    if (name.size() > SetupFile::MaxLongPortName) continue;
    const std::string what = chip.description.empty() ? std::string("FTDI cable") : chip.description;
    rows.push_back({name, what + " " + chip.serial + " (fast)", menu::kFirstFtdiPort + static_cast<int>(rows.size())});
  }
  return rows;
}

DialogResource MainWindowWithPorts(const DialogResource& table, const std::vector<MorePort>& more,
                                   const std::vector<MorePort>& ftdi) {
  DialogResource extended = table;
  for (MenuResource& popup : extended.menu) {
    if (popup.text != "Port") continue;
    for (const auto* rows : {&more, &ftdi}) {
      if (rows->empty()) continue;
      popup.items.push_back(MenuResource{});  // the line above each group
      for (const MorePort& port : *rows)
        popup.items.push_back(MenuResource{port.label, port.command, false, false, {}});
    }
  }
  return extended;
}

MainWindow::MainWindow(Tool& tool) : tool_(tool) {
  // USB adapters get COM numbers above 8; the menu offers those the machine has now.
  morePorts_ = MorePortsOf(tool_.platform.serial.ListPorts());
  // FTDI cables, where the library that drives their bit-bang mode is there.
  if (FtdiChips* chips = tool_.platform.serial.Ftdi()) ftdiPorts_ = FtdiPortsOf(chips->List());
  table_ = MainWindowWithPorts(MainWindowResource(), morePorts_, ftdiPorts_);
  AddCommands();
}

// The dispatch table: one entry per command ID. A command without an entry is
// ignored (OnCommand returns false).
void MainWindow::AddCommands() {
  // The dialog's OK command ends at once: the port is not saved and an open serial
  // port stays open.
  commands_[button::kOk] = [this](Window& window) {
    window.End(1);
    tool_.status.Done();
  };
  commands_[panel::kEnd] = [this](Window& window) { End(window); };
  commands_[menu::kHelpFile] = [this](Window&) { HelpFile(); };
  commands_[menu::kUsersManual] = [this](Window&) { UsersManual(); };
  commands_[menu::kAbout] = [this](Window&) { About(); };
  commands_[menu::kServicePage] = [this](Window&) { ServicePage(); };
  for (size_t row = 0; row < PortTable.size(); ++row)
    commands_[PortTable[row].command] = [this, row](Window& window) { SelectPort(window, static_cast<int>(row)); };
  for (size_t index = 0; index < morePorts_.size(); ++index)
    commands_[morePorts_[index].command] = [this, index](Window& window) { SelectMorePort(window, index); };
  for (size_t index = 0; index < ftdiPorts_.size(); ++index)
    commands_[ftdiPorts_[index].command] = [this, index](Window& window) { SelectFtdiPort(window, index); };
  commands_[panel::kRead] = [this](Window& w) { Settings().Read(w, SettingSlot::Active); };
  commands_[menu::kReadMemory1] = [this](Window& w) { Settings().Read(w, SettingSlot::Memory1); };
  commands_[menu::kReadMemory2] = [this](Window& w) { Settings().Read(w, SettingSlot::Memory2); };
  commands_[panel::kWrite] = [this](Window& w) { Settings().Write(w, SettingSlot::Active); };
  commands_[menu::kWriteMemory1] = [this](Window& w) { Settings().Write(w, SettingSlot::Memory1); };
  commands_[menu::kWriteMemory2] = [this](Window& w) { Settings().Write(w, SettingSlot::Memory2); };
  for (int id : {panel::kPwm7k8, panel::kPwm15k6, panel::kIgnore, panel::kSwitchOff, panel::kReducePower,
                 panel::kRpmControl, panel::kResetLog, panel::kPerCell})
    commands_[id] = [this, id](Window& w) { Settings().PanelRule(w, id); };
  commands_[menu::kCalibrateOscillator] = [this](Window& w) { CalibrateOscillator(w, tool_.link, tool_.protocol, tool_.isp, tool_.status); };
  commands_[menu::kControllerInfo] = [this](Window& w) { ShowControllerInfo(w, tool_.link, tool_.protocol, tool_.isp, tool_.status); };
  commands_[menu::kOpenUpdateFile] = [this](Window& window) { RunFirmwareUpdate(tool_, window); };
  commands_[menu::kLockFunctions] = [this](Window& w) { OpenLockFunctions(tool_, w); };
  commands_[panel::kSettingUp] = [this](Window& w) { OpenRpmControl(tool_, w); };
  commands_[menu::kRevCounter] = [this](Window& w) { OpenRevCounter(tool_, w); };
  commands_[menu::kSaveSettings] = [this](Window& w) {
    settings_file::SaveSettingsAs(tool_.status, tool_.settings, w);
  };
  commands_[menu::kLoadSettings] = [this](Window& w) {
    settings_file::LoadSettings(tool_.status, tool_.settings, w, [this, &w](int id) { OnCommand(w, id); });
  };
}

int MainWindow::Run() {
  Ui& ui = tool_.platform.ui;
  auto window = ui.CreateWindow(table_, nullptr);
  tool_.status.MainWindow = window;
  tool_.status.StatusWindow = window;
  OnInit(*window);
  if (window->Ended()) return window->Result();
  return ui.RunModal(window, *this);
}

void MainWindow::OnInit(Window& window) {
  window.EnableItem(IDC_STATUS, false);
  // Without the file the tool works all the same (the port name is set either way);
  // the End's store of the port tells the user that nothing was kept.
  static_cast<void>(tool_.setupFile.InitSetupFile());
  RestorePort(window);
  ShowPortDevices(window);
  FillLists(window);
}

bool MainWindow::OnCommand(Window& window, int command) {
  auto it = commands_.find(command);
  if (it == commands_.end()) return false;
  tool_.status.BeginCommand();
  it->second(window);
  return true;
}

// The port of the last run. Nothing is opened or tested here: the first command that
// needs the adapter does that.
void MainWindow::RestorePort(Window& window) {
  Link& link = tool_.link;
  const int row = PortRowOfName(link.PortName);
  if (row >= 0) {
    const PortRow& port = PortTable[static_cast<size_t>(row)];
    window.CheckMenuItem(port.command, true);
    if (port.kind == AdapterKindId::Parallel) link.Parallel().LptBase = port.lptBase;
    link.SelectAdapter(port.kind);
    if (port.kind == AdapterKindId::Serial) link.Serial().ComDeviceName = std::string(port.name);
    return;
  }
  // A port above COM8 (or a device) kept in the long form stays chosen, also while its
  // adapter is unplugged: its row is checked when the machine has it now.
  if (tool_.setupFile.PortNameStoredLong && KindOfPort(link.PortName).id == AdapterKindId::Ftdi) {
    for (const MorePort& port : ftdiPorts_)
      if (EqualsIgnoringCase(port.name, link.PortName)) window.CheckMenuItem(port.command, true);
    link.SelectAdapter(AdapterKindId::Ftdi);
    return;
  }
  if (tool_.setupFile.PortNameStoredLong && KindOfPort(link.PortName).id == AdapterKindId::Serial) {
    for (const MorePort& port : morePorts_)
      if (EqualsIgnoringCase(port.name, link.PortName)) window.CheckMenuItem(port.command, true);
    link.SelectAdapter(AdapterKindId::Serial);
    link.Serial().ComDeviceName = link.PortName;
    return;
  }
  // A name of no port the tool knows (a hand-edited file) would leave the tool on a
  // port that shows nowhere; the default of a new file takes its place.
  link.PortName = tool_.setupFile.DefaultPortName();
  // A file that takes no write here is reported by the End's store of the port.
  static_cast<void>(tool_.setupFile.SavePortName());
  RestorePort(window);
}

void MainWindow::FillLists(Window& window) {
  for (const char* entry : kTimingEntries) window.ListAddString(panel::kTiming, entry);
  for (const char* entry : kBrakeEntries) window.ListAddString(panel::kBrake, entry);
}

std::string PortMenuLabel(std::string_view name, const std::string& device) {
  if (device == name) return std::string(name);
  return std::string(name) + "  " + (device.empty() ? std::string("(none)") : device);
}

void MainWindow::ShowPortDevices(Window& window) {
  for (const PortRow& port : PortTable) {
    if (port.kind != AdapterKindId::Serial) continue;
    const std::string device = tool_.platform.serial.DeviceBehind(std::string(port.name));
    window.SetMenuItemText(port.command, PortMenuLabel(port.name, device));
  }
}

void MainWindow::CheckPortItem(Window& window, int command) {
  // Every row's command is addressed, also the parallel rows that have no menu item.
  for (const PortRow& port : PortTable) window.CheckMenuItem(port.command, port.command == command);
  for (const MorePort& port : morePorts_) window.CheckMenuItem(port.command, port.command == command);
  for (const MorePort& port : ftdiPorts_) window.CheckMenuItem(port.command, port.command == command);
}

void MainWindow::SelectPort(Window& window, int row) {
  const PortRow& port = PortTable[static_cast<size_t>(row)];
  ChoosePort(window, port.command, std::string(port.name), port.kind, port.lptBase);
}

void MainWindow::SelectMorePort(Window& window, size_t index) {
  const MorePort& port = morePorts_.at(index);
  ChoosePort(window, port.command, port.name, AdapterKindId::Serial, 0);
}

void MainWindow::SelectFtdiPort(Window& window, size_t index) {
  const MorePort& port = ftdiPorts_.at(index);
  ChoosePort(window, port.command, port.name, AdapterKindId::Ftdi, 0);
}

void MainWindow::ChoosePort(Window& window, int command, const std::string& name, AdapterKindId kind,
                            uint16_t lptBase) {
  CheckPortItem(window, command);
  ShowPortDevices(window);

  Link& link = tool_.link;
  link.PortName = name;
  if (kind == AdapterKindId::Parallel) {
    link.Parallel().LptBase = lptBase;
    link.SelectAdapter(kind);
    tool_.status.Done();
    return;
  }
  SerialAdapter& serial = link.Serial();
  serial.ComDeviceName = link.PortName;
  link.SelectAdapter(kind);
  // The device is opened exclusively: the old one goes first, and choosing the same
  // port again reopens it and tests the adapter afresh.
  link.ClosePort();
  // The choice stays in force after a failure; the next command tries the port again.
  if (link.DetectSerialAdapter() != 0)
    tool_.status.ReportCommandError();
  else
    tool_.status.Done();
}

void MainWindow::End(Window& window) {
  // The port chosen in this run would be lost without a word; the user is told as
  // the motor values' store tells it, and the tool closes all the same.
  if (tool_.setupFile.SavePortName() != 0) tool_.status.Refuse("Error!", "open error 'rvsetup.cfg'");
  tool_.link.ClosePort();
  window.End(1);
  tool_.status.Done();
}

// Looked for in the current directory, which the file dialog may have moved.
void MainWindow::HelpFile() {
  const std::string name(kHelpFile);
  if (!std::ifstream(name, std::ios::binary).is_open()) {
    tool_.status.Refuse("Error", name + " not found!");
    return;
  }
  tool_.platform.ui.ShellOpen(name);
  tool_.status.Done();
}

// Beside the program in a build and in the Windows folder; in an installation on
// Linux, in the program's data directory bin/../share/ravix-setup.
void MainWindow::UsersManual() {
  const std::string program = tool_.platform.os.ProgramPath();
  std::vector<std::filesystem::path> places;
  if (!program.empty()) {
    const std::filesystem::path folder = PathOf(program).parent_path();
    places.push_back(folder / kManualFile);
    places.push_back((folder / ".." / "share" / "ravix-setup" / kManualFile).lexically_normal());
  }
  for (const auto& place : places) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(place, error)) continue;
    if (!tool_.platform.ui.OpenDocument(Utf8Of(place)))
      tool_.status.Refuse("Error", "No viewer for PDF files could be started.\nThe manual is " + Utf8Of(place));
    tool_.status.Done();
    return;
  }
  tool_.status.Refuse("Error", std::string(kManualFile) +
                                    " not found!\nIt belongs beside the program or in its data directory "
                                    "../share/ravix-setup.");
}

void MainWindow::ServicePage() {
  tool_.platform.ui.ShellOpen(std::string(kServiceHost) + std::string(kServicePagePath));
  tool_.status.Done();
}

void MainWindow::About() {
  char level[16];
  std::snprintf(level, sizeof level, "%4x", ProgramLevel);
  tool_.status.Report("Ravix Setup", std::string(kAboutCredits) + "Version: " + level);
}

}  // namespace ravix
