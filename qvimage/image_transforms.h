// Resampling and colour reduction of the codec library. Both make a new
// block and leave the source alone; both answer null on failure.
#ifndef VORAFILE_QVIMAGE_IMAGE_TRANSFORMS_H
#define VORAFILE_QVIMAGE_IMAGE_TRANSFORMS_H

#include "qvimage/image_block.h"

namespace vorafile::qvimage {

/// Resamples to exactly `width` x `height`, each axis on its own: area
/// averaging where it shrinks, bilinear (pixel centres aligned, edges
/// clamped) where it grows; an axis of the same size is copied. The result
/// has 32 bits when the source has 32 (alpha resampled like a colour), else
/// 24.
ImageBlock ResizeToExactly(const ImageView &source, std::uint32_t width,
                           std::uint32_t height);

/// Median cut over a 5-bit-per-channel histogram: the most populated box is
/// split at the median of its longest side until there are `colours` boxes
/// or none can be split; each box's colour is the mean of its pixels. Needs
/// a 24-bit source and 1 <= colours <= 256. The result has 1, 4 or 8 bits,
/// a full table of 2^bits entries and biClrUsed = the number of boxes.
ImageBlock QuantizeMedianCut(const ImageView &source, std::uint32_t colours);

} // namespace vorafile::qvimage

#endif // VORAFILE_QVIMAGE_IMAGE_TRANSFORMS_H
