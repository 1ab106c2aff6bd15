// The shipped example scene (examples/night_drive) for tests that need a
// scene using every node kind: copied into a folder of the test's own, with
// stand-ins for the pictures that examples/make_example.sh generates (the
// repository holds no binary files).
#ifndef VORAFILE_TESTS_SUPPORT_EXAMPLE_SCENE_H
#define VORAFILE_TESTS_SUPPORT_EXAMPLE_SCENE_H

#include <filesystem>
#include <fstream>

namespace vorafile::test {

inline bool CopyExampleScene(const std::filesystem::path &to) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(to, error);
  fs::copy(VORAFILE_EXAMPLE_SCENE_DIR, to,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing,
           error);
  if (error) {
    return false;
  }
  // The scene only names its pictures; their contents are not read.
  for (const char *picture : {"cover.bmp", "heightmap0.bmp", "paint.bmp"}) {
    std::ofstream(to / picture, std::ios::binary) << "BM";
  }
  return true;
}

} // namespace vorafile::test

#endif // VORAFILE_TESTS_SUPPORT_EXAMPLE_SCENE_H
