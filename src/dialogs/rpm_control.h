#pragma once
#include <memory>
#include <optional>
#include <string>

#include "dialogs/dialog_parts.h"
#include "platform/ui.h"
#include "resources/ids.h"

namespace ravix {

// Dialog 1228 "RPM-Control": the controller's maximum motor frequency (the RPM-control
// word at settings 27 and 28) and, from release 10.11 on, the P and I gains of its
// speed loop (settings 36 and 37), worked out from the motor's pole count and gear ratio.
namespace rpmdlg {
inline constexpr uint8_t kPGainAddress = 36;
inline constexpr uint8_t kIGainAddress = 37;  // holds 6 - I
inline constexpr int kFirstGainsVersion = 0x1011;
// The highest frequency the firmware's speed loop follows; its message says 2500 Hz.
inline constexpr int kMaxFrequencyHz = 2666;
// Above this the word means that no maximum is set.
inline constexpr int kNoMaximumWord = 65520;
}  // namespace rpmdlg

// The RPM-control word for a maximum frequency in Hz at the controller's clock (8 MHz,
// or 16 MHz for any other value); nothing when the word would not fit two bytes or
// would read as "no maximum" (a frequency of 0 or below, or too low for the clock).
std::optional<uint16_t> RpmControlWordFromHz(int clockMhz, int hz);
// The lowest frequency that has a word at that clock.
int MinFrequencyHz(int clockMhz);

// Command 1210 of the main window.
void OpenRpmControl(const DialogParts& tool, Window& mainWindow);

class RpmControlDialog : public WindowHandler {
 public:
  explicit RpmControlDialog(const DialogParts& tool) : tool_(tool) {}

  // The dialog's window: it makes itself the status window while it calculates or writes.
  std::shared_ptr<Window> window;

  void OnInit(Window& dialog) override;
  bool OnCommand(Window& dialog, int command) override;

  void Read(Window& dialog);
  void Calculate(Window& dialog);
  void Write(Window& dialog);

 private:
  // The four value fields for a maximum frequency q in Hz.
  void ShowFrequency(Window& dialog, int hz);
  void BlankValues(Window& dialog);
  // The controller stopped answering during Read or Write.
  void LinkLost(Window& dialog);
  uint8_t ReadByte(uint8_t address) { return static_cast<uint8_t>(tool_.protocol.ReadSettingByte(address)); }
  uint16_t ReadWord();
  void Refuse(const std::string& text) { tool_.status.Refuse("Error!", text); }

  DialogParts tool_;
};

}  // namespace ravix
