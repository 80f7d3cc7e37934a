#include "controls/win32/glyph.h"

#include <cstring>
#include <vector>

#include "controls/glyph_masks.h"
#include "platform/win32/message_handler.h"

namespace controls::win32 {
namespace {

// Where the monochrome source is 0 the brush is painted, where it is 1 the destination stays.
constexpr DWORD kRopPaintBrushThroughMask = 0x00B8074A;

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

TGlyph::TGlyph(int resourceId) {
  UniqueBitmap loaded(static_cast<HBITMAP>(
      ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!loaded) {
    return;
  }
  BITMAP bm{};
  ::GetObjectA(loaded.Get(), sizeof bm, &bm);
  GlyphPixels glyph{bm.bmWidth, bm.bmHeight, std::vector<std::uint32_t>(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight)};
  BITMAPINFO info = TopDown32(bm.bmWidth, bm.bmHeight);
  HDC screen = ::GetDC(nullptr);
  const int rows = ::GetDIBits(screen, loaded.Get(), 0, static_cast<UINT>(bm.bmHeight), glyph.pixels.data(), &info,
                               DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (rows != bm.bmHeight) {
    return;
  }
  const GlyphMasks masks = MakeGlyphMasks(glyph);

  void* bits = nullptr;
  info = TopDown32(bm.bmWidth, bm.bmHeight);
  image_.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!image_ || bits == nullptr) {
    image_.Reset();
    return;
  }
  std::memcpy(bits, masks.opaquePixels.data(), masks.opaquePixels.size() * sizeof(std::uint32_t));
  transparency_.Reset(::CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, masks.transparency.data()));
  greyed_.Reset(::CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, masks.greyed.data()));
  size_ = SIZE{bm.bmWidth, bm.bmHeight};
}

void TGlyph::Draw(HDC dc, int x, int y) const {
  if (Empty()) {
    return;
  }
  UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
  {
    SelectedObject mask(memory.Get(), transparency_.Get());
    ::BitBlt(dc, x, y, size_.cx, size_.cy, memory.Get(), 0, 0, SRCAND);
  }
  {
    SelectedObject image(memory.Get(), image_.Get());
    ::BitBlt(dc, x, y, size_.cx, size_.cy, memory.Get(), 0, 0, SRCPAINT);
  }
  ::SetBkColor(dc, oldBack);
  ::SetTextColor(dc, oldText);
}

void TGlyph::DrawGreyed(HDC dc, int x, int y) const {
  if (Empty()) {
    return;
  }
  BlitMask(dc, x + 1, y + 1, greyed_.Get(), COLOR_BTNHIGHLIGHT);
  BlitMask(dc, x, y, greyed_.Get(), COLOR_BTNSHADOW);
}

void TGlyph::BlitMask(HDC dc, int x, int y, HBITMAP mask, int colorIndex) const {
  UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  SelectedObject selectedMask(memory.Get(), mask);
  SelectedObject brush(dc, ::GetSysColorBrush(colorIndex));
  const COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
  ::BitBlt(dc, x, y, size_.cx, size_.cy, memory.Get(), 0, 0, kRopPaintBrushThroughMask);
  ::SetBkColor(dc, oldBack);
  ::SetTextColor(dc, oldText);
}

}  // namespace controls::win32
