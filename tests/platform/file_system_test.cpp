#include "platform/file_system.h"

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace vorafile::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

TEST(FileSystemTest, AttributesOfFilesFoldersAndMissingPaths) {
  TempDir dir;
  dir.write("file.txt", "x");
  fs::create_directory(dir.path() / "folder");

  EXPECT_EQ(ReadAttributes(dir.file("missing")), std::nullopt);
  EXPECT_FALSE(PathExists(dir.file("missing")));
  EXPECT_EQ(ReadAttributes(dir.file("folder")), attr::kDirectory);
  EXPECT_EQ(ReadAttributes(dir.file("folder") + kPathSeparator),
            attr::kDirectory);
  std::optional<std::uint32_t> file = ReadAttributes(dir.file("file.txt"));
  ASSERT_TRUE(file);
  EXPECT_EQ(*file & (attr::kDirectory | attr::kReadOnly), 0u);

  ASSERT_TRUE(WriteAttributes(dir.file("file.txt"), attr::kReadOnly));
  EXPECT_TRUE(*ReadAttributes(dir.file("file.txt")) & attr::kReadOnly);
  ASSERT_TRUE(WriteAttributes(dir.file("file.txt"), attr::kNormal));
  EXPECT_FALSE(*ReadAttributes(dir.file("file.txt")) & attr::kReadOnly);
  EXPECT_TRUE(RemoveFile(dir.file("file.txt")));
  EXPECT_FALSE(PathExists(dir.file("file.txt")));
}

TEST(FileSystemTest, CopyAndMoveNeverOverwrite) {
  TempDir dir;
  dir.write("a", "alpha");
  dir.write("b", "beta");

  EXPECT_FALSE(CopyFileNoOverwrite(dir.file("a"), dir.file("b")));
  EXPECT_EQ(dir.read("b"), "beta");
  EXPECT_TRUE(CopyFileNoOverwrite(dir.file("a"), dir.file("c")));
  EXPECT_EQ(dir.read("c"), "alpha");
  EXPECT_FALSE(CopyFileNoOverwrite(dir.file("missing"), dir.file("d")));

  EXPECT_FALSE(MoveFileNoOverwrite(dir.file("a"), dir.file("b")));
  EXPECT_EQ(dir.read("a"), "alpha");
  EXPECT_TRUE(MoveFileNoOverwrite(dir.file("a"), dir.file("moved")));
  EXPECT_FALSE(PathExists(dir.file("a")));
  EXPECT_EQ(dir.read("moved"), "alpha");

  EXPECT_TRUE(ReplaceFile(dir.file("moved"), dir.file("b")));
  EXPECT_EQ(dir.read("b"), "alpha");
}

TEST(FileSystemTest, FoldersAreMadeListedAndRemoved) {
  TempDir dir;
  EXPECT_TRUE(MakeFolder(dir.file("sub")));
  EXPECT_FALSE(MakeFolder(dir.file("sub")));
  EXPECT_FALSE(MakeFolder(dir.file("no/such/parent")));
  dir.write("sub/one.txt", "1");
  dir.write("sub/inner/two.txt", "2");

  std::vector<FolderEntry> entries = ListFolder(dir.file("sub"));
  std::sort(entries.begin(), entries.end(),
            [](const auto &a, const auto &b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "inner");
  EXPECT_EQ(entries[0].attributes, attr::kDirectory);
  EXPECT_EQ(entries[1].name, "one.txt");
  EXPECT_TRUE(ListFolder(dir.file("missing")).empty());

  EXPECT_FALSE(RemoveEmptyFolder(dir.file("sub")));
  EXPECT_FALSE(RemoveFile(dir.file("sub")));
  EXPECT_TRUE(RemoveFile(dir.file("sub/inner/two.txt")));
  EXPECT_TRUE(RemoveEmptyFolder(dir.file("sub/inner")));
}

TEST(FileSystemTest, DosTimesRoundTrip) {
  TempDir dir;
  dir.write("f", "x");
  // 2019-06-15 13:45:30 local time.
  const DosDateTime when{
      static_cast<std::uint16_t>((39 << 9) | (6 << 5) | 15),
      static_cast<std::uint16_t>((13 << 11) | (45 << 5) | 15)};
  ASSERT_TRUE(WriteFileTime(dir.file("f"), when));
  std::optional<DosDateTime> read = ReadLastWriteTime(dir.file("f"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->date, when.date);
  EXPECT_EQ(read->time, when.time);
  EXPECT_FALSE(ReadLastWriteTime(dir.file("missing")));
  EXPECT_FALSE(WriteFileTime(dir.file("missing"), when));
}

TEST(FileSystemTest, TempFolderEndsWithSeparator) {
  std::string folder = TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), kPathSeparator);
  EXPECT_LT(folder.size(), kMaxPath);
  EXPECT_TRUE(PathExists(folder));
}

TEST(FileSystemTest, FreshFoldersGoUnderTmpWhenItExists) {
  TempDir parent;
  TempDir tmp;
  {
    ScopedEnv env("TMP", tmp.path().string());
    std::optional<std::string> made = MakeFreshFolder(parent.folder(), "__");
    ASSERT_TRUE(made);
    EXPECT_EQ(fs::path(*made).parent_path(), tmp.path());
    EXPECT_EQ(fs::path(*made).filename().string().substr(0, 2), "__");
  }
  {
    ScopedEnv env("TMP", tmp.file("not-there"));
    std::optional<std::string> made = MakeFreshFolder(parent.folder(), "__");
    ASSERT_TRUE(made);
    EXPECT_EQ(fs::path(*made).parent_path(), parent.path());
  }
}

TEST(FileSystemTest, FindInFolderFallsBackToAnyCase) {
  TempDir dir;
  dir.write("Texture.BMP", "x");
  std::optional<std::string> exact = FindInFolder(dir.folder(), "Texture.BMP");
  ASSERT_TRUE(exact);
  EXPECT_EQ(*exact, dir.file("Texture.BMP"));
  std::optional<std::string> other = FindInFolder(dir.folder(), "texture.bmp");
  ASSERT_TRUE(other);
  EXPECT_TRUE(PathExists(*other));
  // Both systems answer the name as it is stored.
  EXPECT_EQ(fs::path(*other).filename().string(), "Texture.BMP");
  EXPECT_FALSE(FindInFolder(dir.folder(), "texture.jpg"));
  EXPECT_FALSE(FindInFolder(dir.folder(), ""));
}

TEST(FileSystemTest, HostBuffersAreNeverOverrun) {
  char buffer[kMaxPath];
  std::string longest(kMaxPath - 1, 'a');
  EXPECT_TRUE(CopyToHostBuffer(buffer, sizeof buffer, longest));
  EXPECT_EQ(std::string(buffer), longest);
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_FALSE(CopyToHostBuffer(buffer, sizeof buffer, longest + "a"));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_FALSE(CopyToHostBuffer(nullptr, 10, "x"));
  EXPECT_FALSE(CopyToHostBuffer(buffer, 0, ""));

  EXPECT_EQ(WithTrailingSeparator(""), "");
  EXPECT_EQ(WithTrailingSeparator("a"), std::string("a") + kPathSeparator);
  EXPECT_EQ(WithTrailingSeparator(std::string("a") + kPathSeparator),
            std::string("a") + kPathSeparator);
}

} // namespace
} // namespace vorafile::platform
