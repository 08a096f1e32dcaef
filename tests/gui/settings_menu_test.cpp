// The desktop program's port menu and progress bar on the real widgets, with the
// simulated controller.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include "resources/resources.h"
#include "app/startup.h"
#include "app/tool.h"
#include "gui/qt_ui.h"
#include "sim/sim_adapter.h"

namespace ravix::gui {
namespace {

// The main window names the device behind each serial port, whatever the front end;
// the scripts' "show menu" prints only the marks. (Saving and loading the panel through
// the File menu is tests/scenarios/settings_file/save_and_load, on these widgets too.)
TEST(DesktopPortMenu, NamesTheDeviceBehindEachSerialPort) {
  QTemporaryDir dir;  // the tool stores its port at start
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  sim::SimClock clock(true);
  sim::SimAdapter adapter(clock);
  QtUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool(platform);
  QString label;
  QTimer::singleShot(0, [&] {
    auto main = ui.OpenWindows().front();
    label = main->MenuAction(menu::kFirstPort)->text();
    main->Dispatch(2);
  });
  RunApplication(tool);
  QDir::setCurrent(previous);
  EXPECT_EQ(label, QStringLiteral("COM1  simulated adapter"));
}

TEST(DesktopProgress, TheBarShowsLinesSentBesideTheStatusFieldAndHidesAtTheEnd) {
  QtUi ui;
  auto main = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  ASSERT_TRUE(main);
  main->Show();
  EXPECT_EQ(main->ProgressBar(), nullptr);
  main->SetItemText(IDC_STATUS, "Update laeuft");
  main->ShowProgress(30, 120);
  QProgressBar* bar = main->ProgressBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 30);
  EXPECT_EQ(bar->maximum(), 120);
  EXPECT_EQ(bar->text(), QStringLiteral("25%  (30 of 120 lines)"));
  const QRect status = main->Control(IDC_STATUS)->geometry();
  EXPECT_TRUE(status.contains(bar->geometry())) << "the bar lies inside the status field";
  EXPECT_FALSE(bar->geometry().intersects(main->Control(2)->geometry()));
  // The status text at the left stays free.
  const QFontMetrics metrics(main->Control(IDC_STATUS)->font());
  EXPECT_GT(bar->geometry().left(), status.left() + metrics.horizontalAdvance(QStringLiteral("Update laeuft")) + 8);
  // The time left, as the update works it out from its rate, goes into the bar's text.
  main->ShowTimeLeft(75);
  main->ShowProgress(31, 120);
  EXPECT_EQ(bar->text(), QStringLiteral("25%  (31 of 120 lines, 1:15 left)"));
  if (const QByteArray shots = qgetenv("RAVIX_SCREENSHOT_DIR"); !shots.isEmpty())
    main->Dialog().grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress.png"));
  main->ShowProgress(150, 120);
  EXPECT_EQ(bar->value(), 120);
  main->ShowProgress(0, 0);
  EXPECT_FALSE(bar->isVisible());
  // A command that ends (on failure too) without hiding it: the bar goes with the status field.
  main->EnableItem(IDC_STATUS, true);
  main->ShowProgress(10, 120);
  EXPECT_TRUE(bar->isVisible());
  main->EnableItem(IDC_STATUS, false);
  EXPECT_FALSE(bar->isVisible());
  main->End(1);
}

}  // namespace
}  // namespace ravix::gui
