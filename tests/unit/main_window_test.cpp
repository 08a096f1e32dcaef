#include "app/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "app/startup.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;

// The serial ports of the simulated adapter, with every open counted.
class CountingPorts : public SerialPorts {
 public:
  explicit CountingPorts(SerialPorts& inner) : inner_(inner) {}
  std::unique_ptr<SerialDevice> Open(const std::string& portName) override {
    opened.push_back(portName);
    return inner_.Open(portName);
  }
  std::string DeviceBehind(const std::string& portName) override { return inner_.DeviceBehind(portName); }
  std::vector<std::string> opened;

 private:
  SerialPorts& inner_;
};

// One simulated machine with the tool on it, for the table rows that each need their own.
struct Machine {
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  CountingPorts ports{adapter};
  HeadlessUi ui;
  Platform platform{clock, ports, adapter, ui};
  Tool tool{platform};
};

// The tool on a simulated machine, started in a fresh current directory.
class MainWindowTest : public FreshDirectoryTest {
 protected:
  MainWindowTest() : FreshDirectoryTest("ravix-main-window-") {}

  void Store(const std::string& bytes) { WriteSetupFile(bytes); }
  std::string Stored() const { return ReadSetupFile(); }
  void Command(int id) {
    ui.events.push_back([id](Window& window, WindowHandler& handler) { handler.OnCommand(window, id); });
  }
  void Then(std::function<void(Window&)> check) {
    ui.events.push_back([check](Window& window, WindowHandler&) { check(window); });
  }
  // Runs the tool; the main window's result.
  int Run() {
    EXPECT_EQ(RunApplication(tool), 0);
    return Main().Result();
  }
  Window& Main() { return *ui.windows.at(0); }
  std::vector<int> CheckedPorts() {
    std::vector<int> checked;
    for (const auto& row : PortTable)
      if (Main().IsMenuItemChecked(row.command)) checked.push_back(row.command);
    return checked;
  }

  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  CountingPorts ports{adapter};
  HeadlessUi ui;
  Platform platform{clock, ports, adapter, ui};
  Tool tool{platform};
};

// The plain starts (new file on 9x, NT with and without the driver, a stored COM5 or
// 0278) are in tests/scenarios/shell/first_start_* and stored_*, their files in
// script_app_test; these rows are the ones no script can set up.
TEST_F(MainWindowTest, StartUpRestoresThePortByPlatformAndDriver) {
  struct Case {
    const char* what;
    uint32_t platformId;
    bool driver;
    std::optional<std::string> stored;
    bool direct, ready;
    std::string portName;
    std::vector<int> checked;
    bool serial;
    uint16_t lptBase;
  };
  const Case cases[] = {
      {"9x without driver", VER_PLATFORM_WIN32_WINDOWS, false, std::nullopt, true, false, "0378", {}, false, 0x378},
      {"other platform with driver", VER_PLATFORM_WIN32s, true, std::nullopt, false, true, "0378", {}, false, 0x378},
      {"stored 0278 with driver", VER_PLATFORM_WIN32_NT, true, "0278", false, true, "0278", {}, false, 0x278},
      {"stored 03BC on 9x", VER_PLATFORM_WIN32_WINDOWS, false, "03BC", true, false, "03BC", {}, false, 0x3BC},
      {"stored name of no port, driver", VER_PLATFORM_WIN32_NT, true, "COM9", false, true, "0378", {}, false, 0x378},
      {"stored name of no port, no driver", VER_PLATFORM_WIN32_NT, false, "CXYZ", false, false, "COM2", {1156}, true,
       0x378},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    m.adapter.platformId = c.platformId;
    m.adapter.driverPresent = c.driver;
    fs::remove(dir_ / "rvsetup.cfg");
    if (c.stored) Store(*c.stored);

    Link& link = m.tool.link;
    std::vector<int> checked;
    m.ui.events.push_back([&](Window& window, WindowHandler&) {
      for (const auto& row : PortTable)
        if (window.IsMenuItemChecked(row.command)) checked.push_back(row.command);
      EXPECT_EQ(Stored(), c.portName) << "written back at start";
    });
    EXPECT_EQ(RunApplication(m.tool), 0);

    EXPECT_EQ(link.DirectPortIo, c.direct);
    EXPECT_EQ(link.PortDriverReady, c.ready);
    EXPECT_EQ(link.PortDriverLibrary != nullptr, c.driver);
    EXPECT_EQ(link.PortName, c.portName);
    EXPECT_EQ(checked, c.checked);
    EXPECT_EQ(link.SerialPortSelected, c.serial);
    EXPECT_EQ(link.ComDeviceName, c.serial ? c.portName : "");
    EXPECT_EQ(link.LptBase, c.lptBase);
    EXPECT_TRUE(m.ports.opened.empty()) << "no port is opened at start";
    EXPECT_TRUE(m.ui.messages.empty());
    EXPECT_EQ(Stored(), c.portName);
  }
}

// An Os whose version query answers per structure size, for the fallback.
class VersionOs : public Os {
 public:
  std::map<uint32_t, std::optional<uint32_t>> answers;
  std::vector<uint32_t> asked;
  std::vector<std::string> loaded;
  bool driver = true;
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};

  std::optional<uint32_t> GetVersionPlatform(uint32_t structSize) override {
    asked.push_back(structSize);
    return answers[structSize];
  }
  std::unique_ptr<PortDriver> LoadLibrary(const std::string& name) override {
    loaded.push_back(name);
    return driver ? adapter.LoadLibrary(name) : nullptr;
  }
  void PortOut8(uint16_t, uint8_t) override {}
  uint16_t PortIn16(uint16_t) override { return 0; }
};

TEST(StartUpTest, VersionQueryFallsBackToTheBasicStructure) {
  struct Case {
    const char* what;
    std::optional<uint32_t> extended, basic;
    bool driver;
    std::vector<uint32_t> asked;
    bool direct, ready;
  };
  const Case cases[] = {
      {"extended answers 9x", VER_PLATFORM_WIN32_WINDOWS, std::nullopt, true, {156}, true, false},
      {"only basic answers 9x", std::nullopt, VER_PLATFORM_WIN32_WINDOWS, true, {156, 148}, true, false},
      {"only basic answers NT", std::nullopt, VER_PLATFORM_WIN32_NT, true, {156, 148}, false, true},
      {"both fail: as NT", std::nullopt, std::nullopt, true, {156, 148}, false, true},
      {"both fail, no driver", std::nullopt, std::nullopt, false, {156, 148}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VersionOs os;
    os.answers[156] = c.extended;
    os.answers[148] = c.basic;
    os.driver = c.driver;
    HeadlessUi ui;
    Platform platform{os.clock, os.adapter, os, ui};
    Status status{ui};
    Link link{platform, status};
    DecidePortAccess(os, link);
    EXPECT_EQ(os.asked, c.asked);
    EXPECT_EQ(os.loaded, std::vector<std::string>{"DLPORTIO.dll"}) << "loaded on every platform";
    EXPECT_EQ(link.DirectPortIo, c.direct);
    EXPECT_EQ(link.PortDriverReady, c.ready);
  }
}

TEST_F(MainWindowTest, InitialisesTheWindow) {
  bool seen = false;
  Then([&](Window& window) {
    seen = true;
    EXPECT_EQ(window.DialogId(), 1226);
    EXPECT_EQ(tool.status.MainWindow.lock().get(), &window);
    EXPECT_EQ(tool.status.StatusWindow.lock().get(), &window);
    EXPECT_FALSE(window.IsItemEnabled(1044));
    EXPECT_FALSE(window.IsItemEnabled(1150));
    EXPECT_FALSE(window.IsItemEnabled(1212));
    EXPECT_TRUE(window.IsItemEnabled(1149));
    EXPECT_TRUE(window.IsItemEnabled(1210));
    EXPECT_FALSE(window.IsMenuItemEnabled(1104));
    EXPECT_TRUE(window.IsMenuItemEnabled(1197));
    EXPECT_TRUE(window.IsMenuItemEnabled(1238));

    const std::vector<std::string> timing = {" 0\u00B0", " 7,5\u00B0", "15,0\u00B0", "22,5\u00B0", "30,0\u00B0", "auto"};
    const std::vector<std::string> brake = {"off", "hard", "medium", "soft"};
    for (auto [id, entries] : {std::pair{1140, timing}, std::pair{1146, brake}}) {
      ASSERT_EQ(window.ListCount(id), static_cast<int>(entries.size()));
      EXPECT_EQ(window.ListSelection(id), -1) << id;
      for (size_t i = 0; i < entries.size(); ++i) {
        window.ListSetSelection(id, static_cast<int>(i));
        EXPECT_EQ(window.GetItemText(id), entries[i]);
      }
    }
  });
  Run();
  EXPECT_TRUE(seen);
  EXPECT_EQ(std::string(" 0\u00B0"), " 0\xC2\xB0") << "the degree sign is UTF-8";
}

// Check marks, the adapter box and the status field are in tests/scenarios/shell/select_port;
// the port stored at End and the link's state are seen only here.
TEST_F(MainWindowTest, ChoosingAComPortStoresItAtEndFoundOrNot) {
  for (bool plugged : {true, false}) {
    SCOPED_TRACE(plugged);
    Machine m;
    m.adapter.plugged = plugged;
    Store("COM1");
    m.ui.events.push_back([](Window& w, WindowHandler& h) { h.OnCommand(w, 1157); });
    m.ui.events.push_back([&](Window&, WindowHandler&) {
      EXPECT_EQ(m.tool.link.PortName, "COM3");
      EXPECT_EQ(m.tool.link.ComDeviceName, "COM3");
      EXPECT_TRUE(m.tool.link.SerialPortSelected);
      EXPECT_EQ(m.ports.opened, std::vector<std::string>{"COM3"});
    });
    EXPECT_EQ(RunApplication(m.tool), 0);
    EXPECT_EQ(m.ui.messages.size(), plugged ? 0u : 1u);
    EXPECT_EQ(Stored(), "COM3");
    EXPECT_FALSE(m.tool.link.ComPortOpen);
    EXPECT_EQ(m.ui.windows.at(0)->Result(), 1);
  }
}

TEST_F(MainWindowTest, ParallelRowsHaveNoMenuItemAndLeaveTheSerialPortOpen) {
  Store("COM2");
  Command(1156);
  Command(1154);
  Then([&](Window& window) {
    EXPECT_EQ(tool.link.PortName, "03BC");
    EXPECT_EQ(tool.link.LptBase, 0x3BC);
    EXPECT_FALSE(tool.link.SerialPortSelected);
    EXPECT_TRUE(tool.link.ComPortOpen) << "choosing a parallel port leaves the serial one open";
    EXPECT_EQ(CheckedPorts(), std::vector<int>{}) << "the COM2 check mark is gone";
    EXPECT_FALSE(window.IsMenuItemChecked(1154));
  });
  Command(1152);
  Then([&](Window&) { EXPECT_EQ(tool.link.LptBase, 0x278); });
  Run();
  EXPECT_EQ(ports.opened, std::vector<std::string>{"COM2"});
  EXPECT_EQ(Stored(), "0278");
}

TEST_F(MainWindowTest, CommandOneEndsWithoutSaving) {
  Store("COM1");
  Command(1158);
  Command(1);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Stored(), "COM1");
  EXPECT_TRUE(tool.link.ComPortOpen) << "command 1 leaves the port open";
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(MainWindowTest, EndClosesTheWindowEvenWithoutASetupFile) {
  fs::create_directory(dir_ / "rvsetup.cfg");
  adapter.driverPresent = false;
  Then([&](Window& window) { EXPECT_TRUE(window.IsMenuItemChecked(1156)); });
  Command(2);
  Command(1151);  // never runs: the window has ended
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(tool.link.PortName, "COM2");
  EXPECT_EQ(ui.events.size(), 1u);
  // The port of this run could not be stored: the user is told, and the tool closes.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Error!");
  EXPECT_EQ(ui.messages[0].text, "open error 'rvsetup.cfg'");
}

// About and the service page are in tests/scenarios/shell/about_and_help, where "Help
// File" stays greyed: its command is reached only here.
TEST_F(MainWindowTest, HelpFileIsLookedForInTheCurrentDirectory) {
  Command(1104);
  Then([&](Window&) { std::ofstream("pc-setup-english.pdf") << "%PDF"; });
  Command(1104);
  Then([&](Window&) {
    fs::create_directory(dir_ / "other");
    fs::current_path(dir_ / "other");
  });
  Command(1104);
  Run();

  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& message : ui.messages) {
    EXPECT_EQ(message.caption, "Error");
    EXPECT_EQ(message.text, "pc-setup-english.pdf not found!");
    EXPECT_EQ(message.owner, nullptr);
  }
  EXPECT_EQ(ui.opened, std::vector<std::string>{"pc-setup-english.pdf"});
}

TEST_F(MainWindowTest, UnknownCommandsAreNotHandled) {
  std::vector<std::pair<int, bool>> handled;
  for (int id : {0, 3, 1044, 1145, 9999, 1151, 1155})
    ui.events.push_back([id, &handled](Window& w, WindowHandler& h) { handled.push_back({id, h.OnCommand(w, id)}); });
  Run();
  const std::vector<std::pair<int, bool>> expected = {{0, false},    {3, false},   {1044, false}, {1145, false},
                                                      {9999, false}, {1151, true}, {1155, true}};
  EXPECT_EQ(handled, expected);
}

// The window table's contents; where the controls lie is checked on the built window
// by tests/gui/window_table_test.
TEST(MainWindowResourceTest, ControlsAndMenu) {
  const DialogResource& d = MainWindowResource();
  EXPECT_EQ(FindDialogResource(1226), &d);
  EXPECT_EQ(FindDialogResource(157), nullptr);
  EXPECT_EQ(d.title, "Ravix - Micro  Setup ");
  EXPECT_EQ(d.width, 447);
  EXPECT_EQ(d.height, 226);
  EXPECT_EQ(d.menuId, 157);

  using K = ControlKind;
  struct Expected {
    int id;
    K kind;
    const char* text;
    const char* group;
    bool enabled;
  };
  const Expected expected[] = {
      {1145, K::ReadOnlyEdit, "", "Actual Software", true},
      {1135, K::Edit, "", "RC Signal", true},
      {1166, K::Edit, "", "RC Signal", true},
      {1134, K::Edit, "", "RC Signal", true},
      {1138, K::RadioButton, "7,8 kHz", "Controller Frequency", true},
      {1139, K::RadioButton, "15,6 kHz", "Controller Frequency", true},
      {1142, K::Edit, "", "Motor Control", true},
      {1164, K::Edit, "", "Motor Control", true},
      {1146, K::ComboBox, "", "Motor Control", true},
      {1140, K::ComboBox, "", "Motor Control", true},
      {1168, K::RadioButton, "ignore", "Low Voltage Protection", true},
      {1171, K::RadioButton, "reduce power", "Low Voltage Protection", true},
      {1170, K::RadioButton, "switch off", "Low Voltage Protection", true},
      {1193, K::CheckBox, "0,8V/cell", "Low Voltage Protection", true},
      {1194, K::Edit, "", "Low Voltage Protection", true},
      {1180, K::AutoRadioButton, "small (high security)", "Signal Tolerance (rx)", true},
      {1181, K::AutoRadioButton, "medium", "Signal Tolerance (rx)", true},
      {1182, K::AutoRadioButton, "high (for helicopters)", "Signal Tolerance (rx)", true},
      {1175, K::CheckBox, "active RPM control", "RPM Control", true},
      {1212, K::ReadOnlyEdit, "", "RPM Control", false},
      {1210, K::PushButton, "Setting Up", "RPM Control", true},
      {1191, K::CheckBox, "overtemp. protection", "Other Features", true},
      {1190, K::CheckBox, "blocked motor protect.", "Other Features", true},
      {1188, K::CheckBox, "RPM-limit", "Other Features", true},
      {1137, K::CheckBox, "active free wheeling", "Other Features", true},
      {1169, K::CheckBox, "forward / reverse", "Other Features", true},
      {1177, K::Edit, "", "Log File", true},
      {1178, K::Edit, "", "Log File", true},
      {1179, K::Edit, "", "Log File", true},
      {1192, K::Edit, "", "Log File", true},
      {1183, K::PushButton, "Reset", "Log File", true},
      {1149, K::PushButton, "Read", "Memory", true},
      {1150, K::PushButton, "Write", "Memory", false},
      {1044, K::ReadOnlyEdit, "", "", false},
      {2, K::DefPushButton, "End", "", true},
  };
  size_t withId = 0;
  for (const auto& c : d.controls) withId += c.id != IDC_STATIC;
  EXPECT_EQ(withId, std::size(expected));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    const ControlResource* c = d.FindControl(e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, e.kind);
    EXPECT_EQ(c->text, e.text);
    EXPECT_EQ(c->group, e.group);
    EXPECT_EQ(c->enabled, e.enabled);
  }

  // The labels beside the edits.
  std::vector<std::string> labels;
  for (const auto& c : d.controls)
    if (c.kind == K::Label) labels.push_back(c.text);
  for (const char* label : {"Version/Typ", "full speed", "neutral", "stop/ret.", "ms", "control speed (1 - 50)",
                            "startup-power (1 - 50)", "EMF brake", "commutation", "timing", "Volt", "max. frequency",
                            "Hz", "transmitter failure", "overtemperature", "undervoltage", "blocked motor"})
    EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << label;

  // Menu 157: "Port" second on the bar, "Rev Counter" a command on the bar itself.
  std::vector<std::string> bar;
  for (const auto& m : d.menu) bar.push_back(m.text);
  EXPECT_EQ(bar, (std::vector<std::string>{"File", "Port", "Model Memory", "Options", "Rev Counter", "Help"}));
  ASSERT_EQ(d.menu[1].items.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(d.menu[1].items[i].text, "COM" + std::to_string(i + 1));
    EXPECT_EQ(d.menu[1].items[i].command, 1155 + i);
  }
  EXPECT_EQ(d.menu[4].command, 1238);
  EXPECT_TRUE(d.menu[4].items.empty());
  struct Item {
    int command;
    const char* text;
    bool grayed;
  };
  for (const Item& item : {Item{1147, "Open Update File", false}, Item{1198, "Read Memory1", false},
                           Item{1199, "Read Memory2", false}, Item{1200, "Write Memory1", false},
                           Item{1201, "Write Memory2", false}, Item{1202, "Lock Funktions", false},
                           Item{1208, "Calibrate RC-Oscillator", false}, Item{1225, "Controller Info", false},
                           Item{1104, "Help File", true}, Item{1197, "Internet Servicepage", false},
                           Item{1151, "About...", false}}) {
    const MenuResource* m = d.FindMenuItem(item.command);
    ASSERT_NE(m, nullptr) << item.command;
    EXPECT_EQ(m->text, item.text);
    EXPECT_EQ(m->grayed, item.grayed);
    EXPECT_FALSE(m->checked);
  }
}

}  // namespace
}  // namespace ravix
