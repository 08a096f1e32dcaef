#pragma once
#include <QObject>
#include <chrono>
#include <cstdio>
#include <functional>

namespace ravix::gui {

// Measures how long the program takes to put its first window on the screen, and how
// much memory it holds then: waits for the first paint of a dialog, prints the figures
// and calls done (which closes the window as the user would).
class StartupProbe : public QObject {
 public:
  StartupProbe(std::chrono::steady_clock::time_point mainEntered, std::FILE* out, std::function<void()> done)
      : mainEntered_(mainEntered), out_(out), done_(std::move(done)) {}

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Milliseconds since the process was created (10 ms steps), or -1 where unknown.
  static double MsSinceProcessStart();
  // A "VmRSS"-style line of /proc/self/status, in kB; -1 where unknown.
  static long StatusKb(const char* field);

 private:
  void Report();

  std::chrono::steady_clock::time_point mainEntered_;
  std::FILE* out_;
  std::function<void()> done_;
  bool reported_ = false;
};

}  // namespace ravix::gui
