// The adapters on the simulated cables: what the adapter check measures of each, the
// port-aware timing that follows from it (sound sampling, delays by the clock), and
// that the line changes stay those of the algorithms on every model and timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "isp/isp.h"
#include "link/adapter_kinds.h"
#include "link/port_table.h"
#include "sim/adapter_models.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

const sim::AdapterModel& Model(const char* name) {
  const sim::AdapterModel* model = sim::FindAdapterModel(name);
  EXPECT_NE(model, nullptr) << name;
  return model ? *model : sim::AdapterModels().front();
}

// The serial adapter on COM1 over a simulated cable, with the timing given.
struct CableBench : SimBench {
  CableBench(const char* model, Timing timing) : SimBench(AdapterKind::Serial) {
    adapter.SetModel(Model(model));
    link.timing = timing;
  }
  const PortFigures& Figures() { return link.Lines().Figures(); }
};

std::vector<std::string> LineChanges(const std::vector<WireEvent>& wire) {
  std::vector<std::string> changes;
  for (const auto& e : wire)
    if (e.text.rfind("wire modem", 0) != 0) changes.push_back(e.text);
  return changes;
}
std::vector<std::string> Texts(const std::vector<WireEvent>& wire) {
  std::vector<std::string> texts;
  for (const auto& e : wire) texts.push_back(e.text);
  return texts;
}

const char* const kModels[] = {"uart", "ftdi", "cp210x", "ch340", "pl2303", "cp210x-windows"};

// A chip that answers a status read from its last report gives, read as soon as the
// specified bit reads it, the controller's bit of the clock before: the byte comes back
// one bit late. Read no sooner than the chip shows a change, every bit is this clock's.
TEST(CachedStatusChips, TheSpecifiedTimingReadsStaleBitsThePortAwareOneDoesNot) {
  for (const char* model : {"ch340", "pl2303"}) {
    for (const Timing timing : {Timing::Specified, Timing::PortAware}) {
      const bool specified = timing == Timing::Specified;
      SCOPED_TRACE(std::string(model) + (specified ? " specified" : " port-aware"));
      CableBench bench(model, timing);
      ASSERT_EQ(bench.link.DetectSerialAdapter(), 0) << "the 150 ms of the check outlast any report";
      bench.protocol.RestartController();
      const uint32_t link = bench.protocol.LinkExchange();
      const uint32_t marker = bench.protocol.ReadSettingByte(12);  // 102 = 0b01100110
      if (specified) {
        EXPECT_NE(link, kAnswerReady);
        EXPECT_NE(marker, 102u);
        EXPECT_EQ(marker & 0x7F, 102u >> 1) << "each bit is the one of the clock before";
      } else {
        EXPECT_EQ(link, kAnswerReady);
        EXPECT_EQ(marker, 102u);
      }
    }
  }
}

// The adapter check times every call and, on a slow port only, how late a change of
// DTR shows on DSR, in at most 16 reads within its own waits; on a built-in port, and
// with the specified timing, it reads nothing beyond its own two reads. Right after
// the port opens DTR may be high already, and only its fall is looked at (in widening
// gaps); the next check sees both edges and narrows the figure down.
TEST(PortMeasurement, TheAdapterCheckFindsWhatEachCableCosts) {
  struct Case {
    const char* model;
    uint32_t showAtLeast, firstAtMost, thenAtMost;  // bounds of the measured figure
  };
  const Case cases[] = {{"uart", 0, 0, 0},             {"ftdi", 0, 0, 0},          {"cp210x", 0, 0, 0},
                        {"ch340", 2000, 2000, 2125}, {"pl2303", 5000, 8000, 5500}, {"cp210x-windows", 0, 0, 0}};
  for (const Case& c : cases) {
    for (const Timing timing : {Timing::Specified, Timing::PortAware}) {
      const bool specified = timing == Timing::Specified;
      SCOPED_TRACE(std::string(c.model) + (specified ? " specified" : " port-aware"));
      CableBench bench(c.model, timing);
      const sim::AdapterModel& model = Model(c.model);
      bench.RecordWire();
      const uint64_t t0 = bench.clock.NowUs();
      ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
      const PortFigures& f = bench.Figures();
      EXPECT_GE(f.LineOpUs(), 0.8 * model.lineOpUs);
      EXPECT_LE(f.LineOpUs(), 1.2 * model.lineOpUs);
      EXPECT_GE(f.StatusReadUs(), 0.8 * model.statusReadUs);
      EXPECT_LE(f.StatusReadUs(), 1.2 * model.statusReadUs);
      const bool measures = !specified && model.lineOpUs > 100;
      EXPECT_EQ(f.showMeasured, measures);
      EXPECT_LE(f.measuringReads, 16);
      const auto reads = std::count_if(bench.wire.begin(), bench.wire.end(),
                                       [](const WireEvent& e) { return e.text.rfind("wire modem", 0) == 0; });
      EXPECT_EQ(reads, 2 + f.measuringReads);
      if (!measures) {
        EXPECT_EQ(f.measuringReads, 0);
      }
      if (measures) {
        EXPECT_GE(f.showUs, c.showAtLeast);
        EXPECT_LE(f.showUs, c.firstAtMost);
      }
      // The measuring reads fit the check's waits: it lasts what it always did, but for
      // the two line changes and its two reads.
      EXPECT_LT(bench.ElapsedUs(t0), 300000 + 2.4 * model.lineOpUs + 2.4 * model.statusReadUs + 1000);
      ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
      EXPECT_LE(f.measuringReads, 16);
      if (measures) {
        EXPECT_GE(f.showUs, c.showAtLeast);
        EXPECT_LE(f.showUs, c.thenAtMost);
      }
    }
  }
}

// After a command DTR is left high: raising it again changes nothing, and only DTR's
// fall tells how late the chip is. The figure found earlier stays, and is never made
// smaller than what the port shows.
TEST(PortMeasurement, ACheckAfterACommandKeepsASoundFigure) {
  for (const char* model : {"ch340", "pl2303"}) {
    SCOPED_TRACE(model);
    CableBench bench(model, Timing::PortAware);
    ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
    ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
    const uint32_t first = bench.Figures().showUs;
    for (int i = 0; i < 3; ++i) {
      bench.protocol.RestartController();  // DTR high
      ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
      EXPECT_GE(bench.Figures().showUs, Model(model).reportDelayUs);
      EXPECT_EQ(bench.Figures().showUs, first);
      EXPECT_LE(bench.Figures().measuringReads, 8) << "the fall alone is looked at";
    }
    // Opened afresh with DTR high (as a port opens on Linux): how DTR stands is not
    // known, so its rise is not taken for a change that showed at once.
    bench.protocol.RestartController();
    bench.link.Serial().CloseComPort();
    ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
    EXPECT_GE(bench.Figures().showUs, Model(model).reportDelayUs);
    EXPECT_LE(bench.Figures().showUs, 2 * Model(model).reportDelayUs) << "the fall's widening gaps";
  }
}

// Every model and both timings make the same line changes, in the same order, for the
// commands whose course does not depend on what the controller answers; on a built-in
// port the port-aware timing makes exactly the specified calls, the reads included.
TEST(PortAwareTiming, LineChangesAreTheSameOnEveryModelAndTiming) {
  const auto run = [](const char* model, Timing timing) {
    CableBench bench(model, timing);
    bench.RecordWire();
    bench.link.DetectSerialAdapter();
    bench.protocol.RestartController();
    bench.link.TxWord = 0xA5;
    bench.link.TransferByte();
    bench.link.TxWord = 0x1234;
    bench.link.TransferWord();
    bench.protocol.ReadSettingByte(12);
    static_cast<void>(bench.protocol.WriteSettingByte(14, 21));
    bench.protocol.CurrentPage = 3;
    bench.protocol.SelectPage();
    static_cast<void>(bench.protocol.CommitPage());
    Isp isp(bench.link, bench.status);
    isp.PulseReset();
    isp.ProgrammingEnable();
    return bench.wire;
  };
  const auto reference = run("uart", Timing::Specified);
  EXPECT_EQ(Texts(run("uart", Timing::PortAware)), Texts(reference));
  for (const char* model : kModels) {
    for (const Timing timing : {Timing::Specified, Timing::PortAware}) {
      SCOPED_TRACE(std::string(model) + (timing == Timing::Specified ? " specified" : " port-aware"));
      EXPECT_EQ(LineChanges(run(model, timing)), LineChanges(reference));
    }
  }
}

// On a slow port a delay unit lasts 40 µs by the clock and reads nothing; the
// specified timing reads five times a unit whatever a read costs.
TEST(PortAwareTiming, AShortDelayIsADurationOnASlowPort) {
  const struct {
    int units;
    uint64_t us;
  } cases[] = {{4, 160}, {1, 40}, {0, 40}, {-3, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    CableBench slow("ftdi", Timing::PortAware);
    ASSERT_EQ(slow.link.DetectSerialAdapter(), 0);
    slow.adapter.calls = {};
    uint64_t t0 = slow.clock.NowUs();
    slow.link.ShortDelay(c.units);
    EXPECT_EQ(slow.ElapsedUs(t0), c.us);
    EXPECT_EQ(slow.adapter.calls.Total(), 0u);

    CableBench specified("ftdi", Timing::Specified);
    ASSERT_EQ(specified.link.DetectSerialAdapter(), 0);
    specified.adapter.calls = {};
    specified.link.ShortDelay(c.units);
    EXPECT_EQ(specified.adapter.calls.modem, c.units < 0 ? 0u : 5u * std::max(1, c.units));
  }
}

// No read of the data line comes sooner after the clock's rising edge than the port
// needs to show the controller's bit.
TEST(PortAwareTiming, TheDataLineIsReadNoSoonerThanThePortShowsAChange) {
  for (const char* model : {"ch340", "pl2303", "ftdi"}) {
    SCOPED_TRACE(model);
    CableBench bench(model, Timing::PortAware);
    ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
    bench.protocol.RestartController();
    const uint32_t after = bench.link.Lines().Rules().SampleAfterRiseUs();
    EXPECT_GE(after, Model(model).reportDelayUs);
    bench.RecordWire();
    bench.link.TxWord = 0x5A;
    bench.link.TransferByte();
    int samples = 0;
    uint64_t rose = 0;
    bool high = false, sampled = true;
    for (const auto& e : bench.wire) {
      if (e.text == "wire rts 1") rose = e.us, high = true, sampled = false;
      if (e.text == "wire rts 0") high = false;
      // The sample is the first read after the edge that is no short-delay read.
      if (high && !sampled && e.text.rfind("wire modem", 0) == 0) {
        // A read's time is its end; it began one read's cost before.
        EXPECT_GE(e.us - rose, after) << "bit " << samples;
        ++samples, sampled = true;
      }
    }
    EXPECT_EQ(samples, 8);
  }
}

// The millisecond wait sleeps all but its last millisecond: the tick counter is read
// for about a millisecond, not for the whole wait, and the wait ends where it did.
TEST(LinkWaitSleeps, OnlyTheLastMillisecondIsPolled) {
  for (const uint32_t n : {1u, 2u, 5u, 150u}) {
    SCOPED_TRACE(n);
    SimBench bench;
    bench.clock.Advance(300);
    const uint64_t reads0 = bench.clock.tickReads;
    const uint64_t t0 = bench.clock.NowUs();
    int began = 0, ended = 0;
    bench.link.OnWait = [&](bool begins) { (begins ? began : ended)++; };
    bench.link.WaitMs(n);
    EXPECT_EQ(bench.ElapsedUs(t0), n * 1000 - 300);
    EXPECT_LE(bench.clock.tickReads - reads0, 1003u);
    EXPECT_EQ(began, 1);
    EXPECT_EQ(ended, 1);
  }
}

TEST(AdapterKinds, EachPortNameStandsForItsKind) {
  const struct {
    const char* name;
    AdapterKindId kind;
    int com;
  } cases[] = {
      {"0278", AdapterKindId::Parallel, 0}, {"0378", AdapterKindId::Parallel, 0}, {"03BC", AdapterKindId::Parallel, 0},
      {"COM1", AdapterKindId::Serial, 1},   {"com12", AdapterKindId::Serial, 12}, {"COM256", AdapterKindId::Serial, 256},
      {"COM0", AdapterKindId::Serial, 0},   {"COM012", AdapterKindId::Serial, 0}, {"COM1234", AdapterKindId::Serial, 0},
      {"/dev/ttyUSB0", AdapterKindId::Serial, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KindOfPort(c.name).id, c.kind) << c.name;
    EXPECT_EQ(ComPortNumber(c.name), c.com) << c.name;
  }
  EXPECT_EQ(CarriedJobs(KindOf(AdapterKindId::Serial)), "setup commands, programming interface, rev counter");
  EXPECT_EQ(CarriedJobs(KindOf(AdapterKindId::Parallel)), "programming interface");
  // Every row of the port table is of the kind its name stands for.
  for (const PortRow& row : PortTable) EXPECT_EQ(KindOfPort(row.name).id, row.kind) << row.name;
}

TEST(DurationWords, EstimatesReadAsPeopleSayThem) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {{0.2, "about 1 s"},    {12.4, "about 12 s"},   {59.4, "about 59 s"},       {59.6, "about 1 min"},
               {90, "about 2 min"},   {245, "about 4 min"},   {3569, "about 59 min"},     {3600, "about 1 h"},
               {6600, "about 1 h 50 min"}, {163157, "about 45 h 19 min"}};
  for (const auto& c : cases) EXPECT_EQ(AboutDuration(c.seconds), c.text) << c.seconds;
  EXPECT_EQ(Milliseconds(8), "0.008 ms");
  EXPECT_EQ(Milliseconds(18370), "18.37 ms");
}

}  // namespace
}  // namespace ravix::test
