#pragma once
// `TEdit`: a single-line edit field with a sunken border. Text goes in and out in the program's
// 8-bit code page; OnChange runs whenever the text changes, by typing or from code.
#include <functional>
#include <string>

#include "controls/win32/child_control.h"

namespace controls::win32 {

class TEdit final : public TChildControl {
 public:
  TEdit(ControlHost& host, HWND parent, int id, const WindowPlacement& placement);

  [[nodiscard]] std::string Text() const { return WindowText(); }
  void SetText(const std::string& text) { SetWindowText(text); }
  void Clear() { SetWindowText(""); }
  // Every character shown as `c` (0: shown as typed).
  void SetPasswordChar(char c);
  // At most this many characters can be typed (0: the system's limit).
  void SetMaxLength(int characters);
  void SelectAll();
  // The selection as character positions [start, end).
  void GetSelection(int& start, int& end) const;
  void SetReadOnly(bool readOnly);

  std::function<void()> OnChange;

  void Command(int notification) override;
};

}  // namespace controls::win32
