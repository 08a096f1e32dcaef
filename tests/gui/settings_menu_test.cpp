// The desktop program's port menu and progress bar on the real widgets, with the
// simulated controller.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
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
  EXPECT_EQ(label, QStringLiteral("&COM1  simulated adapter")) << "the item keeps its mnemonic";
}

// The bar has a row of its own under the status field and End: the window grows by
// its height while the row is shown and shrinks back when it goes. Its words say the
// time left at the rate of the lines so far, on the clock the window is given.
TEST(DesktopProgress, TheBarHasARowOfItsOwnWithTheTimeLeftAndGoesAtTheEnd) {
  uint32_t now = 5000;
  QtUi ui([&now] { return now; });
  auto main = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  ASSERT_TRUE(main);
  main->Show();
  QApplication::processEvents();
  const QSize before = main->Dialog().size();
  EXPECT_EQ(main->Progress(), nullptr);
  main->SetItemText(IDC_STATUS, "Update laeuft");
  main->ShowProgress(30, 120);
  ProgressRow* row = main->Progress();
  ASSERT_NE(row, nullptr);
  QApplication::processEvents();
  EXPECT_TRUE(row->isVisible());
  EXPECT_EQ(row->Bar().value(), 30);
  EXPECT_EQ(row->Bar().maximum(), 120);
  EXPECT_FALSE(row->Bar().isTextVisible()) << "no words drawn over the bar's chunk";
  EXPECT_EQ(row->Label().text(), QStringLiteral("25%  30 of 120 lines"));
  now += 10000;  // 30 more lines in 10 s: 60 to go take 20 s
  main->ShowProgress(60, 120);
  EXPECT_EQ(row->Label().text(), QStringLiteral("50%  60 of 120 lines, 0:20 left"));

  // Under the status field and End, inside the window, which grew by the row.
  const QRect status = main->Control(IDC_STATUS)->geometry();
  const QRect end = main->Control(2)->geometry();
  const QRect rowArea(row->mapTo(&main->Dialog(), QPoint(0, 0)), row->size());
  const QRect client(main->Client().mapTo(&main->Dialog(), QPoint(0, 0)), main->Client().size());
  EXPECT_GE(rowArea.top(), client.bottom());
  EXPECT_FALSE(rowArea.intersects(status.translated(client.topLeft())));
  EXPECT_FALSE(rowArea.intersects(end.translated(client.topLeft())));
  EXPECT_EQ(main->Dialog().size(), QSize(before.width(), before.height() + row->height()));
  // The update's own estimate, from the port's measured rate, goes before the window's.
  main->ShowTimeLeft(75);
  main->ShowProgress(61, 120);
  EXPECT_EQ(row->Label().text(), QStringLiteral("50%  61 of 120 lines, 1:15 left"));
  if (const QByteArray shots = qgetenv("RAVIX_SCREENSHOT_DIR"); !shots.isEmpty())
    main->Dialog().grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress.png"));

  main->ShowProgress(150, 120);
  EXPECT_EQ(row->Bar().value(), 120);
  EXPECT_EQ(row->Label().text(), QStringLiteral("100%  120 of 120 lines"));
  main->ShowProgress(0, 0);
  QApplication::processEvents();
  EXPECT_FALSE(row->isVisible());
  EXPECT_EQ(main->Dialog().size(), before) << "the window shrinks back";
  // A command that ends (on failure too) without hiding it: the row goes with the status field.
  main->EnableItem(IDC_STATUS, true);
  main->ShowProgress(10, 120);
  EXPECT_TRUE(row->isVisible());
  EXPECT_EQ(row->Label().text(), QStringLiteral("8%  10 of 120 lines")) << "a new run measures afresh";
  main->EnableItem(IDC_STATUS, false);
  EXPECT_FALSE(row->isVisible());
  main->End(1);
}

// The words are drawn in the window's own text colour: readable on a light and on a
// dark theme alike.
TEST(DesktopProgress, TheWordsContrastWithTheWindowInLightAndDarkThemes) {
  QtUi ui;
  auto main = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  main->Show();
  main->ShowProgress(60, 120);
  QLabel& label = main->Progress()->Label();
  for (const auto& [window, text] : {std::pair{QColor(0xef, 0xef, 0xef), QColor(Qt::black)},
                                     std::pair{QColor(0x20, 0x20, 0x20), QColor(0xf0, 0xf0, 0xf0)}}) {
    QPalette palette = main->Dialog().palette();
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    main->Dialog().setPalette(palette);
    const QImage picture = label.grab().toImage();
    int most = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        most = std::max(most, std::abs(qGray(picture.pixel(x, y)) - qGray(window.rgb())));
    EXPECT_GT(most, 150) << "background " << window.name().toStdString();
  }
  main->End(1);
}

// Without a desktop theme (as here, and in a build that is not installed) the icon
// comes from inside the program, in both sizes.
TEST(DesktopIcon, TheProgramBringsItsOwnIcon) {
  ASSERT_FALSE(QIcon::hasThemeIcon(QStringLiteral("ravix-setup")));
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(48, 48), QSize(128, 128)}));
  const QImage picture = icon.pixmap(48, 48).toImage();
  int coloured = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) coloured += qAlpha(picture.pixel(x, y)) > 0;
  EXPECT_GT(coloured, 48 * 48 / 4) << "a picture, not an empty square";
}

}  // namespace
}  // namespace ravix::gui
