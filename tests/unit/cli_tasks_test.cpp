// The task commands of ravix-cli: what they read, write and say.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <regex>
#include <string>

#include "resources/resources.h"
#include "cli/task_ui.h"
#include "cli/tasks.h"
#include "cli/terminal.h"
#include "dialogs/lock_functions.h"
#include "files/update_file.h"
#include "platform/file_access.h"
#include "platform/headless/headless_ui.h"
#include "script/session_log.h"
#include "sim/sim_adapter.h"

#include "cli_fixture.h"

namespace ravix {
namespace {

using cli::TaskRequest;

TEST_F(CliTasksTest, ReadJsonShowsKnownBytesInPeoplesUnits) {
  bytes_[9] = 16, bytes_[8] = 3;       // full speed 4099 counts: 2.05 ms
  bytes_[18] = 8, bytes_[10] |= 0x01;  // fixed timing 22.5°
  bytes_[21] = 77;                     // 8.4 V
  bytes_[22] = 3;                      // switch off
  bytes_[23] = 200;
  const Result r = Run({.command = "read", .json = true});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* expected :
       {"\"full-speed-ms\": 2.05", "\"timing\": 22.5", "\"cutoff-volts\": 8.4", "\"low-voltage\": \"switch-off\"",
        "\"transmitter-failures\": 200", "\"format\": 1", "\"type\": 1", "\"slot\": \"active\""})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in\n" << r.out;
}

// Save, spoil the slot's bytes, load: the controller holds what it held, byte for byte.
TEST_F(CliTasksTest, SaveThenLoadRestoresEveryByteOfEachSlot) {
  struct Case {
    int memory;
    std::vector<int> spoiled;  // addresses changed between save and load
  };
  for (const Case& c : {Case{0, {17, 19, 20, 26, 14}}, Case{1, {42, 44, 45, 47}}, Case{2, {52, 54, 55, 57}}}) {
    SCOPED_TRACE(c.memory);
    if (c.memory == 2) {  // memory 2 starts empty: give it the bytes of memory 1
      for (int i = 0; i < 8; ++i) bytes_[50 + i] = bytes_[40 + i];
    }
    const Result save = Run({.command = "save", .memory = c.memory, .file = "slot.json"});
    ASSERT_EQ(save.status, 0) << save.err;
    const auto saved = bytes_;
    for (int address : c.spoiled) bytes_[address] = static_cast<uint8_t>(bytes_[address] == 1 ? 2 : 1);
    const Result load = Run({.command = "load", .memory = c.memory, .file = "slot.json"});
    ASSERT_EQ(load.status, 0) << load.err;
    for (size_t a = 0; a < saved.size(); ++a) EXPECT_EQ(bytes_[a], saved[a]) << "address " << a;
  }
}

// The settings file's own refusals are in settings_file_test and tests/scenarios/settings_file/refusals.
TEST_F(CliTasksTest, RefusalsNameTheirReasonAndWriteNothing) {
  WriteWhole("newer.json", R"({"format": 2, "controller": {"type": 1}, "settings": {}})");
  struct Case {
    TaskRequest request;
    bool unplug;
    const char* message;
  };
  const Case cases[] = {
      {{.command = "write", .sets = {"timing=10"}}, false, "\"timing\" must be 0, 7.5, 15, 22.5, 30"},
      {{.command = "load", .file = "newer.json"}, false, "\"format\" 2 comes from a newer version"},
      {{.command = "load", .file = "missing.json"}, false, "cannot read"},
      // The tool's own write rule, after the file was accepted.
      {{.command = "write", .sets = {"brake=hard", "rpm-control=true"}}, false, "rpm control: break not possible!"},
      {{.command = "write", .sets = {"startup-power=5"}}, true, "Error"},
      {{.command = "read"}, true, "Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    adapter_.plugged = !c.unplug;
    const auto before = bytes_;
    const Result r = Run(c.request);
    EXPECT_EQ(r.status, cli::kTaskFailed);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(bytes_, before);
  }
}

TEST_F(CliTasksTest, WriteSetChangesOnlyWhatItNames) {
  const auto before = bytes_;
  const Result r = Run({.command = "write", .sets = {"startup-power=7", "brake=off"}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(bytes_[19], 7);
  EXPECT_EQ(bytes_[17], 0);
  EXPECT_EQ(bytes_[10], before[10] & ~0x40);  // the brake flag goes with "off"
  for (size_t a : {4u, 5u, 6u, 7u, 8u, 9u, 14u, 16u, 18u, 20u, 21u, 22u, 26u}) EXPECT_EQ(bytes_[a], before[a]) << a;
}

TEST_F(CliTasksTest, UpdateWithYesProgramsTheImage) {
  WriteWhole("x1011_3011.upd", "0000:0012\r\n0001:0034\r\n0040:0056\r\n");
  const Result refused = Run({.command = "update", .file = "x1011_3011.upd"});
  EXPECT_EQ(refused.status, cli::kTaskFailed);  // nobody to ask, no --yes
  EXPECT_NE(refused.err.find("add --yes"), std::string::npos) << refused.err;
  EXPECT_EQ(adapter_.controller.flash[0], 0xFF);

  const Result r = Run({.command = "update", .yes = true, .file = "x1011_3011.upd"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(adapter_.controller.flash[0x40], 0x56);
  // How long it takes is said before the question is answered.
  const size_t told = r.err.find("ravix-cli: The update takes about 1 s on this port (COM1).\n");
  EXPECT_NE(told, std::string::npos) << r.err;
  EXPECT_LT(told, r.err.find("Update starten? -> yes")) << r.err;
}

// port-check: the port, the adapter kind and what it carries, the figures the adapter
// check measured, whether a controller answers, and the expected durations.
TEST_F(CliTasksTest, PortCheckTellsThePortsFiguresAndTheDurations) {
  struct Case {
    const char* model;
    Timing timing;
    std::vector<std::string> lines;  // each a line of the output
  };
  const std::vector<Case> cases = {
      {"uart", Timing::PortAware,
       {"port          COM1 (simulated adapter)", "adapter       serial: setup commands, programming interface, rev counter",
        "timing        port-aware", "line change   0.008 ms a call", "status read   0.008 ms a call",
        "a change      shows in the next read (a built-in port: not measured)",
        "delay unit    0.040 ms, five passes of status reads", "controller    answers (254)", "read          about 2 s",
        "update        about 1 min (8192 lines of a full 8 KiB image)"}},
      {"ftdi", Timing::PortAware,
       {"a change      shows in the next read (measured with 2 extra reads)",
        "delay unit    0.040 ms by the clock (the port is slow)", "update        about 23 min (8192 lines of a full 8 KiB image)",
        "advice        This cable has an FTDI chip: chosen as ftdi:SIM it takes about 50 s."}},
      {"cp210x", Timing::PortAware,
       {"update        about 23 min (8192 lines of a full 8 KiB image)",
        "advice        A built-in serial port takes about 1 min for it, an FTDI cable (ftdi:) about 50 s."}},
      // The simulated FT232R behind COM1: the chip's figures instead of the serial port's.
      // The chip opened afresh releases every line, TXD at mark holds RESET, as an idle
      // serial line does: the controller answers after the next Read's restart.
      {"ft232r", Timing::PortAware,
       {"adapter       FTDI synchronous bit-bang: setup commands, programming interface, rev counter",
        "cable         FT232R USB UART SIM", "delay unit    0.010 ms, 1 state at 100000 states a second",
        "latency       1 ms (the chip's latency timer)", "controller    no answer now (a Read restarts it first)",
        "read          about 2 s",
        "update        about 50 s (8192 lines of a full 8 KiB image)"}},
      {"pl2303", Timing::PortAware,
       {"a change      shows after 5.14 ms (measured with 8 extra reads)",
        "data read     6.43 ms after the rising clock edge at the earliest", "controller    answers (254)"}},
      {"pl2303", Timing::Specified,
       {"timing        specified", "a change      not measured (--timing specified)",
        "delay unit    0.025 ms, five passes of status reads", "controller    no answer now (a Read restarts it first)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + (c.timing == Timing::Specified ? " specified" : ""));
    adapter_.SetModel(*sim::FindAdapterModel(c.model));
    // A controller whose firmware runs, as after any command.
    ASSERT_EQ(Run({.command = "read"}).status, 0);
    cli::Terminal terminal(stdin, stderr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status =
        cli::RunTask({.command = "port-check", .port = "COM1"}, {clock_, adapter_, adapter_, c.timing}, terminal);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0) << err;
    for (const std::string& line : c.lines) EXPECT_NE(out.find(line + "\n"), std::string::npos) << line << " in\n" << out;
  }
}

TEST_F(CliTasksTest, PortCheckOfAFileAParallelPortAndNoAdapter) {
  WriteWhole("x1011_3011.upd", "0000:0012\r\n0001:0034\r\n0040:0056\r\n");
  Result r = Run({.command = "port-check", .file = "x1011_3011.upd"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("update        about 1 s (3 lines of x1011_3011.upd)\n"), std::string::npos) << r.out;
  WriteWhole("notes.upd", "not an update\r\n");
  r = Run({.command = "port-check", .file = "notes.upd"});
  EXPECT_EQ(r.status, cli::kTaskFailed);
  EXPECT_NE(r.err.find("cannot time"), std::string::npos) << r.err;

  r = Run({.command = "port-check", .port = "0378"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("adapter       parallel: programming interface\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("durations     none: a Read, a Write and an update need a serial port\n"), std::string::npos);

  adapter_.plugged = false;
  r = Run({.command = "port-check", .port = "COM12"});
  EXPECT_EQ(r.status, cli::kTaskFailed);
  EXPECT_NE(r.out.find("port          COM12"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("No Adaptor found at COM12"), std::string::npos) << r.err;
}

// A temp.tmp that an update killed before our signal handling left (or another
// update's) refuses a scrambled update before the question, stays as it is, and the
// terminal is told where it is and when it may go; a plain update never minds it.
TEST_F(CliTasksTest, AStaleTempFileIsNamedBeforeTheQuestion) {
  WriteWhole("temp.tmp", "left over");
  const auto scrambled = PackScrambledUpdate(std::vector<UpdateByte>{{0x0000, 0x12}, {0x0040, 0x56}}, {}, 7);
  WriteWhole("s1011_3011.upd", std::string(scrambled.begin(), scrambled.end()));
  WriteWhole("p1011_3011.upd", "0000:0021\r\n0040:0065\r\n");
  const Result refused = Run({.command = "update", .yes = true, .file = "s1011_3011.upd"});
  EXPECT_EQ(refused.status, cli::kTaskFailed);
  EXPECT_NE(refused.err.find("ravix-cli: ERROR! Cannot open temp-file\nravix-cli: details: " +
                             (dir_ / "temp.tmp").string() +
                             " is there already. It may be deleted when no other update is running.\n"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.err.find("Update starten?"), std::string::npos) << refused.err;
  EXPECT_EQ(adapter_.controller.flash[0], 0xFF);
  const Result plain = Run({.command = "update", .yes = true, .file = "p1011_3011.upd"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(adapter_.controller.flash[0x40], 0x65);
  EXPECT_EQ(ReadWhole("temp.tmp"), "left over");
}

// The programming-interface commands work on both adapters; the settings need the
// serial one, and the tool says so in its own words.
TEST_F(CliTasksTest, BothAdaptersWhereTheyApply) {
  struct Case {
    const char* port;
    const char* command;
    int status;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {"COM1", "info", 0, "Lockbits: ", ""},
      {"0378", "info", 0, "Lockbits: ", ""},
      // The parallel adapter restarts the firmware through its reset line too.
      {"0278", "calibrate", 0, "calibration successful!\nshould be: ", ""},
      {"03BC", "read", 1, "", "ERROR!   PORT ?"},
      {"0378", "save", 1, "", "ERROR!   PORT ?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.port) + " " + c.command);
    TaskRequest request{.command = c.command, .port = c.port};
    if (request.command == "save") request.file = "never.json";
    const Result r = Run(request);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists("never.json"));
}

// The firmware hangs before the calibration byte reads back: the box says so, and the
// command fails although a box came.
// info names the part of a known signature after the bytes the box shows; a signature
// of no known part (an erased chip) gets no name.
TEST_F(CliTasksTest, InfoNamesThePartOfAKnownSignature) {
  struct Case {
    std::array<uint8_t, 3> signature;
    sim::SimIsp::State state;
    const char* part;  // "" for no Part line
  };
  for (const Case& c : {Case{{0x1E, 0x93, 0x07}, sim::SimIsp::State::Ok, "ATmega8"},
                        Case{{0x1E, 0x93, 0x0A}, sim::SimIsp::State::Ok, "ATmega88"},
                        Case{{0x1E, 0x94, 0x06}, sim::SimIsp::State::Ok, "ATmega168"},
                        Case{{0x1E, 0x92, 0x05}, sim::SimIsp::State::Ok, "ATmega48"},
                        Case{{0xFF, 0xFF, 0xFF}, sim::SimIsp::State::Erased, ""}}) {
    SCOPED_TRACE(c.part);
    std::copy(c.signature.begin(), c.signature.end(), adapter_.controller.isp.signature);
    adapter_.controller.isp.state = c.state;
    const Result r = Run({.command = "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Fuse LB: E4\n"), std::string::npos) << r.out;
    const size_t at = r.out.find("Part: ");
    if (*c.part == 0) {
      EXPECT_EQ(at, std::string::npos) << r.out;
      continue;
    }
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(at + 6, r.out.find('\n', at) - at - 6), c.part);
  }
}

TEST_F(CliTasksTest, ACalibrationThatDoesNotReadBackFails) {
  adapter_.controller.isp.calibration = 0x5A;
  adapter_.controller.silentAfter = 11;
  const Result r = Run({.command = "calibrate"});
  EXPECT_EQ(r.status, cli::kTaskFailed);
  EXPECT_NE((r.out + r.err).find("calibration not correct!"), std::string::npos) << r.out << r.err;
}

TEST_F(CliTasksTest, LocksSetsTheLockByteAndShowsBoth) {
  bytes_[13] = 0xFF;
  const Result set = Run({.command = "locks", .sets = {"rc-setup=on"}});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(bytes_[13], 0xFE);
  EXPECT_EQ(set.out, "rc-setup=on\ntestprogram=off\n");
  // What it shows is what --set takes: given back, the lines restore the locks.
  bytes_[13] = static_cast<uint8_t>(0xFF & ~lockdlg::kTestProgramAllowed);
  const Result other = Run({.command = "locks"});
  ASSERT_EQ(other.status, 0) << other.err;
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = other.out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(other.out.substr(at, end - at));
  bytes_[13] = 0xFF;
  ASSERT_EQ(Run({.command = "locks", .sets = lines}).status, 0);
  EXPECT_EQ(bytes_[13], static_cast<uint8_t>(0xFF & ~lockdlg::kTestProgramAllowed));
}

// The log a user sends when asking for help: the commands, the status texts and the
// refusal, each with its time, appended run after run.
TEST_F(CliTasksTest, TheSessionLogRecordsCommandsStatusAndMessages) {
  std::string why;
  {
    SessionLogFile log;
    ASSERT_TRUE(SessionLog::Open(log, "session.log", "ravix-cli write --set brake=strong", why)) << why;
    cli::Terminal terminal(stdin, stderr);
    testing::internal::CaptureStderr();
    cli::RunTask({.command = "write", .port = "COM1", .sets = {"brake=strong"}}, {clock_, adapter_, adapter_}, terminal,
                 &log);
    testing::internal::GetCapturedStderr();
  }
  {  // a second run appends and keeps what is there
    SessionLogFile again;
    ASSERT_TRUE(SessionLog::Open(again, "session.log", "second run", why)) << why;
    HeadlessUi ui;
    SessionLog second(ui, again);
  }
  const std::string log = ReadWhole("session.log");
  const std::regex stamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
  for (const char* expected : {"start ravix-cli write --set brake=strong\n", "command 1226 1155 com1\n",
                               // The port's figures once its adapter has answered, for whoever reads the log.
                               "note port COM1 (serial adapter): line operation 0.008 ms, status read 0.008 ms, how "
                               "late a change shows not measured, timing port-aware\n",
                               "command 1226 1149 read\n", "status \"reading.....\"\n", "status \"OK\"\n",
                               "box \"Error!\" \"Settings file: \\\"brake\\\" must be", "end 1226 1\n", "stop\n",
                               "start second run\n"}) {
    const size_t at = log.find(expected);
    ASSERT_NE(at, std::string::npos) << expected << " in\n" << log;
    EXPECT_TRUE(std::regex_match(log.substr(log.rfind('\n', at) + 1, 24), stamp)) << expected;
  }
  std::filesystem::create_directory("a-directory");
  SessionLogFile refused;
  EXPECT_FALSE(SessionLog::Open(refused, "a-directory", "", why));
}

// A port given on the command line is for this run: the setup file that the desktop
// program left is read but stays byte for byte, and none is made where there is none.
TEST_F(CliTasksTest, APortFromTheCommandLineIsNotStored) {
  for (const char* stored : {"", "COM5", "0378\r\nold path"}) {
    for (const char* port : {"/dev/ttyUSB9", "COM3", "com2", "0278"}) {
      SCOPED_TRACE(std::string(port) + " over \"" + stored + "\"");
      std::filesystem::remove("rvsetup.cfg");
      if (*stored) WriteSetupFile(stored);
      const Result r = Run({.command = port[0] == '0' ? "info" : "read", .port = port});
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(std::filesystem::exists("rvsetup.cfg"), *stored != '\0');
      if (*stored) {
        EXPECT_EQ(ReadSetupFile(), stored);
      }
    }
  }
}

// The messages name the port the user gave: a device path, not a COM name.
TEST_F(CliTasksTest, MessagesNameTheDeviceGiven) {
  adapter_.plugged = false;
  for (const char* port : {"/dev/ttyUSB7", "COM4"}) {
    const Result r = Run({.command = "read", .port = port});
    EXPECT_EQ(r.status, cli::kTaskFailed);
    EXPECT_NE(r.err.find(std::string("No Adaptor found at ") + port + "\n"), std::string::npos) << r.err;
  }
}

// What the update's transfer reports reaches the terminal: a plain line at every
// tenth when no one watches a bar.
TEST(TaskUiProgress, TheWindowsProgressGoesToTheTerminal) {
  std::FILE* err = std::tmpfile();
  cli::Terminal terminal(stdin, err);
  HeadlessUi backend;
  cli::TaskUi ui(backend, terminal, false);
  auto window = ui.CreateWindow(MainWindowResource(), nullptr);
  for (int done = 0; done <= 40; ++done) {
    window->ShowTimeLeft((40 - done) * 3);
    window->ShowProgress(done, 40);
  }
  window->ShowProgress(0, 0);
  window->SetItemText(IDC_STATUS, "OK");
  std::rewind(err);
  std::string text(4096, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), err));
  std::fclose(err);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11) << text;
  EXPECT_EQ(text.substr(0, 28), "update:   0%  0 of 40 lines\n");
  EXPECT_NE(text.find("update:  50%  20 of 40 lines, 1:00 left\n"), std::string::npos) << text;
  EXPECT_NE(text.find("update: 100%  40 of 40 lines\n"), std::string::npos) << text;
  EXPECT_EQ(window->GetItemText(IDC_STATUS), "OK");
}

// Ctrl+C during a guarded transfer: the first one warns and the work goes on, a
// second soon after asks it to stop; unguarded, nothing is caught.
TEST(TerminalInterrupts, TheSecondCtrlCStopsTheFirstOnlyWarns) {
  cli::Terminal terminal(stdin, stderr);
  terminal.GuardInterrupts(true);
  testing::internal::CaptureStderr();
  std::raise(SIGINT);
  EXPECT_FALSE(terminal.StopRequested());
  std::raise(SIGINT);
  EXPECT_TRUE(terminal.StopRequested());
  const std::string warned = testing::internal::GetCapturedStderr();
  EXPECT_NE(warned.find("Stopping now leaves the controller without a working program"), std::string::npos);
  terminal.GuardInterrupts(false);
  EXPECT_FALSE(terminal.StopRequested());
}

TEST(TerminalQuestions, OnlyYesGoesOn) {
  for (const auto& [input, agreed] : std::vector<std::pair<std::string, bool>>{
           {"y\n", true}, {"Yes\n", true}, {"n\n", false}, {"\n", false}, {"", false}}) {
    std::FILE* in = std::tmpfile();
    std::fputs(input.c_str(), in);
    std::rewind(in);
    std::FILE* err = std::tmpfile();
    cli::Terminal terminal(in, err);
    EXPECT_EQ(terminal.Confirm("Update starten?"), agreed) << input;
    std::fclose(in);
    std::fclose(err);
  }
}

TEST(TerminalProgress, LinesShowPercentCountAndTimeLeft) {
  struct Case {
    int done, total;
    double elapsed;
    bool bar;
    const char* line;
    int secondsLeft = -1;  // as the tool works it out; below 0 projected from elapsed
  };
  for (const Case& c : {
           Case{0, 200, 0, false, "  0%  0 of 200 lines"},
           Case{50, 200, 10, false, " 25%  50 of 200 lines, 0:30 left"},
           Case{199, 200, 100, false, " 99%  199 of 200 lines, 0:01 left"},
           Case{200, 200, 100, false, "100%  200 of 200 lines"},
           Case{250, 200, 100, false, "100%  200 of 200 lines"},
           Case{100, 200, 60, true, "[###############...............]  50%  100 of 200 lines, 1:00 left"},
           // On the simulator the real time says nothing: the tool's own figure counts.
           Case{50, 200, 0.01, false, " 25%  50 of 200 lines, 1:50:00 left", 6600},
           Case{50, 200, 10, false, " 25%  50 of 200 lines, 0:00 left", 0},
           Case{200, 200, 10, false, "100%  200 of 200 lines", 30},
       })
    EXPECT_EQ(cli::Terminal::ProgressLine(c.done, c.total, c.elapsed, c.bar, c.secondsLeft), c.line);
}

TEST(SettingsFromAssignments, TakesNumbersSwitchesAndNames) {
  std::string why;
  EXPECT_EQ(
      *cli::SettingsFromAssignments({"startup-power=5", "rpm-limit=on", "brake=hard", "cutoff-volts=per-cell"}, 1, why),
      R"({"format":1,"controller":{"type":1},"settings":{"startup-power":5,"rpm-limit":true,"brake":"hard","cutoff-volts":"per-cell"}})");
  EXPECT_FALSE(cli::SettingsFromAssignments({"startup-power"}, 1, why));
  EXPECT_EQ(why, "\"startup-power\" is no NAME=VALUE");
}

}  // namespace
}  // namespace ravix
