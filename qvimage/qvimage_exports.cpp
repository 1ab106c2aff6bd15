// The C boundary of the codec library: the exported functions. No exception
// (std::bad_alloc included) leaves the library; every failure answers 0.
#include "qvimage/qvimage.h"

#include "qvimage/image_transforms.h"
#include "qvimage/picture_codecs.h"

#include <cstdio>
#include <limits>
#include <vector>

namespace vorafile::qvimage {

namespace {

// A picture file larger than this is not one we would decode anyway (the
// pixel limit is reached long before); it bounds what one read allocates.
constexpr long kMaxFileSize = 512L * 1024 * 1024;
constexpr int kJpegQuality = 90;

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const char *path) {
  File file(std::fopen(path, "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
    return std::nullopt;
  }
  const long size = std::ftell(file.get());
  if (size <= 0 || size > kMaxFileSize ||
      std::fseek(file.get(), 0, SEEK_SET) != 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
    return std::nullopt;
  }
  return data;
}

bool WriteWholeFile(const char *path, const std::vector<std::uint8_t> &data) {
  bool written = false;
  {
    File file(std::fopen(path, "wb"));
    if (!file) {
      return false;
    }
    written =
        std::fwrite(data.data(), 1, data.size(), file.get()) == data.size() &&
        std::fflush(file.get()) == 0;
  }
  if (!written) {
    (void)std::remove(path);
  }
  return written;
}

int Decode(const char *path, void **image, std::uint32_t minWidth,
           std::uint32_t minHeight) {
  if (path == nullptr || image == nullptr) {
    return 0;
  }
  std::optional<std::vector<std::uint8_t>> data = ReadWholeFile(path);
  if (!data) {
    return 0;
  }
  ImageBlock block = DecodePicture(*data, minWidth, minHeight);
  if (!block) {
    return 0;
  }
  *image = block.release();
  return 1;
}

int Encode(const char *path, void *image, void *pixels) {
  if (path == nullptr) {
    return 0;
  }
  std::optional<ImageView> view = ViewImage(image, pixels);
  if (!view) {
    return 0;
  }
  std::optional<std::vector<std::uint8_t>> file;
  switch (KindFromExtension(path)) {
  case PictureKind::kBmp:
    file = EncodeBmp(*view);
    break;
  case PictureKind::kJpeg:
#ifdef QVIMAGE_WITH_JPEG
    file = EncodeJpeg(*view, kJpegQuality);
#endif
    break;
  case PictureKind::kPng:
#ifdef QVIMAGE_WITH_PNG
    file = EncodePng(*view);
#endif
    break;
  case PictureKind::kUnknown:
    break;
  }
  return file && WriteWholeFile(path, *file) ? 1 : 0;
}

// Replaces *image by the result of `transform` on success.
template <typename Transform>
int Replace(void **image, void *pixels, Transform transform) {
  if (image == nullptr) {
    return 0;
  }
  std::optional<ImageView> view = ViewImage(*image, pixels);
  if (!view) {
    return 0;
  }
  ImageBlock result = transform(*view);
  if (!result) {
    return 0;
  }
  ReleaseImage(*image);
  *image = result.release();
  return 1;
}

} // namespace

} // namespace vorafile::qvimage

using namespace vorafile::qvimage;

extern "C" {

QVIMAGE_API int DecodeImage(const char *path, void **image, int options) {
  try {
    return options == 0 ? Decode(path, image, 0, 0) : 0;
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int DecodeImageScaled(const char *path, void **image, int minWidth,
                                  int minHeight) {
  try {
    if (minWidth <= 0 || minHeight <= 0) {
      return 0;
    }
    return Decode(path, image, static_cast<std::uint32_t>(minWidth),
                  static_cast<std::uint32_t>(minHeight));
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int EncodeImage(const char *path, void *image, void *pixels) {
  try {
    return Encode(path, image, pixels);
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int ResizeImage(void **image, void *pixels, int width, int height) {
  try {
    if (width <= 0 || height <= 0) {
      return 0;
    }
    return Replace(image, pixels, [&](const ImageView &view) {
      return ResizeToExactly(view, static_cast<std::uint32_t>(width),
                             static_cast<std::uint32_t>(height));
    });
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int QuantizeImage(void **image, void *pixels, int colours) {
  try {
    if (colours <= 0) {
      return 0;
    }
    const auto count =
        static_cast<std::uint32_t>(colours > 256 ? 256 : colours);
    return Replace(image, pixels, [&](const ImageView &view) {
      return QuantizeMedianCut(view, count);
    });
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int CreateMemory(void **image, int width, int height) {
  try {
    if (image == nullptr || width <= 0 || height <= 0) {
      return 0;
    }
    ImageBlock block = AllocateImage(static_cast<std::uint32_t>(width),
                                     static_cast<std::uint32_t>(height), 24, 0);
    if (!block) {
      return 0;
    }
    *image = block.release();
    return 1;
  } catch (...) {
    return 0;
  }
}

QVIMAGE_API int FreeMemory(void *image) {
  try {
    return ReleaseImage(image) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

} // extern "C"
