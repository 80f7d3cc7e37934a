#include "controls/win32/edit_control.h"

namespace controls::win32 {

TEdit::TEdit(ControlHost& host, HWND parent, int id, const WindowPlacement& placement)
    : TChildControl(host, parent, id, placement, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE) {}

void TEdit::SetPasswordChar(char c) {
  ::SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TEdit::SetMaxLength(int characters) { ::SendMessageA(Handle(), EM_LIMITTEXT, characters, 0); }

void TEdit::SelectAll() { ::SendMessageA(Handle(), EM_SETSEL, 0, -1); }

void TEdit::GetSelection(int& start, int& end) const {
  DWORD first = 0;
  DWORD last = 0;
  ::SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}

void TEdit::SetReadOnly(bool readOnly) { ::SendMessageA(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }

void TEdit::Command(int notification) {
  if (notification == EN_CHANGE) {
    RunHandler(OnChange);
  }
}

}  // namespace controls::win32
