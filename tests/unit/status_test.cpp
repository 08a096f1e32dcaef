#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "status/status.h"

namespace ravix::test {
namespace {

const std::string kPad(80, ' ');

DialogResource WindowWithStatusField(int id) {
  DialogResource r;
  r.id = id;
  ControlResource field;
  field.id = IDC_STATUS;
  field.kind = ControlKind::ReadOnlyEdit;
  field.enabled = false;
  r.controls.push_back(field);
  return r;
}

// Records, for every message box, the state the main window's status field was in
// while the box was up.
class WatchingUi : public HeadlessUi {
 public:
  std::shared_ptr<Window> watched;
  std::vector<std::pair<std::string, bool>> fieldAtBox;

  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details) override {
    if (watched) fieldAtBox.emplace_back(watched->GetItemText(IDC_STATUS), watched->IsItemEnabled(IDC_STATUS));
    return HeadlessUi::MessageBox(owner, caption, text, buttons, details);
  }
};

struct StatusBench {
  DialogResource mainResource = WindowWithStatusField(1226);
  DialogResource dialogResource = WindowWithStatusField(1228);
  WatchingUi ui;
  Status status{ui};
  std::shared_ptr<Window> main = ui.CreateWindow(mainResource, nullptr);
  std::vector<std::string> mainTexts;

  StatusBench() {
    status.MainWindow = main;
    status.StatusWindow = main;
    ui.watched = main;
    main->OnTextChanged = [this](int id, const std::string& text) {
      if (id == IDC_STATUS) mainTexts.push_back(text);
    };
  }
  int Repaints(const std::shared_ptr<Window>& w) const { return static_cast<HeadlessWindow&>(*w).repaints; }
};
TEST(ShowStatus, PadsTheTextUpToItsFirstControlCharacterWith80Blanks) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"connecting....\n", "connecting...." + kPad},
      {"", kPad},
      {"a\tb", "a" + kPad},
      {std::string("x\x1f" "y"), "x" + kPad},
      {"Ger\xC3\xA4t", "Ger\xC3\xA4t" + kPad},  // bytes of a UTF-8 character are no control characters
      // The longest text the tool shows: with its padding 199 characters, which with the
      // terminating zero fill the 200 of the field's buffer.
      {std::string(119, 'x'), std::string(119, 'x') + kPad},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    StatusBench bench;
    const int repaints = bench.Repaints(bench.main);
    bench.status.StatusText = c.text;
    bench.status.ShowStatus();
    EXPECT_EQ(bench.main->GetItemText(IDC_STATUS), c.shown);
    EXPECT_EQ(bench.status.StatusText, c.shown) << "the padded text stays in StatusText";
    EXPECT_EQ(bench.Repaints(bench.main), repaints + 1);
  }
}

// The status window may be a dialog, and may have closed: the text goes to it, or
// nowhere, never to the main window.
TEST(ShowStatus, WritesTheStatusWindowEvenWhenThatIsADialog) {
  StatusBench bench;
  auto dialog = bench.ui.CreateWindow(bench.dialogResource, bench.main.get());
  bench.status.StatusWindow = dialog;
  bench.status.StatusText = "calculating";
  bench.status.ShowStatus();
  EXPECT_EQ(dialog->GetItemText(IDC_STATUS), "calculating" + kPad);
  dialog.reset();
  bench.ui.windows.clear();
  bench.status.StatusText = "x";
  bench.status.ShowStatus();
  EXPECT_EQ(bench.status.StatusText, "x" + kPad);
  bench.status.SetField("y");
  bench.status.EnableField(true);
  bench.status.EndFieldBlank();
  EXPECT_EQ(bench.main->GetItemText(IDC_STATUS), "");
}

// Whatever the field showed and whether it was enabled: enabled and blank for the box,
// then padded blank and disabled. The box belongs to the main window, also while a
// dialog is the status window (whose field is left alone), and to no window without one.
TEST(ReportCommandError, LeavesTheMainWindowsFieldBlankAndDisabled) {
  for (const bool enabled : {true, false}) {
    StatusBench bench;
    auto dialog = bench.ui.CreateWindow(bench.dialogResource, bench.main.get());
    dialog->SetItemText(IDC_STATUS, "calculating");
    dialog->EnableItem(IDC_STATUS, true);
    bench.status.StatusWindow = dialog;
    bench.main->SetItemText(IDC_STATUS, "reading.....");
    bench.main->EnableItem(IDC_STATUS, enabled);
    bench.mainTexts.clear();
    const int repaints = bench.Repaints(bench.main);
    bench.status.ReportCommandError("COM-Init-Error!");

    ASSERT_EQ(bench.ui.messages.size(), 1u);
    EXPECT_EQ(bench.ui.messages[0].owner, bench.main.get());
    EXPECT_EQ(bench.ui.messages[0].caption, "Error");
    EXPECT_EQ(bench.ui.messages[0].text, "COM-Init-Error!");
    EXPECT_EQ(bench.ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(bench.ui.fieldAtBox, (std::vector<std::pair<std::string, bool>>{{" " + kPad, true}}));
    EXPECT_EQ(bench.mainTexts, (std::vector<std::string>{" ", " " + kPad}));
    EXPECT_FALSE(bench.main->IsItemEnabled(IDC_STATUS));
    EXPECT_EQ(bench.status.StatusText, " " + kPad);
    EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!") << "nothing clears ErrorText";
    EXPECT_GE(bench.Repaints(bench.main), repaints + 3);
    EXPECT_EQ(dialog->GetItemText(IDC_STATUS), "calculating");
    EXPECT_TRUE(dialog->IsItemEnabled(IDC_STATUS));
  }
  HeadlessUi ui;
  Status status(ui);
  status.ReportCommandError("No Adaptor found at COM2\n");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].owner, nullptr);
  EXPECT_EQ(ui.messages[0].text, "No Adaptor found at COM2\n");
}

// The operating system's reason travels with the text it explains: a box shows it as
// long as ErrorText still holds that text, and never beside a later, different failure.
TEST(ErrorDetail, BelongsToTheErrorTextItWasGivenWith) {
  struct Case {
    const char* name;
    std::function<void(Status&)> after;  // what happens between the failure and the box
    const char* details;
  };
  const Case cases[] = {
      {"shown at once", [](Status&) {}, "Permission denied"},
      {"the same text again", [](Status& s) { s.ErrorText = "COM-Init-Error!"; }, "Permission denied"},
      {"another failure since", [](Status& s) { s.ErrorText = "No Adaptor found at COM1\n"; }, ""},
      {"a failure without a reason", [](Status& s) { s.ErrorText = "x", s.SetErrorDetail(""); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StatusBench bench;
    bench.status.ErrorText = "COM-Init-Error!";
    bench.status.SetErrorDetail("Permission denied");
    c.after(bench.status);
    bench.status.ReportCommandError();
    bench.status.ShowErrorText(nullptr, "Error");
    ASSERT_EQ(bench.ui.messages.size(), 2u);
    for (const auto& box : bench.ui.messages) {
      EXPECT_EQ(box.text, bench.status.ErrorText) << "the box's own text is unchanged";
      EXPECT_EQ(box.details, c.details);
    }
    EXPECT_EQ(bench.ui.messages[1].owner, nullptr);
  }
}

}  // namespace
}  // namespace ravix::test
