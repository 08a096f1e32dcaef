#include <gtest/gtest.h>

#include <functional>

#include "sim/sim_adapter.h"
#include "sim/sim_clock.h"
#include "sim/sim_controller.h"

namespace ravix::sim {
namespace {

using Log = std::vector<std::string>;

// The controller driven at its pins, as an adapter would: RESET, clock and data in,
// data out.
struct Pins {
  SimClock clock{true};
  SimController controller{clock};
  bool reset = false, sck = false, data = false;

  void Set(bool r, bool c, bool d) {
    reset = r, sck = c, data = d;
    controller.SetLines(reset, sck, data);
  }
  // A reset pulse low, then released with the given clock and data levels.
  void Release(bool c, bool d) {
    Set(false, false, false);
    Set(false, c, d);
    Set(true, c, d);
  }
  // One byte MSB first: data set while the clock is low, sampled by the tool after the
  // rising edge. `afterRise` runs while the clock is high.
  uint32_t Exchange(uint32_t out, const std::function<void(int bit)>& afterRise = nullptr) {
    uint32_t in = 0;
    for (int i = 7; i >= 0; --i) {
      Set(reset, false, (out >> i) & 1);
      Set(reset, true, data);
      if (afterRise) afterRise(i);
      in = in * 2 + (controller.DataOut() ? 1 : 0);
      Set(reset, false, data);
    }
    return in;
  }
};

TEST(SimFirmware, StartsOnlyOnAReleaseWithClockLowAndDataHigh) {
  const struct {
    bool clock, data;
    bool answers;
  } cases[] = {{false, true, true}, {false, false, false}, {true, true, false}, {true, false, false}};
  for (const auto& c : cases) {
    Pins pins;
    pins.Release(c.clock, c.data);
    pins.Set(true, false, true);
    pins.Exchange(254);
    const uint32_t answer = pins.Exchange(254);
    EXPECT_EQ(answer == 254, c.answers) << "clock " << c.clock << " data " << c.data;
    EXPECT_EQ(pins.controller.TakeLog(), c.answers ? (Log{"link 254", "link 254"}) : Log{});
  }
}

TEST(SimFirmware, SamplesOnTheRisingEdgeOnly) {
  Pins pins;
  pins.Release(false, true);
  // The data line flips while the clock is high (as the verified serial adapter drives
  // DTR high again): the controller keeps what it saw at the edge.
  pins.Exchange(254, [&](int) { pins.Set(pins.reset, true, !pins.data); });
  EXPECT_EQ(pins.controller.TakeLog(), Log{"link 254"});
}

TEST(SimFirmware, OutputChangesOnlyAfterTheFallingEdge) {
  Pins pins;
  pins.Release(false, true);
  pins.Exchange(89);    // 'Y'
  pins.Exchange(0xA5);  // the offset, echoed during the next exchange
  uint32_t seen = 0;
  for (int i = 7; i >= 0; --i) {
    pins.Set(true, false, false);
    const bool beforeRise = pins.controller.DataOut();
    pins.Set(true, true, false);
    const bool afterRise = pins.controller.DataOut();
    EXPECT_EQ(beforeRise, afterRise) << "bit " << i << " is stable across the rising edge";
    EXPECT_EQ(afterRise, ((0xA5 >> i) & 1) != 0) << "bit " << i;
    seen = seen * 2 + afterRise;
    pins.Set(true, false, false);
  }
  EXPECT_EQ(seen, 0xA5u);
}

TEST(SimFirmware, ResetPulseWithClockLowOpensTheProgrammingInterface) {
  for (bool clockHigh : {false, true}) {
    Pins pins;
    pins.Set(false, clockHigh, false);
    pins.Set(true, clockHigh, false);
    pins.Set(false, clockHigh, false);  // RESET falls
    pins.Set(false, false, false);
    pins.Exchange(0xAC);
    pins.Exchange(0x53);
    const uint32_t echo = pins.Exchange(0x00);
    pins.Exchange(0x00);
    EXPECT_EQ(echo == 0x53, !clockHigh) << "clock high at the fall: " << clockHigh;
  }
}

TEST(SimFirmware, ResetRestoresTheDefaultsAndTheKnobs) {
  Pins pins;
  auto& c = pins.controller;
  c.settings[3] = 9, c.flash[0] = 1, c.present = false, c.otherKind = true, c.silentAfter = 1;
  c.failWriteAddress = 3, c.failLoadCountdown = 1, c.failCommitCountdown = 1;
  c.Reset();
  EXPECT_EQ(c.settings, DefaultSettingImage());
  EXPECT_EQ(c.flash[0], 0xFF);
  EXPECT_TRUE(c.present);
  EXPECT_FALSE(c.otherKind);
  EXPECT_EQ(c.silentAfter, -1);
  EXPECT_EQ(c.failWriteAddress, -1);
  EXPECT_EQ(c.failLoadCountdown, 0);
  EXPECT_EQ(c.failCommitCountdown, 0);
}

}  // namespace
}  // namespace ravix::sim
