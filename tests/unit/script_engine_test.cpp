// The script engine's own rules on a small window of ours; what the scripts do to the
// tool's windows is proven by the scenario transcripts under tests/scenarios/.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/headless/headless_ui.h"
#include "script/script_engine.h"
#include "script/script_source.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix::test {
namespace {

ControlResource Ctl(int id, ControlKind kind, std::string text, bool enabled = true) {
  ControlResource c;
  c.id = id, c.kind = kind, c.text = std::move(text), c.enabled = enabled;
  return c;
}

// A main window with a control of every kind, and a dialog it opens with 1202.
DialogResource MainResource() {
  DialogResource r;
  r.id = 1226;
  r.controls = {Ctl(2, ControlKind::DefPushButton, "End"),        Ctl(1149, ControlKind::PushButton, "Read"),
                Ctl(1044, ControlKind::ReadOnlyEdit, "", false),      Ctl(1138, ControlKind::ComboBox, ""),
                Ctl(1170, ControlKind::CheckBox, "Reverse"),          Ctl(1183, ControlKind::Edit, "1.10"),
                Ctl(1171, ControlKind::RadioButton, "manual"),        Ctl(1172, ControlKind::AutoRadioButton, "A"),
                Ctl(1173, ControlKind::AutoRadioButton, "B"),         Ctl(1174, ControlKind::CheckBox, "off", false)};
  MenuResource open;
  open.text = "Open Update File", open.command = 1147;
  MenuResource file;
  file.text = "File", file.items = {open};
  r.menu = {file};
  return r;
}

DialogResource SmallDialog() {
  DialogResource r;
  r.id = 1229;
  r.controls = {Ctl(1, ControlKind::DefPushButton, "OK"), Ctl(1302, ControlKind::CheckBox, "A")};
  return r;
}

// Records every command; 2 ends the main window, 1202 opens the dialog, 1147 the file dialog.
struct Handler : WindowHandler {
  std::vector<std::string> seen;
  std::function<void(Window&, int)> action;
  void OnInit(Window&) override {}
  bool OnCommand(Window& window, int command) override {
    seen.push_back(std::to_string(window.DialogId()) + ":" + std::to_string(command));
    if (action) action(window, command);
    return true;
  }
};

struct ScriptRun {
  DialogResource main = MainResource();
  DialogResource dialog = SmallDialog();
  HeadlessUi backend;
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  std::istringstream script;
  std::ostringstream transcript;
  Handler mainHandler, dialogHandler;
  std::unique_ptr<ScriptEngine> ui;
  std::function<void()> onScriptEnd;
  int result = -1;

  ScriptRun() {
    mainHandler.action = [this](Window& window, int command) {
      if (command == 2) window.End(1);
      if (command == 1202) RunDialog(*ui, dialog, &window, dialogHandler);
      if (command == 1147) ui->OpenFileDialog(&window, "Open", "*.upd");
      if (command == 1149) window.SetItemText(1183, "1.20");
    };
    dialogHandler.action = [](Window& window, int command) {
      if (command == 1) window.End(1);
    };
  }

  // Runs text as the script of the main window; the transcript.
  std::string Go(const std::string& text, bool simulate = false) {
    script.str(text);
    ui = std::make_unique<ScriptEngine>(backend, clock, script, transcript, simulate ? &adapter : nullptr);
    ui->OnScriptEnd = onScriptEnd;
    result = RunDialog(*ui, main, nullptr, mainHandler);
    return transcript.str();
  }
};

// A press marks a check box and an automatic radio button (clearing the others of its
// group) before the command arrives; a manual radio button is left to the tool, and a
// disabled control takes nothing. A trace prints what the tool writes, not what the
// script types. A wait passes the virtual clock.
TEST(ScriptEngineTest, PressesAsAClickDoesAndTracesTheToolsTextOnly) {
  ScriptRun run;
  EXPECT_EQ(run.Go("press 1171\npress 1172\npress 1173\npress 1170\ncheck 1174 on\nshow 1170 1171 1172 1173\n"
                   "trace 1183\ntype 1183 5\npress 1149\nwait 1500\nwait 0x10\n"),
            "dialog 1226\n"
            "ignored 1174\n"
            "1170 text=\"Reverse\" enabled=1 checked=1\n"
            "1171 text=\"manual\" enabled=1 checked=0\n"
            "1172 text=\"A\" enabled=1 checked=0\n"
            "1173 text=\"B\" enabled=1 checked=1\n"
            "set 1183 \"1.20\"\n");
  EXPECT_EQ(run.mainHandler.seen,
            (std::vector<std::string>{"1226:1171", "1226:1172", "1226:1173", "1226:1170", "1226:1149"}));
  EXPECT_EQ(run.clock.NowUs(), 1516000u);
}

// The line that cannot run is named with its number; the windows close without a
// command, and the run exits with 2. (An unknown command, a missing or malformed
// number, an unknown control, an open quote, sim lines without --simulate and lines
// after the end are in tests/scenarios/shell/bad_*.)
TEST(ScriptEngineTest, ReportsLinesThatCannotBeRunAndStops) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"press twelve", "error 1: dialog 1226 has no control or command named \"twelve\""},
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
      {"check 1170 yes", "error 1: expected on or off, not \"yes\""},
      {"check 1149 on", "error 1: control 1149 is not a check box or radio button"},
      {"select 1138 0", "error 1: list 1138 has 0 entries"},
      {"select 1183 0", "error 1: control 1183 is not a list"},
      {"answer maybe", "error 1: expected ok or cancel, not \"maybe\""},
      {"choose", "error 1: missing path"},
      {"choose \"\"", "error 1: an empty path"},
      {"trace 1044 off", "error 1: dialog 1226 has no control or command named \"off\""},
      // Every line counts, comments, blank ones and Windows line ends too.
      {"#! --simulate\r\n\r\n# comment\r\n  bad", "error 4: unknown command \"bad\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    ScriptRun run;
    EXPECT_EQ(run.Go(std::string(c.script) + "\npress 1149\n"), "dialog 1226\n" + std::string(c.error) + "\n");
    EXPECT_EQ(run.ui->ExitStatus(), ScriptEngine::kExitError);
    EXPECT_TRUE(run.mainHandler.seen.empty());
    EXPECT_EQ(run.result, ScriptEngine::kClosedResult);
  }
}

// The words shared with the other lines (numbers, on/off, a missing or extra word) are
// refused by the same code as above.
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
      {"sim kind mine", "expected own or other, not \"mine\""},
      {"sim fail read 3", "expected write, load or commit, not \"read\""},
      {"sim isp broken", "expected ok, locked, erased, absent or out-of-step, not \"broken\""},
      {"sim isp out-of-step 8", "bit count 8 is out of range (0 to 7)"},
      {"sim signature 1 2", "missing signature byte"},
      {"sim dump 13 12", "the range ends before it begins"},
      {"sim flash 0 8192", "address 8192 is out of range (0 to 8191)"},
      {"sim log now", "unexpected \"now\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ScriptRun run;
    EXPECT_EQ(run.Go(std::string(c.line) + "\n", true), "dialog 1226\nerror 1: " + std::string(c.error) + "\n");
    EXPECT_EQ(run.ui->ExitStatus(), 2);
  }
}

// At the script's end or after an error the open windows close without a command; a
// question asked on the way out is cancelled and not printed. The front end still sees
// the windows open when the script ends (for its screenshots).
TEST(ScriptEngineTest, UnwindsOpenDialogsSilentlyAfterAnErrorOrAtTheEnd) {
  for (const char* ending : {"", "press 1302\nbogus\npress 1\n"}) {
    SCOPED_TRACE(ending);
    ScriptRun run;
    std::vector<int> results;
    run.mainHandler.action = [&](Window& window, int command) {
      if (command != 1202) return;
      results.push_back(RunDialog(*run.ui, run.dialog, &window, run.dialogHandler));
      results.push_back(static_cast<int>(run.ui->MessageBox(&window, "Q", "really?", MessageButtons::OkCancel)));
      run.ui->MessageBox(nullptr, "Info", "done");
      results.push_back(RunDialog(*run.ui, run.dialog, &window, run.dialogHandler));
    };
    std::vector<std::string> atEnd;
    run.onScriptEnd = [&] {
      for (const auto& window : run.backend.windows)
        atEnd.push_back(std::to_string(window->DialogId()) + (window->Ended() ? " ended" : " open"));
    };
    const bool failed = *ending != '\0';
    EXPECT_EQ(run.Go(std::string("press 1202\n") + ending),
              failed ? "dialog 1226\ndialog 1229\nerror 3: unknown command \"bogus\"\n" : "dialog 1226\ndialog 1229\n");
    EXPECT_EQ(atEnd, (std::vector<std::string>{"1226 open", "1229 open"}));
    EXPECT_EQ(run.ui->Finish(), failed ? 2 : 0);
    EXPECT_EQ(results, (std::vector<int>{2, static_cast<int>(MessageResult::Cancel), 2}));
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(run.mainHandler.seen, std::vector<std::string>{"1226:1202"});
    EXPECT_EQ(run.dialogHandler.seen,
              failed ? std::vector<std::string>{"1229:1302"} : std::vector<std::string>{});
  }
}

// Each runs in a fresh, empty current directory dir_.
class ScriptEngineFiles : public FreshDirectoryTest {
 protected:
  ScriptEngineFiles() : FreshDirectoryTest("ravix-script-files-") {}
};

// The open dialog leaves the current directory at the chosen file's folder, as the
// desktop's does; paths are shown from where the script started.
TEST_F(ScriptEngineFiles, ChoosingAFileMovesTheCurrentDirectory) {
  std::filesystem::create_directories(dir_ / "fw" / "old");
  ScriptRun run;
  EXPECT_EQ(run.Go("choose fw/old/a.upd\npress 1147\nchoose ../b.upd\npress 1147\n"),
            "dialog 1226\nchoose -> \"fw/old/a.upd\"\nchoose -> \"fw/b.upd\"\n");
  EXPECT_EQ(std::filesystem::current_path(), dir_ / "fw");
}

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

TEST_F(ScriptEngineFiles, ADirectoryAsScriptIsAReadError) {
  std::string why;
  auto source = ScriptSource::Open(dir_.string(), why);
  // Windows refuses to open a directory at all, which fails the run as loudly.
  if (!source) GTEST_SKIP() << "this system refuses to open a directory: " << why;
  HeadlessUi backend;
  sim::SimClock clock{true};
  std::ostringstream transcript;
  ScriptEngine engine(backend, clock, source->Stream(), transcript);
  Handler handler;
  RunDialog(engine, MainResource(), nullptr, handler);
  EXPECT_EQ(engine.Finish(), 2);
  EXPECT_EQ(transcript.str(), "dialog 1226\nerror 1: the script cannot be read: Is a directory\n");
  EXPECT_FALSE(ScriptSource::Open((dir_ / "missing").string(), why));
  EXPECT_EQ(why, "No such file or directory");
}

}  // namespace
}  // namespace ravix::test
