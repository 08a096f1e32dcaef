#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "platform/headless/headless_ui.h"
#include "script/script_engine.h"
#include "script/script_source.h"
#include "sim/sim_adapter.h"

namespace ravix::test {
namespace {

ControlResource Ctl(int id, ControlKind kind, std::string text, bool enabled = true, std::string group = "") {
  ControlResource c;
  c.id = id, c.kind = kind, c.text = std::move(text), c.enabled = enabled, c.group = std::move(group);
  return c;
}

MenuResource Item(std::string text, int command, bool checked = false, bool grayed = false,
                  std::vector<MenuResource> items = {}) {
  MenuResource m;
  m.text = std::move(text), m.command = command, m.checked = checked, m.grayed = grayed, m.items = std::move(items);
  return m;
}

// A main window and a dialog of our own, with a control of every kind.
DialogResource MainResource() {
  DialogResource r;
  r.id = 1226;
  r.title = "main";
  r.controls = {
      Ctl(2, ControlKind::DefPushButton, "End"),
      Ctl(1149, ControlKind::PushButton, "Read"),
      Ctl(1150, ControlKind::PushButton, "Write", false),
      Ctl(1044, ControlKind::ReadOnlyEdit, "", false),
      Ctl(IDC_STATIC, ControlKind::Label, "Brake"),
      Ctl(1138, ControlKind::ComboBox, ""),
      Ctl(1170, ControlKind::CheckBox, "Reverse"),
      Ctl(1183, ControlKind::Edit, "1.10"),
      Ctl(1184, ControlKind::Edit, "0", false),
  };
  r.menuId = 157;
  r.menu = {Item("File", 0, false, false, {Item("Open Update File", 1147)}),
            Item("Port", 0, false, false, {Item("COM1", 1155, true), Item("COM2", 1156)}),
            Item("Rev Counter", 1238),
            Item("Help", 0, false, false, {Item("Help File", 1104, false, true), Item("About...", 1151)})};
  return r;
}

DialogResource DialogResourceWithRadios() {
  DialogResource r;
  r.id = 1229;
  r.controls = {
      Ctl(1, ControlKind::DefPushButton, "OK"),
      Ctl(2, ControlKind::PushButton, "Cancel"),
      Ctl(1301, ControlKind::AutoRadioButton, "A1", true, "A"),
      Ctl(1302, ControlKind::AutoRadioButton, "A2", true, "A"),
      Ctl(1303, ControlKind::AutoRadioButton, "B1", true, "B"),
      Ctl(1304, ControlKind::RadioButton, "manual", true, "A"),
      Ctl(1305, ControlKind::Edit, "x"),
  };
  return r;
}

// Records every command with the check marks it found, and does what the test asks.
struct Handler : WindowHandler {
  std::vector<std::string> seen;
  std::function<void(Window&, int)> action;
  void OnInit(Window&) override {}
  bool OnCommand(Window& window, int command) override {
    std::string entry = std::to_string(window.DialogId()) + ":" + std::to_string(command);
    for (int id : {1170, 1301, 1302, 1303, 1304})
      if (window.IsItemChecked(id)) entry += " +" + std::to_string(id);
    seen.push_back(entry);
    if (action) action(window, command);
    return true;
  }
};

struct ScriptRun {
  DialogResource main = MainResource();
  DialogResource dialog = DialogResourceWithRadios();
  HeadlessUi backend;
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  std::istringstream script;
  std::ostringstream transcript;
  Handler mainHandler, dialogHandler;
  std::vector<int> dialogResults;

  ScriptRun() {
    // The main window's commands: 2 ends it, 1202 opens the dialog, the others show
    // what they were given.
    mainHandler.action = [this](Window& window, int command) {
      if (command == 2) window.End(1);
      if (command == 1202) dialogResults.push_back(RunDialog(*ui, dialog, &window, dialogHandler));
      if (command == 1151) ui->MessageBox(nullptr, "Ravix Setup", "About\n  20");
      if (command == 1197) ui->MessageBox(&window, "Info:", "Sure?", MessageButtons::OkCancel);
      if (command == 1149) {
        window.SetItemText(1044, "connecting....");
        window.SetItemText(1183, "1.20");
        window.SetItemText(1044, "OK");
      }
      if (command == 1147) ui->OpenFileDialog(&window, "Open", "*.upd");
      if (command == 1104) ui->ShellOpen("pc-setup-english.pdf");
      if (command == 1238) ui->Beep();
    };
    dialogHandler.action = [this](Window& window, int command) {
      if (command == 1 || command == 2) window.End(command);
      if (command == 1305) ui->MessageBox(&window, "Warning!", "in the dialog");
      if (command == 1306) ui->MessageBox(&window, "Q", "go on?", MessageButtons::OkCancel);
    };
  }

  std::unique_ptr<ScriptEngine> ui;
  std::function<void()> onScriptEnd;

  // Runs text as the script of the main window; the transcript.
  std::string Go(const std::string& text, bool simulate = false) {
    script.str(text);
    ui = std::make_unique<ScriptEngine>(backend, clock, script, transcript, simulate ? &adapter : nullptr);
    ui->OnScriptEnd = onScriptEnd;
    for (auto& row : main.controls)
      if (row.id == 1138) row.text = "";
    result = RunDialog(*ui, main, nullptr, mainHandler);
    return transcript.str();
  }
  int result = -1;
};

TEST(ScriptEngineTest, RunsTheMainWindowUntilItEnds) {
  ScriptRun run;
  EXPECT_EQ(run.Go("# a comment\n\npress 1149\n  # another\npress 2\n\n# done\n"), "dialog 1226\nend 1226 1\n");
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.ui->Finish(), 0);
  EXPECT_EQ(run.transcript.str(), "dialog 1226\nend 1226 1\n");
  EXPECT_EQ(run.mainHandler.seen, (std::vector<std::string>{"1226:1149", "1226:2"}));
}

TEST(ScriptEngineTest, PressesAsAClickDoes) {
  ScriptRun run;
  EXPECT_EQ(run.Go("press 1150\npress 1104\npress 1170\npress 1170\npress 1152\npress 1156\npress 1238\n"
                   "press 1202\npress 1302\npress 1301\npress 1303\npress 1304\npress 1\n"),
            "dialog 1226\n"
            "ignored 1150\n"
            "ignored 1104\n"
            "beep\n"
            "dialog 1229\n"
            "end 1229 1\n");
  EXPECT_EQ(run.mainHandler.seen,
            (std::vector<std::string>{"1226:1170 +1170", "1226:1170", "1226:1152", "1226:1156", "1226:1238",
                                      "1226:1202"}));
  // An auto radio button checks itself and clears the others of its group only; a
  // manual one is left to the tool.
  EXPECT_EQ(run.dialogHandler.seen, (std::vector<std::string>{"1229:1302 +1302", "1229:1301 +1301",
                                                              "1229:1303 +1301 +1303", "1229:1304 +1301 +1303",
                                                              "1229:1 +1301 +1303"}));
  EXPECT_EQ(run.dialogResults, std::vector<int>{1});
}

TEST(ScriptEngineTest, ChangesAndShowsControlsWithoutSendingCommands) {
  ScriptRun run;
  run.main.controls.push_back(Ctl(1171, ControlKind::RadioButton, "on"));
  run.mainHandler.action = [](Window& window, int command) {
    if (command == 1) {
      window.ListAddString(1138, "soft");
      window.ListAddString(1138, "hard");
    }
  };
  EXPECT_EQ(run.Go("show 1149 1150 1044 1170 1171 1138 1183\n"
                   "press 1\n"
                   "select 1138 1\ncheck 1170 on\ncheck 1171 on\ntype 1183 \"2,5 \\\"x\\\"\"\n"
                   "show 1138 1170 1171 1183\n"
                   "type 1138 medium\nshow 1138\nselect 1138 0\nselect 1138 none\nshow 1138\n"
                   "type 1184 9\ncheck 1170 off\nshow 1170 1184\n"
                   "show menu 1155 1156 1104 1238\n"),
            "dialog 1226\n"
            "1149 text=\"Read\" enabled=1\n"
            "1150 text=\"Write\" enabled=0\n"
            "1044 text=\"\" enabled=0\n"
            "1170 text=\"Reverse\" enabled=1 checked=0\n"
            "1171 text=\"on\" enabled=1 checked=0\n"
            "1138 text=\"\" enabled=1 index=none\n"
            "1183 text=\"1.10\" enabled=1\n"
            "1138 text=\"hard\" enabled=1 index=1\n"
            "1170 text=\"Reverse\" enabled=1 checked=1\n"
            "1171 text=\"on\" enabled=1 checked=1\n"
            "1183 text=\"2,5 \\\"x\\\"\" enabled=1\n"
            "1138 text=\"medium\" enabled=1 index=none\n"
            "1138 text=\"\" enabled=1 index=none\n"
            "ignored 1184\n"
            "1170 text=\"Reverse\" enabled=1 checked=0\n"
            "1184 text=\"0\" enabled=0\n"
            "menu 1155 checked=1 enabled=1\n"
            "menu 1156 checked=0 enabled=1\n"
            "menu 1104 checked=0 enabled=0\n"
            "menu 1238 checked=0 enabled=1\n");
  EXPECT_EQ(run.mainHandler.seen, std::vector<std::string>{"1226:1"});
  EXPECT_EQ(run.ui->ExitStatus(), 0);
}

TEST(ScriptEngineTest, PrintsMessageBoxesWithTheirOwnerAndAnswersQuestionsFromTheQueue) {
  ScriptRun run;
  EXPECT_EQ(run.Go("press 1151\npress 1197\nanswer cancel\nanswer ok\npress 1197\npress 1197\npress 1197\n"
                   "press 1202\npress 1305\npress 1306\nanswer cancel\npress 1306\npress 2\npress 2\n"),
            "dialog 1226\n"
            "box none \"Ravix Setup\" \"About\\n  20\"\n"
            "ask main \"Info:\" \"Sure?\" -> ok\n"
            "ask main \"Info:\" \"Sure?\" -> cancel\n"
            "ask main \"Info:\" \"Sure?\" -> ok\n"
            "ask main \"Info:\" \"Sure?\" -> ok\n"
            "dialog 1229\n"
            "box dialog \"Warning!\" \"in the dialog\"\n"
            "ask dialog \"Q\" \"go on?\" -> ok\n"
            "ask dialog \"Q\" \"go on?\" -> cancel\n"
            "end 1229 2\n"
            "end 1226 1\n");
  EXPECT_EQ(run.dialogResults, std::vector<int>{2});
}

TEST(ScriptEngineTest, TracesTheToolsTextChangesOnly) {
  ScriptRun run;
  EXPECT_EQ(run.Go("press 1149\ntrace 1044 1305\npress 1149\ntype 1183 \"5\"\n"
                   "press 1202\ntype 1305 typed\ntrace off\npress 2\npress 1149\n"),
            "dialog 1226\n"
            "set 1044 \"connecting....\"\n"
            "set 1044 \"OK\"\n"
            "dialog 1229\n"
            "end 1229 2\n");
}

TEST(ScriptEngineTest, PassesTimeOnTheClock) {
  ScriptRun run;
  run.Go("wait 1500\nwait 0x10\n");
  EXPECT_EQ(run.clock.NowUs(), 1516000u);
}

TEST(ScriptEngineTest, ChoosesFilesFromTheQueueAndMovesTheCurrentDirectory) {
  namespace fs = std::filesystem;
  const fs::path before = fs::current_path();
  const fs::path root = fs::temp_directory_path() / ("ravix-script-choose-" + std::to_string(::getpid()));
  fs::create_directories(root / "fw" / "old");
  fs::current_path(root);
  {
    ScriptRun run;
    run.backend.fileChoices.push_back("never asked");
    EXPECT_EQ(run.Go("press 1147\nchoose fw/old/a.upd\nchoose none\nchoose ../b.upd\n"
                     "press 1147\npress 1147\npress 1147\npress 1147\nchoose /x.upd\npress 1147\n"),
              "dialog 1226\n"
              "choose -> none\n"
              "choose -> \"fw/old/a.upd\"\n"
              "choose -> none\n"
              "choose -> \"fw/b.upd\"\n"
              "choose -> none\n"
              "choose -> \"/x.upd\"\n");
    // Each chosen file moved the current directory to its folder, the last one to "/".
    EXPECT_EQ(fs::current_path(), fs::path("/"));
  }
  {
    fs::current_path(root);
    ScriptRun run;
    run.Go("choose fw/old/a.upd\npress 1147\n");
    EXPECT_EQ(fs::current_path(), root / "fw" / "old");
  }
  fs::current_path(before);
  fs::remove_all(root);
}

TEST(ScriptEngineTest, HandsTargetsToTheDesktop) {
  ScriptRun run;
  EXPECT_EQ(run.Go("press 1104\n"), "dialog 1226\nignored 1104\n");
  run.main.menu[3].items[0].grayed = false;
  ScriptRun open;
  open.main.menu[3].items[0].grayed = false;
  EXPECT_EQ(open.Go("press 1104\n"), "dialog 1226\nopen \"pc-setup-english.pdf\"\n");
  EXPECT_TRUE(open.backend.opened.empty());
}

// Lines after the end, an unknown command, a missing or malformed number, an unknown
// control, an open quote and sim lines without --simulate are in tests/scenarios/shell/bad_*.
TEST(ScriptEngineTest, ReportsLinesThatCannotBeRunAndStops) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"press twelve", "error 1: dialog 1226 has no control or command named \"twelve\""},
      {"press 0x", "error 1: \"0x\" is not a number"},
      {"press 70000", "error 1: ID 70000 is out of range (0 to 65535)"},
      {"press 1149 1150", "error 1: unexpected \"1150\""},
      {"wait", "error 1: missing milliseconds"},
      {"wait -5", "error 1: \"-5\" is not a number"},
      {"show menu 1162", "error 1: dialog 1226 has no menu item 1162"},
      {"show", "error 1: missing ID"},
      {"type 4711 x", "error 1: dialog 1226 has no control 4711"},
      {"type 1183", "error 1: missing text"},
      {"type 1044 x", "error 1: control 1044 is read-only"},
      {"type 1149 x", "error 1: control 1149 is not an edit field"},
      {"check 4711 on", "error 1: dialog 1226 has no control 4711"},
      {"check 1170 yes", "error 1: expected on or off, not \"yes\""},
      {"check 1149 on", "error 1: control 1149 is not a check box or radio button"},
      {"select 4711 0", "error 1: dialog 1226 has no control 4711"},
      {"select 1138 0", "error 1: list 1138 has 0 entries"},
      {"select 1183 0", "error 1: control 1183 is not a list"},
      {"select 1138 first", "error 1: \"first\" is not a number"},
      {"answer maybe", "error 1: expected ok or cancel, not \"maybe\""},
      {"choose", "error 1: missing path"},
      {"choose \"\"", "error 1: an empty path"},
      {"trace 1044 off", "error 1: dialog 1226 has no control or command named \"off\""},
  };
  for (const auto& c : cases) {
    ScriptRun run;
    const std::string transcript = run.Go(std::string(c.script) + "\npress 1149\n");
    EXPECT_EQ(transcript, "dialog 1226\n" + std::string(c.error) + "\n") << c.script;
    EXPECT_EQ(run.ui->ExitStatus(), ScriptEngine::kExitError) << c.script;
    EXPECT_TRUE(run.mainHandler.seen.empty()) << c.script;
    EXPECT_EQ(run.result, ScriptEngine::kClosedResult);
  }
}

TEST(ScriptEngineTest, CountsEveryLineOfTheScriptForItsErrors) {
  ScriptRun run;
  EXPECT_EQ(run.Go("#! --simulate\r\n\r\n# comment\r\npress 1149\r\n  bad\r\n"),
            "dialog 1226\nerror 5: unknown command \"bad\"\n");
}

TEST(ScriptEngineTest, UnwindsOpenDialogsSilentlyAfterAnErrorOrAtTheEnd) {
  for (const char* ending : {"", "press 1302\nbogus\npress 1\n"}) {
    ScriptRun run;
    // After its dialog, the main window's command asks a question: with the run
    // stopped it is cancelled and not printed.
    run.mainHandler.action = [&run](Window& window, int command) {
      if (command == 1202) {
        run.dialogResults.push_back(RunDialog(*run.ui, run.dialog, &window, run.dialogHandler));
        run.dialogResults.push_back(static_cast<int>(
            run.ui->MessageBox(&window, "Q", "really?", MessageButtons::OkCancel)));
        run.ui->MessageBox(nullptr, "Info", "done");
        run.dialogResults.push_back(RunDialog(*run.ui, run.dialog, &window, run.dialogHandler));
      }
    };
    // The front end sees the windows still open when the script ends.
    std::vector<std::string> atEnd;
    run.onScriptEnd = [&run, &atEnd] {
      for (const auto& window : run.backend.windows)
        atEnd.push_back(std::to_string(window->DialogId()) + (window->Ended() ? " ended" : " open"));
    };
    const std::string transcript = run.Go(std::string("press 1202\n") + ending);
    EXPECT_EQ(atEnd, (std::vector<std::string>{"1226 open", "1229 open"}));
    EXPECT_EQ(run.ui->Finish(), *ending ? 2 : 0);
    EXPECT_EQ(atEnd.size(), 2u);
    const bool failed = *ending != '\0';
    EXPECT_EQ(transcript, failed ? "dialog 1226\ndialog 1229\nerror 3: unknown command \"bogus\"\n"
                                 : "dialog 1226\ndialog 1229\n");
    EXPECT_EQ(run.ui->ExitStatus(), failed ? 2 : 0);
    EXPECT_EQ(run.dialogResults, (std::vector<int>{2, static_cast<int>(MessageResult::Cancel), 2}));
    EXPECT_EQ(run.result, 2);
    // No window got a command from the closing.
    EXPECT_EQ(run.mainHandler.seen, std::vector<std::string>{"1226:1202"});
    EXPECT_EQ(run.dialogHandler.seen, failed ? std::vector<std::string>{"1229:1302 +1302"}
                                             : std::vector<std::string>{});
  }
}

TEST(ScriptEngineTest, DrivesTheSimulatedController) {
  ScriptRun run;
  EXPECT_EQ(run.Go("sim byte 12 0x66\nsim dump 11 13\nsim dump 57\n"
                   "sim adapter off\nsim controller off\nsim kind other\nsim fail write 14\n"
                   "sim fail load 3\nsim fail commit 2\nsim silent-after 10\nsim isp locked\nsim isp out-of-step 3\n"
                   "sim signature 0x1E 0x93 0x08\nsim fuses 0xC9 0xE1\nsim lockbits 0xFC\nsim calibration 0x9A\n"
                   "sim motor 250.5 10\nsim flash 0 1\nsim log\n",
                   true),
            "dialog 1226\n"
            "sim 11 0x00\nsim 12 0x66\nsim 13 0xFF\n"
            "sim 57 0xFF\n"
            "sim 0 0xFF\nsim 1 0xFF\n");
  const auto& c = run.adapter.controller;
  EXPECT_FALSE(run.adapter.plugged);
  EXPECT_FALSE(c.present);
  EXPECT_TRUE(c.otherKind);
  EXPECT_EQ(c.failWriteAddress, 14);
  EXPECT_EQ(c.failLoadCountdown, 3);
  EXPECT_EQ(c.failCommitCountdown, 2);
  EXPECT_EQ(c.silentAfter, 10);
  EXPECT_EQ(c.isp.state, sim::SimIsp::State::Locked);
  EXPECT_EQ(c.isp.outOfStep, 3);
  EXPECT_EQ(c.isp.signature[2], 0x08);
  EXPECT_EQ(c.isp.fuseHigh, 0xC9);
  EXPECT_EQ(c.isp.fuseLow, 0xE1);
  EXPECT_EQ(c.isp.lockBits, 0xFC);
  EXPECT_EQ(c.isp.calibration, 0x9A);
  EXPECT_EQ(c.motor.hz, 250.5);
  EXPECT_EQ(c.motor.seconds, 10);

  ScriptRun reset;
  reset.Go("sim byte 12 1\nsim kind other\nsim isp absent\nsim reset\nsim isp erased\n", true);
  EXPECT_EQ(reset.adapter.controller.settings[12], 102);
  EXPECT_FALSE(reset.adapter.controller.otherKind);
  EXPECT_EQ(reset.adapter.controller.isp.state, sim::SimIsp::State::Erased);
}

TEST(ScriptEngineTest, PrintsTheControllersLogAndTheWire) {
  ScriptRun run;
  run.mainHandler.action = [&run](Window&, int command) {
    if (command == 1149) {
      run.adapter.controller.Log("read 12");
      run.adapter.controller.Log("write 14 20");
      auto device = run.adapter.Open("COM1");
      device->Escape(EscapeCode::SetDtr);
      uint32_t status = 0;
      device->GetModemStatus(status);
      run.adapter.LptWrite(0x378, 0x09, true);
      run.adapter.LptRead(0x378);
    }
  };
  // The controller is held in reset: its data line idles high, and CTS with it.
  EXPECT_EQ(run.Go("press 1149\nsim log\nsim log\nsim wire on\npress 1149\nsim wire off\npress 1149\n", true),
            "dialog 1226\n"
            "sim read 12\nsim write 14 20\n"
            "wire dtr 1\nwire modem 0x30\nwire lpt-out 0x09\nwire lpt-in 0x7809\n");
}

TEST(ScriptEngineTest, RefusesMalformedSimulatorLines) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"sim", "missing simulator command"},
      {"sim frob", "unknown simulator command \"frob\""},
      {"sim byte 58 1", "address 58 is out of range (0 to 57)"},
      {"sim byte 12 256", "value 256 is out of range (0 to 255)"},
      {"sim byte 12", "missing value"},
      {"sim adapter maybe", "expected on or off, not \"maybe\""},
      {"sim kind mine", "expected own or other, not \"mine\""},
      {"sim fail read 3", "expected write, load or commit, not \"read\""},
      {"sim isp broken", "expected ok, locked, erased, absent or out-of-step, not \"broken\""},
      {"sim isp out-of-step 8", "bit count 8 is out of range (0 to 7)"},
      {"sim signature 1 2", "missing signature byte"},
      {"sim motor fast 1", "\"fast\" is not a number"},
      {"sim dump 13 12", "the range ends before it begins"},
      {"sim flash 0 8192", "address 8192 is out of range (0 to 8191)"},
      {"sim log now", "unexpected \"now\""},
      {"sim reset 1", "unexpected \"1\""},
  };
  for (const auto& c : cases) {
    ScriptRun run;
    EXPECT_EQ(run.Go(std::string(c.line) + "\n", true), "dialog 1226\nerror 1: " + std::string(c.error) + "\n")
        << c.line;
    EXPECT_EQ(run.ui->ExitStatus(), 2);
  }
}

}  // namespace
}  // namespace ravix::test

namespace ravix::test {
namespace {

// A script that cannot be read to its end fails loudly, like a line that cannot run.
TEST(ScriptEngineReading, UnreadableScriptsEndWithAnErrorAndExitTwo) {
  struct Case {
    const char* name;
    std::string text;
    const char* transcript;
  };
  const std::string longLine = "press 2" + std::string(70000, ' ');
  for (const Case& c : {
           Case{"line without end past the limit", std::string(70000, '#'),
                "dialog 1226\nerror 1: the line is longer than 65536 bytes\n"},
           Case{"long line after a good one", "press 1149\n" + longLine + "\n",
                "dialog 1226\nerror 2: the line is longer than 65536 bytes\n"},
           Case{"last line without end, short", "press 1149\npress 2", "dialog 1226\nend 1226 1\n"},
       }) {
    SCOPED_TRACE(c.name);
    ScriptRun run;
    EXPECT_EQ(run.Go(c.text), c.transcript);
    EXPECT_EQ(run.ui->Finish(), std::string(c.transcript).find("error") == std::string::npos ? 0 : 2);
  }
}

TEST(ScriptEngineReading, ADirectoryAsScriptIsAReadError) {
  const auto dir = std::filesystem::temp_directory_path() / ("ravix-script-dir-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string why;
  auto source = ScriptSource::Open(dir.string(), why);
  if (!source) {
    // Windows refuses to open a directory at all, which fails the run as loudly.
    std::filesystem::remove_all(dir);
    GTEST_SKIP() << "this system refuses to open a directory: " << why;
  }
  HeadlessUi backend;
  sim::SimClock clock{true};
  std::ostringstream transcript;
  ScriptEngine engine(backend, clock, source->Stream(), transcript);
  Handler handler;
  RunDialog(engine, MainResource(), nullptr, handler);
  EXPECT_EQ(engine.Finish(), 2);
  EXPECT_EQ(transcript.str(), "dialog 1226\nerror 1: the script cannot be read: Is a directory\n");
  std::filesystem::remove_all(dir);
  EXPECT_FALSE(ScriptSource::Open((dir / "missing").string(), why));
  EXPECT_EQ(why, "No such file or directory");
}

// The handler is asked: an ID that it does not know is an error; one it handles
// without a control (a parallel port's command) is sent.
TEST(ScriptEngineReading, PressOfAnUnknownIdIsAnError) {
  ScriptRun run;
  run.mainHandler.action = [](Window& window, int command) {
    if (command == 2) window.End(1);
  };
  struct Picky : Handler {
    bool OnCommand(Window& window, int command) override {
      Handler::OnCommand(window, command);
      return command == 2 || command == 1152 || command == 1149;
    }
  };
  Picky picky;
  picky.action = run.mainHandler.action;
  run.script.str("press 1152\npress 4711\npress 2\n");
  run.ui = std::make_unique<ScriptEngine>(run.backend, run.clock, run.script, run.transcript);
  RunDialog(*run.ui, run.main, nullptr, picky);
  EXPECT_EQ(run.ui->Finish(), 2);
  EXPECT_EQ(run.transcript.str(), "dialog 1226\nerror 2: dialog 1226 has no control, menu item or command 4711\n");
}

}  // namespace
}  // namespace ravix::test
