#include "controls/win32/child_control.h"

#include <stdexcept>
#include <vector>

namespace controls::win32 {

TChildControl::TChildControl(ControlHost& host, HWND parent, int id, const WindowPlacement& placement,
                             const char* className, const std::string& text, DWORD style, DWORD exStyle)
    : host_(host), id_(id) {
  HWND window = ::CreateWindowExA(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, placement.x,
                                  placement.y, placement.width, placement.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
  if (window == nullptr) {
    throw std::runtime_error(std::string("Cannot create a control of class ") + className);
  }
  window_.Reset(window);
  ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font()), FALSE);
  host_.RegisterControl(id_, *this);
}

TChildControl::~TChildControl() { host_.UnregisterControl(id_); }

std::string TChildControl::WindowText() const {
  const int length = ::GetWindowTextLengthA(window_.Get());
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = ::GetWindowTextA(window_.Get(), buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void TChildControl::SetWindowText(const std::string& text) { ::SetWindowTextA(window_.Get(), text.c_str()); }

void TChildControl::RunHandler(const std::function<void()>& handler) const {
  if (handler) {
    handler();  // an exception goes on to the form's window procedure, whose barrier shows it
  }
}

}  // namespace controls::win32
