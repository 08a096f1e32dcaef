// The main window while a long command runs: the input it drops, the question a close
// request gets during an update, and the progress row.
#include <algorithm>

#include "platform/win32/win32_text.h"
#include "resources/ids.h"
#include "resources/window_help.h"
#include "win32gui/dialog_template.h"
#include "win32gui/win32_window.h"

#include "platform/win32/windows_api.h"  // last
#include <commctrl.h>

namespace ravix::win32gui {

namespace {

constexpr int kStopButton = IDYES, kGoOnButton = IDNO;

// The stop question: the tool's words, "Stop" and "Go On" (the default, also Escape).
const DialogResource& StopQuestionTable() {
  static const DialogResource table = [] {
    DialogResource d;
    d.title = std::string(kStopUpdateCaption);
    d.width = 236;
    d.height = 96;
    using K = ControlKind;
    d.controls = {
        {IDC_STATIC, K::Label, std::string(kStopUpdateQuestion), 10, 8, 216, 60, true, ""},
        {kStopButton, K::PushButton, "Stop", 110, 74, 56, 14, true, ""},
        {kGoOnButton, K::DefPushButton, "Go On", 170, 74, 56, 14, true, ""},
    };
    return d;
  }();
  return table;
}

INT_PTR CALLBACK StopQuestionProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
      return TRUE;
    case WM_COMMAND:
      if (window && (LOWORD(wParam) == kStopButton || LOWORD(wParam) == kGoOnButton || LOWORD(wParam) == IDCANCEL))
        window->AnswerStopQuestion(LOWORD(wParam) == kStopButton);
      return TRUE;
    case WM_CLOSE:
      if (window) window->AnswerStopQuestion(false);
      return TRUE;
    default:
      return FALSE;
  }
}

bool IsInside(HWND window, HWND target) { return target == window || IsChild(window, target); }

}  // namespace

void Win32Window::DropQueuedInput() {
  MSG message;
  // The stop question is a window of its own and takes its input as always.
  while (question_ && PeekMessageW(&message, question_, 0, 0, PM_REMOVE))
    if (!IsDialogMessageW(question_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  // Keys and clicks given to the window (and its controls) meanwhile would run as
  // commands once this one has ended. Alt+F4 is a close request.
  while (PeekMessageW(&message, hwnd_, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
    if (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4) RequestClose();
  while (PeekMessageW(&message, hwnd_, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  // The title bar moves the window and its close box asks; the menu bar and the other
  // buttons of the frame take nothing.
  while (PeekMessageW(&message, hwnd_, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE)) {
    const bool down = message.message == WM_NCLBUTTONDOWN;
    if (down && (message.wParam == HTCAPTION || message.wParam == HTCLOSE) && IsInside(hwnd_, message.hwnd))
      DispatchMessageW(&message);
  }
}

void Win32Window::AskToStop() {
  if (stopAsked_) return;
  if (question_) {
    SetForegroundWindow(question_);
    return;
  }
  const DialogTemplate dialog = BuildDialogTemplate(StopQuestionTable());
  // Not modal: the update goes on while the user reads.
  question_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(dialog.Data()),
                                         hwnd_, StopQuestionProc, reinterpret_cast<LPARAM>(this));
  if (!question_) return;
  RECT frame{}, own{};
  GetWindowRect(hwnd_, &frame);
  GetWindowRect(question_, &own);
  const int width = own.right - own.left, height = own.bottom - own.top;
  SetWindowPos(question_, HWND_TOP, (frame.left + frame.right - width) / 2, (frame.top + frame.bottom - height) / 2, 0,
               0, SWP_NOSIZE);
  ShowWindow(question_, SW_SHOW);
  SetFocus(GetDlgItem(question_, kGoOnButton));
}

void Win32Window::AnswerStopQuestion(bool stop) {
  if (stop) stopAsked_ = closeAfterCommand_ = true;
  if (question_) DestroyWindow(question_);
  question_ = nullptr;
}

void Win32Window::ShowProgressRow(bool shown) {
  if (!progress_ || (progressRowHeight_ > 0) == shown) {
    if (!shown) timing_ = false;
    return;
  }
  RECT row{0, 0, 1, 24};  // the row: a bar 12 units high, with 6 above and below
  MapDialogRect(hwnd_, &row);
  const int height = shown ? row.bottom : -progressRowHeight_;
  progressRowHeight_ = shown ? row.bottom : 0;
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(progress_, shown ? SW_SHOWNA : SW_HIDE);
  ShowWindow(progressWords_, shown ? SW_SHOWNA : SW_HIDE);
  if (!shown) timing_ = false;
}

void Win32Window::ShowProgress(int done, int total) {
  if (total <= 0) secondsLeft_ = -1;
  if (total <= 0) {
    ShowProgressRow(false);
    return;
  }
  if (!progress_) {
    HWND field = Control(IDC_STATUS);
    if (!field) return;
    RECT status{};
    GetWindowRect(field, &status);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&status), 2);
    // Under the bottom row, in the height the window grows by: the bar beside its words.
    RECT client{0, 0, resource_.width, resource_.height}, bar{0, 6, 0, 18}, words{0, 7, 150, 17};
    MapDialogRect(hwnd_, &client);
    MapDialogRect(hwnd_, &bar);
    MapDialogRect(hwnd_, &words);
    const int left = status.left, right = client.right - status.left;
    const int wordsWidth = words.right;
    HINSTANCE program = GetModuleHandleW(nullptr);
    progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, left, client.bottom + bar.top,
                                right - left - wordsWidth - 8, bar.bottom - bar.top, hwnd_, nullptr, program, nullptr);
    progressWords_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, right - wordsWidth,
                                     client.bottom + words.top, wordsWidth, words.bottom - words.top, hwnd_, nullptr,
                                     program, nullptr);
    if (!progress_ || !progressWords_) return;
    SendMessageW(progressWords_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
  }
  const uint32_t now = now_();
  // The rate is measured from the first figure of this run on.
  if (!timing_ || done < progressShownDone_) timing_ = true, progressStarted_ = now, progressStartDone_ = done;
  progressShownDone_ = done;
  SendMessageW(progress_, PBM_SETRANGE32, 0, total);
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::clamp(done, 0, total)), 0);
  const std::wstring words = ToWide(ProgressLabel(done, total, now - progressStarted_, progressStartDone_, secondsLeft_));
  wchar_t shown[96] = {};
  GetWindowTextW(progressWords_, shown, 96);
  const bool changed = words != shown || progressRowHeight_ == 0;
  SetWindowTextW(progressWords_, words.c_str());
  ShowProgressRow(true);
  // The figures change at most a hundred times and once a second: each change is
  // painted, and the window's own messages are handled meanwhile.
  if (changed) Repaint();
}

}  // namespace ravix::win32gui
