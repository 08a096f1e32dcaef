// How the Qt windows behave under a person's hands: what a click does to a control's
// mark and which command it sends, the menu, Escape and the close box, the modal run,
// the message boxes and the file dialog.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "resources/resources.h"
#include "gui/qt_ui.h"

namespace ravix::gui {
namespace {

// A window with one control of each kind and a small menu.
DialogResource TestDialog() {
  DialogResource d;
  d.id = 4711;
  d.title = "Test";
  d.width = 200;
  d.height = 120;
  using K = ControlKind;
  d.controls = {
      {IDC_STATIC, K::GroupBox, "Modes", 4, 4, 90, 60, true, ""},
      {10, K::RadioButton, "manual A", 10, 16, 70, 10, true, "Modes"},
      {11, K::RadioButton, "manual B", 10, 28, 70, 10, true, "Modes"},
      {12, K::AutoRadioButton, "auto A", 10, 40, 70, 10, true, "Modes"},
      {13, K::AutoRadioButton, "auto B", 10, 50, 70, 10, true, "Modes"},
      {20, K::CheckBox, "box", 100, 10, 60, 10, true, ""},
      {21, K::Edit, "start", 100, 24, 60, 12, true, ""},
      {22, K::ComboBox, "", 100, 40, 60, 12, true, ""},
      {23, K::PushButton, "Go", 100, 60, 40, 14, true, ""},
      {24, K::PushButton, "Off", 100, 80, 40, 14, false, ""},
      {25, K::ReadOnlyEdit, "", 4, 100, 90, 14, false, ""},
      {2, K::DefPushButton, "End", 150, 100, 40, 14, true, ""},
  };
  d.menuId = 1;
  d.menu = {
      {"Port", 0, false, false, {{"COM1", 31, true, false, {}}, {"COM2", 32, false, false, {}}, {"Grey", 33, false, true, {}}}},
      {"Bar", 40, false, false, {}},
  };
  return d;
}

// Records the commands; runs what a test asks for on a command.
class Recorder : public WindowHandler {
 public:
  void OnInit(Window&) override {}
  bool OnCommand(Window& window, int command) override {
    commands.push_back(command);
    if (auto it = actions.find(command); it != actions.end()) it->second(window);
    return true;
  }
  std::vector<int> commands;
  std::map<int, std::function<void(Window&)>> actions;
};

class WindowBehaviourTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = std::dynamic_pointer_cast<QtWindow>(ui_.CreateWindow(resource_, nullptr));
    ASSERT_TRUE(window_);
  }
  // Runs the window modally while script acts on it from the event loop; the result.
  int Run(std::function<void()> script) {
    QTimer::singleShot(0, [&] {
      script();
      if (!window_->Ended()) window_->End(99);
    });
    return ui_.RunModal(window_, recorder_);
  }
  QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(window_->Control(id)); }

  DialogResource resource_ = TestDialog();
  QtUi ui_;
  std::shared_ptr<QtWindow> window_;
  Recorder recorder_;
};

TEST_F(WindowBehaviourTest, ClicksSendTheirCommandsAndOnlyAutoButtonsMarkThemselves) {
  Run([&] {
    Button(10)->click();  // the tool alone sets this mark
    EXPECT_FALSE(window_->IsItemChecked(10));
    window_->CheckItem(10, true);
    window_->CheckItem(11, true);  // and the tool may check two
    Button(10)->click();  // nor does a click take it away
    EXPECT_TRUE(window_->IsItemChecked(10));

    Button(12)->click();
    Button(13)->click();
    EXPECT_TRUE(window_->IsItemChecked(13));
    EXPECT_FALSE(window_->IsItemChecked(12));
    Button(13)->click();  // a second click keeps the mark
    EXPECT_TRUE(window_->IsItemChecked(13));
    EXPECT_TRUE(window_->IsItemChecked(10)) << "the manual buttons are not in the automatic group";
    window_->CheckItem(13, false);  // the tool may clear every mark of the group
    EXPECT_FALSE(window_->IsItemChecked(13));

    Button(20)->click();
    EXPECT_TRUE(window_->IsItemChecked(20));
    Button(23)->click();
    Button(24)->click();  // disabled: no command
  });
  EXPECT_EQ(recorder_.commands, (std::vector<int>{10, 10, 12, 13, 13, 20, 23}));
}

TEST_F(WindowBehaviourTest, MenuItemsSendCommandsAndKeepTheirMarksForTheTool) {
  QAction* com1 = window_->MenuAction(31);
  QAction* grey = window_->MenuAction(33);
  QAction* bar = window_->MenuAction(40);
  ASSERT_TRUE(com1 && grey && bar);
  Run([&] {
    EXPECT_TRUE(window_->IsMenuItemChecked(31));
    com1->trigger();
    EXPECT_TRUE(window_->IsMenuItemChecked(31));
    window_->MenuAction(32)->trigger();
    EXPECT_FALSE(window_->IsMenuItemChecked(32));
    window_->CheckMenuItem(31, false);
    window_->CheckMenuItem(32, true);
    EXPECT_FALSE(window_->IsMenuItemChecked(31));
    EXPECT_TRUE(window_->IsMenuItemChecked(32));
    grey->trigger();  // greyed: nothing
    bar->trigger();
    window_->EnableMenuItem(33, true);
    grey->trigger();
  });
  EXPECT_EQ(recorder_.commands, (std::vector<int>{31, 32, 40, 33}));
}

// Escape and the close box send command 2 and leave the ending to the handler; a close
// request while a command runs is ignored.
TEST_F(WindowBehaviourTest, EscapeAndTheCloseBoxAreCommandTwo) {
  recorder_.actions[23] = [&](Window&) { window_->RequestClose(); };
  const int result = Run([&] {
    Button(23)->click();
    window_->Dialog().reject();  // what Escape does
    window_->Dialog().close();
    EXPECT_TRUE(window_->Dialog().isVisible()) << "the handler decides, not the key";
    recorder_.actions[2] = [](Window& w) { w.End(1); };
    window_->Dialog().close();
  });
  EXPECT_EQ(recorder_.commands, (std::vector<int>{23, 2, 2, 2}));
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(window_->Dialog().isVisible());
}

// Return in a text field, on a check box or a radio button neither ends the window nor
// changes a mark; on End's button it presses End.
TEST_F(WindowBehaviourTest, ReturnPressesOnlyTheFocusedButton) {
  Run([&] {
    window_->Dialog().activateWindow();
    for (int id : {21, 20, 10, 12}) {
      window_->Control(id)->setFocus();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
      if (id == 21) {
        QApplication::sendEvent(window_->Control(id), &press);
      } else {
        QApplication::sendEvent(&window_->Dialog(), &press);
        QApplication::sendEvent(&window_->Dialog(), &enter);
      }
      EXPECT_TRUE(window_->Dialog().isVisible()) << id;
      EXPECT_FALSE(window_->IsItemChecked(id)) << id;
    }
    window_->Control(2)->setFocus();
    QKeyEvent onButton(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&window_->Dialog(), &onButton);
  });
  EXPECT_EQ(recorder_.commands, (std::vector<int>{2}));
}

TEST_F(WindowBehaviourTest, StatusTextWithItsBlankTailShowsItsStart) {
  window_->SetItemText(25, "connecting...." + std::string(80, ' '));
  auto* edit = qobject_cast<QLineEdit*>(window_->Control(25));
  EXPECT_EQ(edit->cursorPosition(), 0);
  EXPECT_EQ(window_->GetItemText(25), "connecting...." + std::string(80, ' '));
}

// Typing into a list's field leaves no entry selected and is not completed to an entry.
TEST_F(WindowBehaviourTest, TypingIntoAListLeavesNoEntrySelected) {
  for (const char* entry : {"off", "hard", "medium", "soft"}) window_->ListAddString(22, entry);
  window_->ListSetSelection(22, 2);
  auto* combo = qobject_cast<QComboBox*>(window_->Control(22));
  combo->lineEdit()->setFocus();
  combo->lineEdit()->selectAll();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, QStringLiteral("h"));
  QApplication::sendEvent(combo->lineEdit(), &key);
  EXPECT_EQ(window_->ListSelection(22), -1);
  EXPECT_EQ(window_->GetItemText(22), "h");
}

// A modal window that opens while a test runs: acts on it from the event loop.
void WhenModalOpens(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] { act(QApplication::activeModalWidget()); });
}

TEST_F(WindowBehaviourTest, MessageBoxesCarryCaptionTextOwnerAndButtons) {
  struct Case {
    bool owned;
    MessageButtons buttons;
    QMessageBox::StandardButton click;
    MessageResult expected;
  };
  for (const Case& c : {Case{false, MessageButtons::Ok, QMessageBox::Ok, MessageResult::Ok},
                        Case{true, MessageButtons::OkCancel, QMessageBox::Cancel, MessageResult::Cancel},
                        Case{false, MessageButtons::OkCancel, QMessageBox::Ok, MessageResult::Ok}}) {
    SCOPED_TRACE(c.owned);
    bool seen = false;
    WhenModalOpens([&](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      ASSERT_TRUE(box);
      seen = true;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Warnung!"));
      EXPECT_EQ(box->text(), QStringLiteral("Gerät <b>nicht</b>\nbereit"));
      EXPECT_EQ(box->textFormat(), Qt::PlainText);
      EXPECT_EQ(box->parentWidget(), c.owned ? &window_->Dialog() : nullptr);
      EXPECT_EQ(box->standardButtons(), c.buttons == MessageButtons::Ok
                                            ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                            : QMessageBox::Ok | QMessageBox::Cancel);
      box->button(c.click)->click();
    });
    EXPECT_EQ(ui_.MessageBox(c.owned ? window_.get() : nullptr, "Warnung!", "Gerät <b>nicht</b>\nbereit", c.buttons),
              c.expected);
    EXPECT_TRUE(seen);
  }
}

// A box the command shows while it runs takes its clicks: only the window's own
// input is dropped meanwhile.
TEST_F(WindowBehaviourTest, ABoxDuringACommandTakesItsClicks) {
  MessageResult answer = MessageResult::Ok;
  recorder_.actions[23] = [&](Window& w) {
    WhenModalOpens([](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      ASSERT_TRUE(box);
      QAbstractButton* cancel = box->button(QMessageBox::Cancel);
      const QPointF at(cancel->width() / 2.0, cancel->height() / 2.0);
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(cancel, new QMouseEvent(type, at, cancel->mapToGlobal(at), Qt::LeftButton,
                                                            type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                             : Qt::NoButton,
                                                            Qt::NoModifier));
      // Should the click be lost, the box ends with OK after a while instead.
      QTimer::singleShot(2000, box, [box] { box->button(QMessageBox::Ok)->click(); });
    });
    answer = ui_.MessageBox(&w, "Frage", "Weiter?", MessageButtons::OkCancel);
  };
  Run([&] { window_->Dispatch(23); });
  EXPECT_EQ(answer, MessageResult::Cancel);
}

TEST_F(WindowBehaviourTest, FileDialogReturnsTheFullPathAndMovesTheCurrentDirectory) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("updates")));
  const QString file = root.filePath(QStringLiteral("updates/ravix_1_2.upd"));
  QFile(file).open(QIODevice::WriteOnly);
  const QString before = QDir::currentPath();
  QDir::setCurrent(root.path());

  WhenModalOpens([&](QWidget* widget) {
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Open a File"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(root.path()).canonicalPath());
    EXPECT_TRUE(dialog->nameFilters().join(QString()).contains(QStringLiteral("*.upd")));
    dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto chosen = ui_.OpenFileDialog(window_.get(), "Open a File", "*.upd");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(QFileInfo(QString::fromStdString(*chosen)).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
  EXPECT_TRUE(QFileInfo(QString::fromStdString(*chosen)).isAbsolute());
  EXPECT_EQ(QDir::current().canonicalPath(), QDir(root.filePath(QStringLiteral("updates"))).canonicalPath());

  WhenModalOpens([](QWidget* widget) { qobject_cast<QDialog*>(widget)->reject(); });
  EXPECT_FALSE(ui_.OpenFileDialog(nullptr, "Open a File", "*.upd"));
  QDir::setCurrent(before);
}

TEST(QtUiWindows, ToolDialogsOwnedByTheMainWindowOpenOverIt) {
  QtUi ui;
  auto main = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  DialogResource small = TestDialog();
  auto tool = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(small, main.get()));
  main->Show();
  tool->Show();
  EXPECT_EQ(tool->Owner(), main.get());
  EXPECT_EQ(tool->Dialog().windowHandle()->transientParent(), main->Dialog().windowHandle());
  EXPECT_TRUE(main->Dialog().frameGeometry().contains(tool->Dialog().frameGeometry().center()));
  EXPECT_EQ(ui.OpenWindows().size(), 2u);
  tool->End(1);
  EXPECT_EQ(ui.OpenWindows().size(), 1u);
}

}  // namespace
}  // namespace ravix::gui
