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

// COM1 to COM8 name the ports offered, in order: UART ttyS ports, then USB, then ACM,
// each by number. Full device paths stand for themselves; nothing else names a port.
TEST_F(PortNamesTest, MapsPortNamesToTheDeviceBehindThem) {
  const PortNames names(Roots());
  const std::vector<std::string> expected = {tree.Path("dev/ttyS0"),    tree.Path("dev/ttyS3"),
                                             tree.Path("dev/ttyS10"),   tree.Path("dev/ttyUSB2"),
                                             tree.Path("dev/ttyUSB10"), tree.Path("dev/ttyACM0")};
  EXPECT_EQ(names.SerialDevices(), expected);
  PosixSerialPorts ports(Roots());
  const struct {
    const char* name;
    std::string device;  // "" for none
  } cases[] = {
      {"COM1", expected[0]}, {"COM6", expected[5]}, {"com4", expected[3]}, {"COM7", ""}, {"COM9", ""},
      {"COM0", ""},          {"COM10", ""},         {"COM", ""},           {"LPT1", ""}, {"0378", ""},
      {"", ""},              {"ttyS0", ""},         {"/dev/ttyAMA0", "/dev/ttyAMA0"},
      {"/dev/does-not-exist", "/dev/does-not-exist"},
  };
  for (const auto& c : cases) EXPECT_EQ(ports.DeviceBehind(c.name), c.device) << c.name;
}

// USB adapters land above COM8: the ninth device and on are COM9, COM10, ..., and the
// list of ports names every one of them with its device.
TEST_F(PortNamesTest, NumbersThePortsAboveCom8) {
  for (int i = 0; i < 6; ++i) tree.File("dev/ttyACM" + std::to_string(i + 1));
  const PortNames names(Roots());
  const auto devices = names.SerialDevices();
  ASSERT_EQ(devices.size(), 12u);
  EXPECT_EQ(names.DeviceBehind("COM8"), tree.Path("dev/ttyACM2"));
  EXPECT_EQ(names.DeviceBehind("COM9"), tree.Path("dev/ttyACM3"));
  EXPECT_EQ(names.DeviceBehind("com12"), tree.Path("dev/ttyACM6"));
  for (const char* none : {"COM13", "COM012", "COM1x", "COM99999999999999999999"})
    EXPECT_EQ(names.DeviceBehind(none), "") << none;
  PosixSerialPorts ports(Roots());
  const auto listed = ports.ListPorts();
  ASSERT_EQ(listed.size(), 12u);
  EXPECT_EQ(listed[0].name, "COM1");
  EXPECT_EQ(listed[0].description, tree.Path("dev/ttyS0"));
  EXPECT_EQ(listed[11].name, "COM12");
  EXPECT_EQ(listed[11].description, tree.Path("dev/ttyACM6"));
}

// While the tool holds an FTDI chip with its serial driver detached, the chip's node is
// gone; the ports after it keep their COM numbers until it is let go.
TEST_F(PortNamesTest, AHeldChipKeepsTheNumbersOfThePortsAfterIt) {
  PortNames names(Roots());
  const std::string com5 = names.DeviceBehind("COM5");
  ASSERT_EQ(com5, tree.Path("dev/ttyUSB10"));
  names.Hold("ttyUSB2", true);
  std::filesystem::remove(tree.Path("dev/ttyUSB2"));
  EXPECT_EQ(names.DeviceBehind("COM5"), com5) << "held";
  EXPECT_EQ(names.DeviceBehind("COM4"), tree.Path("dev/ttyUSB2"));
  names.Hold("ttyUSB2", true);  // twice is once
  EXPECT_EQ(names.SerialDevices().size(), 6u);
  names.Hold("ttyUSB2", false);
  EXPECT_EQ(names.DeviceBehind("COM4"), com5) << "let go while its node is still gone";
  EXPECT_EQ(names.SerialDevices().size(), 5u);
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
