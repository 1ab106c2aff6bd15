// The example package, packed into a test's own folder, and the checks that
// every injected fault during its open or save must pass: nothing left in
// the temporary folder, the target as it was, no file beside it.
#ifndef VORAFILE_TESTS_PACKAGE_FAULT_FIXTURE_H
#define VORAFILE_TESTS_PACKAGE_FAULT_FIXTURE_H

#include "package/cabinet_io.h"
#include "platform/file_system.h"
#include "support/example_scene.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vorafile::test {

/// The entries under `folder`, recursively, as sorted relative paths.
inline std::vector<std::string>
EntriesUnder(const std::filesystem::path &folder) {
  std::vector<std::string> entries;
  std::error_code error;
  for (const auto &entry :
       std::filesystem::recursive_directory_iterator(folder, error)) {
    entries.push_back(
        std::filesystem::relative(entry.path(), folder).generic_string());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

inline std::string ReadBytes(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file),
          std::istreambuf_iterator<char>()};
}

/// A test folder with "example.cab" (the example scene) and "saved.cab" (a
/// copy to save over) in "packages/", and "temp/" as the temporary folder
/// of the library (TMP and TMPDIR) for the life of the test.
class FaultTest : public ::testing::Test {
protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    const fs::path scene = temp_.path() / "scene";
    ASSERT_TRUE(CopyExampleScene(scene));
    fs::create_directories(temp_.path() / "packages");
    fs::create_directories(temp_.path() / "temp");
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(scene)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path().string());
      }
    }
    example_ = temp_.file("packages/example.cab");
    target_ = temp_.file("packages/saved.cab");
    ASSERT_TRUE(PackCabinet(
        example_, platform::WithTrailingSeparator(scene.string()), files));
    fs::copy_file(example_, target_);
    targetBytes_ = ReadBytes(target_);
    tmp_ = std::make_unique<ScopedEnv>("TMP", TempRoot().string());
    tmpdir_ = std::make_unique<ScopedEnv>("TMPDIR", TempRoot().string());
  }

  std::filesystem::path TempRoot() const { return temp_.path() / "temp"; }

  /// After a failed save: the target holds its old bytes and nothing else
  /// lies beside the packages. After any open or save, once the package is
  /// closed: the temporary folder is empty. False after the first failed
  /// expectation, so that a loop stops at the first bad point.
  [[nodiscard]] bool ExpectCleanAfter(const char *step, long point,
                                      bool failed) {
    const std::vector<std::string> packages =
        EntriesUnder(temp_.path() / "packages");
    const std::vector<std::string> expected = {"example.cab", "saved.cab"};
    const std::vector<std::string> leftovers = EntriesUnder(TempRoot());
    const bool targetKept = !failed || ReadBytes(target_) == targetBytes_;
    EXPECT_EQ(packages, expected) << step << " at point " << point;
    EXPECT_TRUE(leftovers.empty()) << step << " at point " << point << ": "
                                   << (leftovers.empty() ? "" : leftovers[0]);
    EXPECT_TRUE(targetKept) << step << " at point " << point;
    // The next point saves over the same bytes.
    if (!failed) {
      std::filesystem::copy_file(
          example_, target_, std::filesystem::copy_options::overwrite_existing);
      targetBytes_ = ReadBytes(target_);
    }
    return packages == expected && leftovers.empty() && targetKept;
  }

  TempDir temp_;
  std::string example_;
  std::string target_;
  std::string targetBytes_;
  std::unique_ptr<ScopedEnv> tmp_;
  std::unique_ptr<ScopedEnv> tmpdir_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_PACKAGE_FAULT_FIXTURE_H
