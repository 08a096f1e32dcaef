#include "app/resources.h"

namespace ravix {

// The tool dialogs' tables: RPM control 1228, lock functions 1229, rev counter 1240.
const DialogResource* FindToolDialogResource(int id) {
  (void)id;
  return nullptr;
}

}  // namespace ravix
