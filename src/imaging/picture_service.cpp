#include "imaging/picture_service.h"

#include "platform/file_system.h"

namespace vorafile::imaging {

namespace {

constexpr std::string_view kConvertedExtension = ".jpg";

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

PictureService::PictureService(ImageCodec::ProgramFilesLocator locator)
    : codec_(std::move(locator)) {}

PicturePointers PictureService::CurrentPointers() const {
  return PicturePointers{codec_.Image(), codec_.Pixels()};
}

bool PictureService::LoadCodec() {
  return codec_.Load();
}

bool PictureService::Decode(const std::string &path, PicturePointers &out) {
  out = PicturePointers{};
  if (!codec_.Decode(path)) {
    return false;
  }
  out = CurrentPointers();
  convertedPath_.clear();
  return true;
}

bool PictureService::Convert(const std::string &path, PictureLimits limits,
                             const std::string &workFolder) {
  if (!codec_.Load()) {
    return false;
  }
  auto fail = [this] {
    codec_.FreeImage();
    return false;
  };
  if (!codec_.DecodeScaled(path, limits.width, limits.height) ||
      !codec_.HasImage()) {
    return fail();
  }
  if (ExceedsLimits(*codec_.Image(), limits) &&
      !codec_.Resize(limits.width, limits.height)) {
    return fail();
  }
  std::optional<std::string> target = ConvertedPicturePath(workFolder, path);
  if (!target) {
    return fail();
  }
  convertedPath_ = std::move(*target);
  if (!codec_.Encode(convertedPath_)) {
    return fail();
  }
  return true;
}

bool PictureService::DecodeToFit(const std::string &path, PictureLimits limits,
                                 PicturePointers &out) {
  out = PicturePointers{};
  if (!codec_.Decode(path)) {
    return false;
  }
  if (codec_.HasImage() && ExceedsLimits(*codec_.Image(), limits) &&
      !codec_.Resize(limits.width, limits.height)) {
    return false;
  }
  out = CurrentPointers();
  return true;
}

bool PictureService::DecodeResized(const std::string &path, PictureLimits size,
                                   PicturePointers &out) {
  out = PicturePointers{};
  if (!codec_.Decode(path) || !codec_.Resize(size.width, size.height)) {
    return false;
  }
  out = CurrentPointers();
  return true;
}

} // namespace vorafile::imaging
