#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace ravix::test {
namespace {

TEST(SetupProtocolTest, ReadsAndWritesSettingBytesThroughTheSimulatedFirmware) {
  SimBench bench;
  ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
  EXPECT_EQ(bench.protocol.CheckLink(), 0);
  EXPECT_EQ(bench.protocol.ReadSettingByte(12), 102u);
  EXPECT_EQ(bench.protocol.ReadSettingByte(32), 0x10u);
  EXPECT_EQ(bench.protocol.WriteSettingByte(14, 0x1FF), 0);
  EXPECT_EQ(bench.adapter.controller.settings[14], 0xFF);
  EXPECT_TRUE(bench.ui.messages.empty());
}

}  // namespace
}  // namespace ravix::test
