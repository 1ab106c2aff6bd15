// The cabinet writer on real files: stored names, the worker's outcome, and
// what is left at the target path when a run fails.
#include "archive/cabinet_writer.h"

#include "archive/cabinet_disk_files.h"
#include "archive/cabinet_reader.h"
#include "cabinet_test_support.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorafile::archive {
namespace {

using test::ParseCabinet;
using test::RandomBytes;
using test::TextBytes;
using vorafile::test::TempDir;

// Records what the worker reports.
class RecordingWriter : public CabinetWriter {
public:
  ~RecordingWriter() override { WaitForWorker(); }
  std::vector<std::string> adding;
  std::int32_t finishedCount = -1;
  bool finishedOk = false;

protected:
  bool OnAddingFile(const std::string &path) override {
    adding.push_back(path);
    return true;
  }
  bool OnFinished(bool success, std::int32_t fileCount) override {
    finishedOk = success;
    finishedCount = fileCount;
    return CabinetWriter::OnFinished(success, fileCount);
  }
};

std::vector<std::string> EntryNames(const std::string &folder) {
  std::vector<std::string> names;
  for (const platform::FolderEntry &entry : platform::ListFolder(folder))
    names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CabinetWriterTest, RoundTripsAFolderTreeWithBackslashNames) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"vora.vrc", TextBytes(3000, 1)},
      {"empty.txt", ""},
      {"maps/sky.bmp", RandomBytes(70000, 2)},
      {"maps/deep/long.txt", TextBytes(200000, 3)}};
  std::vector<std::string> paths;
  for (const auto &[name, data] : files) {
    dir.write("work/" + name, data);
    paths.push_back(dir.file("work/" + name));
  }
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  {
    CabinetWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.file("out"), "pack.cab"));
    ASSERT_TRUE(writer.AddFilesAndWait(dir.file("work/"), paths));
    EXPECT_TRUE(writer.IsDone());
    ASSERT_TRUE(writer.FlushCabinet());
    EXPECT_FALSE(writer.HasCabinet());
  }
  // Only the cabinet is left in its folder: no temporary name remains.
  EXPECT_EQ(EntryNames(dir.file("out")), std::vector<std::string>{"pack.cab"});

  test::ParsedCabinet parsed = ParseCabinet(dir.read("out/pack.cab"));
  std::vector<std::string> stored;
  for (const auto &file : parsed.files)
    stored.push_back(file.name);
  EXPECT_EQ(stored,
            (std::vector<std::string>{"vora.vrc", "empty.txt", "maps\\sky.bmp",
                                      "maps\\deep\\long.txt"}));

  CabinetReader reader;
  ASSERT_TRUE(platform::MakeFolder(dir.file("back")));
  ASSERT_TRUE(
      reader.ExtractAllAndWait(dir.file("back"), dir.file("out/pack.cab")));
  for (const auto &[name, data] : files)
    EXPECT_EQ(dir.read("back/" + name), data) << name;
  EXPECT_EQ(reader.ExtractedCount(), 4);
}

TEST(CabinetWriterTest, ASetOfManyCabinetsReadsBackWhole) {
  // Small cabinets: folders end within a cabinet, and the reader has to go
  // on to the next cabinet after a folder that ended there.
  TempDir dir;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 6; ++i) {
    files.emplace_back("file" + std::to_string(i) + ".bin",
                       i % 2 == 0
                           ? RandomBytes(60000, static_cast<unsigned>(i))
                           : TextBytes(150000, static_cast<unsigned>(i)));
  }
  std::vector<std::string> paths;
  for (const auto &[name, data] : files) {
    dir.write("work/" + name, data);
    paths.push_back(dir.file("work/" + name));
  }
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  {
    CabinetWriter writer;
    writer.SetMaxCabinetSize(40000);
    ASSERT_TRUE(writer.CreateCabinet(dir.file("out"), "set.cab"));
    ASSERT_TRUE(writer.AddFilesAndWait(dir.file("work/"), paths));
    ASSERT_TRUE(writer.FlushCabinet());
  }
  EXPECT_GE(EntryNames(dir.file("out")).size(), 5u);
  CabinetReader reader;
  ASSERT_TRUE(platform::MakeFolder(dir.file("back")));
  ASSERT_TRUE(
      reader.ExtractAllAndWait(dir.file("back"), dir.file("out/set.cab")));
  for (const auto &[name, data] : files)
    EXPECT_TRUE(dir.read("back/" + name) == data) << name;
  EXPECT_EQ(reader.ExtractedCount(), 6);
}

TEST(CabinetWriterTest, StoredNamesCutTheBaseFolderAnywhereInThePath) {
  EXPECT_EQ(StoredNameOf("C:\\T\\w\\maps\\a.jpg", "C:\\T\\w\\"), "maps\\a.jpg");
  EXPECT_EQ(StoredNameOf("/t/w/maps/a.jpg", "/t/w/"), "maps\\a.jpg");
  // Outside the base folder the whole path is stored.
  EXPECT_EQ(StoredNameOf("/x/y.txt", "/t/w/"), "\\x\\y.txt");
  EXPECT_EQ(StoredNameOf("/x/y.txt", ""), "\\x\\y.txt");
  // The search is case-sensitive and finds the first occurrence.
  EXPECT_EQ(StoredNameOf("C:\\t\\W\\a.jpg", "C:\\T\\w\\"), "C:\\t\\W\\a.jpg");
  EXPECT_EQ(StoredNameOf("/a/w/b/w/c", "w/"), "b\\w\\c");
}

TEST(CabinetWriterTest, RefusesANameTheReaderWouldRefuse) {
  // Files outside the base folder would be stored under their whole path,
  // or with ".." parts: a cabinet that no reader extracts.
  TempDir dir;
  dir.write("work/a.txt", "a");
  dir.write("outside.txt", "o");
  const std::string outsideWhole = dir.file("outside.txt");
  const std::string outsideClimbing = dir.file("work/") + "../outside.txt";
  for (const std::string &outside : {outsideWhole, outsideClimbing}) {
    SCOPED_TRACE(outside);
    std::vector<std::string> paths = {dir.file("work/a.txt"), outside};
    {
      CabinetWriter writer;
      ASSERT_TRUE(writer.CreateCabinet(dir.folder(), "refused.cab"));
      EXPECT_FALSE(writer.AddFilesAndWait(dir.file("work/"), paths));
      EXPECT_FALSE(writer.FlushCabinet());
    }
    EXPECT_FALSE(platform::PathExists(dir.file("refused.cab")));
  }
}

TEST(CabinetWriterTest, NamesTheCabinetsOfASet) {
  EXPECT_EQ(NextCabinetName("pack.cab", 2), "pack2.cab");
  EXPECT_EQ(NextCabinetName("pack2.cab", 3), "pack3.cab");
  EXPECT_EQ(NextCabinetName("pack9.cab", 10), "pack10.cab");
  EXPECT_EQ(NextCabinetName("pack10.cab", 11), "pack11.cab");
  EXPECT_EQ(NextCabinetName("pack11.cab", 12), "pack12.cab");
  EXPECT_EQ(NextCabinetName("set", 2), "set2");
  EXPECT_EQ(NextCabinetName("a.b.cab", 2), "a.b2.cab");
}

TEST(CabinetWriterTest, MissingSourceFailsAndLeavesTheTargetAsItWas) {
  TempDir dir;
  dir.write("work/a.txt", "a");
  dir.write("work/b.txt", "b");
  dir.write("work/d.txt", "d");
  dir.write("out/pack.cab", "old contents");
  std::vector<std::string> paths = {
      dir.file("work/a.txt"), dir.file("work/b.txt"), dir.file("work/c.txt"),
      dir.file("work/d.txt")};
  {
    RecordingWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.file("out"), "pack.cab"));
    EXPECT_FALSE(writer.AddFilesAndWait(dir.file("work/"), paths));
    EXPECT_TRUE(writer.IsFailed());
    EXPECT_FALSE(writer.finishedOk);
    EXPECT_EQ(writer.finishedCount, 2);
    EXPECT_EQ(writer.adding.size(), 3u);
    EXPECT_EQ(writer.Error().operationCode, kFciErrOpenSource);
    EXPECT_FALSE(writer.HasCabinet());
    EXPECT_FALSE(writer.FlushCabinet());
  }
  EXPECT_EQ(dir.read("out/pack.cab"), "old contents");
  EXPECT_EQ(EntryNames(dir.file("out")), std::vector<std::string>{"pack.cab"});

  // The same with no file at the target: none appears.
  {
    CabinetWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.file("out"), "new.cab"));
    EXPECT_FALSE(writer.AddFilesAndWait(dir.file("work/"), paths));
  }
  EXPECT_FALSE(platform::PathExists(dir.file("out/new.cab")));
}

TEST(CabinetWriterTest, EmptyListSucceedsAndDestructionWritesTheCabinet) {
  TempDir dir;
  dir.write("work/a.txt", "alpha");
  {
    RecordingWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.folder(), "empty.cab"));
    EXPECT_TRUE(writer.AddFilesAndWait(dir.folder(), {}));
    EXPECT_EQ(writer.finishedCount, 0);
    EXPECT_TRUE(writer.finishedOk);
  }
  test::ParsedCabinet empty = ParseCabinet(dir.read("empty.cab"));
  EXPECT_TRUE(empty.files.empty());
  {
    CabinetWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.folder(), "one.cab"));
    ASSERT_TRUE(writer.AddFilesAndWait(dir.folder(), {dir.file("work/a.txt")}));
    // Not flushed: the destructor writes it.
  }
  ASSERT_EQ(ParseCabinet(dir.read("one.cab")).files.size(), 1u);
  EXPECT_EQ(ParseCabinet(dir.read("one.cab")).files[0].name, "work\\a.txt");
}

TEST(CabinetWriterTest, StoresTheSourceTimeAndAttributes) {
  TempDir dir;
  dir.write("a.txt", "alpha");
  const platform::DosDateTime when{0x2A43, 0x20A3}; // 2001-02-03 04:05:06
  ASSERT_TRUE(platform::WriteFileTime(dir.file("a.txt"), when));
  ASSERT_TRUE(
      platform::WriteAttributes(dir.file("a.txt"), platform::attr::kReadOnly));
  {
    CabinetWriter writer;
    ASSERT_TRUE(writer.CreateCabinet(dir.folder(), "t.cab"));
    ASSERT_TRUE(writer.AddFilesAndWait(dir.folder(), {dir.file("a.txt")}));
    ASSERT_TRUE(writer.FlushCabinet());
  }
  test::ParsedCabinet parsed = ParseCabinet(dir.read("t.cab"));
  ASSERT_EQ(parsed.files.size(), 1u);
  EXPECT_EQ(parsed.files[0].date, when.date);
  EXPECT_EQ(parsed.files[0].time, when.time);
  EXPECT_EQ(parsed.files[0].attributes & 0x01, 0x01);
}

} // namespace
} // namespace vorafile::archive
