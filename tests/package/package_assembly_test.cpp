#include "package/package_assembly.h"

#include "document/pod_orb_package.h"
#include "document/scene_fixture.h"
#include "nodes/effects/def_ref_node.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

namespace vorafile {
namespace {

using nodes::SceneNode;

class PackageAssemblyTest : public test::SceneFolderTest {};

TEST_F(PackageAssemblyTest, ListsFixedFilesPagesImagesAndMisc) {
  dir_.write("FileList.ini", "");
  dir_.write("cover.jpg", "c");
  dir_.write("Vora.script", "s");
  dir_.write("Vora.mrq", "m");
  dir_.write("Misc/readme.txt", "r");
  dir_.write("Misc/sub/deep.bin", "d");
  dir_.write("intro.ini", "[Introduction]\nCover=cover.bmp\nLogo=cover.jpg\n");
  ASSERT_TRUE(OpenScript("Version 3\nBrightness 1\n"))
      << document_.GetOpenProblem().Describe();

  const std::string f = dir_.folder();
  const char sep = platform::kPathSeparator;
  std::vector<std::string> expected = {
      f + "vora.vrc", f + "intro.ini", f + "FileList.ini", f + "text.ini",
      // Cover named "cover.bmp" resolves to the ".jpg" on reading; the logo
      // names the same file: one collector lists it once.
      f + "cover.jpg",
      // The cursors default to the folder itself, which is no file.
      f + "Vora.script", f + "Vora.mrq", f + "Misc" + sep + "readme.txt",
      f + "Misc" + sep + "sub" + sep + "deep.bin"};
  // The introduction stores a missing cover as "" and the resolved name
  // otherwise; the fixture's folder decides which.
  EXPECT_EQ(ListPackageFiles(document_), expected);
}

TEST_F(PackageAssemblyTest, ListsTheMessagesFileOnce) {
  const std::string f = dir_.folder();
  const struct {
    const char *name;
    std::vector<std::string> expected;
  } cases[] = {
      {"msgs.ini",
       {f + "vora.vrc", f + "intro.ini", f + "filelist.ini", f + "text.ini",
        f + "msgs.ini"}},
      // The fixed "text.ini" is that file, in the folder's spelling.
      {"Text.ini",
       {f + "vora.vrc", f + "intro.ini", f + "filelist.ini", f + "Text.ini"}},
  };
  for (const auto &c : cases) {
    dir_.write(c.name, "[Message]\n0=Hi\n");
    ASSERT_TRUE(OpenScript(std::string("Version 3\nMsgIni ") + c.name + "\n"))
        << document_.GetOpenProblem().Describe();
    EXPECT_EQ(ListPackageFiles(document_), c.expected) << c.name;
  }
}

TEST_F(PackageAssemblyTest, ListsMacroFilesAndConfigurationsWithTheirFiles) {
  dir_.write("spin.vrm", "Version\t3\nNumMacros\t0\n\n");
  for (const char *file : {"a.jpg", "b.jpg", "page.htm", "page_files/i.gif"})
    dir_.write(file, "x");
  ASSERT_TRUE(OpenScript("Version 3\nMacroEffect spin.vrm 0 Spin\n"));
  test::TempDir bundle;
  bundle.write("Config.orb", "Version 1\nObjectType ORB\nBannerCount 2\n"
                             "Texture a.jpg\nURL file://page.htm\n"
                             "Texture b.jpg\nURL http://b.invalid\n"
                             "HighLightTexture a.jpg\n");
  ASSERT_EQ(AddPodOrb(document_, bundle.folder(), "introNode1",
                      MakePodOrbKindWord(VORA_NODE_ORB, VORA_NODE_INTRO), "orb")
                .status,
            PodOrbStatus::Added);

  const std::string f = dir_.folder();
  const char sep = platform::kPathSeparator;
  // The configuration, each texture, and a linked page with the folder a
  // saved page keeps; a repeat within the collector is dropped.
  EXPECT_EQ(
      ListPackageFiles(document_),
      (std::vector<std::string>{
          f + "vora.vrc", f + "intro.ini", f + "filelist.ini", f + "text.ini",
          f + "spin.vrm", f + "Config0.orb", f + "a.jpg", f + "page.htm",
          f + "page_files" + sep + "i.gif", f + "b.jpg"}));
}

TEST_F(PackageAssemblyTest, MiscFilesAreListedOnceInNameOrder) {
  ASSERT_TRUE(OpenScript("Version 3\n"));
  // Names that differ only in case are one file on Windows: the first in
  // name order is kept.
  dir_.write("Misc/README.txt", "1");
  dir_.write("Misc/Readme.txt", "2");
  // Many names of one length with a long common part, written out of order.
  for (int i = 299; i >= 0; --i) {
    const std::string number = std::to_string(1000 + i);
    dir_.write("Misc/track" + number + ".mp3", number);
  }
  const std::string misc =
      dir_.folder() + "Misc" + std::string(1, platform::kPathSeparator);
  std::vector<std::string> expected = {misc + "README.txt"};
  for (int i = 0; i < 300; ++i)
    expected.push_back(misc + "track" + std::to_string(1000 + i) + ".mp3");

  std::vector<std::string> files = ListPackageFiles(document_);
  // The fixed files come first; the "Misc" folder closes the list.
  ASSERT_GE(files.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(
                files.end() - static_cast<std::ptrdiff_t>(expected.size()),
                files.end()),
            expected);
  EXPECT_EQ(files.size(), 4 + expected.size());
}

TEST_F(PackageAssemblyTest, MapRunsStopAtTheFirstGap) {
  ASSERT_TRUE(OpenScript("Version 3\n"));
  dir_.write("heightmap0.bmp", "0");
  dir_.write("heightmap1.jpeg", "1");
  dir_.write("heightmap3.bmp", "3");
  dir_.write("maskmap0.jpg", "m");
  dir_.write("maskmap0.bmp", "m"); // ".bmp" comes first
  const std::string f = dir_.folder();
  EXPECT_EQ(
      ListMapFiles(document_),
      (std::vector<std::string>{f + "heightmap0.bmp", f + "heightmap1.jpeg",
                                f + "maskmap0.bmp"}));
}

TEST_F(PackageAssemblyTest, ListsEachDefinitionFileOnce) {
  ASSERT_TRUE(OpenScript("Version 3\n"));
  dir_.write("Ripple.vrd", "DefType R\nMaxInstance 1\nNumPresets 0\n");
  // Read only up to its "DefType" line: packed as it is all the same.
  dir_.write("half.vrd", "DefType H\n");
  using nodes::DefRefNode;
  auto attach = [this](const char *reference, const char *file) {
    auto *node =
        Root().AddChild(std::make_unique<DefRefNode>(&Root(), reference));
    return node->AttachDefinition(file);
  };
  EXPECT_EQ(attach("a", "Ripple.vrd"), DefRefNode::DefinitionResult::Attached);
  EXPECT_EQ(attach("b", "RIPPLE.vrd"), DefRefNode::DefinitionResult::Attached);
  EXPECT_EQ(attach("c", "half.vrd"), DefRefNode::DefinitionResult::ReadFailed);

  const std::string f = dir_.folder();
  const std::vector<std::string> files = ListPackageFiles(document_);
  ASSERT_GE(files.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(files.begin() + 4, files.begin() + 6),
            (std::vector<std::string>{f + "Ripple.vrd", f + "half.vrd"}));
  EXPECT_EQ(std::count(files.begin(), files.end(), f + "Ripple.vrd"), 1);
}

// Objects bring their object files and textures; the built-in deformation
// that stands in an object file's place is packed only when the folder
// holds such a file (it is none).
TEST_F(PackageAssemblyTest, ObjectFilesAndTheBuiltInDeformation) {
  dir_.write("car.vro", "m");
  dir_.write("paint.bmp", "p");
  ASSERT_TRUE(OpenScript("Version 3\nNumObjects 1\nOName car\n"
                         "NumMorphs 2\nTName paint.jpg\n"
                         "VroFile car.vro\nVroFile DefHydraCreate.vrd\n"))
      << document_.GetOpenProblem().Describe();
  auto listed = [this](const char *name) {
    const std::vector<std::string> files = ListPackageFiles(document_);
    return std::find(files.begin(), files.end(), dir_.file(name)) !=
           files.end();
  };
  EXPECT_TRUE(listed("car.vro"));
  EXPECT_TRUE(listed("paint.bmp"));
  EXPECT_FALSE(listed("DefHydraCreate.vrd"));
  dir_.write("DefHydraCreate.vrd", "d");
  EXPECT_TRUE(listed("DefHydraCreate.vrd"));
}

} // namespace
} // namespace vorafile
