#include "win32gui/program.h"

#include <cstdio>

#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last
#include <commctrl.h>

namespace ravix::win32gui {

void Say(const std::string& text, bool failure) {
  if (GetStdHandle(failure ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE)) {
    std::FILE* stream = failure ? stderr : stdout;
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
    return;
  }
  MessageBoxW(nullptr, ToWide(text).c_str(), L"Ravix Setup", MB_OK | (failure ? MB_ICONERROR : MB_ICONINFORMATION));
}

void PrepareControls() {
  // The standard controls, the tooltips and the progress bar.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

}  // namespace ravix::win32gui
