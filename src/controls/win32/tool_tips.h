#pragma once
// The system's tool-tip window for a form's controls: the hint shows when the mouse rests on one.
// Hints are UTF-8 and shown through the wide functions, so they read right in any system language.
#include <windows.h>

#include <string>

#include "platform/win32/gdi_owners.h"

namespace controls::win32 {

class TToolTips {
 public:
  explicit TToolTips(HWND form);
  TToolTips(const TToolTips&) = delete;
  TToolTips& operator=(const TToolTips&) = delete;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  void AddTool(HWND control, const std::string& hintUtf8);

 private:
  HWND form_;
  platform::win32::UniqueHwnd window_;
};

}  // namespace controls::win32
