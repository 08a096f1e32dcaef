#include "win32gui/win32_ui.h"

#include <algorithm>

#include "platform/stop_signals.h"
#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last
#include <commdlg.h>
#include <shellapi.h>

namespace ravix::win32gui {

std::shared_ptr<Window> Win32Ui::CreateWindow(const DialogResource& resource, Window* owner) {
  auto window = std::make_shared<Win32Window>(resource, owner, now_);
  if (endOnRequest_) window->OnWatch = [this] { LookForEnd(); };
  std::erase_if(windows_, [](const std::weak_ptr<Win32Window>& w) { return w.expired(); });
  windows_.push_back(window);
  return window;
}

int Win32Ui::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  auto* native = dynamic_cast<Win32Window*>(window.get());
  if (!native) return window->Result();
  return native->RunModal(handler);
}

namespace {

// A message box or file dialog of the tool's thread: a dialog that no table of the tool made.
struct ForeignDialog {
  std::vector<HWND> own;
  HWND found = nullptr;
};

BOOL CALLBACK FindForeignDialog(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<ForeignDialog*>(data);
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (!IsWindowVisible(hwnd) || lstrcmpW(name, L"#32770") != 0) return TRUE;
  if (std::find(search->own.begin(), search->own.end(), hwnd) != search->own.end()) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

void Win32Ui::LookForEnd() {
  if (OutsideStopReceived() == OutsideStop::None) return;
  const auto open = OpenWindows();
  ForeignDialog search;
  for (const auto& window : open) search.own.push_back(window->Handle());
  EnumThreadWindows(GetCurrentThreadId(), FindForeignDialog, reinterpret_cast<LPARAM>(&search));
  if (search.found) {
    // Cancel: a question starts nothing, a plain box goes as with Escape.
    PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  // The innermost first; a window whose command still runs ignores it until the next look.
  for (auto window = open.rbegin(); window != open.rend(); ++window) (*window)->RequestClose();
}

std::string MessageText(std::string_view text, std::string_view details) {
  std::string shown(text);
  if (details.empty()) return shown;
  // A plain box has no room for details of its own: they follow the text, apart.
  while (!shown.empty() && shown.back() == '\n') shown.pop_back();
  return shown + "\n\n(" + std::string(details) + ")";
}

MessageResult Win32Ui::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                  MessageButtons buttons, std::string_view details) {
  const UINT type = buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK;
  HWND ownerHandle = Win32Window::HandleOf(owner);
  // A box without owner still belongs to the tool: it stays in front of its windows.
  const UINT modality = ownerHandle ? MB_APPLMODAL : MB_TASKMODAL;
  const int answer = MessageBoxW(ownerHandle, ToWide(MessageText(text, details)).c_str(), ToWide(caption).c_str(),
                                 type | modality | MB_SETFOREGROUND);
  return answer == IDCANCEL ? MessageResult::Cancel : MessageResult::Ok;
}

void Win32Ui::Beep() { MessageBeep(MB_OK); }

std::wstring FileFilter(std::string_view pattern) {
  std::wstring filter;
  auto add = [&filter](std::wstring_view text) {
    filter.append(text);
    filter.push_back(L'\0');
  };
  const std::wstring wide = ToWide(pattern);
  if (!wide.empty()) {
    add(wide);
    add(wide);
  }
  add(L"*.*");
  add(L"*.*");
  filter.push_back(L'\0');
  return filter;
}

namespace {

// What the open and the save dialog share: owner, filter, title and the buffer of the path.
OPENFILENAMEW DialogFields(Window* owner, const std::wstring& filter, const std::wstring& caption,
                           std::vector<wchar_t>& path) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Win32Window::HandleOf(owner);
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = caption.c_str();
  return dialog;
}

}  // namespace

std::optional<std::string> Win32Ui::OpenFileDialog(Window* owner, std::string_view title, std::string_view pattern) {
  std::vector<wchar_t> path(32768, L'\0');  // room for the longest path the system takes
  const std::wstring filter = FileFilter(pattern);
  const std::wstring caption = ToWide(title);
  OPENFILENAMEW dialog = DialogFields(owner, filter, caption, path);
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  // The current directory follows the user to the folder of the chosen file.
  std::wstring folder(path.data(), dialog.nFileOffset);
  SetCurrentDirectoryW(folder.c_str());
  return FromWide(path.data());
}

std::optional<std::string> Win32Ui::SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                                   std::string_view suggested) {
  std::vector<wchar_t> path(32768, L'\0');  // room for the longest path the system takes
  const std::wstring offered = ToWide(suggested);
  std::copy_n(offered.begin(), std::min(offered.size(), path.size() - 1), path.begin());
  const std::wstring filter = FileFilter(pattern);
  const std::wstring caption = ToWide(title);
  OPENFILENAMEW dialog = DialogFields(owner, filter, caption, path);
  // The current directory stays where it is: the save dialog only names a file. The
  // user confirms replacing a file that exists.
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return FromWide(path.data());
}

void Win32Ui::ShellOpen(const std::string& target) {
  ShellExecuteW(nullptr, L"open", ToWide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ShellExecute answers above 32 when it started a program for the document.
bool Win32Ui::OpenDocument(const std::string& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

bool Win32Ui::StopRequested() {
  for (const auto& window : OpenWindows())
    if (window->StopAsked()) return true;
  // SIGTERM (or the session's end) stops it as the user's own stop does.
  return Ui::StopRequested();
}

std::vector<std::shared_ptr<Win32Window>> Win32Ui::OpenWindows() {
  std::vector<std::shared_ptr<Win32Window>> open;
  for (const auto& weak : windows_)
    if (auto window = weak.lock(); window && !window->Ended()) open.push_back(window);
  return open;
}

}  // namespace ravix::win32gui
