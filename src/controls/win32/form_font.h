#pragma once
// The font every form of the program uses: MS Sans Serif, height -11 (8 points at 96 dpi).
#include <windows.h>

#include "controls/win32/win_handles.h"

namespace controls::win32 {

inline UniqueFont MakeFormFont(int weight) {
  return UniqueFont(::CreateFontA(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

}  // namespace controls::win32
