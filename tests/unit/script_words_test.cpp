#include <gtest/gtest.h>

#include "script/script_words.h"

namespace ravix::script {
namespace {

TEST(ScriptWordsTest, SplitsLinesIntoWords) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"press 1149", {"press", "1149"}},
      {"  type\t1183   12,5  ", {"type", "1183", "12,5"}},
      {"type 1183 \"two words\"", {"type", "1183", "two words"}},
      {"type 1183 \"\"", {"type", "1183", ""}},
      {R"(type 1 "a\"b\\c\nd")", {"type", "1", "a\"b\\c\nd"}},
      {R"(type 1 "\x41\x7a\xC3\xA4")", {"type", "1", "Az\xC3\xA4"}},
      {"type 1 Gerät", {"type", "1", "Ger\xC3\xA4t"}},
      {"choose \"/tmp/my dir/fw.upd\" x", {"choose", "/tmp/my dir/fw.upd", "x"}},
      {"a#b #c", {"a#b", "#c"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words{"stale"};
    std::string error;
    EXPECT_TRUE(SplitWords(c.line, words, error)) << c.line << ": " << error;
    EXPECT_EQ(words, c.words) << c.line;
  }
}

TEST(ScriptWordsTest, RefusesLinesThatCannotBeSplit) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"type 1 \"open", "unterminated quote"},
      {"type 1 \"ends in a backslash\\", "unterminated quote"},
      {"type 1 \"\\q\"", "unknown escape \\q"},
      {"type 1 \"\\x4\"", "\\x needs two hex digits"},
      {"type 1 \"\\xG1\"", "\\x needs two hex digits"},
      {"type 1 ab\"c\"", "a quote inside a word"},
      {"type 1 \"ab\"c", "text after a closing quote"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitWords(c.line, words, error)) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

TEST(ScriptWordsTest, ParsesDecimalAndHexNumbers) {
  struct Case {
    const char* word;
    std::optional<uint32_t> value;
  };
  const Case cases[] = {
      {"0", 0u},           {"1149", 1149u},     {"0x1F", 0x1Fu},       {"0XfF", 0xFFu},
      {"007", 7u},         {"4294967295", UINT32_MAX}, {"0xFFFFFFFF", UINT32_MAX},
      {"4294967296", std::nullopt}, {"0x100000000", std::nullopt},
      {"", std::nullopt},  {"0x", std::nullopt}, {"-1", std::nullopt},  {"12a", std::nullopt},
      {"1.5", std::nullopt}, {"0x1G", std::nullopt}, {" 1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseNumber(c.word), c.value) << c.word;
}

TEST(ScriptWordsTest, ParsesDecimalsWithAFraction) {
  EXPECT_EQ(ParseDecimal("250"), 250.0);
  EXPECT_EQ(ParseDecimal("0x10"), 16.0);
  EXPECT_EQ(ParseDecimal("2.5"), 2.5);
  EXPECT_EQ(ParseDecimal("0.25"), 0.25);
  for (const char* bad : {".5", "5.", "1.2.3", "1e3", "-2.5", "a.5", ""})
    EXPECT_EQ(ParseDecimal(bad), std::nullopt) << bad;
}

TEST(ScriptWordsTest, QuotesTextForTheTranscript) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case cases[] = {
      {"", R"("")"},
      {"OK", R"("OK")"},
      {"No Adaptor found at COM3\n", R"("No Adaptor found at COM3\n")"},
      {"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
      {std::string("a\0b", 3), R"("a\x00b")"},
      {"tab\there\r", R"("tab\x09here\x0D")"},
      {"\x7F", R"("\x7F")"},
      {"Ger\xC3\xA4t", "\"Ger\xC3\xA4t\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Quote(c.text), c.quoted);
}

}  // namespace
}  // namespace ravix::script
