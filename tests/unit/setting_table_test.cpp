// The table of settings against what the settings file saves and loads, the words it
// gives tooltips, and the names it offers for a slip of the keyboard.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "resources/ids.h"
#include "settings/setting_table.h"
#include "settings/settings_file.h"

namespace ravix {
namespace {

// Each key has one row, and the settings file's document names every key of the table
// (and none besides) with whether a model memory has it.
TEST(SettingTable, HoldsEachKeyOnceAsTheDocumentDescribesIt) {
  std::ifstream document(std::string(RAVIX_TEST_DIR) + "/../docs/settings-file.md");
  ASSERT_TRUE(document.good());
  std::map<std::string, bool> documented;  // key, in a memory
  const std::regex quoted("`([a-z-]+)`");
  const std::regex row(R"(^\| (`[a-z-]+`(, `[a-z-]+`)*) \|.*\| (yes|no) \|$)");
  for (std::string line; std::getline(document, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, row)) continue;
    const std::string keys = match[1];
    for (std::sregex_iterator it(keys.begin(), keys.end(), quoted), end; it != end; ++it)
      documented[(*it)[1]] = match[3] == "yes";
  }
  std::map<std::string, bool> rows;
  for (const SettingRow& setting : SettingRows())
    EXPECT_TRUE(rows.emplace(setting.key, !setting.activeOnly).second) << setting.key;
  EXPECT_EQ(rows, documented);
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
