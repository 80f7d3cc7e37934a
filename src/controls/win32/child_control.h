#pragma once
// The shared part of the standard controls a form holds (TEdit, TListBox, TButton): each owns its
// window, registers with its form by id so that the form hands it its notifications, and unregisters
// when it goes.
#include <windows.h>

#include <functional>
#include <string>

#include "controls/win32/modal_form.h"
#include "platform/win32/gdi_owners.h"

namespace controls::win32 {

class TChildControl : public CommandTarget {
 public:
  TChildControl(const TChildControl&) = delete;
  TChildControl& operator=(const TChildControl&) = delete;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] int Id() const { return id_; }
  [[nodiscard]] bool Enabled() const { return ::IsWindowEnabled(window_.Get()) != FALSE; }
  void SetEnabled(bool enabled) { ::EnableWindow(window_.Get(), enabled ? TRUE : FALSE); }
  [[nodiscard]] bool Visible() const { return ::IsWindowVisible(window_.Get()) != FALSE; }
  void SetVisible(bool visible) { ::ShowWindow(window_.Get(), visible ? SW_SHOWNA : SW_HIDE); }
  void SetFocus() { ::SetFocus(window_.Get()); }
  [[nodiscard]] std::string WindowText() const;
  void SetWindowText(const std::string& text);

 protected:
  // parent: the form's window or a panel on it. Throws std::runtime_error when Windows refuses.
  TChildControl(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, const char* className,
                const std::string& text, DWORD style, DWORD exStyle);
  ~TChildControl();

  [[nodiscard]] ControlHost& Host() const { return host_; }
  // Runs a handler of the control's owner; its exception goes to the form's error box.
  void RunHandler(const std::function<void()>& handler) const;

 private:
  ControlHost& host_;
  int id_;
  platform::win32::UniqueHwnd window_;
};

}  // namespace controls::win32
