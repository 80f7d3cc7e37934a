#pragma once
// One C++ object per window: the window procedure only finds the object and hands the message over.
// No exception leaves the procedure into the window system; the object decides where it goes.
#include <windows.h>

#include "app/win32/win_handles.h"

namespace app::win32 {

// Receives an exception that escaped a message handler; called inside the catch block, so
// `throw;` rethrows it. Must not throw.
class ExceptionSink {
 public:
  virtual void HandleException() noexcept = 0;

 protected:
  ~ExceptionSink() = default;
};

class MessageHandler {
 public:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void HandleException() noexcept = 0;

 protected:
  ~MessageHandler() = default;
};

// Registers (once per process) a window class whose procedure dispatches to the MessageHandler
// given as creation parameter.
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
UniqueWindow CreateHandlerWindow(MessageHandler& handler, const char* className, const char* caption, DWORD style,
                                 DWORD exStyle, const WindowPlacement& placement, HWND parentOrOwner, int id = 0);

HINSTANCE ModuleInstance();

}  // namespace app::win32
