#pragma once
#include <string>

#include "platform/ui.h"
#include "settings/settings_image.h"

namespace ravix {

// What a Write takes from the panel's controls: the values it writes, as a Read would
// find them in the controller, or the refusal it shows (empty when there is none).
// Nothing here shows a message or changes a control.

// What the panel's values are taken into: the identity of the last Read and none of
// its settings, for slot.
SettingsValues ValuesToTake(const SettingsState& state, SettingSlot slot);
// The three pulse widths, which every Write sends. A field that still shows what the
// Read showed is taken as the count it came from: two decimals cannot carry every
// count (3611 shows as "1.81", which parses back as 3619).
std::string TakePulseWidths(const Window& main, const SettingsState& state, SettingsValues& v);
// The rest of the slot, checked in the Write's order. The cut-off code is in v as
// soon as its own check passed, even when a later one refuses.
std::string TakeSlotValues(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v);
// Both, for what the panel holds when the values are kept in a file: v starts from
// the identity of the last Read; a model memory has no pulse widths of its own.
std::string TakePanelValues(const Window& main, const SettingsState& state, SettingSlot slot, SettingsValues& v);

}  // namespace ravix
