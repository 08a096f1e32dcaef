#include "win32gui/dialog_template.h"

#include <string_view>

#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix::win32gui {

namespace {

// Predefined window classes, by atom, as a template names them.
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kEditClass = 0x0081;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kComboBoxClass = 0x0085;

class Writer {
 public:
  explicit Writer(std::vector<uint16_t>& words) : words_(words) {}
  void Word(uint16_t w) { words_.push_back(w); }
  void Dword(uint32_t d) {
    Word(static_cast<uint16_t>(d & 0xFFFF));
    Word(static_cast<uint16_t>(d >> 16));
  }
  void Text(std::wstring_view text) {
    for (wchar_t c : text) Word(static_cast<uint16_t>(c));
    Word(0);
  }
  // Every item starts on a 32-bit boundary.
  void AlignDword() {
    if (words_.size() % 2) Word(0);
  }

 private:
  std::vector<uint16_t>& words_;
};

uint16_t ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: return kEditClass;
    case ControlKind::Label: return kStaticClass;
    case ControlKind::ComboBox: return kComboBoxClass;
    default: return kButtonClass;
  }
}

// A drop-down list's height in a template is that of the field with its list
// dropped down; the table gives the field's alone.
constexpr int kDroppedListHeight = 110;

int HeightInTemplate(const ControlResource& control) {
  if (control.kind == ControlKind::ComboBox && control.height < kDroppedListHeight) return kDroppedListHeight;
  return control.height;
}

uint16_t Coordinate(int du) { return static_cast<uint16_t>(static_cast<int16_t>(du)); }

// The window style of a control of the table (WS_CHILD | WS_VISIBLE and its kind's styles).
uint32_t ControlStyle(const ControlResource& control) {
  uint32_t style = WS_CHILD | WS_VISIBLE;
  if (!control.enabled) style |= WS_DISABLED;
  switch (control.kind) {
    case ControlKind::PushButton: return style | BS_PUSHBUTTON | WS_TABSTOP;
    case ControlKind::DefPushButton: return style | BS_DEFPUSHBUTTON | WS_TABSTOP;
    case ControlKind::Edit: return style | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    // Out of the tab chain: the first field to take the keys is one a person can type in.
    case ControlKind::ReadOnlyEdit: return style | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER;
    case ControlKind::Label: return style | SS_LEFT | SS_NOPREFIX;
    case ControlKind::GroupBox: return style | BS_GROUPBOX;
    // Plain radio buttons for both kinds: a click only sends the command, and the
    // window itself moves the mark of the self-checking ones within their group box
    // (the dialog manager's own grouping follows the tab order, not the boxes).
    case ControlKind::RadioButton:
    case ControlKind::AutoRadioButton: return style | BS_RADIOBUTTON | WS_TABSTOP;
    case ControlKind::CheckBox: return style | BS_AUTOCHECKBOX | WS_TABSTOP;
    case ControlKind::ComboBox: return style | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
  }
  return style;
}

}  // namespace

DialogTemplate BuildDialogTemplate(const DialogResource& resource) {
  DialogTemplate result;
  Writer out(result.words);
  // Not visible at creation: a script drives the window without showing it, and the
  // modal run shows it once it is centred.
  const uint32_t style = DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  out.Dword(style);
  out.Dword(0);  // extended style
  out.Word(static_cast<uint16_t>(resource.controls.size()));
  out.Word(0);
  out.Word(0);
  out.Word(Coordinate(resource.width));
  out.Word(Coordinate(resource.height));
  out.Word(0);  // no menu in the template: the window builds its menu bar from the table
  out.Word(0);  // the dialog class
  out.Text(ToWide(resource.title));
  out.Word(kDialogFontPoints);
  out.Text(kDialogFont);
  for (const ControlResource& control : resource.controls) {
    out.AlignDword();
    out.Dword(ControlStyle(control));
    out.Dword(0);
    out.Word(Coordinate(control.x));
    out.Word(Coordinate(control.y));
    out.Word(Coordinate(control.width));
    out.Word(Coordinate(HeightInTemplate(control)));
    out.Word(static_cast<uint16_t>(control.id));  // IDC_STATIC becomes 0xFFFF, as in a compiled template
    out.Word(0xFFFF);
    out.Word(ClassOf(control.kind));
    // An edit's start text and a list's field are set after creation, as the tool sets them.
    const bool titled = control.kind != ControlKind::ComboBox;
    out.Text(titled ? ToWide(control.text) : std::wstring());
    out.Word(0);  // no creation data
  }
  return result;
}

}  // namespace ravix::win32gui
