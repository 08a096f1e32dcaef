#include "platform/ui.h"

#include "platform/stop_signals.h"

namespace ravix {

bool Ui::StopRequested() { return OutsideStopReceived() == OutsideStop::Terminate; }

bool Ui::EndRequested() { return OutsideStopReceived() != OutsideStop::None; }

int RunDialog(Ui& ui, const DialogResource& resource, Window* owner, WindowHandler& handler) {
  auto window = ui.CreateWindow(resource, owner);
  handler.OnInit(*window);
  if (window->Ended()) return window->Result();
  return ui.RunModal(window, handler);
}

}  // namespace ravix
