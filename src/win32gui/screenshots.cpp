#include "win32gui/screenshots.h"

#include <cstdio>
#include <filesystem>

#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix::win32gui {

namespace {

constexpr UINT_PTR kCaptureTimer = 1;
// Long enough for the box to be drawn on the screen before it is read back.
constexpr UINT kBoxShownMs = 400;
constexpr const wchar_t* kTimerClass = L"RavixScreenshotTimer";

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kCaptureTimer) {
    KillTimer(hwnd, kCaptureTimer);
    if (auto* shots = reinterpret_cast<ScreenshotUi*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) shots->CaptureBox();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Lets the windows paint what they have been told to show. The window system maps
// a new window in its own time: a few rounds give it that time.
void Settle() {
  constexpr int kRounds = 5;
  constexpr DWORD kRoundMs = 60;
  for (int round = 0; round < kRounds; ++round) {
    MSG message;
    for (int n = 0; n < 256 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++n) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(kRoundMs);
  }
}

bool WriteBitmap(const std::string& path, HDC screen, const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::FILE* out = _wfopen(ToWide(path).c_str(), L"wb");
  if (!out) return false;
  const bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                  std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return std::fclose(out) == 0 && ok;
}

}  // namespace

ScreenshotUi::ScreenshotUi(Ui& engine, Win32Ui& native, std::string dir)
    : engine_(engine), native_(native), dir_(std::move(dir)) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(ToWide(dir_)), ignored);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = TimerWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kTimerClass;
  RegisterClassW(&windowClass);
  // A message-only window: it only carries the timer into the box's own message loop.
  timerWindow_ = CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  if (timerWindow_) SetWindowLongPtrW(timerWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ScreenshotUi::~ScreenshotUi() {
  if (timerWindow_) DestroyWindow(timerWindow_);
}

void ScreenshotUi::ShowWindows() {
  for (const auto& window : native_.OpenWindows()) window->Show();
  Settle();
}

MessageResult ScreenshotUi::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                       MessageButtons buttons, std::string_view details) {
  if (timerWindow_) {
    ShowWindows();
    SetTimer(timerWindow_, kCaptureTimer, kBoxShownMs, nullptr);
    native_.MessageBox(owner, caption, text, buttons, details);
  }
  return engine_.MessageBox(owner, caption, text, buttons, details);
}

void ScreenshotUi::CaptureBox() {
  HWND box = GetActiveWindow();
  if (!box) return;
  // The box over the window it belongs to: the union of both on the screen.
  RECT area{};
  GetWindowRect(box, &area);
  const auto windows = native_.OpenWindows();
  if (!windows.empty()) {
    RECT main{};
    GetWindowRect(windows.front()->Handle(), &main);
    UnionRect(&area, &area, &main);
  }
  Save(area, "box-" + std::to_string(++boxes_) + ".bmp");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

void ScreenshotUi::SaveOpenWindows() {
  ShowWindows();
  for (const auto& window : native_.OpenWindows()) {
    SetForegroundWindow(window->Handle());
    RedrawWindow(window->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    RECT area{};
    GetWindowRect(window->Handle(), &area);
    Save(area, "window-" + std::to_string(window->DialogId()) + ".bmp");
  }
}

void ScreenshotUi::Save(const RECT& area, const std::string& name) {
  HDC screen = GetDC(nullptr);
  const std::string path = dir_ + "\\" + name;
  if (WriteBitmap(path, screen, area)) saved_.push_back(path);
  ReleaseDC(nullptr, screen);
}

}  // namespace ravix::win32gui
