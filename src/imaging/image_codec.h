// The codec wrapper behind the picture service: it loads the codec library
// "QVImage" at run time from the components folder under the system's
// program files folder, and holds the one current image (a packed DIB that
// the codec library allocated and alone may free) and a pointer to that
// image's pixel rows.
#ifndef VORAFILE_IMAGING_IMAGE_CODEC_H
#define VORAFILE_IMAGING_IMAGE_CODEC_H

#include "imaging/dib_format.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorafile::platform {
class DynamicLibrary;
}

namespace vorafile::imaging {

/// The registry value is read into a buffer of this many bytes, terminator
/// included; a longer value counts as unreadable.
inline constexpr std::size_t kProgramFilesBufferSize = 256;

class ImageCodec {
public:
  /// Where the program files folder is; nothing when it is unknown.
  using ProgramFilesLocator = std::function<std::optional<std::string>()>;

  /// Nothing loaded, no image; the program files folder comes from the
  /// registry.
  ImageCodec();
  /// Same, with the program files folder from `locator` (tests).
  explicit ImageCodec(ProgramFilesLocator locator);
  ImageCodec(const ImageCodec &) = delete;
  ImageCodec &operator=(const ImageCodec &) = delete;
  /// Frees the current image, then unloads the library.
  ~ImageCodec();

  /// The codec library's path: the program files folder + "\Mervel\TERVY
  /// Components\QVImage.dll" (POSIX: "/Mervel/TERVY Components/QVImage.so").
  /// Nothing when the folder is unknown or the value does not fit the
  /// registry buffer.
  [[nodiscard]] std::optional<std::string> LibraryPath() const;

  /// Loads the library once; true when it is loaded (already or now), false
  /// when the path is unknown or the library does not load. Missing exports
  /// stay null: only the operations that need them fail.
  [[nodiscard]] bool Load();

  /// Frees the current image, then decodes `path` into a new one. False when
  /// the library or DecodeImage is missing or decoding fails; the previous
  /// image is gone either way.
  [[nodiscard]] bool Decode(const std::string &path);
  /// Decode, but a library that offers DecodeImageScaled may reduce the
  /// picture while decoding, never below min(width, minWidth) x
  /// min(height, minHeight). Falls back to Decode.
  [[nodiscard]] bool DecodeScaled(const std::string &path,
                                  std::uint32_t minWidth,
                                  std::uint32_t minHeight);
  /// Writes the current image to `path`; whether the codec did, false
  /// without library, EncodeImage or image.
  [[nodiscard]] bool Encode(const std::string &path);
  /// Resizes the current image to exactly width x height (both nonzero).
  /// On failure the current image stays.
  [[nodiscard]] bool Resize(std::uint32_t width, std::uint32_t height);
  /// Frees the current image (when FreeMemory is known).
  void FreeImage();

  [[nodiscard]] bool HasImage() const { return image_ != nullptr; }
  /// The current image's header, or null.
  [[nodiscard]] BITMAPINFOHEADER *Image() const {
    return static_cast<BITMAPINFOHEADER *>(image_);
  }
  /// Where the current image's pixel rows begin, or null.
  [[nodiscard]] void *Pixels() const { return pixels_; }

private:
  enum class PixelRule { kAfterDecode, kAfterResize };
  void SetPixelPointer(PixelRule rule);
  void ReleaseCurrentImage();

  using FreeMemoryFunction = int (*)(void *);
  using DecodeImageFunction = int (*)(const char *, void **, int);
  using EncodeImageFunction = int (*)(const char *, void *, void *);
  using ResizeImageFunction = int (*)(void **, void *, int, int);
  using DecodeImageScaledFunction = int (*)(const char *, void **, int, int);

  ProgramFilesLocator locator_;
  std::unique_ptr<platform::DynamicLibrary> library_;
  void *image_ = nullptr;
  void *pixels_ = nullptr;
  FreeMemoryFunction freeMemory_ = nullptr;
  DecodeImageFunction decodeImage_ = nullptr;
  EncodeImageFunction encodeImage_ = nullptr;
  ResizeImageFunction resizeImage_ = nullptr;
  DecodeImageScaledFunction decodeImageScaled_ = nullptr;
};

} // namespace vorafile::imaging

#endif // VORAFILE_IMAGING_IMAGE_CODEC_H
