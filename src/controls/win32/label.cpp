#include "controls/win32/label.h"

#include <stdexcept>
#include <vector>

namespace controls::win32 {
namespace {

UniqueHandlerWindow CreateStatic(HWND parent, int id, DWORD style, const RECT& box, const std::string& caption, HFONT font) {
  HWND window = ::CreateWindowExA(0, "STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | style, box.left,
                                  box.top, box.right - box.left, box.bottom - box.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("Cannot create the label " + caption);
  }
  if (font != nullptr) {
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return UniqueHandlerWindow(window);
}

SIZE TextSize(const std::string& text, HFONT font) {
  HDC screen = ::GetDC(nullptr);
  SIZE size{0, 0};
  {
    SelectedObject selected(screen, font);
    ::GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
  }
  ::ReleaseDC(nullptr, screen);
  return size;
}

}  // namespace

TLabel::TLabel(HWND parent, int id, int x, int y, const std::string& caption, HFONT font) {
  const SIZE size = TextSize(caption, font);
  window_ = CreateStatic(parent, id, SS_LEFT, RECT{x, y, x + size.cx, y + size.cy}, caption, font);
}

TLabel::TLabel(HWND parent, int id, const RECT& box, const std::string& caption, HFONT font)
    : window_(CreateStatic(parent, id, SS_CENTER | SS_CENTERIMAGE, box, caption, font)) {}

std::string TLabel::Caption() const {
  const int length = ::GetWindowTextLengthA(window_.Get());
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = ::GetWindowTextA(window_.Get(), buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void TLabel::SetCaption(const std::string& caption) { ::SetWindowTextA(window_.Get(), caption.c_str()); }

TBevel::TBevel(HWND parent, int id, int x, int y, int width)
    : window_(CreateStatic(parent, id, SS_ETCHEDHORZ, RECT{x, y, x + width, y + 2}, "", nullptr)) {}

}  // namespace controls::win32
