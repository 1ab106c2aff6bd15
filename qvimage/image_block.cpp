#include "qvimage/image_block.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vorafile::qvimage {

namespace {

// Sits right before the header of every block we hand out.
struct BlockPrefix {
  std::uint32_t magic;
  std::uint32_t pixelOffset; ///< from the header
  std::uint64_t dibSize;     ///< header + table + rows
};
static_assert(sizeof(BlockPrefix) == 16, "prefix keeps the header aligned");

constexpr std::uint32_t kBlockMagic = 0x51564942; // "BIVQ"
constexpr std::uint32_t kReleasedMagic = 0x44454552;

bool IsKnownBitCount(std::uint32_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ||
         bitCount == 32;
}

std::uint32_t MaxTableEntries(std::uint32_t bitCount) {
  return bitCount <= 8 ? (1u << bitCount) : 0;
}

BlockPrefix *PrefixOf(const void *block) {
  // The prefix is part of the same allocation, so stepping back is defined.
  auto *bytes = static_cast<std::uint8_t *>(const_cast<void *>(block));
  return reinterpret_cast<BlockPrefix *>(bytes - sizeof(BlockPrefix));
}

} // namespace

void ImageBlockDeleter::operator()(BITMAPINFOHEADER *block) const {
  ReleaseImage(block);
}

ImageBlock AllocateImage(std::uint32_t width, std::uint32_t height,
                         std::uint16_t bitCount, std::uint32_t tableEntries) {
  if (width == 0 || height == 0 || width > kMaxDimension ||
      height > kMaxDimension ||
      static_cast<std::uint64_t>(width) * height > kMaxPixels ||
      !IsKnownBitCount(bitCount) || tableEntries > MaxTableEntries(bitCount)) {
    return nullptr;
  }
  const std::uint64_t stride = imaging::DibRowStride(width, bitCount);
  const std::uint64_t pixelOffset =
      imaging::kBitmapInfoHeaderSize +
      static_cast<std::uint64_t>(tableEntries) * imaging::kRgbQuadSize;
  const std::uint64_t dibSize = pixelOffset + stride * height;
  const std::uint64_t total = sizeof(BlockPrefix) + dibSize;
  if (total > SIZE_MAX) {
    return nullptr;
  }
  void *memory = std::calloc(static_cast<std::size_t>(total), 1);
  if (memory == nullptr) {
    return nullptr;
  }
  auto *prefix = new (memory) BlockPrefix{
      kBlockMagic, static_cast<std::uint32_t>(pixelOffset), dibSize};
  auto *header = new (prefix + 1) BITMAPINFOHEADER{};
  header->biSize = imaging::kBitmapInfoHeaderSize;
  header->biWidth = static_cast<std::int32_t>(width);
  header->biHeight = static_cast<std::int32_t>(height);
  header->biPlanes = 1;
  header->biBitCount = bitCount;
  header->biCompression = imaging::kBiRgb;
  header->biSizeImage = static_cast<std::uint32_t>(stride * height);
  header->biXPelsPerMeter = 2835; // 72 dots per inch
  header->biYPelsPerMeter = 2835;
  header->biClrUsed = tableEntries;
  return ImageBlock(header);
}

bool ReleaseImage(void *block) {
  if (block == nullptr) {
    return false;
  }
  BlockPrefix *prefix = PrefixOf(block);
  if (prefix->magic != kBlockMagic) {
    return false;
  }
  prefix->magic = kReleasedMagic;
  std::free(prefix);
  return true;
}

std::optional<ImageView> ViewImage(const void *block, const void *pixels) {
  if (block == nullptr) {
    return std::nullopt;
  }
  const BlockPrefix *prefix = PrefixOf(block);
  if (prefix->magic != kBlockMagic) {
    return std::nullopt;
  }
  const auto *header = static_cast<const BITMAPINFOHEADER *>(block);
  if (header->biWidth <= 0 || header->biHeight <= 0 ||
      !IsKnownBitCount(header->biBitCount) ||
      header->biCompression != imaging::kBiRgb) {
    return std::nullopt;
  }
  ImageView view;
  view.header = header;
  view.width = static_cast<std::uint32_t>(header->biWidth);
  view.height = static_cast<std::uint32_t>(header->biHeight);
  view.bitCount = header->biBitCount;
  if (view.width > kMaxDimension || view.height > kMaxDimension) {
    return std::nullopt;
  }
  const std::uint64_t tableBytes =
      prefix->pixelOffset - imaging::kBitmapInfoHeaderSize;
  const std::uint64_t physicalEntries = tableBytes / imaging::kRgbQuadSize;
  const std::uint64_t stride = imaging::DibRowStride(view.width, view.bitCount);
  if (prefix->pixelOffset + stride * view.height > prefix->dibSize) {
    return std::nullopt;
  }
  auto *base = static_cast<std::uint8_t *>(const_cast<void *>(block));
  view.pixels = base + prefix->pixelOffset;
  if (pixels != nullptr && pixels != view.pixels) {
    return std::nullopt;
  }
  view.stride = static_cast<std::size_t>(stride);
  view.table = reinterpret_cast<const RGBQUAD *>(header + 1);
  std::uint64_t entries = header->biClrUsed == 0 && view.bitCount <= 8
                              ? (1u << view.bitCount)
                              : header->biClrUsed;
  view.tableEntries = static_cast<std::uint32_t>(
      entries < physicalEntries ? entries : physicalEntries);
  return view;
}

ImageView ViewOwnImage(const ImageBlock &block) {
  std::optional<ImageView> view = ViewImage(block.get(), nullptr);
  assert(view && "a block we just made is always valid");
  return *view;
}

void ExpandRowToBgr(const ImageView &image, std::uint32_t bottomUpIndex,
                    std::uint8_t *out) {
  const std::uint8_t *row = image.Row(bottomUpIndex);
  auto putIndex = [&](std::uint32_t x, std::uint32_t index) {
    std::uint8_t *pixel = out + 3 * static_cast<std::size_t>(x);
    if (index < image.tableEntries) {
      const RGBQUAD &entry = image.table[index];
      pixel[0] = entry.rgbBlue;
      pixel[1] = entry.rgbGreen;
      pixel[2] = entry.rgbRed;
    } else {
      pixel[0] = pixel[1] = pixel[2] = 0;
    }
  };
  switch (image.bitCount) {
  case 1:
    for (std::uint32_t x = 0; x < image.width; ++x) {
      putIndex(x, (std::uint32_t{row[x / 8]} >> (7 - x % 8)) & 1u);
    }
    break;
  case 4:
    for (std::uint32_t x = 0; x < image.width; ++x) {
      putIndex(x, (std::uint32_t{row[x / 2]} >> (x % 2 == 0 ? 4 : 0)) & 0x0fu);
    }
    break;
  case 8:
    for (std::uint32_t x = 0; x < image.width; ++x) {
      putIndex(x, row[x]);
    }
    break;
  case 24:
    std::memcpy(out, row, 3 * static_cast<std::size_t>(image.width));
    break;
  case 32:
    for (std::size_t x = 0; x < image.width; ++x) {
      out[3 * x] = row[4 * x];
      out[3 * x + 1] = row[4 * x + 1];
      out[3 * x + 2] = row[4 * x + 2];
    }
    break;
  default:
    assert(false && "ViewImage admits only known depths");
  }
}

void FillGreyTable(RGBQUAD *table, std::uint32_t entries) {
  for (std::uint32_t i = 0; i < entries; ++i) {
    auto level =
        static_cast<std::uint8_t>(entries > 1 ? i * 255 / (entries - 1) : 0);
    table[i] = RGBQUAD{level, level, level, 0};
  }
}

RGBQUAD *TableOf(BITMAPINFOHEADER *header) {
  return reinterpret_cast<RGBQUAD *>(header + 1);
}

} // namespace vorafile::qvimage
