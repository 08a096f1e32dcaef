#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/tool.h"
#include "link/port_table.h"
#include "platform/ui.h"
#include "resources/ids.h"
#include "settings/settings_commands.h"
#include "settings/settings_image.h"

namespace ravix {

// The tool's own level, shown in the About box; the Read command refuses controllers
// whose compatibility level is higher.
inline constexpr int ProgramLevel = kProgramLevel;

// The Port menu's text of a serial port: its name and the device behind it
// ("COM1  /dev/ttyUSB0", "COM12  USB Serial Port"), "(none)" when nothing stands
// behind it, the name alone where the name is the device already.
std::string PortMenuLabel(std::string_view name, const std::string& device);

// A serial port of this machine above COM8, with its row in the Port menu.
struct MorePort {
  std::string name;   // "COM12"
  std::string label;  // the menu item's text
  int command;
};
// The rows below COM1 to COM8 for the ports present (at most menu::kMorePortCount).
std::vector<MorePort> MorePortsOf(const std::vector<SerialPortInfo>& present);
// The rows of the FTDI cables present, driven in bit-bang mode ("ftdi:A50285BI",
// "FT232R USB UART A50285BI (fast)"; at most menu::kFtdiPortCount).
std::vector<MorePort> FtdiPortsOf(const std::vector<FtdiChipInfo>& present);
// The main window's table with those rows added to the Port menu, each group below a line.
DialogResource MainWindowWithPorts(const DialogResource& table, const std::vector<MorePort>& more,
                                   const std::vector<MorePort>& ftdi = {});

// The main window 1226: its start-up, its command dispatch, the port choice and the
// small commands that need no controller.
class MainWindow : public WindowHandler {
 public:
  using Command = std::function<void(Window&)>;

  explicit MainWindow(Tool& tool);

  // Creates the window, makes it the main and the status window, initialises it and
  // runs it modally; its result.
  int Run();

  void OnInit(Window& window) override;
  bool OnCommand(Window& window, int command) override;

  // Applies a row of the port table (index into PortTable).
  void SelectPort(Window& window, int row);
  // Chooses a serial port above COM8 (index into the Port menu's extra rows).
  void SelectMorePort(Window& window, size_t index);
  // Chooses an FTDI cable in bit-bang mode (index into its rows).
  void SelectFtdiPort(Window& window, size_t index);
  void End(Window& window);
  void HelpFile();
  // The program's manual, beside the program or in its data directory, in the
  // desktop's viewer; a missing file or viewer is said in a box.
  void UsersManual();
  void ServicePage();
  void About();

 private:
  void AddCommands();
  void RestorePort(Window& window);
  // Labels the serial ports' items with their devices: adapters come and go while the
  // tool runs, so this is done again whenever a port is chosen.
  void ShowPortDevices(Window& window);
  void FillLists(Window& window);
  // Moves the Port menu's check mark to command (0 for none) and applies the port.
  void ChoosePort(Window& window, int command, const std::string& name, AdapterKindId kind, uint16_t lptBase);
  void CheckPortItem(Window& window, int command);
  SettingsCommands Settings() { return {tool_.settings, tool_.link, tool_.protocol, tool_.status}; }

  Tool& tool_;
  std::map<int, Command> commands_;
  std::vector<MorePort> morePorts_;
  std::vector<MorePort> ftdiPorts_;
  DialogResource table_;  // the window's table with the extra port rows; the window keeps a reference
};

}  // namespace ravix
