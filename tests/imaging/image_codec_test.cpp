#include "imaging/image_codec.h"

#include "imaging/picture_samples.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

namespace vorafile::imaging {
namespace {

using test::BmpSample;
using test::CodecInstallation;
using test::MakeBmp;
using test::MakeFlatBmp;
using test::Rgb;
using test::TempDir;

std::uintptr_t Offset(const ImageCodec &codec) {
  return reinterpret_cast<std::uintptr_t>(codec.Pixels()) -
         reinterpret_cast<std::uintptr_t>(codec.Image());
}

TEST(ImageCodecTest, FindsTheLibraryThroughTheProgramFilesFolder) {
  ImageCodec codec([] { return std::optional<std::string>("C:\\Programs"); });
#ifdef _WIN32
  EXPECT_EQ(codec.LibraryPath(),
            "C:\\Programs\\Mervel\\TERVY Components\\QVImage.dll");
#else
  EXPECT_EQ(codec.LibraryPath(),
            "C:\\Programs/Mervel/TERVY Components/QVImage.so");
#endif
  // The registry value is read into a 256-byte buffer: 255 characters fit.
  ImageCodec longest([] { return std::string(255, 'a'); });
  EXPECT_TRUE(longest.LibraryPath());
  ImageCodec tooLong([] { return std::string(256, 'a'); });
  EXPECT_FALSE(tooLong.LibraryPath());
  EXPECT_FALSE(tooLong.Load());
  ImageCodec unknown([] { return std::optional<std::string>(); });
  EXPECT_FALSE(unknown.Load());
}

TEST(ImageCodecTest, MissingLibraryDoesNotLoadAndEveryOperationFails) {
  TempDir dir;
  ImageCodec codec([&] { return dir.file("Program Files"); });
  EXPECT_FALSE(codec.Load());
  dir.write("a.bmp", MakeFlatBmp(2, 2));
  EXPECT_FALSE(codec.Decode(dir.file("a.bmp")));
  EXPECT_FALSE(codec.Resize(1, 1));
  EXPECT_FALSE(codec.Encode(dir.file("a.jpg")));
  EXPECT_FALSE(codec.HasImage());
  codec.FreeImage();
}

TEST(ImageCodecTest, LoadsTheLibraryOnce) {
  TempDir dir;
  CodecInstallation installation(dir);
  std::unique_ptr<ImageCodec> codec = installation.MakeCodec();
  ASSERT_TRUE(codec->Load());
  // A second load must not look for the file again.
  std::filesystem::rename(installation.LibraryFile(),
                          installation.LibraryFile() + ".moved");
  EXPECT_TRUE(codec->Load());
  dir.write("a.bmp", MakeFlatBmp(3, 2));
  EXPECT_TRUE(codec->Decode(dir.file("a.bmp")));
  codec.reset();
  std::filesystem::rename(installation.LibraryFile() + ".moved",
                          installation.LibraryFile());
}

TEST(ImageCodecTest, MissingExportsFailOnlyTheirOperations) {
  TempDir dir;
  CodecInstallation installation(dir, CodecInstallation::PartialCodecPath());
  std::unique_ptr<ImageCodec> codec = installation.MakeCodec();
  ASSERT_TRUE(codec->Load());
  ASSERT_TRUE(codec->Decode("any"));
  EXPECT_EQ(codec->Image()->biWidth, 8);
  EXPECT_EQ(Offset(*codec), kBitmapInfoHeaderSize);
  EXPECT_FALSE(codec->Resize(4, 4));
  EXPECT_FALSE(codec->Encode(dir.file("x.jpg")));
  // The failures leave the decoded image current.
  EXPECT_TRUE(codec->HasImage());
  EXPECT_EQ(codec->Image()->biWidth, 8);
  // Our optional scaled decode is absent: the plain decode is used.
  EXPECT_TRUE(codec->DecodeScaled("any", 2, 2));
  EXPECT_EQ(codec->Image()->biWidth, 8);
  codec->FreeImage();
  EXPECT_FALSE(codec->HasImage());
  EXPECT_EQ(codec->Pixels(), nullptr);
}

class InstalledCodecTest : public ::testing::Test {
protected:
  TempDir dir_;
  CodecInstallation installation_{dir_};
  std::unique_ptr<ImageCodec> codec_ = installation_.MakeCodec();

  void SetUp() override { ASSERT_TRUE(codec_->Load()); }
};

TEST_F(InstalledCodecTest, PixelPointerFollowsTheColourTable) {
  // 8 bits with 3 colours declared: the rows follow 3 table entries.
  BmpSample indexed;
  indexed.bitCount = 8;
  indexed.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  indexed.declaredColours = 3;
  dir_.write("indexed.bmp", MakeBmp(indexed));
  ASSERT_TRUE(codec_->Decode(dir_.file("indexed.bmp")));
  EXPECT_EQ(codec_->Image()->biBitCount, 8);
  EXPECT_EQ(Offset(*codec_), 40u + 3 * 4);
  // Top-left pixel of (x + y) % 2 is index 0; the bottom row comes first.
  const auto *pixels = static_cast<const std::uint8_t *>(codec_->Pixels());
  EXPECT_EQ(pixels[0], (0 + 2) % 2);
  EXPECT_EQ(pixels[1], (1 + 2) % 2);

  // Resizing gives 24 bits: no table.
  ASSERT_TRUE(codec_->Resize(5, 5));
  EXPECT_EQ(codec_->Image()->biBitCount, 24);
  EXPECT_EQ(Offset(*codec_), 40u);

  // A 1-bit file without biClrUsed has 2 entries (kept at 8 bits).
  BmpSample mono;
  mono.bitCount = 1;
  mono.width = 9;
  mono.palette = {{0, 0, 0}, {255, 255, 255}};
  dir_.write("mono.bmp", MakeBmp(mono));
  ASSERT_TRUE(codec_->Decode(dir_.file("mono.bmp")));
  EXPECT_EQ(Offset(*codec_), 40u + 2 * 4);
}

TEST_F(InstalledCodecTest, FailedDecodeLeavesNoImage) {
  dir_.write("a.bmp", MakeFlatBmp(4, 4));
  dir_.write("broken.bmp", MakeFlatBmp(4, 4).substr(0, 60));
  ASSERT_TRUE(codec_->Decode(dir_.file("a.bmp")));
  EXPECT_FALSE(codec_->Decode(dir_.file("broken.bmp")));
  EXPECT_FALSE(codec_->HasImage());
  EXPECT_EQ(codec_->Pixels(), nullptr);
  ASSERT_TRUE(codec_->Decode(dir_.file("a.bmp")));
  EXPECT_FALSE(codec_->Decode(dir_.file("missing.bmp")));
  EXPECT_FALSE(codec_->HasImage());
}

TEST_F(InstalledCodecTest, FailedResizeKeepsTheImage) {
  dir_.write("a.bmp", MakeFlatBmp(4, 4));
  ASSERT_TRUE(codec_->Decode(dir_.file("a.bmp")));
  void *image = codec_->Image();
  EXPECT_FALSE(codec_->Resize(0, 4));
  EXPECT_FALSE(codec_->Resize(70000, 4));
  EXPECT_FALSE(codec_->Resize(0x80000000u, 4));
  EXPECT_EQ(codec_->Image(), image);
  EXPECT_EQ(codec_->Image()->biWidth, 4);
}

TEST_F(InstalledCodecTest, EncodesWhatItDecodes) {
  BmpSample sample;
  sample.width = 5;
  sample.height = 4;
  dir_.write("a.bmp", MakeBmp(sample));
  ASSERT_TRUE(codec_->Decode(dir_.file("a.bmp")));
  ASSERT_TRUE(codec_->Encode(dir_.file("copy.bmp")));
  EXPECT_EQ(dir_.read("copy.bmp"), dir_.read("a.bmp"));
  EXPECT_FALSE(codec_->Encode(dir_.file("copy.unknown")));
  EXPECT_FALSE(codec_->Encode(dir_.file("no-such-folder/copy.bmp")));
  codec_->FreeImage();
  EXPECT_FALSE(codec_->Encode(dir_.file("none.bmp")));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("none.bmp")));
}

} // namespace
} // namespace vorafile::imaging
