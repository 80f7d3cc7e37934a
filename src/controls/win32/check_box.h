#pragma once
// `TCheckBox`: a check box with its caption to the right; the operator's clicks toggle it.
#include <string>

#include "controls/win32/child_control.h"

namespace controls::win32 {

class TCheckBox final : public TChildControl {
 public:
  TCheckBox(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, const std::string& caption);

  [[nodiscard]] bool Checked() const;
  void SetChecked(bool checked);
  void SetFont(HFONT font);

  void Command(int) override {}
};

}  // namespace controls::win32
