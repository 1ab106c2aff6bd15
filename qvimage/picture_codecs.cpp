#include "qvimage/picture_codecs.h"

#include "platform/ascii.h"

#include <algorithm>
#include <iterator>

namespace vorafile::qvimage {

namespace {} // namespace

PictureKind SniffPictureKind(Bytes data) {
  static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P',  'N',  'G',
                                                    0x0d, 0x0a, 0x1a, 0x0a};
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    return PictureKind::kBmp;
  }
  if (data.size() >= 3 && data[0] == 0xff && data[1] == 0xd8 &&
      data[2] == 0xff) {
    return PictureKind::kJpeg;
  }
  if (data.size() >= 8 && std::equal(std::begin(kPngSignature),
                                     std::end(kPngSignature), data.begin())) {
    return PictureKind::kPng;
  }
  return PictureKind::kUnknown;
}

PictureKind KindFromExtension(std::string_view path) {
  if (ascii::EndsWithIgnoreCase(path, ".jpg") ||
      ascii::EndsWithIgnoreCase(path, ".jpeg")) {
    return PictureKind::kJpeg;
  }
  if (ascii::EndsWithIgnoreCase(path, ".png")) {
    return PictureKind::kPng;
  }
  if (ascii::EndsWithIgnoreCase(path, ".bmp")) {
    return PictureKind::kBmp;
  }
  return PictureKind::kUnknown;
}

bool IsKindSupported(PictureKind kind) {
#ifdef QVIMAGE_WITH_JPEG
  constexpr bool kWithJpeg = true;
#else
  constexpr bool kWithJpeg = false;
#endif
#ifdef QVIMAGE_WITH_PNG
  constexpr bool kWithPng = true;
#else
  constexpr bool kWithPng = false;
#endif
  switch (kind) {
  case PictureKind::kBmp:
    return true;
  case PictureKind::kJpeg:
    return kWithJpeg;
  case PictureKind::kPng:
    return kWithPng;
  case PictureKind::kUnknown:
    return false;
  }
  return false;
}

ImageBlock DecodePicture(Bytes data, [[maybe_unused]] std::uint32_t minWidth,
                         [[maybe_unused]] std::uint32_t minHeight) {
  switch (SniffPictureKind(data)) {
  case PictureKind::kBmp:
    return DecodeBmp(data);
  case PictureKind::kJpeg:
#ifdef QVIMAGE_WITH_JPEG
    return DecodeJpeg(data, minWidth, minHeight);
#else
    return nullptr;
#endif
  case PictureKind::kPng:
#ifdef QVIMAGE_WITH_PNG
    return DecodePng(data);
#else
    return nullptr;
#endif
  case PictureKind::kUnknown:
    return nullptr;
  }
  return nullptr;
}

} // namespace vorafile::qvimage
