#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui.h"

struct HWND__;
struct HMENU__;
struct HACCEL__;
struct tagMSG;

namespace ravix::win32gui {

// A window of native controls, created from its table as a modeless dialog (so a
// script can use it before, or without, any message loop of its own), one child
// window per control ID and a menu bar, with the keys, mnemonics and tooltips of
// window_help.h around them. RunModal shows it and runs its messages, with the owner
// disabled, until the window ends. While a command runs, the window takes no input.
class Win32Window : public Window {
 public:
  // now: the milliseconds of the clock the tool runs on (the time left of a long
  // command is measured in it); none: the system's tick counter.
  Win32Window(const DialogResource& resource, Window* owner, std::function<uint32_t()> now = {});
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  const DialogResource& Resource() const override { return resource_; }
  void SetItemText(int id, std::string_view text) override;
  std::string GetItemText(int id) const override;
  void EnableItem(int id, bool enabled) override;
  bool IsItemEnabled(int id) const override;
  void CheckItem(int id, bool checked) override;
  bool IsItemChecked(int id) const override;
  void ListAddString(int id, std::string_view entry) override;
  void ListSetSelection(int id, int index) override;
  int ListSelection(int id) const override;
  int ListCount(int id) const override;
  void CheckMenuItem(int command, bool checked) override;
  void EnableMenuItem(int command, bool enabled) override;
  bool IsMenuItemChecked(int command) const override;
  bool IsMenuItemEnabled(int command) const override;
  void SetMenuItemText(int command, std::string_view text) override;
  void Repaint() override;
  // A bar and its words in a row of their own under the status field; the window
  // grows by the row while it is shown. Total 0 takes it away.
  void ShowProgress(int done, int total) override;
  void ShowTimeLeft(int seconds) override { secondsLeft_ = seconds; }
  void End(int result) override;

  int RunModal(WindowHandler& handler);
  // Shows the window centred on its owner (or the screen) without running it.
  void Show();
  // A command from a control or menu item; ignored while another command of this
  // window runs (a box without owner leaves the window clickable meanwhile).
  void Dispatch(int command);
  // Escape or the close box: command 2. While a command runs it is dropped, but during
  // a firmware update (the command that shows progress) the user is asked whether to
  // stop it after the current byte and then close.
  void RequestClose();
  // A command of this window is running (and may have opened another).
  bool Busy() const { return busy_ > 0; }
  // Called ten times a second by the window's messages (also inside a message box's
  // own loop), and when the session ends; empty: nothing is watched.
  std::function<void()> OnWatch;
  // The user chose to stop the command in progress.
  bool StopAsked() const { return stopAsked_; }
  // The stop question while it is open, else null; its answer (from its procedure).
  HWND__* StopQuestion() const { return question_; }
  void AnswerStopQuestion(bool stop);
  // The progress row's bar and words (null until progress is first shown).
  HWND__* ProgressBar() const { return progress_; }
  HWND__* ProgressWords() const { return progressWords_; }

  HWND__* Handle() const { return hwnd_; }
  HWND__* Control(int id) const;
  static HWND__* HandleOf(const Window* window);

  // The dialog procedure's view of the window (called from the procedure only).
  void OnControlCommand(int id, int notification, HWND__* from);
  // Keys the dialog manager would misread: true when the message is taken.
  bool FilterKey(const tagMSG& message);
  // The keys of the window's commands: true when the message became a command.
  bool TranslateKeys(tagMSG& message);

 private:
  void BuildMenu();
  void SetProgramIcon();
  void FitClientArea();
  void CheckInGroup(int id, const std::string& group);
  void KeepTypedText(HWND__* combo);
  void AddKeys();
  void AddToolTips();
  // While a command runs: the clicks and keys queued for the window are dropped, the
  // title bar still moves it and its close box asks; the stop question takes its input.
  void DropQueuedInput();
  void AskToStop();
  void ShowProgressRow(bool shown);

  const DialogResource& resource_;
  HWND__* hwnd_ = nullptr;
  HMENU__* menu_ = nullptr;
  HWND__* progress_ = nullptr;  // made at the first progress shown
  HWND__* progressWords_ = nullptr;
  int progressRowHeight_ = 0;  // pixels the window has grown by, 0 while no row shows
  std::function<uint32_t()> now_;
  bool timing_ = false;
  uint32_t progressStarted_ = 0;
  int progressStartDone_ = 0, progressShownDone_ = 0;
  HACCEL__* keys_ = nullptr;
  HWND__* tips_ = nullptr;
  std::map<int, int> mnemonicAt_;  // by command: where the item's table text has its mnemonic
  HWND__* question_ = nullptr;
  bool stopAsked_ = false;
  bool closeAfterCommand_ = false;
  int secondsLeft_ = -1;  // the command's own estimate, shown with the next progress
  WindowHandler* handler_ = nullptr;
  bool running_ = false;
  int busy_ = 0;         // commands running
  int settingText_ = 0;  // the tool changes a text: no user edit to react to
};

}  // namespace ravix::win32gui
