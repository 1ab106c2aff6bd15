// The picture operations that the host reaches through the file manager:
// decoding into the codec's current image, fitting it into limits, and
// converting a picture into a JPEG file in the working folder. Each answers
// 1 for success and 0 for failure; none of them loads the codec library
// except ConvertPicture.
#ifndef VORAFILE_IMAGING_PICTURE_CONVERSION_H
#define VORAFILE_IMAGING_PICTURE_CONVERSION_H

#include "imaging/image_codec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorafile::imaging {

/// Largest (or exact) width and height, as the host passes them.
struct PictureLimits {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

/// The current image's header and pixel pointers as the host receives them;
/// both null when there is no image or the operation failed.
struct PicturePointers {
  void *header = nullptr;
  void *pixels = nullptr;
};

/// Whether the image is wider or taller than the limits (unsigned compare).
bool ExceedsLimits(const BITMAPINFOHEADER &header, PictureLimits limits);

/// Working folder + base name of `sourcePath` (no folder, no extension;
/// both "\" and "/" separate folders) + ".jpg". Nothing when the result
/// would not fit a host path buffer.
std::optional<std::string> ConvertedPicturePath(const std::string &workFolder,
                                                std::string_view sourcePath);

/// Decodes `path` into the current image. On success `out` holds its
/// pointers.
int DecodePicture(ImageCodec &codec, const std::string &path,
                  PicturePointers &out);

/// Loads the codec library (0 when it does not load; nothing else
/// happens), decodes `path`, resizes it to exactly `limits` when it exceeds
/// them, and encodes it to ConvertedPicturePath(). `convertedPath` receives
/// that path before encoding. Any failure after loading frees the current
/// image. A library with DecodeImageScaled may reduce a JPEG while decoding
/// (never below the limits), which gives the same size of result faster.
int ConvertPicture(ImageCodec &codec, const std::string &path,
                   PictureLimits limits, const std::string &workFolder,
                   std::string &convertedPath);

/// Decodes `path` and resizes it to exactly `limits` only when it exceeds
/// them. A failed resize answers 0 and keeps the decoded image current.
int DecodePictureToFit(ImageCodec &codec, const std::string &path,
                       PictureLimits limits, PicturePointers &out);

/// Decodes `path` and always resizes it to exactly `size`. Neither failure
/// frees the current image.
int DecodePictureResized(ImageCodec &codec, const std::string &path,
                         PictureLimits size, PicturePointers &out);

} // namespace vorafile::imaging

#endif // VORAFILE_IMAGING_PICTURE_CONVERSION_H
