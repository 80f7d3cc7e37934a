#include "controls/win32/push_button.h"

namespace controls::win32 {

TButton::TButton(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, const std::string& caption,
                 ModalResult modalResult)
    : TChildControl(host, parent, id, placement, "BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, 0),
      modalResult_(modalResult) {}

void TButton::SetDefault(bool isDefault) {
  ::SendMessageA(Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (!Enabled()) {
    return;
  }
  if (modalResult_ != ModalResult::None) {
    Host().SetModalResult(modalResult_);
  }
  RunHandler(OnClick);
}

void TButton::Command(int notification) {
  if (notification == BN_CLICKED) {
    Click();
  }
}

}  // namespace controls::win32
