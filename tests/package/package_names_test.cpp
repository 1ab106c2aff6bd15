// Names that a downloaded package gives for its own files: none of them may
// reach outside the working folder, and what a save packs is what reopens.
#include "archive/cabinet_extractor.h"
#include "host/file_manager.h"
#include "nodes/core/param_ids.h"
#include "package/cabinet_io.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace vorafile {
namespace {

namespace fs = std::filesystem;
namespace param = nodes::param;
using test::ScopedEnv;
using test::TempDir;

class NameListing : public archive::CabinetExtractor {
public:
  ~NameListing() override { WaitForWorker(); }
  std::vector<std::string> names;

protected:
  bool OnListFile(const archive::CabinetFileInfo &info) override {
    names.emplace_back(info.name);
    return true;
  }
};

// The names a cabinet stores, sorted.
std::vector<std::string> StoredNames(const std::string &cabinet) {
  NameListing listing;
  EXPECT_TRUE(listing.Open(cabinet));
  EXPECT_TRUE(listing.List());
  listing.WaitForWorker();
  std::sort(listing.names.begin(), listing.names.end());
  return listing.names;
}

// Files (path, size, last write) under `root`, working folders left out.
using Fingerprint = std::map<std::string, std::pair<std::uintmax_t, long long>>;
Fingerprint FingerprintOf(const fs::path &root) {
  Fingerprint print;
  for (auto it = fs::recursive_directory_iterator(root);
       it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && name.rfind("__", 0) == 0) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) {
      print[it->path().string()] = {
          it->file_size(),
          static_cast<long long>(
              it->last_write_time().time_since_epoch().count())};
    }
  }
  return print;
}

// Every test lives in one folder ("around"): the package's source and
// target under "pkg", the working folders under "tmp", and bait files that
// a name climbing out of a working folder ("../../") would reach.
class PackageNamesTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(around_.path() / "tmp");
    tmp_ = std::make_unique<ScopedEnv>("TMP", around_.file("tmp"));
    for (const char *bait :
         {"secret.jpg", "secret.mp3", "secret.cfx", "secret.txt", "cursor.cur"})
      around_.write(bait, std::string("bait ") + bait);
  }

  // A scene folder under "pkg" with every file a package needs.
  void
  MakeScene(const std::string &script, const std::string &intro,
            const std::string &fileList =
                "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n",
            const char *scriptName = "vora.vrc") {
    around_.write("pkg/scene/" + std::string(scriptName), script);
    around_.write("pkg/scene/intro.ini", "[Introduction]\r\n" + intro);
    around_.write("pkg/scene/text.ini", "[General]\r\nRate=50\r\n");
    around_.write("pkg/scene/FileList.ini", fileList);
  }

  std::string Pack() {
    const std::string folder =
        platform::WithTrailingSeparator(around_.file("pkg/scene"));
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file())
        files.push_back(entry.path().string());
    }
    const std::string cabinet = around_.file("pkg/scene.cab");
    EXPECT_TRUE(PackCabinet(cabinet, folder, files));
    return cabinet;
  }

  std::string Target(const char *name = "saved.cab") const {
    return around_.file(std::string("pkg/") + name);
  }

  TempDir around_;
  std::unique_ptr<ScopedEnv> tmp_;
};

TEST_F(PackageNamesTest, TraversalNamesReachNothingOutsideTheWorkingFolder) {
  const std::string up = "../../";
  const std::string absolute = around_.file("secret.jpg");
  MakeScene("Version 3\nBrightness 0.5\nSceneLockMp3 " + up + "secret.mp3\n",
            "Cover=" + up + "secret.jpg\r\nLogo=" + absolute +
                "\r\nBanner=..\\..\\secret.jpg\r\nCursorLink=" + up +
                "cursor.cur\r\nCursorNormal=.. /.. /cursor.cur\r\n");
  const std::string cabinet = Pack();
  const Fingerprint before = FingerprintOf(around_.path());

  FileManager manager;
  const OpenResult opened = manager.Open(cabinet);
  ASSERT_TRUE(opened) << opened.Describe();
  ASSERT_TRUE(manager.Document().WriteScript());
  const SaveResult saved = manager.SaveAs(Target());
  ASSERT_TRUE(saved) << saved.Describe();
  for (const std::string &name : StoredNames(Target()))
    EXPECT_EQ(name.find("secret"), std::string::npos) << name;
  EXPECT_EQ(StoredNames(Target()),
            (std::vector<std::string>{"FileList.ini", "intro.ini", "text.ini",
                                      "vora.vrc"}));

  FileManager reopened;
  const OpenResult again = reopened.Open(Target());
  ASSERT_TRUE(again) << again.Describe();
  // The script keeps naming the lock song as text.
  EXPECT_EQ(reopened.Document().GetRoot()->GetTextParam(param::kSceneLockMp3),
            up + "secret.mp3");

  Fingerprint after = FingerprintOf(around_.path());
  after.erase(fs::path(Target()).make_preferred().string());
  EXPECT_EQ(after, before);
}

TEST_F(PackageNamesTest, NamesThatLeaveTheFolderAreMissingFiles) {
  // The reads that fail on a missing file fail on these the same way, even
  // though the named file exists outside.
  struct Case {
    const char *what;
    std::string script;
    std::string fileList;
    OpenStatus status;
  };
  const std::string list =
      "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=0\r\n";
  const Case cases[] = {
      {"colour effect", "Version 3\nCFX ../../secret.cfx 5\n", list,
       OpenStatus::ScriptRejected},
      {"colour effect, absolute",
       "Version 3\nCFX " + around_.file("secret.cfx") + " 5\n", list,
       OpenStatus::ScriptRejected},
      {"file list entry", "Version 3\n",
       "[3d]\r\nCount=2\r\n1=vora.vrc\r\n2=../../secret.txt\r\n"
       "[Texture]\r\nCount=0\r\n",
       OpenStatus::FileListIncomplete},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(around_.path() / "pkg");
    MakeScene(c.script, "", c.fileList);
    const std::string cabinet = Pack();
    FileManager manager;
    EXPECT_EQ(manager.Open(cabinet).status, c.status);
  }
}

std::string ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(PackageNamesTest, ASaveStoresAndListsEachFileOnce) {
  // The cover and the colour effect name one file, in two spellings.
  MakeScene("Version 3\nCFX fx.cfx 5\n", "Cover=FX.cfx\r\n");
  around_.write("pkg/scene/fx.cfx", "effect");
  FileManager manager;
  const OpenResult opened = manager.Open(Pack());
  ASSERT_TRUE(opened) << opened.Describe();
  ASSERT_TRUE(manager.Document().WriteScript());
  ASSERT_TRUE(manager.SaveAs(Target()));

  EXPECT_EQ(StoredNames(Target()),
            (std::vector<std::string>{"FileList.ini", "fx.cfx", "intro.ini",
                                      "text.ini", "vora.vrc"}));
  const std::string list = ReadWhole(manager.WorkFolder() + "FileList.ini");
  EXPECT_NE(list.find("fx.cfx"), std::string::npos) << list;
  EXPECT_EQ(list.find("fx.cfx"), list.rfind("fx.cfx")) << list;
}

TEST_F(PackageNamesTest, ASavePacksTheLockSongWhenItExists) {
  MakeScene("Version 3\nSceneLockMp3 song.mp3\n", "");
  around_.write("pkg/scene/song.mp3", "la la");
  FileManager manager;
  const OpenResult opened = manager.Open(Pack());
  ASSERT_TRUE(opened) << opened.Describe();
  ASSERT_TRUE(manager.Document().WriteScript());
  ASSERT_TRUE(manager.SaveAs(Target()));
  FileManager reopened;
  ASSERT_TRUE(reopened.Open(Target()));
  EXPECT_EQ(ReadWhole(reopened.WorkFolder() + "song.mp3"), "la la");

  // Without the song the save goes on; the script still names it.
  fs::remove(manager.WorkFolder() + "song.mp3");
  const SaveResult saved = manager.SaveAs(Target("nosong.cab"));
  EXPECT_TRUE(saved) << saved.Describe();
}

TEST_F(PackageNamesTest, AFailedSaveKeepsTheFileList) {
  MakeScene("Version 3\nCFX fx.cfx 5\n", "");
  around_.write("pkg/scene/fx.cfx", "effect");
  FileManager manager;
  ASSERT_TRUE(manager.Open(Pack()));
  ASSERT_TRUE(manager.Document().WriteScript());
  const std::string list = manager.WorkFolder() + "FileList.ini";
  auto readList = [&] { return ReadWhole(list); };
  const std::string original = readList();

  // A target whose folder cannot be made (two missing levels).
  const std::string tooDeep = around_.file("pkg/a") + "/b/c.cab";
  const SaveResult deep = manager.SaveAs(tooDeep);
  EXPECT_EQ(deep.status, SaveStatus::CannotPack);
  EXPECT_EQ(readList(), original);

  // A collected file that is gone: the packing itself fails.
  fs::remove(manager.WorkFolder() + "fx.cfx");
  const SaveResult gone = manager.SaveAs(Target());
  EXPECT_EQ(gone.status, SaveStatus::CannotPack);
  EXPECT_FALSE(fs::exists(Target()));
  EXPECT_EQ(readList(), original);
}

TEST_F(PackageNamesTest, AHostileFileListCountEndsAtTheKeysPresent) {
  MakeScene("Version 3\n", "",
            "[3d]\r\nCount=2147483647\r\n1=vora.vrc\r\n"
            "[Texture]\r\nCount=2147483646\r\n");
  FileManager manager;
  const OpenResult opened = manager.Open(Pack());
  EXPECT_TRUE(opened) << opened.Describe();
}

#ifndef _WIN32
// Windows finds these through its case-blind file system already.
TEST_F(PackageNamesTest, FileListEntriesInSubfoldersOpen) {
  MakeScene("Version 3\n", "",
            "[3d]\r\nCount=1\r\n1=vora.vrc\r\n[Texture]\r\nCount=2\r\n"
            "1=maps\\a.jpg\r\n2=MAPS/B.JPG\r\n");
  around_.write("pkg/scene/Maps/a.jpg", "a");
  around_.write("pkg/scene/Maps/b.jpg", "b");
  FileManager manager;
  const OpenResult opened = manager.Open(Pack());
  EXPECT_TRUE(opened) << opened.Describe();
}

TEST_F(PackageNamesTest, TheScriptIsRewrittenUnderTheNameItCameWith) {
  MakeScene("Version 3\n", "",
            "[3d]\r\nCount=1\r\n1=Vora.vrc\r\n"
            "[Texture]\r\nCount=0\r\n",
            "Vora.vrc");
  FileManager manager;
  ASSERT_TRUE(manager.Open(Pack()));
  ASSERT_TRUE(manager.Document().WriteScript());
  std::vector<std::string> scripts;
  for (const auto &entry : fs::directory_iterator(manager.WorkFolder())) {
    const std::string name = entry.path().filename().string();
    if (ascii::EqualsIgnoreCase(name, "vora.vrc"))
      scripts.push_back(name);
  }
  EXPECT_EQ(scripts, std::vector<std::string>{"Vora.vrc"});
}

TEST_F(PackageNamesTest, ASavePacksFilesNamedInAnotherCase) {
  MakeScene("Version 3\n", "Cover=cover.jpg\r\n");
  around_.write("pkg/scene/cover.jpg", "c");
  around_.write("pkg/scene/logo.jpg", "l");
  around_.write("pkg/scene/MISC/notes.txt", "notes");
  FileManager manager;
  const OpenResult opened = manager.Open(Pack());
  ASSERT_TRUE(opened) << opened.Describe();

  // A host names the cover in another case, and the logo as a ".bmp" that
  // exists as ".jpg" in another case.
  nodes::SceneNode *intro =
      manager.Document().FindByTypeAndOrdinal(VORA_NODE_INTRO, 0);
  ASSERT_NE(intro, nullptr);
  ASSERT_TRUE(intro->SetParamValue(
      param::kCover, nodes::ParamValue(manager.WorkFolder() + "COVER.JPG")));
  ASSERT_TRUE(intro->SetParamValue(
      param::kLogo, nodes::ParamValue(manager.WorkFolder() + "Logo.bmp")));
  ASSERT_TRUE(manager.Document().WriteScript());
  const SaveResult saved = manager.SaveAs(Target());
  ASSERT_TRUE(saved) << saved.Describe();
  const std::vector<std::string> names = StoredNames(Target());
  for (const char *name : {"MISC\\notes.txt", "cover.jpg", "logo.jpg"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}
#endif

} // namespace
} // namespace vorafile
