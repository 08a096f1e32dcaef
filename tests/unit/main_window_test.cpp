#include "app/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "app/startup.h"
#include "protocol/expected_durations.h"
#include "settings/settings_commands.h"
#include "platform/headless/headless_ui.h"
#include "script/script_run.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The serial ports of the simulated adapter, with every open counted.
class CountingPorts : public SerialPorts {
 public:
  explicit CountingPorts(SerialPorts& inner) : inner_(inner) {}
  std::unique_ptr<SerialDevice> Open(const std::string& portName) override {
    opened.push_back(portName);
    return inner_.Open(portName);
  }
  std::string DeviceBehind(const std::string& portName) override { return inner_.DeviceBehind(portName); }
  FtdiChips* Ftdi() override { return inner_.Ftdi(); }
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

  enum class Host { Nt, NtWithoutDriver };
  // Runs the whole tool under a script on a machine of its own; the exit status.
  int RunScript(const std::string& text, Host host = Host::Nt) {
    sim::SimClock clock(true);
    sim::SimAdapter adapter(clock);
    adapter.driverPresent = host != Host::NtWithoutDriver;
    HeadlessUi backend;
    std::istringstream script(text);
    transcript.str("");
    return RunScriptedTool(clock, adapter, adapter, backend, &adapter, script, transcript);
  }
  std::ostringstream transcript;

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
    if (c.stored) WriteSetupFile(*c.stored);

    Link& link = m.tool.link;
    std::vector<int> checked;
    m.ui.events.push_back([&](Window& window, WindowHandler&) {
      for (const auto& row : PortTable)
        if (window.IsMenuItemChecked(row.command)) checked.push_back(row.command);
      EXPECT_EQ(ReadSetupFile(), c.portName) << "written back at start";
    });
    EXPECT_EQ(RunApplication(m.tool), 0);

    EXPECT_EQ(link.Parallel().DirectPortIo, c.direct);
    EXPECT_EQ(link.Parallel().PortDriverReady, c.ready);
    EXPECT_EQ(link.Parallel().PortDriverLibrary != nullptr, c.driver);
    EXPECT_EQ(link.PortName, c.portName);
    EXPECT_EQ(checked, c.checked);
    EXPECT_EQ(link.SerialPortSelected(), c.serial);
    EXPECT_EQ(link.Serial().ComDeviceName, c.serial ? c.portName : "");
    EXPECT_EQ(link.Parallel().LptBase, c.lptBase);
    EXPECT_TRUE(m.ports.opened.empty()) << "no port is opened at start";
    EXPECT_TRUE(m.ui.messages.empty());
    EXPECT_EQ(ReadSetupFile(), c.portName);
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
    EXPECT_EQ(link.Parallel().DirectPortIo, c.direct);
    EXPECT_EQ(link.Parallel().PortDriverReady, c.ready);
  }
}

// Where the port is stored at End and the file contents are in script_app_test and the
// check marks in tests/scenarios/shell/select_port; the serial port's opening and closing
// is seen only here. A parallel row leaves the serial port open; End closes it, command 1
// does not.
// The serial ports of the simulated adapter with a list of the ports "present", as a
// machine with USB adapters on COM12 and COM13 has them.
class ListedPorts : public CountingPorts {
 public:
  ListedPorts(SerialPorts& inner, std::vector<SerialPortInfo> present) : CountingPorts(inner), present_(std::move(present)) {}
  std::vector<SerialPortInfo> ListPorts() override { return present_; }

 private:
  std::vector<SerialPortInfo> present_;
};

// The Port menu's items, in order, as "TEXT=COMMAND" ("-" for the line between groups).
std::vector<std::string> PortItems(const Window& window) {
  std::vector<std::string> items;
  for (const MenuResource& popup : window.Resource().menu)
    if (popup.text == "Port")
      for (const MenuResource& item : popup.items)
        items.push_back(item.IsSeparator() ? "-" : item.text + "=" + std::to_string(item.command));
  return items;
}

// Ports above COM8 are listed below a line under COM1 to COM8, chosen as any port is,
// kept in the setup file's long form by End, and restored at the next start; one that
// is gone by then stays chosen with no item checked.
TEST_F(MainWindowTest, PortsAboveCom8AreOfferedChosenAndKept) {
  WriteSetupFile("COM1");
  const std::vector<SerialPortInfo> present = {
      {"COM1", "/dev/ttyS0"}, {"COM3", ""}, {"COM8", ""}, {"COM12", "USB Serial Port"}, {"COM13", ""}};
  {
    Machine m;
    ListedPorts ports(m.adapter, present);
    Platform platform{m.clock, ports, m.adapter, m.ui};
    Tool tool(platform);
    m.ui.events.push_back([&](Window& window, WindowHandler& handler) {
      const std::vector<std::string> items = PortItems(window);
      ASSERT_EQ(items.size(), 11u);
      EXPECT_EQ(std::vector<std::string>(items.begin() + 7, items.end()),
                (std::vector<std::string>{"COM8=1162", "-", "COM12  USB Serial Port=2201", "COM13  (none)=2202"}));
      handler.OnCommand(window, menu::kFirstMorePort);
      EXPECT_TRUE(window.IsMenuItemChecked(menu::kFirstMorePort));
      EXPECT_FALSE(window.IsMenuItemChecked(menu::kFirstPort));
      EXPECT_EQ(ports.opened, std::vector<std::string>{"COM12"});
      handler.OnCommand(window, panel::kEnd);
    });
    EXPECT_EQ(RunApplication(tool), 0);
    EXPECT_EQ(tool.link.PortName, "COM12");
    EXPECT_TRUE(m.ui.messages.empty());
  }
  EXPECT_EQ(ReadSetupFile().substr(0, 10), "*EXTCOM12\0"s.substr(0, 10));
  for (const bool stillThere : {true, false}) {
    SCOPED_TRACE(stillThere ? "COM12 present" : "COM12 unplugged");
    Machine m;
    ListedPorts ports(m.adapter, stillThere ? present : std::vector<SerialPortInfo>{{"COM1", ""}});
    Platform platform{m.clock, ports, m.adapter, m.ui};
    Tool tool(platform);
    std::vector<int> checked;
    m.ui.events.push_back([&](Window& window, WindowHandler& handler) {
      for (int command = menu::kLpt0278; command <= menu::kFirstPort + 7; ++command)
        if (window.IsMenuItemChecked(command)) checked.push_back(command);
      for (int command = menu::kFirstMorePort; command < menu::kFirstMorePort + 2; ++command)
        if (window.IsMenuItemChecked(command)) checked.push_back(command);
      handler.OnCommand(window, button::kOk);
    });
    EXPECT_EQ(RunApplication(tool), 0);
    EXPECT_EQ(checked, stillThere ? std::vector<int>{menu::kFirstMorePort} : std::vector<int>{});
    EXPECT_EQ(tool.link.PortName, "COM12");
    EXPECT_TRUE(tool.link.SerialPortSelected());
    EXPECT_EQ(tool.link.Serial().ComDeviceName, "COM12");
    EXPECT_TRUE(ports.opened.empty()) << "no port is opened at start";
  }
}

// The FTDI cables' rows: the product string and serial number, "(fast)"; a cable with
// no product string is an "FTDI cable"; a serial number the setup file could not keep
// gets no row (it would be lost at End); the rows stop at the ids set aside for them.
TEST(FtdiPortRows, NameEachCableThatTheSetupFileCanKeep) {
  std::vector<FtdiChipInfo> chips = {{"A50285BI", "FT232R USB UART", "/dev/ttyUSB0"},
                                     {"FT4X", "", ""},
                                     {"0123456789ABCDEFGHIJK", "too long", ""},
                                     {"0123456789ABCDEFGHIJ", "FT231X", ""}};
  const std::vector<MorePort> rows = FtdiPortsOf(chips);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "ftdi:A50285BI");
  EXPECT_EQ(rows[0].label, "FT232R USB UART A50285BI (fast)");
  EXPECT_EQ(rows[1].label, "FTDI cable FT4X (fast)");
  EXPECT_EQ(rows[2].name, "ftdi:0123456789ABCDEFGHIJ") << "25 bytes fit";
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].command, menu::kFirstFtdiPort + static_cast<int>(i));
  chips.assign(menu::kFtdiPortCount + 3, FtdiChipInfo{"S", "FT232R", ""});
  for (size_t i = 0; i < chips.size(); ++i) chips[i].serial += std::to_string(i);
  EXPECT_EQ(FtdiPortsOf(chips).size(), static_cast<size_t>(menu::kFtdiPortCount));
  EXPECT_TRUE(FtdiPortsOf({}).empty());
}

// On a machine with an FTDI cable (the simulated FT232R), its row stands below COM1 to
// COM8 and a line; choosing it drives the chip in bit-bang mode, End keeps it in the
// setup file's long form, and the next start restores it, checked while the cable is
// plugged in and chosen all the same while it is not.
TEST_F(MainWindowTest, FtdiCablesAreOfferedChosenAndKept) {
  WriteSetupFile("COM1");
  {
    Machine m;
    m.adapter.SetModel(*sim::FindAdapterModel("ft232r"));
    m.ui.events.push_back([&](Window& window, WindowHandler& handler) {
      const std::vector<std::string> items = PortItems(window);
      ASSERT_EQ(items.size(), 10u);
      EXPECT_EQ(std::vector<std::string>(items.begin() + 7, items.end()),
                (std::vector<std::string>{"COM8=1162", "-", "FT232R USB UART SIM (fast)=2301"}));
      handler.OnCommand(window, menu::kFirstFtdiPort);
      EXPECT_TRUE(window.IsMenuItemChecked(menu::kFirstFtdiPort));
      EXPECT_FALSE(window.IsMenuItemChecked(menu::kFirstPort));
      EXPECT_EQ(m.tool.link.Kind().id, AdapterKindId::Ftdi);
      EXPECT_TRUE(m.adapter.ftdi.open) << "the chip is opened and its loop-back tested on the choice";
      EXPECT_TRUE(m.tool.link.Ftdi().AdapterVerified);
      EXPECT_TRUE(m.ports.opened.empty()) << "no serial device is opened for it";
      handler.OnCommand(window, menu::kFirstPort);
      EXPECT_FALSE(window.IsMenuItemChecked(menu::kFirstFtdiPort));
      EXPECT_EQ(m.tool.link.PortName, "COM1");
      handler.OnCommand(window, menu::kFirstFtdiPort);
      handler.OnCommand(window, panel::kEnd);
    });
    EXPECT_EQ(RunApplication(m.tool), 0);
    EXPECT_EQ(m.tool.link.PortName, "ftdi:SIM");
    EXPECT_TRUE(m.ui.messages.empty());
    EXPECT_FALSE(m.adapter.ftdi.open) << "End lets the chip go";
    EXPECT_TRUE(m.adapter.ftdi.faults.empty()) << m.adapter.ftdi.faults.front();
  }
  EXPECT_EQ(ReadSetupFile().substr(0, 13), "*EXTftdi:SIM\0"s);
  for (const bool plugged : {true, false}) {
    SCOPED_TRACE(plugged ? "cable plugged in" : "cable unplugged");
    Machine m;
    m.adapter.SetModel(*sim::FindAdapterModel("ft232r"));
    m.adapter.ftdi.present = plugged;
    std::vector<int> checked;
    size_t items = 0;
    m.ui.events.push_back([&](Window& window, WindowHandler& handler) {
      items = PortItems(window).size();
      for (int command = menu::kLpt0278; command <= menu::kFirstPort + 7; ++command)
        if (window.IsMenuItemChecked(command)) checked.push_back(command);
      if (window.IsMenuItemChecked(menu::kFirstFtdiPort)) checked.push_back(menu::kFirstFtdiPort);
      handler.OnCommand(window, button::kOk);
    });
    EXPECT_EQ(RunApplication(m.tool), 0);
    EXPECT_EQ(items, plugged ? 10u : 8u);
    EXPECT_EQ(checked, plugged ? std::vector<int>{menu::kFirstFtdiPort} : std::vector<int>{});
    EXPECT_EQ(m.tool.link.PortName, "ftdi:SIM");
    EXPECT_EQ(m.tool.link.Kind().id, AdapterKindId::Ftdi);
    EXPECT_FALSE(m.adapter.ftdi.open) << "nothing is opened at start";
  }
}

// What ravix-cli port-check announces for a Read and a Write of the active set is what
// the window's Read and Write take, on a built-in port and on the cables: the steps
// counted in kReadActiveSteps and kWriteActiveSteps are the commands' steps.
TEST_F(MainWindowTest, TheExpectedReadAndWriteAreThoseOfTheButtons) {
  for (const char* model : {"uart", "ftdi", "pl2303", "cp210x-windows"}) {
    SCOPED_TRACE(model);
    WriteSetupFile("COM1");
    Machine m;
    m.adapter.SetModel(*sim::FindAdapterModel(model));
    double readUs = 0, writeUs = 0, expectedReadUs = 0, expectedWriteUs = 0;
    m.ui.events.push_back([&](Window& window, WindowHandler& handler) {
      handler.OnCommand(window, menu::kFirstPort);
      handler.OnCommand(window, panel::kRead);  // the controller's firmware now runs
      uint64_t t0 = m.clock.NowUs();
      handler.OnCommand(window, panel::kRead);
      readUs = static_cast<double>(m.clock.NowUs() - t0);
      expectedReadUs = ExpectedDurations(m.tool.link).StepsUs(kReadActiveSteps);
      window.SetItemText(panel::kStartupPower, "7");
      t0 = m.clock.NowUs();
      handler.OnCommand(window, panel::kWrite);
      writeUs = static_cast<double>(m.clock.NowUs() - t0);
      expectedWriteUs = ExpectedDurations(m.tool.link).StepsUs(kWriteActiveSteps);
      handler.OnCommand(window, button::kOk);
    });
    EXPECT_EQ(RunApplication(m.tool), 0);
    ASSERT_EQ(m.adapter.controller.settings[19], 7);
    EXPECT_NEAR(expectedReadUs, readUs, 0.03 * readUs);
    EXPECT_NEAR(expectedWriteUs, writeUs, 0.03 * writeUs);
  }
}

TEST_F(MainWindowTest, TheSerialPortIsOpenedOnItsChoiceAndClosedAtEnd) {
  WriteSetupFile("COM2");
  Command(menu::kFirstPort + 2);
  Command(menu::kLpt03BC);
  Then([&](Window&) {
    EXPECT_EQ(tool.link.Parallel().LptBase, 0x3BC);
    EXPECT_FALSE(tool.link.SerialPortSelected());
    EXPECT_TRUE(tool.link.Serial().ComPortOpen);
  });
  Command(menu::kFirstPort);
  Command(panel::kEnd);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ports.opened, (std::vector<std::string>{"COM3", "COM1"}));
  EXPECT_FALSE(tool.link.Serial().ComPortOpen);

  Machine m;
  m.ui.events.push_back([](Window& w, WindowHandler& h) { h.OnCommand(w, menu::kFirstPort + 3); });
  m.ui.events.push_back([](Window& w, WindowHandler& h) { h.OnCommand(w, button::kOk); });
  EXPECT_EQ(RunApplication(m.tool), 0);
  EXPECT_EQ(m.ui.windows.at(0)->Result(), 1);
  EXPECT_TRUE(m.tool.link.Serial().ComPortOpen) << "command 1 leaves the port open";
}

// What the setup file holds after a scripted run: the port is stored at start and at
// End, never by command 1, the script's end or a failed script.
TEST_F(MainWindowTest, StoresThePortAtStartAndAtEndOnly) {
  struct Case {
    const char* name;
    Host host;
    const char* stored;  // null: no setup file yet
    const char* script;
    int exit;
    const char* file;
  };
  const Case cases[] = {
      {"first start with the driver", Host::Nt, nullptr, "press 2\n", 0, "0378"},
      {"first start without the driver", Host::NtWithoutDriver, nullptr, "press 2\n", 0, "COM2"},
      {"a parallel port without the driver falls back", Host::NtWithoutDriver, "0278", "", 0, "COM2"},
      {"a parallel port with the driver stays", Host::Nt, "0278", "", 0, "0278"},
      {"End stores a port without adapter", Host::Nt, "COM5", "sim adapter off\npress 1157\npress 2\n", 0, "COM3"},
      {"End stores a parallel row", Host::Nt, "COM5", "press 1154\npress 2\n", 0, "03BC"},
      {"command 1 stores nothing", Host::Nt, "COM5", "press 1157\npress 1\n", 0, "COM5"},
      {"the script's end stores nothing", Host::Nt, "COM5", "press 1157\n", 0, "COM5"},
      {"a failed script stores nothing", Host::Nt, "COM5", "press 1157\nbogus\npress 2\n", 2, "COM5"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("rvsetup.cfg");
    if (c.stored) WriteSetupFile(c.stored);
    EXPECT_EQ(RunScript(c.script, c.host), c.exit) << c.name << "\n" << transcript.str();
    EXPECT_EQ(ReadSetupFile(), c.file) << c.name;
  }
}

TEST_F(MainWindowTest, EndRewritesOnlyThePortName) {
  // A file with an update path and the motor values behind the port name.
  std::string stored = "COM1" + std::string(26, '\0') + "\r\n/home/u/x.upd" + std::string(1, '\0') +
                       std::string(20, ' ');
  stored.resize(256, '\0');
  stored += "14" + std::string(2, '\0') + "3.25";
  WriteSetupFile(stored);
  EXPECT_EQ(RunScript("press 1158\npress 2\n"), 0);
  EXPECT_EQ(ReadSetupFile(), "COM4" + stored.substr(4));
}

// About and the service page are in tests/scenarios/shell/about_and_help, where "Help
// File" stays greyed: its command is reached only here.
TEST_F(MainWindowTest, HelpFileIsLookedForInTheCurrentDirectory) {
  Command(menu::kHelpFile);
  Then([&](Window&) { WriteWhole("pc-setup-english.pdf", "%PDF"); });
  Command(menu::kHelpFile);
  Then([&](Window&) {
    fs::create_directory(dir_ / "other");
    fs::current_path(dir_ / "other");
  });
  Command(menu::kHelpFile);
  Run();

  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& message : ui.messages) {
    EXPECT_EQ(message.caption, "Error");
    EXPECT_EQ(message.text, "pc-setup-english.pdf not found!");
    EXPECT_EQ(message.owner, nullptr);
  }
  EXPECT_EQ(ui.opened, std::vector<std::string>{"pc-setup-english.pdf"});
}

// The table against the names the logic uses: each named control once and nothing
// else with an ID. What the controls say, where they lie and the menu are proven by the
// scenario transcripts and tests/gui on the built window.
TEST(MainWindowResourceTest, HoldsEveryNamedControlOnce) {
  const DialogResource& d = MainWindowResource();
  EXPECT_EQ(FindDialogResource(IDD_MAIN), &d);
  EXPECT_EQ(FindDialogResource(IDR_MAIN_MENU), nullptr);
  EXPECT_EQ(d.menuId, IDR_MAIN_MENU);

  using namespace panel;
  const int named[] = {kVersion, kFullSpeed, kNeutral, kStop, kPwm7k8, kPwm15k6, kRead, kWrite, kControlSpeed,
                       kStartupPower, kBrake, kTiming, kIgnore, kReducePower, kSwitchOff, kPerCell, kVolts,
                       kToleranceSmall, kToleranceMedium, kToleranceHigh, kRpmControl, kMaxFrequency, kSettingUp,
                       kOvertempProtect, kBlockedMotorProtect, kRpmLimit, kFreeWheeling, kForwardReverse,
                       kTransmitterFailures, kOvertempEvents, kUndervoltageEvents, kBlockedMotorEvents, kResetLog,
                       IDC_STATUS, kEnd};
  std::map<int, int> seen;
  for (const auto& c : d.controls)
    if (c.id != IDC_STATIC) ++seen[c.id];
  EXPECT_EQ(seen.size(), std::size(named));
  for (int id : named) EXPECT_EQ(seen[id], 1) << id;
}

}  // namespace
}  // namespace ravix
