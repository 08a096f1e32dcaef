#include "script/script_names.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "resources/resources.h"

namespace ravix::script {
namespace {

// Every name stands for a control or menu item of its window, is written as the
// documentation promises, and means one thing in its window.
TEST(ScriptNames, EachNameIsAControlOrMenuItemOfItsWindowAndUnique) {
  const std::regex kebab("[a-z0-9]+(-[a-z0-9]+)*");
  std::set<std::pair<int, std::string>> seen;
  std::set<std::pair<int, int>> ids;
  for (const ControlName& entry : ControlNames()) {
    SCOPED_TRACE(std::string(entry.name));
    const DialogResource* resource = FindDialogResource(entry.dialog);
    ASSERT_NE(resource, nullptr);
    // The parallel ports are commands without menu items of their own.
    const bool parallelPort = entry.dialog == IDD_MAIN && entry.id >= menu::kLpt0278 && entry.id <= menu::kLpt03BC;
    EXPECT_TRUE(resource->FindControl(entry.id) || resource->FindMenuItem(entry.id) || parallelPort);
    EXPECT_TRUE(std::regex_match(std::string(entry.name), kebab));
    EXPECT_TRUE(seen.insert({entry.dialog, std::string(entry.name)}).second) << "name twice";
    EXPECT_TRUE(ids.insert({entry.dialog, entry.id}).second) << "ID named twice";
  }
}

// "read" in the main window and the lock functions dialog is in tests/scenarios/script/control_names.
TEST(ScriptNames, NamesBelongToTheirWindow) {
  struct Case {
    int dialog;
    const char* name;
    std::optional<int> id;
  };
  for (const Case& c :
       {Case{IDD_RPM_CONTROL, "read", 1213}, Case{IDD_REV_COUNTER, "read", std::nullopt},
        Case{IDD_MAIN, "Read", std::nullopt}, Case{IDD_MAIN, "", std::nullopt}})
    EXPECT_EQ(IdOfName(c.dialog, c.name), c.id) << c.dialog << " " << c.name;
}

}  // namespace
}  // namespace ravix::script
