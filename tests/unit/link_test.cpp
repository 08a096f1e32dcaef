#include <gtest/gtest.h>

#include <climits>

#include "sim_fixture.h"

namespace ravix::test {
namespace {

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

// The line operations of one bit with one delay unit (five input reads). Serial: data
// on DTR, clock up on RTS, DTR high again when the adapter is verified, the sample on
// CTS, clock down. Parallel: data and clock are bits 0 and 1 of the latch, the sample
// is one read of the port.
void AddBit(std::vector<std::string>& ops, bool serial, bool verified, uint32_t bit, uint32_t& latch) {
  const std::string in = serial ? "modem" : "in";
  const auto delay = [&] { ops.insert(ops.end(), 5, in); };
  const auto out = [&](uint32_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "lpt-out 0x%02X", value);
    ops.push_back(text);
  };
  if (serial) {
    ops.push_back(bit ? "dtr 1" : "dtr 0");
    delay();
    ops.push_back("rts 1");
    delay();
    if (verified) {
      ops.push_back("dtr 1");
      delay();
    }
    ops.push_back("modem");
    delay();
    ops.push_back("rts 0");
    delay();
    return;
  }
  latch = (latch & ~1u) | bit;
  out(latch);
  delay();
  out(latch | 2);
  delay();
  ops.push_back("in");
  out(latch);
  delay();
}

// A byte is two delay units, then the low eight bits of TxWord MSB first; a word is its
// sixteen bits with no leading delay. TxWord is left as it was.
TEST(LinkExchange, ByteAndWordAreTheirBitsInOrder) {
  struct Row {
    AdapterKind kind;
    bool verified;
  };
  for (const Row row : {Row{AdapterKind::Serial, true}, Row{AdapterKind::Serial, false},
                        Row{AdapterKind::ParallelDriver, true}, Row{AdapterKind::ParallelDirect, true}}) {
    for (const uint32_t tx : {0x1A5u, 0xFFFFFF7Eu}) {
      SCOPED_TRACE(std::string(KindName(row.kind)) + (row.verified ? "" : " unverified") + " " + std::to_string(tx));
      SimBench bench(row.kind);
      if (row.verified) {
        bench.StartFirmware();
      } else {
        ASSERT_EQ(bench.link.Serial().OpenComPort(), 0);
      }
      bench.link.DelayCount = 1;
      uint32_t latch = bench.link.Parallel().LptLatch;
      std::vector<std::string> expected(10, bench.Serial() ? "modem" : "in");
      for (int i = 7; i >= 0; --i) AddBit(expected, bench.Serial(), row.verified, (tx >> i) & 1, latch);
      bench.RecordWire();
      bench.link.TxWord = tx;
      bench.link.TransferByte();
      EXPECT_EQ(Ops(bench.wire), expected);
      EXPECT_EQ(bench.link.TxWord, tx);

      expected.clear();
      for (int i = 15; i >= 0; --i) AddBit(expected, bench.Serial(), row.verified, (tx >> i) & 1, latch);
      bench.wire.clear();
      bench.link.TransferWord();
      EXPECT_EQ(Ops(bench.wire), expected);
      EXPECT_EQ(bench.link.TxWord, tx);
    }
  }
}

// Preparing the parallel port drives reset, clock and data low and keeps the other
// latch bits; direct access also makes the data lines drive (the direction bit of the
// control register cleared) and lets each register write settle for 10 ms. Without
// parallel access, or on a serial port, it touches nothing.
TEST(LinkParallel, InitClearsItsThreeLinesOnly) {
  const struct {
    uint32_t before, after;
  } cases[] = {{0xFF, 0xF4}, {0x0B, 0x00}, {0xF0, 0xF0}};
  for (AdapterKind kind : kParallelKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(KindName(kind)) + " " + std::to_string(c.before));
      SimBench bench(kind);
      bench.adapter.PortOut8(0x37A, 0x2F);  // direction bit set, as another program may leave it
      bench.adapter.calls = {};
      bench.RecordWire();
      bench.link.Parallel().LptLatch = c.before;
      const uint64_t t0 = bench.clock.NowUs();
      bench.link.InitParallelAdapter();
      EXPECT_EQ(bench.link.Parallel().LptLatch, c.after);
      EXPECT_EQ(bench.adapter.LptData(), c.after);
      ASSERT_EQ(bench.wire.size(), 1u);
      const bool direct = kind == AdapterKind::ParallelDirect;
      EXPECT_EQ(bench.adapter.LptControl(), direct ? 0x0F : 0x2F);
      if (direct) {
        EXPECT_GT(bench.ElapsedUs(t0), 19000u);
        EXPECT_EQ(bench.adapter.calls.directIn, 1u);
        EXPECT_EQ(bench.adapter.calls.directOut, 2u);
      } else {
        EXPECT_LT(bench.ElapsedUs(t0), 1000u);
      }
    }
  }
  SimBench serial(AdapterKind::Serial);
  SimBench none(AdapterKind::ParallelDriver);
  none.link.Parallel().PortDriverReady = false;
  for (SimBench* bench : {&serial, &none}) {
    bench->link.Parallel().LptLatch = 0xFF;
    bench->link.InitParallelAdapter();
    EXPECT_EQ(bench->link.Parallel().LptLatch, 0xFFu);
    EXPECT_EQ(bench->adapter.calls.Total(), 0u);
    EXPECT_TRUE(bench->ui.messages.empty());
  }
}

TEST(LinkDetection, ParallelPortSelectedTouchesNothing) {
  for (AdapterKind kind : kParallelKinds) {
    SimBench bench(kind);
    bench.adapter.plugged = false;
    EXPECT_EQ(bench.link.DetectSerialAdapter(), 0);
    EXPECT_EQ(bench.adapter.calls.Total(), 0u);
    EXPECT_FALSE(bench.link.Serial().ComPortOpen);
  }
}

// 9600 8N1 with short read time-outs, opened once however often it is asked.
TEST(LinkComPort, OpensOnceAt9600WithShortReadTimeouts) {
  SimBench bench;
  EXPECT_EQ(bench.link.Serial().OpenComPort(), 0);
  EXPECT_EQ(bench.link.Serial().OpenComPort(), 0);
  EXPECT_EQ(bench.adapter.calls.open, 1u);
  EXPECT_EQ(bench.adapter.calls.config, 3u);
  const auto& line = bench.adapter.lineSettings;
  EXPECT_EQ(std::vector<int>({static_cast<int>(line.BaudRate), line.ByteSize, line.Parity, line.StopBits}),
            std::vector<int>({9600, 8, NOPARITY, ONESTOPBIT}));
  const auto& t = bench.adapter.readTimeouts;
  EXPECT_EQ(std::vector<uint32_t>({t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant}),
            std::vector<uint32_t>({3, 0, 5}));
  bench.link.Serial().CloseComPort();
  EXPECT_FALSE(bench.link.Serial().ComPortOpen);
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
    SCOPED_TRACE(c.text);
    SimBench bench;
    bench.adapter.*c.fault = true;
    EXPECT_EQ(bench.link.Serial().OpenComPort(), 1);
    EXPECT_EQ(bench.status.ErrorText, c.text);
    EXPECT_FALSE(bench.link.Serial().ComPortOpen);
    EXPECT_TRUE(bench.adapter.OpenPorts().empty()) << "a port the tool cannot use is not held";
    EXPECT_EQ(bench.link.Serial().OpenComPort(), 1) << "still failing";
    bench.adapter.*c.fault = false;
    EXPECT_EQ(bench.link.Serial().OpenComPort(), 0);
    EXPECT_EQ(bench.adapter.OpenPorts().size(), 1u);
  }
}

// A closed port ignores the line operations, and a failed modem read keeps the last
// modem status.
TEST(LinkLines, ReadsKeepTheLastStatusWhenThePortFails) {
  SimBench bench;
  bench.link.Serial().ModemStatus = MS_CTS_ON;
  bench.link.Serial().SetRts();
  bench.link.Serial().SetBreak();
  EXPECT_EQ(bench.link.Serial().ReadCts(), 1);
  EXPECT_EQ(bench.adapter.calls.Total(), 0u);

  ASSERT_EQ(bench.link.Serial().OpenComPort(), 0);
  bench.adapter.controller.present = false;  // CTS would read high
  bench.link.Serial().ModemStatus = MS_DSR_ON;
  bench.adapter.failModemStatus = true;
  EXPECT_EQ(bench.link.Serial().ReadCts(), 0);
  EXPECT_EQ(bench.link.Serial().ModemStatus, MS_DSR_ON);
  bench.adapter.failModemStatus = false;
  EXPECT_EQ(bench.link.Serial().ReadCts(), 1);
}

TEST(LinkWait, WaitMsCountsTicksAlsoAcrossTheWrap) {
  // The last offset puts the wrap inside the long waits.
  for (uint32_t offset : {0u, 0xFFFFFFFFu, 0xFFFFFFFFu - 99}) {
    for (uint32_t n : {1u, 5u, 150u, 1000u}) {
      SCOPED_TRACE("offset " + std::to_string(offset) + " n " + std::to_string(n));
      SimBench bench;
      bench.clock.SetTickOffset(offset);
      bench.clock.Advance(400);  // not on a tick boundary
      const uint32_t tickBefore = bench.clock.TickCount();
      const uint64_t t0 = bench.clock.NowUs();
      bench.link.WaitMs(n);
      const uint64_t elapsed = bench.ElapsedUs(t0);
      EXPECT_EQ(static_cast<uint32_t>(bench.clock.TickCount() - tickBefore), n);
      // At least n ticks have passed: more than n - 1 ms, at most n ms (one tick read later).
      EXPECT_GT(elapsed, (n - 1) * 1000ull);
      EXPECT_LE(elapsed, n * 1000ull);
    }
  }
}

TEST(LinkDelay, FiveTimesUnitsTimesDelayCountInputReads) {
  const struct {
    int delayCount, units;
    uint64_t reads;
    int delayCountAfter;
  } cases[] = {
      {0, 0, 5, 1},  // uncalibrated: DelayCount becomes 1; 0 units last as 1
      {0, -1, 0, 1}, {0, INT_MIN, 0, 1}, {3, 0, 15, 3}, {2, 4, 40, 2}, {4, -7, 0, 4},
  };
  for (AdapterKind kind : kAllKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(KindName(kind)) + " " + std::to_string(c.delayCount) + " x " + std::to_string(c.units));
      SimBench bench(kind);
      if (bench.Serial()) {
        ASSERT_EQ(bench.link.Serial().OpenComPort(), 0);
      }
      bench.adapter.calls = {};
      bench.link.DelayCount = c.delayCount;
      bench.link.ShortDelay(c.units);
      const auto& calls = bench.adapter.calls;
      EXPECT_EQ(InputReads(calls), c.reads);
      EXPECT_EQ(bench.link.DelayCount, c.delayCountAfter);
      EXPECT_EQ(calls.escape + calls.lptWrite + calls.directOut, 0u) << "reads only";
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

// The calibration reads the adapter for 50 ms (on the simulated clock too, where far
// fewer than 37000 reads fit) and makes DelayCount one more than the reads per 37000.
TEST(LinkCalibration, DelayCountIsReadsPer37000PlusOne) {
  const struct {
    uint64_t reads;
    int delayCount;
  } cases[] = {{1, 1}, {36999, 1}, {37000, 2}, {73999, 2}, {111000, 4}};
  for (AdapterKind kind : kAllKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(KindName(kind)) + " " + std::to_string(c.reads) + " reads");
      SimBench bench(kind);
      if (bench.Serial()) {
        ASSERT_EQ(bench.link.Serial().OpenComPort(), 0);
      }
      StepClock clock(bench.adapter, c.reads);
      Platform platform{clock, bench.adapter, bench.adapter, bench.ui};
      Link link(platform, bench.status);
      link.SelectAdapter(bench.link.SerialPortSelected() ? AdapterKindId::Serial : AdapterKindId::Parallel);
      link.Serial().ComHandle = std::move(bench.link.Serial().ComHandle);
      link.Serial().ComPortOpen = true;
      link.Parallel().DirectPortIo = bench.link.Parallel().DirectPortIo;
      link.Parallel().PortDriverLibrary = std::move(bench.link.Parallel().PortDriverLibrary);
      bench.adapter.calls = {};
      link.CalibrateDelay();
      EXPECT_EQ(InputReads(bench.adapter.calls), c.reads);
      EXPECT_EQ(link.DelayCount, c.delayCount);
    }
    SimBench bench(kind);
    if (bench.Serial()) {
      ASSERT_EQ(bench.link.Serial().OpenComPort(), 0);
    }
    const uint64_t t0 = bench.clock.NowUs();
    bench.link.CalibrateDelay();
    EXPECT_GE(bench.ElapsedUs(t0), 49000u) << KindName(kind);
    EXPECT_LT(bench.ElapsedUs(t0), 51000u) << KindName(kind);
    EXPECT_EQ(bench.link.DelayCount, 1) << KindName(kind);
  }
}

// No driver library (or one without the exports) and no direct access: one box, and
// the status window (the main window or a dialog) ended with 1; without a status
// window the box still comes once. The reads keep LptLastRead.
TEST(LinkDriverFailure, OneBoxAndTheStatusWindowEnds) {
  for (const bool library : {false, true}) {
    SCOPED_TRACE(library ? "library without exports" : "no library");
    SimBench bench(AdapterKind::ParallelDriver);
    if (!library) {
      bench.link.Parallel().PortDriverLibrary.reset();
      bench.link.Parallel().PortDriverReady = false;
    }
    bench.adapter.driverExports = false;
    bench.link.Parallel().LptLastRead = 0x1234;
    bench.link.TxWord = 254;
    bench.link.TransferByte();
    bench.link.TransferWord();
    ASSERT_EQ(bench.ui.messages.size(), 1u);
    EXPECT_EQ(bench.ui.messages[0].owner, nullptr);
    EXPECT_EQ(bench.ui.messages[0].caption, "Error");
    EXPECT_EQ(bench.ui.messages[0].text, "Error during driver access!");
    EXPECT_TRUE(bench.window->Ended());
    EXPECT_EQ(bench.window->Result(), 1);
    EXPECT_EQ(bench.link.Parallel().LptLastRead, 0x1234);
    EXPECT_EQ(bench.adapter.calls.lptWrite + bench.adapter.calls.lptRead, 0u);
  }

  SimBench bench(AdapterKind::ParallelDriver);
  bench.link.Parallel().PortDriverLibrary.reset();
  DialogResource dialogResource{
      1228, "dialog", 10, 10, {{IDC_STATUS, ControlKind::ReadOnlyEdit, "", 0, 0, 10, 10, true, ""}}, 0, {}};
  auto dialog = bench.ui.CreateWindow(dialogResource, bench.window.get());
  bench.status.StatusWindow = dialog;
  bench.link.TransferByte();
  EXPECT_EQ(bench.ui.messages.size(), 1u);
  EXPECT_EQ(dialog->Result(), 1);
  EXPECT_FALSE(bench.window->Ended());
  bench.status.StatusWindow.reset();
  bench.link.TransferByte();
  bench.link.TransferByte();
  EXPECT_EQ(bench.ui.messages.size(), 2u);
  EXPECT_FALSE(bench.window->Ended());

  SimBench direct(AdapterKind::ParallelDirect);
  direct.link.TransferByte();
  EXPECT_TRUE(direct.ui.messages.empty());
  EXPECT_EQ(direct.adapter.calls.exportLookup, 0u);
}

}  // namespace
}  // namespace ravix::test
