#ifndef _WIN32
#include <gtest/gtest.h>

#include "platform/posix/port_names.h"
#include "platform/posix/posix_serial.h"
#include "posix_fake_tree.h"

namespace ravix::test {
namespace {

// A machine with four on-board ttyS nodes of which two have a UART, a high-numbered
// ttyS, two USB adapters whose numbers sort differently as text, a CDC-ACM device,
// and nodes that are no serial ports.
class PortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.Ok());
    for (const char* node : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB10", "ttyUSB2", "ttyACM0",
                             "tty0", "ttySx", "ttyUSB", "console", "ttyAMA0"})
      tree.File(std::string("dev/") + node);
    tree.File("sys/ttyS0/type", "4\n");
    tree.File("sys/ttyS1/type", "0\n");  // no UART behind it
    tree.Dir("sys/ttyS2");                // no type file: nothing known, not offered
    tree.File("sys/ttyS3/type", "4");
    tree.File("sys/ttyS10/type", "16\n");
  }
  PortNameRoots Roots() const { return {tree.Path("sys"), tree.Path("dev")}; }

  FakeTree tree;
};

TEST_F(PortNamesTest, NumbersUartPortsThenUsbThenAcmEachByNumber) {
  const PortNames names(Roots());
  const std::vector<std::string> expected = {tree.Path("dev/ttyS0"),    tree.Path("dev/ttyS3"),
                                             tree.Path("dev/ttyS10"),   tree.Path("dev/ttyUSB2"),
                                             tree.Path("dev/ttyUSB10"), tree.Path("dev/ttyACM0")};
  EXPECT_EQ(names.SerialDevices(), expected);
}

TEST_F(PortNamesTest, MapsPortNamesToTheDeviceBehindThem) {
  PosixSerialPorts ports(Roots());
  const struct {
    const char* name;
    std::string device;  // relative to the fake tree; "" for none
  } cases[] = {
      {"COM1", "dev/ttyS0"},   {"COM2", "dev/ttyS3"},    {"COM3", "dev/ttyS10"}, {"COM4", "dev/ttyUSB2"},
      {"COM5", "dev/ttyUSB10"}, {"COM6", "dev/ttyACM0"}, {"com4", "dev/ttyUSB2"}, {"COM7", ""},
      {"COM8", ""},            {"COM9", ""},             {"COM0", ""},           {"COM10", ""},
      {"COM", ""},             {"LPT1", ""},             {"0378", ""},           {"", ""},
      {"ttyS0", ""},
  };
  for (const auto& c : cases) {
    const std::string expected = c.device.empty() ? "" : tree.Path(c.device);
    EXPECT_EQ(ports.DeviceBehind(c.name), expected) << c.name;
  }
}

TEST_F(PortNamesTest, FullDevicePathsStandForThemselves) {
  const PortNames names(Roots());
  EXPECT_EQ(names.DeviceBehind("/dev/ttyAMA0"), "/dev/ttyAMA0");
  EXPECT_EQ(names.DeviceBehind("/dev/does-not-exist"), "/dev/does-not-exist");
}

TEST_F(PortNamesTest, OffersNoMoreThanEightPorts) {
  for (int i = 0; i < 6; ++i) tree.File("dev/ttyACM" + std::to_string(i + 1));
  const PortNames names(Roots());
  const auto devices = names.SerialDevices();
  ASSERT_EQ(devices.size(), 8u);
  EXPECT_EQ(devices[6], tree.Path("dev/ttyACM1"));
  EXPECT_EQ(devices[7], tree.Path("dev/ttyACM2"));
  EXPECT_EQ(names.DeviceBehind("COM8"), tree.Path("dev/ttyACM2"));
  EXPECT_EQ(names.DeviceBehind("COM9"), "") << "ttyACM3 and later have no name";
}

TEST(PortNamesMissingTreeTest, NoDevicesWithoutADevFolder) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ok());
  const PortNames names({tree.Path("sys"), tree.Path("dev")});
  EXPECT_TRUE(names.SerialDevices().empty());
  EXPECT_EQ(names.DeviceBehind("COM1"), "");
}

}  // namespace
}  // namespace ravix::test
#endif
