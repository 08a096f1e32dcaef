#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "isp/isp.h"
#include "isp/isp_commands.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

using State = sim::SimIsp::State;

// What the AVR could see on the wire, rebuilt from the adapter's line operations
// alone (either adapter kind): the reset pulses and every bit clocked in while RESET
// is held low. It counts Programming Enable attempts whatever the device makes of
// them, also when nothing answers.
class WireSniffer {
 public:
  WireSniffer(sim::SimAdapter& adapter, sim::SimClock& clock) : time_(clock) {
    adapter.onWire = [this](const std::string& line) { Line(line); };
  }

  int resetFalls = 0;
  int clocks = 0;       // rising clock edges while RESET is low
  int longHighs = 0;    // of those, the clock held high for 2 ms or more (the extra pulse)
  std::vector<int> bits;

  // Non-overlapping occurrences of the 32-bit instruction at any bit offset.
  int Count(uint32_t instruction) const {
    int found = 0;
    for (size_t i = 0; i + 32 <= bits.size();) {
      uint32_t word = 0;
      for (size_t b = 0; b < 32; ++b) word = (word << 1) | static_cast<uint32_t>(bits[i + b]);
      if (word == instruction) {
        ++found;
        i += 32;
      } else {
        ++i;
      }
    }
    return found;
  }
  int ProgrammingEnables() const { return Count(0xAC530000); }

 private:
  void Line(const std::string& line) {
    unsigned value = 0;
    if (std::sscanf(line.c_str(), "wire lpt-out 0x%x", &value) == 1) {
      Levels((value & 0x08) != 0, (value & 0x02) != 0, (value & 0x01) != 0);
    } else if (line == "wire rts 1" || line == "wire rts 0") {
      Levels(reset_, line.back() == '1', data_);
    } else if (line == "wire dtr 1" || line == "wire dtr 0") {
      Levels(reset_, clock_, line.back() == '1');
    } else if (line == "wire break 1" || line == "wire break 0") {
      Levels(line.back() == '1', clock_, data_);
    }
  }
  void Levels(bool reset, bool clock, bool data) {
    if (reset_ && !reset) ++resetFalls;
    if (!reset && clock && !clock_) {
      ++clocks;
      bits.push_back(data ? 1 : 0);
      risenAt_ = time_.TickCount();
    }
    if (!reset && !clock && clock_ && time_.TickCount() - risenAt_ >= 2) ++longHighs;
    reset_ = reset, clock_ = clock, data_ = data;
  }
  sim::SimClock& time_;
  uint32_t risenAt_ = 0;
  bool reset_ = false, clock_ = false, data_ = false;
};

// The programming interface and the sniffer on the simulated machine.
struct IspBench {
  explicit IspBench(bool serial) : bench(serial), sniffer(bench.adapter, bench.clock) {}

  std::vector<std::string> IspLog() {
    std::vector<std::string> isp;
    for (auto& entry : bench.adapter.controller.TakeLog())
      if (entry.rfind("isp ", 0) == 0) isp.push_back(entry);
    return isp;
  }

  SimBench bench;
  Isp isp{bench.link, bench.status};
  WireSniffer sniffer;
  sim::SimIsp& sim() { return bench.adapter.controller.isp; }
};

class IspAdapters : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(BothAdapters, IspAdapters, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Serial" : "Parallel"; });

const char* const kSignatureLines = "Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n";

TEST_P(IspAdapters, EveryKnownFamilyConnectsAtOnceAndItsNeighboursDoNot) {
  struct Case {
    uint8_t family;
    int result;
    int signatureReads;
  };
  // 0x90 to 0x94 are known; 0x8F and 0x95 are read twice and refused.
  const Case cases[] = {{0x8F, 1, 2}, {0x90, 0, 1}, {0x92, 0, 1}, {0x94, 0, 1}, {0x95, 1, 2}};
  for (const auto& c : cases) {
    IspBench t(GetParam());
    t.sim().signature[1] = c.family;
    EXPECT_EQ(t.isp.ConnectIsp(), c.result) << int(c.family);
    EXPECT_EQ(t.sniffer.Count(0x30000100), c.signatureReads) << int(c.family);
    EXPECT_EQ(t.isp.DeviceKnown, c.result == 0) << int(c.family);
  }
}

TEST_P(IspAdapters, DeviceOutOfStepComesIntoStepWithOneExtraPulsePerBit) {
  for (int n : {1, 4, 7}) {
    for (bool known : {false, true}) {
      IspBench t(GetParam());
      t.sim().outOfStep = n;
      t.isp.DeviceKnown = known;
      EXPECT_EQ(t.isp.ConnectIsp(), 0) << n;
      // Unknown: first try, second try, then the synchronisation's attempts: one at the
      // second try's bit position, n more after the n extra pulses. Known: the second
      // try does not synchronise; the third try (long reset, reset, enable) does.
      EXPECT_EQ(t.sniffer.ProgrammingEnables(), (known ? 4 : 3) + n) << n << known;
      EXPECT_EQ(t.sniffer.resetFalls, known ? 4 : 2) << n << known;
      // Every enable the device saw out of step went unanswered: it executed only the
      // one that came in step, then the signature reads.
      EXPECT_EQ(t.IspLog(), (std::vector<std::string>{"isp 0xAC53 0x0000", "isp 0x3000 0x0000",
                                                      "isp 0x3000 0x0100", "isp 0x3000 0x0200"}))
          << n;
      EXPECT_EQ(t.isp.InfoText, std::string(kSignatureLines) + "Echo 53 received");
      EXPECT_TRUE(t.isp.DeviceKnown);
    }
  }
}

TEST_P(IspAdapters, NoDeviceMakes73EnableAttemptsOr38WhenADeviceWasKnown) {
  struct Case {
    bool known;
    bool controllerPresent;
    int attempts;
    int resets;
  };
  // Unknown: 1 + 1 + 35 + 1 + 35. Known: the second try skips the synchronisation.
  const Case cases[] = {{false, true, 73, 4}, {true, true, 38, 4}, {false, false, 73, 4}, {true, false, 38, 4}};
  for (const auto& c : cases) {
    IspBench t(GetParam());
    t.sim().state = State::Absent;
    t.bench.adapter.controller.present = c.controllerPresent;
    t.isp.DeviceKnown = c.known;
    EXPECT_EQ(t.isp.ConnectIsp(), 1);
    EXPECT_EQ(t.sniffer.ProgrammingEnables(), c.attempts) << c.known;
    EXPECT_EQ(t.sniffer.resetFalls, c.resets);
    EXPECT_EQ(t.bench.status.ErrorText, "No Connection!\n\n");
    EXPECT_FALSE(t.isp.DeviceKnown);
    EXPECT_TRUE(t.IspLog().empty());
    EXPECT_NE(t.isp.ProgResponse >> 8, 0x53u);
  }
}

// The confirming read of a family 0x01 decides on its own: what it shows is judged as
// a first read would be, except that a known family now counts as unknown.
TEST_P(IspAdapters, FamilyChangingOnTheConfirmingReadIsJudgedByTheNewFamily) {
  struct Case {
    State second;
    uint8_t family;
    int result;
    bool known;
    size_t boxes;
  };
  const Case cases[] = {{State::Ok, 0x93, 1, false, 0}, {State::Erased, 0xFF, 0, true, 1},
                        {State::Ok, 0x42, 1, false, 0}};
  for (const auto& c : cases) {
    IspBench t(GetParam());
    t.sim().state = State::Locked;
    t.sim().signature[1] = c.family;
    // Two signature reads (six instructions with the enables) as a locked device, then
    // the device shows itself otherwise.
    int instructions = 0;
    t.sim().log = [&](std::string entry) {
      if (entry.rfind("isp 0x3000", 0) == 0 && ++instructions == 6) t.sim().state = c.second;
    };
    EXPECT_EQ(t.isp.ConnectIsp(), c.result);
    EXPECT_EQ(t.isp.DeviceKnown, c.known);
    EXPECT_EQ(t.bench.ui.messages.size(), c.boxes);
    if (c.result == 1) {
      EXPECT_EQ(t.bench.status.ErrorText.rfind("Unknown Device Code!\n\n", 0), 0u);
    }
  }
}

TEST_P(IspAdapters, ResetPulsesLastAtLeastTheirMandatedWaits) {
  IspBench t(GetParam());
  ASSERT_EQ(t.bench.link.DetectSerialAdapter(), 0);
  // 50 ms of calibration, the pulse and the 100 ms pause; the serial adapter's reset
  // line is held low 100 ms before the pulse.
  const uint32_t shortMs = GetParam() ? 251 : 180;
  const uint32_t longMs = GetParam() ? 400 : 302;
  uint32_t t0 = t.bench.clock.TickCount();
  EXPECT_EQ(t.isp.PulseReset(), 0);
  EXPECT_GE(t.bench.clock.TickCount() - t0, shortMs);
  EXPECT_GE(t.bench.link.DelayCount, 1);
  t0 = t.bench.clock.TickCount();
  EXPECT_EQ(t.isp.PulseResetLong(), 0);
  EXPECT_GE(t.bench.clock.TickCount() - t0, longMs);
  EXPECT_EQ(t.sniffer.resetFalls, 2);
  EXPECT_TRUE(t.sim().Active());
}

TEST(IspTest, ParallelResetPulseKeepsTheLatchBitsItDoesNotOwn) {
  IspBench t(false);
  t.bench.link.Parallel().LptLatch = 0xF7 & ~0x0B;  // bits 2 and 4 to 7 set
  EXPECT_EQ(t.isp.PulseReset(), 0);
  EXPECT_EQ(t.bench.link.Parallel().LptLatch, 0xF4u);
  EXPECT_EQ(t.isp.PulseResetLong(), 0);
  EXPECT_EQ(t.bench.link.Parallel().LptLatch, 0xF4u);
  EXPECT_EQ(t.bench.adapter.LptData(), 0xF4);
}

// A serial port that cannot be opened or an adapter that is missing: nothing reaches
// the AVR.
TEST(IspTest, SerialFailuresStopBeforeTheFirstPulse) {
  IspBench noPort(true);
  noPort.bench.adapter.portMissing = true;
  EXPECT_EQ(noPort.isp.PulseReset(), 1);
  EXPECT_EQ(noPort.bench.status.ErrorText, "COM-Init-Error!");
  EXPECT_EQ(noPort.isp.PulseResetLong(), 1);
  EXPECT_EQ(noPort.sniffer.resetFalls, 0);

  IspBench unplugged(true);
  unplugged.bench.adapter.plugged = false;
  EXPECT_EQ(unplugged.isp.ConnectIsp(), 1);
  EXPECT_EQ(unplugged.bench.status.ErrorText, "No Adaptor found at COM1\n");
  EXPECT_EQ(unplugged.sniffer.clocks, 0);
}


// Each of the 35 attempts is followed by an extra clock pulse with its 2 ms waits.
TEST(IspTest, SynchronisationGivesUpAfter35AttemptsAnd35ExtraPulses) {
  IspBench t(true);
  ASSERT_EQ(t.bench.link.DetectSerialAdapter(), 0);
  t.sim().state = State::Absent;
  ASSERT_EQ(t.isp.PulseReset(), 0);
  const uint32_t t0 = t.bench.clock.TickCount();
  EXPECT_NE(t.isp.SyncProgramming(), 0x53u);
  EXPECT_EQ(t.sniffer.ProgrammingEnables(), 35);
  EXPECT_EQ(t.sniffer.clocks, 35 * 32 + 35);
  EXPECT_GE(t.bench.clock.TickCount() - t0, 35u * 6);
  EXPECT_EQ(t.sniffer.longHighs, 35) << "each extra pulse holds the clock high for 2 ms";
}

// The calibration's results and refusals, and Controller Info on both adapters, are in
// tests/scenarios/isp; this one needs a change of the firmware between two restarts.
// A firmware that does not answer the first link check and then answers 253: the
// restart was tried, and the second exchange's 253 is only "no connection!".
TEST(IspCommandsTest, Calibration253OnlyOnTheSecondExchangeIsNoConnection) {
  IspBench t(true);
  auto& controller = t.bench.adapter.controller;
  controller.silentAfter = 0;
  int releases = 0;
  auto sniff = t.bench.adapter.onWire;
  t.bench.adapter.onWire = [&](const std::string& line) {
    sniff(line);
    // The connect gives one reset pulse; the restarts release RESET after it.
    if (line == "wire break 1" && ++releases == 3) controller.silentAfter = -1, controller.otherKind = true;
  };
  CalibrateOscillator(*t.bench.window, t.bench.link, t.bench.protocol, t.isp, t.bench.status);
  ASSERT_EQ(t.bench.ui.messages.size(), 1u);
  EXPECT_EQ(t.bench.ui.messages[0].owner, t.bench.window.get());
  EXPECT_EQ(t.bench.ui.messages[0].text, "no connection!");
  std::vector<std::string> firmware;
  for (auto& entry : controller.TakeLog())
    if (entry.rfind("isp ", 0) != 0) firmware.push_back(entry);
  EXPECT_EQ(firmware, (std::vector<std::string>{"link 253", "link 253"}));
  EXPECT_EQ(controller.settings[15], 0xA8);
  EXPECT_FALSE(t.bench.window->IsItemEnabled(IDC_STATUS));
}

}  // namespace
}  // namespace ravix::test
