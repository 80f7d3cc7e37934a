#pragma once
// Commands the GUI test host adds to the tray menu.
#include <windows.h>

namespace gui_test {

inline constexpr UINT kThrowDiskFullCommand = 290;
inline constexpr UINT kThrowStoppedCommand = 291;

}  // namespace gui_test
