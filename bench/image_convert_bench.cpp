// Picture conversion as the host's "convert picture" message does it: a
// 12-megapixel JPEG decoded, resized to at most 640 x 480 and written as a
// JPEG of quality 90, side by side with ImageMagick doing the same.
//
//   cmake --preset release -DVORAFILE_BUILD_BENCHMARKS=ON
//   cmake --build --preset release --target image_convert_bench
//   build/release/bench/image_convert_bench
//
// The ImageMagick case runs
//   /usr/bin/convert in.jpg -resize 640x480! -quality 90 out.jpg
// as a whole process on the same file (skipped when it is not installed).
#include "imaging/picture_service.h"
#include "qvimage/picture_codecs.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using vorafile::imaging::ImageCodec;
using vorafile::imaging::PictureLimits;
using vorafile::imaging::PictureService;

constexpr std::uint32_t kWidth = 4000; // 12 megapixels
constexpr std::uint32_t kHeight = 3000;
constexpr PictureLimits kLimits{640, 480};
constexpr const char *kImageMagick = "/usr/bin/convert";

// A folder with the picture and the codec library installed as the service
// expects it, made once.
struct Setup {
  fs::path folder;
  std::string picture;
  std::string programFiles;
  std::string workFolder;
};

// Smooth colour fields with fine noise: a photograph's mix of flat and busy
// areas, so that the JPEG is of a realistic size (a few megabytes).
void WritePicture(const std::string &path) {
  using namespace vorafile::qvimage;
  ImageBlock block = AllocateImage(kWidth, kHeight, 24, 0);
  const ImageView view = ViewOwnImage(block);
  std::minstd_rand random(12345);
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    std::uint8_t *row = view.Row(y);
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const auto noise = static_cast<std::uint8_t>(random() % 24);
      row[3 * x] = static_cast<std::uint8_t>(x * 200 / kWidth + noise);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 200 / kHeight + noise);
      row[3 * x + 2] =
          static_cast<std::uint8_t>(((x / 50 + y / 50) % 2) * 160 + noise);
    }
  }
  std::optional<std::vector<std::uint8_t>> jpeg = EncodeJpeg(view, 92);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(jpeg->data()),
             static_cast<std::streamsize>(jpeg->size()));
}

const Setup &GetSetup() {
  static const Setup setup = [] {
    Setup made;
    made.folder = fs::temp_directory_path() / "vorafile-image-bench";
    fs::remove_all(made.folder);
    const fs::path components =
        made.folder / "Program Files" / "Mervel" / "TERVY Components";
    fs::create_directories(components);
    fs::copy_file(VORAFILE_BENCH_QVIMAGE, components / "QVImage.so");
    fs::create_directories(made.folder / "work");
    made.programFiles = (made.folder / "Program Files").string();
    made.workFolder = (made.folder / "work").string() + "/";
    made.picture = (made.folder / "in.jpg").string();
    WritePicture(made.picture);
    return made;
  }();
  return setup;
}

ImageCodec::ProgramFilesLocator BenchLocator() {
  std::string folder = GetSetup().programFiles;
  return [folder] { return std::optional<std::string>(folder); };
}

// The message's way: decode (reduced by DCT scaling), resize, encode.
void BM_ConvertPicture(benchmark::State &state) {
  const Setup &setup = GetSetup();
  PictureService pictures(BenchLocator());
  for (auto _ : state) {
    if (!pictures.Convert(setup.picture, kLimits, setup.workFolder))
      state.SkipWithError("conversion failed");
  }
  state.SetLabel(std::to_string(fs::file_size(setup.picture) / 1024) +
                 " KiB in");
}
BENCHMARK(BM_ConvertPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same without DCT scaling: full decode, area-averaging resize, encode.
void BM_ConvertPictureFullDecode(benchmark::State &state) {
  const Setup &setup = GetSetup();
  ImageCodec codec(BenchLocator());
  if (!codec.Load()) {
    state.SkipWithError("the codec library did not load");
    return;
  }
  const std::string target = setup.workFolder + "full.jpg";
  for (auto _ : state) {
    if (!codec.Decode(setup.picture) ||
        !codec.Resize(kLimits.width, kLimits.height) || !codec.Encode(target))
      state.SkipWithError("conversion failed");
  }
}
BENCHMARK(BM_ConvertPictureFullDecode)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ImageMagickConvert(benchmark::State &state) {
  const Setup &setup = GetSetup();
  if (!fs::exists(kImageMagick)) {
    state.SkipWithError("ImageMagick is not installed");
    return;
  }
  const std::string command = std::string(kImageMagick) + " '" + setup.picture +
                              "' -resize 640x480! -quality 90 '" +
                              setup.workFolder + "magick.jpg'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0)
      state.SkipWithError("convert failed");
  }
}
BENCHMARK(BM_ImageMagickConvert)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
