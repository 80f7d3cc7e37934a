#pragma once
// Commands the GUI test host adds to the tray menu.
#include <windows.h>

namespace gui_test {

inline constexpr UINT kThrowDiskFullCommand = 290;
inline constexpr UINT kThrowStoppedCommand = 291;

// The host's window that shows the last balloon as its caption ("balloons" word).
inline constexpr char kBalloonLogClass[] = "DwBalloonLog";
inline void RegisterBalloonLogClass() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = ::DefWindowProcA;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kBalloonLogClass;
  ::RegisterClassExA(&windowClass);
}

}  // namespace gui_test
