#pragma once
// Puts a handler in front of the window procedure of a standard control (an EDIT, a LISTBOX), so a
// form can refuse or replace some of its messages and leave the rest to the control. No exception
// leaves into the window system: it goes to the ExceptionSink and the message counts as handled.
#include <windows.h>

#include <functional>
#include <optional>

#include "platform/win32/message_handler.h"

namespace controls::win32 {

class WindowSubclass {
 public:
  // The handler's result is the message's, or nullopt to hand the message on to the control.
  using Handler = std::function<std::optional<LRESULT>(UINT message, WPARAM wParam, LPARAM lParam)>;

  WindowSubclass(HWND window, platform::win32::ExceptionSink& errors, Handler handler);
  WindowSubclass(const WindowSubclass&) = delete;
  WindowSubclass& operator=(const WindowSubclass&) = delete;
  ~WindowSubclass();

  // Inside the handler: what the control itself does with the message.
  LRESULT CallControl(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);

  HWND window_;
  platform::win32::ExceptionSink& errors_;
  Handler handler_;
};

}  // namespace controls::win32
