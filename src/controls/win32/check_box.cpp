#include "controls/win32/check_box.h"

namespace controls::win32 {

TCheckBox::TCheckBox(ControlHost& host, HWND parent, int id, const WindowPlacement& placement,
                     const std::string& caption)
    : TChildControl(host, parent, id, placement, "BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, 0) {}

bool TCheckBox::Checked() const { return ::SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  ::SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetFont(HFONT font) { ::SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

}  // namespace controls::win32
