#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "settings/settings_commands.h"
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

}  // namespace
}  // namespace ravix::test
