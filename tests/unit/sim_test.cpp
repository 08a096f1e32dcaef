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

TEST(SimFirmware, AnswersEachCommandOneExchangeLate) {
  Pins pins;
  pins.controller.settings[40] = 0x51;
  pins.Release(false, true);
  const struct {
    uint32_t send, answer;
  } steps[] = {
      {254, 0xFF},                              // fresh firmware: idle
      {85, 254}, {40, 0}, {0, 0x51},            // read 40
      {86, 0}, {41, 0}, {0x77, 0}, {0, 0x77},   // write 41 = 0x77
      {87, 0}, {2, 0},                          // page 2
      {89, 0}, {9, 0}, {0x42, 9}, {0, 0x42},    // load offset 9 = 0x42
      {88, 0}, {85, 0}, {51, 0}, {51, 2},       // commit: answered with the page
  };
  for (const auto& s : steps) EXPECT_EQ(pins.Exchange(s.send), s.answer) << "sent " << s.send;
  EXPECT_EQ(pins.controller.TakeLog(), (Log{"link 254", "read 40", "write 41 119", "page 2", "load 9 66", "commit 2"}));
  EXPECT_EQ(pins.controller.settings[41], 0x77);
  EXPECT_EQ(pins.controller.flash[2 * 64 + 9], 0x42);
}

// silent-after N: N more bytes are taken and the answers shifted out while they come
// in are whole; after that the line idles and no command is taken.
TEST(SimFirmware, SilenceComesAfterTheGivenBytes) {
  Pins pins;
  pins.controller.settings[12] = 0x66;
  pins.Release(false, true);
  pins.controller.silentAfter = 3;
  EXPECT_EQ(pins.Exchange(85), 0xFFu);
  EXPECT_EQ(pins.Exchange(12), 0u);
  EXPECT_EQ(pins.Exchange(86), 0x66u) << "the answer riding on the last byte taken is whole";
  EXPECT_EQ(pins.Exchange(12), 0xFFu);
  EXPECT_EQ(pins.Exchange(1), 0xFFu);
  EXPECT_EQ(pins.Exchange(0), 0xFFu);
  EXPECT_EQ(pins.controller.settings[12], 0x66) << "the write after silence was not taken";
  EXPECT_EQ(pins.controller.TakeLog(), Log{"read 12"});
}

TEST(SimFirmware, FaultKnobsHitTheNthOccurrenceOnce) {
  Pins pins;
  pins.Release(false, true);
  auto& c = pins.controller;
  auto write = [&](uint32_t a, uint32_t v) {
    pins.Exchange(86), pins.Exchange(a), pins.Exchange(v);
    return pins.Exchange(0);
  };
  auto load = [&](uint32_t offset, uint32_t v) {
    pins.Exchange(89), pins.Exchange(offset), pins.Exchange(v);
    return pins.Exchange(0);
  };
  auto commit = [&] {
    pins.Exchange(88), pins.Exchange(85), pins.Exchange(51);
    return pins.Exchange(51);
  };
  c.failWriteAddress = 14;
  EXPECT_EQ(write(13, 7), 7u);
  EXPECT_NE(write(14, 7), 7u);
  EXPECT_EQ(c.settings[14], 7) << "written, only read back wrongly";
  EXPECT_EQ(write(14, 8), 8u);

  c.failLoadCountdown = 2;
  EXPECT_EQ(load(0, 1), 1u);
  EXPECT_NE(load(1, 2), 2u);
  EXPECT_EQ(load(2, 3), 3u);

  pins.Exchange(87), pins.Exchange(5);
  c.failCommitCountdown = 1;
  EXPECT_NE(commit(), 5u);
  EXPECT_EQ(commit(), 5u);
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

TEST(SimAdapterPorts, SerialPortsOpenExclusivelyByName) {
  SimClock clock(true);
  SimAdapter adapter(clock);
  auto com1 = adapter.Open("COM1");
  ASSERT_NE(com1, nullptr);
  EXPECT_EQ(adapter.Open("COM1"), nullptr);
  auto com2 = adapter.Open("COM2");
  EXPECT_NE(com2, nullptr);
  com1.reset();
  EXPECT_NE(adapter.Open("COM1"), nullptr);
  adapter.portMissing = true;
  EXPECT_EQ(adapter.Open("COM3"), nullptr);
  EXPECT_EQ(adapter.calls.open, 5u);
}

TEST(SimAdapterPorts, DsrFollowsDtrOnlyThroughAPluggedAdapter) {
  const struct {
    bool plugged, stuck, dtr;
    bool dsr;
  } cases[] = {{true, false, true, true},  {true, false, false, false}, {false, false, true, false},
               {true, true, false, true},  {false, true, true, false}};
  for (const auto& c : cases) {
    SimClock clock(true);
    SimAdapter adapter(clock);
    adapter.plugged = c.plugged;
    adapter.dsrStuckHigh = c.stuck;
    auto port = adapter.Open("COM1");
    port->Escape(c.dtr ? EscapeCode::SetDtr : EscapeCode::ClearDtr);
    uint32_t status = 0;
    ASSERT_TRUE(port->GetModemStatus(status));
    EXPECT_EQ((status & MS_DSR_ON) != 0, c.dsr) << c.plugged << c.stuck << c.dtr;
  }
}

TEST(SimAdapterPorts, ParallelRegisters) {
  SimClock clock(true);
  SimAdapter adapter(clock);
  adapter.controller.present = false;  // its data line idles high
  adapter.PortOut8(0x378, 0x5A);
  EXPECT_EQ(adapter.PortIn16(0x378), 0x785A) << "status: ACK high, bits 3 to 5 idle high";
  adapter.PortOut8(0x37A, 0x2C);
  EXPECT_EQ(adapter.PortIn16(0x37A), 0x2C);
  EXPECT_EQ(adapter.LptData(), 0x5A);
  adapter.PortOut8(0x300, 0xFF);  // no parallel port there
  EXPECT_EQ(adapter.LptData(), 0x5A);
  EXPECT_EQ(adapter.calls.directOut, 3u);
  EXPECT_EQ(adapter.calls.directIn, 2u);
  EXPECT_EQ(adapter.calls.lptWrite + adapter.calls.lptRead, 0u) << "the driver's calls are counted apart";

  auto driver = adapter.LoadLibrary("DLPORTIO.dll");
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->HasExport("DlPortWritePortUshort"));
  EXPECT_FALSE(driver->HasExport("DlPortWritePortUchar"));
  driver->WritePortUshort(0x278, 0x0001);
  EXPECT_EQ(driver->ReadPortUlong(0x278) & 0xFFFF, 0x7801u);
  adapter.driverExports = false;
  EXPECT_FALSE(driver->HasExport("DlPortReadPortUlong"));
  adapter.driverPresent = false;
  EXPECT_EQ(adapter.LoadLibrary("DLPORTIO.dll"), nullptr);
}

}  // namespace
}  // namespace ravix::sim
