// PNG reader and writer of the codec library, over libpng's simplified
// interface (which keeps libpng's setjmp error handling to itself).
#include "qvimage/picture_codecs.h"

#include <png.h>

#include <cstring>

namespace vorafile::qvimage {

namespace {

struct PngImageFree {
  void operator()(png_image *image) const { png_image_free(image); }
};

} // namespace

ImageBlock DecodePng(Bytes data) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, data.data(), data.size()) == 0) {
    return nullptr;
  }
  std::unique_ptr<png_image, PngImageFree> guard(&image);
  if (image.width == 0 || image.height == 0 || image.width > kMaxDimension ||
      image.height > kMaxDimension ||
      static_cast<std::uint64_t>(image.width) * image.height > kMaxPixels) {
    return nullptr;
  }
  std::uint16_t bitCount = 24;
  std::uint32_t tableEntries = 0;
  if ((image.format & PNG_FORMAT_FLAG_ALPHA) != 0) {
    image.format = PNG_FORMAT_BGRA;
    bitCount = 32;
  } else if ((image.format & PNG_FORMAT_FLAG_COLOR) == 0) {
    image.format = PNG_FORMAT_GRAY;
    bitCount = 8;
    tableEntries = 256;
  } else {
    image.format = PNG_FORMAT_BGR;
  }
  ImageBlock block =
      AllocateImage(image.width, image.height, bitCount, tableEntries);
  if (!block) {
    return nullptr;
  }
  if (tableEntries != 0) {
    FillGreyTable(TableOf(block.get()), tableEntries);
  }
  const ImageView out = ViewOwnImage(block);
  // A negative stride asks for the bottom row first, as a DIB holds them.
  const auto stride = -static_cast<png_int_32>(out.stride);
  if (png_image_finish_read(&image, nullptr, out.pixels, stride, nullptr) ==
      0) {
    return nullptr;
  }
  return block;
}

std::optional<std::vector<std::uint8_t>> EncodePng(const ImageView &image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  std::vector<std::uint8_t> expanded;
  const std::uint8_t *source = image.pixels;
  auto stride = static_cast<png_int_32>(image.stride);
  if (image.bitCount == 32) {
    png.format = PNG_FORMAT_BGRA;
  } else {
    png.format = PNG_FORMAT_BGR;
    if (image.bitCount <= 8) {
      const std::size_t rowBytes = 3 * static_cast<std::size_t>(image.width);
      expanded.resize(rowBytes * image.height);
      for (std::uint32_t y = 0; y < image.height; ++y) {
        ExpandRowToBgr(image, y, expanded.data() + rowBytes * y);
      }
      source = expanded.data();
      stride = static_cast<png_int_32>(rowBytes);
    }
  }
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&png, nullptr, &size, 0, source, -stride,
                                nullptr) == 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> file(size);
  if (png_image_write_to_memory(&png, file.data(), &size, 0, source, -stride,
                                nullptr) == 0) {
    return std::nullopt;
  }
  file.resize(size);
  return file;
}

} // namespace vorafile::qvimage
