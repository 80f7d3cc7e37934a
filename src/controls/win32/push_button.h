#pragma once
// `TButton`: a standard push button. Clicking it (mouse, Space, Enter as default button, Escape as
// cancel button, or Click() from code) first sets the form's modal result to the button's, then runs
// OnClick; a button with a result other than None therefore ends the dialog, even when OnClick fails.
#include <functional>
#include <string>

#include "controls/win32/child_control.h"

namespace controls::win32 {

class TButton final : public TChildControl {
 public:
  TButton(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, const std::string& caption,
          ModalResult modalResult = ModalResult::None);

  [[nodiscard]] std::string Caption() const { return WindowText(); }
  void SetCaption(const std::string& caption) { SetWindowText(caption); }
  [[nodiscard]] ModalResult Result() const { return modalResult_; }
  // Draws the button as the one Enter clicks.
  void SetDefault(bool isDefault);

  // Does what a mouse click does; nothing while the button is disabled.
  void Click();
  std::function<void()> OnClick;

  void Command(int notification) override;

 private:
  ModalResult modalResult_;
};

}  // namespace controls::win32
