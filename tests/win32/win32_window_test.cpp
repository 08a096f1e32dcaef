// The Win32 windows, run for real (under Wine in CI): built from a table, driven by
// the messages a user's clicks and keys produce.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "win32gui/win32_ui.h"
#include "win32gui/win32_window.h"

#include "platform/win32/windows_api.h"  // last
#include <commctrl.h>

namespace ravix::win32gui {
namespace {

constexpr int kStatusField = 1044;
constexpr int kEnd = 2, kGo = 3, kEdit = 10, kStatus = 11, kBox = 20, kToolRadio = 30, kAutoA = 40, kAutoB = 41,
              kList = 50, kPortA = 100, kPortB = 101, kGreyed = 102, kBarCommand = 200;

DialogResource TestTable() {
  using K = ControlKind;
  DialogResource r;
  r.id = 900;
  r.title = "Test – Fenster";
  r.width = 200;
  r.height = 120;
  r.controls = {
      {IDC_STATIC, K::GroupBox, "Group", 4, 4, 120, 60, true, ""},
      {kEdit, K::Edit, "start", 10, 14, 50, 12, true, "Group"},
      {kStatus, K::ReadOnlyEdit, "", 10, 100, 100, 12, false, ""},
      {kStatusField, K::ReadOnlyEdit, "", 10, 84, 100, 12, false, ""},
      {kBox, K::CheckBox, "box", 10, 30, 50, 10, true, "Group"},
      {kToolRadio, K::RadioButton, "tool", 10, 44, 50, 10, true, "Group"},
      {kAutoA, K::AutoRadioButton, "a", 130, 14, 40, 10, true, "Auto"},
      {kAutoB, K::AutoRadioButton, "b", 130, 28, 40, 10, true, "Auto"},
      {kList, K::ComboBox, "", 130, 44, 60, 12, true, ""},
      {kGo, K::PushButton, "Go", 130, 80, 50, 14, true, ""},
      {kEnd, K::DefPushButton, "End", 130, 100, 50, 14, true, ""},
  };
  r.menuId = 901;
  r.menu = {{"Port", 0, false, false, {{"COM1", kPortA, true, false, {}}, {"COM2", kPortB, false, false, {}},
                                       {"Help File", kGreyed, false, true, {}}}},
            {"Rev Counter", kBarCommand, false, false, {}}};
  return r;
}

// Records the commands; ends the window on kEnd and runs a test's own reaction first.
struct Recorder : WindowHandler {
  std::vector<int> commands;
  std::function<void(Window&, int)> react;
  void OnInit(Window&) override {}
  bool OnCommand(Window& window, int command) override {
    commands.push_back(command);
    if (react) react(window, command);
    if (command == kEnd) window.End(1);
    return true;
  }
};

class Win32WindowTest : public ::testing::Test {
 protected:
  DialogResource table = TestTable();
  Win32Ui ui;
  std::shared_ptr<Window> shared = ui.CreateWindow(table, nullptr);
  Win32Window& window = static_cast<Win32Window&>(*shared);
  Recorder recorder;

  HWND Item(int id) { return window.Control(id); }
  void PostClick(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }
  void PostKey(int id, WPARAM key) { PostMessageW(Item(id), WM_KEYDOWN, key, 0); }
  // Runs the window on the messages posted so far, then ends it with a click on End.
  int Run() {
    PostClick(kEnd);
    return ui.RunModal(shared, recorder);
  }
};

// Every scenario also runs on these windows under Wine and prints the controls' texts,
// states and marks; here only what no scenario reaches.
TEST_F(Win32WindowTest, CornersTheScenariosDoNotReach) {
  ASSERT_NE(window.Handle(), nullptr);
  EXPECT_FALSE(IsWindowVisible(window.Handle())) << "a script uses the window without showing it";
  wchar_t title[64] = {};
  GetWindowTextW(window.Handle(), title, 64);
  EXPECT_STREQ(title, L"Test \u2013 Fenster");
  for (const char* text : {"Ä€ß", " ", ""}) {
    window.SetItemText(kEdit, text);
    EXPECT_EQ(window.GetItemText(kEdit), text);
  }
  EXPECT_EQ(window.GetItemText(999), "");
  window.SetItemText(999, "nothing");  // an ID the window lacks: no effect, as on the platform
  window.CheckItem(kGo, true);         // a push button carries no mark
  EXPECT_FALSE(window.IsItemChecked(kGo));
  EXPECT_FALSE(window.IsMenuItemEnabled(kGreyed));
  window.CheckMenuItem(kPortB, true);
  window.SetMenuItemText(kPortB, "COM2  (none)");
  EXPECT_TRUE(window.IsMenuItemChecked(kPortB)) << "a new text keeps the mark";
  window.CheckMenuItem(1152, true);  // a command without a menu item
  EXPECT_FALSE(window.IsMenuItemChecked(1152));
  for (const char* entry : {"7.5°", "15.0°"}) window.ListAddString(kList, entry);
  window.ListSetSelection(kList, 1);
  window.ListAddString(kList, "30.0°");
  EXPECT_EQ(window.ListSelection(kList), 1) << "adding an entry keeps the selection";
  window.ListSetSelection(kList, 9);
  EXPECT_EQ(window.ListSelection(kList), -1);
  EXPECT_EQ(window.GetItemText(kList), "");
  EXPECT_EQ(window.ListCount(kEdit), 0);
}

TEST_F(Win32WindowTest, ClientAreaIsTheTablesSizeBelowTheMenuBar) {
  RECT wanted{0, 0, table.width, table.height};
  MapDialogRect(window.Handle(), &wanted);
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, wanted.right);
  EXPECT_GE(client.bottom, wanted.bottom);
  RECT end{};
  GetWindowRect(Item(kEnd), &end);
  MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&end), 2);
  EXPECT_LE(end.bottom, client.bottom) << "the lowest button is not cut off";
}

TEST_F(Win32WindowTest, TypingInAListDeselectsItsEntry) {
  window.ListAddString(kList, "medium");
  window.ListSetSelection(kList, 0);
  HWND field = FindWindowExW(Item(kList), nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);
  SendMessageW(field, EM_SETSEL, 6, 6);
  SendMessageW(field, WM_CHAR, L'x', 0);
  EXPECT_EQ(window.ListSelection(kList), -1);
  EXPECT_EQ(window.GetItemText(kList), "mediumx");
}

TEST_F(Win32WindowTest, ClicksSendCommandsAndOnlyTheToolSetsRadioMarks) {
  std::vector<std::pair<int, bool>> marksAtCommand;
  recorder.react = [&](Window& w, int command) { marksAtCommand.emplace_back(command, w.IsItemChecked(command)); };
  window.CheckItem(kAutoA, true);
  PostClick(kToolRadio);
  PostClick(kAutoB);
  PostClick(kBox);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(recorder.commands, (std::vector<int>{kToolRadio, kAutoB, kBox, kEnd}));
  EXPECT_EQ(marksAtCommand[0], std::make_pair(kToolRadio, false)) << "the tool decides this mark";
  EXPECT_EQ(marksAtCommand[1], std::make_pair(kAutoB, true));
  EXPECT_FALSE(window.IsItemChecked(kAutoA)) << "the other button of the group lost its mark";
  EXPECT_EQ(marksAtCommand[2], std::make_pair(kBox, true)) << "a check box toggles before its command";
  EXPECT_FALSE(IsWindowVisible(window.Handle())) << "an ended window is hidden";
}

TEST_F(Win32WindowTest, ReturnInAFieldOrOnACheckBoxDoesNotEndTheWindow) {
  PostKey(kEdit, VK_RETURN);
  PostKey(kBox, VK_RETURN);
  PostKey(kList, VK_RETURN);
  PostClick(kGo);
  Run();
  EXPECT_EQ(recorder.commands, (std::vector<int>{kGo, kEnd}));
}

TEST_F(Win32WindowTest, EscapeAndTheCloseBoxSendEnd) {
  struct Case {
    const char* what;
    std::function<void(Win32Window&)> post;
  };
  const std::vector<Case> cases = {
      {"Escape in a field", [](Win32Window& w) { PostMessageW(w.Control(kEdit), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"Escape on a check box", [](Win32Window& w) { PostMessageW(w.Control(kBox), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"the close box", [](Win32Window& w) { PostMessageW(w.Handle(), WM_CLOSE, 0, 0); }},
      {"the system menu's Close", [](Win32Window& w) { PostMessageW(w.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Case& c : cases) {
    auto fresh = ui.CreateWindow(table, nullptr);
    Recorder own;
    c.post(static_cast<Win32Window&>(*fresh));
    EXPECT_EQ(ui.RunModal(fresh, own), 1) << c.what;
    EXPECT_EQ(own.commands, std::vector<int>{kEnd}) << c.what;
  }
}

TEST_F(Win32WindowTest, ACommandInProgressIgnoresASecondOne) {
  recorder.react = [&](Window&, int command) {
    if (command != kGo) return;
    // What a message loop inside the command (a box without owner) would deliver.
    SendMessageW(Item(kGo), BM_CLICK, 0, 0);
    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  };
  PostClick(kGo);
  Run();
  EXPECT_EQ(recorder.commands, (std::vector<int>{kGo, kEnd}));
}

// A click as the mouse gives it: pressed and released over the control, queued.
void PostMouseClick(HWND control) {
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// Clicks and keys given while a command runs are dropped at its repaints, not held
// back until it ends (where a click on Write during a Read would write).
TEST_F(Win32WindowTest, InputDuringACommandIsDroppedNotRunAfterwards) {
  bool endedDuringCommand = true;
  int go = 0;
  recorder.react = [&](Window& w, int command) {
    if (command != kGo || go++ > 0) return;
    w.SetItemText(kStatus, "reading.....");
    PostMouseClick(Item(kGo));
    PostKey(kEdit, VK_ESCAPE);
    PostMessageW(Item(kEdit), WM_SYSKEYDOWN, 'P', 1 << 29);  // Alt+P: the Port menu
    w.Repaint();
    endedDuringCommand = w.Ended();
    PostClick(kEnd);
  };
  // The command itself comes from a mouse click: such a click reaches the button.
  PostMouseClick(Item(kGo));
  EXPECT_EQ(ui.RunModal(shared, recorder), 1);
  EXPECT_FALSE(endedDuringCommand);
  EXPECT_EQ(recorder.commands, (std::vector<int>{kGo, kEnd}));
}

// The keys of the main window: menu items show theirs and get mnemonics, the keys of
// buttons press them unless they are greyed.
TEST(Win32MainWindowKeys, MenusShowTheirKeysAndKeysPressButtons) {
  Win32Ui ui;
  auto shared = ui.CreateWindow(MainWindowResource(), nullptr);
  auto& main = static_cast<Win32Window&>(*shared);
  wchar_t text[64] = {};
  GetMenuStringW(GetMenu(main.Handle()), menu::kSaveSettings, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"&Save Settings As...\tCtrl+S");
  GetMenuStringW(GetMenu(main.Handle()), 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&File");
  main.SetMenuItemText(menu::kFirstPort + 1, "COM2  (none)");
  GetMenuStringW(GetMenu(main.Handle()), menu::kFirstPort + 1, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"COM&2  (none)") << "a new text keeps the mnemonic";
  Recorder recorder;
  main.EnableItem(panel::kWrite, false);
  for (WPARAM key : {WPARAM(VK_F5), WPARAM(VK_F6)}) {
    PostMessageW(main.Control(panel::kFullSpeed), WM_KEYDOWN, key, 0);
    PostMessageW(main.Control(panel::kFullSpeed), WM_KEYUP, key, 0xC0000000);
  }
  PostMessageW(main.Control(kEnd), BM_CLICK, 0, 0);
  ui.RunModal(shared, recorder);
  EXPECT_EQ(recorder.commands, (std::vector<int>{panel::kRead, kEnd})) << "F6 presses no greyed Write";
}

TEST_F(Win32WindowTest, ProgressHasARowOfItsOwnUnderTheStatusField) {
  auto barOf = [&] { return FindWindowExW(window.Handle(), nullptr, PROGRESS_CLASSW, nullptr); };
  RECT before{};
  GetWindowRect(window.Handle(), &before);
  window.ShowProgress(0, 0);
  EXPECT_EQ(barOf(), nullptr) << "nothing is made before there is progress to show";
  struct Step {
    int done, total;
    bool shown;
    int position;
  };
  for (const Step& s : std::vector<Step>{{3, 10, true, 3}, {10, 10, true, 10}, {12, 10, true, 10}, {-1, 10, true, 0},
                                         {0, 0, false, 0}, {1, 4, true, 1}}) {
    window.ShowProgress(s.done, s.total);
    HWND bar = barOf();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ((GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0, s.shown) << s.done << "/" << s.total;
    if (s.shown) {
      EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), s.position) << s.done << "/" << s.total;
    }
  }
  RECT bar{}, field{}, end{}, grown{}, words{};
  GetWindowRect(barOf(), &bar);
  GetWindowRect(Item(kStatusField), &field);
  GetWindowRect(Item(kEnd), &end);
  GetWindowRect(window.Handle(), &grown);
  GetWindowRect(window.ProgressWords(), &words);
  RECT both{};
  EXPECT_FALSE(IntersectRect(&both, &bar, &field)) << "the bar leaves the status field whole";
  EXPECT_GE(bar.top, end.bottom) << "under the bottom row";
  EXPECT_GE(words.left, bar.right) << "its words beside it";
  EXPECT_GT(grown.bottom - grown.top, before.bottom - before.top) << "the window grows by the row";
  EXPECT_LE(bar.bottom, grown.bottom);
  wchar_t label[96] = {};
  GetWindowTextW(window.ProgressWords(), label, 96);
  EXPECT_STREQ(label, L"25%  1 of 4 lines");
  // The update's own estimate, from the port's measured rate, goes before the window's.
  window.ShowTimeLeft(75);
  window.ShowProgress(2, 4);
  GetWindowTextW(window.ProgressWords(), label, 96);
  EXPECT_STREQ(label, L"50%  2 of 4 lines, 1:15 left");
  window.ShowProgress(0, 0);
  RECT after{};
  GetWindowRect(window.Handle(), &after);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << "and shrinks back";
}

TEST_F(Win32WindowTest, AModalDialogDisablesItsOwnerWhileItRuns) {
  auto dialog = ui.CreateWindow(table, &window);
  auto* native = static_cast<Win32Window*>(dialog.get());
  bool ownerEnabledMeanwhile = true;
  Recorder inner;
  inner.react = [&](Window&, int) { ownerEnabledMeanwhile = IsWindowEnabled(window.Handle()) != 0; };
  PostMessageW(native->Control(kEnd), BM_CLICK, 0, 0);
  EXPECT_EQ(ui.RunModal(dialog, inner), 1);
  EXPECT_FALSE(ownerEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(window.Handle()));
}

// The session's end (log-off, shut-down). A tool with no command running agrees and
// then closes as with its close box; one whose command runs asks the session to
// wait, its command sees the request to stop, a question it asks then is cancelled,
// and the window closes once the command has ended. Each in a process of its own: a
// request to end stays for the rest of a process.
// 0 when an idle tool agrees to the session's end and then closes.
int IdleToolAgreesAndCloses() {
  Win32Ui ui;
  ui.EndOnOutsideRequest();
  auto shared = ui.CreateWindow(TestTable(), nullptr);
  auto& window = static_cast<Win32Window&>(*shared);
  window.Show();
  const LRESULT agreed = SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  Recorder recorder;
  const int result = ui.RunModal(shared, recorder);
  return agreed == TRUE && result == 1 && recorder.commands == std::vector<int>{kEnd} ? 0 : 1;
}

// 0 when a tool whose command runs asks the session to wait, the command sees the
// stop and its question is cancelled, and the tool closes after the command.
int RunningCommandStopsAndTheToolCloses() {
  Win32Ui ui;
  ui.EndOnOutsideRequest();
  auto shared = ui.CreateWindow(TestTable(), nullptr);
  auto& window = static_cast<Win32Window&>(*shared);
  Recorder recorder;
  LRESULT agreed = -1;
  bool stopSeen = false;
  MessageResult answer = MessageResult::Ok;
  recorder.react = [&](Window&, int command) {
    if (command != kGo) return;
    agreed = SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    stopSeen = ui.StopRequested() && ui.EndRequested();
    answer = ui.MessageBox(nullptr, "Warning!", "Update starten?", MessageButtons::OkCancel);
  };
  PostMessageW(window.Control(kGo), BM_CLICK, 0, 0);
  const int result = ui.RunModal(shared, recorder);
  const bool closed = result == 1 && recorder.commands == std::vector<int>{kGo, kEnd};
  return agreed == FALSE && stopSeen && answer == MessageResult::Cancel && closed ? 0 : 1;
}

TEST(Win32SessionEndTest, AnIdleToolAgreesAndCloses) {
  EXPECT_EXIT(std::exit(IdleToolAgreesAndCloses()), ::testing::ExitedWithCode(0), "");
}

TEST(Win32SessionEndTest, ARunningCommandStopsAndThenTheToolCloses) {
  EXPECT_EXIT(std::exit(RunningCommandStopsAndTheToolCloses()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace ravix::win32gui
