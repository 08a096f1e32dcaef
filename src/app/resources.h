#pragma once
#include "platform/dialog_resource.h"

namespace ravix {

// Resource IDs of the program's windows and menu.
inline constexpr int IDD_MAIN = 1226;
inline constexpr int IDD_RPM_CONTROL = 1228;
inline constexpr int IDD_LOCK_FUNCTIONS = 1229;
inline constexpr int IDD_REV_COUNTER = 1240;
inline constexpr int IDR_MAIN_MENU = 157;

// The File menu's settings-file commands (IDs that no other command or control uses).
inline constexpr int kSaveSettingsCommand = 2101;
inline constexpr int kLoadSettingsCommand = 2102;

// The main window, dialog 1226 with menu 157.
const DialogResource& MainWindowResource();

// The window table of a dialog ID (1226, 1228, 1229, 1240); null for any other ID.
const DialogResource* FindDialogResource(int id);

// The tool dialogs' tables (1228, 1229, 1240); null for any other ID or a dialog
// whose table is not there.
const DialogResource* FindToolDialogResource(int id);

}  // namespace ravix
