#include "convert_image.h"

#include "imaging/picture_service.h"
#include "platform/file_system.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace vorafile::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const char *message) {
  (void)std::fprintf(stderr, "vorafile: convert-image: %s\n", message);
  return kExitUsage;
}

// A size in pixels: decimal digits only, 1 to 2^32 - 1.
bool ParseSize(std::string_view text, std::uint32_t &value) {
  const char *end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && stop == end && value != 0;
}

} // namespace

int RunConvertImage(int argc, const char *const *argv) {
  if (argc < 1) {
    return Usage("missing picture path");
  }
  const std::string picture = argv[0];
  imaging::PictureLimits limits{640, 480};
  std::string outFolder;
  for (int i = 1; i < argc; i += 2) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) {
      return Usage("option without a value");
    }
    const std::string_view value = argv[i + 1];
    if (option == "--max-width") {
      if (!ParseSize(value, limits.width)) {
        return Usage("--max-width takes a whole number above 0");
      }
    } else if (option == "--max-height") {
      if (!ParseSize(value, limits.height)) {
        return Usage("--max-height takes a whole number above 0");
      }
    } else if (option == "--out-dir") {
      outFolder = platform::WithTrailingSeparator(std::string(value));
    } else {
      return Usage("unknown option");
    }
  }
  imaging::PictureService pictures;
  if (!pictures.LoadCodec()) {
    const std::optional<std::string> library = pictures.Codec().LibraryPath();
    (void)std::fprintf(stderr, "vorafile: cannot load the codec library %s\n",
                       library ? library->c_str()
                               : "(the program files folder is not known)");
    return kExitFailure;
  }
  if (!pictures.Convert(picture, limits, outFolder)) {
    (void)std::fprintf(stderr, "vorafile: %s: cannot convert\n",
                       picture.c_str());
    return kExitFailure;
  }
  std::printf("%s\n", pictures.ConvertedPath().c_str());
  return 0;
}

} // namespace vorafile::cli
