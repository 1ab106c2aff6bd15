// On-disk layout of BMP files as the codec library reads and writes them.
#ifndef VORAFILE_QVIMAGE_BMP_FORMAT_H
#define VORAFILE_QVIMAGE_BMP_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace vorafile::qvimage::bmp {

// BITMAPFILEHEADER, little-endian, not padded.
inline constexpr std::size_t kBfType = 0;     // "BM"
inline constexpr std::size_t kBfSize = 2;     // whole file, not trusted
inline constexpr std::size_t kBfOffBits = 10; // start of the pixel rows
inline constexpr std::size_t kFileHeaderSize = 14;

// BITMAPINFOHEADER fields, from the start of the info header.
inline constexpr std::size_t kBiSize = 0;
inline constexpr std::size_t kBiWidth = 4;
inline constexpr std::size_t kBiHeight = 8;
inline constexpr std::size_t kBiPlanes = 12;
inline constexpr std::size_t kBiBitCount = 14;
inline constexpr std::size_t kBiCompression = 16;
inline constexpr std::size_t kBiClrUsed = 32;
inline constexpr std::size_t kInfoHeaderSize = 40;
// BITMAPV4HEADER and later carry the channel masks inside the header.
inline constexpr std::size_t kBV4RedMask = 40;
inline constexpr std::size_t kV4HeaderMinSize = 56; // up to bV4AlphaMask
// Larger info headers (V4 is 108, V5 124) are accepted up to this size; a
// bigger one is not a BMP we know.
inline constexpr std::size_t kMaxInfoHeaderSize = 1024;

} // namespace vorafile::qvimage::bmp

#endif // VORAFILE_QVIMAGE_BMP_FORMAT_H
