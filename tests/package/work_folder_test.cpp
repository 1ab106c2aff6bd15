#include "package/work_folder.h"

#include "package/package.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorafile {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

std::string Name(const std::string &folder) {
  return fs::path(folder.substr(0, folder.size() - 1)).filename().string();
}

// Creates a folder link; false where the system refuses (Windows without the
// privilege to make symbolic links).
bool TryFolderLink(const fs::path &target, const fs::path &link) {
  std::error_code ec;
  fs::create_directory_symlink(target, link, ec);
  return !ec;
}

TEST(WorkFolderTest, WorkFoldersAreFreshAndRemembered) {
  TempDir dir;
  // Both the temporary-name service and the system's temporary folder look
  // at TMP; pointing it here keeps the test's folders in its own place.
  ScopedEnv tmp("TMP", dir.path().string());
  SceneDocument document;
  Package package(document);

  std::optional<std::string> first = package.MakeWorkFolder();
  std::optional<std::string> second = package.MakeWorkFolder();
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  for (const std::string &folder : {*first, *second}) {
    EXPECT_EQ(folder.back(), platform::kPathSeparator);
    EXPECT_EQ(Name(folder).substr(0, 2), "__") << folder;
    EXPECT_EQ(platform::ReadAttributes(folder), platform::attr::kDirectory);
    EXPECT_EQ(fs::path(folder).parent_path().parent_path(), dir.path());
  }
  EXPECT_EQ(package.LastTempFolder(), *second);
  EXPECT_FALSE(package.IsOpen());
}

TEST(WorkFolderTest, WorkFolderFailureKeepsLastFolder) {
  TempDir dir;
  ScopedEnv tmp("TMP", dir.path().string());
  SceneDocument document;
  Package package(document);
  std::optional<std::string> made = package.MakeWorkFolder();
  ASSERT_TRUE(made);
#ifndef _WIN32
  // A temporary root that cannot take folders. Root ignores permissions, so
  // a file stands in the way instead.
  dir.write("plain-file", "x");
  const std::string nowhere = dir.file("plain-file") + "/nowhere";
  ScopedEnv brokenTmp("TMP", nowhere);
  ScopedEnv brokenTmpDir("TMPDIR", nowhere);
  Package failing(document);
  EXPECT_FALSE(failing.MakeWorkFolder());
  EXPECT_EQ(failing.LastTempFolder(), "");
#endif
  EXPECT_EQ(package.LastTempFolder(), *made);
}

TEST(WorkFolderTest, DeleteFolderTreeRemovesNestedTreeWithReadOnlyFiles) {
  TempDir dir;
  dir.write("tree/a.txt", "a");
  dir.write("tree/sub/b.txt", "b");
  dir.write("tree/sub/deeper/c.bin", std::string(5000, '\0'));
  dir.write("tree/sub/empty/.keep", "");
  ASSERT_TRUE(platform::WriteAttributes(dir.file("tree/sub/b.txt"),
                                        platform::attr::kReadOnly));
  fs::create_directories(dir.path() / "tree" / "hollow" / "inner");

  DeleteFolderTree(dir.file("tree") + platform::kPathSeparator);

  EXPECT_FALSE(fs::exists(dir.path() / "tree"));
}

TEST(WorkFolderTest, DeleteFolderTreeLeavesWhatIsNotAPlainFolder) {
  TempDir dir;
  dir.write("file.txt", "keep");
  DeleteFolderTree(dir.file("file.txt"));
  DeleteFolderTree(dir.file("missing") + platform::kPathSeparator);
  DeleteFolderTree("");
  EXPECT_EQ(dir.read("file.txt"), "keep");

  dir.write("locked/inside.txt", "keep");
  // Wine keeps no read-only bit on folders and POSIX no hidden bit; one of
  // the two sticks on every system.
  ASSERT_TRUE(platform::WriteAttributes(
      dir.file("locked"), platform::attr::kReadOnly | platform::attr::kHidden));
  DeleteFolderTree(dir.file("locked") + platform::kPathSeparator);
  EXPECT_EQ(dir.read("locked/inside.txt"), "keep");
  ASSERT_TRUE(
      platform::WriteAttributes(dir.file("locked"), platform::attr::kNormal));
}

TEST(WorkFolderTest, DeleteFolderTreeNeverFollowsLinks) {
  TempDir dir;
  dir.write("outside/precious.txt", "keep");
  dir.write("tree/own.txt", "x");
  if (!TryFolderLink(dir.path() / "outside", dir.path() / "tree" / "link"))
    GTEST_SKIP() << "folder links cannot be made here";

  // A link given as the tree itself is not entered either.
  ASSERT_TRUE(TryFolderLink(dir.path() / "outside", dir.path() / "rootlink"));
  DeleteFolderTree(dir.file("rootlink") + platform::kPathSeparator);
  EXPECT_EQ(dir.read("outside/precious.txt"), "keep");

  DeleteFolderTree(dir.file("tree") + platform::kPathSeparator);
  EXPECT_FALSE(fs::exists(dir.path() / "tree"));
  EXPECT_EQ(dir.read("outside/precious.txt"), "keep");
}

} // namespace
} // namespace vorafile
