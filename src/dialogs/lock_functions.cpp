#include "dialogs/lock_functions.h"

#include "resources/resources.h"
#include "protocol/link_check.h"
#include "settings/controller_identity.h"
#include "settings/settings_commands.h"
#include "status/messages.h"

namespace ravix {

namespace {

// Both buttons trust only a second ready answer; the adapter's box belongs to the
// dialog. Read names a controller of another kind, Write counts it as silence.
constexpr LinkCheck kLockReadCheck{
    .steps = {},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice, .blankField = true},
    .noAnswer = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNoConnection, .blankField = true},
};
// As after the main window's Read, a controller refused here does not count as read,
// so the settings commands keep away from it.
constexpr IdentityTexts kLockIdentity{
    .notSetUp = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNotSetUp},
    .unsuitable = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNotSuitable},
    .tooNew = {.tell = Tell::Message, .caption = "", .text = msg::kTooNew},
};
constexpr LinkCheck kLockWriteCheck{
    .steps = {.otherDistinct = false},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {},
    .noAnswer = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNoConnection},
};

// The lock byte came with release 3 of the firmware.
constexpr int kFirstLockRelease = 3;

}  // namespace

uint8_t MergeLockBits(uint8_t lockByte, bool lockRcSetup, bool lockTestProgram) {
  using namespace lockdlg;
  uint8_t merged = static_cast<uint8_t>(lockByte & ~(kRcSetupAllowed | kTestProgramAllowed));
  if (!lockRcSetup) merged |= kRcSetupAllowed;
  if (!lockTestProgram) merged |= kTestProgramAllowed;
  return merged;
}

void OpenLockFunctions(const DialogParts& tool, Window& mainWindow) {
  if (!tool.settings.ValuesRead()) {
    tool.status.Refuse("Error!", msg::kReadValuesFirst);
    return;
  }
  if (!StartConnecting(tool.link, tool.status, mainWindow, &mainWindow)) return;
  EndFieldBlank(mainWindow);
  tool.status.StatusWindow = tool.status.MainWindow;
  LockFunctionsDialog handler(tool, mainWindow);
  RunDialog(tool.platform.ui, *FindDialogResource(IDD_LOCK_FUNCTIONS), &mainWindow, handler);
  tool.status.Done();
}

void LockFunctionsDialog::OnInit(Window&) {}

bool LockFunctionsDialog::OnCommand(Window& dialog, int command) {
  tool_.status.BeginCommand();
  switch (command) {
    case lockdlg::kRead: Read(dialog); return true;
    case lockdlg::kWrite: Write(dialog); return true;
    case 1:
    case lockdlg::kEnd: End(dialog); return true;
    default: return false;
  }
}

void LockFunctionsDialog::EndStatusBlank() { EndFieldBlank(main_); }

void LockFunctionsDialog::EndStatusOk() {
  main_.SetItemText(IDC_STATUS, "ok");
  main_.EnableItem(IDC_STATUS, false);
  main_.Repaint();
  tool_.status.Done();
}

bool LockFunctionsDialog::Connect(Window& dialog, const LinkCheck& check) {
  const LinkOutcome outcome = ConnectWithRecovery(tool_.protocol, tool_.link, check.steps, [this] {
    main_.SetItemText(IDC_STATUS, " ");
    main_.Repaint();
  });
  return TellLinkOutcome(tool_.status, outcome, check, &dialog, &main_);
}

// Nothing read or written counts once the controller fell silent: the values are not
// read (the version text goes too) until the next good Read.
void LockFunctionsDialog::LinkLost() {
  tool_.settings.ForgetController();
  main_.SetItemText(panel::kVersion, " ");
  tool_.status.Refuse("ERROR!", msg::kNoConnection);
  EndStatusBlank();
}

void LockFunctionsDialog::Read(Window& dialog) {
  SettingsState& settings = tool_.settings;
  if (!Connect(dialog, kLockReadCheck)) return;

  if (!IdentifyControllerFor(tool_.protocol, settings, tool_.status, main_, kLockIdentity)) return;
  if (settings.Release() < kFirstLockRelease) {
    tool_.status.Refuse("ERROR!", msg::kControllerTooOld);
    return;
  }

  const uint8_t read = ReadByte(address::kLockByte);
  // A controller that fell silent reads as 255 everywhere: the byte and boxes of the
  // last good Read stay.
  if (!tool_.protocol.LinkStillReady()) {
    LinkLost();
    return;
  }
  uint8_t& lockByte = tool_.dialogs.LockByte;
  lockByte = read;
  for (int id : {lockdlg::kLockRcSetup, lockdlg::kLockTestProgram, lockdlg::kWrite}) dialog.EnableItem(id, true);
  dialog.CheckItem(lockdlg::kLockRcSetup, (lockByte & lockdlg::kRcSetupAllowed) == 0);
  dialog.CheckItem(lockdlg::kLockTestProgram, (lockByte & lockdlg::kTestProgramAllowed) == 0);

  tool_.platform.ui.Beep();
  EndStatusOk();
}

void LockFunctionsDialog::Write(Window& dialog) {
  if (!Connect(dialog, kLockWriteCheck)) return;

  uint8_t& lockByte = tool_.dialogs.LockByte;
  lockByte = MergeLockBits(lockByte, dialog.IsItemChecked(lockdlg::kLockRcSetup),
                           dialog.IsItemChecked(lockdlg::kLockTestProgram));
  // A failed verify has been reported by the checked write; the byte sent stays the
  // one the tool remembers.
  if (tool_.protocol.WriteSettingByteChecked(address::kLockByte, lockByte) != 0) return;
  // A silent controller echoes 255, the byte that unlocks both functions: only a
  // ready answer afterwards shows that the byte arrived.
  if (!tool_.protocol.LinkStillReady()) {
    LinkLost();
    return;
  }

  EndStatusOk();
  tool_.platform.ui.Beep();
}

void LockFunctionsDialog::End(Window& dialog) {
  main_.SetItemText(IDC_STATUS, " ");
  main_.Repaint();
  dialog.End(1);
  tool_.status.Done();
}

}  // namespace ravix
