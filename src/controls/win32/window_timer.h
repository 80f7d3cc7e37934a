#pragma once
// A message-driven timer on a window (WM_TIMER with this timer's id), so it fires inside the message
// loop and inside modal loops too. Killed when disabled and when the object goes.
#include <windows.h>

namespace controls::win32 {

class WindowTimer {
 public:
  WindowTimer(HWND window, UINT_PTR id, UINT intervalMs);
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  ~WindowTimer();

  [[nodiscard]] UINT_PTR Id() const { return id_; }
  [[nodiscard]] bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  [[nodiscard]] UINT Interval() const { return intervalMs_; }
  // Restarts the timer with the new interval when it is running.
  void SetInterval(UINT intervalMs);

 private:
  void Start();
  void Stop();

  HWND window_;
  UINT_PTR id_;
  UINT intervalMs_;
  bool enabled_ = false;
};

}  // namespace controls::win32
