#include <gtest/gtest.h>

#include "platform/text.h"

namespace ravix::test {
namespace {

TEST(Text, HexDigitsOfEachCaseAndTheCharactersAroundThem) {
  struct Case {
    char c;
    int any, upper;
  };
  // The neighbours of each range in ASCII are no digits.
  const Case cases[] = {{'0', 0, 0},   {'9', 9, 9},   {'/', -1, -1}, {':', -1, -1}, {'A', 10, 10}, {'F', 15, 15},
                        {'@', -1, -1}, {'G', -1, -1}, {'a', 10, -1}, {'f', 15, -1}, {'`', -1, -1}, {'g', -1, -1},
                        {'\0', -1, -1}, {'\xC3', -1, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(HexDigitValue(c.c), c.any) << static_cast<int>(c.c);
    EXPECT_EQ(UpperHexDigitValue(c.c), c.upper) << static_cast<int>(c.c);
  }
}

TEST(Text, CaseIsIgnoredForAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoringCase("DLPORTIO.dll", "dlportio.DLL"));
  EXPECT_TRUE(EqualsIgnoringCase("", ""));
  EXPECT_FALSE(EqualsIgnoringCase("DLPORTIO.dll", "DLPORTIO.dl"));
  // '@' and '`' sit next to 'A' and 'a' and are no letters.
  EXPECT_FALSE(EqualsIgnoringCase("@", "`"));
  EXPECT_FALSE(EqualsIgnoringCase("[", "{"));
  EXPECT_FALSE(EqualsIgnoringCase("\xC3\x84", "\xC3\xA4"));
}

}  // namespace
}  // namespace ravix::test
