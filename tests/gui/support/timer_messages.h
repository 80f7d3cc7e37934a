#pragma once
// Counts the WM_TIMER messages that this thread's message loop takes for one window, through a
// WH_GETMESSAGE hook: what a timer costs an idle program is its wake-ups, whoever set it.
#include <windows.h>

namespace gui_test {

class TimerMessages {
 public:
  explicit TimerMessages(HWND window);
  TimerMessages(const TimerMessages&) = delete;
  TimerMessages& operator=(const TimerMessages&) = delete;
  ~TimerMessages();

  [[nodiscard]] int Count() const { return count_; }
  void Reset() { count_ = 0; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

  HWND window_;
  int count_ = 0;
  HHOOK hook_;
};

}  // namespace gui_test
