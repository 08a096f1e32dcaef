#include "win32gui/win32_window.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "platform/stop_signals.h"
#include "platform/win32/win32_text.h"
#include "resources/ids.h"
#include "resources/window_help.h"
#include "win32gui/dialog_template.h"
#include "win32gui/win32_keys.h"

#include "platform/win32/windows_api.h"  // last
#include <commctrl.h>

namespace ravix::win32gui {

namespace {

// Paint messages handled in one Repaint at most: a control that never validates
// itself must not keep a long command waiting.
constexpr int kMostPaints = 256;
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchMs = 100;

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
      return TRUE;
    case WM_COMMAND:
      if (window) window->OnControlCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_CLOSE:
      if (window) window->RequestClose();
      return TRUE;
    case WM_SETCURSOR:
      // The busy pointer over the window and its controls while a command runs.
      if (!window || !window->Busy()) return FALSE;
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_TIMER:
      if (window && wParam == kWatchTimer && window->OnWatch) window->OnWatch();
      return TRUE;
    case WM_QUERYENDSESSION:
      // The session ends (log-off, shut-down): the tool ends as on SIGTERM. While a
      // command runs (an update writing the controller) the session is asked to wait:
      // the command stops after its current step, and the tool then ends of itself.
      RequestOutsideStop(OutsideStop::Terminate);
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, window && window->Busy() ? FALSE : TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam && window && window->OnWatch) window->OnWatch();
      return TRUE;
    default:
      return FALSE;
  }
}

std::vector<std::string> TextsOf(const std::vector<MenuResource>& entries) {
  std::vector<std::string> texts;
  for (const MenuResource& entry : entries) texts.push_back(entry.text);
  return texts;
}

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

bool HasClass(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[32] = {};
  GetClassNameW(hwnd, buffer, 32);
  return lstrcmpiW(buffer, name) == 0;
}

bool IsMarkable(const ControlResource* control) {
  return control && (control->kind == ControlKind::CheckBox || control->kind == ControlKind::RadioButton ||
                     control->kind == ControlKind::AutoRadioButton);
}

}  // namespace

Win32Window::Win32Window(const DialogResource& resource, Window* owner, std::function<uint32_t()> now)
    : Window(owner), resource_(resource), now_(now ? std::move(now) : [] { return static_cast<uint32_t>(GetTickCount()); }) {
  const DialogTemplate dialog = BuildDialogTemplate(resource);
  hwnd_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(dialog.Data()),
                                     HandleOf(owner), DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return;
  BuildMenu();
  FitClientArea();
  if (!owner) SetProgramIcon();
  AddKeys();
  AddToolTips();
}

void Win32Window::SetProgramIcon() {
  // A window of its own (not a dialog over another) stands in the task bar: with the
  // program's icon, resource 1, in both sizes. Shared icons are never destroyed.
  HINSTANCE program = GetModuleHandleW(nullptr);
  for (const auto& [which, width, height] : {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON},
                                             std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
    HANDLE icon = LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width),
                             GetSystemMetrics(height), LR_SHARED);
    if (icon) SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

Win32Window::~Win32Window() {
  if (question_) DestroyWindow(question_);
  if (keys_) DestroyAcceleratorTable(keys_);
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);  // its menu goes with it
  }
}

HWND Win32Window::HandleOf(const Window* window) {
  const auto* native = dynamic_cast<const Win32Window*>(window);
  return native ? native->hwnd_ : nullptr;
}

HWND Win32Window::Control(int id) const {
  if (!hwnd_ || !resource_.FindControl(id)) return nullptr;
  return GetDlgItem(hwnd_, id);
}

void Win32Window::BuildMenu() {
  if (resource_.menu.empty()) return;
  menu_ = CreateMenu();
  const std::vector<int> barMnemonics = MnemonicPositions(TextsOf(resource_.menu));
  for (size_t n = 0; n < resource_.menu.size(); ++n) {
    const MenuResource& top = resource_.menu[n];
    const UINT grayed = top.grayed ? MF_GRAYED : 0;
    const std::wstring topText = MenuLabel(top.text, barMnemonics[n], {});
    if (top.items.empty() && top.command != 0) {
      // A command on the menu bar itself.
      AppendMenuW(menu_, MF_STRING | grayed, static_cast<UINT_PTR>(top.command), topText.c_str());
      continue;
    }
    HMENU popup = CreatePopupMenu();
    const std::vector<int> mnemonics = MnemonicPositions(TextsOf(top.items));
    for (size_t i = 0; i < top.items.size(); ++i) {
      const MenuResource& item = top.items[i];
      if (item.IsSeparator()) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      // Only the tool sets a mark: a menu item never checks itself when chosen.
      const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : 0) | (item.grayed ? MF_GRAYED : 0);
      const std::wstring text = MenuLabel(item.text, mnemonics[i], KeysOf(resource_.id, item.command));
      AppendMenuW(popup, flags, static_cast<UINT_PTR>(item.command), text.c_str());
      mnemonicAt_.emplace(item.command, mnemonics[i]);
    }
    AppendMenuW(menu_, MF_POPUP | grayed, reinterpret_cast<UINT_PTR>(popup), topText.c_str());
  }
  SetMenu(hwnd_, menu_);
}

void Win32Window::FitClientArea() {
  // The template's size is the client area without a menu; the menu bar, added
  // afterwards, takes its height from it unless the frame grows by as much.
  RECT wanted{0, 0, resource_.width, resource_.height};
  MapDialogRect(hwnd_, &wanted);
  RECT frame = wanted;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  AdjustWindowRectEx(&frame, style, menu_ != nullptr, exStyle);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar too long for the width wraps onto a second line.
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int missing = wanted.bottom - client.bottom;
  if (missing > 0)
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetItemText(int id, std::string_view text) {
  HWND control = Control(id);
  if (!control) return;
  ++settingText_;
  SetWindowTextW(control, ToWide(text).c_str());
  --settingText_;
  NotifyText(id, std::string(text));
}

std::string Win32Window::GetItemText(int id) const {
  HWND control = Control(id);
  if (!control) return {};
  const ControlResource* resource = resource_.FindControl(id);
  if (resource->kind == ControlKind::ComboBox) {
    // A list shows its selected entry in its edit field.
    const LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) {
      const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
      std::wstring entry(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
      SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.data()));
      entry.resize(static_cast<size_t>(length > 0 ? length : 0));
      return FromWide(entry);
    }
  }
  return FromWide(WindowText(control));
}

void Win32Window::EnableItem(int id, bool enabled) {
  if (HWND control = Control(id)) EnableWindow(control, enabled);
  // Every command disables the status field when it ends, however it ends: a bar
  // left standing would claim work in progress.
  if (id == IDC_STATUS && !enabled) ShowProgressRow(false);
}

bool Win32Window::IsItemEnabled(int id) const {
  // The control's own state, not whether a modal dialog has disabled its window.
  HWND control = Control(id);
  return control && IsWindowEnabled(control);
}

void Win32Window::CheckItem(int id, bool checked) {
  HWND control = Control(id);
  if (!control || !IsMarkable(resource_.FindControl(id))) return;
  SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Window::IsItemChecked(int id) const {
  HWND control = Control(id);
  if (!control || !IsMarkable(resource_.FindControl(id))) return false;
  return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Window::ListAddString(int id, std::string_view entry) {
  HWND control = Control(id);
  if (!control || resource_.FindControl(id)->kind != ControlKind::ComboBox) return;
  // Adding an entry leaves the field and the selection as they are.
  SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(entry).c_str()));
}

void Win32Window::ListSetSelection(int id, int index) {
  HWND control = Control(id);
  if (!control || resource_.FindControl(id)->kind != ControlKind::ComboBox) return;
  const bool valid = index >= 0 && index < ListCount(id);
  ++settingText_;
  SendMessageW(control, CB_SETCURSEL, valid ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
  if (!valid) SetWindowTextW(control, L"");
  --settingText_;
}

int Win32Window::ListSelection(int id) const {
  HWND control = Control(id);
  if (!control || resource_.FindControl(id)->kind != ControlKind::ComboBox) return -1;
  const LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

int Win32Window::ListCount(int id) const {
  HWND control = Control(id);
  if (!control || resource_.FindControl(id)->kind != ControlKind::ComboBox) return 0;
  const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

void Win32Window::CheckMenuItem(int command, bool checked) {
  if (!menu_ || !resource_.FindMenuItem(command)) return;
  ::CheckMenuItem(menu_, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32Window::EnableMenuItem(int command, bool enabled) {
  if (!menu_ || !resource_.FindMenuItem(command)) return;
  ::EnableMenuItem(menu_, static_cast<UINT>(command), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  // An item on the bar itself is drawn by the frame, which does not notice the change.
  DrawMenuBar(hwnd_);
}

bool Win32Window::IsMenuItemChecked(int command) const {
  if (!menu_ || !resource_.FindMenuItem(command)) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(command), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

bool Win32Window::IsMenuItemEnabled(int command) const {
  if (!menu_ || !resource_.FindMenuItem(command)) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(command), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void Win32Window::SetMenuItemText(int command, std::string_view text) {
  const MenuResource* item = resource_.FindMenuItem(command);
  if (!menu_ || !item) return;
  // The item keeps the mnemonic of its table text where the new text begins the same
  // ("COM2  (none)"), and its keys.
  int mnemonic = -1;
  if (auto it = mnemonicAt_.find(command); it != mnemonicAt_.end() && it->second >= 0 &&
                                           text.substr(0, static_cast<size_t>(it->second) + 1) ==
                                               std::string_view(item->text).substr(0, static_cast<size_t>(it->second) + 1))
    mnemonic = it->second;
  std::wstring wide = MenuLabel(std::string(text), mnemonic, KeysOf(resource_.id, command));
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  info.dwTypeData = wide.data();
  SetMenuItemInfoW(menu_, static_cast<UINT>(command), FALSE, &info);
  DrawMenuBar(hwnd_);
}

void Win32Window::Repaint() {
  if (!hwnd_ || !IsWindowVisible(hwnd_)) return;
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  // A long command keeps the thread: paint what waits for it, on every window of the
  // tool. Clicks and keys given to the window meanwhile are dropped: held back, they
  // would run as commands once this one has ended.
  if (busy_ > 0) DropQueuedInput();
  MSG message;
  for (int n = 0; n < kMostPaints && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++n)
    DispatchMessageW(&message);
}

void Win32Window::End(int result) {
  Window::End(result);
  // Wakes the modal loop should it be waiting.
  if (hwnd_) PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void Win32Window::Show() {
  if (!hwnd_ || IsWindowVisible(hwnd_)) return;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT around = area;
  HWND owner = HandleOf(Owner());
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = (around.left + around.right - width) / 2;
  int y = (around.top + around.bottom - height) / 2;
  // Keep the title bar on the screen.
  x = std::max<int>(area.left, std::min<int>(x, area.right - width));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  if (OnWatch) SetTimer(hwnd_, kWatchTimer, kWatchMs, nullptr);
}

int Win32Window::RunModal(WindowHandler& handler) {
  if (Ended() || !hwnd_) return Result();
  handler_ = &handler;
  Show();
  HWND owner = HandleOf(Owner());
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  MSG message;
  while (!Ended()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The session is ending: pass the quit on to the loops outside and close.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      Window::End(button::kCancel);
      break;
    }
    if (FilterKey(message) || TranslateKeys(message)) continue;
    if (!IsDialogMessageW(hwnd_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The owner takes the focus back before this window goes, so that no other
  // program's window comes to the front in between.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (owner) SetActiveWindow(owner);
  ShowWindow(hwnd_, SW_HIDE);
  handler_ = nullptr;
  return Result();
}

bool Win32Window::FilterKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
  // Return would press the default button, "End", and a value just typed would be
  // gone with the window: in a field, a list or on a check mark it does nothing.
  // On a push button it presses that button, as everywhere.
  HWND focus = message.hwnd;
  if (HasClass(focus, L"Edit") || HasClass(focus, L"ComboBox")) return true;
  if (HasClass(focus, L"Button")) {
    const LONG_PTR type = GetWindowLongPtrW(focus, GWL_STYLE) & BS_TYPEMASK;
    return type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
  }
  return false;
}

void Win32Window::OnControlCommand(int id, int notification, HWND from) {
  if (notification == CBN_EDITCHANGE && from) {
    KeepTypedText(from);
    return;
  }
  // Clicks, menu choices and keys (an accelerator's notification is 1) only; what
  // fields and lists report of themselves is no command.
  const ControlResource* control = resource_.FindControl(id);
  if (notification == 1 && !from) {
    // A key of a button presses it, unless it is greyed; a greyed menu item's key
    // sends nothing.
    if (control && !IsItemEnabled(id)) return;
  } else if (notification != BN_CLICKED) {
    return;
  }
  if (control && control->kind == ControlKind::AutoRadioButton && handler_ && busy_ == 0)
    CheckInGroup(id, control->group);
  Dispatch(id);
}

void Win32Window::KeepTypedText(HWND combo) {
  // Typing makes the field hold text of its own: no entry is selected any more.
  if (settingText_ > 0 || SendMessageW(combo, CB_GETCURSEL, 0, 0) == CB_ERR) return;
  const std::wstring typed = WindowText(combo);
  DWORD start = 0, end = 0;
  SendMessageW(combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  ++settingText_;
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetWindowTextW(combo, typed.c_str());
  SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
  --settingText_;
}

void Win32Window::CheckInGroup(int id, const std::string& group) {
  for (const ControlResource& other : resource_.controls)
    if (other.kind == ControlKind::AutoRadioButton && other.group == group) CheckItem(other.id, other.id == id);
}

void Win32Window::Dispatch(int command) {
  if (!handler_ || Ended() || busy_ > 0) return;
  stopAsked_ = closeAfterCommand_ = false;
  ++busy_;
  handler_->OnCommand(*this, command);
  // What came for the window while the command ran goes the way of the rest.
  DropQueuedInput();
  --busy_;
  AnswerStopQuestion(false);
  // The pointer shows the window's own again.
  POINT at{};
  GetCursorPos(&at);
  SetCursorPos(at.x, at.y);
  if (closeAfterCommand_ && !Ended()) {
    closeAfterCommand_ = false;
    Dispatch(button::kCancel);
  }
}

void Win32Window::RequestClose() {
  if (busy_ == 0) {
    Dispatch(button::kCancel);
    return;
  }
  // A close request that arrives while a command runs would end the tool in the
  // middle of an exchange. A short command ends soon; an update, the one command that
  // shows progress, may take minutes.
  if (progressRowHeight_ > 0) AskToStop();
}

}  // namespace ravix::win32gui
