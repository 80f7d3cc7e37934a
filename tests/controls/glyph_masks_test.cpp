#include "controls/glyph_masks.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kOlive = 0x808000;
constexpr std::uint32_t kGreen = 0x007800;
constexpr std::uint32_t kWhite = 0xFFFFFF;

bool Bit(const std::vector<std::uint8_t>& mask, int width, int x, int y) {
  const auto index = static_cast<std::size_t>(y * controls::MonoRowBytes(width) + x / 8);
  return (mask[index] & (0x80u >> (x % 8))) != 0;
}

TEST(GlyphMasksTest, LowerLeftColourIsTransparentAndDarkPixelsMakeTheGreyedPicture) {
  // 3 x 2, top row first: the lower-left pixel (olive) names the transparent colour.
  controls::GlyphPixels glyph{3, 2, {kGreen, kOlive, kWhite, kOlive, kGreen, 0xFF808000}};
  const controls::GlyphMasks masks = controls::MakeGlyphMasks(glyph);
  ASSERT_EQ(masks.transparency.size(), 4u);  // two rows of 16 bits
  // 1 = background stays.
  EXPECT_FALSE(Bit(masks.transparency, 3, 0, 0));
  EXPECT_TRUE(Bit(masks.transparency, 3, 1, 0));
  EXPECT_FALSE(Bit(masks.transparency, 3, 2, 0));
  EXPECT_TRUE(Bit(masks.transparency, 3, 0, 1));
  EXPECT_FALSE(Bit(masks.transparency, 3, 1, 1));
  EXPECT_TRUE(Bit(masks.transparency, 3, 2, 1)) << "the unused top byte does not make a colour differ";
  // White highlights stay out of the greyed picture; green is drawn.
  EXPECT_FALSE(Bit(masks.greyed, 3, 0, 0));
  EXPECT_TRUE(Bit(masks.greyed, 3, 2, 0));
  EXPECT_FALSE(Bit(masks.greyed, 3, 1, 1));
  // Transparent pixels become black so that OR-ing the picture in leaves the background.
  EXPECT_EQ(masks.opaquePixels, (std::vector<std::uint32_t>{kGreen, 0, kWhite, 0, kGreen, 0}));
}

TEST(GlyphMasksTest, RowsArePaddedToSixteenBitsAndPaddingKeepsTheBackground) {
  for (int width : {1, 15, 16, 17}) {
    controls::GlyphPixels glyph{width, 2, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * 2, kGreen)};
    glyph.pixels[static_cast<std::size_t>(width)] = kOlive;  // lower-left
    const controls::GlyphMasks masks = controls::MakeGlyphMasks(glyph);
    const int rowBytes = controls::MonoRowBytes(width);
    EXPECT_EQ(rowBytes % 2, 0);
    ASSERT_EQ(masks.transparency.size(), static_cast<std::size_t>(rowBytes * 2)) << width;
    for (int x = width; x < rowBytes * 8; ++x) {
      EXPECT_TRUE(Bit(masks.transparency, width, x, 0)) << "width " << width << " padding bit " << x;
    }
    EXPECT_FALSE(Bit(masks.transparency, width, width - 1, 0)) << width;
  }
}

TEST(GlyphMasksTest, GarbledSizesGiveEmptyMasks) {
  EXPECT_TRUE(controls::MakeGlyphMasks({0, 0, {}}).transparency.empty());
  EXPECT_TRUE(controls::MakeGlyphMasks({4, 4, std::vector<std::uint32_t>(15)}).transparency.empty());
  EXPECT_TRUE(controls::MakeGlyphMasks({-1, 4, {}}).transparency.empty());
}

}  // namespace
