#include "imaging/picture_service.h"

#include "imaging/picture_samples.h"
#include "qvimage/image_block.h"
#include "qvimage/picture_codecs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorafile::imaging {
namespace {

using test::BmpSample;
using test::CodecInstallation;
using test::MakeBmp;
using test::MakeFlatBmp;
using test::TempDir;

constexpr PictureLimits kVga{640, 480};

TEST(ConvertedPicturePathTest, TakesTheBaseNameIntoTheWorkingFolder) {
  EXPECT_EQ(ConvertedPicturePath("W/", "C:\\pics\\sun.set.png"),
            "W/sun.set.jpg");
  EXPECT_EQ(ConvertedPicturePath("W/", "/home/a/moon.bmp"), "W/moon.jpg");
  EXPECT_EQ(ConvertedPicturePath("W/", "mixed/dir\\star"), "W/star.jpg");
  EXPECT_EQ(ConvertedPicturePath("W/", "dotted.dir/plain"), "W/plain.jpg");
  // The longest path that fits the host's 260-character buffer.
  const std::string folder(250, 'w');
  EXPECT_EQ(ConvertedPicturePath(folder, "x/abcde.bmp")->size(), 259u);
  EXPECT_FALSE(ConvertedPicturePath(folder, "x/abcdef.bmp"));
}

TEST(ExceedsLimitsTest, ComparesEachSideUnsigned) {
  BITMAPINFOHEADER header{};
  header.biWidth = 640;
  header.biHeight = 480;
  EXPECT_FALSE(ExceedsLimits(header, kVga));
  header.biWidth = 641;
  EXPECT_TRUE(ExceedsLimits(header, kVga));
  header.biWidth = 640;
  header.biHeight = 481;
  EXPECT_TRUE(ExceedsLimits(header, kVga));
  // A top-down height is a huge unsigned number.
  header.biHeight = -10;
  EXPECT_TRUE(ExceedsLimits(header, kVga));
}

class PictureServiceTest : public ::testing::Test {
protected:
  TempDir dir_;
  CodecInstallation installation_{dir_};
  std::unique_ptr<PictureService> pictures_ =
      installation_.MakePictureService();
  const ImageCodec &codec_ = pictures_->Codec();
  std::string work_ =
      dir_.folder() + "work" +
      std::string(1, std::filesystem::path::preferred_separator);

  void SetUp() override { std::filesystem::create_directory(work_); }

  // Decodes a file with a separate codec and answers its size.
  std::pair<std::int32_t, std::int32_t> SizeOf(const std::string &path) {
    std::unique_ptr<ImageCodec> reader = installation_.MakeCodec();
    if (!reader->Load() || !reader->Decode(path))
      return {0, 0};
    return {reader->Image()->biWidth, reader->Image()->biHeight};
  }
};

TEST_F(PictureServiceTest, ConvertKeepsAPictureThatFits) {
  if (!CodecInstallation::HasJpeg())
    GTEST_SKIP() << "codec built without JPEG";
  dir_.write("small.bmp", MakeFlatBmp(100, 80));
  ASSERT_TRUE(pictures_->Convert(dir_.file("small.bmp"), kVga, work_));
  EXPECT_EQ(pictures_->ConvertedPath(), work_ + "small.jpg");
  EXPECT_EQ(SizeOf(pictures_->ConvertedPath()), std::make_pair(100, 80));
  // The encoded image stays current.
  EXPECT_TRUE(codec_.HasImage());
}

TEST_F(PictureServiceTest, ConvertResizesToExactlyTheLimits) {
  if (!CodecInstallation::HasJpeg())
    GTEST_SKIP() << "codec built without JPEG";
  struct Case {
    std::uint32_t width, height, outWidth, outHeight;
  };
  for (const Case &c : {Case{1024, 768, 640, 480}, Case{640, 480, 640, 480},
                        Case{641, 480, 640, 480}, Case{640, 481, 640, 480},
                        Case{2000, 60, 640, 480}, Case{639, 479, 639, 479}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    dir_.write("p.bmp", MakeFlatBmp(c.width, c.height));
    ASSERT_TRUE(pictures_->Convert(dir_.file("p.bmp"), kVga, work_));
    EXPECT_EQ(SizeOf(pictures_->ConvertedPath()),
              std::make_pair(static_cast<std::int32_t>(c.outWidth),
                             static_cast<std::int32_t>(c.outHeight)));
  }
}

TEST_F(PictureServiceTest, ConvertOfALargeJpegGivesTheSameSize) {
#ifndef QVIMAGE_WITH_JPEG
  GTEST_SKIP() << "codec built without JPEG";
#else
  if (!CodecInstallation::HasJpeg())
    GTEST_SKIP() << "codec built without JPEG";
  // 2600 x 1900: the decoder may scale by 1/4 (650 x 475) only in width,
  // so it must stay at 1/2 or more; the result is exactly the limits.
  qvimage::ImageBlock block = qvimage::AllocateImage(2600, 1900, 24, 0);
  ASSERT_TRUE(block);
  std::optional<std::vector<std::uint8_t>> jpeg =
      qvimage::EncodeJpeg(qvimage::ViewOwnImage(block), 90);
  ASSERT_TRUE(jpeg);
  std::ofstream(dir_.file("big.JPG"), std::ios::binary)
      .write(reinterpret_cast<const char *>(jpeg->data()),
             static_cast<std::streamsize>(jpeg->size()));
  ASSERT_TRUE(pictures_->Convert(dir_.file("big.JPG"), kVga, work_));
  EXPECT_EQ(pictures_->ConvertedPath(), work_ + "big.jpg");
  EXPECT_EQ(SizeOf(pictures_->ConvertedPath()), std::make_pair(640, 480));
#endif
}

TEST_F(PictureServiceTest, ConvertFailuresFreeTheImage) {
  dir_.write("good.bmp", MakeFlatBmp(8, 8));
  dir_.write("bad.bmp", "BM not really");
  PicturePointers out;
  ASSERT_TRUE(pictures_->LoadCodec());
  ASSERT_TRUE(pictures_->Decode(dir_.file("good.bmp"), out));
  EXPECT_FALSE(pictures_->Convert(dir_.file("bad.bmp"), kVga, work_));
  EXPECT_FALSE(codec_.HasImage());
  // Encoding into a folder that does not exist fails after decoding.
  EXPECT_FALSE(pictures_->Convert(dir_.file("good.bmp"), kVga,
                                  dir_.file("missing") + "/"));
  EXPECT_FALSE(codec_.HasImage());
  EXPECT_EQ(pictures_->ConvertedPath(), dir_.file("missing") + "/good.jpg");
  // A resize the codec refuses (a limit of 0).
  EXPECT_FALSE(
      pictures_->Convert(dir_.file("good.bmp"), PictureLimits{0, 8}, work_));
  EXPECT_FALSE(codec_.HasImage());
}

TEST_F(PictureServiceTest, ConvertWithoutLibraryFails) {
  PictureService unloaded([] { return std::optional<std::string>(); });
  dir_.write("good.bmp", MakeFlatBmp(8, 8));
  EXPECT_FALSE(unloaded.LoadCodec());
  EXPECT_FALSE(unloaded.Convert(dir_.file("good.bmp"), kVga, work_));
  EXPECT_TRUE(unloaded.ConvertedPath().empty());
}

TEST_F(PictureServiceTest, DecodeHandsOutTheCurrentImage) {
  dir_.write("a.bmp", MakeFlatBmp(6, 5));
  PicturePointers out;
  // Without LoadCodec nothing decodes.
  EXPECT_FALSE(pictures_->Decode(dir_.file("a.bmp"), out));
  ASSERT_TRUE(pictures_->LoadCodec());
  ASSERT_TRUE(pictures_->Decode(dir_.file("a.bmp"), out));
  EXPECT_EQ(out.header, codec_.Image());
  EXPECT_EQ(out.pixels, codec_.Pixels());
  EXPECT_FALSE(pictures_->Decode(dir_.file("missing.bmp"), out));
  EXPECT_EQ(out.header, nullptr);
  EXPECT_EQ(out.pixels, nullptr);
}

TEST_F(PictureServiceTest, OnlyASuccessfulDecodeForgetsTheConvertedPath) {
  dir_.write("a.bmp", MakeFlatBmp(6, 5));
  // A convert whose encode fails still names its target.
  EXPECT_FALSE(
      pictures_->Convert(dir_.file("a.bmp"), kVga, dir_.file("missing") + "/"));
  const std::string target = dir_.file("missing") + "/a.jpg";
  EXPECT_EQ(pictures_->ConvertedPath(), target);
  PicturePointers out;
  EXPECT_FALSE(pictures_->Decode(dir_.file("missing.bmp"), out));
  EXPECT_EQ(pictures_->ConvertedPath(), target);
  // The other decodes leave it alone as well.
  ASSERT_TRUE(pictures_->DecodeToFit(dir_.file("a.bmp"), kVga, out));
  ASSERT_TRUE(pictures_->DecodeResized(dir_.file("a.bmp"), kVga, out));
  EXPECT_EQ(pictures_->ConvertedPath(), target);
  ASSERT_TRUE(pictures_->Decode(dir_.file("a.bmp"), out));
  EXPECT_EQ(pictures_->ConvertedPath(), "");
}

TEST_F(PictureServiceTest, DecodeToFitResizesOnlyWhatExceeds) {
  ASSERT_TRUE(pictures_->LoadCodec());
  BmpSample indexed;
  indexed.bitCount = 8;
  indexed.width = 64;
  indexed.height = 48;
  indexed.palette = {{1, 2, 3}, {4, 5, 6}};
  dir_.write("fits.bmp", MakeBmp(indexed));
  PicturePointers out;
  ASSERT_TRUE(pictures_->DecodeToFit(dir_.file("fits.bmp"),
                                     PictureLimits{64, 48}, out));
  // No resize: still the 8-bit image as decoded.
  EXPECT_EQ(codec_.Image()->biBitCount, 8);
  EXPECT_EQ(out.header, codec_.Image());
  EXPECT_EQ(out.pixels, codec_.Pixels());

  ASSERT_TRUE(pictures_->DecodeToFit(dir_.file("fits.bmp"),
                                     PictureLimits{64, 47}, out));
  EXPECT_EQ(codec_.Image()->biWidth, 64);
  EXPECT_EQ(codec_.Image()->biHeight, 47);
  EXPECT_EQ(out.header, codec_.Image());

  EXPECT_FALSE(pictures_->DecodeToFit(dir_.file("missing.bmp"),
                                      PictureLimits{64, 47}, out));
  EXPECT_EQ(out.header, nullptr);
}

TEST_F(PictureServiceTest, DecodeResizedAlwaysResizes) {
  ASSERT_TRUE(pictures_->LoadCodec());
  BmpSample indexed;
  indexed.bitCount = 8;
  indexed.width = 16;
  indexed.height = 12;
  indexed.palette = {{1, 2, 3}, {4, 5, 6}};
  dir_.write("a.bmp", MakeBmp(indexed));
  PicturePointers out;
  ASSERT_TRUE(
      pictures_->DecodeResized(dir_.file("a.bmp"), PictureLimits{16, 12}, out));
  // The same size, but resampled: now 24 bits.
  EXPECT_EQ(codec_.Image()->biBitCount, 24);
  EXPECT_EQ(out.header, codec_.Image());
  EXPECT_EQ(out.pixels, codec_.Pixels());
  // A failed resize keeps the decoded image but answers no pointers.
  EXPECT_FALSE(
      pictures_->DecodeResized(dir_.file("a.bmp"), PictureLimits{0, 12}, out));
  EXPECT_TRUE(codec_.HasImage());
  EXPECT_EQ(codec_.Image()->biBitCount, 8);
  EXPECT_EQ(out.header, nullptr);
}

TEST(PictureServicePartialCodecTest, FailedResizeKeepsTheDecodedImage) {
  TempDir dir;
  CodecInstallation installation(dir, CodecInstallation::PartialCodecPath());
  std::unique_ptr<PictureService> pictures = installation.MakePictureService();
  ASSERT_TRUE(pictures->LoadCodec());
  PicturePointers out;
  // The partial codec's picture is 8 x 6 and it cannot resize.
  EXPECT_FALSE(pictures->DecodeToFit("any", PictureLimits{4, 4}, out));
  EXPECT_TRUE(pictures->Codec().HasImage());
  EXPECT_EQ(out.header, nullptr);
  EXPECT_TRUE(pictures->DecodeToFit("any", PictureLimits{8, 6}, out));
  EXPECT_EQ(out.header, pictures->Codec().Image());
}

} // namespace
} // namespace vorafile::imaging
