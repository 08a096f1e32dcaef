#include "files/intel_hex.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ravix {
namespace {

using Bytes = std::map<uint32_t, uint8_t>;

// Record checksums below are worked out by hand: the two's complement of the sum of
// all bytes before them.
TEST(IntelHexTest, ReadsTheRecordsAnImageIsMadeOf) {
  struct Case {
    const char* what;
    std::string text;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {"one data record", ":0300000012345661\n:00000001FF\n", {{0, 0x12}, {1, 0x34}, {2, 0x56}}},
      {"CR LF, blanks and empty lines", "  :0300000012345661 \r\n\r\n:00000001FF\r\n", {{0, 0x12}, {1, 0x34}, {2, 0x56}}},
      {"lower-case digits", ":02004000abcd46\n:00000001ff", {{0x40, 0xAB}, {0x41, 0xCD}}},
      {"extended linear address", ":020000040001F9\n:0100100042AD\n:00000001FF\n", {{0x10010, 0x42}}},
      {"extended segment address", ":020000021000EC\n:0100100042AD\n:00000001FF\n", {{0x10010, 0x42}}},
      {"a linear address back to zero", ":020000040001F9\n:020000040000FA\n:0100100042AD\n:00000001FF\n",
       {{0x10, 0x42}}},
      {"start addresses carry no data", ":0400000300001234B3\n:04000005000000CD2A\n:00000001FF\n", {}},
      {"the same byte twice", ":0100100042AD\n:0100100042AD\n:00000001FF\n", {{0x10, 0x42}}},
      {"nothing after the end counts", ":0100100042AD\n:00000001FF\n:0100200099\n", {{0x10, 0x42}}},
      {"an offset that wraps inside its segment", ":02FFFF001122CD\n:00000001FF\n", {{0xFFFF, 0x11}, {0x0000, 0x22}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const IntelHexResult result = ParseIntelHex(c.text);
    EXPECT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(result.image.bytes, c.bytes);
  }
}

TEST(IntelHexTest, RefusesDamagedRecordsNamingTheLine) {
  struct Case {
    const char* what;
    std::string text;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"checksum one too high", ":0300000012345662\n:00000001FF\n", "line 1: wrong checksum 0x62, the record needs 0x61"},
      {"checksum on a later line", "\n:0300000012345661\n:0100100042AC\n:00000001FF\n",
       "line 3: wrong checksum 0xAC, the record needs 0xAD"},
      {"no colon", "0300000012345663\n", "line 1: a record must begin with ':'"},
      {"an odd number of digits", ":030000001234563\n", "line 1: the record is cut short or has an odd number of digits"},
      {"too short for a record", ":00000001\n", "line 1: the record is cut short or has an odd number of digits"},
      {"a digit that is none", ":03000000123G5663\n", "line 1: '3G' is not a hexadecimal byte"},
      {"a count that does not match", ":0400000012345663\n", "line 1: the record announces 4 data bytes but holds 3"},
      {"an unknown type", ":00000006FA\n", "line 1: unknown record type 0x06"},
      {"an extended address of the wrong size", ":03000004000100F8\n",
       "line 1: an extended address record holds two bytes"},
      {"no end record", ":0300000012345661\n", "line 1: no end-of-file record (type 01): the image may be cut short"},
      {"the empty text", "", "line 0: no end-of-file record (type 01): the image may be cut short"},
      {"one address, two bytes", ":0100100042AD\n:0100100043AC\n:00000001FF\n",
       "line 2: address 0x0010 is given a second time with a different byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const IntelHexResult result = ParseIntelHex(c.text);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.error, c.error);
    if (c.error.find("end-of-file") != std::string::npos) {
      EXPECT_TRUE(result.image.bytes.empty());
    }
  }
}

TEST(IntelHexTest, UpdateBytesFollowTheAddressesUpToTheLastPage) {
  IntelHexImage image;
  std::vector<UpdateByte> bytes;
  EXPECT_EQ(UpdateBytesFromImage(image, bytes), "the image holds no data");

  image.bytes = {{0x0041, 0x02}, {0x0000, 0x01}, {0x3FFF, 0xFF}};
  EXPECT_EQ(UpdateBytesFromImage(image, bytes), "");
  ASSERT_EQ(bytes.size(), 3u);
  EXPECT_EQ(FormatUpdateLine(bytes[0]), "0000:0001");
  EXPECT_EQ(FormatUpdateLine(bytes[1]), "0041:0002");
  EXPECT_EQ(FormatUpdateLine(bytes[2]), "3FFF:00FF");

  // Page 256 could be loaded but never confirmed: such an image is refused whole.
  image.bytes[0x4000] = 0x00;
  EXPECT_EQ(UpdateBytesFromImage(image, bytes),
            "address 0x4000 lies beyond 0x3FFF, the last address the controller's page commands can program");
  EXPECT_TRUE(bytes.empty());
  image.bytes = {{0x10000, 0x00}};
  EXPECT_NE(UpdateBytesFromImage(image, bytes), "");
}

}  // namespace
}  // namespace ravix
