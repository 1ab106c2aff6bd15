#include "qvimage/picture_codecs.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

namespace vorafile::qvimage {
namespace {

// A colour ramp, so that scaling and coding errors show.
ImageBlock MakeRamp(std::uint32_t width, std::uint32_t height) {
  ImageBlock block = AllocateImage(width, height, 24, 0);
  const ImageView view = ViewOwnImage(block);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t *pixel = view.Row(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(x * 255 / width);
      pixel[1] = static_cast<std::uint8_t>(y * 255 / height);
      pixel[2] = 128;
    }
  return block;
}

std::vector<std::uint8_t> EncodeRamp(std::uint32_t width,
                                     std::uint32_t height) {
  ImageBlock block = MakeRamp(width, height);
  std::optional<std::vector<std::uint8_t>> jpeg =
      EncodeJpeg(ViewOwnImage(block), 90);
  return jpeg ? *jpeg : std::vector<std::uint8_t>{};
}

TEST(JpegCodecTest, RoundTripKeepsSizeOrientationAndColours) {
  const std::vector<std::uint8_t> jpeg = EncodeRamp(64, 48);
  ASSERT_FALSE(jpeg.empty());
  ImageBlock block = DecodeJpeg(jpeg);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->biWidth, 64);
  EXPECT_EQ(block->biHeight, 48);
  EXPECT_EQ(block->biBitCount, 24);
  ImageBlock original = MakeRamp(64, 48);
  const ImageView a = ViewOwnImage(original);
  const ImageView b = ViewOwnImage(block);
  for (std::uint32_t y : {0u, 20u, 47u})
    for (std::uint32_t x : {0u, 30u, 63u})
      for (std::uint32_t c = 0; c < 3; ++c)
        EXPECT_NEAR(a.Row(y)[3 * x + c], b.Row(y)[3 * x + c], 8)
            << x << "," << y << "," << c;
}

TEST(JpegCodecTest, DctScalingNeverGoesBelowTheWantedSize) {
  const std::vector<std::uint8_t> jpeg = EncodeRamp(1600, 1200);
  struct Case {
    std::uint32_t minWidth, minHeight;
    std::int32_t width, height;
  };
  for (const Case &c : {Case{0, 0, 1600, 1200}, Case{640, 480, 800, 600},
                        Case{200, 150, 200, 150}, Case{100, 10, 200, 150},
                        Case{4000, 10, 1600, 1200}, Case{601, 1, 800, 600}}) {
    ImageBlock block = DecodeJpeg(jpeg, c.minWidth, c.minHeight);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->biWidth, c.width) << c.minWidth << "x" << c.minHeight;
    EXPECT_EQ(block->biHeight, c.height) << c.minWidth << "x" << c.minHeight;
  }
}

TEST(JpegCodecTest, GreyPicturesGiveEightBitsWithAGreyTable) {
  // Our writer always writes colour; a grey file comes from TurboJPEG.
  std::vector<std::uint8_t> levels(16 * 8);
  for (std::size_t i = 0; i < levels.size(); ++i)
    levels[i] = static_cast<std::uint8_t>(i * 2);
  tjhandle handle = tjInitCompress();
  ASSERT_NE(handle, nullptr);
  unsigned char *jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(handle, levels.data(), 16, 16, 8, TJPF_GRAY, &jpeg,
                        &size, TJSAMP_GRAY, 100, 0),
            0);
  ImageBlock block = DecodeJpeg(Bytes(jpeg, size));
  tjFree(jpeg);
  tjDestroy(handle);
  ASSERT_TRUE(block);
  const ImageView view = ViewOwnImage(block);
  EXPECT_EQ(view.bitCount, 8);
  EXPECT_EQ(view.tableEntries, 256u);
  EXPECT_EQ(view.table[200].rgbRed, 200);
  // The top row of the source is the last row of the block.
  EXPECT_NEAR(view.Row(7)[5], levels[5], 2);
  EXPECT_NEAR(view.Row(0)[5], levels[7 * 16 + 5], 2);
}

TEST(JpegCodecTest, EveryTruncationFails) {
  const std::vector<std::uint8_t> jpeg = EncodeRamp(32, 16);
  for (std::size_t size = 0; size < jpeg.size(); ++size)
    EXPECT_FALSE(DecodeJpeg(Bytes(jpeg.data(), size))) << size;
}

TEST(JpegCodecTest, RefusesHugeDeclaredSizes) {
  std::vector<std::uint8_t> jpeg = EncodeRamp(16, 16);
  // The SOF0 marker: FF C0, length (2), precision (1), height (2), width (2).
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {
      jpeg[i + 5] = 0xff; // height 65535
      jpeg[i + 6] = 0xff;
      jpeg[i + 7] = 0xff; // width 65535
      jpeg[i + 8] = 0xff;
      break;
    }
  }
  EXPECT_FALSE(DecodeJpeg(jpeg));
}

} // namespace
} // namespace vorafile::qvimage
