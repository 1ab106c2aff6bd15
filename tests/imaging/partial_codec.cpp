// A codec library that exports only DecodeImage and FreeMemory, for the
// tests of missing exports. Every decode makes the same 8 x 6 black 24-bit
// image, whatever the path.
#include "imaging/dib_format.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#define PARTIAL_CODEC_API __declspec(dllexport)
#else
#define PARTIAL_CODEC_API __attribute__((visibility("default")))
#endif

namespace {

constexpr std::int32_t kWidth = 8;
constexpr std::int32_t kHeight = 6;

} // namespace

extern "C" {

PARTIAL_CODEC_API int DecodeImage(const char *path, void **image, int options);
PARTIAL_CODEC_API int FreeMemory(void *image);

int DecodeImage(const char *path, void **image, int options) {
  if (path == nullptr || image == nullptr || options != 0)
    return 0;
  const std::size_t rows =
      vorafile::imaging::DibRowStride(kWidth, 24) * kHeight;
  void *block =
      std::calloc(1, sizeof(vorafile::imaging::BITMAPINFOHEADER) + rows);
  if (block == nullptr)
    return 0;
  vorafile::imaging::BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(block, &header, sizeof header);
  *image = block;
  return 1;
}

int FreeMemory(void *image) {
  std::free(image);
  return 1;
}

} // extern "C"
