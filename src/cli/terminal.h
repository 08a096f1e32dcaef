#pragma once
#include <chrono>
#include <cstdio>
#include <string>

namespace ravix::cli {

// What the task commands need of the terminal they run in: whether a person is there
// to answer, the questions, the update's progress and its Ctrl+C.
class Terminal {
 public:
  // in, err: where questions are read and everything for people is written.
  Terminal(std::FILE* in, std::FILE* err);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool Interactive() const { return interactive_; }
  // Asks text and waits for y or n; false on anything else or the end of the input.
  bool Confirm(const std::string& text);

  // done of total units (the update's lines); total 0 ends the display. A bar with
  // percentage, units and time left on a terminal, a plain line every tenth otherwise.
  void Progress(int done, int total);
  // The time the work still needs, as the tool works it out from its own rate (its
  // clock is the simulation's under --simulate); below 0: unknown, the time left is
  // then projected from the time the display has run.
  void TimeLeft(int seconds) { secondsLeft_ = seconds; }

  // While guarded, the first Ctrl+C says what stopping would mean and the work goes
  // on; a second one within kStopWindowSeconds asks the work to stop.
  void GuardInterrupts(bool on);
  bool StopRequested() const;
  static constexpr int kStopWindowSeconds = 3;

  // How a progress line reads (without the bar's carriage return); pure, for tests.
  // secondsLeft from the tool when known (0 or more), else projected from elapsedSeconds.
  static std::string ProgressLine(int done, int total, double elapsedSeconds, bool withBar, int secondsLeft = -1);

 private:
  // One line of input, without its end; false at the end of the input, or when the
  // program has been asked to end while it waited.
  bool ReadAnswer(std::string& answer);

  std::FILE* in_;
  std::FILE* err_;
  bool interactive_;
  bool barShown_ = false;
  int lastTenth_ = -1;
  int lastPercent_ = -1;
  double lastDrawn_ = 0;
  bool timing_ = false;
  std::chrono::steady_clock::time_point started_;
  bool guarded_ = false;
  int secondsLeft_ = -1;
};

}  // namespace ravix::cli
