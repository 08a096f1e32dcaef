#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string_view>

#include "app/tool.h"
#include "platform/ui.h"
#include "resources/ids.h"
#include "settings/settings_commands.h"
#include "settings/settings_image.h"

namespace ravix {

// The tool's own level, shown in the About box; the Read command refuses controllers
// whose compatibility level is higher.
inline constexpr int ProgramLevel = kProgramLevel;

// The ports the adapter can sit on, in the order in which a stored name is compared.
// The parallel ports have no menu item; they are chosen through the setup file.
struct PortRow {
  std::string_view name;
  bool serial;
  uint16_t lptBase;  // parallel rows only
  int command;
};
inline constexpr std::array<PortRow, 11> PortTable{{
    {"0278", false, 0x278, menu::kLpt0278},  {"0378", false, 0x378, menu::kLpt0378},
    {"03BC", false, 0x3BC, menu::kLpt03BC},  {"COM1", true, 0, menu::kFirstPort},
    {"COM2", true, 0, menu::kFirstPort + 1}, {"COM3", true, 0, menu::kFirstPort + 2},
    {"COM4", true, 0, menu::kFirstPort + 3}, {"COM5", true, 0, menu::kFirstPort + 4},
    {"COM6", true, 0, menu::kFirstPort + 5}, {"COM7", true, 0, menu::kFirstPort + 6},
    {"COM8", true, 0, menu::kFirstPort + 7},
}};
// The row of a port name (whole text), or -1.
int PortRowOfName(std::string_view name);

// The Port menu's text of a serial port: its name and the device behind it
// ("COM1  /dev/ttyUSB0"), "(none)" when nothing stands behind it, the name alone
// where the name is the device already.
std::string PortMenuLabel(std::string_view name, const std::string& device);

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
  SettingsCommands Settings() { return {tool_.settings, tool_.link, tool_.protocol, tool_.status}; }

  Tool& tool_;
  std::map<int, Command> commands_;
};

}  // namespace ravix
