// The picture service: the one door to pictures. It owns the image codec and
// the path of the last converted picture, and answers the host's picture
// messages: load the codec library, decode, convert to a JPEG file, free,
// decode to fit limits and decode resized. Only Convert loads the codec
// library on its own; the decodes fail until it is loaded.
#ifndef VORAFILE_IMAGING_PICTURE_SERVICE_H
#define VORAFILE_IMAGING_PICTURE_SERVICE_H

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
[[nodiscard]] bool ExceedsLimits(const BITMAPINFOHEADER &header,
                                 PictureLimits limits);

/// Working folder + base name of `sourcePath` (no folder, no extension;
/// both "\" and "/" separate folders) + ".jpg". Nothing when the result
/// would not fit a host path buffer.
[[nodiscard]] std::optional<std::string>
ConvertedPicturePath(const std::string &workFolder,
                     std::string_view sourcePath);

class PictureService {
public:
  /// Codec library not loaded; its folder comes from the registry.
  PictureService() = default;
  /// Same, with the program files folder from `locator` (tests).
  explicit PictureService(ImageCodec::ProgramFilesLocator locator);
  PictureService(const PictureService &) = delete;
  PictureService &operator=(const PictureService &) = delete;

  /// Loads the codec library once; true when it is loaded (already or now).
  [[nodiscard]] bool LoadCodec();

  /// Decodes `path` into the current image and empties ConvertedPath(). On
  /// success `out` holds the image's pointers, otherwise both are null.
  [[nodiscard]] bool Decode(const std::string &path, PicturePointers &out);

  /// Loads the codec library (false when it does not load; nothing else
  /// happens), decodes `path`, resizes it to exactly `limits` when it
  /// exceeds them, and encodes it to ConvertedPicturePath(workFolder, path),
  /// which becomes ConvertedPath() just before encoding. Any failure after
  /// loading frees the current image. A library with DecodeImageScaled may
  /// reduce a JPEG while decoding (never below the limits), which gives the
  /// same size of result faster.
  [[nodiscard]] bool Convert(const std::string &path, PictureLimits limits,
                             const std::string &workFolder);

  /// Frees the current image; nothing to do when there is none.
  void Free() { codec_.FreeImage(); }

  /// Decodes `path` and resizes it to exactly `limits` only when it exceeds
  /// them. A failed resize answers false and keeps the decoded image
  /// current. `out` as for Decode.
  [[nodiscard]] bool DecodeToFit(const std::string &path, PictureLimits limits,
                                 PicturePointers &out);

  /// Decodes `path` and always resizes it to exactly `size`. Neither
  /// failure frees the current image. `out` as for Decode.
  [[nodiscard]] bool DecodeResized(const std::string &path, PictureLimits size,
                                   PicturePointers &out);

  /// The JPEG file the last Convert wrote (or tried to write); empty after a
  /// successful Decode.
  [[nodiscard]] const std::string &ConvertedPath() const {
    return convertedPath_;
  }

  /// The codec and its current image, for callers that inspect them.
  [[nodiscard]] const ImageCodec &Codec() const { return codec_; }

private:
  [[nodiscard]] PicturePointers CurrentPointers() const;

  ImageCodec codec_;
  std::string convertedPath_;
};

} // namespace vorafile::imaging

#endif // VORAFILE_IMAGING_PICTURE_SERVICE_H
