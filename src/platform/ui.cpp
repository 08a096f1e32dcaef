#include "platform/ui.h"

namespace ravix {

int RunDialog(Ui& ui, const DialogResource& resource, Window* owner, WindowHandler& handler) {
  auto window = ui.CreateWindow(resource, owner);
  handler.OnInit(*window);
  if (window->Ended()) return window->Result();
  return ui.RunModal(window, handler);
}

}  // namespace ravix
