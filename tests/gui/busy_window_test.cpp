// The desktop program while a command runs, on the real widgets with the simulated
// controller: what a person clicks meanwhile is dropped, not run afterwards, and a
// close request during an update asks before it stops anything.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <fstream>

#include "app/startup.h"
#include "app/tool.h"
#include "gui/qt_ui.h"
#include "resources/resources.h"
#include "resources/window_help.h"
#include "sim/sim_adapter.h"

namespace ravix::gui {
namespace {

// The Qt windows with the boxes answered OK and the file dialog answered with file.
class AnsweringUi : public QtUi {
 public:
  using QtUi::QtUi;
  MessageResult MessageBox(Window*, std::string_view, std::string_view text, MessageButtons,
                           std::string_view) override {
    boxes.emplace_back(text);
    return MessageResult::Ok;
  }
  std::optional<std::string> OpenFileDialog(Window*, std::string_view, std::string_view) override { return file; }
  std::vector<std::string> boxes;
  std::optional<std::string> file;
};

// The tool on the simulated controller in a directory of its own.
struct Bench {
  Bench() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
  ~Bench() { QDir::setCurrent(previous); }
  // Runs the tool; script acts on its main window from the event loop, which then ends.
  void Run(const std::function<void(QtWindow&)>& script) {
    QTimer::singleShot(0, [&] {
      auto main = ui.OpenWindows().front();
      script(*main);
      if (!main->Ended()) main->Dispatch(button::kCancel);
    });
    RunApplication(tool);
  }
  // The controller's commands since the last look that begin with kind ("write", "load").
  int Count(const std::string& kind) {
    const auto log = adapter.controller.TakeLog();
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& entry) {
      return entry.rfind(kind + " ", 0) == 0;
    }));
  }

  QTemporaryDir dir;
  QString previous;
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  AnsweringUi ui{[this] { return clock.TickCount(); }};
  Platform platform{clock, adapter, adapter, ui};
  Tool tool{platform};
};

// A click as the window system delivers it: press and release, queued.
void PostClick(QWidget* widget) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  const QPointF global = widget->mapToGlobal(at);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
    QCoreApplication::postEvent(widget, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                        Qt::NoModifier));
}

TEST(BusyWindow, AClickOnWriteDuringAReadIsDroppedNotRunAfterwards) {
  Bench bench;
  int clicks = 0;
  int writesAfterRead = -1, writesOfALaterClick = -1;
  bench.Run([&](QtWindow& main) {
    main.Dispatch(menu::kFirstPort);
    main.Dispatch(panel::kRead);
    ASSERT_TRUE(main.IsItemEnabled(panel::kWrite));
    bench.adapter.controller.TakeLog();
    QWidget* write = main.Control(panel::kWrite);
    main.OnTextChanged = [&](int id, const std::string& text) {
      if (id != IDC_STATUS || text.rfind("reading", 0) != 0 || clicks++ > 0) return;
      PostClick(write);
    };
    main.Dispatch(panel::kRead);
    main.OnTextChanged = nullptr;
    QCoreApplication::processEvents();
    writesAfterRead = bench.Count("write");
    // The same click once no command runs does write: it is the timing that drops it.
    PostClick(write);
    QCoreApplication::processEvents();
    writesOfALaterClick = bench.Count("write");
  });
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(writesAfterRead, 0);
  EXPECT_GT(writesOfALaterClick, 0);
}

// A plain update file of lines bytes for the simulated controller's release.
std::string WriteUpdateFile(const QTemporaryDir& dir, int lines) {
  const std::string path = dir.filePath(QStringLiteral("w1011_1011.upd")).toStdString();
  std::ofstream file(path);
  char line[16];
  for (int address = 0; address < lines; ++address) {
    std::snprintf(line, sizeof line, "%04X:00%02X\n", address, address & 0xFF);
    file << line;
  }
  return path;
}

QAbstractButton* ButtonOf(QMessageBox& box, const QString& text) {
  for (QAbstractButton* button : box.buttons())
    if (button->text() == text) return button;
  return nullptr;
}

TEST(BusyWindow, ACloseDuringAnUpdateAsksAndStopsAfterTheCurrentByteOnlyWhenTold) {
  constexpr int kLines = 300;
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stop" : "go on");
    Bench bench;
    bench.ui.file = WriteUpdateFile(bench.dir, kLines);
    bool asked = false, endedAtQuestion = true, stopQuestionGone = false;
    int loads = -1;
    bench.Run([&](QtWindow& main) {
      main.Dispatch(menu::kFirstPort);
      std::function<void()> closeOnceTheBarShows;
      main.OnTextChanged = [&](int id, const std::string& text) {
        if (id != IDC_STATUS || text != "Update laeuft" || closeOnceTheBarShows) return;
        // Delivered at a repaint of the transfer, as the close box's message is, once
        // the bar shows.
        closeOnceTheBarShows = [&] {
          if (!main.Progress() || !main.Progress()->isVisible()) {
            QTimer::singleShot(0, closeOnceTheBarShows);
            return;
          }
          main.Dialog().close();
          QMessageBox* question = main.StopQuestion();
          ASSERT_NE(question, nullptr);
          asked = question->isVisible();
          endedAtQuestion = main.Ended();
          EXPECT_EQ(question->text().toStdString(), std::string(kStopUpdateQuestion));
          if (const QByteArray shots = qgetenv("RAVIX_SCREENSHOT_DIR"); !shots.isEmpty() && stop)
            question->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/stop-question.png"));
          // A click as the mouse gives it: the question takes input while the window does not.
          PostClick(ButtonOf(*question, stop ? QStringLiteral("Stop") : QStringLiteral("Go On")));
        };
        QTimer::singleShot(0, closeOnceTheBarShows);
      };
      bench.adapter.controller.TakeLog();
      main.Dispatch(menu::kOpenUpdateFile);
      main.OnTextChanged = nullptr;
      loads = bench.Count("load");
      stopQuestionGone = main.StopQuestion() == nullptr;
      if (!stop) {
        EXPECT_FALSE(main.Ended()) << "going on leaves the window open";
      }
    });
    EXPECT_TRUE(asked);
    EXPECT_FALSE(endedAtQuestion) << "the close waits for the answer";
    EXPECT_TRUE(stopQuestionGone);
    const bool stoppedWithCode2 =
        std::find(bench.ui.boxes.begin(), bench.ui.boxes.end(), "Read/write error - code2!") != bench.ui.boxes.end();
    EXPECT_EQ(stoppedWithCode2, stop);
    if (stop) {
      EXPECT_GT(loads, 0);
      EXPECT_LT(loads, kLines) << "stopped after the current byte";
    } else {
      EXPECT_EQ(loads, kLines);
    }
  }
}

}  // namespace
}  // namespace ravix::gui
