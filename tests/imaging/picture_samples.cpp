#include "imaging/picture_samples.h"

#include <filesystem>

namespace vorafile::test {

namespace {

void PutLe16(std::string &out, std::uint32_t value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>((value >> 8) & 0xff);
}

void PutLe32(std::string &out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xff);
}

#ifndef _WIN32
std::string EscapeForRegFile(const std::string &text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == '"')
      escaped += '\\';
    escaped += c;
  }
  return escaped;
}
#endif

} // namespace

std::string MakeBmp(const BmpSample &sample) {
  const std::uint32_t stride = (sample.width * sample.bitCount + 31) / 32 * 4;
  const auto tableBytes = static_cast<std::uint32_t>(4 * sample.palette.size());
  const std::uint32_t offBits = 14 + 40 + tableBytes;
  // A short table is declared, as BMP writers do, unless the sample says.
  std::uint32_t declared = sample.declaredColours;
  if (declared == 0 && sample.bitCount <= 8 &&
      sample.palette.size() < (1u << sample.bitCount))
    declared = static_cast<std::uint32_t>(sample.palette.size());
  std::string file;
  file += "BM";                                     // bfType
  PutLe32(file, offBits + stride * sample.height);  // bfSize
  PutLe32(file, 0);                                 // bfReserved1, 2
  PutLe32(file, offBits);                           // bfOffBits
  PutLe32(file, 40);                                // biSize
  PutLe32(file, sample.width);                      // biWidth
  PutLe32(file, sample.topDown ? 0u - sample.height // biHeight
                               : sample.height);
  PutLe16(file, 1);                      // biPlanes
  PutLe16(file, sample.bitCount);        // biBitCount
  PutLe32(file, 0);                      // biCompression: BI_RGB
  PutLe32(file, stride * sample.height); // biSizeImage
  PutLe32(file, 2835);                   // biXPelsPerMeter
  PutLe32(file, 2835);                   // biYPelsPerMeter
  PutLe32(file, declared);               // biClrUsed
  PutLe32(file, 0);                      // biClrImportant
  for (const Rgb &entry : sample.palette) {
    file += static_cast<char>(entry[2]); // blue, green, red, reserved
    file += static_cast<char>(entry[1]);
    file += static_cast<char>(entry[0]);
    file += '\0';
  }
  for (std::uint32_t row = 0; row < sample.height; ++row) {
    const std::uint32_t y = sample.topDown ? row : sample.height - 1 - row;
    std::string bits(stride, '\0');
    for (std::uint32_t x = 0; x < sample.width; ++x) {
      switch (sample.bitCount) {
      case 1:
        bits[x / 8] = static_cast<char>(
            bits[x / 8] | ((sample.index(x, y) & 1) << (7 - x % 8)));
        break;
      case 4:
        bits[x / 2] = static_cast<char>(
            bits[x / 2] | ((sample.index(x, y) & 0xf) << (x % 2 ? 0 : 4)));
        break;
      case 8:
        bits[x] = static_cast<char>(sample.index(x, y));
        break;
      default: {
        const Rgb c = sample.colour(x, y);
        const std::uint32_t bytes = sample.bitCount / 8;
        bits[x * bytes] = static_cast<char>(c[2]);
        bits[x * bytes + 1] = static_cast<char>(c[1]);
        bits[x * bytes + 2] = static_cast<char>(c[0]);
        if (bytes == 4)
          bits[x * bytes + 3] = static_cast<char>(0xff);
        break;
      }
      }
    }
    file += bits;
  }
  return file;
}

std::string MakeFlatBmp(std::uint32_t width, std::uint32_t height, Rgb colour) {
  BmpSample sample;
  sample.width = width;
  sample.height = height;
  sample.colour = [colour](std::uint32_t, std::uint32_t) { return colour; };
  return MakeBmp(sample);
}

CodecInstallation::CodecInstallation(const TempDir &dir,
                                     const std::string &library) {
  namespace fs = std::filesystem;
  programFiles_ = dir.file("Program Files");
  const fs::path components =
      fs::path(programFiles_) / "Mervel" / "TERVY Components";
  fs::create_directories(components);
#ifdef _WIN32
  const fs::path target = components / "QVImage.dll";
#else
  const fs::path target = components / "QVImage.so";
#endif
  fs::copy_file(library, target, fs::copy_options::overwrite_existing);
  libraryFile_ = target.string();
#ifndef _WIN32
  dir.write("registry.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
            "CurrentVersion]\r\n"
            "\"ProgramFilesDir\"=\"" +
                EscapeForRegFile(programFiles_) + "\"\r\n");
  registry_.emplace("VORAFILE_REGISTRY", dir.file("registry.reg"));
#endif
}

std::unique_ptr<imaging::ImageCodec> CodecInstallation::MakeCodec() const {
#ifdef _WIN32
  // The real registry is not ours to change; the service is pointed at the
  // test folder directly.
  std::string folder = programFiles_;
  return std::make_unique<imaging::ImageCodec>(
      [folder] { return std::optional<std::string>(folder); });
#else
  return std::make_unique<imaging::ImageCodec>();
#endif
}

std::unique_ptr<imaging::PictureService>
CodecInstallation::MakePictureService() const {
#ifdef _WIN32
  std::string folder = programFiles_;
  return std::make_unique<imaging::PictureService>(
      [folder] { return std::optional<std::string>(folder); });
#else
  return std::make_unique<imaging::PictureService>();
#endif
}

std::string CodecInstallation::BuiltCodecPath() {
  return VORAFILE_TEST_QVIMAGE;
}

std::string CodecInstallation::PartialCodecPath() {
  return VORAFILE_TEST_PARTIAL_CODEC;
}

bool CodecInstallation::HasJpeg() {
#ifdef QVIMAGE_WITH_JPEG
  return true;
#else
  return false;
#endif
}

} // namespace vorafile::test
