#include "qvimage/image_block.h"

#include <gtest/gtest.h>

namespace vorafile::qvimage {
namespace {

TEST(ImageBlockTest, LaysOutHeaderTableAndPaddedRows) {
  ImageBlock block = AllocateImage(5, 3, 4, 16);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->biSize, 40u);
  EXPECT_EQ(block->biClrUsed, 16u);
  const ImageView view = ViewOwnImage(block);
  EXPECT_EQ(view.stride, 4u); // 5 pixels of 4 bits: 3 bytes, padded to 4
  EXPECT_EQ(view.pixels,
            reinterpret_cast<std::uint8_t *>(block.get()) + 40 + 16 * 4);
  EXPECT_EQ(block->biSizeImage, 12u);
}

TEST(ImageBlockTest, RefusesImpossibleShapes) {
  EXPECT_FALSE(AllocateImage(0, 1, 24, 0));
  EXPECT_FALSE(AllocateImage(1, kMaxDimension + 1, 24, 0));
  EXPECT_FALSE(AllocateImage(kMaxDimension, kMaxDimension, 24, 0));
  EXPECT_FALSE(AllocateImage(1, 1, 16, 0));
  EXPECT_FALSE(AllocateImage(1, 1, 4, 17));
  EXPECT_FALSE(AllocateImage(1, 1, 24, 1));
}

TEST(ImageBlockTest, ChecksBlocksHandedBack) {
  ImageBlock block = AllocateImage(4, 4, 8, 256);
  const ImageView own = ViewOwnImage(block);
  EXPECT_TRUE(ViewImage(block.get(), own.pixels));
  EXPECT_TRUE(ViewImage(block.get(), nullptr));
  EXPECT_FALSE(ViewImage(block.get(), own.pixels + 1));
  EXPECT_FALSE(ViewImage(nullptr, nullptr));
  // The caller can write to the header: a header that no longer fits the
  // block is refused.
  block->biHeight = 5;
  EXPECT_FALSE(ViewImage(block.get(), nullptr));
  block->biHeight = -4;
  EXPECT_FALSE(ViewImage(block.get(), nullptr));
  block->biHeight = 4;
  block->biBitCount = 32;
  EXPECT_FALSE(ViewImage(block.get(), nullptr));
  block->biBitCount = 8;
  // A biClrUsed past the table is cut to the table.
  block->biClrUsed = 100000;
  ASSERT_TRUE(ViewImage(block.get(), nullptr));
  EXPECT_EQ(ViewImage(block.get(), nullptr)->tableEntries, 256u);
}

TEST(ImageBlockTest, ReleasesOnlyItsOwnBlocks) {
  alignas(16) std::uint8_t foreign[64] = {};
  EXPECT_FALSE(ReleaseImage(foreign + 16));
  EXPECT_FALSE(ViewImage(foreign + 16, nullptr));
  EXPECT_FALSE(ReleaseImage(nullptr));
  ImageBlock block = AllocateImage(1, 1, 24, 0);
  EXPECT_TRUE(ReleaseImage(block.release()));
}

} // namespace
} // namespace vorafile::qvimage
