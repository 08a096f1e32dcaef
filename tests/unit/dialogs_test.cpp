// The tool dialogs where a script cannot look: the conversions on their own, the
// virtual time at which the rev counter shows its values, the release sequence on the
// wire, the tick counter's wrap, and state the transcript does not print.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "app/tool.h"
#include "dialogs/dialog_fields.h"
#include "dialogs/rev_counter.h"
#include "dialogs/rpm_control.h"
#include "platform/headless/headless_ui.h"
#include "settings/settings_image.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

// Every frequency the dialog writes reads back as a frequency, never below the one
// written and never as "no maximum". The words of the edges at 8 and 16 MHz are in
// tests/scenarios/dialogs/rpm_write.
TEST(RpmControlWordTest, EveryWritableFrequencyReadsBackAtLeastAsHigh) {
  for (int clockMhz : {8, 16}) {
    for (int hz = MinFrequencyHz(clockMhz); hz <= rpmdlg::kMaxFrequencyHz; ++hz) {
      const auto word = RpmControlWordFromHz(clockMhz, hz);
      ASSERT_TRUE(word) << clockMhz << " MHz " << hz << " Hz";
      ASSERT_LE(*word, rpmdlg::kNoMaximumWord);
      const int back = MaxFrequencyHz(clockMhz, *word);
      ASSERT_GE(back, hz) << clockMhz << " MHz " << hz << " Hz";
      ASSERT_LE(back, hz + hz / 2 + 1) << clockMhz << " MHz " << hz << " Hz";
    }
  }
  // An unknown clock counts as 16 MHz, as when the word is shown.
  EXPECT_EQ(RpmControlWordFromHz(0, 835), RpmControlWordFromHz(16, 835));
  EXPECT_FALSE(RpmControlWordFromHz(16, -835));
}

// The everyday values are in tests/scenarios/dialogs/rev_counter.
TEST(RevValuesTest, PulsesInAWindowToTheFourFields) {
  struct Case {
    int pulses, poles;
    float gear;
    RevValues shown;
  };
  const Case cases[] = {
      {3, 98, 0.01f, {90, 1, 1, 100}},
      {7, 0, 1.0f, {210, 3, 0, 0}},  // no pole count: no division by it
  };
  for (const auto& c : cases) {
    const RevValues v = RevValuesFromPulses(c.pulses, c.poles, c.gear);
    EXPECT_EQ(v.electricalRpm, c.shown.electricalRpm) << c.pulses;
    EXPECT_EQ(v.frequencyHz, c.shown.frequencyHz) << c.pulses;
    EXPECT_EQ(v.motorRpm, c.shown.motorRpm) << c.pulses;
    EXPECT_EQ(v.propRpm, c.shown.propRpm) << c.pulses;
  }
}

TEST(DialogFieldsTest, TruncationStaysInsideTheIntRange) {
  EXPECT_EQ(TruncateToInt(583.99), 583);
  EXPECT_EQ(TruncateToInt(-2.7), -2);
  EXPECT_EQ(TruncateToInt(1e30), INT_MAX);
  EXPECT_EQ(TruncateToInt(-1e30), INT_MIN);
  EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::infinity()), INT_MAX);
  EXPECT_EQ(TruncateToInt(std::nan("")), 0);
}

// A field is one number in its format's width, blanks around it allowed, or nothing:
// what the format would take only part of is refused as a whole, never cut down. The
// texts typed in tests/scenarios/dialogs/number_fields are not repeated here.
TEST(DialogFieldsTest, AFieldIsOneNumberOrNothing) {
  HeadlessUi ui;
  auto window = ui.CreateWindow(*FindDialogResource(IDD_RPM_CONTROL), nullptr);
  constexpr FieldKind None = FieldKind::NoNumber, Num = FieldKind::Number, Bad = FieldKind::Malformed;
  struct Case {
    const char* text;
    const char* format;
    FieldKind kind;
    int value;  // when a number
  };
  const Case cases[] = {
      {" 3", "%2d", Num, 3},           {"10", "%2d", Num, 10},         {" 7 ", "%2d", Num, 7},
      {"100", "%2d", Bad, 0},
      {"-4", "%8d", Num, -4},          {"+20", "%8d", Num, 20},        {"2;0", "%8d", Bad, 0},
      {"12345678", "%8d", Num, 12345678}, {"123456789", "%8d", Bad, 0}, {"", "%8d", None, 0},
      {"   ", "%8d", None, 0},         {"abc", "%8d", None, 0},        {"-", "%8d", None, 0},
      {"         7", "%8d", Bad, 0},  // the 7 is the tenth character, beyond what is read
      {"5         ", "%8d", Num, 5},   // blanks beyond the ninth character are blanks
  };
  for (const auto& c : cases) {
    window->SetItemText(rpmdlg::kRotorRpm, c.text);
    const FieldNumber<int> field = ReadIntegerField(*window, rpmdlg::kRotorRpm, c.format);
    EXPECT_EQ(field.kind, c.kind) << '"' << c.text << "\" " << c.format;
    if (c.kind == Num) {
      EXPECT_EQ(field.value, c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(FieldInteger(*window, rpmdlg::kRotorRpm, c.format).has_value(), c.kind == Num) << '"' << c.text << '"';
  }

  const struct {
    const char* text;
    FieldKind kind;
    float value;
  } decimals[] = {
      {"2.50", Num, 2.5f}, {" 1 ", Num, 1.0f}, {"1,5,5", Bad, 0},
      {"1.5x", Bad, 0},   {"ratio", None, 0},  {"", None, 0},      {",", None, 0},
  };
  for (const auto& d : decimals) {
    window->SetItemText(motor::kGearRatio, d.text);
    const FieldNumber<float> field = ReadDecimalField(*window, motor::kGearRatio);
    EXPECT_EQ(field.kind, d.kind) << '"' << d.text << '"';
    if (d.kind == Num) {
      EXPECT_FLOAT_EQ(field.value, d.value) << '"' << d.text << '"';
    }
  }
  window->SetItemText(motor::kGearRatio, "inf");
  EXPECT_TRUE(std::isinf(FieldDecimal(*window, motor::kGearRatio).value_or(0)));
}

// The tool on a simulated machine in virtual time, with the serial adapter on COM1 and
// a main window whose controller values count as read. Its start directory, where the
// dialogs look for the setup file, is a fresh one without it.
class DialogsTest : public FreshDirectoryTest {
 protected:
  void SetUp() override {
    FreshDirectoryTest::SetUp();
    tool.setupFile.StartDirectory = dir_.string();
  }

  DialogsTest() : FreshDirectoryTest("ravix-dialogs-") {
    main = ui.CreateWindow(MainWindowResource(), nullptr);
    tool.status.MainWindow = main;
    tool.status.StatusWindow = main;
    Link& link = tool.link;
    link.SelectAdapter(AdapterKindId::Serial);
    link.PortName = link.Serial().ComDeviceName = "COM1";
    tool.settings.LastRead.ControllerVersion = 0x1011;
    tool.settings.LastRead.ClockMhz = 16;
    tool.setupFile.PoleCount = 14;
    tool.setupFile.GearRatio = 1.0f;
  }

  // Every text change of the dialog with the virtual time it happened at.
  struct Change {
    uint64_t us;
    int id;
    std::string text;
  };
  std::shared_ptr<Window> RevCounterWindow() {
    auto dialog = ui.CreateWindow(*FindDialogResource(IDD_REV_COUNTER), main.get());
    dialog->OnTextChanged = [this](int id, const std::string& text) {
      changes.push_back({clock.NowUs(), id, text});
    };
    return dialog;
  }
  std::vector<Change> ChangesOf(int id) const {
    std::vector<Change> of;
    for (const auto& c : changes)
      if (c.id == id) of.push_back(c);
    return of;
  }
  void RecordWire() {
    adapter.onWire = [this](const std::string& line) {
      if (line.rfind("wire modem", 0) != 0) wire.push_back({clock.NowUs(), 0, line});
    };
  }

  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool{platform};
  std::shared_ptr<Window> main;
  std::vector<Change> changes;
  std::vector<Change> wire;
};

constexpr uint64_t kMs = 1000;

TEST_F(DialogsTest, ReleaseSequenceHoldsResetWhileClockAndDataRise) {
  auto dialog = RevCounterWindow();
  RevCounterDialog handler(tool);
  ASSERT_EQ(tool.link.DetectSerialAdapter(), 0);
  RecordWire();
  handler.ReleaseMotor(*dialog);

  ASSERT_GE(wire.size(), 6u);
  const std::vector<std::string> expected = {"wire break 0", "wire rts 1", "wire dtr 1",
                                             "wire break 1", "wire dtr 1", "wire break 0"};
  std::vector<std::string> lines;
  for (const auto& w : wire) lines.push_back(w.text);
  // The detection inside Release Motor comes first; then the release, and at the end
  // the controller is held in reset again.
  ASSERT_GE(lines.size(), expected.size());
  const std::vector<std::string> tail(lines.end() - static_cast<long>(expected.size()), lines.end());
  EXPECT_EQ(tail, expected);
  const auto at = [&](size_t fromEnd) { return wire[wire.size() - expected.size() + fromEnd].us; };
  // WaitMs counts ticks of a millisecond counter: a wait of n lasts more than n - 1 ms.
  EXPECT_GT(at(1) - at(0), 99 * kMs);  // held in reset for 100 ms
  EXPECT_GT(at(3) - at(2), 49 * kMs);  // clock and data high 50 ms before the release
  EXPECT_LT(at(3) - at(2), 51 * kMs);
  // No pulse came: ten seconds of waiting windows before the reset.
  EXPECT_GE(at(5) - at(3), 10000 * kMs);
  EXPECT_LT(at(5) - at(3), 10010 * kMs);
  EXPECT_EQ(ui.beeps, 1);
  // Meanwhile the seconds are counted down, one a second.
  const auto shown = ChangesOf(revdlg::kPropRpm);
  ASSERT_EQ(shown.size(), 11u);
  for (size_t i = 1; i < 10; ++i) {
    EXPECT_GE(shown[i].us - shown[i - 1].us, 1000 * kMs) << i;
    EXPECT_LT(shown[i].us - shown[i - 1].us, 1001 * kMs) << i;
  }
}

// The first measurement starts three seconds before the tick counter wraps: spans are
// unsigned differences of it, so the wrap neither ends a window early nor makes it
// endless.
TEST_F(DialogsTest, ValuesChangeEveryTwoSecondsAndCountEveryPulse) {
  clock.SetTickOffset(0xFFFFFFFFu - 3000);
  for (double hz : {500.0, 1.0, 50.0, 2500.0, 10000.0}) {
    changes.clear();
    adapter.controller.motor.hz = hz;
    adapter.controller.motor.seconds = 7;
    auto dialog = RevCounterWindow();
    RevCounterDialog handler(tool);
    handler.ReleaseMotor(*dialog);

    // Three full windows in the 7 seconds, perhaps a partial one, then the blank. A
    // window holds 2 x hz falling edges; one that lies within a sample of the window's
    // end has its low level in the next window and counts in neither.
    const auto electrical = ChangesOf(revdlg::kElectricalRpm);
    ASSERT_GE(electrical.size(), 4u) << hz;
    for (size_t i = 0; i < 3; ++i) {
      const int rpm = std::stoi(electrical[i].text);
      EXPECT_TRUE(rpm == 60 * hz || rpm == 60 * hz - 30) << hz << " Hz: " << rpm;
    }
    const auto shown = ChangesOf(revdlg::kFrequencyHz);
    ASSERT_GE(shown.size(), 4u) << hz;
    ASSERT_LE(shown.size(), 5u) << hz;
    EXPECT_EQ(shown.back().text, " ");
    for (size_t i = 1; i < shown.size() - 1; ++i) {
      EXPECT_GE(shown[i].us - shown[i - 1].us, 2000 * kMs) << hz;
      EXPECT_LT(shown[i].us - shown[i - 1].us, 2001 * kMs) << hz;
    }
    // The measurement is over one empty window after the pulses stopped.
    EXPECT_GE(shown.back().us - shown[shown.size() - 2].us, 2000 * kMs) << hz;
    EXPECT_TRUE(dialog->IsItemEnabled(revdlg::kReleaseMotor));
  }
}

// With a parallel port selected the release and the samples touch no line, not even
// those of a serial port that is still open from before.
TEST_F(DialogsTest, ParallelPortTouchesNoSerialLine) {
  ASSERT_EQ(tool.link.DetectSerialAdapter(), 0);
  tool.link.SelectAdapter(AdapterKindId::Parallel);
  tool.link.Parallel().PortDriverLibrary = adapter.LoadLibrary("DLPORTIO.dll");
  tool.link.Parallel().PortDriverReady = true;
  adapter.controller.motor.hz = 500;
  adapter.controller.motor.seconds = 5;
  const uint64_t modemReads = adapter.calls.modem;
  std::vector<std::string> lines;
  adapter.onWire = [&lines](const std::string& line) { lines.push_back(line); };
  auto dialog = RevCounterWindow();
  RevCounterDialog handler(tool);
  handler.ReleaseMotor(*dialog);

  EXPECT_EQ(adapter.calls.modem, modemReads);
  // The parallel adapter is initialised and the short delay reads its input; no
  // serial line moves.
  for (const auto& line : lines) EXPECT_EQ(line.rfind("wire lpt-", 0), 0u) << line;
  EXPECT_EQ(ChangesOf(revdlg::kPropRpm).size(), 11u);  // the ten-second countdown and the blank
}

}  // namespace
}  // namespace ravix
