// Fuzz target for the codec library's picture readers: BMP, JPEG (full size
// and with DCT scaling) and PNG, then the resampler, the colour reducer and
// the BMP writer on whatever decodes. Every input must fail cleanly or give
// a block that passes the library's own checks.
#include "qvimage/image_transforms.h"
#include "qvimage/picture_codecs.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace vorafile::qvimage;

// Larger inputs add nothing that smaller ones cannot reach.
constexpr std::size_t kMaxInputSize = 1 << 20;
// Resampling and colour reduction run on pictures up to this size only, so
// one input stays well inside the fuzzer's time limit.
constexpr std::uint64_t kMaxTransformPixels = 1 << 20;

void Exercise(const ImageBlock &block, std::uint8_t seed) {
  if (!block)
    return;
  std::optional<ImageView> view = ViewImage(block.get(), nullptr);
  if (!view)
    __builtin_trap(); // a decoder made a block that fails its own checks
  if (static_cast<std::uint64_t>(view->width) * view->height >
      kMaxTransformPixels)
    return;
  (void)EncodeBmp(*view);
  ImageBlock smaller =
      ResizeToExactly(*view, view->width / 3 + 1, view->height / 2 + 1);
  ImageBlock larger = ResizeToExactly(*view, view->width + 3, 2);
  if (smaller && smaller->biBitCount == 24) {
    ImageBlock reduced =
        QuantizeMedianCut(ViewOwnImage(smaller), seed % 256u + 1u);
    if (reduced)
      (void)EncodeBmp(ViewOwnImage(reduced));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size > kMaxInputSize)
    return 0;
  const Bytes bytes(data, size);
  const std::uint8_t seed = size > 0 ? data[size - 1] : 0;
  Exercise(DecodeBmp(bytes), seed);
  if (IsKindSupported(PictureKind::kJpeg)) {
    Exercise(DecodeJpeg(bytes), seed);
    Exercise(DecodeJpeg(bytes, 1u + seed % 64u, 1u + seed / 4u), seed);
  }
  if (IsKindSupported(PictureKind::kPng))
    Exercise(DecodePng(bytes), seed);
  Exercise(DecodePicture(bytes), seed);
  return 0;
}
