// The table of settings against what the settings file saves and loads, the words it
// gives tooltips, and the names it offers for a slip of the keyboard.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/ids.h"
#include "settings/setting_table.h"
#include "settings/settings_file.h"
#include "settings/settings_file_keys.h"

namespace ravix {
namespace {

using namespace settings_file::keys;

// Every key of a settings file has one row, with the control and the memory rule the
// file uses, and the table has no row the file lacks.
TEST(SettingTable, HoldsEachKeyOfTheSettingsFileOnce) {
  std::set<std::string> fileKeys;
  const auto expect = [&fileKeys](const char* key, int control, bool activeOnly) {
    SCOPED_TRACE(key);
    fileKeys.insert(key);
    const SettingRow* row = FindSetting(key);
    ASSERT_NE(row, nullptr);
    if (control) {
      EXPECT_EQ(row->control, control);
    }
    EXPECT_EQ(row->activeOnly, activeOnly);
    EXPECT_EQ(settings_file::IsActiveOnlyKey(key), activeOnly);
  };
  for (const Field& field : kFields) expect(field.key, field.id, field.activeOnly);
  for (const Switch& sw : kSwitches) expect(sw.key, sw.id, sw.activeOnly);
  for (const char* key : kChoiceKeys) expect(key, 0, false);
  expect(kToleranceKey, kToleranceButtons[0], true);
  std::set<std::string> rows;
  for (const SettingRow& row : SettingRows()) EXPECT_TRUE(rows.insert(row.key).second) << row.key;
  EXPECT_EQ(rows, fileKeys);
  EXPECT_FALSE(settings_file::IsActiveOnlyKey("bogus"));
}

// A tooltip's words name the values and the unit; every button of a group shows its
// group's words, and a control of no setting gets none.
TEST(SettingTable, HelpWordsNameValuesAndUnitForEveryControlOfASetting) {
  for (const SettingRow& row : SettingRows()) {
    const std::string help = SettingHelp(row.control);
    EXPECT_NE(help.find(row.values), std::string::npos) << row.key;
    EXPECT_NE(help.find(row.unit), std::string::npos) << row.key;
    EXPECT_GT(help.size(), std::string(row.values).size() + 20) << row.key;
  }
  EXPECT_EQ(SettingHelp(panel::kPwm15k6), SettingHelp(panel::kPwm7k8));
  EXPECT_EQ(SettingHelp(panel::kToleranceHigh), SettingHelp(panel::kToleranceSmall));
  EXPECT_EQ(SettingHelp(panel::kPerCell), SettingHelp(panel::kVolts));
  EXPECT_NE(SettingHelp(panel::kMaxFrequency), "");
  EXPECT_EQ(SettingHelp(panel::kRead), "");
}

TEST(SettingTable, OffersTheNearestNamesForAnUnknownOne) {
  struct Case {
    const char* typed;
    std::vector<std::string> offered;
  };
  for (const Case& c : {Case{"brakes", {"brake"}},
                        Case{"startup-pwer", {"startup-power"}},
                        Case{"volts", {"cutoff-volts"}},
                        Case{"timing", {"timing"}},
                        Case{"protection", {"overtemp-protection", "blocked-motor-protection"}},
                        Case{"zzz", {}}}) {
    EXPECT_EQ(NearestSettings(c.typed), c.offered) << c.typed;
  }
}

}  // namespace
}  // namespace ravix
