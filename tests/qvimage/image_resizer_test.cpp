#include "qvimage/image_transforms.h"

#include <gtest/gtest.h>

namespace vorafile::qvimage {
namespace {

ImageBlock
MakeImage(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
          std::uint8_t (*value)(std::uint32_t, std::uint32_t, std::uint32_t)) {
  ImageBlock block = AllocateImage(width, height, bits, 0);
  const ImageView view = ViewOwnImage(block);
  const std::uint32_t channels = bits / 8;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint32_t c = 0; c < channels; ++c)
        view.Row(y)[x * channels + c] = value(x, y, c);
  return block;
}

std::uint8_t At(const ImageBlock &block, std::uint32_t x, std::uint32_t y,
                std::uint32_t c) {
  const ImageView view = ViewOwnImage(block);
  return view.Row(y)[x * (view.bitCount / 8) + c];
}

TEST(ImageResizerTest, FlatColourStaysFlatAtAnySize) {
  ImageBlock flat = MakeImage(37, 23, 24, [](auto, auto, std::uint32_t c) {
    return static_cast<std::uint8_t>(c == 0 ? 17 : c == 1 ? 128 : 255);
  });
  for (auto [w, h] :
       {std::pair{1u, 1u}, {10u, 7u}, {37u, 23u}, {100u, 5u}, {3u, 90u}}) {
    ImageBlock out = ResizeToExactly(ViewOwnImage(flat), w, h);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->biWidth, static_cast<std::int32_t>(w));
    EXPECT_EQ(out->biHeight, static_cast<std::int32_t>(h));
    for (std::uint32_t y = 0; y < h; ++y)
      for (std::uint32_t x = 0; x < w; ++x) {
        ASSERT_EQ(At(out, x, y, 0), 17);
        ASSERT_EQ(At(out, x, y, 1), 128);
        ASSERT_EQ(At(out, x, y, 2), 255);
      }
  }
}

TEST(ImageResizerTest, ShrinkingAveragesAreas) {
  // A checkerboard of 0 and 200 halves to a flat 100.
  ImageBlock checker = MakeImage(8, 6, 24, [](auto x, auto y, auto) {
    return static_cast<std::uint8_t>((x + y) % 2 ? 200 : 0);
  });
  ImageBlock half = ResizeToExactly(ViewOwnImage(checker), 4, 3);
  ASSERT_TRUE(half);
  for (std::uint32_t y = 0; y < 3; ++y)
    for (std::uint32_t x = 0; x < 4; ++x)
      EXPECT_EQ(At(half, x, y, 1), 100);
  // Three columns into two: thirds overlap (0, 90, 180 -> 30, 150).
  ImageBlock ramp = MakeImage(3, 1, 24, [](auto x, auto, auto) {
    return static_cast<std::uint8_t>(x * 90);
  });
  ImageBlock two = ResizeToExactly(ViewOwnImage(ramp), 2, 1);
  EXPECT_EQ(At(two, 0, 0, 0), 30);
  EXPECT_EQ(At(two, 1, 0, 0), 150);
}

TEST(ImageResizerTest, EnlargingInterpolatesBetweenCentres) {
  ImageBlock pair = MakeImage(2, 1, 32, [](auto x, auto, auto c) {
    return static_cast<std::uint8_t>(c == 3 ? 255 : x * 100);
  });
  ImageBlock four = ResizeToExactly(ViewOwnImage(pair), 4, 2);
  ASSERT_TRUE(four);
  EXPECT_EQ(four->biBitCount, 32);
  // Output centres at source 0.25 steps from -0.25: 0, 25, 75, 100.
  const std::uint8_t expected[] = {0, 25, 75, 100};
  for (std::uint32_t y = 0; y < 2; ++y)
    for (std::uint32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(At(four, x, y, 0), expected[x]) << x;
      EXPECT_EQ(At(four, x, y, 3), 255);
    }
}

TEST(ImageResizerTest, IndexedSourcesGiveTwentyFourBits) {
  ImageBlock indexed = AllocateImage(2, 2, 8, 2);
  TableOf(indexed.get())[1] = RGBQUAD{10, 20, 30, 0};
  ViewOwnImage(indexed).Row(0)[0] = 1;
  ImageBlock out = ResizeToExactly(ViewOwnImage(indexed), 2, 2);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->biBitCount, 24);
  EXPECT_EQ(At(out, 0, 0, 0), 10);
  EXPECT_EQ(At(out, 0, 0, 2), 30);
  EXPECT_EQ(At(out, 1, 0, 0), 0);
}

TEST(ImageResizerTest, RefusesImpossibleSizes) {
  ImageBlock small = AllocateImage(2, 2, 24, 0);
  EXPECT_FALSE(ResizeToExactly(ViewOwnImage(small), 0, 5));
  EXPECT_FALSE(ResizeToExactly(ViewOwnImage(small), 5, 0));
  EXPECT_FALSE(ResizeToExactly(ViewOwnImage(small), kMaxDimension + 1, 1));
  EXPECT_FALSE(ResizeToExactly(ViewOwnImage(small), 65535, 65535));
}

} // namespace
} // namespace vorafile::qvimage
