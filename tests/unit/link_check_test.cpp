#include <gtest/gtest.h>

#include <cstdio>

#include "protocol/link_check.h"
#include "sim_fixture.h"

namespace ravix::test {
namespace {

// The state the controller is in when the check begins.
enum class Start { Ready, HeldInReset, OtherKind, Absent, Unplugged };

// A restart of its own, as the update's is: the controller is released after a longer
// wait, so the time shows which restart ran.
void LongRestart(Link& link) {
  link.Lines().SetReset(false);
  link.Lines().SetData(true);
  link.Lines().SetClock(false);
  link.WaitMs(100);
  link.Lines().SetReset(true);
  link.WaitMs(1000);
}

// The step variants the commands use: what each one decides from the controller's
// answers, how many link bytes it sends and whether the controller was restarted.
struct HandshakeCase {
  const char* name;
  AdapterKind kind;
  HandshakeSteps steps;
  Start start;
  LinkOutcome outcome;
  size_t bytes;  // two per link exchange
  bool restarted;
  uint64_t minMs = 0;
};

void PrintTo(const HandshakeCase& c, std::ostream* os) { *os << c.name; }

class Handshake : public ::testing::TestWithParam<HandshakeCase> {};

TEST_P(Handshake, DecidesFromTheAnswersItsStepsAllow) {
  const HandshakeCase& c = GetParam();
  SimBench bench(c.kind);
  if (c.start != Start::HeldInReset) bench.StartFirmware();
  if (c.start == Start::HeldInReset) bench.Serial() ? (void)bench.link.DetectSerialAdapter() : bench.link.InitParallelAdapter();
  if (c.start == Start::OtherKind) bench.adapter.controller.otherKind = true;
  if (c.start == Start::Absent) bench.adapter.controller.present = false;
  if (c.start == Start::Unplugged) bench.adapter.plugged = false;
  bench.RecordWire();
  const uint64_t t0 = bench.clock.NowUs();
  int afterFirst = 0;

  EXPECT_EQ(ConnectWithRecovery(bench.protocol, bench.link, c.steps, [&] { ++afterFirst; }), c.outcome);

  EXPECT_EQ(afterFirst, 1);
  EXPECT_EQ(DecodeBytes(bench.wire).size(), c.bytes);
  // RESET driven low: the break cleared, or data bit 3 written clear.
  bool restarted = false;
  for (const auto& e : bench.wire) {
    unsigned value = 0;
    if (std::sscanf(e.text.c_str(), "wire lpt-out 0x%x", &value) == 1) restarted |= (value & 0x08) == 0;
    restarted |= e.text == "wire break 0";
  }
  EXPECT_EQ(restarted, c.restarted);
  EXPECT_GE(bench.ElapsedUs(t0), c.minMs * 1000);
  // A check never shows anything by itself: the command's table does.
  EXPECT_TRUE(bench.ui.messages.empty());
}

constexpr HandshakeSteps kTrustFirst{.secondAlways = false};
constexpr HandshakeSteps kCalibration{.restartFirst = true, .otherOnFirst = true, .otherDistinct = false};
constexpr HandshakeSteps kNoRecovery{.restartFirst = true, .recover = false, .secondAlways = false};
constexpr HandshakeSteps kUpdateIdentify{
    .restartFirst = true, .recover = false, .secondAlways = false, .restart = LongRestart};

INSTANTIATE_TEST_SUITE_P(
    Steps, Handshake,
    ::testing::Values(
        HandshakeCase{"TrustedFirstAnswer", AdapterKind::Serial, kTrustFirst, Start::Ready, LinkOutcome::Ready, 2, false},
        HandshakeCase{"TrustedFirstRestarts", AdapterKind::Serial, kTrustFirst, Start::HeldInReset, LinkOutcome::Ready, 4,
                      true, 600},
        HandshakeCase{"TrustedFirstOtherKind", AdapterKind::Serial, kTrustFirst, Start::OtherKind,
                      LinkOutcome::OtherDevice, 4, true},
        HandshakeCase{"OtherKindCountsAsSilence", AdapterKind::Serial, {.otherDistinct = false}, Start::OtherKind,
                      LinkOutcome::NoAnswer, 4, true},
        HandshakeCase{"NoAdapterEndsAfterOneExchange", AdapterKind::Serial, {}, Start::Unplugged,
                      LinkOutcome::NoAdapter, 2, false},
        HandshakeCase{"ParallelCannotTellAnAdapterIsMissing", AdapterKind::ParallelDirect, {}, Start::Unplugged,
                      LinkOutcome::NoAnswer, 4, true},
        HandshakeCase{"RestartFirstWakesTheController", AdapterKind::Serial, {.restartFirst = true},
                      Start::HeldInReset, LinkOutcome::Ready, 4, true, 600},
        HandshakeCase{"CalibrationStopsAtAFirstOtherKind", AdapterKind::Serial, kCalibration, Start::OtherKind,
                      LinkOutcome::OtherDevice, 2, true},
        HandshakeCase{"CalibrationAbsent", AdapterKind::Serial, kCalibration, Start::Absent, LinkOutcome::NoAnswer, 4,
                      true, 1200},
        HandshakeCase{"NoRecoveryFirstAnswerDecides", AdapterKind::Serial, kNoRecovery, Start::Absent,
                      LinkOutcome::NoAnswer, 2, true},
        HandshakeCase{"NoRecoveryNeverChecksTheAdapter", AdapterKind::Serial, kNoRecovery, Start::Unplugged,
                      LinkOutcome::NoAnswer, 2, true},
        HandshakeCase{"OwnRestartIsUsed", AdapterKind::Serial, kUpdateIdentify, Start::HeldInReset, LinkOutcome::Ready,
                      2, true, 1100},
        HandshakeCase{"OwnRestartOtherKind", AdapterKind::ParallelDriver, kUpdateIdentify, Start::OtherKind,
                      LinkOutcome::OtherDevice, 2, true, 1100}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ravix::test
