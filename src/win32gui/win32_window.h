#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui.h"

struct HWND__;
struct HMENU__;
struct tagMSG;

namespace ravix::win32gui {

// A window of native controls, created from its table as a modeless dialog (so a
// script can use it before, or without, any message loop of its own), one child
// window per control ID and a menu bar. RunModal shows it and runs its messages,
// with the owner disabled, until the window ends.
class Win32Window : public Window {
 public:
  Win32Window(const DialogResource& resource, Window* owner);
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
  // A bar over the right part of the status field, which holds only its short text
  // while a long command runs; total 0 takes it away.
  void ShowProgress(int done, int total) override;
  void End(int result) override;

  int RunModal(WindowHandler& handler);
  // Shows the window centred on its owner (or the screen) without running it.
  void Show();
  // A command from a control or menu item; ignored while another command of this
  // window runs (a box without owner leaves the window clickable meanwhile).
  void Dispatch(int command);
  // Escape or the close box: command 2, unless a command is still running.
  void RequestClose();
  // A command of this window is running (and may have opened another).
  bool Busy() const { return busy_ > 0; }
  // Called ten times a second by the window's messages (also inside a message box's
  // own loop), and when the session ends; empty: nothing is watched.
  std::function<void()> OnWatch;

  HWND__* Handle() const { return hwnd_; }
  HWND__* Control(int id) const;
  static HWND__* HandleOf(const Window* window);

  // The dialog procedure's view of the window (called from the procedure only).
  void OnControlCommand(int id, int notification, HWND__* from);
  // Keys the dialog manager would misread: true when the message is taken.
  bool FilterKey(const tagMSG& message);

 private:
  void BuildMenu();
  void SetProgramIcon();
  void FitClientArea();
  void CheckInGroup(int id, const std::string& group);
  void KeepTypedText(HWND__* combo);

  const DialogResource& resource_;
  HWND__* hwnd_ = nullptr;
  HMENU__* menu_ = nullptr;
  HWND__* progress_ = nullptr;  // made at the first progress shown
  WindowHandler* handler_ = nullptr;
  bool running_ = false;
  int busy_ = 0;         // commands running
  int settingText_ = 0;  // the tool changes a text: no user edit to react to
};

}  // namespace ravix::win32gui
