#pragma once
#include "dialogs/dialog_parts.h"
#include "platform/ui.h"
#include "resources/ids.h"

namespace ravix {

struct LinkCheck;

// Dialog 1229 "Lock Functions": reads the controller's lock byte (setting 13) and
// writes its two lock bits back. Reading identifies the controller again.
namespace lockdlg {
inline constexpr uint8_t kRcSetupAllowed = 0x01;
inline constexpr uint8_t kTestProgramAllowed = 0x02;
}  // namespace lockdlg

// Command 1202 of the main window: checks that values have been read and that the
// adapter answers, then runs the dialog.
void OpenLockFunctions(const DialogParts& tool, Window& mainWindow);

// The new lock byte: the check boxes' two bits merged into the byte last read.
uint8_t MergeLockBits(uint8_t lockByte, bool lockRcSetup, bool lockTestProgram);

class LockFunctionsDialog : public WindowHandler {
 public:
  LockFunctionsDialog(const DialogParts& tool, Window& mainWindow) : tool_(tool), main_(mainWindow) {}

  void OnInit(Window& dialog) override;
  bool OnCommand(Window& dialog, int command) override;

  void Read(Window& dialog);
  void Write(Window& dialog);
  void End(Window& dialog);

 private:
  // The link check both buttons start with: false when it failed and has been reported.
  bool Connect(Window& dialog, const LinkCheck& check);
  void EndStatusBlank();
  void EndStatusOk();
  // The controller stopped answering during Read or Write: reported, values not read.
  void LinkLost();
  uint8_t ReadByte(uint8_t address) { return static_cast<uint8_t>(tool_.protocol.ReadSettingByte(address)); }

  DialogParts tool_;
  Window& main_;
};

}  // namespace ravix
