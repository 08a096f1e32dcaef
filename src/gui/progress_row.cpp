#include "gui/progress_row.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <utility>

#include "resources/window_help.h"

namespace ravix::gui {

ProgressRow::ProgressRow(QWidget* parent, std::function<uint32_t()> now)
    : QWidget(parent), now_(std::move(now)), bar_(new QProgressBar(this)), label_(new QLabel(this)) {
  auto* layout = new QHBoxLayout(this);
  bar_->setTextVisible(false);
  label_->setTextFormat(Qt::PlainText);
  // Room for the longest words, so that the bar does not jump as they change.
  label_->setMinimumWidth(
      label_->fontMetrics().horizontalAdvance(QStringLiteral("100%  88888 of 88888 lines, 88:88 left")));
  layout->addWidget(bar_, 1);
  layout->addWidget(label_);
  hide();
}

bool ProgressRow::Show(int done, int total, int secondsLeft) {
  if (total <= 0) {
    timing_ = false;
    hide();
    return false;
  }
  const uint32_t now = now_();
  // The rate is measured from the first figure of this run on.
  if (!timing_ || done < shownDone_) timing_ = true, started_ = now, startDone_ = done;
  shownDone_ = done;
  bar_->setRange(0, total);
  bar_->setValue(std::clamp(done, 0, total));
  const QString words = QString::fromStdString(ProgressLabel(done, total, now - started_, startDone_, secondsLeft));
  const bool changed = words != label_->text() || isHidden();
  label_->setText(words);
  show();
  return changed;
}

}  // namespace ravix::gui
