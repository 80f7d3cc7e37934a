#include "controls/glyph_masks.h"

#include <cstddef>

namespace controls {
namespace {

// Pixels at least this light stay out of the greyed picture, so that highlights do not smear it.
constexpr unsigned kGreyedLumaLimit = 192;

unsigned Luma(std::uint32_t rgb) {
  const unsigned r = (rgb >> 16) & 0xFF;
  const unsigned g = (rgb >> 8) & 0xFF;
  const unsigned b = rgb & 0xFF;
  return (r * 299 + g * 587 + b * 114) / 1000;
}

void ClearBit(std::vector<std::uint8_t>& mask, int rowBytes, int x, int y) {
  const std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes) + static_cast<std::size_t>(x / 8);
  mask[index] = static_cast<std::uint8_t>(mask[index] & ~(0x80u >> (x % 8)));
}

}  // namespace

GlyphMasks MakeGlyphMasks(const GlyphPixels& glyph) {
  GlyphMasks masks;
  if (glyph.width <= 0 || glyph.height <= 0 ||
      glyph.pixels.size() != static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height)) {
    return masks;
  }
  const int rowBytes = MonoRowBytes(glyph.width);
  const std::size_t maskBytes = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(glyph.height);
  masks.transparency.assign(maskBytes, 0xFF);
  masks.greyed.assign(maskBytes, 0xFF);
  masks.opaquePixels = glyph.pixels;

  const std::uint32_t transparent = glyph.pixels[static_cast<std::size_t>(glyph.height - 1) * static_cast<std::size_t>(glyph.width)] & 0xFFFFFF;
  for (int y = 0; y < glyph.height; ++y) {
    for (int x = 0; x < glyph.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(glyph.width) + static_cast<std::size_t>(x);
      const std::uint32_t rgb = glyph.pixels[at] & 0xFFFFFF;
      if (rgb == transparent) {
        masks.opaquePixels[at] = 0;
        continue;
      }
      masks.opaquePixels[at] = rgb;
      ClearBit(masks.transparency, rowBytes, x, y);
      if (Luma(rgb) < kGreyedLumaLimit) {
        ClearBit(masks.greyed, rowBytes, x, y);
      }
    }
  }
  return masks;
}

}  // namespace controls
