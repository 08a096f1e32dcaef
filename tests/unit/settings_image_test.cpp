#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "settings/settings_image.h"

namespace ravix {
namespace {

TEST(SettingsImageTest, PulseTextsBecomeCountsWithSinglePrecisionTruncation) {
  struct Row {
    const char* text;
    bool neutral;
    uint16_t count;
  };
  const Row rows[] = {
      {"2.05", false, 4099}, {"2,05", false, 4099}, {"1.8", false, 3599}, {"1.95", false, 3900},
      {"1,95", false, 3900}, {"1.5", true, 2839},   {"1.10", false, 2200}, {"2.3", false, 4599},
      {"1.75", true, 3339},  {"0", false, 0},       {"", false, 0},        {"abc", false, 0},
      // Only the first 9 characters count, and "%8f" takes 8 of them.
      {"1.900000000000000009", false, 3799}, {"1.9", false, 3799}, {"123456789", false, 0xFFFF},
      // Numbers the writer refuses still convert without fault.
      {"-1", false, 0}, {"99999", false, 0xFFFF}, {"nan", false, 0}, {"0.05", true, 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(PulseWordFromText(row.text, row.neutral), row.count) << row.text << " neutral " << row.neutral;
}

TEST(SettingsImageTest, PulseCountsShowAsMilliseconds) {
  struct Row {
    uint16_t count;
    bool neutral;
    const char* text;
  };
  const Row rows[] = {
      {4099, false, "2.05"}, {3599, false, "1.80"}, {2839, true, "1.50"}, {2840, true, "1.50"},
      {2200, false, "1.10"}, {0, false, "0.00"},    {0, true, "0.08"},    {65535, false, "32.77"},
  };
  for (const Row& row : rows) EXPECT_EQ(PulseTextFromWord(row.count, row.neutral), row.text) << row.count;
  EXPECT_DOUBLE_EQ(PulseMsFromWord(4000, false), 2.0);
  EXPECT_DOUBLE_EQ(PulseMsFromWord(2000, true), 1.08);
}

TEST(SettingsImageTest, DecimalFieldsAreWellFormedOnlyWhenTheParseTakesTheWholeText) {
  struct Row {
    const char* text;
    bool wellFormed;
    float value;
  };
  const Row rows[] = {
      {"1.95", true, 1.95f},  {"1,95", true, 1.95f},  {" 1.95 ", true, 1.95f}, {"2", true, 2.0f},
      {"2.", true, 2.0f},     {".5", true, 0.5f},     {"+1.9", true, 1.9f},    {"-1.9", true, -1.9f},
      {"10.5", true, 10.5f},  {"12345678", true, 12345678.0f},
      {"", false, 0},         {"   ", false, 0},      {"abc", false, 0},       {"-", false, 0},
      {",", false, 0},        {"1.9abc", false, 1.9f}, {"1.9.5", false, 1.9f}, {"1,9,5", false, 1.9f},
      {"1e0", false, 1.0f},   {"nan", false, 0},      {"inf", false, 0},       {"0x1p0", false, 1.0f},
      // Longer than the parse reaches: the value would not be what was typed.
      {"0000001.5", false, 1.0f}, {"1.950000000", false, 1.95f},
  };
  for (const Row& row : rows) {
    const PanelNumber number = ReadDecimalText(row.text);
    EXPECT_EQ(number.wellFormed, row.wellFormed) << '"' << row.text << '"';
    if (row.wellFormed) {
      EXPECT_FLOAT_EQ(number.value, row.value) << row.text;
    }
    const float loose = DecimalFromText(row.text);
    if (!std::isnan(loose)) {
      EXPECT_EQ(number.value, loose) << "the same parse: " << row.text;
    }
  }
}

TEST(SettingsImageTest, DigitFieldsAreWellFormedOnlyAsBlanksAndUpToThreeDigits) {
  struct Row {
    const char* text;
    size_t maxChars;
    bool hasNumber, wellFormed, blank;
    int value;
  };
  const Row rows[] = {
      {" 20", 4, true, true, false, 20},     {"50", 4, true, true, false, 50},
      {"  5", 3, true, true, false, 5},      {"300", 3, true, true, false, 300},
      {"", 3, false, false, true, 0},        {"   ", 3, false, false, true, 0},
      {"abc", 3, false, false, false, 0},    {"5x", 4, true, false, false, 5},
      {"1.5", 4, true, false, false, 1},     {"-1", 3, true, false, false, -1},
      {"+5", 4, true, false, false, 5},      {"0020", 4, true, false, false, 2},
      {"1000", 3, true, false, false, 100},  {"   20", 4, true, false, false, 2},
      {"12", 9, true, true, false, 12},      {"        7", 9, true, true, false, 7},
  };
  for (const Row& row : rows) {
    const PanelInteger number = ReadIntegerText(row.text, row.maxChars);
    EXPECT_EQ(number.hasNumber, row.hasNumber) << '"' << row.text << '"';
    EXPECT_EQ(number.wellFormed, row.wellFormed) << '"' << row.text << '"';
    EXPECT_EQ(number.blank, row.blank) << '"' << row.text << '"';
    EXPECT_EQ(number.value, row.value) << '"' << row.text << '"';
  }
}

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

TEST(SettingsImageTest, TimingListIndexes) {
  struct Row {
    uint8_t flags, code;
    int index;
  };
  const Row rows[] = {{0x01, 1, 0}, {0x01, 2, 1}, {0x01, 4, 2}, {0x01, 8, 3},  {0x01, 16, 4},
                      {0x01, 3, 1}, {0x01, 0, 1}, {0xFF, 32, 1}, {0x00, 4, 5}, {0xFE, 16, 5}};
  for (const Row& row : rows)
    EXPECT_EQ(TimingIndexFromBytes(row.flags, row.code), row.index) << int(row.flags) << "/" << int(row.code);

  EXPECT_EQ(TimingCodeFromIndex(5), kAutoTimingCode);
  EXPECT_EQ(TimingCodeFromIndex(-1), -1);
  EXPECT_EQ(TimingCodeFromIndex(6), -1);
  // A fixed code written reads back as the same entry.
  for (int index = 0; index < 5; ++index)
    EXPECT_EQ(TimingIndexFromBytes(option::kFixedTiming, static_cast<uint8_t>(TimingCodeFromIndex(index))), index);
}

TEST(SettingsImageTest, PwmCodesAndButtonsByClock) {
  struct Row {
    int clock, code, button;
  };
  const Row toButton[] = {{16, 9, kButton15k6}, {16, 10, kButton7k8}, {8, 9, kButton7k8}, {8, 10, 0},
                          {16, 255, 0},         {12, 9, 0},           {0, 10, 0}};
  for (const Row& row : toButton) EXPECT_EQ(PwmButtonFromCode(row.clock, row.code), row.button);

  const Row toCode[] = {{8, 9, kButton7k8},   {16, 10, kButton7k8}, {16, 9, kButton15k6},
                        {8, -1, kButton15k6}, {12, -1, kButton7k8}, {16, -1, 0}};
  for (const Row& row : toCode)
    EXPECT_EQ(PwmCodeFromButton(row.clock, row.button), row.code) << row.clock << " " << row.button;
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
  EXPECT_EQ(state.ControllerVersion, 50000);
  const struct {
    int version;
    bool read;
  } rows[] = {{50000, false}, {65535, false}, {40001, false}, {40000, true}, {0x1011, true}, {0x3002, true}};
  for (const auto& row : rows) {
    state.ControllerVersion = row.version;
    EXPECT_EQ(state.ValuesRead(), row.read) << row.version;
  }
}

}  // namespace
}  // namespace ravix
