// Memory blocks of the codec library: a packed DIB behind a hidden prefix
// that records how large the block is and where its pixel rows begin, so
// that every block handed back to the library can be checked before use.
#ifndef VORAFILE_QVIMAGE_IMAGE_BLOCK_H
#define VORAFILE_QVIMAGE_IMAGE_BLOCK_H

#include "imaging/dib_format.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace vorafile::qvimage {

using imaging::BITMAPINFOHEADER;
using imaging::RGBQUAD;

/// Largest width or height we make or accept. Far above any picture a scene
/// uses; it keeps every row and offset computation well inside 64 bits.
inline constexpr std::uint32_t kMaxDimension = 65535;
/// Largest pixel count (64 megapixels): bounds the memory one hostile file
/// header can make us allocate to 256 MB at 32 bits per pixel.
inline constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;

struct ImageBlockDeleter {
  void operator()(BITMAPINFOHEADER *block) const;
};
/// A block owned by the library until it is released to the caller.
using ImageBlock = std::unique_ptr<BITMAPINFOHEADER, ImageBlockDeleter>;

/// Allocates a bottom-up image of `width` x `height` at `bitCount` (1, 4, 8,
/// 24 or 32) with a colour table of `tableEntries` entries (at most 2^bits;
/// 0 above 8 bits), biClrUsed = `tableEntries`. Table and pixels are zeroed.
/// Null when the size is out of bounds or memory runs out.
ImageBlock AllocateImage(std::uint32_t width, std::uint32_t height,
                         std::uint16_t bitCount, std::uint32_t tableEntries);

/// Releases a block made by AllocateImage; false (nothing done) for null or
/// for a pointer that does not carry our prefix.
bool ReleaseImage(void *block);

/// A checked look at a block.
struct ImageView {
  const BITMAPINFOHEADER *header = nullptr;
  const RGBQUAD *table = nullptr;
  std::uint32_t tableEntries = 0; ///< entries that may be read
  std::uint8_t *pixels = nullptr; ///< bottom row first
  std::size_t stride = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bitCount = 0;

  [[nodiscard]] std::uint8_t *Row(std::uint32_t bottomUpIndex) const {
    return pixels + static_cast<std::size_t>(bottomUpIndex) * stride;
  }
};

/// Checks a block handed back by a caller: our prefix, a header that still
/// agrees with the block's size (the caller can write to it), and `pixels`
/// (when not null) at the start of the rows. Nothing when any check fails.
std::optional<ImageView> ViewImage(const void *block, const void *pixels);

/// The view of a block we just made (always valid).
ImageView ViewOwnImage(const ImageBlock &block);

/// Writes row `bottomUpIndex` as `width` B, G, R triples (3 bytes per
/// pixel), whatever the depth; colour indices past the table read as black.
void ExpandRowToBgr(const ImageView &image, std::uint32_t bottomUpIndex,
                    std::uint8_t *out);

/// Fills a colour table with a grey ramp of `entries` entries.
void FillGreyTable(RGBQUAD *table, std::uint32_t entries);

/// The colour table of a block we made.
RGBQUAD *TableOf(BITMAPINFOHEADER *header);

} // namespace vorafile::qvimage

#endif // VORAFILE_QVIMAGE_IMAGE_BLOCK_H
