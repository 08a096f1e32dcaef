#pragma once
#include <cstdint>
#include <vector>

#include "platform/dialog_resource.h"

namespace ravix::win32gui {

// An in-memory dialog template (DLGTEMPLATE with its items) built from a window's
// table: the dialog manager then lays the controls out in dialog units of the
// template's font, as it does for a dialog compiled into the program's resources.
// The words are what CreateDialogIndirectParam reads; the vector keeps them aligned.
struct DialogTemplate {
  std::vector<uint16_t> words;
  const void* Data() const { return words.data(); }
};

// The font every window of the tool uses: the system's dialog font.
inline constexpr const wchar_t* kDialogFont = L"MS Sans Serif";
inline constexpr uint16_t kDialogFontPoints = 8;

DialogTemplate BuildDialogTemplate(const DialogResource& resource);

}  // namespace ravix::win32gui
