#pragma once
#include "files/setup_file.h"
#include "platform/ui.h"
#include "resources/ids.h"
#include "status/status.h"

namespace ravix {

// The motor's pole count and gear ratio, shared by the RPM-control and the rev
// counter dialog: both show them in the same two fields and save them with the same
// "Save Input" button.
namespace motor {
// The counts a motor can have: an even number of magnets, two digits in the setup file.
inline constexpr int kMaxPoleCount = 98;
// Gear ratios that the setup file's "%1.2f" field gives back as they were saved: below
// 0.01 the text would read 0.00 (loaded as 1.0), above 99999.99 it would be longer
// than the eight characters that loading takes.
inline constexpr float kMinGearRatio = 0.01f;
inline constexpr float kMaxGearRatio = 99999.99f;
}  // namespace motor

// Shows PoleCount ("%2d") and GearRatio ("%1.2f") in the dialog's two fields.
void ShowRpmValues(const SetupFile& setupFile, Window& dialog);

// LoadRpmValues and shows the values. When the setup file cannot be opened the values
// in memory stay; if none was ever loaded (the start values 0 and 0.0, which every
// calculation would divide by), the defaults of a new file, 2 and 1.0, take their place.
void LoadAndShowRpmValues(SetupFile& setupFile, Window& dialog);

// "Save Input": checks the dialog's pole count and gear ratio and stores them. A
// refused entry changes nothing. 0 when stored.
int SaveRpmValues(SetupFile& setupFile, Status& status, Window& dialog);

}  // namespace ravix
