// BMP reader and writer of the codec library.
//
// Format notes: only uncompressed files are read (BI_RGB, and BI_BITFIELDS
// at 32 bits); RLE, 16-bit, embedded JPEG/PNG and the OS/2 header are
// refused. A negative height means top-down rows; they are turned bottom-up.
// A colour table longer than the depth allows is refused; colour indices
// past a short table read as black (image_block.cpp). The pixel rows must be
// in the file whole.
#include "platform/little_endian.h"
#include "qvimage/bmp_format.h"
#include "qvimage/picture_codecs.h"

#include <array>
#include <cstring>

namespace vorafile::qvimage {

namespace {

// A channel mask of a BI_BITFIELDS file: we take whole bytes only.
std::optional<std::uint32_t> ByteShiftOfMask(std::uint32_t mask) {
  for (std::uint32_t shift = 0; shift < 32; shift += 8) {
    if (mask == (0xffu << shift)) {
      return shift;
    }
  }
  return std::nullopt;
}

struct BitfieldMasks {
  std::uint32_t red = 0x00ff0000;
  std::uint32_t green = 0x0000ff00;
  std::uint32_t blue = 0x000000ff;
  std::uint32_t alpha = 0;
};

void CopyIndexedRow(const std::uint8_t *in, std::uint32_t width,
                    std::uint32_t bitCount, std::uint8_t *out) {
  switch (bitCount) {
  case 1:
    for (std::uint32_t x = 0; x < width; ++x) {
      out[x] = static_cast<std::uint8_t>(
          (std::uint32_t{in[x / 8]} >> (7 - x % 8)) & 1u);
    }
    break;
  case 4:
    for (std::uint32_t x = 0; x < width; ++x) {
      out[x] =
          static_cast<std::uint8_t>((in[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xf);
    }
    break;
  default:
    std::memcpy(out, in, width);
    break;
  }
}

} // namespace

ImageBlock DecodeBmp(Bytes data) {
  if (data.size() < bmp::kFileHeaderSize + bmp::kInfoHeaderSize ||
      data[0] != 'B' || data[1] != 'M') {
    return nullptr;
  }
  const Bytes info = data.subspan(bmp::kFileHeaderSize);
  const std::uint32_t infoSize = LoadU32(info.data() + bmp::kBiSize);
  if (infoSize < bmp::kInfoHeaderSize || infoSize > bmp::kMaxInfoHeaderSize ||
      infoSize > info.size()) {
    return nullptr;
  }
  const auto width =
      static_cast<std::int32_t>(LoadU32(info.data() + bmp::kBiWidth));
  const auto height =
      static_cast<std::int32_t>(LoadU32(info.data() + bmp::kBiHeight));
  const std::uint16_t planes = LoadU16(info.data() + bmp::kBiPlanes);
  const std::uint16_t bitCount = LoadU16(info.data() + bmp::kBiBitCount);
  const std::uint32_t compression = LoadU32(info.data() + bmp::kBiCompression);
  const std::uint32_t colorsUsed = LoadU32(info.data() + bmp::kBiClrUsed);
  // INT32_MIN has no positive counterpart; it is far beyond the limit anyway.
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1) {
    return nullptr;
  }
  const bool topDown = height < 0;
  const auto rows = static_cast<std::uint32_t>(topDown ? -height : height);
  const auto columns = static_cast<std::uint32_t>(width);
  if (columns > kMaxDimension || rows > kMaxDimension ||
      static_cast<std::uint64_t>(columns) * rows > kMaxPixels) {
    return nullptr;
  }

  const bool indexed = bitCount == 1 || bitCount == 4 || bitCount == 8;
  if (!indexed && bitCount != 24 && bitCount != 32) {
    return nullptr;
  }
  std::size_t tableOffset = bmp::kFileHeaderSize + infoSize;
  BitfieldMasks masks;
  if (compression == imaging::kBiBitfields && bitCount == 32) {
    if (infoSize >= bmp::kV4HeaderMinSize) {
      masks.alpha = LoadU32(info.data() + bmp::kBV4RedMask + 12);
    } else {
      // The three masks follow a 40-byte header.
      if (data.size() < tableOffset + 12) {
        return nullptr;
      }
      tableOffset += 12;
    }
    const Bytes maskBytes = infoSize >= bmp::kV4HeaderMinSize
                                ? info.subspan(bmp::kBV4RedMask)
                                : data.subspan(bmp::kFileHeaderSize + infoSize);
    masks.red = LoadU32(maskBytes.data());
    masks.green = LoadU32(maskBytes.data() + 4);
    masks.blue = LoadU32(maskBytes.data() + 8);
  } else if (compression != imaging::kBiRgb) {
    return nullptr;
  }

  std::uint32_t tableEntries = 0;
  if (indexed) {
    const std::uint32_t maxEntries = 1u << bitCount;
    tableEntries = colorsUsed == 0 ? maxEntries : colorsUsed;
    if (tableEntries > maxEntries) {
      return nullptr;
    }
  }
  const std::uint32_t pixelOffset = LoadU32(data.data() + bmp::kBfOffBits);
  const std::uint64_t tableEnd =
      tableOffset + static_cast<std::uint64_t>(tableEntries) * 4;
  const std::uint64_t stride = imaging::DibRowStride(columns, bitCount);
  if (tableEnd > data.size() || pixelOffset < tableEnd ||
      pixelOffset > data.size() || stride * rows > data.size() - pixelOffset) {
    return nullptr;
  }

  std::optional<std::uint32_t> redShift, greenShift, blueShift, alphaShift;
  if (compression == imaging::kBiBitfields) {
    redShift = ByteShiftOfMask(masks.red);
    greenShift = ByteShiftOfMask(masks.green);
    blueShift = ByteShiftOfMask(masks.blue);
    if (masks.alpha != 0) {
      alphaShift = ByteShiftOfMask(masks.alpha);
    }
    if (!redShift || !greenShift || !blueShift ||
        (masks.alpha != 0 && !alphaShift)) {
      return nullptr;
    }
  }

  const auto outBits = static_cast<std::uint16_t>(indexed ? 8 : bitCount);
  ImageBlock block = AllocateImage(columns, rows, outBits, tableEntries);
  if (!block) {
    return nullptr;
  }
  RGBQUAD *table = TableOf(block.get());
  for (std::uint32_t i = 0; i < tableEntries; ++i) {
    const std::size_t entry = tableOffset + 4 * static_cast<std::size_t>(i);
    table[i] = RGBQUAD{data[entry], data[entry + 1], data[entry + 2], 0};
  }
  const ImageView out = ViewOwnImage(block);
  for (std::uint32_t y = 0; y < rows; ++y) {
    const std::uint8_t *in =
        data.data() + pixelOffset + static_cast<std::size_t>(stride) * y;
    std::uint8_t *target = out.Row(topDown ? rows - 1 - y : y);
    if (indexed) {
      CopyIndexedRow(in, columns, bitCount, target);
    } else if (compression == imaging::kBiBitfields) {
      for (std::size_t x = 0; x < columns; ++x) {
        const std::uint32_t value = LoadU32(in + 4 * x);
        target[4 * x] = static_cast<std::uint8_t>(value >> *blueShift);
        target[4 * x + 1] = static_cast<std::uint8_t>(value >> *greenShift);
        target[4 * x + 2] = static_cast<std::uint8_t>(value >> *redShift);
        target[4 * x + 3] =
            static_cast<std::uint8_t>(alphaShift ? value >> *alphaShift : 255);
      }
    } else {
      std::memcpy(target, in, static_cast<std::size_t>(stride));
    }
  }
  return block;
}

std::optional<std::vector<std::uint8_t>> EncodeBmp(const ImageView &image) {
  const std::uint64_t tableBytes =
      image.bitCount <= 8 ? static_cast<std::uint64_t>(image.tableEntries) * 4
                          : 0;
  const std::uint64_t pixelBytes =
      static_cast<std::uint64_t>(image.stride) * image.height;
  const std::uint64_t offBits =
      bmp::kFileHeaderSize + bmp::kInfoHeaderSize + tableBytes;
  const std::uint64_t fileSize = offBits + pixelBytes;
  if (fileSize > UINT32_MAX) {
    return std::nullopt;
  }
  std::array<std::uint8_t, bmp::kFileHeaderSize + bmp::kInfoHeaderSize> head{};
  head[0] = 'B';
  head[1] = 'M';
  StoreU32(&head[bmp::kBfSize], static_cast<std::uint32_t>(fileSize));
  StoreU32(&head[bmp::kBfOffBits], static_cast<std::uint32_t>(offBits));
  std::uint8_t *info = &head[bmp::kFileHeaderSize];
  StoreU32(info + bmp::kBiSize, bmp::kInfoHeaderSize);
  StoreU32(info + bmp::kBiWidth, image.width);
  StoreU32(info + bmp::kBiHeight, image.height);
  StoreU16(info + bmp::kBiPlanes, 1);
  StoreU16(info + bmp::kBiBitCount, static_cast<std::uint16_t>(image.bitCount));
  StoreU32(info + bmp::kBiCompression, imaging::kBiRgb);
  StoreU32(info + 20, static_cast<std::uint32_t>(pixelBytes)); // biSizeImage
  StoreU32(info + 24, 2835); // biXPelsPerMeter: 72 dots per inch
  StoreU32(info + 28, 2835);
  StoreU32(info + bmp::kBiClrUsed,
           image.bitCount <= 8 ? image.tableEntries : 0);
  std::vector<std::uint8_t> file;
  file.reserve(static_cast<std::size_t>(fileSize));
  file.insert(file.end(), head.begin(), head.end());
  const auto *table = reinterpret_cast<const std::uint8_t *>(image.table);
  file.insert(file.end(), table, table + tableBytes);
  file.insert(file.end(), image.pixels, image.pixels + pixelBytes);
  return file;
}

} // namespace vorafile::qvimage
