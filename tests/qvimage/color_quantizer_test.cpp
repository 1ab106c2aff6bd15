#include "qvimage/image_transforms.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace vorafile::qvimage {
namespace {

// A smooth colour field with many distinct colours.
ImageBlock MakeField(std::uint32_t width, std::uint32_t height) {
  ImageBlock block = AllocateImage(width, height, 24, 0);
  const ImageView view = ViewOwnImage(block);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t *pixel = view.Row(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(x * 255 / width);
      pixel[1] = static_cast<std::uint8_t>(y * 255 / height);
      pixel[2] = static_cast<std::uint8_t>((x + y) * 127 / (width + height));
    }
  return block;
}

std::set<std::uint32_t> IndicesUsed(const ImageBlock &block) {
  const ImageView view = ViewOwnImage(block);
  std::set<std::uint32_t> used;
  for (std::uint32_t y = 0; y < view.height; ++y)
    for (std::uint32_t x = 0; x < view.width; ++x) {
      const std::uint8_t byte = view.Row(y)[x * view.bitCount / 8];
      switch (view.bitCount) {
      case 1:
        used.insert((byte >> (7 - x % 8)) & 1u);
        break;
      case 4:
        used.insert((x % 2 ? byte : byte >> 4) & 0xfu);
        break;
      default:
        used.insert(byte);
      }
    }
  return used;
}

TEST(ColorQuantizerTest, UsesAtMostTheAskedColoursAtTheSmallestDepth) {
  ImageBlock field = MakeField(64, 64);
  struct Case {
    std::uint32_t colours;
    std::uint16_t bits;
  };
  for (const Case &c : {Case{1, 1}, Case{2, 1}, Case{3, 4}, Case{16, 4},
                        Case{17, 8}, Case{200, 8}, Case{256, 8}}) {
    SCOPED_TRACE(c.colours);
    ImageBlock out = QuantizeMedianCut(ViewOwnImage(field), c.colours);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->biBitCount, c.bits);
    EXPECT_EQ(out->biClrUsed, c.colours); // the field has colours to spare
    const std::set<std::uint32_t> used = IndicesUsed(out);
    EXPECT_EQ(used.size(), c.colours);
    EXPECT_LT(*used.rbegin(), c.colours);
  }
}

TEST(ColorQuantizerTest, KeepsAFewColoursExactly) {
  const std::uint8_t colours[4][3] = {
      {0, 0, 0}, {255, 0, 0}, {10, 200, 30}, {250, 250, 250}};
  ImageBlock block = AllocateImage(4, 4, 24, 0);
  const ImageView view = ViewOwnImage(block);
  for (std::uint32_t y = 0; y < 4; ++y)
    for (std::uint32_t x = 0; x < 4; ++x)
      std::copy_n(colours[(x + y) % 4], 3, view.Row(y) + 3 * x);
  ImageBlock out = QuantizeMedianCut(view, 16);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->biClrUsed, 4u);
  const ImageView result = ViewOwnImage(out);
  std::vector<std::uint8_t> row(12);
  for (std::uint32_t y = 0; y < 4; ++y) {
    ExpandRowToBgr(result, y, row.data());
    for (std::uint32_t x = 0; x < 4; ++x)
      EXPECT_TRUE(std::equal(row.data() + 3 * x, row.data() + 3 * x + 3,
                             colours[(x + y) % 4]))
          << x << "," << y;
  }
}

TEST(ColorQuantizerTest, RefusesOtherDepthsAndCounts) {
  ImageBlock field = MakeField(4, 4);
  EXPECT_FALSE(QuantizeMedianCut(ViewOwnImage(field), 0));
  EXPECT_FALSE(QuantizeMedianCut(ViewOwnImage(field), 257));
  ImageBlock wide = AllocateImage(4, 4, 32, 0);
  EXPECT_FALSE(QuantizeMedianCut(ViewOwnImage(wide), 16));
}

} // namespace
} // namespace vorafile::qvimage
