// The desktop program's settings files and progress bar on the real widgets, with the
// simulated controller.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "resources/resources.h"
#include "app/startup.h"
#include "app/tool.h"
#include "gui/qt_ui.h"
#include "sim/sim_adapter.h"

namespace ravix::gui {
namespace {

// The Qt user interface with the file dialogs answered and the boxes recorded, so
// that nothing waits for a person.
class AnsweringUi : public QtUi {
 public:
  using QtUi::QtUi;
  std::optional<std::string> OpenFileDialog(Window*, std::string_view, std::string_view) override { return path; }
  std::optional<std::string> SaveFileDialog(Window*, std::string_view, std::string_view, std::string_view) override {
    return path;
  }
  MessageResult MessageBox(Window*, std::string_view caption, std::string_view text, MessageButtons,
                           std::string_view) override {
    boxes.push_back(std::string(caption) + " " + std::string(text));
    return MessageResult::Ok;
  }
  std::optional<std::string> path;
  std::vector<std::string> boxes;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DesktopSettingsFile, TheFileMenuSavesAndLoadsThePanelWithoutWriting) {
  QTemporaryDir dir;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  sim::SimClock clock(true);
  sim::SimAdapter adapter(clock);
  AnsweringUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool(platform);
  const std::string file = dir.filePath(QStringLiteral("panel.json")).toStdString();

  QTimer::singleShot(0, [&] {
    auto main = ui.OpenWindows().front();
    QMenu* fileMenu = main->MenuBar()->actions().front()->menu();
    QStringList texts;
    for (QAction* action : fileMenu->actions()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Open Update File", "Save Settings As...", "Load Settings..."}));
    // The main window names the device behind each serial port, whatever the front end.
    EXPECT_EQ(main->MenuAction(menu::kFirstPort)->text(), QStringLiteral("COM1  simulated adapter"));

    main->MenuAction(menu::kLoadSettings)->trigger();  // nothing read yet
    main->Dispatch(1155);
    main->Dispatch(1149);
    ui.path = file;
    main->MenuAction(menu::kSaveSettings)->trigger();
    EXPECT_NE(Slurp(file).find("\"startup-power\": 10"), std::string::npos) << Slurp(file);

    auto* power = qobject_cast<QLineEdit*>(main->Control(1164));
    power->setText(QStringLiteral("5"));
    adapter.controller.TakeLog();
    main->MenuAction(menu::kLoadSettings)->trigger();
    EXPECT_EQ(power->text(), QStringLiteral(" 10"));
    EXPECT_TRUE(adapter.controller.TakeLog().empty()) << "loading must not talk to the controller";
    main->Dispatch(2);
  });
  RunApplication(tool);
  QDir::setCurrent(previous);
  EXPECT_EQ(ui.boxes, (std::vector<std::string>{"Error! Read values first!"}));
}

TEST(DesktopProgress, TheBarShowsLinesSentBesideTheStatusFieldAndHidesAtTheEnd) {
  QtUi ui;
  auto main = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  ASSERT_TRUE(main);
  main->Show();
  EXPECT_EQ(main->ProgressBar(), nullptr);
  main->SetItemText(1044, "Update laeuft");
  main->ShowProgress(30, 120);
  QProgressBar* bar = main->ProgressBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 30);
  EXPECT_EQ(bar->maximum(), 120);
  EXPECT_EQ(bar->text(), QStringLiteral("25%  (30 of 120 lines)"));
  const QRect status = main->Control(1044)->geometry();
  EXPECT_TRUE(status.contains(bar->geometry())) << "the bar lies inside the status field";
  EXPECT_FALSE(bar->geometry().intersects(main->Control(2)->geometry()));
  // The status text at the left stays free.
  const QFontMetrics metrics(main->Control(1044)->font());
  EXPECT_GT(bar->geometry().left(), status.left() + metrics.horizontalAdvance(QStringLiteral("Update laeuft")) + 8);
  if (const QByteArray shots = qgetenv("RAVIX_SCREENSHOT_DIR"); !shots.isEmpty())
    main->Dialog().grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress.png"));
  main->ShowProgress(150, 120);
  EXPECT_EQ(bar->value(), 120);
  main->ShowProgress(0, 0);
  EXPECT_FALSE(bar->isVisible());
  // A command that ends (on failure too) without hiding it: the bar goes with the status field.
  main->EnableItem(1044, true);
  main->ShowProgress(10, 120);
  EXPECT_TRUE(bar->isVisible());
  main->EnableItem(1044, false);
  EXPECT_FALSE(bar->isVisible());
  main->End(1);
}

}  // namespace
}  // namespace ravix::gui
