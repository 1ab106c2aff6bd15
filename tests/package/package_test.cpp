#include "host/file_manager.h"
#include "host/message_dispatcher.h"
#include "package/cabinet_io.h"
#include "package/package_migration.h"
#include "platform/file_system.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vorafile {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

class PackageTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Working folders of the file managers go under this test's folder.
    tmp_ = std::make_unique<ScopedEnv>("TMP", temp_.path().string());
  }

  // A scene folder with every file a package needs.
  std::string MakeScene(const std::string &name, const std::string &script,
                        const char *scriptName = "vora.vrc") {
    const std::string folder = name + "/";
    source_.write(folder + scriptName, script);
    source_.write(folder + "intro.ini", "[Introduction]\r\nTitle=Test\r\n");
    source_.write(folder + "text.ini", "[General]\r\nRate=50\r\n");
    source_.write(folder + "FileList.ini",
                  std::string("[3d]\r\nCount=1\r\n1=") + scriptName +
                      "\r\n[Texture]\r\nCount=0\r\n");
    source_.write(folder + "Misc/notes.txt", "notes");
    return source_.file(name);
  }

  // Packs a scene folder into NAME.cab beside it.
  std::string Pack(const std::string &name) {
    const std::string folder =
        platform::WithTrailingSeparator(source_.file(name));
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file())
        files.push_back(entry.path().string());
    }
    const std::string cabinet = source_.file(name + ".cab");
    EXPECT_TRUE(PackCabinet(cabinet, folder, files));
    return cabinet;
  }

  std::size_t WorkFolderCount() const {
    std::size_t count = 0;
    for (const auto &entry : fs::directory_iterator(temp_.path()))
      count += entry.path().filename().string().rfind("__", 0) == 0;
    return count;
  }

  TempDir temp_;
  TempDir source_;
  std::unique_ptr<ScopedEnv> tmp_;
};

TEST_F(PackageTest, OpensAndSavesAPackage) {
  MakeScene("scene", "Version 3\nBrightness 0.5\n");
  const std::string cabinet = Pack("scene");

  FileManager manager;
  const OpenResult opened = manager.Open(cabinet);
  ASSERT_TRUE(opened) << opened.Describe();
  EXPECT_TRUE(manager.IsOpen());
  EXPECT_EQ(manager.PackagePath(), cabinet);
  EXPECT_TRUE(fs::exists(manager.WorkFolder() + "Misc/notes.txt") ||
              fs::exists(manager.WorkFolder() + "Misc\\notes.txt"));
  SceneDocument &document = manager.Document();
  ASSERT_TRUE(document.HasScene());
  EXPECT_TRUE(document.GetRoot()->SetParamValue(3, nodes::ParamValue(0.25f)));

  // A save creates one missing folder level.
  const std::string target = source_.file("out") + "/saved.cab";
  ASSERT_TRUE(document.WriteScript());
  const SaveResult saved = manager.SaveAs(target);
  ASSERT_TRUE(saved) << saved.Describe();
  EXPECT_EQ(manager.PackagePath(), target);

  FileManager reopened;
  const OpenResult reopenedResult = reopened.Open(target);
  ASSERT_TRUE(reopenedResult) << reopenedResult.Describe();
  EXPECT_EQ(reopened.Document().GetRoot()->GetParamAs<float>(3), 0.25f);
  EXPECT_TRUE(fs::exists(reopened.WorkFolder() + "text.ini"));
}

TEST_F(PackageTest, SavesFailForTheirOwnReasons) {
  FileManager manager;
  EXPECT_EQ(manager.SaveAs(source_.file("none.cab")).status,
            SaveStatus::NoPackage);

  MakeScene("scene", "Version 3\n");
  ASSERT_TRUE(manager.Open(Pack("scene")));
  ASSERT_TRUE(manager.Document().WriteScript());
  // Two missing folder levels: only one is made.
  const std::string tooDeep = source_.file("a") + "/b/c.cab";
  const SaveResult unpacked = manager.SaveAs(tooDeep);
  EXPECT_EQ(unpacked.status, SaveStatus::CannotPack);
  EXPECT_EQ(unpacked.file, tooDeep);

  fs::remove(fs::path(manager.WorkFolder()) / "FileList.ini");
  EXPECT_EQ(manager.SaveAs(source_.file("nolist.cab")).status,
            SaveStatus::NoFileList);
  EXPECT_FALSE(fs::exists(source_.path() / "nolist.cab"));
}

#ifndef _WIN32
TEST_F(PackageTest, ASaveWhoseFileListCannotBeRewrittenFails) {
  MakeScene("scene", "Version 3\n");
  FileManager manager;
  ASSERT_TRUE(manager.Open(Pack("scene")));
  ASSERT_TRUE(manager.Document().WriteScript());
  // A list larger than any settings file is refused by the INI writer
  // (it was never read whole), while the packer would take it.
  const std::string list = manager.WorkFolder() + "FileList.ini";
  std::string huge = "; comment\n";
  while (huge.size() <= 8u * 1024 * 1024)
    huge += huge;
  { std::ofstream(list, std::ios::binary) << huge; }

  const std::string target = source_.file("stale.cab");
  EXPECT_EQ(manager.SaveAs(target).status, SaveStatus::CannotWriteFileList);
  // The save stopped before packing a list that no longer matches.
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(manager.PackagePath(), source_.file("scene.cab"));
}
#endif

TEST_F(PackageTest, FailedOpensLeaveNothingBehind) {
  FileManager manager;
  EXPECT_EQ(manager.Open(source_.file("missing.cab")).status,
            OpenStatus::NoSuchPackage);
  EXPECT_EQ(WorkFolderCount(), 0u);
  EXPECT_EQ(manager.LastTempFolder(), "");

  source_.write("text.cab", "not a cabinet");
  EXPECT_EQ(manager.Open(source_.file("text.cab")).status,
            OpenStatus::CannotExtract);
  EXPECT_EQ(WorkFolderCount(), 0u);

  MakeScene("nolist", "Version 3\n");
  fs::remove(source_.path() / "nolist" / "FileList.ini");
  EXPECT_EQ(manager.Open(Pack("nolist")).status,
            OpenStatus::FileListIncomplete);
  EXPECT_EQ(WorkFolderCount(), 0u);
  EXPECT_FALSE(manager.IsOpen());

  MakeScene("badscript", "Version 2\n");
  const OpenResult badScript = manager.Open(Pack("badscript"));
  EXPECT_EQ(badScript.status, OpenStatus::ScriptRejected);
  EXPECT_EQ(badScript.keyword, "Version");
  EXPECT_EQ(badScript.line, 1);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

// What a failed open does not keep: the files whose list or scene failed,
// for a check that reports every problem.
TEST_F(PackageTest, ExtractingAloneKeepsWhatAnOpenWouldRefuse) {
  MakeScene("broken", "Version 2\n");
  fs::remove(source_.path() / "broken" / "FileList.ini");
  const std::string cabinet = Pack("broken");
  const std::string folder =
      platform::WithTrailingSeparator(source_.file("unpacked"));
  ASSERT_TRUE(platform::MakeFolder(folder));
  const OpenResult extracted = ExtractPackage(cabinet, folder);
  ASSERT_TRUE(extracted) << extracted.Describe();
  EXPECT_TRUE(fs::exists(folder + "vora.vrc"));
  EXPECT_FALSE(fs::exists(folder + "FileList.ini"));

  EXPECT_EQ(ExtractPackage(source_.file("missing.cab"), folder).status,
            OpenStatus::CannotExtract);
  EXPECT_EQ(WorkFolderCount(), 0u);
}

TEST_F(PackageTest, OnlyASuccessfulOpenReplacesThePackage) {
  MakeScene("first", "Version 3\n");
  MakeScene("broken", "Version 3\n");
  fs::remove(source_.path() / "broken" / "FileList.ini");
  FileManager manager;
  ASSERT_TRUE(manager.Open(Pack("first")));
  const std::string firstFolder = manager.WorkFolder();

  EXPECT_EQ(manager.Open(Pack("broken")).status,
            OpenStatus::FileListIncomplete);
  EXPECT_EQ(manager.WorkFolder(), firstFolder);
  EXPECT_TRUE(fs::is_directory(firstFolder));

  ASSERT_TRUE(manager.Open(source_.file("first.cab")));
  EXPECT_NE(manager.WorkFolder(), firstFolder);
  EXPECT_FALSE(fs::exists(firstFolder));
  EXPECT_EQ(WorkFolderCount(), 1u);
}

#ifndef _WIN32
TEST_F(PackageTest, OldScenesMigrateThroughTheirTemplate) {
  // The installation's template 7: a scene with its own settings.
  TempDir installation;
  MakeScene("template", "Version 3\nBrightness 0.5\nResponsivness 1\n",
            "vora.rudov");
  fs::rename(Pack("template"), installation.path() / TemplateCabinetName(7));
  installation.write("registry.reg",
                     "[HKEY_LOCAL_MACHINE\\Software\\Mervel Tech\\Tervy]\n"
                     "\"Path\"=\"" +
                         installation.path().string() + "\"\n");

  source_.write("old/vora.rudov", "1\n7\n\n0.75\n\n4.5\n\n0\n1\n");
  source_.write("old/FileList.ini", "[3d]\r\nCount=1\r\n1=vora_.rudov\r\n"
                                    "[Texture]\r\nCount=0\r\n");
  const std::string old = Pack("old");

  FileManager manager;
  {
    ScopedEnv noRegistry("VORAFILE_REGISTRY", installation.file("missing.reg"));
    EXPECT_EQ(manager.Open(old).status, OpenStatus::MigrationFailed);
    EXPECT_EQ(WorkFolderCount(), 0u);
  }
  ScopedEnv registry("VORAFILE_REGISTRY", installation.file("registry.reg"));
  const OpenResult migrated = manager.Open(old);
  ASSERT_TRUE(migrated) << migrated.Describe();
  EXPECT_EQ(manager.Document().GetRoot()->GetParamAs<float>(3), 0.75f);
  EXPECT_EQ(manager.Document().GetRoot()->GetParamAs<float>(222), 4.5f);
}
#endif

TEST_F(PackageTest, PackagesTravelThroughTheMessages) {
  MakeScene("scene", "Version 3\nBrightness 0.5\n");
  const std::string cabinet = Pack("scene");
  const std::string target = source_.file("via-messages.cab");
  MessageDispatcher dispatcher;
  auto arg = [](const std::string &text) {
    return reinterpret_cast<std::uintptr_t>(text.c_str());
  };
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE, arg(target), 0, 0, 0), 0u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, arg(cabinet), 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE, arg(target), 0, 0, 0), 1u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_SAVE_PACKAGE_AS, arg(target), 0, 0, 0),
            1u);
  const std::string tooLong(platform::kMaxPath, 'x');
  EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, arg(tooLong), 0, 0, 0), 0u);
  EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE, 0, 0, 0, 0), 0u);
  const std::string workFolder = dispatcher.GetFileManager()->WorkFolder();
  EXPECT_EQ(dispatcher.Send(VORA_MSG_DESTROY, 0, 0, 0, 0), 1u);
  EXPECT_FALSE(fs::exists(workFolder));
}

std::string ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Saves the open package through the messages, as a host does.
bool SaveThroughMessages(MessageDispatcher &dispatcher,
                         const std::string &target) {
  return dispatcher.Send(VORA_MSG_SAVE_PACKAGE_AS,
                         reinterpret_cast<std::uintptr_t>(target.c_str()), 0, 0,
                         0) == 1u;
}

TEST_F(PackageTest, ASaveKeepsTheLinesAReadStoppedAt) {
  const std::string tail = "NoReaderYet 1\n; a comment\nBrightness 0.9\n"
                           "last line without a break";
  MakeScene("scene", "Version 3\nBrightness 0.5\n\n" + tail);
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  const std::string cabinet = Pack("scene");
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                            reinterpret_cast<std::uintptr_t>(cabinet.c_str()),
                            0, 0, 0),
            1u);
  SceneDocument &document = dispatcher.GetFileManager()->Document();
  // The open succeeds and says where reading stopped.
  EXPECT_EQ(document.GetOpenProblem().status, SceneOpenStatus::Ok);
  EXPECT_EQ(document.GetOpenProblem().line, 4);
  EXPECT_EQ(document.GetOpenProblem().keyword, "NoReaderYet");
  EXPECT_TRUE(document.GetRoot()->HasUnreadTail());

  const std::string target = source_.file("saved.cab");
  ASSERT_TRUE(SaveThroughMessages(dispatcher, target));
  FileManager reopened;
  ASSERT_TRUE(reopened.Open(target));
  const std::string script = ReadWhole(reopened.WorkFolder() + "vora.vrc");
  EXPECT_EQ(script, "Version\t3\nBrightness\t0.500000\n" + tail);
  // The reopened scene stops at the same line, with the same tail.
  SceneRoot &root = *reopened.Document().GetRoot();
  EXPECT_EQ(root.GetParamAs<float>(3), 0.5f);
  EXPECT_EQ(root.GetUnreadTail(), tail);
  EXPECT_EQ(reopened.Document().GetOpenProblem().keyword, "NoReaderYet");
  EXPECT_EQ(reopened.Document().GetOpenProblem().line, 3);
}

TEST_F(PackageTest, ASaveAfterAStoppedReadPacksEveryExtractedFile) {
  // Only the unread lines name "car.obj" and "objects/part.obj";
  // "Vora.script" is named by the end of a whole read, which this read never
  // reaches.
  MakeScene("scene",
            "Version 3\nBrightness 0.5\nNoReaderYet 1\nOName car car.obj\n"
            "OName part objects/part.obj\n",
            "vora.rudov");
  source_.write("scene/car.obj", "o car");
  source_.write("scene/objects/part.obj", "o part");
  source_.write("scene/Vora.script", "script");
  const std::string cabinet = Pack("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                            reinterpret_cast<std::uintptr_t>(cabinet.c_str()),
                            0, 0, 0),
            1u);
  ASSERT_TRUE(dispatcher.GetFileManager()->Document().GetRoot()->SetParamValue(
      nodes::param::kBrightness, nodes::ParamValue(0.25f)));
  const std::string target = source_.file("saved.cab");
  ASSERT_TRUE(SaveThroughMessages(dispatcher, target));

  FileManager reopened;
  const OpenResult result = reopened.Open(target);
  ASSERT_TRUE(result) << result.Describe();
  for (const char *name :
       {"car.obj", "objects/part.obj", "Vora.script", "Misc/notes.txt"}) {
    EXPECT_TRUE(fs::exists(reopened.WorkFolder() + name)) << name;
  }
  // The delivered script stays behind: the saved one holds the change.
  EXPECT_FALSE(fs::exists(reopened.WorkFolder() + "vora.rudov"));
  EXPECT_EQ(reopened.Document().GetRoot()->GetParamAs<float>(3), 0.25f);
  // Each file once (the list names the files of the folder itself).
  const std::string list = ReadWhole(reopened.WorkFolder() + "FileList.ini");
  for (const char *name : {"car.obj", "Vora.script", "text.ini"}) {
    const std::size_t first = list.find(name);
    EXPECT_NE(first, std::string::npos) << name << " in\n" << list;
    EXPECT_EQ(list.find(name, first + 1), std::string::npos) << name << " in\n"
                                                             << list;
  }
}

TEST_F(PackageTest, ASaveOpensAfterTheHostRemovedTheVersion) {
  MakeScene("scene", "Version 3\nBrightness 0.5\n");
  const std::string cabinet = Pack("scene");
  MessageDispatcher dispatcher;
  ASSERT_EQ(dispatcher.Send(VORA_MSG_CREATE, 0, 0, 0, 0), 1u);
  ASSERT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                            reinterpret_cast<std::uintptr_t>(cabinet.c_str()),
                            0, 0, 0),
            1u);
  // The root is node 0; 277 is "Version".
  ASSERT_EQ(dispatcher.Send(VORA_MSG_REMOVE_PARAM, 0, 277, 0, 0), 1u);
  const std::string target = source_.file("saved.cab");
  ASSERT_TRUE(SaveThroughMessages(dispatcher, target));
  EXPECT_EQ(dispatcher.Send(VORA_MSG_OPEN_PACKAGE,
                            reinterpret_cast<std::uintptr_t>(target.c_str()), 0,
                            0, 0),
            1u);
  EXPECT_EQ(
      dispatcher.GetFileManager()->Document().GetRoot()->GetParamAs<float>(3),
      0.5f);
}

} // namespace
} // namespace vorafile
