// JPEG reader and writer of the codec library, over the TurboJPEG interface
// of libjpeg-turbo (which keeps libjpeg's setjmp error handling to itself).
#include "qvimage/picture_codecs.h"

#include <turbojpeg.h>

#include <cstring>
#include <limits>

namespace vorafile::qvimage {

namespace {

struct TurboHandleCloser {
  void operator()(void *handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboHandleCloser>;

struct TurboBufferFree {
  void operator()(unsigned char *buffer) const { tjFree(buffer); }
};

// Progressive files with more scans than this are refused: libjpeg-turbo's
// own guard against files made to spin the decoder.
constexpr int kDecodeFlags =
    TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

// The smallest DCT scaling factor (at most 1) that keeps the picture at
// least `wantWidth` x `wantHeight`.
tjscalingfactor ChooseScale(int width, int height, int wantWidth,
                            int wantHeight) {
  tjscalingfactor best{1, 1};
  int count = 0;
  const tjscalingfactor *factors = tjGetScalingFactors(&count);
  if (factors == nullptr) {
    return best;
  }
  for (int i = 0; i < count; ++i) {
    const tjscalingfactor factor = factors[i];
    if (factor.num > factor.denom) {
      continue;
    }
    const int scaledWidth = TJSCALED(width, factor);
    const int scaledHeight = TJSCALED(height, factor);
    if (scaledWidth >= wantWidth && scaledHeight >= wantHeight &&
        scaledWidth <= TJSCALED(width, best)) {
      best = factor;
    }
  }
  return best;
}

} // namespace

ImageBlock DecodeJpeg(Bytes data, std::uint32_t minWidth,
                      std::uint32_t minHeight) {
  if (data.empty() || data.size() > std::numeric_limits<unsigned long>::max()) {
    return nullptr;
  }
  TurboHandle handle(tjInitDecompress());
  if (!handle) {
    return nullptr;
  }
  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colorspace = 0;
  if (tjDecompressHeader3(handle.get(), data.data(),
                          static_cast<unsigned long>(data.size()), &width,
                          &height, &subsampling, &colorspace) != 0) {
    return nullptr;
  }
  if (width <= 0 || height <= 0 ||
      static_cast<std::uint32_t>(width) > kMaxDimension ||
      static_cast<std::uint32_t>(height) > kMaxDimension ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
          kMaxPixels) {
    return nullptr;
  }
  tjscalingfactor scale{1, 1};
  if (minWidth != 0 && minHeight != 0) {
    const auto wantWidth =
        static_cast<int>(std::min<std::uint32_t>(minWidth, kMaxDimension));
    const auto wantHeight =
        static_cast<int>(std::min<std::uint32_t>(minHeight, kMaxDimension));
    scale = ChooseScale(width, height, std::min(width, wantWidth),
                        std::min(height, wantHeight));
  }
  const int scaledWidth = TJSCALED(width, scale);
  const int scaledHeight = TJSCALED(height, scale);
  const bool grey = colorspace == TJCS_GRAY;
  ImageBlock block = AllocateImage(static_cast<std::uint32_t>(scaledWidth),
                                   static_cast<std::uint32_t>(scaledHeight),
                                   grey ? 8 : 24, grey ? 256 : 0);
  if (!block) {
    return nullptr;
  }
  if (grey) {
    FillGreyTable(TableOf(block.get()), 256);
  }
  const ImageView out = ViewOwnImage(block);
  if (tjDecompress2(handle.get(), data.data(),
                    static_cast<unsigned long>(data.size()), out.pixels,
                    scaledWidth, static_cast<int>(out.stride), scaledHeight,
                    grey ? TJPF_GRAY : TJPF_BGR, kDecodeFlags) != 0) {
    return nullptr;
  }
  return block;
}

std::optional<std::vector<std::uint8_t>> EncodeJpeg(const ImageView &image,
                                                    int quality) {
  TurboHandle handle(tjInitCompress());
  if (!handle) {
    return std::nullopt;
  }
  // 24 and 32 bits go straight from the block; indexed images are expanded.
  std::vector<std::uint8_t> expanded;
  const std::uint8_t *source = image.pixels;
  int pitch = static_cast<int>(image.stride);
  int format = image.bitCount == 32 ? TJPF_BGRX : TJPF_BGR;
  if (image.bitCount <= 8) {
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(image.width);
    expanded.resize(rowBytes * image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) {
      ExpandRowToBgr(image, y, expanded.data() + rowBytes * y);
    }
    source = expanded.data();
    pitch = static_cast<int>(rowBytes);
    format = TJPF_BGR;
  }
  unsigned char *jpeg = nullptr;
  unsigned long jpegSize = 0;
  const int status =
      tjCompress2(handle.get(), source, static_cast<int>(image.width), pitch,
                  static_cast<int>(image.height), format, &jpeg, &jpegSize,
                  TJSAMP_420, quality, TJFLAG_BOTTOMUP);
  std::unique_ptr<unsigned char, TurboBufferFree> owner(jpeg);
  if (status != 0 || jpeg == nullptr) {
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(jpeg, jpeg + jpegSize);
}

} // namespace vorafile::qvimage
