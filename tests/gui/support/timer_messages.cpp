#include "support/timer_messages.h"

#include <stdexcept>

namespace gui_test {
namespace {

TimerMessages* active = nullptr;  // one counter at a time: the hook has no context of its own

}  // namespace

TimerMessages::TimerMessages(HWND window)
    : window_(window), hook_(::SetWindowsHookExA(WH_GETMESSAGE, Hook, nullptr, ::GetCurrentThreadId())) {
  if (hook_ == nullptr || active != nullptr) {
    if (hook_ != nullptr) {
      ::UnhookWindowsHookEx(hook_);
    }
    throw std::runtime_error("cannot count timer messages");
  }
  active = this;
}

TimerMessages::~TimerMessages() {
  ::UnhookWindowsHookEx(hook_);
  active = nullptr;
}

LRESULT CALLBACK TimerMessages::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && active != nullptr) {
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (message.message == WM_TIMER && message.hwnd == active->window_) {
      ++active->count_;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace gui_test
