#pragma once
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;

namespace ravix::gui {

// The progress of a long command in a row of its own under the status field: a bar
// and, beside it, its words in the window's own text colour (readable in light and
// dark themes alike, which text drawn over a bar's chunk is not).
class ProgressRow : public QWidget {
 public:
  // now: the milliseconds of the clock the command runs on (the time left is
  // measured in it).
  ProgressRow(QWidget* parent, std::function<uint32_t()> now);

  // done of total, with the command's estimate of the seconds left (below 0: none, the
  // row works it out from the rate); total 0 hides the row. True when the words changed (a new
  // percentage or a new time left), so that the window is worth painting.
  bool Show(int done, int total, int secondsLeft = -1);

  QProgressBar& Bar() { return *bar_; }
  QLabel& Label() { return *label_; }

 private:
  std::function<uint32_t()> now_;
  QProgressBar* bar_;
  QLabel* label_;
  bool timing_ = false;
  uint32_t started_ = 0;  // when the first figure of this run was shown
  int shownDone_ = 0;
  int startDone_ = 0;  // the lines done at that time
};

}  // namespace ravix::gui
