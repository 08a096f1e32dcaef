#include "settings/settings_commands.h"
#include "status/messages.h"

namespace ravix {

bool SettingsCommands::PanelRule(Window& main, int command) {
  // A click's rule either refuses (the values were not read) or has done its work.
  const bool handled = ApplyPanelRule(main, command);
  if (handled) status_.Done();
  return handled;
}

bool SettingsCommands::ApplyPanelRule(Window& main, int command) {
  using namespace panel;
  switch (command) {
    case kPwm7k8:
      ClickFrequency(main, kPwm7k8, kPwm15k6);
      return true;
    case kPwm15k6:
      ClickFrequency(main, kPwm15k6, kPwm7k8);
      return true;
    case kIgnore:
      ClickIgnore(main);
      return true;
    case kReducePower:
    case kSwitchOff:
      ClickCutOff(main, command);
      return true;
    case kPerCell:
      ClickPerCell(main);
      return true;
    case kRpmControl:
      ClickRpmControl(main);
      return true;
    case kResetLog:
      ClickResetLog(main);
      return true;
    default:
      return false;
  }
}

// The frequency buttons do not check themselves. Whether the frequency suits the
// controller's clock is the write's business.
void SettingsCommands::ClickFrequency(Window& main, int clicked, int other) {
  main.CheckItem(clicked, true);
  main.CheckItem(other, false);
  if (!settings_.ValuesRead()) {
    status_.Refuse("Error!", msg::kReadValuesFirst);
    main.CheckItem(clicked, false);
  }
}

// Without a cut-off the threshold is not used; it becomes the per-cell code, which a
// later choice of a cut-off shows as the checked box. The box keeps its own mark.
void SettingsCommands::ClickIgnore(Window& main) {
  using namespace panel;
  main.CheckItem(kIgnore, true);
  main.CheckItem(kReducePower, false);
  main.CheckItem(kSwitchOff, false);
  main.SetItemText(kVolts, " ");
  settings_.ThresholdCode = kThresholdPerCell;
  main.EnableItem(kPerCell, false);
  main.EnableItem(kVolts, false);
}

// A cut-off needs a threshold: a usable voltage in the field becomes the code,
// anything else keeps the code there was, and the per-cell code shows as the box.
void SettingsCommands::ClickCutOff(Window& main, int clicked) {
  using namespace panel;
  for (int id : {kIgnore, kReducePower, kSwitchOff}) main.CheckItem(id, id == clicked);
  main.EnableItem(kPerCell, true);
  if (!main.IsItemChecked(kPerCell)) {
    const PanelNumber volts = ReadDecimalText(main.GetItemText(kVolts));
    if (volts.wellFormed && volts.value >= 5.3 && volts.value <= 10.5)
      settings_.ThresholdCode = ThresholdCodeFromVolts(volts.value);
  }
  const bool perCell = settings_.ThresholdCode == kThresholdPerCell;
  main.CheckItem(kPerCell, perCell);
  main.EnableItem(kVolts, !perCell);
  // Controllers of minor version 1 are offered neither the per-cell choice nor a
  // new voltage here.
  if (settings_.MinorByte() == 1) {
    main.EnableItem(kPerCell, false);
    main.EnableItem(kVolts, false);
  }
}

void SettingsCommands::ClickPerCell(Window& main) {
  using namespace panel;
  if (main.IsItemChecked(kPerCell)) {
    main.EnableItem(kVolts, false);
    main.SetItemText(kVolts, " ");
    settings_.ThresholdCode = kThresholdPerCell;
    main.Repaint();
  } else {
    main.EnableItem(kVolts, true);
  }
}

// The RPM-control values themselves come from the last read or the "Setting Up"
// dialog, and the write checks them.
void SettingsCommands::ClickRpmControl(Window& main) {
  using namespace panel;
  if (!main.IsItemChecked(kRpmControl)) {
    main.SetItemText(kMaxFrequency, "         ");
    main.EnableItem(kMaxFrequency, false);
  }
}

// The controller's log changes only with the next write.
void SettingsCommands::ClickResetLog(Window& main) {
  using namespace panel;
  if (!settings_.ValuesRead()) {
    status_.Refuse("Error!", msg::kReadValuesFirst);
    for (int id : {kTransmitterFailures, kOvertempEvents, kUndervoltageEvents, kBlockedMotorEvents})
      main.SetItemText(id, " ");
    return;
  }
  for (int id : {kTransmitterFailures, kOvertempEvents, kUndervoltageEvents}) main.SetItemText(id, " 0");
  if (settings_.LastRead.Features & feature::kBlockedMotor) main.SetItemText(kBlockedMotorEvents, " 0");
}

}  // namespace ravix
