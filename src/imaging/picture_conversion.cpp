#include "imaging/picture_conversion.h"

#include "platform/file_system.h"

namespace vorafile::imaging {

namespace {

constexpr std::string_view kConvertedExtension = ".jpg";

PicturePointers PointersOf(const ImageCodec &codec) {
  return PicturePointers{codec.Image(), codec.Pixels()};
}

} // namespace

bool ExceedsLimits(const BITMAPINFOHEADER &header, PictureLimits limits) {
  return static_cast<std::uint32_t>(header.biWidth) > limits.width ||
         static_cast<std::uint32_t>(header.biHeight) > limits.height;
}

std::optional<std::string> ConvertedPicturePath(const std::string &workFolder,
                                                std::string_view sourcePath) {
  std::string_view name = sourcePath;
  if (std::size_t slash = name.find_last_of("\\/");
      slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    name = name.substr(0, dot);
  }
  std::string path = workFolder;
  path += name;
  path += kConvertedExtension;
  if (path.size() >= platform::kMaxPath) {
    return std::nullopt;
  }
  return path;
}

int DecodePicture(ImageCodec &codec, const std::string &path,
                  PicturePointers &out) {
  out = PicturePointers{};
  if (codec.Decode(path) == 0) {
    return 0;
  }
  out = PointersOf(codec);
  return 1;
}

int ConvertPicture(ImageCodec &codec, const std::string &path,
                   PictureLimits limits, const std::string &workFolder,
                   std::string &convertedPath) {
  if (codec.Load() == 0) {
    return 0;
  }
  auto fail = [&codec] {
    codec.FreeImage();
    return 0;
  };
  if (codec.DecodeScaled(path, limits.width, limits.height) == 0 ||
      !codec.HasImage()) {
    return fail();
  }
  if (ExceedsLimits(*codec.Image(), limits) &&
      codec.Resize(limits.width, limits.height) == 0) {
    return fail();
  }
  std::optional<std::string> target = ConvertedPicturePath(workFolder, path);
  if (!target) {
    return fail();
  }
  convertedPath = *target;
  if (codec.Encode(convertedPath) == 0) {
    return fail();
  }
  return 1;
}

int DecodePictureToFit(ImageCodec &codec, const std::string &path,
                       PictureLimits limits, PicturePointers &out) {
  out = PicturePointers{};
  if (codec.Decode(path) == 0) {
    return 0;
  }
  if (codec.HasImage() && ExceedsLimits(*codec.Image(), limits) &&
      codec.Resize(limits.width, limits.height) == 0) {
    return 0;
  }
  out = PointersOf(codec);
  return 1;
}

int DecodePictureResized(ImageCodec &codec, const std::string &path,
                         PictureLimits size, PicturePointers &out) {
  out = PicturePointers{};
  if (codec.Decode(path) == 0 || codec.Resize(size.width, size.height) == 0) {
    return 0;
  }
  out = PointersOf(codec);
  return 1;
}

} // namespace vorafile::imaging
