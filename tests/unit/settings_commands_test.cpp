#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/resources.h"
#include "settings/settings_commands.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

using namespace panel;

// The simulated machine with the real main window and the settings commands on it.
struct PanelBench : SimBench {
  SettingsState settings;
  SettingsCommands commands{settings, link, protocol, status};
  sim::SimController& controller = adapter.controller;

  PanelBench() {
    window = ui.CreateWindow(MainWindowResource(), nullptr);
    status.StatusWindow = window;
    status.MainWindow = window;
    for (const char* entry : kTimingEntries) window->ListAddString(kTiming, entry);
    for (const char* entry : kBrakeEntries) window->ListAddString(kBrake, entry);
  }

  Window& main() { return *window; }
  std::string Text(int id) { return window->GetItemText(id); }
  bool Enabled(int id) { return window->IsItemEnabled(id); }
  bool Checked(int id) { return window->IsItemChecked(id); }

  // The messages shown since the last call, as "caption|text".
  std::vector<std::string> Messages() {
    std::vector<std::string> shown;
    for (const auto& m : ui.messages) shown.push_back(m.caption + "|" + m.text);
    ui.messages.clear();
    return shown;
  }
  // The addresses written since the last call.
  std::vector<int> Writes() {
    std::vector<int> addresses;
    for (const auto& entry : controller.TakeLog()) {
      int address = 0, value = 0;
      if (std::sscanf(entry.c_str(), "write %d %d", &address, &value) == 2) addresses.push_back(address);
    }
    return addresses;
  }
  void ReadActive() {
    commands.Read(main(), SettingSlot::Active);
    ASSERT_EQ(Messages(), std::vector<std::string>{});
    controller.TakeLog();
  }
};

TEST(SettingsReadTest, ActiveSetOfTheDefaultControllerFillsThePanel) {
  PanelBench b;
  b.commands.Read(b.main(), SettingSlot::Active);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{});
  EXPECT_EQ(b.settings.ControllerVersion, 0x1011);
  EXPECT_EQ(b.Text(kVersion), "V 10.11-1F");
  EXPECT_EQ(b.Text(kFullSpeed), "1.90");
  EXPECT_EQ(b.Text(kNeutral), "1.50");
  EXPECT_EQ(b.Text(kStop), "1.10");
  EXPECT_EQ(b.main().ListSelection(kTiming), 2);
  EXPECT_EQ(b.main().ListSelection(kBrake), 2);
  EXPECT_TRUE(b.Checked(kPwm7k8));
  EXPECT_FALSE(b.Checked(kPwm15k6));
  EXPECT_TRUE(b.Checked(kSwitchOff));
  EXPECT_EQ(b.Text(kVolts), "6.0");
  EXPECT_TRUE(b.Enabled(kVolts));
  EXPECT_EQ(b.Text(kControlSpeed), " 20");
  EXPECT_EQ(b.Text(kStartupPower), " 10");
  EXPECT_TRUE(b.Checked(kToleranceMedium));
  EXPECT_EQ(b.Text(kTransmitterFailures), " 3");
  EXPECT_EQ(b.Text(kBlockedMotorEvents), " 2");
  EXPECT_EQ(b.Text(IDC_STATUS), "OK");
  EXPECT_FALSE(b.Enabled(IDC_STATUS));
  EXPECT_TRUE(b.Enabled(kWrite));
  EXPECT_EQ(b.ui.beeps, 1);
}

TEST(SettingsReadTest, RefusalsInStepOrder) {
  struct Row {
    const char* name;
    std::function<void(PanelBench&)> setup;
    std::vector<std::string> messages;
    int versionAfter;  // -1: unchanged
  };
  const int unchanged = -1;
  const std::vector<Row> rows = {
      {"no serial port", [](PanelBench& b) { b.link.SerialPortSelected = false; }, {"ERROR!|  PORT ?"}, unchanged},
      {"no adapter", [](PanelBench& b) { b.adapter.plugged = false; }, {"Error|No Adaptor found at COM1\n"}, unchanged},
      {"no controller", [](PanelBench& b) { b.controller.present = false; }, {"ERROR!|no connection!"}, unchanged},
      {"other device", [](PanelBench& b) { b.controller.otherKind = true; }, {"ERROR!|device not supported!"},
       unchanged},
      {"not set up", [](PanelBench& b) { b.controller.settings[12] = 0; }, {"Error|Available after setup with RC!"},
       unchanged},
      {"version 65535",
       [](PanelBench& b) { b.controller.settings[32] = 0xFF, b.controller.settings[33] = 0xFF; },
       {"Error|Available after setup with RC!"}, 65535},
      {"type 2", [](PanelBench& b) { b.controller.settings[32] = 0x20; },
       {"Error|PC-Program not suitable,\nPlease download the compatible software !"}, 65535},
      {"level 33", [](PanelBench& b) { b.controller.settings[35] = 33; },
       {"Error|Please download the latest version of this software!"}, 65535},
  };
  for (const Row& row : rows) {
    PanelBench b;
    b.settings.ControllerVersion = 0x1003;  // an earlier read
    row.setup(b);
    b.commands.Read(b.main(), SettingSlot::Active);
    EXPECT_EQ(b.Messages(), row.messages) << row.name;
    EXPECT_EQ(b.settings.ControllerVersion, row.versionAfter == unchanged ? 0x1003 : row.versionAfter) << row.name;
    EXPECT_EQ(b.Text(IDC_STATUS).find_first_not_of(' '), std::string::npos) << row.name;
    EXPECT_FALSE(b.Enabled(IDC_STATUS)) << row.name;
    EXPECT_FALSE(b.Enabled(kWrite)) << row.name;
  }
}

// The restart before the identification meets something other than the controller
// that passed the link check: changed on the second reset release of the command.
TEST(SettingsReadTest, RestartBeforeTheIdentificationMeetsAnotherDeviceOrNoAdapter) {
  struct Row {
    const char* name;
    std::function<void(PanelBench&)> change;
    std::vector<std::string> messages;
  };
  const std::vector<Row> rows = {
      {"another device", [](PanelBench& b) { b.controller.otherKind = true; },
       {"ERROR!|angeschlossenes Gerät ist kein Ravix-Micro!"}},
      {"adapter pulled", [](PanelBench& b) { b.controller.present = false, b.adapter.plugged = false; },
       {"Error|No Adaptor found at COM1\n"}},
      {"controller silent", [](PanelBench& b) { b.controller.present = false; }, {"Error|no connection!"}},
  };
  for (const Row& row : rows) {
    PanelBench b;
    b.settings.ControllerVersion = 0x1003;
    int releases = 0;
    b.adapter.onWire = [&](const std::string& line) {
      if (line == "wire break 1" && ++releases == 2) row.change(b);
    };
    b.commands.Read(b.main(), SettingSlot::Active);
    // A wrong answer is met with a detection and one more restart, unless the
    // detection itself fails.
    EXPECT_EQ(releases, row.name == std::string("adapter pulled") ? 2 : 3) << row.name;
    EXPECT_EQ(b.Messages(), row.messages) << row.name;
    EXPECT_EQ(b.settings.ControllerVersion, 0x1003) << row.name;
    EXPECT_FALSE(b.Enabled(IDC_STATUS)) << row.name;
    for (const auto& entry : b.controller.TakeLog()) EXPECT_EQ(entry.rfind("read", 0), std::string::npos) << row.name;
  }
}

TEST(SettingsReadTest, MemoriesNeedValuesReadAReleaseOfThreeAndAFilledMemory) {
  {
    PanelBench b;
    b.commands.Read(b.main(), SettingSlot::Memory1);
    EXPECT_EQ(b.Messages(), std::vector<std::string>{"Error!|Read values first!"});
  }
  for (SettingSlot slot : {SettingSlot::Memory1, SettingSlot::Memory2}) {
    PanelBench b;
    b.controller.settings[33] = 0x02;
    b.ReadActive();
    b.commands.Read(b.main(), slot);
    EXPECT_EQ(b.Messages(), std::vector<std::string>{slot == SettingSlot::Memory1
                                                         ? "Error|Funktion bei dieser Controllerversion nicht verfügbar!"
                                                         : "Error|Function not available with \nthis version of controller!"});
    EXPECT_TRUE(b.settings.ValuesRead());
    EXPECT_EQ(b.Text(kFullSpeed), " ");  // prepared for the memory before the refusal
  }
  PanelBench b;
  b.ReadActive();
  b.commands.Read(b.main(), SettingSlot::Memory2);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{"Error|Memory2 empty"});
  b.commands.Read(b.main(), SettingSlot::Memory1);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{});
  EXPECT_TRUE(b.Checked(kPwm15k6));
  EXPECT_EQ(b.main().ListSelection(kTiming), 3);
  EXPECT_EQ(b.main().ListSelection(kBrake), 1);
  EXPECT_TRUE(b.Checked(kReducePower));
  EXPECT_EQ(b.Text(kVolts), "8.4");
  EXPECT_EQ(b.Text(kStartupPower), " 15");
  EXPECT_FALSE(b.Enabled(kWrite));
  EXPECT_FALSE(b.Enabled(kControlSpeed));
  EXPECT_FALSE(b.Enabled(kToleranceMedium));
  EXPECT_FALSE(b.Checked(kToleranceMedium));
}

TEST(SettingsWriteTest, WritesTheActiveSetInItsByteOrderAndReadsTheSameBack) {
  PanelBench b;
  b.ReadActive();
  const auto before = b.controller.settings;
  b.commands.Write(b.main(), SettingSlot::Active);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{});
  EXPECT_EQ(b.Writes(), (std::vector<int>{9, 8, 5, 4, 7, 6, 18, 10, 17, 14, 16, 22, 21, 20, 19, 26, 23, 24, 25, 34}));
  // The shown widths go back through single precision and truncation: "1.90" is
  // stored as 3799 and the neutral "1.50" as 2839, one count below the default image;
  // everything else is unchanged.
  auto expected = before;
  expected[8] = 0xD7;
  expected[6] = 0x17;
  EXPECT_EQ(b.controller.settings, expected);
  EXPECT_EQ(b.Text(IDC_STATUS), "OK");
}

TEST(SettingsWriteTest, MemoryWritesAndTheEmptyFirstMemory) {
  PanelBench b;
  b.ReadActive();
  b.commands.Write(b.main(), SettingSlot::Memory1);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{});
  EXPECT_EQ(b.Writes(), (std::vector<int>{9, 8, 5, 4, 7, 6, 43, 40, 42, 41, 47, 46, 45, 44}));
  EXPECT_EQ(b.controller.settings[40], 0xC1);  // the active set's flags went into memory 1
  EXPECT_FALSE(b.Enabled(kWrite));

  PanelBench c;
  c.controller.settings[41] = 255;
  c.ReadActive();
  c.commands.Write(c.main(), SettingSlot::Memory2);
  EXPECT_EQ(c.Messages(), std::vector<std::string>{"Error|Modellspeicher1 zuerst beschreiben!"});
  EXPECT_EQ(c.Writes(), std::vector<int>{});
}

// Each row changes one thing in a freshly read panel; the write must refuse with the
// row's message before any byte goes out (or accept it when no message is given).
TEST(SettingsWriteTest, ValidationRefusesBeforeTheFirstByte) {
  struct Row {
    const char* name;
    std::function<void(Window&)> edit;
    const char* message;  // null: accepted
  };
  const auto type = [](int id, const char* text) { return [id, text](Window& w) { w.SetItemText(id, text); }; };
  const std::vector<Row> rows = {
      {"full speed 2.3", type(kFullSpeed, "2.3"), nullptr},
      {"full speed 1.79", type(kFullSpeed, "1.79"), "full speed 1.8 - 2.3ms !"},
      {"full speed 2.31", type(kFullSpeed, "2.31"), "full speed 1.8 - 2.3ms !"},
      {"full speed letters", type(kFullSpeed, "abc"), "full speed 1.8 - 2.3ms !"},
      {"full speed nan", type(kFullSpeed, "nan"), "full speed 1.8 - 2.3ms !"},
      {"full speed trailing", type(kFullSpeed, "1.9x"), "full speed 1.8 - 2.3ms !"},
      {"full speed comma", type(kFullSpeed, "1,95"), nullptr},
      {"stop 1.69", type(kStop, "1.69"), "neutral-stop >= 0.07ms !"},
      {"stop 1.7", type(kStop, "1.7"), "stop/ret. 0.8 - 1.69ms !"},
      {"stop 0.78", type(kStop, "0.78"), "stop/ret. 0.8 - 1.69ms !"},
      {"stop empty", type(kStop, ""), "stop/ret. 0.8 - 1.69ms !"},
      {"neutral 1.65 (diff exactly 0.25)", type(kNeutral, "1.65"), nullptr},
      {"neutral 1.66", type(kNeutral, "1.66"), "neutral-full speed >= 0.25ms !"},
      {"neutral 1.16", type(kNeutral, "1.16"), "neutral-stop >= 0.07ms !"},
      {"neutral nan", type(kNeutral, "nan"), "neutral: number expected (ms)!"},
      {"neutral blank", type(kNeutral, " "), "neutral: number expected (ms)!"},
      {"volts 10.6", type(kVolts, "10.6"), "Wert 'Schwelle' 5.3V - 10.5V!"},
      {"volts nan", type(kVolts, "nan"), "Wert 'Schwelle' 5.3V - 10.5V!"},
      {"volts 10,5", type(kVolts, "10,5"), nullptr},
      {"control speed 0", type(kControlSpeed, "0"), "Softanlauf 1 - 50!"},
      {"control speed 51", type(kControlSpeed, "51"), "Softanlauf 1 - 50!"},
      {"control speed 1.5", type(kControlSpeed, "1.5"), "Softanlauf 1 - 50!"},
      {"control speed 0020", type(kControlSpeed, "0020"), "Softanlauf 1 - 50!"},
      {"control speed letters", type(kControlSpeed, "x"), "Softanlauf 1 - 50!"},
      {"no timing", [](Window& w) { w.ListSetSelection(kTiming, -1); }, "Timing?"},
      {"startup power -5", type(kStartupPower, "-5"), "Leistung Anlauf 1 - 50!"},
      {"startup power 50", type(kStartupPower, "50"), nullptr},
      {"no brake", [](Window& w) { w.ListSetSelection(kBrake, -1); }, "EMF brake?"},
      {"no frequency", [](Window& w) { w.CheckItem(kPwm7k8, false); }, "Controller Frequency?"},
      {"no mode", [](Window& w) { w.CheckItem(kSwitchOff, false); }, "Low Voltage Protection?"},
      {"no tolerance", [](Window& w) { w.CheckItem(kToleranceMedium, false); }, "Signal Tolerance?"},
      {"counter letters", type(kOvertempEvents, "ab"), "log counter: up to 3 digits!"},
      {"counter negative", type(kOvertempEvents, "-1"), "log counter: up to 3 digits!"},
      {"counter 1000", type(kBlockedMotorEvents, "1000"), "log counter: up to 3 digits!"},
      {"counter blank", type(kOvertempEvents, " "), nullptr},
      {"counter 300", type(kOvertempEvents, "300"), nullptr},
      {"rpm control with brake", [](Window& w) { w.CheckItem(kRpmControl, true); },
       "rpm control: break not possible!"},
  };
  for (const Row& row : rows) {
    PanelBench b;
    b.ReadActive();
    row.edit(b.main());
    b.commands.Write(b.main(), SettingSlot::Active);
    const std::vector<int> writes = b.Writes();
    if (row.message) {
      EXPECT_EQ(b.Messages(), std::vector<std::string>{std::string("Error!|") + row.message}) << row.name;
      EXPECT_EQ(writes, std::vector<int>{}) << row.name;
      EXPECT_EQ(b.Text(IDC_STATUS), " ") << row.name;
    } else {
      EXPECT_EQ(b.Messages(), std::vector<std::string>{}) << row.name;
      EXPECT_EQ(writes.size(), 20u) << row.name;
    }
    EXPECT_FALSE(b.Enabled(IDC_STATUS)) << row.name;
  }
}

TEST(SettingsWriteTest, ReadBackMismatchStopsAtOnce) {
  PanelBench b;
  b.ReadActive();
  b.controller.failWriteAddress = 19;
  b.commands.Write(b.main(), SettingSlot::Active);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{"Error!|writing error!"});
  EXPECT_EQ(b.Writes(), (std::vector<int>{9, 8, 5, 4, 7, 6, 18, 10, 17, 14, 16, 22, 21, 20, 19}));
  EXPECT_EQ(b.Text(IDC_STATUS), " ");
  EXPECT_FALSE(b.Enabled(IDC_STATUS));
}

TEST(SettingsWriteTest, CountersAndTheRpmControlMarker) {
  PanelBench b;
  b.ReadActive();
  b.commands.PanelRule(b.main(), kResetLog);
  b.main().SetItemText(kTransmitterFailures, "300");
  b.main().ListSetSelection(kBrake, 0);
  b.main().CheckItem(kOvertempProtect, false);
  b.main().CheckItem(kSwitchOff, false);
  b.main().CheckItem(kReducePower, true);
  b.main().CheckItem(kRpmControl, true);
  b.commands.Write(b.main(), SettingSlot::Active);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{});
  EXPECT_EQ(b.Writes(), (std::vector<int>{9, 8, 5, 4, 7, 6, 18, 11, 10, 17, 14, 16, 22, 21, 20, 19, 26, 23, 24, 25, 34}));
  EXPECT_EQ(b.controller.settings[11], 85);
  EXPECT_EQ(b.controller.settings[10], 0xA1);
  EXPECT_EQ(b.controller.settings[23], 44);
  EXPECT_EQ(b.controller.settings[24], 0);
  EXPECT_EQ(b.controller.settings[34], 0);
  EXPECT_EQ(b.controller.settings[22], 2);
}

TEST(SettingsPanelRulesTest, FrequencyAndResetNeedValuesRead) {
  PanelBench b;
  b.commands.PanelRule(b.main(), kPwm7k8);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{"Error!|Read values first!"});
  EXPECT_FALSE(b.Checked(kPwm7k8));
  EXPECT_FALSE(b.Checked(kPwm15k6));
  b.main().SetItemText(kTransmitterFailures, "7");
  b.commands.PanelRule(b.main(), kResetLog);
  EXPECT_EQ(b.Messages(), std::vector<std::string>{"Error!|Read values first!"});
  EXPECT_EQ(b.Text(kTransmitterFailures), " ");
  EXPECT_FALSE(b.commands.PanelRule(b.main(), kRead));
}

TEST(SettingsPanelRulesTest, LowVoltageGroup) {
  struct Row {
    const char* name;
    const char* volts;
    int previousCode;
    int clicked;
    int codeAfter;
    bool perCellChecked, voltsEnabled;
  };
  const Row rows[] = {
      {"switch off, 7.2", "7.2", 55, kSwitchOff, 66, false, true},
      {"switch off, 12", "12", 55, kSwitchOff, 55, false, true},
      {"switch off, blank, per cell before", " ", 255, kSwitchOff, 255, true, false},
      {"reduce power, letters", "abc", 70, kReducePower, 70, false, true},
      {"reduce power, 5,3", "5,3", 70, kReducePower, 49, false, true},
  };
  for (const Row& row : rows) {
    PanelBench b;
    b.ReadActive();
    b.main().SetItemText(kVolts, row.volts);
    b.settings.ThresholdCode = row.previousCode;
    b.commands.PanelRule(b.main(), row.clicked);
    EXPECT_EQ(b.settings.ThresholdCode, row.codeAfter) << row.name;
    EXPECT_EQ(b.Checked(kPerCell), row.perCellChecked) << row.name;
    EXPECT_EQ(b.Enabled(kVolts), row.voltsEnabled) << row.name;
    EXPECT_TRUE(b.Checked(row.clicked)) << row.name;
    EXPECT_EQ(b.Checked(kIgnore) + b.Checked(kReducePower) + b.Checked(kSwitchOff), 1) << row.name;
  }

  PanelBench b;
  b.ReadActive();
  b.commands.PanelRule(b.main(), kIgnore);
  EXPECT_EQ(b.settings.ThresholdCode, 255);
  EXPECT_FALSE(b.Enabled(kPerCell));
  EXPECT_FALSE(b.Enabled(kVolts));
  EXPECT_EQ(b.Text(kVolts), " ");
  b.commands.PanelRule(b.main(), kSwitchOff);
  EXPECT_TRUE(b.Checked(kPerCell));
  EXPECT_FALSE(b.Enabled(kVolts));
  b.main().CheckItem(kPerCell, false);  // the box toggles itself before its rule runs
  b.commands.PanelRule(b.main(), kPerCell);
  EXPECT_TRUE(b.Enabled(kVolts));

  PanelBench old;
  old.controller.settings[33] = 0x01;
  old.ReadActive();
  old.commands.PanelRule(old.main(), kReducePower);
  EXPECT_FALSE(old.Enabled(kPerCell));
  EXPECT_FALSE(old.Enabled(kVolts));
}

}  // namespace
}  // namespace ravix::test
