#pragma once
#include "dialogs/dialog_parts.h"
#include "dialogs/dialogs_state.h"
#include "files/setup_file.h"
#include "files/update_file.h"
#include "isp/isp.h"
#include "link/link.h"
#include "platform/platform.h"
#include "protocol/setup_protocol.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// One instance of every subsystem's state for one run of the tool, in dependency
// order. main() (or a test) creates it once and passes it down by reference.
// Each subsystem adds its own member here.
struct Tool {
  explicit Tool(Platform& p) : platform(p), status(p.ui), link(p, status), protocol(link, status) {}

  Platform& platform;
  Status status;
  Link link;
  SetupProtocol protocol;
  Isp isp{link, status};
  SettingsState settings;
  SetupFile setupFile{link, status};
  UpdateFile updateFile{status};
  DialogsState dialogs;

  // What the dialogs work with; the dialogs take it, never the whole tool.
  operator DialogParts() { return {platform, status, link, protocol, settings, setupFile, dialogs}; }
};

}  // namespace ravix
