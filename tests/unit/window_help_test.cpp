// What the front ends add around the window tables: the menus' mnemonics, the keys,
// the tooltips and the progress words.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "app/control_help.h"
#include "resources/ids.h"
#include "resources/resources.h"
#include "resources/window_help.h"
#include "settings/setting_table.h"

namespace ravix {
namespace {

TEST(Mnemonics, WordStartsFirstThenDigitsThenAnyLetterNeverTwice) {
  struct Case {
    std::vector<std::string> texts;
    std::vector<int> positions;
  };
  for (const Case& c : std::vector<Case>{
           {{"File", "Port", "Model Memory", "Options", "Rev Counter", "Help"}, {0, 0, 0, 0, 0, 0}},
           {{"COM1", "COM2", "COM3"}, {0, 3, 3}},
           {{"Read Memory1", "Read Memory2", "Write Memory1", "Write Memory2"}, {0, 5, 0, 12}},
           {{"Lock Funktions", "Calibrate RC-Oscillator", "Controller Info"}, {0, 0, 11}},
           {{"ab", "ba", "ab"}, {0, 0, -1}},  // nothing left for the third
           {{"", "Übersicht"}, {-1, 2}},        // no letter of a multi-byte character
       }) {
    EXPECT_EQ(MnemonicPositions(c.texts), c.positions) << c.texts.front();
  }
}

// Every pop-up of the main window and the bar itself: each entry that has a letter has
// its own.
TEST(Mnemonics, TheMainMenusLettersDifferWithinEachMenu) {
  const auto& menu = MainWindowResource().menu;
  std::vector<std::vector<std::string>> lists(1);
  for (const MenuResource& top : menu) {
    lists.front().push_back(top.text);
    std::vector<std::string> items;
    for (const MenuResource& item : top.items) items.push_back(item.text);
    if (!items.empty()) lists.push_back(items);
  }
  for (const auto& texts : lists) {
    std::set<char> letters;
    const std::vector<int> positions = MnemonicPositions(texts);
    for (size_t i = 0; i < texts.size(); ++i) {
      ASSERT_GE(positions[i], 0) << texts[i];
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(texts[i][positions[i]])));
      EXPECT_TRUE(letters.insert(letter).second) << texts[i] << " takes " << letter << " again";
    }
  }
}

TEST(CommandKeys, NameTheirCommandsInTheMenuOrTheButtonsTooltip) {
  EXPECT_EQ(KeysOf(IDD_MAIN, menu::kSaveSettings), "Ctrl+S");
  EXPECT_EQ(KeysOf(IDD_MAIN, menu::kLoadSettings), "Ctrl+O");
  EXPECT_EQ(KeysOf(IDD_MAIN, menu::kOpenUpdateFile), "Ctrl+U");
  EXPECT_EQ(KeysOf(IDD_RPM_CONTROL, rpmdlg::kRead), "") << "the dialogs' Read has no key of the main window's";
  EXPECT_EQ(ToolTipOf(IDD_MAIN, panel::kRead), "Read the controller's settings into the panel (F5)");
  EXPECT_EQ(ToolTipOf(IDD_MAIN, panel::kWrite), "Write the panel's settings into the controller (F6)");
  // Each key gives one command of a window.
  std::set<std::pair<int, std::string_view>> seen;
  for (const CommandKey& key : CommandKeys()) EXPECT_TRUE(seen.insert({key.dialog, key.keys}).second) << key.keys;
}

// Every control a person uses says what it does (the panel's settings in the settings
// table's words, with their values and unit); labels and group boxes say it themselves.
TEST(ToolTips, EveryControlOfEveryWindowHasOne) {
  std::vector<const DialogResource*> tables = {&MainWindowResource()};
  for (const int dialog : {IDD_RPM_CONTROL, IDD_LOCK_FUNCTIONS, IDD_REV_COUNTER})
    tables.push_back(FindToolDialogResource(dialog));
  for (const DialogResource* table : tables) {
    ASSERT_NE(table, nullptr);
    for (const ControlResource& control : table->controls) {
      if (control.kind == ControlKind::Label || control.kind == ControlKind::GroupBox) continue;
      EXPECT_FALSE(ControlHelp(table->id, control.id).empty())
          << table->id << " control " << control.id << " " << control.text;
    }
  }
  // A setting's tooltip is its row of the table: the same words as `ravix-cli settings`.
  const SettingRow* brake = FindSetting("brake");
  ASSERT_NE(brake, nullptr);
  const std::string tip = ControlHelp(IDD_MAIN, brake->control);
  EXPECT_EQ(tip.rfind(brake->help, 0), 0u) << tip;
  EXPECT_NE(tip.find(brake->values), std::string::npos) << tip;
  EXPECT_EQ(ControlHelp(IDD_MAIN, panel::kRead), "Read the controller's settings into the panel (F5)");
}

TEST(ProgressWords, SayTheShareAndTheTimeLeftAtTheRateSoFar) {
  struct Case {
    int done, total;
    uint32_t elapsedMs;
    int startDone;
    const char* words;
  };
  for (const Case& c : std::vector<Case>{
           {0, 200, 0, 0, "0%  0 of 200 lines"},
           {50, 200, 10000, 0, "25%  50 of 200 lines, 0:30 left"},
           {50, 200, 10000, 40, "25%  50 of 200 lines, 2:30 left"},  // 10 lines in 10 s
           {50, 200, 999, 0, "25%  50 of 200 lines"},                // under a second: no rate yet
           {200, 200, 60000, 0, "100%  200 of 200 lines"},
           {250, 200, 60000, 0, "100%  200 of 200 lines"},
           {-3, 200, 60000, 0, "0%  0 of 200 lines"},
           {1, 3000, 2000, 0, "0%  1 of 3000 lines, 99:58 left"},
           {5, 0, 1000, 0, ""},
       }) {
    EXPECT_EQ(ProgressLabel(c.done, c.total, c.elapsedMs, c.startDone), c.words) << c.done << "/" << c.total;
  }
}

}  // namespace
}  // namespace ravix
