// The simulated FT232R's rules, and how the FTDI adapter batches its line changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "link/ftdi_adapter.h"
#include "sim/adapter_models.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

using namespace ftdi_pin;

// The simulated chip opened directly, in synchronous bit-bang mode at 100,000 states a
// second, its latency timer at 1 ms.
struct ChipBench {
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  sim::SimFtdi& chip = adapter.ftdi;
  std::unique_ptr<FtdiDevice> device;
  std::vector<std::string> wire;

  explicit ChipBench(bool setUp = true) {
    adapter.SetModel(*sim::FindAdapterModel("ft232r"));
    adapter.onWire = [this](const std::string& line) { wire.push_back(line); };
    FtdiOpenFailure failure;
    std::string why;
    device = chip.Open(sim::SimFtdi::kSerial, failure, why);
    if (setUp && device) {
      device->SetSyncBitBang(kOutputs);
      device->SetStateRate(100000);
      device->SetLatencyTimer(1);
    }
  }
  std::vector<uint8_t> ReadAll(size_t max = 256) {
    std::vector<uint8_t> samples(max);
    const int n = device->Read(samples);
    samples.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return samples;
  }
};

// Each sample shows the pins before its state; the transceiver inverts (DTR asserted is
// a 0 on D4, DSR looped back reads 0 on D5); the outputs read back as driven.
TEST(SimFt232r, SamplesAreOneStateBehindAndInverted) {
  ChipBench b;
  ASSERT_TRUE(b.device);
  const uint8_t released = kOutputs;
  const uint8_t dtrAsserted = released & ~kDtr;
  const uint8_t states[] = {dtrAsserted, dtrAsserted, released, released};
  ASSERT_TRUE(b.device->Write(states));
  EXPECT_EQ(b.wire, (std::vector<std::string>{"wire dtr 1", "wire dtr 0"}));
  b.clock.Advance(sim::SimFtdi::kRoundTripUs + 100);
  const std::vector<uint8_t> samples = b.ReadAll();
  ASSERT_EQ(samples.size(), 4u);
  // Before the first state: every line released, DSR too.
  EXPECT_EQ(samples[0] & (kDtr | kDsr), kDtr | kDsr);
  // Before the second: DTR driven low, and DSR, looped back, asserted (0).
  EXPECT_EQ(samples[1] & (kDtr | kDsr), 0);
  EXPECT_EQ(samples[2] & (kDtr | kDsr), 0);
  EXPECT_EQ(samples[3] & (kDtr | kDsr), kDtr | kDsr);
  EXPECT_TRUE(b.chip.faults.empty());
  // TXD at space is the break state.
  const uint8_t breakState[] = {static_cast<uint8_t>(released & ~kTxd)};
  ASSERT_TRUE(b.device->Write(breakState));
  EXPECT_EQ(b.wire.back(), "wire break 1");
}

// The rules the chip holds the tool to, each a fault the tests report.
TEST(SimFt232r, ReportsEveryBrokenRule) {
  struct Case {
    const char* what;
    void (*act)(ChipBench&);
    const char* fault;  // the start of the fault's text
  } const cases[] = {
      {"a mask that drives a receiver's pin", [](ChipBench& b) { b.device->SetSyncBitBang(kOutputs | kCts); },
       "ftdi: direction mask 0x1D drives an input pin"},
      {"a write longer than 64 bytes",
       [](ChipBench& b) {
         const std::vector<uint8_t> states(kFtdiMaxWrite + 1, kOutputs);
         EXPECT_FALSE(b.device->Write(states));
       },
       "ftdi: a write of 65 bytes"},
      {"more than 128 states unread",
       [](ChipBench& b) {
         const std::vector<uint8_t> states(kFtdiMaxWrite, kOutputs);
         for (int i = 0; i < 3; ++i) b.device->Write(states);
       },
       "ftdi: 192 states unread"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChipBench b;
    c.act(b);
    ASSERT_FALSE(b.chip.faults.empty());
    EXPECT_EQ(b.chip.faults.front().rfind(c.fault, 0), 0u) << b.chip.faults.front();
  }
  ChipBench unset(false);
  const uint8_t state[] = {kOutputs};
  EXPECT_FALSE(unset.device->Write(state));
  ASSERT_EQ(unset.chip.faults.size(), 1u);
  EXPECT_EQ(unset.chip.faults[0], "ftdi: states written before synchronous bit-bang mode was set");
}

// Samples come back a round trip after their state went out at the rate set: none
// before, and those of later states later; the chip starts with a 16 ms latency timer.
TEST(SimFt232r, ReadsReturnNothingUntilTheSamplesHaveCome) {
  ChipBench b;
  const std::vector<uint8_t> states(kFtdiMaxWrite, kOutputs);
  ASSERT_TRUE(b.device->Write(states));
  EXPECT_TRUE(b.ReadAll().empty()) << "a read at once returns nothing";
  b.clock.Advance(sim::SimFtdi::kRoundTripUs + 5);
  EXPECT_EQ(b.ReadAll().size(), 1u) << "the first state's sample; the others are still going out";
  b.clock.Advance(63 * 10);
  EXPECT_EQ(b.ReadAll().size(), 63u) << "one state every 10 us";

  ChipBench slow(false);
  slow.device->SetSyncBitBang(kOutputs);
  EXPECT_EQ(slow.chip.latencyMs, sim::SimFtdi::kDefaultLatencyMs);
  ASSERT_TRUE(slow.device->Write(std::span(states).first(1)));
  slow.clock.Advance(15000);
  EXPECT_TRUE(slow.ReadAll().empty()) << "the 16 ms latency timer holds the sample back";
  slow.clock.Advance(1100);
  EXPECT_EQ(slow.ReadAll().size(), 1u);
}

// A unit becomes whole states of 7 to 20 us that together last at least the unit and as
// little longer as the rate allows.
TEST(FtdiUnit, BecomesStatesNeverShorterThanAsked) {
  struct Case {
    uint32_t unitUs, rate;
    int states;
  } const cases[] = {{5, 142857, 1},  {7, 142857, 1},  {10, 100000, 1}, {20, 50000, 1},
                     {25, 80000, 2},  {41, 73170, 3},  {1000, 50000, 50}, {5000, 50000, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unitUs);
    const FtdiAdapter::StateTiming t = FtdiAdapter::TimingForUnit(c.unitUs);
    EXPECT_EQ(t.statesPerSecond, c.rate);
    EXPECT_EQ(t.statesPerUnit, c.states);
    const uint32_t unit = std::clamp(c.unitUs, LinkState::kShortestFtdiUnitUs, LinkState::kLongestFtdiUnitUs);
    EXPECT_GE(t.UnitUs(), unit - 1e-9);
    EXPECT_LT(t.UnitUs(), unit * 1.01);
  }
}

// The FTDI adapter on the simulated chip behind COM1.
struct FtdiBench : SimBench {
  FtdiBench() {
    adapter.SetModel(*sim::FindAdapterModel("ft232r"));
    link.SelectAdapter(AdapterKindId::Serial);
  }
  FtdiAdapter& Ftdi() { return link.Ftdi(); }
  uint64_t Unread() const { return adapter.ftdi.statesWritten - adapter.ftdi.samplesRead; }
};

// The tool waits for the chip's samples only where an answer decides what comes next
// and before a millisecond wait; a byte whose answer nobody reads goes out unwaited.
TEST(FtdiBatching, WaitsOnlyForAnswersAndBeforeWaits) {
  FtdiBench b;
  ASSERT_EQ(b.link.Kind().id, AdapterKindId::Ftdi);
  b.StartFirmware();
  ASSERT_TRUE(b.adapter.ftdi.faults.empty());
  // The link check's answer is read: it waits for the samples.
  uint64_t drains = b.Ftdi().Drains().count;
  EXPECT_EQ(b.protocol.LinkExchange(), kAnswerReady);
  EXPECT_GT(b.Ftdi().Drains().count, drains);
  drains = b.Ftdi().Drains().count;
  b.link.TxWord = 0x55;
  b.link.TransferByte();
  b.link.ShortDelay(4);
  EXPECT_EQ(b.Ftdi().Drains().count, drains) << "nothing waited for";
  EXPECT_GT(b.Unread(), 0u) << "the samples are still on their way";
  b.link.WaitMs(5);
  EXPECT_EQ(b.Ftdi().Drains().count, drains + 1) << "flushed before the wait";
  EXPECT_EQ(b.Unread(), 0u) << "every state on the pins before the sleep";
  EXPECT_TRUE(b.adapter.ftdi.faults.empty()) << b.adapter.ftdi.faults.front();
}

// However long the run of queued states (a page of bytes with no answer read between
// them), at most 128 are unread at any time and no write is over 64 bytes: the chip
// reports neither, and the controller took every byte.
TEST(FtdiBatching, KeepsAtMost128StatesUnread) {
  FtdiBench b;
  b.StartFirmware();
  uint64_t most = 0;
  for (int i = 0; i < 64; ++i) {
    b.link.TxWord = static_cast<uint32_t>(i);
    b.link.TransferByte();
    most = std::max(most, b.Unread());
  }
  EXPECT_LE(most, kFtdiMaxInFlight);
  EXPECT_GT(most, kFtdiMaxWrite) << "the window is used, not drained at every write";
  b.link.WaitMs(1);
  EXPECT_EQ(b.Unread(), 0u);
  EXPECT_TRUE(b.adapter.ftdi.faults.empty()) << b.adapter.ftdi.faults.front();
  EXPECT_TRUE(b.adapter.controller.timing.faults.empty()) << b.adapter.controller.timing.faults.front();
}

// Through the chip the controller sees the line changes the serial adapter makes on a
// built-in port, in the same order.
TEST(FtdiBatching, TheLineChangesAreThoseOfABuiltInPort) {
  const auto run = [](bool ftdi) {
    std::unique_ptr<FtdiBench> bench = std::make_unique<FtdiBench>();
    if (!ftdi) {
      bench->adapter.SetModel(*sim::FindAdapterModel("uart"));
      bench->link.SelectAdapter(AdapterKindId::Serial);
    }
    bench->RecordWire();
    bench->link.DetectSerialAdapter();
    bench->protocol.RestartController();
    bench->link.TxWord = 0xA5;
    bench->link.TransferByte();
    bench->protocol.ReadSettingByte(12);
    static_cast<void>(bench->protocol.WriteSettingByte(14, 21));
    bench->protocol.CurrentPage = 3;
    bench->protocol.SelectPage();
    static_cast<void>(bench->protocol.CommitPage());
    bench->link.WaitMs(1);
    // The levels as they change: the serial port's trace also has the calls that
    // leave a line as it is (DTR set again while high), the chip's states only changes.
    std::vector<std::string> changes;
    std::map<std::string, std::string> level{{"rts", "0"}, {"dtr", "0"}, {"break", "0"}};
    for (const WireEvent& e : bench->wire) {
      char line[16], value[8];
      if (std::sscanf(e.text.c_str(), "wire %15s %7s", line, value) != 2 || !level.count(line)) continue;
      if (level[line] == value) continue;
      level[line] = value;
      changes.push_back(e.text);
    }
    EXPECT_EQ(bench->link.Kind().id, ftdi ? AdapterKindId::Ftdi : AdapterKindId::Serial);
    return changes;
  };
  const std::vector<std::string> builtIn = run(false);
  ASSERT_FALSE(builtIn.empty());
  EXPECT_EQ(run(true), builtIn);
}

}  // namespace
}  // namespace ravix::test
