// The packed device-independent bitmap that the image codec library hands
// out: a BITMAPINFOHEADER, its colour table of RGBQUAD entries, then the
// pixel rows, bottom row first, each padded to a multiple of 4 bytes.
//
// Shared by the codec wrapper and our codec library; it holds only the
// layout, so neither needs a system header for it.
#ifndef VORAFILE_IMAGING_DIB_FORMAT_H
#define VORAFILE_IMAGING_DIB_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace vorafile::imaging {

// The record names and field names are those of the Windows headers, so that
// the layout reads the same as in any DIB documentation.
struct BITMAPINFOHEADER {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "packed DIB header is 40 bytes");

struct RGBQUAD {
  std::uint8_t rgbBlue;
  std::uint8_t rgbGreen;
  std::uint8_t rgbRed;
  std::uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "colour table entries are 4 bytes");

inline constexpr std::size_t kBitmapInfoHeaderSize = sizeof(BITMAPINFOHEADER);
inline constexpr std::size_t kRgbQuadSize = sizeof(RGBQUAD);

/// biCompression values.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiBitfields = 3;

/// Bytes of one pixel row of `width` pixels at `bitCount` bits, padded to a
/// multiple of 4. Computed in 64 bits: a width of up to 2^31 cannot wrap.
constexpr std::uint64_t DibRowStride(std::uint32_t width,
                                     std::uint32_t bitCount) {
  return ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
}

} // namespace vorafile::imaging

#endif // VORAFILE_IMAGING_DIB_FORMAT_H
