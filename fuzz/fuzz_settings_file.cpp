// A settings file with any content loaded into the panel, for the active set and for a
// model memory: it must never crash, a refusal must leave every control as it was, and
// no message may carry more of the file than a few dozen characters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "resources/resources.h"
#include "settings/settings_file.h"

using namespace ravix;

namespace {

// Everything a load may change, control by control.
std::string Snapshot(const Window& main) {
  std::string state;
  for (const ControlResource& control : main.Resource().controls) {
    if (control.id == IDC_STATIC) continue;
    state += std::to_string(control.id) + "=" + main.GetItemText(control.id) +
             (main.IsItemChecked(control.id) ? "+" : "-") + (main.IsItemEnabled(control.id) ? "e" : "d") +
             std::to_string(main.ListSelection(control.id)) + "\n";
  }
  return state;
}

// The panel after a Read of the simulated controller's active set.
std::shared_ptr<Window> ReadPanel(HeadlessUi& ui) {
  auto main = ui.CreateWindow(MainWindowResource(), nullptr);
  for (const char* entry : kBrakeEntries) main->ListAddString(panel::kBrake, entry);
  for (const char* entry : kTimingEntries) main->ListAddString(panel::kTiming, entry);
  const std::pair<int, const char*> texts[] = {
      {panel::kFullSpeed, "1.90"}, {panel::kNeutral, "1.50"}, {panel::kStop, "1.10"}, {panel::kControlSpeed, " 20"},
      {panel::kStartupPower, " 10"}, {panel::kVolts, "6.0"}, {panel::kTransmitterFailures, " 3"},
      {panel::kOvertempEvents, " 0"}, {panel::kUndervoltageEvents, " 1"}, {panel::kBlockedMotorEvents, " 2"}};
  for (const auto& [id, text] : texts) main->SetItemText(id, text);
  for (int id : {panel::kPwm7k8, panel::kSwitchOff, panel::kToleranceMedium, panel::kOvertempProtect,
                 panel::kBlockedMotorProtect})
    main->CheckItem(id, true);
  main->ListSetSelection(panel::kBrake, 2);
  main->ListSetSelection(panel::kTiming, 2);
  main->EnableItem(panel::kWrite, true);
  return main;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SettingsState state;
  state.LastRead.ControllerVersion = 0x1011;
  state.LastRead.Features = 0x1F;
  state.LastRead.ClockMhz = 16;
  state.ThresholdCode = 55;
  HeadlessUi ui;
  for (const SettingSlot slot : {SettingSlot::Active, SettingSlot::Memory1}) {
    auto main = ReadPanel(ui);
    const std::string before = Snapshot(*main);
    int clicks = 0;
    const std::string refusal = settings_file::LoadJson(*main, state, slot, text, [&clicks](int) { ++clicks; });
    if (!refusal.empty()) {
      if (clicks != 0 || Snapshot(*main) != before) std::abort();  // a refused file changed the panel
      if (refusal.size() > 200) std::abort();                       // a whole value went into the message
    }
  }
  const std::vector<std::string> passedOver = settings_file::ActiveOnlyKeysIn(text);
  for (const std::string& key : passedOver)
    if (!settings_file::IsActiveOnlyKey(key)) std::abort();
  (void)settings_file::MissingMemoryKeys(text);
  return 0;
}
