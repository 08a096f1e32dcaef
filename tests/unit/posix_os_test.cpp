#ifndef _WIN32
#include <gtest/gtest.h>

#include "platform/posix/posix_os.h"
#include "posix_fake_tree.h"

namespace ravix::test {
namespace {

// Three parallel ports as the kernel lists them: base addresses in decimal, the ECP
// base after a tab.
class ParallelPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.Ok());
    tree.File("dev/parport0");
    tree.File("dev/parport1");
    tree.File("dev/parport10");
    tree.File("dev/parport2");  // no entry in /proc
    tree.File("dev/parportX");
    tree.File("proc/parport0/base-addr", "888\t1912\n");  // 0x378
    tree.File("proc/parport1/base-addr", "632\n");        // 0x278
    tree.File("proc/parport10/base-addr", "956\t0\n");    // 0x3BC
  }
  ParallelPortRoots Roots() const { return {tree.Path("dev"), tree.Path("proc")}; }

  FakeTree tree;
};

TEST_F(ParallelPortsTest, FindsTheDeviceByItsBaseAddress) {
  const ParallelPorts ports(Roots());
  const struct {
    uint16_t base;
    const char* device;  // relative to the fake tree; "" for none
  } cases[] = {
      {0x378, "dev/parport0"}, {0x278, "dev/parport1"}, {0x3BC, "dev/parport10"},
      {0x37A, ""},             {0x778, ""},             {0, ""},
  };
  for (const auto& c : cases) {
    const std::string expected = *c.device ? tree.Path(c.device) : "";
    EXPECT_EQ(ports.DeviceAt(c.base), expected) << std::hex << c.base;
  }
  const std::vector<std::string> all = {tree.Path("dev/parport0"), tree.Path("dev/parport1"),
                                        tree.Path("dev/parport2"), tree.Path("dev/parport10")};
  EXPECT_EQ(ports.Devices(), all);
}

TEST_F(ParallelPortsTest, TheDriverLoadsWhereAParallelPortExists) {
  PosixOs os(Roots());
  for (const char* name : {"DLPORTIO.dll", "dlportio.DLL"}) {
    auto driver = os.LoadLibrary(name);
    ASSERT_NE(driver, nullptr) << name;
    EXPECT_TRUE(driver->HasExport("DlPortWritePortUshort"));
    EXPECT_TRUE(driver->HasExport("DlPortReadPortUlong"));
    // The driver has these two exports and no others; their names are exact.
    for (const char* other : {"DlPortReadPortUchar", "DlPortWritePortUlong", "dlportreadportulong", ""})
      EXPECT_FALSE(driver->HasExport(other)) << other;
  }
  EXPECT_EQ(os.LoadLibrary("inpout32.dll"), nullptr);
}

// The fake devices are plain files: the claim fails as it does when the printer
// driver holds the port or permission is lacking. Nothing breaks; the port reads
// like an empty bus and writes go nowhere, on every access.
TEST_F(ParallelPortsTest, AnUnclaimablePortReadsAsAnEmptyBus) {
  PosixOs os(Roots());
  auto driver = os.LoadLibrary("DLPORTIO.dll");
  ASSERT_NE(driver, nullptr);
  for (int i = 0; i < 3; ++i) {
    driver->WritePortUshort(0x378, 0x000B);
    EXPECT_EQ(driver->ReadPortUlong(0x378), 0xFFFFu);
    EXPECT_EQ(driver->ReadPortUlong(0x278), 0xFFFFu);
    EXPECT_EQ(driver->ReadPortUlong(0x37A), 0xFFFFu);  // no port at that base
  }
}

TEST(PosixOsTest, WithoutAParallelPortTheDriverIsMissing) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ok());
  tree.File("dev/ttyS0");
  tree.File("dev/lp0");
  tree.File("proc/parport0/base-addr", "888\n");  // /proc alone is no port
  PosixOs os({tree.Path("dev"), tree.Path("proc")});
  EXPECT_EQ(os.LoadLibrary("DLPORTIO.dll"), nullptr);
  PosixOs noDev({tree.Path("missing"), tree.Path("proc")});
  EXPECT_EQ(noDev.LoadLibrary("DLPORTIO.dll"), nullptr);
}

TEST(PosixOsTest, IsNeitherThe9xNorTheNtLineAndHasNoPortInstructions) {
  PosixOs os;
  for (uint32_t size : {156u, 148u}) {
    const auto platform = os.GetVersionPlatform(size);
    ASSERT_TRUE(platform.has_value());
    EXPECT_NE(*platform, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_NE(*platform, VER_PLATFORM_WIN32_NT);
  }
  os.PortOut8(0x37A, 0x04);
  EXPECT_EQ(os.PortIn16(0x378), 0xFFFF);
}

}  // namespace
}  // namespace ravix::test
#endif
