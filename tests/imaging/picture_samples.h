// Pictures made in code for the imaging tests: BMP files of every depth the
// codec reads, with a comment per header field, and the codec installed in a
// test folder where the picture service finds it.
#ifndef VORAFILE_TESTS_IMAGING_PICTURE_SAMPLES_H
#define VORAFILE_TESTS_IMAGING_PICTURE_SAMPLES_H

#include "imaging/image_codec.h"
#include "imaging/picture_service.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorafile::test {

using Rgb = std::array<std::uint8_t, 3>;

/// A BMP file to build. Pixels come from `colour(x, y)` (y = 0 is the top
/// row) for 24 and 32 bits, from `index(x, y)` for 1, 4 and 8 bits.
struct BmpSample {
  std::uint32_t width = 4;
  std::uint32_t height = 3;
  std::uint16_t bitCount = 24;
  bool topDown = false;
  std::vector<Rgb> palette;          ///< written as the colour table
  std::uint32_t declaredColours = 0; ///< biClrUsed; 0: a short table's size
  std::function<Rgb(std::uint32_t, std::uint32_t)> colour =
      [](std::uint32_t x, std::uint32_t y) {
        return Rgb{static_cast<std::uint8_t>(x * 40),
                   static_cast<std::uint8_t>(y * 60), 200};
      };
  std::function<std::uint8_t(std::uint32_t, std::uint32_t)> index =
      [](std::uint32_t x, std::uint32_t y) {
        return static_cast<std::uint8_t>((x + y) % 2);
      };
};

std::string MakeBmp(const BmpSample &sample);

/// A 24-bit BMP of one colour.
std::string MakeFlatBmp(std::uint32_t width, std::uint32_t height,
                        Rgb colour = {10, 120, 230});

/// The codec library copied to <dir>/Program Files/Mervel/TERVY Components
/// and, on POSIX, a registry file naming that program files folder, in
/// force (VORAFILE_REGISTRY) while this object lives.
class CodecInstallation {
public:
  /// `library`: the file to install; the codec we build by default.
  explicit CodecInstallation(const TempDir &dir,
                             const std::string &library = BuiltCodecPath());
  /// A codec service that finds this installation.
  std::unique_ptr<imaging::ImageCodec> MakeCodec() const;
  /// A picture service whose codec finds this installation.
  std::unique_ptr<imaging::PictureService> MakePictureService() const;
  /// The installed library file.
  const std::string &LibraryFile() const { return libraryFile_; }

  static std::string BuiltCodecPath();
  static std::string PartialCodecPath();
  /// Whether the codec we build reads and writes JPEG (not the BMP-only
  /// Windows build).
  static bool HasJpeg();

private:
  std::string programFiles_;
  std::string libraryFile_;
  std::optional<ScopedEnv> registry_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_IMAGING_PICTURE_SAMPLES_H
