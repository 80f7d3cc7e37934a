#pragma once
// One C++ object per window: the window procedure only finds the object and hands the message over.
// No exception leaves the procedure into the window system; the object decides where it goes.
#include <windows.h>

#include "platform/win32/gdi_owners.h"

namespace platform::win32 {

// Receives an exception that escaped a message handler; called inside the catch block, so
// `throw;` rethrows it. Must not throw.
class ExceptionSink {
 public:
  virtual void HandleException() noexcept = 0;

 protected:
  ~ExceptionSink() = default;
};

// Receives every message of its window from WM_NCCREATE to WM_NCDESTROY; passes what it leaves to DefWindowProcA.
class MessageHandler {
 public:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void HandleException() noexcept = 0;

 protected:
  ~MessageHandler() = default;
};

struct HandlerWindowTraits {
  static void Release(HWND h) {
    // A window destroyed by its owner object must not call back into that object while it goes.
    ::SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    ::DestroyWindow(h);
  }
};

// A window whose procedure dispatches to a MessageHandler, destroyed without calling back into it.
using UniqueHandlerWindow = UniqueOwner<HWND, HandlerWindowTraits>;

// Registers (once per process) a window class whose procedure dispatches to the MessageHandler
// given as creation parameter; throws std::runtime_error when Windows refuses.
void RegisterHandlerClass(const char* className, HCURSOR cursor, HBRUSH background, HICON icon = nullptr,
                          UINT style = 0);

struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Creates a window of a class registered above; throws std::runtime_error when Windows refuses.
// `parentOrOwner` is the parent of a child window or the owner of a top-level one; `id` the child's control id.
UniqueHandlerWindow CreateHandlerWindow(MessageHandler& handler, const char* className, const char* caption,
                                        DWORD style, DWORD exStyle, const WindowPlacement& placement,
                                        HWND parentOrOwner, int id = 0);

HINSTANCE ModuleInstance();

}  // namespace platform::win32
