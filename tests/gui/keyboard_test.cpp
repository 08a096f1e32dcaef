// The main window from the keyboard: menus with Alt and their letter, the shortcuts
// of the File menu and of Read and Write, Return in a field, the Tab order.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui/qt_ui.h"
#include "resources/resources.h"
#include "settings/setting_table.h"

namespace ravix::gui {
namespace {

// Records the commands of the main window's table.
class Recorder : public WindowHandler {
 public:
  void OnInit(Window&) override {}
  bool OnCommand(Window&, int command) override {
    commands.push_back(command);
    return true;
  }
  std::vector<int> commands;
};

class KeyboardTest : public testing::Test {
 protected:
  void SetUp() override {
    main_ = std::dynamic_pointer_cast<QtWindow>(ui_.CreateWindow(MainWindowResource(), nullptr));
    ASSERT_TRUE(main_);
  }
  // Runs the main window modally with the keys of script given from the event loop.
  void Run(const std::function<void()>& script) {
    QTimer::singleShot(0, [&] {
      main_->Dialog().activateWindow();
      QApplication::setActiveWindow(&main_->Dialog());
      script();
      main_->End(1);
    });
    ui_.RunModal(main_, recorder_);
  }
  QWidget* Field(int id) { return main_->Control(id); }

  QtUi ui_;
  std::shared_ptr<QtWindow> main_;
  Recorder recorder_;
};

TEST_F(KeyboardTest, AltAndALetterOpenTheMenusAndTypeNothing) {
  struct Case {
    Qt::Key key;
    const char* menu;
  };
  std::vector<std::pair<std::string, std::string>> opened;
  Run([&] {
    auto* field = qobject_cast<QLineEdit*>(Field(panel::kFullSpeed));
    for (const Case& c : {Case{Qt::Key_F, "&File"}, Case{Qt::Key_P, "&Port"}, Case{Qt::Key_M, "&Model Memory"},
                          Case{Qt::Key_O, "&Options"}, Case{Qt::Key_H, "&Help"}}) {
      field->setFocus();
      QTest::keyClick(field, c.key, Qt::AltModifier);
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      opened.emplace_back(c.menu, menu ? menu->title().toStdString() : "none");
      if (menu) menu->hide();
    }
    EXPECT_EQ(field->text(), QString()) << "Alt and a letter type nothing into the field";
  });
  for (const auto& [expected, shown] : opened) EXPECT_EQ(shown, expected);
}

TEST_F(KeyboardTest, TheShortcutsSendTheirCommandsAndAreShownWhereTheyAct) {
  Run([&] {
    QWidget* field = Field(panel::kFullSpeed);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_F5);
    QTest::keyClick(field, Qt::Key_F6);  // Write is disabled until a Read: nothing
    main_->EnableItem(panel::kWrite, true);
    QTest::keyClick(field, Qt::Key_F6);
  });
  EXPECT_EQ(recorder_.commands, (std::vector<int>{menu::kSaveSettings, menu::kLoadSettings, menu::kOpenUpdateFile,
                                                  panel::kRead, panel::kWrite}));
  EXPECT_EQ(main_->MenuAction(menu::kSaveSettings)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
  EXPECT_EQ(main_->MenuAction(menu::kLoadSettings)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
  EXPECT_EQ(main_->MenuAction(menu::kOpenUpdateFile)->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
  EXPECT_TRUE(Field(panel::kRead)->toolTip().endsWith(QStringLiteral("(F5)</p>"))) << Field(panel::kRead)->toolTip().toStdString();
  EXPECT_TRUE(Field(panel::kWrite)->toolTip().endsWith(QStringLiteral("(F6)</p>")));
  // The settings' widgets carry the settings table's words, every radio button of a group too.
  for (const SettingRow& row : SettingRows())
    EXPECT_EQ(Field(row.control)->toolTip(), "<p>" + QString::fromStdString(SettingHelp(row.control)).toHtmlEscaped() + "</p>")
        << row.key;
  EXPECT_EQ(Field(panel::kPwm15k6)->toolTip(), Field(panel::kPwm7k8)->toolTip());
}

// Return in a field or a list does nothing; it used to press the default button (End)
// or the button clicked last.
TEST_F(KeyboardTest, ReturnInAFieldPressesNoButton) {
  Run([&] {
    QTest::mouseClick(Field(panel::kRead), Qt::LeftButton);  // the button clicked last
    for (int id : {panel::kFullSpeed, panel::kControlSpeed, panel::kBrake, panel::kVolts}) {
      QWidget* field = Field(id);
      field->setFocus();
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus, Qt::Key_Return);
      QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
    }
  });
  EXPECT_EQ(recorder_.commands, std::vector<int>{panel::kRead});
}

// Tab goes through the panel as it reads: each group box from the top down, the
// columns from the left; the fields only the tool writes are left out.
TEST_F(KeyboardTest, TabFollowsThePanelsReadingOrder) {
  std::vector<int> order;
  Run([&] {
    QWidget* first = Field(panel::kFullSpeed);
    first->setFocus();
    for (int n = 0; n < 60; ++n) {
      QWidget* focus = QApplication::focusWidget();
      int id = 0;
      for (const auto& [control, widget] : main_->Widgets())
        if (widget == focus || widget->isAncestorOf(focus)) id = control->id;
      if (!order.empty() && id == order.front()) break;
      order.push_back(id);
      QTest::keyClick(focus, Qt::Key_Tab);
    }
  });
  using namespace panel;
  const std::vector<int> expected = {
      kFullSpeed, kNeutral, kStop, kPwm7k8, kPwm15k6, kRead,                                   // column 1
      kControlSpeed, kStartupPower, kBrake, kTiming,                                          // motor control
      kIgnore, kReducePower, kSwitchOff, kPerCell, kVolts,                                    // low voltage
      kToleranceSmall, kToleranceMedium, kToleranceHigh,                                      // column 3
      kRpmControl, kSettingUp, kOvertempProtect, kBlockedMotorProtect, kRpmLimit, kFreeWheeling, kForwardReverse,
      kTransmitterFailures, kOvertempEvents, kUndervoltageEvents, kBlockedMotorEvents, kResetLog,  // column 4
      kEnd};
  EXPECT_EQ(order, expected);
}

}  // namespace
}  // namespace ravix::gui
