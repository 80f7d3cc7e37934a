#include "controls/win32/window_subclass.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

namespace controls::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 0x4457;  // one handler per window

}  // namespace

WindowSubclass::WindowSubclass(HWND window, platform::win32::ExceptionSink& errors, Handler handler)
    : window_(window), errors_(errors), handler_(std::move(handler)) {
  if (!::SetWindowSubclass(window_, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    throw std::runtime_error("Cannot subclass a control");
  }
}

WindowSubclass::~WindowSubclass() { ::RemoveWindowSubclass(window_, Procedure, kSubclassId); }

LRESULT WindowSubclass::CallControl(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  auto* subclass = reinterpret_cast<WindowSubclass*>(self);
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(window, Procedure, kSubclassId);
    return ::DefSubclassProc(window, message, wParam, lParam);
  }
  try {
    if (const std::optional<LRESULT> result = subclass->handler_(message, wParam, lParam)) {
      return *result;
    }
  } catch (...) {
    subclass->errors_.HandleException();
    return 0;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace controls::win32
