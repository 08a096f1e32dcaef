#pragma once
#include <QObject>
#include <QTimer>

#include "gui/qt_ui.h"

namespace ravix::gui {

// Ends the desktop program as its user would when it is asked from outside (SIGTERM,
// SIGHUP, Ctrl+C in the terminal that started it): a message box or file dialog that
// is open is cancelled, then the tool's dialogs and the main window close as with
// their close box ("End" stores the port), each once the command it runs has ended.
// A command in progress looks at the request itself (an update stops after the
// current byte). Looks ten times a second, also inside a box's own event loop.
class EndOnRequest : public QObject {
 public:
  explicit EndOnRequest(QtUi& ui);

 private:
  void Look();

  QtUi& ui_;
  QTimer timer_;
};

}  // namespace ravix::gui
