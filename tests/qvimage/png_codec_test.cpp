#include "qvimage/picture_codecs.h"

#include <gtest/gtest.h>

namespace vorafile::qvimage {
namespace {

TEST(PngCodecTest, RoundTripIsExactForEveryDepth) {
  for (std::uint16_t bits :
       {std::uint16_t{8}, std::uint16_t{24}, std::uint16_t{32}}) {
    SCOPED_TRACE(bits);
    ImageBlock block = AllocateImage(5, 3, bits, bits == 8 ? 256 : 0);
    if (bits == 8)
      FillGreyTable(TableOf(block.get()), 256);
    const ImageView view = ViewOwnImage(block);
    for (std::uint32_t y = 0; y < 3; ++y)
      for (std::size_t k = 0; k < view.stride; ++k)
        view.Row(y)[k] = static_cast<std::uint8_t>(y * 50 + k * 7);
    std::optional<std::vector<std::uint8_t>> png = EncodePng(view);
    ASSERT_TRUE(png);
    EXPECT_EQ(SniffPictureKind(*png), PictureKind::kPng);
    ImageBlock back = DecodePng(*png);
    ASSERT_TRUE(back);
    // Grey tables are written as colour: they come back as 24 bits.
    const ImageView read = ViewOwnImage(back);
    EXPECT_EQ(read.bitCount, bits == 32 ? 32 : 24);
    std::vector<std::uint8_t> expected(15);
    std::vector<std::uint8_t> actual(15);
    for (std::uint32_t y = 0; y < 3; ++y) {
      ExpandRowToBgr(view, y, expected.data());
      ExpandRowToBgr(read, y, actual.data());
      EXPECT_EQ(actual, expected) << y;
      if (bits == 32) {
        EXPECT_EQ(read.Row(y)[3], view.Row(y)[3]); // alpha kept
      }
    }
  }
}

TEST(PngCodecTest, EveryTruncationFails) {
  ImageBlock block = AllocateImage(9, 7, 24, 0);
  std::optional<std::vector<std::uint8_t>> png = EncodePng(ViewOwnImage(block));
  ASSERT_TRUE(png);
  // Up to the closing IEND chunk (12 bytes), which libpng does not insist
  // on once the pixels are whole.
  constexpr std::size_t kIendSize = 12;
  for (std::size_t size = 0; size < png->size() - kIendSize; ++size)
    EXPECT_FALSE(DecodePng(Bytes(png->data(), size))) << size;
  EXPECT_TRUE(DecodePng(*png));
}

} // namespace
} // namespace vorafile::qvimage
