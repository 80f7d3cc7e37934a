#pragma once
// A small button picture from the program's resources, drawn with its transparent colour left out,
// either as it is or greyed (embossed) for a disabled button that has no picture of its own for that.
#include <windows.h>

#include "controls/win32/win_handles.h"

namespace controls::win32 {

class TGlyph {
 public:
  TGlyph() = default;
  // Loads bitmap resource `resourceId`; an empty glyph when it is missing.
  explicit TGlyph(int resourceId);

  [[nodiscard]] bool Empty() const { return !image_; }
  [[nodiscard]] SIZE Size() const { return size_; }
  void Draw(HDC dc, int x, int y) const;
  void DrawGreyed(HDC dc, int x, int y) const;

 private:
  void BlitMask(HDC dc, int x, int y, HBITMAP mask, int colorIndex) const;

  SIZE size_{0, 0};
  UniqueBitmap image_;
  UniqueBitmap transparency_;
  UniqueBitmap greyed_;
};

}  // namespace controls::win32
