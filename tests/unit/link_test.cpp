#include <gtest/gtest.h>

#include <climits>

#include "sim_fixture.h"

namespace ravix::test {
namespace {

constexpr AdapterKind kAllKinds[] = {AdapterKind::Serial, AdapterKind::ParallelDriver, AdapterKind::ParallelDirect};
constexpr AdapterKind kParallelKinds[] = {AdapterKind::ParallelDriver, AdapterKind::ParallelDirect};

// Input reads of whichever kind, the time unit of the short delay.
uint64_t InputReads(const sim::CallCounts& c) { return c.modem + c.lptRead + c.directIn; }

// The wire record with the values of the input reads left out ("modem", "in"): the
// order of operations is what matters, not what the controller happened to drive.
std::vector<std::string> Ops(const std::vector<WireEvent>& wire) {
  std::vector<std::string> ops;
  for (const auto& e : wire) {
    if (e.text.rfind("wire modem", 0) == 0) ops.push_back("modem");
    else if (e.text.rfind("wire lpt-in", 0) == 0) ops.push_back("in");
    else ops.push_back(e.text.substr(5));
  }
  return ops;
}

void Repeat(std::vector<std::string>& ops, const std::string& op, int n) {
  for (int i = 0; i < n; ++i) ops.push_back(op);
}

// One serial bit with one delay unit: data on DTR, clock up on RTS, DTR high again when
// the adapter is verified, the sample, clock down; five reads of delay after each step.
std::vector<std::string> SerialBit(uint32_t bit, bool verified) {
  std::vector<std::string> ops{bit ? "dtr 1" : "dtr 0"};
  Repeat(ops, "modem", 5);
  ops.push_back("rts 1");
  Repeat(ops, "modem", 5);
  if (verified) {
    ops.push_back("dtr 1");
    Repeat(ops, "modem", 5);
  }
  ops.push_back("modem");
  Repeat(ops, "modem", 5);
  ops.push_back("rts 0");
  Repeat(ops, "modem", 5);
  return ops;
}

class LinkExchange : public ::testing::TestWithParam<AdapterKind> {};

INSTANTIATE_TEST_SUITE_P(Kinds, LinkExchange, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return std::string(KindName(info.param)); });

TEST_P(LinkExchange, ByteGoesOutMsbFirstFromTheLowEightBitsOfTxWord) {
  const struct {
    uint32_t tx;
    uint32_t onWire;
  } cases[] = {{0x1A5, 0xA5}, {0x00, 0x00}, {0xFF, 0xFF}, {0x80, 0x80}, {0x01, 0x01}, {0xFFFFFF7E, 0x7E}};
  for (const auto& c : cases) {
    SimBench bench(GetParam());
    bench.StartFirmware();
    bench.RecordWire();
    bench.link.TxWord = c.tx;
    bench.link.TransferByte();
    EXPECT_EQ(Values(bench.TakeBytes()), std::vector<uint32_t>{c.onWire}) << std::hex << c.tx;
    EXPECT_EQ(bench.link.TxWord, c.tx) << "TxWord is left as it was";
  }
}

TEST_P(LinkExchange, AnswerToAByteArrivesDuringTheNextExchange) {
  SimBench bench(GetParam());
  bench.adapter.controller.settings[12] = 102;
  bench.StartFirmware();
  // 'U' 12 0: the firmware's answer to 'U' is 0, to the address the setting byte; the
  // first exchange carries what the freshly started firmware shifts out (idle high).
  const struct {
    uint32_t send;
    uint32_t received;
  } steps[] = {{85, 0xFF}, {12, 0}, {0, 102}, {254, 0}, {254, 254}};
  for (const auto& s : steps) {
    bench.link.RxWord = 0xDEAD0000;  // cleared by the exchange: only the received byte remains
    bench.link.TxWord = s.send;
    bench.link.TransferByte();
    EXPECT_EQ(bench.link.RxWord, s.received) << "sent " << s.send;
  }
  EXPECT_EQ(bench.adapter.controller.TakeLog(), (std::vector<std::string>{"read 12", "link 254", "link 254"}));
}

TEST_P(LinkExchange, WordKeepsOlderBitsAboveFifteenAndReceivesMsbFirst) {
  SimBench bench(GetParam());
  bench.StartFirmware();
  // 'Y' and offset 0x12: the firmware echoes the offset during the next exchange and
  // the data byte (0x34, the word's first byte) during the one after.
  bench.link.TxWord = 89;
  bench.link.TransferByte();
  bench.link.TxWord = 0x12;
  bench.link.TransferByte();
  bench.RecordWire();
  bench.link.RxWord = 0xAB;
  bench.link.TxWord = 0x3400;
  bench.link.TransferWord();
  EXPECT_EQ(bench.link.RxWord, 0xAB1234u);
  EXPECT_EQ(bench.link.TxWord, 0x3400u);
  EXPECT_EQ(Values(bench.TakeBytes()), (std::vector<uint32_t>{0x34, 0x00}));
  EXPECT_EQ(bench.adapter.controller.TakeLog(), std::vector<std::string>{"load 18 52"});
}

TEST_P(LinkExchange, WordHasNoLeadingDelayAndByteHasTwoUnits) {
  SimBench bench(GetParam());
  bench.StartFirmware();
  bench.link.DelayCount = 1;
  bench.RecordWire();
  bench.link.TransferWord();
  ASSERT_FALSE(bench.wire.empty());
  const auto wordOps = Ops(bench.wire);
  EXPECT_NE(wordOps.front(), "modem");
  EXPECT_NE(wordOps.front(), "in");
  bench.wire.clear();
  bench.link.TransferByte();
  const auto byteOps = Ops(bench.wire);
  std::vector<std::string> leading(byteOps.begin(), byteOps.begin() + 10);
  EXPECT_EQ(leading, std::vector<std::string>(10, bench.Serial() ? "modem" : "in"));
  EXPECT_NE(byteOps[10], bench.Serial() ? "modem" : "in");
}

TEST_P(LinkExchange, OneBitIsTheLineOperationsInOrder) {
  for (uint32_t bit : {0u, 1u}) {
    SimBench bench(GetParam());
    bench.StartFirmware();
    bench.link.DelayCount = 1;
    const uint32_t latchBefore = bench.link.LptLatch;
    bench.RecordWire();
    bench.link.TransferBit(bit);
    std::vector<std::string> expected;
    if (bench.Serial()) {
      expected = SerialBit(bit, true);
    } else {
      char out[24];
      const uint32_t data = (latchBefore & ~1u) | bit;
      std::snprintf(out, sizeof out, "lpt-out 0x%02X", data);
      expected.push_back(out);
      Repeat(expected, "in", 5);
      std::snprintf(out, sizeof out, "lpt-out 0x%02X", data | 2);
      expected.push_back(out);
      Repeat(expected, "in", 5);
      expected.push_back("in");
      std::snprintf(out, sizeof out, "lpt-out 0x%02X", data);
      expected.push_back(out);
      Repeat(expected, "in", 5);
    }
    EXPECT_EQ(Ops(bench.wire), expected) << "bit " << bit;
  }
}

TEST(LinkSerial, UnverifiedAdapterLeavesDtrAtTheLastBitAndNeverRaisesIt) {
  SimBench bench;
  ASSERT_EQ(bench.link.OpenComPort(), 0);
  ASSERT_FALSE(bench.link.AdapterVerified);
  bench.link.DelayCount = 1;
  bench.RecordWire();
  bench.link.TransferBit(0);
  EXPECT_EQ(Ops(bench.wire), SerialBit(0, false));
}

// Between bits (after each falling clock edge) DTR is high on a verified adapter,
// whatever was sent; on an unverified one it is the bit just sent.
TEST(LinkSerial, DtrBetweenBitsFollowsVerification) {
  for (bool verified : {true, false}) {
    for (uint32_t tx : {0x00u, 0xFFu, 0x5Au}) {
      SimBench bench;
      if (verified)
        ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
      else
        ASSERT_EQ(bench.link.OpenComPort(), 0);
      bench.RecordWire();
      bench.link.TxWord = tx;
      bench.link.TransferByte();
      bool dtr = false;
      int falling = 0;
      for (const auto& e : bench.wire) {
        if (e.text == "wire dtr 1") dtr = true;
        if (e.text == "wire dtr 0") dtr = false;
        if (e.text == "wire rts 0") {
          const bool sent = (tx >> (7 - falling)) & 1;
          EXPECT_EQ(dtr, verified ? true : sent) << "verified " << verified << " tx " << tx << " bit " << falling;
          ++falling;
        }
      }
      EXPECT_EQ(falling, 8);
    }
  }
}

TEST(LinkParallel, SixteenBitReadCarriesTheControllerDataInBit14) {
  for (AdapterKind kind : kParallelKinds) {
    const struct {
      bool plugged, present;
      bool ack;
    } cases[] = {{true, false, true},   // no controller: its data line idles high
                 {false, true, false},  // no adapter: ACK floats low
                 {true, true, true}};   // a controller held in reset does not drive: high
    for (const auto& c : cases) {
      SimBench bench(kind);
      bench.link.LptLatch = 0x05;
      bench.link.WriteLpt();
      bench.adapter.plugged = c.plugged;
      bench.adapter.controller.present = c.present;
      bench.link.ReadLpt();
      EXPECT_EQ((bench.link.LptLastRead & 0x4000) != 0, c.ack) << KindName(kind);
      EXPECT_EQ(bench.link.LptLastRead & 0xFF, 0x05) << "the data register in the low byte";
    }
    // A controller shifting out a 0 bit pulls ACK low.
    SimBench bench(kind);
    bench.StartFirmware();
    bench.link.TxWord = 85;  // answered with 0 during the next exchange
    bench.link.TransferByte();
    bench.link.LptLatch |= 0x02;  // clock up: the first answer bit is on the line
    bench.link.WriteLpt();
    bench.link.ReadLpt();
    EXPECT_EQ(bench.link.LptLastRead & 0x4000, 0);
  }
}

TEST(LinkParallel, InitKeepsTheOtherLatchBits) {
  const struct {
    uint32_t before, after;
  } cases[] = {{0xFF, 0xF4}, {0x0B, 0x00}, {0x04, 0x04}, {0xF0, 0xF0}};
  for (AdapterKind kind : kParallelKinds) {
    for (const auto& c : cases) {
      SimBench bench(kind);
      bench.adapter.PortOut8(0x37A, 0x2F);  // direction bit set, as another program may leave it
      bench.adapter.calls = {};
      bench.RecordWire();
      bench.link.LptLatch = c.before;
      const uint64_t t0 = bench.clock.NowUs();
      bench.link.InitParallelAdapter();
      EXPECT_EQ(bench.link.LptLatch, c.after);
      EXPECT_EQ(bench.adapter.LptData(), c.after);
      ASSERT_EQ(bench.wire.size(), 1u);
      if (kind == AdapterKind::ParallelDirect) {
        EXPECT_EQ(bench.adapter.LptControl(), 0x0F) << "the data lines drive";
        // 10 ms after each register write, counted in ticks of the millisecond counter.
        EXPECT_GT(bench.ElapsedUs(t0), 19000u);
        EXPECT_EQ(bench.adapter.calls.directIn, 1u);
        EXPECT_EQ(bench.adapter.calls.directOut, 2u);
      } else {
        EXPECT_EQ(bench.adapter.LptControl(), 0x2F) << "the driver path leaves the control register";
        EXPECT_LT(bench.ElapsedUs(t0), 1000u) << "no waits";
      }
    }
  }
}

TEST(LinkParallel, InitDoesNothingWithoutParallelAccessOrWithASerialPort) {
  SimBench serial(AdapterKind::Serial);
  serial.link.LptLatch = 0xFF;
  serial.link.InitParallelAdapter();
  EXPECT_EQ(serial.link.LptLatch, 0xFFu);
  EXPECT_EQ(serial.adapter.calls.Total(), 0u);

  SimBench none(AdapterKind::ParallelDriver);
  none.link.PortDriverReady = false;
  none.link.LptLatch = 0xFF;
  none.link.InitParallelAdapter();
  EXPECT_EQ(none.link.LptLatch, 0xFFu);
  EXPECT_EQ(none.adapter.calls.Total(), 0u);
  EXPECT_TRUE(none.ui.messages.empty());
}

TEST(LinkDetection, LoopBackMustFollowDtrBothWays) {
  const struct {
    const char* name;
    bool plugged, dsrStuckHigh, controller;
    int result;
  } cases[] = {
      {"plugged", true, false, true, 0},
      {"plugged without controller", true, false, false, 0},
      {"unplugged", false, false, true, 1},
      {"DSR stuck high", true, true, true, 1},
  };
  for (const auto& c : cases) {
    SimBench bench;
    bench.adapter.plugged = c.plugged;
    bench.adapter.dsrStuckHigh = c.dsrStuckHigh;
    bench.adapter.controller.present = c.controller;
    bench.link.AdapterVerified = true;  // from an earlier detection
    bench.status.ErrorText = "earlier";
    bench.RecordWire();
    const uint64_t t0 = bench.clock.NowUs();
    EXPECT_EQ(bench.link.DetectSerialAdapter(), c.result) << c.name;
    EXPECT_EQ(bench.link.AdapterVerified, c.result == 0) << c.name;
    EXPECT_EQ(bench.status.ErrorText, c.result ? "No Adaptor found at COM1\n" : "earlier") << c.name;
    EXPECT_TRUE(bench.link.ComPortOpen) << c.name;
    const auto ops = Ops(bench.wire);
    if (c.result == 0) {
      EXPECT_EQ(ops, (std::vector<std::string>{"dtr 1", "modem", "dtr 0", "modem"})) << c.name;
      EXPECT_GE(bench.ElapsedUs(t0), 300000u) << c.name;
    }
    if (!c.plugged) {
      EXPECT_EQ(ops, (std::vector<std::string>{"dtr 1", "modem"})) << c.name;
    }
    EXPECT_TRUE(bench.ui.messages.empty()) << "the callers show the text";
  }
}

TEST(LinkDetection, ParallelPortSelectedTouchesNothing) {
  for (AdapterKind kind : kParallelKinds) {
    SimBench bench(kind);
    bench.adapter.plugged = false;
    bench.RecordWire();
    EXPECT_EQ(bench.link.DetectSerialAdapter(), 0);
    EXPECT_EQ(bench.adapter.calls.Total(), 0u);
    EXPECT_TRUE(bench.wire.empty());
    EXPECT_FALSE(bench.link.ComPortOpen);
    EXPECT_TRUE(bench.adapter.OpenPorts().empty());
  }
}

TEST(LinkDetection, OpenFailurePassesItsTextOn) {
  SimBench bench;
  bench.adapter.portMissing = true;
  EXPECT_EQ(bench.link.DetectSerialAdapter(), 1);
  EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!");
  EXPECT_EQ(bench.adapter.calls.escape, 0u);
}

TEST(LinkComPort, SecondOpenOpensNothing) {
  SimBench bench;
  EXPECT_EQ(bench.link.OpenComPort(), 0);
  EXPECT_EQ(bench.link.OpenComPort(), 0);
  EXPECT_EQ(bench.adapter.calls.open, 1u);
  EXPECT_EQ(bench.adapter.calls.config, 3u);
  EXPECT_TRUE(bench.link.ComPortOpen);
  EXPECT_EQ(bench.adapter.lineSettings.BaudRate, 9600u);
  EXPECT_EQ(bench.adapter.lineSettings.ByteSize, 8);
  EXPECT_EQ(bench.adapter.lineSettings.Parity, NOPARITY);
  EXPECT_EQ(bench.adapter.lineSettings.StopBits, ONESTOPBIT);
  EXPECT_EQ(bench.adapter.readTimeouts.ReadIntervalTimeout, 3u);
  EXPECT_EQ(bench.adapter.readTimeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(bench.adapter.readTimeouts.ReadTotalTimeoutConstant, 5u);
  bench.link.CloseComPort();
  EXPECT_FALSE(bench.link.ComPortOpen);
  EXPECT_TRUE(bench.adapter.OpenPorts().empty());
}

// Each failing step has its own text and lets the port go; the next attempt starts
// again with the open, and succeeds once the fault is gone.
TEST(LinkComPort, FailuresAndTheAttemptAfterThem) {
  const struct {
    bool sim::SimAdapter::*fault;
    const char* text;
  } cases[] = {
      {&sim::SimAdapter::portMissing, "COM-Init-Error!"},
      {&sim::SimAdapter::failGetLineSettings, "Kann COM-Port Einstellung nicht lesen."},
      {&sim::SimAdapter::failSetLineSettings, "Kann COM-Port Einstellung nicht schreiben."},
      {&sim::SimAdapter::failSetTimeouts, "Kann TIMEOUTS nicht schreiben."},
  };
  for (const auto& c : cases) {
    SimBench bench;
    bench.adapter.*c.fault = true;
    EXPECT_EQ(bench.link.OpenComPort(), 1) << c.text;
    EXPECT_EQ(bench.status.ErrorText, c.text);
    EXPECT_FALSE(bench.link.ComPortOpen) << c.text;
    EXPECT_TRUE(bench.adapter.OpenPorts().empty()) << c.text << ": a port the tool cannot use is not held";
    EXPECT_EQ(bench.link.OpenComPort(), 1) << "still failing: " << c.text;
    bench.adapter.*c.fault = false;
    EXPECT_EQ(bench.link.OpenComPort(), 0) << c.text;
    EXPECT_TRUE(bench.link.ComPortOpen) << c.text;
    EXPECT_EQ(bench.adapter.OpenPorts().size(), 1u) << c.text;
  }
}

TEST(LinkLines, ClosedPortIgnoresLineOperationsAndReadsKeepTheLastStatus) {
  SimBench bench;
  bench.link.ModemStatus = MS_CTS_ON;
  bench.link.SetRts();
  bench.link.SetDtr();
  bench.link.SetBreak();
  EXPECT_EQ(bench.link.ReadCts(), 1);
  EXPECT_EQ(bench.adapter.calls.Total(), 0u);
}

TEST(LinkLines, FailedModemReadKeepsModemStatus) {
  SimBench bench;
  ASSERT_EQ(bench.link.OpenComPort(), 0);
  bench.adapter.controller.present = false;  // CTS would read high
  bench.link.ModemStatus = MS_DSR_ON;
  bench.adapter.failModemStatus = true;
  EXPECT_EQ(bench.link.ReadCts(), 0);
  EXPECT_EQ(bench.link.ModemStatus, MS_DSR_ON);
  bench.adapter.failModemStatus = false;
  EXPECT_EQ(bench.link.ReadCts(), 1);
  EXPECT_EQ(bench.link.ModemStatus & MS_CTS_ON, MS_CTS_ON);
}

TEST(LinkLines, EachLineOperationIsOneCallWithItsCode) {
  SimBench bench;
  ASSERT_EQ(bench.link.OpenComPort(), 0);
  bench.RecordWire();
  bench.link.SetRts();
  bench.link.ClearRts();
  bench.link.SetDtr();
  bench.link.ClearDtr();
  bench.link.SetBreak();
  bench.link.ClearBreak();
  EXPECT_EQ(Ops(bench.wire),
            (std::vector<std::string>{"rts 1", "rts 0", "dtr 1", "dtr 0", "break 1", "break 0"}));
  EXPECT_EQ(bench.adapter.calls.escape, 6u);
}

TEST(LinkWait, WaitMsCountsTicksAlsoAcrossTheWrap) {
  // The last offset puts the wrap inside the long waits.
  const uint32_t offsets[] = {0, 0xFFFFFFFFu - 2, 0xFFFFFFFFu, 0xFFFFFFFFu - 99};
  const uint32_t waits[] = {1, 2, 5, 150, 1000, 3000};
  for (uint32_t offset : offsets) {
    for (uint32_t n : waits) {
      SimBench bench;
      bench.clock.SetTickOffset(offset);
      bench.clock.Advance(400);  // not on a tick boundary
      const uint32_t tickBefore = bench.clock.TickCount();
      const uint64_t t0 = bench.clock.NowUs();
      bench.link.WaitMs(n);
      const uint64_t elapsed = bench.ElapsedUs(t0);
      const uint32_t tickAfter = bench.clock.TickCount();
      EXPECT_EQ(static_cast<uint32_t>(tickAfter - tickBefore), n) << "offset " << offset << " n " << n;
      // At least n ticks have passed: more than n - 1 ms, at most n ms (one tick read later).
      EXPECT_GT(elapsed, (n - 1) * 1000ull) << "offset " << offset << " n " << n;
      EXPECT_LE(elapsed, n * 1000ull) << "offset " << offset << " n " << n;
    }
  }
}

TEST(LinkWait, WaitMsZeroReturnsAtOnce) {
  SimBench bench;
  bench.clock.SetTickOffset(0xFFFFFFFFu);
  const uint64_t reads = bench.clock.tickReads;
  const uint64_t t0 = bench.clock.NowUs();
  bench.link.WaitMs(0);
  EXPECT_EQ(bench.clock.tickReads - reads, 1u);
  EXPECT_EQ(bench.ElapsedUs(t0), sim::SimClock::kTickReadCostUs);
}

class ShortDelayReads : public ::testing::TestWithParam<AdapterKind> {};

INSTANTIATE_TEST_SUITE_P(Kinds, ShortDelayReads, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return std::string(KindName(info.param)); });

TEST_P(ShortDelayReads, FiveTimesUnitsTimesDelayCountInputReads) {
  const struct {
    int delayCount, units;
    uint64_t reads;
    int delayCountAfter;
  } cases[] = {
      {0, 0, 5, 1},         // uncalibrated: DelayCount becomes 1; 0 units last as 1
      {0, 1, 5, 1},         {0, -1, 0, 1},  {0, INT_MIN, 0, 1}, {1, 2, 10, 1},
      {3, 0, 15, 3},        {3, 1, 15, 3},  {2, 4, 40, 2},     {4, -7, 0, 4},
      {1, 10, 50, 1},
  };
  for (const auto& c : cases) {
    SimBench bench(GetParam());
    if (bench.Serial()) {
      ASSERT_EQ(bench.link.OpenComPort(), 0);
    }
    bench.adapter.calls = {};
    bench.link.DelayCount = c.delayCount;
    bench.link.ShortDelay(c.units);
    const auto& calls = bench.adapter.calls;
    EXPECT_EQ(InputReads(calls), c.reads) << c.delayCount << " x " << c.units;
    EXPECT_EQ(bench.link.DelayCount, c.delayCountAfter);
    // Reads only: nothing is written, and the driver's export is looked up for each read.
    EXPECT_EQ(calls.escape + calls.lptWrite + calls.directOut, 0u);
    if (GetParam() == AdapterKind::ParallelDriver) {
      EXPECT_EQ(calls.exportLookup, c.reads);
    }
  }
}

// A clock that stands still until the adapter has been read `reads - 1` times and then
// shows 50 ms gone, so that the calibration loop makes exactly `reads` reads. Its base
// sits just below the wrap of the counter.
class StepClock : public Clock {
 public:
  StepClock(sim::SimAdapter& adapter, uint64_t reads) : adapter_(adapter), reads_(reads) {}
  uint32_t TickCount() override {
    if (ticks_++ == 0) return kBase;  // the start of the window
    const uint64_t done = adapter_.calls.modem + adapter_.calls.lptRead + adapter_.calls.directIn;
    return kBase + (done + 1 >= reads_ ? 50u : 0u);
  }
  void Pass(uint32_t) override {}

 private:
  static constexpr uint32_t kBase = 0xFFFFFFF0u;
  sim::SimAdapter& adapter_;
  uint64_t reads_;
  uint64_t ticks_ = 0;
};

TEST(LinkCalibration, DelayCountIsReadsPer37000PlusOne) {
  const struct {
    uint64_t reads;
    int delayCount;
  } cases[] = {{1, 1}, {36999, 1}, {37000, 2}, {73999, 2}, {74000, 3}, {111000, 4}};
  for (AdapterKind kind : kAllKinds) {
    for (const auto& c : cases) {
      SimBench bench(kind);
      if (bench.Serial()) {
        ASSERT_EQ(bench.link.OpenComPort(), 0);
      }
      StepClock clock(bench.adapter, c.reads);
      Platform platform{clock, bench.adapter, bench.adapter, bench.ui};
      Link link(platform, bench.status);
      link.SerialPortSelected = bench.link.SerialPortSelected;
      link.ComHandle = std::move(bench.link.ComHandle);
      link.ComPortOpen = true;
      link.DirectPortIo = bench.link.DirectPortIo;
      link.PortDriverLibrary = std::move(bench.link.PortDriverLibrary);
      bench.adapter.calls = {};
      link.CalibrateDelay();
      EXPECT_EQ(InputReads(bench.adapter.calls), c.reads) << KindName(kind);
      EXPECT_EQ(link.DelayCount, c.delayCount) << KindName(kind) << " " << c.reads << " reads";
    }
  }
}

TEST(LinkCalibration, SimulatedReadsLastFiftyMilliseconds) {
  for (AdapterKind kind : kAllKinds) {
    SimBench bench(kind);
    if (bench.Serial()) {
      ASSERT_EQ(bench.link.OpenComPort(), 0);
    }
    const uint64_t t0 = bench.clock.NowUs();
    bench.link.CalibrateDelay();
    EXPECT_GE(bench.ElapsedUs(t0), 49000u) << KindName(kind);
    EXPECT_LT(bench.ElapsedUs(t0), 51000u) << KindName(kind);
    // A simulated read costs microseconds: far fewer than 37000 fit in 50 ms.
    EXPECT_EQ(bench.link.DelayCount, 1) << KindName(kind);
  }
}

// No driver library (or one without the exports) and no direct access: one box, the
// status window ended with 1, and the reads keep LptLastRead.
TEST(LinkDriverFailure, OneBoxAndTheStatusWindowEnds) {
  const struct {
    const char* name;
    bool library;
  } cases[] = {{"no library", false}, {"library without exports", true}};
  for (const auto& c : cases) {
    SimBench bench(AdapterKind::ParallelDriver);
    if (!c.library) {
      bench.link.PortDriverLibrary.reset();
      bench.link.PortDriverReady = false;
    }
    bench.adapter.driverExports = false;
    bench.link.LptLastRead = 0x1234;
    bench.link.TxWord = 254;
    bench.link.TransferByte();
    bench.link.TransferWord();
    ASSERT_EQ(bench.ui.messages.size(), 1u) << c.name;
    EXPECT_EQ(bench.ui.messages[0].owner, nullptr);
    EXPECT_EQ(bench.ui.messages[0].caption, "Error");
    EXPECT_EQ(bench.ui.messages[0].text, "Error during driver access!");
    EXPECT_TRUE(bench.window->Ended()) << c.name;
    EXPECT_EQ(bench.window->Result(), 1);
    EXPECT_EQ(bench.link.LptLastRead, 0x1234) << c.name;
    EXPECT_EQ(bench.adapter.calls.lptWrite + bench.adapter.calls.lptRead, 0u) << c.name;
  }
}

TEST(LinkDriverFailure, EndsTheDialogThatIsTheStatusWindow) {
  SimBench bench(AdapterKind::ParallelDriver);
  bench.link.PortDriverLibrary.reset();
  DialogResource dialogResource{
      1228, "dialog", 10, 10, {{IDC_STATUS, ControlKind::ReadOnlyEdit, "", 0, 0, 10, 10, true, ""}}, 0, {}};
  auto dialog = bench.ui.CreateWindow(dialogResource, bench.window.get());
  bench.status.StatusWindow = dialog;
  bench.link.InitParallelAdapter();
  bench.link.TransferByte();
  EXPECT_EQ(bench.ui.messages.size(), 1u);
  EXPECT_TRUE(dialog->Ended());
  EXPECT_EQ(dialog->Result(), 1);
  EXPECT_FALSE(bench.window->Ended());
  // The next command makes the main window the status window again: it is told too.
  bench.status.StatusWindow = bench.window;
  bench.link.TransferByte();
  EXPECT_EQ(bench.ui.messages.size(), 2u);
  EXPECT_TRUE(bench.window->Ended());
}

TEST(LinkDriverFailure, WithoutAStatusWindowTheBoxStillComesOnce) {
  SimBench bench(AdapterKind::ParallelDriver);
  bench.link.PortDriverLibrary.reset();
  bench.status.StatusWindow.reset();
  bench.link.TransferByte();
  bench.link.TransferByte();
  EXPECT_EQ(bench.ui.messages.size(), 1u);
  EXPECT_FALSE(bench.window->Ended());
}

TEST(LinkDriverFailure, DirectAccessNeedsNoDriver) {
  SimBench bench(AdapterKind::ParallelDirect);
  bench.link.TransferByte();
  EXPECT_TRUE(bench.ui.messages.empty());
  EXPECT_EQ(bench.adapter.calls.exportLookup, 0u);
}

}  // namespace
}  // namespace ravix::test
