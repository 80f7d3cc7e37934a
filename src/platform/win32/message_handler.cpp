#include "platform/win32/message_handler.h"

#include <stdexcept>
#include <string>

namespace platform::win32 {
namespace {

LRESULT CALLBACK HandlerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* handler = reinterpret_cast<MessageHandler*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (handler == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  }
  try {
    return handler->HandleMessage(window, message, wParam, lParam);
  } catch (...) {
    handler->HandleException();
    return 0;
  }
}

}  // namespace

HINSTANCE ModuleInstance() { return ::GetModuleHandleA(nullptr); }

void RegisterHandlerClass(const char* className, HCURSOR cursor, HBRUSH background, HICON icon, UINT style) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(ModuleInstance(), className, &existing)) {
    return;
  }
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = HandlerWindowProc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = className;
  if (::RegisterClassExA(&wc) == 0) {
    throw std::runtime_error(std::string("Cannot register window class ") + className);
  }
}

UniqueHandlerWindow CreateHandlerWindow(MessageHandler& handler, const char* className, const char* caption,
                                        DWORD style, DWORD exStyle, const WindowPlacement& placement,
                                        HWND parentOrOwner, int id) {
  HMENU idOrMenu = (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
  HWND window = ::CreateWindowExA(exStyle, className, caption, style, placement.x, placement.y, placement.width,
                                  placement.height, parentOrOwner, idOrMenu, ModuleInstance(), &handler);
  if (window == nullptr) {
    throw std::runtime_error(std::string("Cannot create window of class ") + className);
  }
  return UniqueHandlerWindow(window);
}

}  // namespace platform::win32
