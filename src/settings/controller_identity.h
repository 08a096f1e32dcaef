#pragma once
#include "platform/ui.h"
#include "protocol/link_check.h"
#include "protocol/setup_protocol.h"
#include "resources/ids.h"
#include "settings/settings_image.h"

namespace ravix {

// What the controller's identification found.
enum class Identity { Known, NotSetUp, Unsuitable, TooNew };

// How a command tells the user of each identification that ends it.
struct IdentityTexts {
  Reaction notSetUp;
  Reaction unsuitable;
  Reaction tooNew;
};

// Reads the version, refuses a controller type the tool does not know, reads the
// features and shows the version text, and refuses a compatibility level newer than
// the tool's. A controller refused for its type or level does not count as read.
[[nodiscard]] Identity IdentifyController(SetupProtocol& protocol, SettingsState& settings, Window& main);

// IdentifyController, then the command's reaction on the main window; true when known.
[[nodiscard]] bool IdentifyControllerFor(SetupProtocol& protocol, SettingsState& settings, Status& status,
                                         Window& main, const IdentityTexts& texts);

}  // namespace ravix
