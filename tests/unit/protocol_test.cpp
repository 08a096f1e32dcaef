#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "sim_fixture.h"

namespace ravix::test {
namespace {

constexpr uint64_t kMs = 1000;
// Bit times and the short delays between bytes stay well below a millisecond in the
// simulation; a gap between two bytes is the waits of the sequence plus less than this.
constexpr uint64_t kSlackUs = 1000;

using Log = std::vector<std::string>;

// Gaps between consecutive bytes on the wire.
std::vector<uint64_t> Gaps(const std::vector<WireByte>& bytes) {
  std::vector<uint64_t> gaps;
  for (size_t i = 1; i < bytes.size(); ++i) gaps.push_back(bytes[i].startUs - bytes[i - 1].endUs);
  return gaps;
}

// Each gap holds the waits the sequence puts there, and not a millisecond more. The
// waits count ticks of the millisecond counter, so a run of them started between two
// ticks lasts up to one tick less than its sum.
void ExpectGaps(const std::vector<WireByte>& bytes, const std::vector<uint64_t>& waitsMs, const std::string& what) {
  const auto gaps = Gaps(bytes);
  ASSERT_EQ(gaps.size(), waitsMs.size()) << what;
  for (size_t i = 0; i < gaps.size(); ++i) {
    if (waitsMs[i] > 0) {
      EXPECT_GT(gaps[i], (waitsMs[i] - 1) * kMs) << what << " gap " << i;
    }
    EXPECT_LT(gaps[i], waitsMs[i] * kMs + kSlackUs) << what << " gap " << i;
  }
}

// The controller's RESET was driven low on the wire: the break cleared on the serial
// adapter, data bit 3 written clear on the parallel one.
bool ResetDrivenLow(const std::vector<WireEvent>& wire) {
  return std::any_of(wire.begin(), wire.end(), [](const WireEvent& e) {
    unsigned value = 0;
    if (std::sscanf(e.text.c_str(), "wire lpt-out 0x%x", &value) == 1) return (value & 0x08) == 0;
    return e.text == "wire break 0";
  });
}

class SetupCommands : public ::testing::TestWithParam<AdapterKind> {
 protected:
  SetupCommands() : bench(GetParam()) {
    bench.StartFirmware();
    bench.RecordWire();
  }
  SimBench bench;
};

INSTANTIATE_TEST_SUITE_P(Kinds, SetupCommands, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return std::string(KindName(info.param)); });

TEST_P(SetupCommands, ReadSettingByteSendsUAddressFillerWithItsWaits) {
  const struct {
    uint32_t address;
    uint8_t stored;
    uint32_t sentAddress;
  } cases[] = {{57, 0xFF, 57}, {0x10C, 7, 12}};
  for (const auto& c : cases) {
    bench.adapter.controller.settings[c.sentAddress] = c.stored;
    EXPECT_EQ(bench.protocol.ReadSettingByte(c.address), c.stored) << c.address;
    const auto bytes = bench.TakeBytes();
    EXPECT_EQ(Values(bytes), (std::vector<uint32_t>{85, c.sentAddress, 0})) << c.address;
    ExpectGaps(bytes, {10, 5}, "read");
    EXPECT_EQ(bench.adapter.controller.TakeLog(), Log{"read " + std::to_string(c.sentAddress)});
  }
}

TEST_P(SetupCommands, WriteSettingByteMasksTheValueAndWaitsBeforeEachByte) {
  const uint64_t t0 = bench.clock.NowUs();
  EXPECT_EQ(bench.protocol.WriteSettingByte(57, 0x180), 0);
  const auto bytes = bench.TakeBytes();
  EXPECT_EQ(Values(bytes), (std::vector<uint32_t>{86, 57, 0x80, 0}));
  ASSERT_FALSE(bytes.empty());
  EXPECT_GT(bytes[0].startUs - t0, 4 * kMs) << "a wait before the command byte";
  ExpectGaps(bytes, {5, 5, 25}, "write");
  EXPECT_EQ(bench.adapter.controller.TakeLog(), Log{"write 57 128"});
}

TEST_P(SetupCommands, LinkExchangeIgnoresTheFirstAnswer) {
  // A read left half done: the controller's answer to the address is still pending
  // and arrives during the first 254.
  bench.adapter.controller.settings[20] = 77;
  bench.link.TxWord = 85;
  bench.link.TransferByte();
  bench.link.TxWord = 20;
  bench.link.TransferByte();
  bench.TakeBytes();
  EXPECT_EQ(bench.protocol.LinkExchange(), 254u);
  EXPECT_EQ(Values(bench.TakeBytes()), (std::vector<uint32_t>{254, 254}));
  EXPECT_EQ(bench.adapter.controller.TakeLog(), (Log{"read 20", "link 254", "link 254"}));
  bench.adapter.controller.otherKind = true;
  EXPECT_EQ(bench.protocol.LinkExchange(), 253u);
}

// Both echoes are checked: a wrong data echo fails the load, and a firmware that hangs
// after 'Y' and the offset (never echoing the offset) stops it after the third byte.
TEST_P(SetupCommands, LoadPageByteChecksBothEchoes) {
  EXPECT_EQ(bench.protocol.LoadPageByte(0x106, 0x1CD), 0);
  const auto bytes = bench.TakeBytes();
  EXPECT_EQ(Values(bytes), (std::vector<uint32_t>{89, 6, 0xCD, 0})) << "the low bytes travel and are compared";
  ExpectGaps(bytes, {0, 0, 0}, "load");
  EXPECT_EQ(bench.adapter.controller.TakeLog(), Log{"load 6 205"});

  bench.adapter.controller.failLoadCountdown = 1;
  EXPECT_EQ(bench.protocol.LoadPageByte(8, 2), 1);
  EXPECT_EQ(Values(bench.TakeBytes()).size(), 4u);

  bench.adapter.controller.silentAfter = 2;
  EXPECT_EQ(bench.protocol.LoadPageByte(5, 0xAB), 1);
  EXPECT_EQ(Values(bench.TakeBytes()), (std::vector<uint32_t>{89, 5, 0xAB})) << "no fourth byte";
}

TEST_P(SetupCommands, CommitPageSendsX_U_3_3AndTheSecondAnswerDecides) {
  auto& controller = bench.adapter.controller;
  bench.protocol.CurrentPage = 3;
  bench.protocol.SelectPage();
  bench.TakeBytes();
  controller.TakeLog();

  EXPECT_EQ(bench.protocol.CommitPage(), 0);
  const auto bytes = bench.TakeBytes();
  EXPECT_EQ(Values(bytes), (std::vector<uint32_t>{88, 85, 51, 51}));
  ExpectGaps(bytes, {0, 0, 40}, "commit");
  EXPECT_EQ(controller.TakeLog(), Log{"commit 3"});

  const struct {
    const char* name;
    int toolPage;  // CurrentPage when committing
    int result;
  } cases[] = {{"another page expected", 4, 1}, {"a page above 255 is never confirmed", 256 + 3, 1}};
  for (const auto& c : cases) {
    bench.protocol.CurrentPage = c.toolPage;
    EXPECT_EQ(bench.protocol.CommitPage(), c.result) << c.name;
  }
}

// The restart holds RESET low for 100 ms and gives the firmware 500 ms, one line at a
// time: the serial adapter drives the break, the parallel one data bit 3, keeping the
// latch bits the tool never changes.
TEST(RestartController, HoldsResetFor100msAndWaits500ms) {
  const struct {
    AdapterKind kind;
    std::vector<std::string> wire;
  } cases[] = {
      {AdapterKind::Serial, {"wire break 0", "wire dtr 1", "wire rts 0", "wire break 1"}},
      // clock and bit 2 high, data and reset low, bits 4 to 7 high before
      {AdapterKind::ParallelDriver,
       {"wire lpt-out 0xF6", "wire lpt-out 0xF7", "wire lpt-out 0xF5", "wire lpt-out 0xFD"}},
      {AdapterKind::ParallelDirect,
       {"wire lpt-out 0xF6", "wire lpt-out 0xF7", "wire lpt-out 0xF5", "wire lpt-out 0xFD"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(KindName(c.kind));
    SimBench bench(c.kind);
    if (bench.Serial()) {
      ASSERT_EQ(bench.link.DetectSerialAdapter(), 0);
    }
    bench.link.Parallel().LptLatch = 0xF6;
    bench.RecordWire();
    const uint64_t t0 = bench.clock.NowUs();
    bench.protocol.RestartController();
    const uint64_t elapsed = bench.ElapsedUs(t0);
    std::vector<std::string> wire;
    for (const auto& e : bench.wire) wire.push_back(e.text);
    ASSERT_EQ(wire, c.wire);
    EXPECT_GE(bench.wire[3].us - bench.wire[2].us, 99 * kMs);
    EXPECT_GE(elapsed, 599 * kMs);
    EXPECT_LT(elapsed, 601 * kMs);
    EXPECT_EQ(bench.protocol.LinkExchange(), 254u) << "the firmware now listens";
  }
}

// Every path of the link check: what the user is shown, what is left in the status
// field, what went over the wire and how long it took (detection 2 x 150 ms on the
// serial adapter, the restart 600 ms).
struct CheckLinkCase {
  const char* name;
  AdapterKind kind;
  bool startFirmware;
  std::function<void(SimBench&)> setup;
  int result;
  const char* caption;  // nullptr: no box
  const char* text;
  bool fieldEnabled;
  bool restarted;
  uint64_t minMs, maxMs;
  size_t wireBytes;  // both link exchanges are made unless detection fails
  Log log;
};

void PrintTo(const CheckLinkCase& c, std::ostream* os) { *os << c.name; }

class CheckLinkPaths : public ::testing::TestWithParam<CheckLinkCase> {};

TEST_P(CheckLinkPaths, ReportsAndLeavesTheFieldBlank) {
  const CheckLinkCase& c = GetParam();
  SimBench bench(c.kind);
  if (c.startFirmware) bench.StartFirmware();
  if (c.setup) c.setup(bench);
  bench.window->SetItemText(IDC_STATUS, "connecting....");
  bench.window->EnableItem(IDC_STATUS, true);
  bench.RecordWire();
  const uint64_t t0 = bench.clock.NowUs();
  const int repaints0 = static_cast<HeadlessWindow&>(*bench.window).repaints;

  EXPECT_EQ(bench.protocol.CheckLink(), c.result);

  if (c.caption) {
    ASSERT_EQ(bench.ui.messages.size(), 1u);
    EXPECT_EQ(bench.ui.messages[0].owner, nullptr);
    EXPECT_EQ(bench.ui.messages[0].caption, c.caption);
    EXPECT_EQ(bench.ui.messages[0].text, c.text);
  } else {
    EXPECT_TRUE(bench.ui.messages.empty());
  }
  EXPECT_EQ(bench.window->GetItemText(IDC_STATUS), " ");
  EXPECT_EQ(bench.window->IsItemEnabled(IDC_STATUS), c.fieldEnabled);
  EXPECT_GT(static_cast<HeadlessWindow&>(*bench.window).repaints, repaints0);
  EXPECT_EQ(bench.adapter.controller.TakeLog(), c.log);
  EXPECT_EQ(DecodeBytes(bench.wire).size(), c.wireBytes);
  EXPECT_EQ(ResetDrivenLow(bench.wire), c.restarted);
  const uint64_t elapsed = bench.ElapsedUs(t0);
  EXPECT_GE(elapsed, c.minMs * kMs);
  EXPECT_LT(elapsed, c.maxMs * kMs);
}

const Log kLink254x4{"link 254", "link 254", "link 254", "link 254"};
const Log kLink254x2{"link 254", "link 254"};
const Log kLink253x4{"link 253", "link 253", "link 253", "link 253"};

void Unplug(SimBench& b) { b.adapter.plugged = false; }
void OtherKind(SimBench& b) { b.adapter.controller.otherKind = true; }

INSTANTIATE_TEST_SUITE_P(
    Paths, CheckLinkPaths,
    ::testing::Values(
        // The firmware answers 254 at once: no detection, no restart, and the second exchange all the same.
        CheckLinkCase{"ReadyAtOnce", AdapterKind::Serial, true, nullptr, 0, nullptr, nullptr, true, false, 0, 100, 4,
                      kLink254x4},
        CheckLinkCase{"HeldInResetIsRestarted", AdapterKind::Serial, false,
                      [](SimBench& b) { b.link.DetectSerialAdapter(); }, 0, nullptr, nullptr, true, true, 900, 1000, 4,
                      kLink254x2},
        CheckLinkCase{"NoAdapter", AdapterKind::Serial, true, Unplug, 1, "Error", "No Adaptor found at COM1\n", false,
                      false, 150, 300, 2, {}},
        CheckLinkCase{"OtherKind", AdapterKind::Serial, true, OtherKind, 1, "ERROR!", "device not supported!", true,
                      true, 900, 1000, 4, kLink253x4},
        CheckLinkCase{"NoController", AdapterKind::Serial, true,
                      [](SimBench& b) { b.adapter.controller.present = false; }, 1, "ERROR!", "no connection!", true,
                      true, 900, 1000, 4, {}},
        // The first exchange still gets its 254, so the second is the one that fails.
        CheckLinkCase{"SilentAfterTheFirstExchange", AdapterKind::Serial, true,
                      [](SimBench& b) { b.adapter.controller.silentAfter = 2; }, 1, "ERROR!", "no connection!", true,
                      false, 0, 100, 4, kLink254x2},
        CheckLinkCase{"ParallelHeldInResetIsRestarted", AdapterKind::ParallelDriver, false,
                      [](SimBench& b) { b.link.InitParallelAdapter(); }, 0, nullptr, nullptr, true, true, 600, 700, 4,
                      kLink254x2},
        CheckLinkCase{"ParallelNoAdapter", AdapterKind::ParallelDirect, true, Unplug, 1, "ERROR!", "no connection!",
                      true, true, 600, 700, 4, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ravix::test
