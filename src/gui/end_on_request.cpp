#include "gui/end_on_request.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/stop_signals.h"

namespace ravix::gui {

namespace {
constexpr int kLookMs = 100;
}  // namespace

EndOnRequest::EndOnRequest(QtUi& ui) : ui_(ui) {
  connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
  timer_.start(kLookMs);
}

void EndOnRequest::Look() {
  if (OutsideStopReceived() == OutsideStop::None) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    // The box's escape button: Cancel for a question, so that nothing starts; OK otherwise.
    if (QAbstractButton* escape = box->escapeButton()) escape->click();
    return;
  }
  if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
    dialog->reject();
    return;
  }
  // The innermost first; a window whose command still runs ignores it until the next look.
  const auto open = ui_.OpenWindows();
  for (auto window = open.rbegin(); window != open.rend(); ++window) (*window)->RequestClose();
}

}  // namespace ravix::gui
