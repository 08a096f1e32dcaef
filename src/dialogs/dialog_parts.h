#pragma once
#include "dialogs/dialogs_state.h"
#include "files/setup_file.h"
#include "link/link.h"
#include "platform/platform.h"
#include "protocol/setup_protocol.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// The parts of the tool that its dialogs work with, handed down by the main window.
struct DialogParts {
  Platform& platform;
  Status& status;
  Link& link;
  SetupProtocol& protocol;
  SettingsState& settings;
  SetupFile& setupFile;
  DialogsState& dialogs;
};

}  // namespace ravix
