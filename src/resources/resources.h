#pragma once
#include "platform/dialog_resource.h"
#include "resources/ids.h"

namespace ravix {

// The main window, dialog 1226 with menu 157.
const DialogResource& MainWindowResource();

// The window table of a dialog ID (1226, 1228, 1229, 1240); null for any other ID.
const DialogResource* FindDialogResource(int id);

// The tool dialogs' tables (1228, 1229, 1240); null for any other ID.
const DialogResource* FindToolDialogResource(int id);

}  // namespace ravix
