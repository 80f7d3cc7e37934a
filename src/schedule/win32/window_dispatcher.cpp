#include "schedule/win32/window_dispatcher.h"

#include <stdexcept>
#include <utility>

namespace schedule::win32 {
namespace {

constexpr char kClassName[] = "DumpwardenDispatcher";
constexpr UINT kRunRequests = WM_APP + 0x51;

void RegisterDispatcherClass(WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClassName;
  // A second registration fails with ERROR_CLASS_ALREADY_EXISTS, which is fine.
  ::RegisterClassExA(&windowClass);
}

}  // namespace

WindowDispatcher::WindowDispatcher() : uiThread_(::GetCurrentThreadId()), queue_([this] { return Wake(); }) {
  RegisterDispatcherClass(&WindowDispatcher::WindowProc);
  window_.Reset(::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr));
  if (!window_) {
    throw std::runtime_error("Unable to create the clock's message window");
  }
  ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WindowDispatcher::~WindowDispatcher() {
  queue_.Close();
  ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, 0);
  window_.Reset();
}

bool WindowDispatcher::RunAndWait(std::function<void()> call, const std::atomic<bool>& cancelled) {
  if (::GetCurrentThreadId() == uiThread_) {
    // Waiting for our own thread would never end; the user-interface thread may just run the call.
    if (cancelled) {
      return false;
    }
    call();
    return true;
  }
  return queue_.RunAndWait(std::move(call), cancelled);
}

bool WindowDispatcher::Wake() {
  // Posted to the window, not to the thread, so that modal message loops dispatch it too.
  return ::PostMessageA(window_.Get(), kRunRequests, 0, 0) != FALSE;
}

LRESULT CALLBACK WindowDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunRequests) {
    auto* self = reinterpret_cast<WindowDispatcher*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) {
      self->queue_.RunPending();  // keeps every exception for its caller
    }
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace schedule::win32
