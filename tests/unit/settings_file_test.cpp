// The settings file against the panel alone: what a refusal leaves, what a click does.
#include <gtest/gtest.h>

#include <sstream>

#include "resources/resources.h"
#include "platform/headless/headless_ui.h"
#include "settings/settings_file.h"

namespace ravix {
namespace {

class SettingsFileTest : public testing::Test {
 protected:
  void SetUp() override {
    state_.LastRead.ControllerVersion = 0x1011;
    state_.LastRead.ClockMhz = 16;
    state_.LastRead.Features = 0x1F;
    state_.ThresholdCode = 55;
    main_ = ui_.CreateWindow(MainWindowResource(), nullptr);
    main_->SetItemText(1164, " 10");
    main_->ListAddString(1146, "off");
    main_->ListAddString(1146, "hard");
    main_->ListSetSelection(1146, 1);
  }
  std::string Load(const std::string& settings) {
    return settings_file::LoadJson(*main_, state_, SettingSlot::Active,
                                   R"({"format": 1, "controller": {"type": 1}, "settings": )" + settings + "}",
                                   [this](int id) { clicks_.push_back(id); });
  }

  HeadlessUi ui_;
  SettingsState state_;
  std::shared_ptr<Window> main_;
  std::vector<int> clicks_;
};

TEST_F(SettingsFileTest, ARefusedFileChangesNoControl) {
  struct Case {
    const char* settings;
    const char* refusal;
  };
  main_->EnableItem(1169, false);  // a controller without forward/reverse
  for (const Case& c : {
           Case{R"({"startup-power": 5, "brake": "strong"})", "\"brake\" must be"},
           Case{R"({"startup-power": 5, "forward-reverse": true})", "\"forward-reverse\" cannot be set on this controller"},
           Case{R"({"startup-power": 5.5})", "\"startup-power\" must be a whole number, not 5.5"},
           Case{R"({"startup-power": 5, "rpm-limit": "yes"})", "\"rpm-limit\" must be true or false"},
           Case{R"({"startup-power": 5, "pwm-khz": 10})", "\"pwm-khz\" must be 7.8 or 15.6, not 10"},
           Case{R"({"startup-power": 5, "timing": 10})",
                "\"timing\" must be 0, 7.5, 15, 22.5, 30 or \"auto\", not 10"},
           Case{R"({"startup-power": 5, "low-voltage": true})",
                "\"low-voltage\" must be \"ignore\", \"reduce-power\" or \"switch-off\", not true"},
           Case{R"({"startup-power": 5, "cutoff-volts": 12})", "\"cutoff-volts\" 12 is out of range (5.3 to 10.5)"},
           Case{R"([1, 2])", "\"settings\" is missing"},
       }) {
    SCOPED_TRACE(c.settings);
    EXPECT_NE(Load(c.settings).find(c.refusal), std::string::npos) << Load(c.settings);
    EXPECT_EQ(main_->GetItemText(1164), " 10");
    EXPECT_EQ(main_->ListSelection(1146), 1);
    EXPECT_TRUE(clicks_.empty());
  }
  // Leaving a disabled feature as it is shown is no refusal.
  EXPECT_EQ(Load(R"({"forward-reverse": false})"), "");
}

// Each ranged key takes its edges and refuses a step beyond them.
TEST_F(SettingsFileTest, EachRangeTakesItsEdgesAndNoStepBeyond) {
  const struct {
    const char* key;
    double low, high, step;
  } ranges[] = {
      {"full-speed-ms", 1.8, 2.3, 0.01}, {"neutral-ms", 0.8, 2.3, 0.01}, {"stop-ms", 0.8, 1.69, 0.01},
      {"control-speed", 1, 50, 1},       {"startup-power", 1, 50, 1},    {"transmitter-failures", 0, 255, 1},
      {"overtemperature-events", 0, 255, 1}, {"undervoltage-events", 0, 255, 1},
      {"blocked-motor-events", 0, 255, 1},   {"cutoff-volts", 5.3, 10.5, 0.1},
  };
  for (const auto& r : ranges) {
    for (const double value : {r.low, r.high, r.low - r.step, r.high + r.step}) {
      const bool inside = value >= r.low && value <= r.high;
      std::ostringstream settings;
      settings << "{\"" << r.key << "\": " << value << "}";  // 1.7, not 1.7000000000000002
      const std::string refusal = Load(settings.str());
      EXPECT_EQ(refusal.find("is out of range") != std::string::npos, !inside) << settings.str() << ": " << refusal;
    }
  }
}

TEST_F(SettingsFileTest, ButtonsAreClickedOnlyWhereTheirStateChanges) {
  main_->CheckItem(1191, true);  // overtemperature protection on
  main_->CheckItem(1168, true);  // "ignore"
  EXPECT_EQ(Load(R"({"overtemp-protection": true, "rpm-limit": true, "low-voltage": "switch-off", "pwm-khz": 15.6})"),
            "");
  EXPECT_EQ(clicks_, (std::vector<int>{1139, 1170, 1188}));
  EXPECT_TRUE(main_->IsItemChecked(1188));  // a check box toggles before its command
  EXPECT_TRUE(main_->IsItemChecked(1191));
}

// A file nests as deep as anyone likes; the refusal comes while it is parsed, names
// the key and shows no more of a value than a message can carry.
TEST_F(SettingsFileTest, HostileFilesAreRefusedWithShortMessages) {
  const auto nested = [](const char* open, const char* close, const char* inner, size_t depth) {
    std::string text;
    for (size_t i = 0; i < depth; ++i) text += open;
    text += inner;
    for (size_t i = 0; i < depth; ++i) text += close;
    return text;
  };
  const std::string longName(5000, 'k');
  struct Case {
    std::string file;
    std::string refusal;
  };
  const Case cases[] = {
      {R"({"format": 1, "controller": {"type": 1}, "settings": {"brake": )" + nested("[", "]", "", 100000) + "}}",
       "Settings file: \"brake\" nests deeper than a settings file can"},
      {R"({"format": )" + nested("[", "]", "1", 100000) + R"(, "controller": {"type": 1}, "settings": {}})",
       "Settings file: \"format\" nests deeper than a settings file can"},
      {R"({"format": 1, "controller": {"type": )" + nested("{\"a\":", "}", "1", 100000) + R"(}, "settings": {}})",
       "Settings file: \"type\" nests deeper than a settings file can"},
      {nested("[", "]", "", 100000), "Settings file: not a settings file (nested too deep)"},
      // Deep, and broken after it: the depth is what is said.
      {R"({"format": 1, "settings": {"timing": )" + nested("[", "]", "", 50) + "}", "Settings file: \"timing\" nests"},
      // One level is the key's own refusal, as it always was.
      {R"({"format": 1, "controller": {"type": 1}, "settings": {"brake": ["hard"]}})",
       "Settings file: \"brake\" must be \"off\", \"hard\", \"medium\" or \"soft\", not [\"hard\"]"},
      {R"({"format": 1, "controller": {"type": 1}, "settings": {"brake": [[1]]}})",
       "Settings file: \"brake\" nests deeper than a settings file can"},
      {R"({"format": 1, "controller": {"type": 1}, "settings": {"brake": ")" + std::string(100000, 'x') + "\"}}",
       "Settings file: \"brake\" must be \"off\", \"hard\", \"medium\" or \"soft\", not \"" +
           std::string(39, 'x') + "..."},
      {R"({"format": 1, "controller": {"type": 1}, "settings": {")" + longName + R"(": 1}})",
       "Settings file: \"" + std::string(40, 'k') + "...\" is not a setting this program knows"},
      // A cut never splits a character: the quote and 38 "x" fill 39 bytes, a two-byte "ä" follows.
      {R"({"format": 1, "controller": {"type": 1}, "settings": {"timing": ")" + std::string(38, 'x') +
           "\xC3\xA4\xC3\xA4\"}}",
       "Settings file: \"timing\" must be 0, 7.5, 15, 22.5, 30 or \"auto\", not \"" + std::string(38, 'x') + "..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusal);
    const std::string refusal =
        settings_file::LoadJson(*main_, state_, SettingSlot::Active, c.file, [this](int id) { clicks_.push_back(id); });
    EXPECT_EQ(refusal.substr(0, c.refusal.size()), c.refusal);
    EXPECT_LE(refusal.size(), 160u);
    EXPECT_EQ(main_->ListSelection(1146), 1);
    EXPECT_TRUE(clicks_.empty());
  }
}

}  // namespace
}  // namespace ravix
