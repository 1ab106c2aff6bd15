#include "platform/package_name.h"

#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vorafile::platform {
namespace {

using test::TempDir;

TEST(PackageNameTest, NamesInsideTheFolderAreAllowed) {
  struct Case {
    const char *name;
    bool inside;
  };
  const Case cases[] = {
      {"a.jpg", true},         {"maps/a.jpg", true},
      {"maps\\a.jpg", true},   {"./a.jpg", true},
      {".hidden", true},       {"a..b.jpg", true},
      {"..a", true},           {"", false},
      {"..", false},           {"../a.jpg", false},
      {"..\\a.jpg", false},    {"maps/../../a.jpg", false},
      {"maps/..", false},      {"...", false}, // Windows reads it as ".."
      {". .", false}, // the same, trailing blanks dropped
      {".. /a.jpg", false},    {"/etc/passwd", false},
      {"\\a.jpg", false},      {"\\\\server\\share\\a.jpg", false},
      {"C:a.jpg", false},      {"C:\\a.jpg", false},
      {"a.jpg:stream", false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(IsInsideFolderName(c.name), c.inside) << c.name;
  EXPECT_FALSE(IsInsideFolderName(std::string_view("a\0b", 3)));
}

TEST(PackageNameTest, ResolvesExistingFilesOnly) {
  TempDir dir;
  dir.write("outside.txt", "o");
  dir.write("work/maps/a.jpg", "a");
  dir.write("work/top.txt", "t");
  const char sep = kPathSeparator;
  const std::string work = dir.file("work") + sep;
  EXPECT_EQ(ResolvePackageName(work, "top.txt"), work + "top.txt");
  EXPECT_EQ(ResolvePackageName(work, "maps/a.jpg"),
            work + "maps" + sep + "a.jpg");
  EXPECT_EQ(ResolvePackageName(work, "maps\\a.jpg"),
            work + "maps" + sep + "a.jpg");
  EXPECT_EQ(ResolvePackageName(work, "missing.txt"), std::nullopt);
  // The file exists, but outside.
  EXPECT_EQ(ResolvePackageName(work, "../outside.txt"), std::nullopt);
  EXPECT_EQ(ResolvePackageName(work, dir.file("outside.txt")), std::nullopt);
#ifndef _WIN32
  // Case-blind component by component, as Windows would find it.
  EXPECT_EQ(ResolvePackageName(work, "MAPS\\A.JPG"),
            work + "maps" + sep + "a.jpg");
#endif

  EXPECT_EQ(PackagePathFor(work, "Top.TXT"),
            ResolvePackageName(work, "top.txt"));
  EXPECT_EQ(PackagePathFor(work, "new\\b.txt"), work + "new" + sep + "b.txt");
  EXPECT_EQ(PackagePathFor(work, "../outside.txt"), std::nullopt);
}

} // namespace
} // namespace vorafile::platform
