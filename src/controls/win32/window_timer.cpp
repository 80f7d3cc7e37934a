#include "controls/win32/window_timer.h"

namespace controls::win32 {

WindowTimer::WindowTimer(HWND window, UINT_PTR id, UINT intervalMs) : window_(window), id_(id), intervalMs_(intervalMs) {}

WindowTimer::~WindowTimer() { Stop(); }

void WindowTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) {
    return;
  }
  enabled_ = enabled;
  if (enabled_) {
    Start();
  } else {
    Stop();
  }
}

void WindowTimer::SetInterval(UINT intervalMs) {
  if (intervalMs == intervalMs_) {
    return;
  }
  intervalMs_ = intervalMs;
  if (enabled_) {
    Start();
  }
}

void WindowTimer::Start() {
  if (intervalMs_ == 0) {
    Stop();
    return;
  }
  ::SetTimer(window_, id_, intervalMs_, nullptr);
}

void WindowTimer::Stop() { ::KillTimer(window_, id_); }

}  // namespace controls::win32
