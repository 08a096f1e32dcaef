#include "app/control_help.h"

#include "resources/ids.h"
#include "resources/window_help.h"
#include "settings/setting_table.h"

namespace ravix {

std::string ControlHelp(int dialog, int control) {
  if (dialog == IDD_MAIN)
    if (std::string words = SettingHelp(control); !words.empty()) return words;
  return ToolTipOf(dialog, control);
}

}  // namespace ravix
