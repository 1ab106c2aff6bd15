// A packed scene for tests that drive the dispatcher as a host does: the
// working folders of its file managers go under the test's own folder.
#ifndef VORAFILE_TESTS_HOST_HOST_PACKAGE_FIXTURE_H
#define VORAFILE_TESTS_HOST_HOST_PACKAGE_FIXTURE_H

#include "host/message_dispatcher.h"
#include "package/cabinet_io.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "vorafile/vorafile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vorafile::test {

class HostPackageTest : public ::testing::Test {
protected:
  void SetUp() override {
    tmp_ = std::make_unique<ScopedEnv>("TMP", temp_.path().string());
  }

  /// Packs a version-3 scene with an introduction page (node "introNode1")
  /// into NAME.cab beside its folder; answers the cabinet's path.
  std::string PackScene(const std::string &name) {
    return PackFiles(
        name,
        {{"vora.vrc", "Version 3\nBrightness 0.5\n"},
         {"intro.ini", "[Introduction]\r\nTitle=Test\r\nTextColor=0,0,255\r\n"},
         {"text.ini", "[General]\r\nRate=50\r\n"},
         {"FileList.ini",
          "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n"}});
  }

  /// Writes the files (name, content) into the folder NAME and packs what
  /// it then holds, subfolders too, into NAME.cab beside it; answers the
  /// cabinet's path.
  std::string
  PackFiles(const std::string &name,
            const std::vector<std::pair<std::string, std::string>> &files) {
    const std::string folder = name + "/";
    for (const auto &[file, text] : files) {
      source_.write(folder + file, text);
    }
    const std::string base =
        platform::WithTrailingSeparator(source_.file(name));
    std::vector<std::string> paths;
    for (const auto &entry :
         std::filesystem::recursive_directory_iterator(base)) {
      if (entry.is_regular_file()) {
        paths.push_back(entry.path().string());
      }
    }
    const std::string cabinet = source_.file(name + ".cab");
    EXPECT_TRUE(PackCabinet(cabinet, base, paths));
    return cabinet;
  }

  /// The number of working folders ("__" names) under the test's folder.
  std::size_t WorkFolderCount() const {
    std::size_t count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(temp_.path()))
      count += entry.path().filename().string().rfind("__", 0) == 0;
    return count;
  }

  static std::uintptr_t Arg(const void *pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
  }
  static std::uintptr_t Arg(const std::string &text) {
    return Arg(text.c_str());
  }

  TempDir temp_;
  TempDir source_;
  std::unique_ptr<ScopedEnv> tmp_;
};

} // namespace vorafile::test

#endif // VORAFILE_TESTS_HOST_HOST_PACKAGE_FIXTURE_H
