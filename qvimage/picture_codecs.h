// The codec library's readers and writers. Readers take the whole file in
// memory and answer a new block, or null when the bytes are not a picture
// they can read whole (truncated, corrupt, unsupported or too large); they
// never read outside the span and allocate only after the declared size has
// been checked against kMaxPixels. Writers answer the file's bytes, or
// nothing.
#ifndef VORAFILE_QVIMAGE_PICTURE_CODECS_H
#define VORAFILE_QVIMAGE_PICTURE_CODECS_H

#include "qvimage/image_block.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vorafile::qvimage {

using Bytes = std::span<const std::uint8_t>;

enum class PictureKind { kUnknown, kBmp, kJpeg, kPng };

/// Tells the format by the first bytes.
PictureKind SniffPictureKind(Bytes data);

/// The format to write, from the extension of `path` (ASCII case ignored).
PictureKind KindFromExtension(std::string_view path);

/// Whether this build reads and writes `kind` (the BMP-only build has no
/// JPEG and PNG).
bool IsKindSupported(PictureKind kind);

/// Any supported format. `minWidth` and `minHeight` (0: full size) let the
/// JPEG reader use its DCT scaling: the result is never smaller than
/// min(width, minWidth) x min(height, minHeight).
ImageBlock DecodePicture(Bytes data, std::uint32_t minWidth = 0,
                         std::uint32_t minHeight = 0);

/// BMP: 1, 4 and 8 bits (giving an 8-bit image), 24 bits, and 32 bits
/// (BI_RGB, or BI_BITFIELDS with byte-aligned masks); top-down or bottom-up.
ImageBlock DecodeBmp(Bytes data);
std::optional<std::vector<std::uint8_t>> EncodeBmp(const ImageView &image);

/// JPEG (libjpeg-turbo): greyscale gives an 8-bit image with a grey table,
/// colour gives 24 bits. A decoder warning (truncated or corrupt data) is a
/// failure.
ImageBlock DecodeJpeg(Bytes data, std::uint32_t minWidth = 0,
                      std::uint32_t minHeight = 0);
std::optional<std::vector<std::uint8_t>> EncodeJpeg(const ImageView &image,
                                                    int quality);

/// PNG (libpng): alpha gives 32 bits, grey 8 bits, colour 24 bits.
ImageBlock DecodePng(Bytes data);
std::optional<std::vector<std::uint8_t>> EncodePng(const ImageView &image);

} // namespace vorafile::qvimage

#endif // VORAFILE_QVIMAGE_PICTURE_CODECS_H
