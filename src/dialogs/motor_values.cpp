#include "dialogs/motor_values.h"

#include <cmath>

#include "dialogs/dialog_fields.h"

namespace ravix {

void ShowRpmValues(const SetupFile& setupFile, Window& dialog) {
  ShowNumber(dialog, motor::kPoleCount, "%2d", setupFile.PoleCount);
  dialog.SetItemText(motor::kGearRatio, FormatNumber("%1.2f", static_cast<double>(setupFile.GearRatio)));
}

void LoadAndShowRpmValues(SetupFile& setupFile, Window& dialog) {
  if (setupFile.LoadRpmValues() != 0) {
    if (setupFile.PoleCount <= 0) setupFile.PoleCount = 2;
    if (!std::isfinite(setupFile.GearRatio) || setupFile.GearRatio <= 0.0f) setupFile.GearRatio = 1.0f;
  }
  ShowRpmValues(setupFile, dialog);
}

int SaveRpmValues(SetupFile& setupFile, Status& status, Window& dialog) {
  const int poles = FieldInteger(dialog, motor::kPoleCount, "%8d").value_or(0);
  if (poles == 0) {
    status.Refuse("Error!", "Polzahl: Wert nicht zul\xC3\xA4ssig!");
    return 1;
  }
  if (poles < 0) {
    status.Refuse("Error!", "Polzahl: nur positive Werte m\xC3\xB6glich!");
    return 1;
  }
  if (poles % 2 != 0) {
    status.Refuse("Error!", "Polzahl: nur gerade Werte m\xC3\xB6glich!");
    return 1;
  }
  if (poles > motor::kMaxPoleCount) {
    status.Refuse("Error!", "Polzahl: max. 2-stellig!");
    return 1;
  }

  // A field without a number is a ratio of 0, which stands for no gearbox (1:1); a
  // number with other characters beside it ("2;0") is no ratio at all.
  const FieldNumber<float> field = ReadDecimalField(dialog, motor::kGearRatio);
  const float typed = field.kind == FieldKind::Number ? field.value : 0.0f;
  const bool noGearbox = field.kind == FieldKind::NoNumber || typed == 0.0f;
  if (field.kind == FieldKind::Malformed ||
      (!noGearbox && !(typed >= motor::kMinGearRatio && typed <= motor::kMaxGearRatio))) {
    status.Refuse("Error!", "gearbox ratio: 0.01 - 99999.99 !");
    return 1;
  }

  // The count is taken before the file is opened: it stays in force for this run even
  // when the file cannot be written.
  setupFile.PoleCount = poles;
  if (setupFile.StoreRpmValues(poles, noGearbox ? 1.0f : typed) != 0) return 1;
  if (noGearbox) ShowNumber(dialog, motor::kGearRatio, "%4d", 1);
  return 0;
}

}  // namespace ravix
