// Drawing a packed DIB on a device context (Windows graphics). POSIX has no
// device contexts: there every call answers 0.
#ifndef VORAFILE_PLATFORM_DIB_DRAWING_H
#define VORAFILE_PLATFORM_DIB_DRAWING_H

#include <cstdint>

namespace vorafile::platform {

/// Left, top, right, bottom, in pixels.
struct DibRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

/// Stretches `source` of the DIB (`info`: its BITMAPINFOHEADER and colour
/// table; `pixels`: its rows) onto `target` of the device context, colour on
/// colour, source copy. On an 8-bit device an 8-bit image brings its own
/// palette, selected with `forceBackground` and realised for the call.
/// Answers the number of scan lines copied, 0 on failure.
int StretchDibToDevice(void *deviceContext, const DibRect &target,
                       const DibRect &source, const void *info,
                       const void *pixels, std::uint32_t forceBackground);

/// Copies the whole DIB to 0,0 of the device context through a memory
/// device context and a DIB section. True when every row was taken over and
/// copied.
bool BlitDibToDevice(void *deviceContext, const void *info, const void *pixels,
                     std::uint32_t forceBackground);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_DIB_DRAWING_H
