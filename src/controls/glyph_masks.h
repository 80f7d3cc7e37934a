#pragma once
// Masks for drawing a button glyph: the glyph's transparent colour is the colour of its lower-left
// pixel; the greyed look of a disabled button without its own disabled picture is drawn from the
// glyph's darker pixels.
#include <cstdint>
#include <vector>

namespace controls {

// 0x00RRGGBB pixels, top row first.
struct GlyphPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Monochrome bitmaps as CreateBitmap takes them: rows padded to 16 bits, leftmost pixel in the
// highest bit, a 1 bit keeps the background and a 0 bit is drawn.
struct GlyphMasks {
  std::vector<std::uint8_t> transparency;  // 0 where the glyph is opaque
  std::vector<std::uint8_t> greyed;        // 0 where the greyed picture is drawn
  std::vector<std::uint32_t> opaquePixels;  // the pixels with transparent ones made black, for OR-ing in
};

GlyphMasks MakeGlyphMasks(const GlyphPixels& glyph);

// Bytes per row of a monochrome bitmap of this width.
[[nodiscard]] constexpr int MonoRowBytes(int width) { return (width + 15) / 16 * 2; }

}  // namespace controls
