#pragma once
// Hands calls from worker threads to the user-interface thread through a hidden message-only window.
// The request is a window message (not a thread message), so the nested message loops of modal
// dialogs, message boxes and menus serve it too.
#include <windows.h>

#include <atomic>
#include <functional>

#include "platform/win32/gdi_owners.h"
#include "schedule/call_queue.h"
#include "schedule/tick_timer.h"

namespace schedule::win32 {

class WindowDispatcher final : public UiDispatcher {
 public:
  // Creates the message window; must run on the user-interface thread, which then serves the calls.
  WindowDispatcher();
  // Releases every caller still waiting (their calls do not run) and destroys the window.
  ~WindowDispatcher() override;
  WindowDispatcher(const WindowDispatcher&) = delete;
  WindowDispatcher& operator=(const WindowDispatcher&) = delete;

  // From the user-interface thread itself the call simply runs.
  bool RunAndWait(std::function<void()> call, const std::atomic<bool>& cancelled) override;
  void WakeWaiters() override { queue_.WakeWaiters(); }

  [[nodiscard]] HWND Handle() const { return window_.Get(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Wake();

  DWORD uiThread_;
  platform::win32::UniqueHwnd window_;
  CallQueue queue_;
};

}  // namespace schedule::win32
