#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "settings/settings_image.h"

namespace ravix {
namespace {

// The panel's text fields, pulse widths, timing entries and PWM buttons are read and
// written with their edge values by tests/scenarios/settings (bad_input, read_active,
// write_*); here stay the conversions whose rounding no transcript would notice.

TEST(SettingsImageTest, ThresholdCodesAndVolts) {
  struct ToCode {
    const char* text;
    int code;
  };
  const ToCode toCode[] = {{"5.3", 49}, {"6", 55}, {"10.5", 96}, {"8.4", 77}, {"7.2", 66}, {"7,2", 66},
                           {"6.0", 55}, {"5.4", 50}, {"0", 0}};
  for (const ToCode& row : toCode)
    EXPECT_EQ(ThresholdCodeFromVolts(DecimalFromText(row.text)), row.code) << row.text;

  struct ToVolts {
    int code;
    const char* text;
  };
  const ToVolts toVolts[] = {{49, "5.3"}, {96, "10.5"}, {0, "0.0"}};
  for (const ToVolts& row : toVolts) EXPECT_EQ(VoltsText(row.code), row.text) << row.code;

  // Every code of the accepted range survives the way through the panel.
  for (int code = 49; code <= 96; ++code)
    EXPECT_EQ(ThresholdCodeFromVolts(DecimalFromText(VoltsText(code))), code) << code;
}

TEST(SettingsImageTest, ThresholdConversionOfAbsurdValuesStaysDefined) {
  EXPECT_EQ(ThresholdCodeFromVolts(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_GT(ThresholdCodeFromVolts(1e30f), 255);
  EXPECT_EQ(ThresholdCodeFromVolts(-1.0f), -9);
}

TEST(SettingsImageTest, MaxFrequencyFromTheRpmControlWord) {
  struct Row {
    int clock;
    uint16_t word;
    int hz;
    const char* text;
  };
  const Row rows[] = {{16, 0, 14861, "14861"}, {8, 0, 9192, "9192"},     {16, 190, 1542, "1542"},
                      {12, 0, 14861, "14861"}, {16, 65535, 4, "   4"},   {8, 65535, 2, "   2"},
                      {8, 1000, 171, " 171"}};
  for (const Row& row : rows) {
    EXPECT_EQ(MaxFrequencyHz(row.clock, row.word), row.hz);
    EXPECT_EQ(MaxFrequencyText(row.clock, row.word), row.text);
  }
}

TEST(SettingsImageTest, StateIsReadOnlyAtOrBelowFortyThousand) {
  SettingsState state;
  EXPECT_EQ(state.Phase(), SettingsPhase::ValuesNotRead);
  EXPECT_EQ(state.LastRead.ControllerVersion, 50000);
  const struct {
    int version;
    bool read;
  } rows[] = {{50000, false}, {65535, false}, {40001, false}, {40000, true}, {0x1011, true}, {0x3002, true}};
  for (const auto& row : rows) {
    state.LastRead.ControllerVersion = row.version;
    EXPECT_EQ(state.ValuesRead(), row.read) << row.version;
  }
}

}  // namespace
}  // namespace ravix
