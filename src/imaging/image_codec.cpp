#include "imaging/image_codec.h"

#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/installation_names.h"
#include "platform/registry.h"

#include <climits>

namespace vorafile::imaging {

namespace {

std::optional<std::string> ProgramFilesFromRegistry() {
  return platform::ReadMachineRegistryString(installation::kProgramFilesKey,
                                             installation::kProgramFilesValue);
}

// Exports are found by name; the address is converted to the function type
// we call it through.
template <typename Function>
Function FindFunction(const platform::DynamicLibrary &library,
                      const char *name) {
  return reinterpret_cast<Function>(library.FindExport(name));
}

// The codec's width and height arguments are signed 32-bit values.
bool FitsCodecInt(std::uint32_t value) {
  return value != 0 && value <= static_cast<std::uint32_t>(INT_MAX);
}

} // namespace

ImageCodec::ImageCodec() : ImageCodec(ProgramFilesFromRegistry) {}

ImageCodec::ImageCodec(ProgramFilesLocator locator)
    : locator_(std::move(locator)) {}

ImageCodec::~ImageCodec() {
  FreeImage();
  library_.reset();
}

std::optional<std::string> ImageCodec::LibraryPath() const {
  std::optional<std::string> folder = locator_ ? locator_() : std::nullopt;
  if (!folder || folder->size() >= kProgramFilesBufferSize) {
    return std::nullopt;
  }
  std::string path = *folder;
  for (const char *part :
       {installation::kMakerFolder, installation::kComponentsFolder,
        installation::kCodecLibraryFile}) {
    path += platform::kPathSeparator;
    path += part;
  }
  return path;
}

bool ImageCodec::Load() {
  if (library_) {
    return true;
  }
  std::optional<std::string> path = LibraryPath();
  if (!path) {
    return false;
  }
  std::unique_ptr<platform::DynamicLibrary> library =
      platform::DynamicLibrary::Load(*path);
  if (!library) {
    return false;
  }
  freeMemory_ = FindFunction<FreeMemoryFunction>(*library, "FreeMemory");
  decodeImage_ = FindFunction<DecodeImageFunction>(*library, "DecodeImage");
  encodeImage_ = FindFunction<EncodeImageFunction>(*library, "EncodeImage");
  resizeImage_ = FindFunction<ResizeImageFunction>(*library, "ResizeImage");
  decodeImageScaled_ =
      FindFunction<DecodeImageScaledFunction>(*library, "DecodeImageScaled");
  library_ = std::move(library);
  return true;
}

void ImageCodec::SetPixelPointer(PixelRule rule) {
  if (image_ == nullptr) {
    pixels_ = nullptr;
    return;
  }
  const BITMAPINFOHEADER *header = Image();
  const std::uint32_t bits = header->biBitCount;
  std::uint64_t entries = 0;
  switch (rule) {
  case PixelRule::kAfterDecode:
    if (bits < 9) {
      entries = header->biClrUsed != 0 ? header->biClrUsed : (1ull << bits);
    }
    break;
  case PixelRule::kAfterResize:
    if (bits == 8) {
      entries = header->biClrUsed != 0 ? header->biClrUsed : 256;
    }
    break;
  }
  pixels_ = static_cast<std::uint8_t *>(image_) + kBitmapInfoHeaderSize +
            entries * kRgbQuadSize;
}

bool ImageCodec::Decode(const std::string &path) {
  if (!library_ || decodeImage_ == nullptr) {
    return false;
  }
  ReleaseCurrentImage();
  void *image = nullptr;
  if (decodeImage_(path.c_str(), &image, 0) == 0) {
    return false;
  }
  image_ = image;
  SetPixelPointer(PixelRule::kAfterDecode);
  return true;
}

bool ImageCodec::DecodeScaled(const std::string &path, std::uint32_t minWidth,
                              std::uint32_t minHeight) {
  if (!library_ || decodeImageScaled_ == nullptr || !FitsCodecInt(minWidth) ||
      !FitsCodecInt(minHeight)) {
    return Decode(path);
  }
  ReleaseCurrentImage();
  void *image = nullptr;
  if (decodeImageScaled_(path.c_str(), &image, static_cast<int>(minWidth),
                         static_cast<int>(minHeight)) == 0) {
    return false;
  }
  image_ = image;
  SetPixelPointer(PixelRule::kAfterDecode);
  return true;
}

bool ImageCodec::Encode(const std::string &path) {
  if (!library_ || encodeImage_ == nullptr || image_ == nullptr) {
    return false;
  }
  return encodeImage_(path.c_str(), image_, pixels_) != 0;
}

bool ImageCodec::Resize(std::uint32_t width, std::uint32_t height) {
  if (!library_ || image_ == nullptr || resizeImage_ == nullptr || width == 0 ||
      height == 0) {
    return false;
  }
  // Values past the codec's signed range go through as they are; the codec
  // refuses them like any other impossible size.
  if (resizeImage_(&image_, pixels_, static_cast<int>(width),
                   static_cast<int>(height)) == 0) {
    return false;
  }
  SetPixelPointer(PixelRule::kAfterResize);
  return true;
}

void ImageCodec::ReleaseCurrentImage() {
  FreeImage();
  // Without FreeMemory the old block cannot be released; it stops being the
  // current image all the same.
  image_ = nullptr;
  pixels_ = nullptr;
}

void ImageCodec::FreeImage() {
  if (image_ == nullptr || freeMemory_ == nullptr) {
    return;
  }
  freeMemory_(image_);
  image_ = nullptr;
  pixels_ = nullptr;
}

} // namespace vorafile::imaging
