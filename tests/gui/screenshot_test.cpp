// The documentation's pictures: every message box is photographed before the script
// answers it, and the open windows with their menus when the script ends.
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "resources/resources.h"
#include "gui/screenshot_ui.h"
#include "gui/window_picture.h"
#include "platform/headless/headless_ui.h"

namespace ravix::gui {
namespace {

TEST(Screenshots, BoxesArePhotographedAndStillAnsweredByTheEngine) {
  QTemporaryDir dir;
  HeadlessUi engine;
  engine.answers.push_back(MessageResult::Cancel);
  QtUi qt;
  ScreenshotUi shots(engine, qt, dir.path());
  auto main = shots.CreateWindow(MainWindowResource(), nullptr);
  EXPECT_EQ(engine.windows.size(), 1u) << "windows come from the engine";

  EXPECT_EQ(shots.MessageBox(nullptr, "Error!", "Read values first!", MessageButtons::Ok), MessageResult::Ok);
  EXPECT_EQ(shots.MessageBox(main.get(), "Warning!", "Update starten?", MessageButtons::OkCancel),
            MessageResult::Cancel);

  ASSERT_EQ(engine.messages.size(), 2u);
  EXPECT_EQ(engine.messages[1].owner, main.get());
  EXPECT_EQ(engine.messages[1].text, "Update starten?");
  ASSERT_EQ(shots.Saved().size(), 2u);
  for (const QString& path : shots.Saved()) {
    const QImage picture(path);
    EXPECT_FALSE(picture.isNull()) << path.toStdString();
    EXPECT_GE(picture.width(), 100);
  }
  EXPECT_TRUE(shots.Saved()[0].endsWith(QStringLiteral("box-1.png")));
}

TEST(Screenshots, OpenWindowsAndTheirMenusAreSavedEndedOnesAreNot) {
  QTemporaryDir dir;
  QtUi qt;
  auto main = std::dynamic_pointer_cast<QtWindow>(qt.CreateWindow(MainWindowResource(), nullptr));
  auto gone = qt.CreateWindow(MainWindowResource(), main.get());
  gone->End(1);
  const auto saved = qt.SaveScreenshots(dir.path());

  std::vector<std::string> names;
  for (const QString& path : saved) names.push_back(QFileInfo(path).fileName().toStdString());
  // One picture of the window and one of each pop-up (the bar's own command has none).
  std::vector<std::string> expected = {"window-1226.png"};
  for (int n = 1; n <= 5; ++n) expected.push_back("window-1226-menu-" + std::to_string(n) + ".png");
  EXPECT_EQ(names, expected);
  // The window under a title bar that carries its caption.
  const QImage window(saved.front());
  EXPECT_EQ(window.size(), WindowPictureRect(main->Dialog()).size());
  EXPECT_GT(window.height(), main->Dialog().height());
}

}  // namespace
}  // namespace ravix::gui
