#include "settings/controller_identity.h"

namespace ravix {

Identity IdentifyController(SetupProtocol& protocol, SettingsState& settings, Window& main) {
  const auto read = [&protocol](uint8_t address) { return static_cast<uint8_t>(protocol.ReadSettingByte(address)); };
  const uint8_t major = read(address::kVersionMajor);
  const uint8_t minor = read(address::kVersionMinor);
  settings.LastRead.ControllerVersion = major * 256 + minor;
  if (settings.LastRead.ControllerVersion == SettingsValues::kVersionInvalid) return Identity::NotSetUp;
  if (!SupportedControllerType(settings.ControllerType())) {
    settings.ForgetController();
    return Identity::Unsuitable;
  }
  settings.LastRead.Features = read(address::kFeatures);
  main.SetItemText(panel::kVersion, VersionText(major, minor, settings.LastRead.Features));
  if (read(address::kCompatibilityLevel) > kProgramLevel) {
    settings.ForgetController();
    return Identity::TooNew;
  }
  return Identity::Known;
}

bool IdentifyControllerFor(SetupProtocol& protocol, SettingsState& settings, Status& status, Window& main,
                           const IdentityTexts& texts) {
  switch (IdentifyController(protocol, settings, main)) {
    case Identity::Known: return true;
    case Identity::NotSetUp: React(status, texts.notSetUp, nullptr, &main); break;
    case Identity::Unsuitable: React(status, texts.unsuitable, nullptr, &main); break;
    case Identity::TooNew: React(status, texts.tooNew, nullptr, &main); break;
  }
  return false;
}

}  // namespace ravix
