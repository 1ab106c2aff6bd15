#include "qvimage/picture_codecs.h"

#include "imaging/picture_samples.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorafile::qvimage {
namespace {

using test::BmpSample;
using test::MakeBmp;
using test::Rgb;

Bytes AsBytes(const std::string &text) {
  return Bytes(reinterpret_cast<const std::uint8_t *>(text.data()),
               text.size());
}

// The colour of pixel (x, y), y = 0 at the top, of any decoded block.
Rgb ColourAt(const ImageBlock &block, std::uint32_t x, std::uint32_t y) {
  const ImageView view = ViewOwnImage(block);
  std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(view.width));
  ExpandRowToBgr(view, view.height - 1 - y, row.data());
  return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
}

void PutLe32(std::string &file, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    file[offset + static_cast<std::size_t>(i)] =
        static_cast<char>((value >> (8 * i)) & 0xff);
}

TEST(BmpCodecTest, ReadsEveryDepthInBothRowOrders) {
  const std::vector<Rgb> palette16 = [] {
    std::vector<Rgb> table;
    for (std::uint8_t i = 0; i < 16; ++i)
      table.push_back(Rgb{static_cast<std::uint8_t>(i * 16), 7,
                          static_cast<std::uint8_t>(255 - i)});
    return table;
  }();
  for (std::uint16_t bits :
       {std::uint16_t{1}, std::uint16_t{4}, std::uint16_t{8}, std::uint16_t{24},
        std::uint16_t{32}}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::to_string(bits) + (topDown ? " top-down" : ""));
      BmpSample sample;
      sample.width = 11; // odd: rows need padding at every depth
      sample.height = 5;
      sample.bitCount = bits;
      sample.topDown = topDown;
      if (bits <= 8) {
        sample.palette.assign(palette16.begin(),
                              palette16.begin() + (bits == 1 ? 2 : 16));
        sample.index = [bits](std::uint32_t x, std::uint32_t y) {
          return static_cast<std::uint8_t>((x * 3 + y) % (bits == 1 ? 2 : 16));
        };
      }
      ImageBlock block = DecodeBmp(AsBytes(MakeBmp(sample)));
      ASSERT_TRUE(block);
      EXPECT_EQ(block->biWidth, 11);
      EXPECT_EQ(block->biHeight, 5);
      EXPECT_EQ(block->biBitCount, bits <= 8 ? 8 : bits);
      for (std::uint32_t y = 0; y < 5; ++y) {
        for (std::uint32_t x = 0; x < 11; ++x) {
          const Rgb expected = bits <= 8 ? sample.palette[sample.index(x, y)]
                                         : sample.colour(x, y);
          ASSERT_EQ(ColourAt(block, x, y), expected) << x << "," << y;
        }
      }
    }
  }
}

TEST(BmpCodecTest, WritesWhatItReads) {
  BmpSample sample;
  sample.bitCount = 8;
  sample.width = 3;
  sample.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  sample.declaredColours = 3;
  const std::string file = MakeBmp(sample);
  ImageBlock block = DecodeBmp(AsBytes(file));
  ASSERT_TRUE(block);
  std::optional<std::vector<std::uint8_t>> written =
      EncodeBmp(ViewOwnImage(block));
  ASSERT_TRUE(written);
  EXPECT_EQ(std::string(written->begin(), written->end()), file);
}

TEST(BmpCodecTest, ReadsByteAlignedBitfields) {
  // 2 x 1, 32 bits, BI_BITFIELDS with the masks after a 40-byte header:
  // red in the low byte, blue in the high byte.
  BmpSample wide;
  wide.width = 2;
  wide.height = 1;
  wide.bitCount = 32;
  std::string file = MakeBmp(wide);
  PutLe32(file, 14 + 16, 3); // biCompression: BI_BITFIELDS
  std::string masks(12, '\0');
  PutLe32(masks, 0, 0x000000ff); // red
  PutLe32(masks, 4, 0x0000ff00); // green
  PutLe32(masks, 8, 0x00ff0000); // blue
  file.insert(54, masks);
  PutLe32(file, 10, 54 + 12); // bfOffBits
  const std::string pixels("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  file.replace(66, 8, pixels);
  ImageBlock block = DecodeBmp(AsBytes(file));
  ASSERT_TRUE(block);
  EXPECT_EQ(ColourAt(block, 0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(ColourAt(block, 1, 0), (Rgb{5, 6, 7}));
  // A mask that is not a whole byte is refused.
  PutLe32(file, 54, 0x000001ff);
  EXPECT_FALSE(DecodeBmp(AsBytes(file)));
}

TEST(BmpCodecTest, ShortPaletteIndicesReadAsBlack) {
  BmpSample sample;
  sample.bitCount = 4;
  sample.width = 2;
  sample.height = 1;
  sample.palette = {{9, 9, 9}};
  sample.declaredColours = 1;
  sample.index = [](std::uint32_t x, std::uint32_t) {
    return static_cast<std::uint8_t>(x * 15); // 0 and 15
  };
  ImageBlock block = DecodeBmp(AsBytes(MakeBmp(sample)));
  ASSERT_TRUE(block);
  EXPECT_EQ(ColourAt(block, 0, 0), (Rgb{9, 9, 9}));
  EXPECT_EQ(ColourAt(block, 1, 0), (Rgb{0, 0, 0}));
}

TEST(BmpCodecTest, EveryTruncationFails) {
  BmpSample sample;
  sample.bitCount = 8;
  sample.palette = {{1, 1, 1}, {2, 2, 2}};
  const std::string file = MakeBmp(sample);
  for (std::size_t size = 0; size < file.size(); ++size)
    EXPECT_FALSE(DecodeBmp(AsBytes(file.substr(0, size)))) << size;
  EXPECT_TRUE(DecodeBmp(AsBytes(file)));
}

TEST(BmpCodecTest, RefusesHostileHeaders) {
  const std::string good = MakeBmp(BmpSample{});
  struct Defect {
    const char *name;
    std::size_t offset;
    std::uint32_t value;
  };
  const Defect defects[] = {
      {"huge_width", 14 + 4, 0x7fffffff},
      {"huge_height", 14 + 8, 0x7fffffff},
      {"most_negative_height", 14 + 8, 0x80000000},
      {"zero_width", 14 + 4, 0},
      {"negative_width", 14 + 4, 0xffffffff},
      {"rows_past_end", 14 + 4, 65535},
      {"width_over_limit", 14 + 4, 65536},
      {"small_info_header", 14, 12},
      {"info_header_past_end", 14, 4096},
      {"planes", 14 + 12, 2},
      {"bits_16", 14 + 14, 16},
      {"bits_0", 14 + 14, 0},
      {"rle8", 14 + 16, 1},
      {"bitfields_at_24_bits", 14 + 16, 3},
      {"pixels_past_end", 10, 0xfffffff0},
      {"pixels_inside_header", 10, 20},
  };
  for (const Defect &defect : defects) {
    std::string file = good;
    if (defect.offset == 14 + 12 || defect.offset == 14 + 14) {
      file[defect.offset] = static_cast<char>(defect.value);
      file[defect.offset + 1] = 0;
    } else {
      PutLe32(file, defect.offset, defect.value);
    }
    EXPECT_FALSE(DecodeBmp(AsBytes(file))) << defect.name;
  }
  // A colour table longer than the depth allows.
  BmpSample badPalette;
  badPalette.bitCount = 1;
  badPalette.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  badPalette.declaredColours = 3;
  EXPECT_FALSE(DecodeBmp(AsBytes(MakeBmp(badPalette))));
}

TEST(PictureCodecsTest, TellsFormatsApart) {
  EXPECT_EQ(SniffPictureKind(AsBytes("BM")), PictureKind::kBmp);
  EXPECT_EQ(SniffPictureKind(AsBytes("\xff\xd8\xff\xe0")), PictureKind::kJpeg);
  EXPECT_EQ(SniffPictureKind(AsBytes("\x89PNG\r\n\x1a\n")), PictureKind::kPng);
  EXPECT_EQ(SniffPictureKind(AsBytes("\x89PNG\r\n")), PictureKind::kUnknown);
  EXPECT_EQ(SniffPictureKind(AsBytes("")), PictureKind::kUnknown);
  EXPECT_EQ(KindFromExtension("a.JPG"), PictureKind::kJpeg);
  EXPECT_EQ(KindFromExtension("a.b.jpeg"), PictureKind::kJpeg);
  EXPECT_EQ(KindFromExtension("x.Png"), PictureKind::kPng);
  EXPECT_EQ(KindFromExtension("x.bmp"), PictureKind::kBmp);
  EXPECT_EQ(KindFromExtension("jpg"), PictureKind::kUnknown);
  EXPECT_EQ(KindFromExtension("x.gif"), PictureKind::kUnknown);
}

} // namespace
} // namespace vorafile::qvimage
