#include "package/file_list.h"

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorafile {
namespace {

using test::TempDir;

TEST(FileListTest, ImagesAreKnownByTheirExtension) {
  EXPECT_TRUE(IsImageFileName("sky.bmp"));
  EXPECT_TRUE(IsImageFileName("SKY.JPG"));
  EXPECT_TRUE(IsImageFileName("a.Jpeg"));
  EXPECT_FALSE(IsImageFileName("model.x"));
  EXPECT_FALSE(IsImageFileName("bmp"));
  EXPECT_FALSE(IsImageFileName("archive.jpg.zip"));
}

TEST(FileListTest, CheckWantsEveryListedFile) {
  TempDir dir;
  EXPECT_FALSE(CheckFileList(dir.folder())); // no list at all
  dir.write("model.x", "m");
  dir.write("sky.jpg", "s");
  dir.write("FileList.ini", "[3d]\r\nCount=2\r\n1=model.x\r\n2=\r\n"
                            "[Texture]\r\nCount=1\r\n1=sky.jpg\r\n");
  EXPECT_TRUE(CheckFileList(dir.folder()));

  dir.write("FileList.ini", "[3d]\r\nCount=1\r\n1=model.x\r\n"
                            "[Texture]\r\nCount=0\r\n");
  EXPECT_TRUE(CheckFileList(dir.folder()));

  const char *failing[] = {
      "[3d]\r\nCount=1\r\n1=missing.x\r\n[Texture]\r\nCount=0\r\n",
      "[3d]\r\nCount=0\r\n[Texture]\r\nCount=0\r\n",
      "[3d]\r\nCount=\r\n[Texture]\r\nCount=0\r\n",
      "[3d]\r\nCount=1\r\n1=model.x\r\n", // no texture count
      "[3d]\r\nCount=1\r\n1=model.x\r\n[Texture]\r\nCount=1\r\n1=gone.bmp\r\n",
  };
  for (const char *list : failing) {
    dir.write("FileList.ini", list);
    EXPECT_FALSE(CheckFileList(dir.folder())) << list;
  }
}

TEST(FileListTest, ProblemsNameTheirLines) {
  TempDir dir;
  ASSERT_EQ(FindFileListProblems(dir.folder()).size(), 1U);
  EXPECT_EQ(FindFileListProblems(dir.folder())[0].text, "missing");
  dir.write("model.x", "m");
  struct Case {
    const char *list;
    std::vector<std::string> problems; // "line text"
  };
  const Case cases[] = {
      {"[3d]\r\nCount=1\r\n1=model.x\r\n[Texture]\r\nCount=0\r\n", {}},
      {"[3d]\r\nCount=0\r\n[Texture]\r\nCount=0\r\n", {"2 [3d] lists no file"}},
      {"[3d]\r\nCount=1\r\n1=model.x\r\n", {"0 [Texture] has no Count"}},
      {"[3d]\nCount=3\n1=missing.x\n; the rest\n2=..\\up.x\n3=C:\\x\n"
       "[Texture]\nCount=1\n\n1=/etc/sky.jpg\n",
       {"3 [3d] 1 names missing file missing.x",
        "5 [3d] 2 names a file outside the package: ..\\up.x",
        "6 [3d] 3 names a file outside the package: C:\\x",
        "10 [Texture] 1 names a file outside the package: /etc/sky.jpg"}},
  };
  for (const Case &c : cases) {
    dir.write("FileList.ini", c.list);
    std::vector<std::string> got;
    for (const FileListProblem &problem : FindFileListProblems(dir.folder())) {
      got.push_back(std::to_string(problem.line) + " " + problem.text);
    }
    EXPECT_EQ(got, c.problems) << c.list;
  }
}

TEST(FileListTest, RewriteListsFilesOfTheWorkingFolderByGroup) {
  TempDir dir;
  const std::string folder = dir.folder();
  EXPECT_FALSE(WriteFileList(folder, {folder + "a.x"}));

  dir.write("FileList.ini",
            "[Other]\r\nKeep=1\r\n[3d]\r\nCount=9\r\n9=old\r\n");
  const std::vector<std::string> paths = {
      folder + "vora.vrc",
      folder + "SKY.JPG",
      folder + "model.x",
      folder + "line\nbreak.x", // cannot be listed: left out, no gap
      folder + "Misc" + platform::kPathSeparator + "a.x",
      "/elsewhere/other.bmp",
      folder + "cover.bmp",
      folder + "e ", // blanks and quotes around a name read back too
      folder + "'q'",
  };
  ASSERT_TRUE(WriteFileList(folder, paths));
  const std::string list = dir.file("FileList.ini");
  auto value = [&](const char *section, const char *key) {
    return platform::ReadIniString(list, section, key, "<none>");
  };
  EXPECT_EQ(value("3d", "Count"), "4");
  EXPECT_EQ(value("3d", "1"), "vora.vrc");
  EXPECT_EQ(value("3d", "2"), "model.x");
  EXPECT_EQ(value("3d", "3"), "e ");
  EXPECT_EQ(value("3d", "4"), "'q'");
  EXPECT_EQ(value("3d", "9"), "<none>");
  EXPECT_EQ(value("Texture", "Count"), "2");
  EXPECT_EQ(value("Texture", "1"), "SKY.JPG");
  EXPECT_EQ(value("Texture", "2"), "cover.bmp");
  EXPECT_EQ(value("Other", "Keep"), "1");
  // Count follows the entries of its group.
  EXPECT_EQ(platform::ReadIniKeys(list, "3d"),
            (std::vector<std::string>{"1", "2", "3", "4", "Count"}));
  // The groups go to the end in the order of their first entries.
  EXPECT_EQ(dir.read("FileList.ini"),
            "[Other]\r\nKeep=1\r\n"
            "[3d]\r\n1=vora.vrc\r\n2=model.x\r\n3=\"e \"\r\n4=\"'q'\"\r\n"
            "Count=4\r\n"
            "[Texture]\r\n1=SKY.JPG\r\n2=cover.bmp\r\nCount=2\r\n");
}

} // namespace
} // namespace vorafile
