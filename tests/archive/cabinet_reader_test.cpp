// The cabinet reader on real files: the five modes, refusal of names that
// would leave the destination folder, and what a failed run leaves behind.
#include "archive/cabinet_reader.h"

#include "archive/cabinet_disk_files.h"
#include "cabinet_test_support.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorafile::archive {
namespace {

using test::MemoryFiles;
using test::SourceFile;
using vorafile::test::TempDir;

// A cabinet made by the engine directly, so that any stored name can be
// written, saved as `name` in `dir`.
std::string SaveCabinet(const TempDir &dir, const std::string &name,
                        const std::vector<SourceFile> &sources) {
  MemoryFiles fs;
  test::WriteResult result =
      test::WriteCabinets(fs, sources, test::DefaultDescription());
  EXPECT_TRUE(result.ok);
  dir.write(name, fs.files["out.cab"]);
  return dir.file(name);
}

const std::vector<SourceFile> kTree = {{"a.txt", "alpha"},
                                       {"sub\\b.txt", "bravo"},
                                       {"sub\\deep\\c.txt", "charlie"}};

class RecordingExtractor : public CabinetExtractor {
public:
  ~RecordingExtractor() override { WaitForWorker(); }
  std::vector<std::string> listed;
  std::vector<std::string> extracting;
  std::int32_t doneCount = -1;
  std::int32_t errorCode = 0;
  bool aborted = false;
  bool findResult = false;
  bool refuseExtract = false;

protected:
  bool OnListFile(const CabinetFileInfo &info) override {
    listed.push_back(info.name);
    return true;
  }
  bool OnExtractFile(const CabinetFileInfo &info) override {
    extracting.push_back(info.name);
    return !refuseExtract;
  }
  bool OnAborted() override {
    aborted = true;
    return true;
  }
  bool OnError(std::int32_t code) override {
    errorCode = code;
    return true;
  }
  bool OnExtractAllDone(std::int32_t count) override { return Done(count); }
  bool OnExtractFileDone(std::int32_t count) override { return Done(count); }
  bool OnExtractListDone(std::int32_t count) override { return Done(count); }
  bool OnListDone(std::int32_t count) override { return Done(count); }
  bool OnFindDone(bool found) override {
    findResult = found;
    return Done(0);
  }

private:
  bool Done(std::int32_t count) {
    doneCount = count;
    return true;
  }
};

TEST(CabinetReaderTest, ExtractAllMakesSubfoldersAndOverwrites) {
  TempDir dir;
  std::string cab = SaveCabinet(dir, "t.cab", kTree);
  dir.write("out/a.txt", "an older and longer text");
  dir.write("out/sub/keep.txt", "kept");
  CabinetReader reader;
  ASSERT_TRUE(reader.ExtractAllAndWait(dir.file("out"), cab));
  EXPECT_TRUE(reader.IsDone());
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(dir.read("out/a.txt"), "alpha");
  EXPECT_EQ(dir.read("out/sub/b.txt"), "bravo");
  EXPECT_EQ(dir.read("out/sub/deep/c.txt"), "charlie");
  EXPECT_EQ(dir.read("out/sub/keep.txt"), "kept");
  // Again over the same tree: existing folders are fine.
  ASSERT_TRUE(reader.ExtractAllAndWait(dir.file("out"), cab));
}

TEST(CabinetReaderTest, RestoresTimesAndOnlyTheArchiveAttribute) {
  TempDir dir;
  MemoryFiles fs;
  fs.date = 0x2A43;     // 2001-02-03
  fs.time = 0x20A3;     // 04:05:06
  fs.attributes = 0x21; // read-only and archive
  test::WriteResult result =
      test::WriteCabinets(fs, {{"r.txt", "data"}}, test::DefaultDescription());
  ASSERT_TRUE(result.ok);
  dir.write("t.cab", fs.files["out.cab"]);
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  CabinetReader reader;
  ASSERT_TRUE(reader.ExtractAllAndWait(dir.file("out"), dir.file("t.cab")));
  std::optional<platform::DosDateTime> when =
      platform::ReadLastWriteTime(dir.file("out/r.txt"));
  ASSERT_TRUE(when.has_value());
  EXPECT_EQ(when->date, 0x2A43);
  EXPECT_EQ(when->time, 0x20A3);
  std::optional<std::uint32_t> attributes =
      platform::ReadAttributes(dir.file("out/r.txt"));
  ASSERT_TRUE(attributes.has_value());
  EXPECT_EQ(*attributes & platform::attr::kReadOnly, 0u);
}

TEST(CabinetReaderTest, RefusesNamesThatLeaveTheDestination) {
  const char *const kBadNames[] = {"..\\evil.txt", "sub\\..\\..\\evil.txt",
                                   "../evil.txt",  "\\evil.txt",
                                   "/evil.txt",    "C:evil.txt",
                                   "C:\\evil.txt", "sub\\. .\\evil.txt",
                                   "...\\evil.txt"};
  for (const char *bad : kBadNames) {
    SCOPED_TRACE(bad);
    TempDir dir;
    std::string cab = SaveCabinet(
        dir, "t.cab",
        {{"first.txt", "ok"}, {bad, "evil"}, {"last.txt", "never"}});
    EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
    EXPECT_TRUE(platform::MakeFolder(dir.file("out/sub")));
    CabinetReader reader;
    EXPECT_FALSE(reader.ExtractAllAndWait(dir.file("out"), cab));
    EXPECT_TRUE(reader.IsFailed());
    EXPECT_EQ(reader.Error().operationCode, kFdiErrTargetFile);
    EXPECT_EQ(reader.FailureText(), cab + ": file \"" + std::string(bad) +
                                        "\": name leaves the target folder");
    EXPECT_FALSE(platform::PathExists(dir.file("evil.txt")));
    EXPECT_FALSE(platform::PathExists(dir.file("out/evil.txt")));
    EXPECT_FALSE(platform::PathExists(dir.file("last.txt")));
    EXPECT_FALSE(platform::PathExists(dir.file("out/last.txt")));
    EXPECT_EQ(dir.read("out/first.txt"), "ok");
  }
}

// The path bound is the extractor's parameter: packages keep the Windows
// API's 260 characters, a tool may lift it to its system's limit.
TEST(CabinetReaderTest, PathLimitIsAParameter) {
  TempDir dir;
  const std::string longName(255, 'n');
  std::string cab = SaveCabinet(dir, "t.cab", {{longName, "long"}});
  const std::string target = platform::WithTrailingSeparator(dir.file("out"));
  ASSERT_TRUE(platform::MakeFolder(dir.file("out")));
  CabinetReader bounded;
  ASSERT_FALSE(bounded.ExtractAllAndWait(target, cab));
  EXPECT_EQ(bounded.Error().operationCode, kFdiErrTargetFile);
  EXPECT_EQ(bounded.FailureReason(),
            "file \"" + longName + "\": target path of " +
                std::to_string(target.size() + longName.size()) +
                " bytes reaches the limit of " +
                std::to_string(platform::kMaxPath));
#ifndef _WIN32
  CabinetReader lifted;
  lifted.SetPathLimit(4096);
  ASSERT_TRUE(lifted.ExtractAllAndWait(target, cab)) << lifted.FailureText();
  EXPECT_EQ(dir.read("out/" + longName), "long");
#endif
}

TEST(CabinetReaderTest, SafeNameRules) {
  for (const char *good : {"a.txt", "sub\\b.txt", "sub/b.txt", ".hidden",
                           "a..b.txt", "sub\\.\\c.txt", "..a"}) {
    EXPECT_TRUE(IsSafeStoredName(good)) << good;
  }
  for (const char *bad :
       {"", "..", "\\a", "/a", "a\\..", "c:a", "a\\.. \\b", "a\\ ..\\b"}) {
    EXPECT_FALSE(IsSafeStoredName(bad)) << bad;
  }
  EXPECT_FALSE(IsSafeStoredName(std::string("a\0b", 3)));
}

TEST(CabinetReaderTest, FailedRunLeavesNoPartialFile) {
  TempDir dir;
  MemoryFiles fs;
  CabinetDescription desc = test::DefaultDescription();
  std::string big = test::TextBytes(150000, 7);
  test::WriteResult result =
      test::WriteCabinets(fs, {{"small.txt", "small"}, {"big.txt", big}}, desc);
  ASSERT_TRUE(result.ok);
  std::string bytes = fs.files["out.cab"];
  // Damage the last data block: big.txt has been opened and partly written
  // when its checksum fails.
  test::ParsedCabinet parsed = test::ParseCabinet(bytes);
  ASSERT_GE(parsed.blocks.size(), 3u);
  bytes[parsed.blocks.back().payloadAt + 4] ^= 0x55;
  dir.write("t.cab", bytes);
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  CabinetReader reader;
  EXPECT_FALSE(reader.ExtractAllAndWait(dir.file("out"), dir.file("t.cab")));
  EXPECT_TRUE(reader.IsFailed());
  EXPECT_EQ(dir.read("out/small.txt"), "small");
  EXPECT_FALSE(platform::PathExists(dir.file("out/big.txt")));
}

TEST(CabinetReaderTest, MissingPathOrTextFileStartsNoWorker) {
  TempDir dir;
  dir.write("plain.txt", "just some text, no cabinet here\n");
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  for (const std::string &path :
       {dir.file("missing.cab"), dir.file("plain.txt")}) {
    CabinetReader reader;
    EXPECT_FALSE(reader.ExtractAllAndWait(dir.file("out"), path));
    // No worker ran: neither flag was touched.
    EXPECT_FALSE(reader.IsDone());
    EXPECT_FALSE(reader.IsFailed());
    EXPECT_FALSE(reader.ExtractAll(dir.file("out")));
  }
  EXPECT_TRUE(platform::ListFolder(dir.file("out")).empty());
}

TEST(CabinetReaderTest, ListAndFindWriteNothing) {
  TempDir dir;
  std::string cab = SaveCabinet(dir, "t.cab", kTree);
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  RecordingExtractor extractor;
  ASSERT_TRUE(extractor.Open(cab));
  ASSERT_TRUE(extractor.List());
  extractor.WaitForWorker();
  EXPECT_EQ(extractor.listed, (std::vector<std::string>{"a.txt", "sub\\b.txt",
                                                        "sub\\deep\\c.txt"}));
  EXPECT_EQ(extractor.doneCount, 0);

  ASSERT_TRUE(extractor.FindFile("SUB/B.TXT"));
  extractor.WaitForWorker();
  EXPECT_TRUE(extractor.IsFound());
  EXPECT_TRUE(extractor.findResult);
  ASSERT_TRUE(extractor.FindFile("b.txt"));
  extractor.WaitForWorker();
  EXPECT_FALSE(extractor.IsFound());
  EXPECT_TRUE(extractor.extracting.empty());
  EXPECT_TRUE(platform::ListFolder(dir.file("out")).empty());
}

TEST(CabinetReaderTest, ExtractOneAndExtractListTakeExactlyTheirNames) {
  TempDir dir;
  std::string cab = SaveCabinet(dir, "t.cab", kTree);
  EXPECT_TRUE(platform::MakeFolder(dir.file("one")));
  RecordingExtractor extractor;
  ASSERT_TRUE(extractor.Open(cab));
  ASSERT_TRUE(extractor.ExtractFile("A.TXT", dir.file("one")));
  extractor.WaitForWorker();
  EXPECT_EQ(extractor.doneCount, 1);
  EXPECT_EQ(dir.read("one/a.txt"), "alpha");
  EXPECT_EQ(platform::ListFolder(dir.file("one")).size(), 1u);

  EXPECT_TRUE(platform::MakeFolder(dir.file("list")));
  ASSERT_TRUE(extractor.ExtractFiles({"a.txt", "sub/deep/c.txt", "nothere"},
                                     dir.file("list")));
  extractor.WaitForWorker();
  EXPECT_EQ(extractor.doneCount, 2);
  EXPECT_EQ(dir.read("list/a.txt"), "alpha");
  EXPECT_EQ(dir.read("list/sub/deep/c.txt"), "charlie");
  EXPECT_FALSE(platform::PathExists(dir.file("list/sub/b.txt")));

  // Extract-one makes no folders: the file's folder must exist.
  ASSERT_TRUE(extractor.ExtractFile("sub\\b.txt", dir.file("one")));
  extractor.WaitForWorker();
  EXPECT_EQ(extractor.errorCode, kFdiErrTargetFile);
  EXPECT_FALSE(extractor.IsOpen());
}

TEST(CabinetReaderTest, HandlerAbortReportsUserAbort) {
  TempDir dir;
  std::string cab = SaveCabinet(dir, "t.cab", kTree);
  EXPECT_TRUE(platform::MakeFolder(dir.file("out")));
  RecordingExtractor extractor;
  extractor.refuseExtract = true;
  ASSERT_TRUE(extractor.Open(cab));
  ASSERT_TRUE(extractor.ExtractAll(dir.file("out")));
  extractor.WaitForWorker();
  EXPECT_TRUE(extractor.aborted);
  EXPECT_EQ(extractor.Error().operationCode, kFdiErrUserAbort);
  EXPECT_EQ(extractor.extracting.size(), 1u);
  EXPECT_TRUE(platform::ListFolder(dir.file("out")).empty());
  // The failed run dropped the context: nothing more starts.
  EXPECT_FALSE(extractor.List());
}

} // namespace
} // namespace vorafile::archive
