#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "resources/resources.h"
#include "settings/panel_values.h"
#include "settings/setting_table.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

// The reads, writes and panel rules are shown end to end by tests/scenarios/settings;
// what stays here needs a hook inside a running command.

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
  bool Enabled(int id) { return window->IsItemEnabled(id); }

  // The messages shown since the last call, as "caption|text".
  std::vector<std::string> Messages() {
    std::vector<std::string> shown;
    for (const auto& m : ui.messages) shown.push_back(m.caption + "|" + m.text);
    ui.messages.clear();
    return shown;
  }
};

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
    b.settings.LastRead.ControllerVersion = 0x1003;
    int releases = 0;
    b.adapter.onWire = [&](const std::string& line) {
      if (line == "wire break 1" && ++releases == 2) row.change(b);
    };
    b.commands.Read(b.main(), SettingSlot::Active);
    // A wrong answer is met with a detection and one more restart, unless the
    // detection itself fails.
    EXPECT_EQ(releases, row.name == std::string("adapter pulled") ? 2 : 3) << row.name;
    EXPECT_EQ(b.Messages(), row.messages) << row.name;
    EXPECT_EQ(b.settings.LastRead.ControllerVersion, 0x1003) << row.name;
    EXPECT_FALSE(b.Enabled(IDC_STATUS)) << row.name;
    for (const auto& entry : b.controller.TakeLog()) EXPECT_EQ(entry.rfind("read", 0), std::string::npos) << row.name;
  }
}

// The read-back after a write goes byte for byte through what the write sent; a byte
// that the controller confirmed but no longer holds is named with both values.
TEST(SettingsWriteTest, TheReadBackComparesEveryByteWritten) {
  PanelBench b;
  b.commands.Read(b.main(), SettingSlot::Active);
  b.main().ListSetSelection(kBrake, 1);
  b.commands.Write(b.main(), SettingSlot::Active);
  ASSERT_EQ(b.main().GetItemText(IDC_STATUS), "OK");
  ASSERT_EQ(b.settings.BytesWritten.size(), 20u);
  ReadBack back = CompareWithController(b.protocol, b.settings);
  EXPECT_FALSE(back.linkLost);
  EXPECT_EQ(back.differ, "");

  b.controller.settings[8] = 0xD7;   // full speed one count short
  b.controller.settings[17] = 2;     // the brake back at medium
  back = CompareWithController(b.protocol, b.settings);
  EXPECT_FALSE(back.linkLost);
  EXPECT_EQ(back.differ, "8: wrote 216, reads 215, 17: wrote 1, reads 2");
  // Silence reads as 255 everywhere; the link exchange after the bytes tells.
  b.controller.settings[8] = 0xD8, b.controller.settings[17] = 1;
  b.controller.silentAfter = 0;
  EXPECT_TRUE(CompareWithController(b.protocol, b.settings).linkLost);
}

// The file made from the values a Read read is the file made from the panel it filled,
// byte for byte, whatever the controller holds; each case also names what its bytes
// must come out as in the file.
TEST(SettingsValuesTest, TheFileFromTheValuesIsTheFileFromThePanel) {
  struct Row {
    const char* name;
    std::vector<std::pair<int, uint8_t>> bytes;  // address, value
    SettingSlot slot;
    std::vector<std::pair<const char*, const char*>> expected;  // key, value in the file; "-" for none
    const char* refusal = "";  // what a Write of the panel as read refuses
  };
  const std::vector<Row> rows = {
      {"as delivered", {}, SettingSlot::Active,
       {{"full-speed-ms", "1.9"}, {"brake", "\"medium\""}, {"cutoff-volts", "6.0"}, {"blocked-motor-events", "2"}}},
      {"per cell, reduce power", {{21, 255}, {22, 2}}, SettingSlot::Active,
       {{"cutoff-volts", "\"per-cell\""}, {"low-voltage", "\"reduce-power\""}}},
      {"ignore keeps a fixed code", {{21, 80}, {22, 1}}, SettingSlot::Active,
       {{"cutoff-volts", "8.7"}, {"low-voltage", "\"ignore\""}}},
      {"ignore keeps per cell", {{21, 255}, {22, 1}}, SettingSlot::Active, {{"cutoff-volts", "\"per-cell\""}}},
      {"no mode", {{22, 0}}, SettingSlot::Active, {{"low-voltage", "-"}, {"cutoff-volts", "6.0"}},
       "Low Voltage Protection?"},
      {"brake off, strength left", {{10, 0x01}, {17, 2}}, SettingSlot::Active,
       {{"brake", "\"off\""}, {"blocked-motor-protection", "false"}}},
      {"brake strength beyond the list", {{17, 7}}, SettingSlot::Active, {{"brake", "-"}}, "EMF brake?"},
      {"unknown timing code", {{10, 0xC1}, {18, 5}}, SettingSlot::Active, {{"timing", "7.5"}}},
      {"auto timing", {{10, 0x5C}, {18, 16}}, SettingSlot::Active,
       {{"timing", "\"auto\""}, {"forward-reverse", "true"}, {"rpm-limit", "true"}, {"free-wheeling", "true"},
        {"blocked-motor-protection", "false"}}},
      {"8 MHz, no features", {{30, 8}, {31, 0x00}, {16, 9}}, SettingSlot::Active,
       {{"pwm-khz", "7.8"}, {"blocked-motor-events", "-"}}},
      {"15.6 kHz", {{16, 9}}, SettingSlot::Active, {{"pwm-khz", "15.6"}}},
      {"unknown frequency code", {{16, 11}}, SettingSlot::Active, {{"pwm-khz", "-"}}, "Controller Frequency?"},
      {"odd pulses and tolerance", {{9, 0x0E}, {8, 0x1B}, {7, 0x0A}, {6, 0x28}}, SettingSlot::Active,
       {{"full-speed-ms", "1.81"}, {"neutral-ms", "1.38"}}},
      {"no tolerance", {{26, 0}}, SettingSlot::Active, {{"signal-tolerance", "-"}}, "Signal Tolerance?"},
      {"RPM control with its marker", {{10, 0x21}, {11, 85}, {27, 0x03}, {28, 0xE8}, {26, 3}, {20, 1}, {22, 2}},
       SettingSlot::Active, {{"rpm-control", "true"}, {"signal-tolerance", "\"high\""}}},
      {"RPM control with overtemperature protection", {{10, 0x21}, {11, 85}, {27, 0x03}, {28, 0xE8}},
       SettingSlot::Active, {{"rpm-control", "true"}, {"overtemp-protection", "true"}},
       "Overtemp. cutoff with RPM-controller not possible!"},
      {"minor version 1", {{33, 0x01}, {21, 255}}, SettingSlot::Active, {{"cutoff-volts", "\"per-cell\""}}},
      {"reduced controller", {{32, 0x30}, {31, 0x01}}, SettingSlot::Active,
       {{"transmitter-failures", "3"}, {"overtemperature-events", "-"}, {"undervoltage-events", "-"}}},
      {"memory 1", {{40, 0x41}, {41, 9}, {42, 3}, {43, 8}, {44, 33}, {45, 1}, {46, 70}, {47, 3}}, SettingSlot::Memory1,
       {{"timing", "22.5"}, {"brake", "\"soft\""}, {"startup-power", "33"}, {"overtemp-protection", "false"},
        {"cutoff-volts", "7.6"}, {"full-speed-ms", "-"}}},
      {"memory 2", {{50, 0x00}, {51, 10}, {52, 1}, {53, 4}, {54, 5}, {55, 3}, {56, 255}, {57, 1}}, SettingSlot::Memory2,
       {{"timing", "\"auto\""}, {"brake", "\"off\""}, {"cutoff-volts", "\"per-cell\""}, {"rpm-control", "-"}}},
  };
  for (const Row& row : rows) {
    PanelBench b;
    for (const auto& [address, value] : row.bytes) b.controller.settings[static_cast<size_t>(address)] = value;
    b.commands.Read(b.main(), SettingSlot::Active);
    if (row.slot != SettingSlot::Active) b.commands.Read(b.main(), row.slot);
    ASSERT_EQ(b.main().GetItemText(IDC_STATUS), "OK") << row.name;
    ASSERT_EQ(b.settings.LastRead.slot, row.slot) << row.name;
    const std::string fromValues = settings_file::JsonFromValues(b.settings.LastRead);
    EXPECT_EQ(fromValues, settings_file::SaveJson(b.main(), b.settings, row.slot)) << row.name;
    const auto settings = nlohmann::json::parse(fromValues)["settings"];
    for (const auto& [key, value] : row.expected)
      EXPECT_EQ(settings.contains(key) ? settings[key].dump() : "-", value) << row.name << ": " << key;
    // Taken back as a Write takes the panel ("Save Settings As..."), the values make
    // the same file, or the Write's refusal.
    SettingsValues taken;
    EXPECT_EQ(TakePanelValues(b.main(), b.settings, row.slot, taken), row.refusal) << row.name;
    if (*row.refusal == '\0') {
      EXPECT_EQ(settings_file::JsonFromValues(taken), fromValues) << row.name;
    }
  }
}

// Each row of the setting table names the byte a Read shows it from: changing that
// byte of the controller changes that setting in the file made from the values, and
// no other. The new byte is one its encoding shows differently.
TEST(SettingsValuesTest, EachSettingComesFromTheByteItsRowNames) {
  const auto changed = [](const SettingRow& row, uint8_t old) -> uint8_t {
    switch (row.encoding) {
      case Encoding::Flag: return old ^ row.flag;
      case Encoding::OnByte: return old == 3 ? 1 : 3;
      case Encoding::PwmCode: return old == 10 ? 9 : 10;
      case Encoding::Brake: return (old + 1) % 4;
      case Encoding::Timing: return old == 4 ? 8 : 4;
      case Encoding::LowVoltageMode: return old == 3 ? 2 : 3;
      case Encoding::Tolerance: return old % 3 + 1;
      default: return static_cast<uint8_t>(old + 1);
    }
  };
  for (const SettingRow& row : SettingRows()) {
    for (SettingSlot slot : {SettingSlot::Active, SettingSlot::Memory1}) {
      if (slot != SettingSlot::Active && row.activeOnly) continue;
      const auto read = [slot](PanelBench& b) {
        b.commands.Read(b.main(), SettingSlot::Active);
        if (slot != SettingSlot::Active) b.commands.Read(b.main(), slot);
        return nlohmann::json::parse(settings_file::JsonFromValues(b.settings.LastRead))["settings"];
      };
      PanelBench b;
      const auto before = read(b);
      uint8_t& byte = b.controller.settings[row.AddressIn(slot)];
      byte = changed(row, byte);
      const auto after = read(b);
      for (const auto& [key, value] : before.items())
        EXPECT_EQ(value != after[key], key == row.key) << row.key << " in slot " << static_cast<int>(slot) << ": " << key;
    }
  }
}

// A controller that goes silent part way leaves nothing that counts as read.
TEST(SettingsValuesTest, ALostLinkDuringTheReadLeavesNoValues) {
  PanelBench b;
  b.controller.silentAfter = 30;
  b.commands.Read(b.main(), SettingSlot::Active);
  EXPECT_FALSE(b.settings.ValuesRead());
  EXPECT_FALSE(b.settings.LastRead.pulseCounts[kFullSpeedPulse]);
  EXPECT_FALSE(b.settings.LastRead.Byte(SlotSetting::OptionFlags));
}

}  // namespace
}  // namespace ravix::test
