// Replays fuzz inputs without libFuzzer: runs LLVMFuzzerTestOneInput once
// per file named on the command line, or per file inside a named folder
// (recursively, in name order). Lets the fuzz targets build with any
// compiler and lets ctest run their seed corpus.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

namespace {

namespace fs = std::filesystem;

bool RunFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that ASan sees reads past it.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  std::size_t runs = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const fs::path target(argv[i]);
    std::error_code error;
    if (fs::is_directory(target, error)) {
      std::vector<fs::path> files;
      for (const auto &entry : fs::recursive_directory_iterator(target, error))
        if (entry.is_regular_file())
          files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const fs::path &file : files) {
        ok = RunFile(file) && ok;
        ++runs;
      }
    } else {
      ok = RunFile(target) && ok;
      ++runs;
    }
  }
  std::printf("replayed %zu inputs\n", runs);
  return ok ? 0 : 1;
}
