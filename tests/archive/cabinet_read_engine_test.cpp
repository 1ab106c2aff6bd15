#include "archive/cabinet_read_engine.h"

#include "cabinet_test_support.h"
#include "peer_tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace vorafile::archive::test {
namespace {

// Three folders (threshold 0), deflated and stored blocks, a subfolder name:
// small enough for a truncation ladder over every prefix.
std::vector<SourceFile> SampleSources() {
  return {{"a.txt", TextBytes(3000, 11)},
          {"b.bin", RandomBytes(600, 12)},
          {"sub\\c.txt", TextBytes(40000, 13)}};
}

std::string SampleCabinet() {
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.folderThreshold = 0;
  WriteResult written = WriteCabinets(fs, SampleSources(), desc);
  return written.ok ? fs.files["out.cab"] : std::string();
}

// One folder, one data block, one file, built field by field; the file table
// comes last, after the data, so its name can run into the end of the file.
std::string HandBuiltCabinet(const std::string &name,
                             const std::string &payload,
                             std::uint16_t uncompressed,
                             std::uint16_t type = cab::kCompressNone) {
  std::string bytes(cab::kCfHeaderSize, '\0');
  bytes.replace(0, 4, "MSCF");           // signature
  bytes[cab::kCfHeaderVersionMinor] = 3; // version 1.3
  bytes[cab::kCfHeaderVersionMajor] = 1;
  PutU16(bytes, cab::kCfHeaderCFolders, 1); // cFolders
  PutU16(bytes, cab::kCfHeaderCFiles, 1);   // cFiles
  std::string folder(cab::kCfFolderSize, '\0');
  PutU32(folder, cab::kCfFolderCoffCabStart, // coffCabStart
         static_cast<std::uint32_t>(bytes.size() + folder.size()));
  PutU16(folder, cab::kCfFolderCCfData, 1);         // cCFData
  PutU16(folder, cab::kCfFolderTypeCompress, type); // typeCompress
  bytes += folder;
  std::string data(cab::kCfDataSize, '\0'); // csum 0: none
  PutU16(data, cab::kCfDataCbData, static_cast<std::uint16_t>(payload.size()));
  PutU16(data, cab::kCfDataCbUncomp, uncompressed);
  bytes += data + payload;
  PutU32(bytes, cab::kCfHeaderCoffFiles, // coffFiles
         static_cast<std::uint32_t>(bytes.size()));
  std::string file(cab::kCfFileSize, '\0');
  PutU32(file, cab::kCfFileCbFile, uncompressed); // cbFile
  bytes += file + name + '\0';                    // szName
  PutU32(bytes, cab::kCfHeaderCbCabinet,          // cbCabinet
         static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

TEST(CabinetReadEngineTest, HandBuiltCabinetIsRead) {
  Extraction x = ExtractBytes(HandBuiltCabinet("a.txt", "hello", 5));
  ASSERT_TRUE(x.ok) << x.error.operationCode;
  EXPECT_EQ(x.extracted,
            (std::map<std::string, std::string>{{"a.txt", "hello"}}));
}

TEST(CabinetReadEngineTest, IsCabinetReportsSummaryOrWhyNot) {
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.maxCabinetSize = 40000;
  ASSERT_TRUE(WriteCabinets(fs, MixedSources(), desc).ok);
  fs.files["text"] = "this is no cabinet, just text\n";
  fs.files["v14"] = fs.files["out.cab"];
  fs.files["v14"][cab::kCfHeaderVersionMinor] = 4;
  fs.files["short"] = fs.files["out.cab"].substr(0, 20);
  struct Case {
    const char *file;
    bool isCabinet;
    std::int32_t code;
  } cases[] = {{"out.cab", true, 0},
               {"out2.cab", true, 0},
               {"text", false, kFdiErrNotACabinet},
               {"v14", false, kFdiErrUnknownCabinetVersion},
               {"short", false, kFdiErrCorruptCabinet}};
  CabinetErrorRecord error;
  FdiContext *context = FdiCreate(fs.Fdi(), kCpu80386, &error);
  ASSERT_NE(context, nullptr);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    int err = 0;
    CabFileHandle file =
        MemoryFiles::Open(c.file, open_flag::kReadOnly, 0, &err, &fs);
    FdiCabinetInfo info;
    error = {};
    EXPECT_EQ(FdiIsCabinet(context, file, &info), c.isCabinet);
    EXPECT_EQ(error.operationCode, c.code);
    if (c.isCabinet) {
      EXPECT_EQ(info.cabinetSize, fs.files[c.file].size());
      EXPECT_EQ(info.setId, desc.setId);
      EXPECT_TRUE(info.hasNext);
      EXPECT_EQ(info.hasPrevious, std::string(c.file) == "out2.cab");
      EXPECT_EQ(info.cabinetIndex, info.hasPrevious ? 1 : 0);
    }
    MemoryFiles::Close(file, &err, &fs);
  }
  EXPECT_TRUE(FdiDestroy(context));
  EXPECT_EQ(fs.liveAllocs, 0);
}

TEST(CabinetReadEngineTest, TruncationLadderFailsCleanly) {
  const std::string whole = SampleCabinet();
  ASSERT_FALSE(whole.empty());
  ASSERT_TRUE(ExtractBytes(whole).ok);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    std::string prefix = whole.substr(0, length);
    Extraction x = ExtractBytes(prefix);
    ASSERT_FALSE(x.ok) << length;
    ASSERT_EQ(x.error.operationCode,
              length < 4 ? kFdiErrNotACabinet : kFdiErrCorruptCabinet)
        << length;
    // The same prefix with cbCabinet claiming exactly its length: the
    // tables and blocks must then be found short.
    if (length >= cab::kCfHeaderSize) {
      PutU32(prefix, cab::kCfHeaderCbCabinet,
             static_cast<std::uint32_t>(length));
      x = ExtractBytes(prefix);
      ASSERT_FALSE(x.ok) << length;
      ASSERT_EQ(x.error.operationCode, kFdiErrCorruptCabinet) << length;
    }
  }
}

struct DamageCase {
  const char *defect;
  std::function<void(std::string &, const ParsedCabinet &)> damage;
  std::int32_t code;
};

TEST(CabinetReadEngineTest, DamagedCabinetsFailWithTheRightCode) {
  const std::string sample = SampleCabinet();
  const ParsedCabinet parsed = ParseCabinet(sample);
  ASSERT_EQ(parsed.folders.size(), 3u);
  ASSERT_EQ(parsed.files.size(), 3u);
  const auto &lastFolder = parsed.folders.back();
  const auto &firstBlock = parsed.blocks.front();
  const DamageCase cases[] = {
      {"bad_signature", [](std::string &b, auto &) { b[0] = 'X'; },
       kFdiErrNotACabinet},
      {"bad_version",
       [](std::string &b, auto &) { b[cab::kCfHeaderVersionMajor] = 2; },
       kFdiErrUnknownCabinetVersion},
      {"size_past_end",
       [](std::string &b, auto &) {
         PutU32(b, cab::kCfHeaderCbCabinet,
                static_cast<std::uint32_t>(b.size() + 1));
       },
       kFdiErrCorruptCabinet},
      {"size_below_header",
       [](std::string &b, auto &) { PutU32(b, cab::kCfHeaderCbCabinet, 35); },
       kFdiErrCorruptCabinet},
      {"too_many_files",
       [](std::string &b, auto &) { PutU16(b, cab::kCfHeaderCFiles, 0xFFFF); },
       kFdiErrCorruptCabinet},
      {"files_without_folders",
       [](std::string &b, auto &) { PutU16(b, cab::kCfHeaderCFolders, 0); },
       kFdiErrCorruptCabinet},
      {"too_many_folders",
       [](std::string &b, auto &) {
         PutU16(b, cab::kCfHeaderCFolders, 0xFFFF);
       },
       kFdiErrCorruptCabinet},
      {"files_offset_past_end",
       [](std::string &b, auto &) {
         PutU32(b, cab::kCfHeaderCoffFiles, 0x7FFFFFF0);
       },
       kFdiErrCorruptCabinet},
      {"files_offset_in_folder_table",
       [](std::string &b, auto &) {
         PutU32(b, cab::kCfHeaderCoffFiles, cab::kCfHeaderSize + 4);
       },
       kFdiErrCorruptCabinet},
      {"folder_data_past_end",
       [&](std::string &b, auto &) {
         PutU32(b, lastFolder.at, static_cast<std::uint32_t>(b.size()));
       },
       kFdiErrCorruptCabinet},
      {"folder_data_in_header",
       [&](std::string &b, auto &) { PutU32(b, lastFolder.at, 4); },
       kFdiErrCorruptCabinet},
      {"folder_blocks_past_end",
       [&](std::string &b, auto &) {
         PutU16(b, lastFolder.at + cab::kCfFolderCCfData, 0x7FFF);
       },
       kFdiErrCorruptCabinet},
      {"folder_without_blocks",
       [&](std::string &b, auto &) {
         PutU16(b, lastFolder.at + cab::kCfFolderCCfData, 0);
       },
       kFdiErrCorruptCabinet},
      {"file_folder_out_of_range",
       [](std::string &b, auto &p) {
         PutU16(b, p.files[0].at + cab::kCfFileIFolder, 3);
       },
       kFdiErrCorruptCabinet},
      {"file_continued_without_next",
       [](std::string &b, auto &p) {
         PutU16(b, p.files[0].at + cab::kCfFileIFolder,
                cab::kFolderContinuedToNext);
       },
       kFdiErrCorruptCabinet},
      {"file_past_folder_data",
       [](std::string &b, auto &p) {
         PutU32(b, p.files[2].at + cab::kCfFileCbFile, 200000);
       },
       kFdiErrCorruptCabinet},
      {"file_offset_overflows",
       [](std::string &b, auto &p) {
         PutU32(b, p.files[2].at + cab::kCfFileUoffFolderStart, 0xFFFFFFF0);
       },
       kFdiErrCorruptCabinet},
      {"block_too_big",
       [&](std::string &b, auto &) {
         PutU16(b, firstBlock.at + cab::kCfDataCbData, 0xFFFF);
       },
       kFdiErrCorruptCabinet},
      {"block_expands_too_far",
       [&](std::string &b, auto &) {
         PutU16(b, firstBlock.at + cab::kCfDataCbUncomp, 32769);
       },
       kFdiErrCorruptCabinet},
      {"bad_checksum",
       [&](std::string &b, auto &) { b[firstBlock.payloadAt + 5] ^= 0x10; },
       kFdiErrCorruptCabinet},
      {"bad_ck_signature",
       [&](std::string &b, auto &) {
         b[firstBlock.payloadAt + 1] = 'X';
         FixChecksum(b, firstBlock);
       },
       kFdiErrDecompressFail},
      {"bad_deflate_block_type",
       [&](std::string &b, auto &) {
         b[firstBlock.payloadAt + 2] |= 0x06; // BTYPE 11 is reserved
         FixChecksum(b, firstBlock);
       },
       kFdiErrDecompressFail},
      {"declared_size_short",
       [&](std::string &b, auto &p) {
         PutU16(b, firstBlock.at + cab::kCfDataCbUncomp,
                static_cast<std::uint16_t>(firstBlock.uncompressed - 1));
         FixChecksum(b, firstBlock);
         // The file that ends the folder ends a byte earlier too, so the
         // table still fits the folder and the block itself is at fault.
         for (const auto &file : p.files) {
           if (file.folder == 0 &&
               file.folderOffset + file.size == firstBlock.uncompressed) {
             PutU32(b, file.at + cab::kCfFileCbFile, file.size - 1);
           }
         }
       },
       kFdiErrDecompressFail},
      {"declared_size_long",
       [&](std::string &b, auto &) {
         PutU16(b, firstBlock.at + cab::kCfDataCbUncomp,
                static_cast<std::uint16_t>(firstBlock.uncompressed + 1));
         FixChecksum(b, firstBlock);
       },
       kFdiErrDecompressFail},
      {"quantum_folder",
       [](std::string &b, auto &p) {
         PutU16(b, p.folders[0].at + cab::kCfFolderTypeCompress,
                cab::kCompressQuantum);
       },
       kFdiErrBadCompressionType},
      {"lzx_folder",
       [](std::string &b, auto &p) {
         PutU16(b, p.folders[0].at + cab::kCfFolderTypeCompress, 0x1503);
       },
       kFdiErrBadCompressionType},
      {"bad_type_folder",
       [](std::string &b, auto &p) {
         PutU16(b, p.folders[0].at + cab::kCfFolderTypeCompress,
                cab::kCompressBad);
       },
       kFdiErrBadCompressionType},
  };
  for (const DamageCase &c : cases) {
    SCOPED_TRACE(c.defect);
    std::string bytes = sample;
    c.damage(bytes, parsed);
    Extraction x = ExtractBytes(bytes);
    EXPECT_FALSE(x.ok);
    EXPECT_EQ(x.error.operationCode, c.code);
    EXPECT_EQ(x.error.errorFlag, 1);
  }
}

TEST(CabinetReadEngineTest, DamagedHandBuiltCabinetsFail) {
  std::string unterminated = HandBuiltCabinet("a.txt", "hello", 5);
  unterminated.pop_back(); // the name's NUL
  PutU32(unterminated, cab::kCfHeaderCbCabinet,
         static_cast<std::uint32_t>(unterminated.size()));
  std::string stored = HandBuiltCabinet("a.txt", "hello", 6);
  const DamageCase cases[] = {
      {"name_unterminated", [&](std::string &b, auto &) { b = unterminated; },
       kFdiErrCorruptCabinet},
      {"name_too_long",
       [](std::string &b, auto &) {
         b = HandBuiltCabinet(std::string(256, 'n'), "hello", 5);
       },
       kFdiErrCorruptCabinet},
      {"empty_name",
       [](std::string &b, auto &) { b = HandBuiltCabinet("", "hello", 5); },
       kFdiErrCorruptCabinet},
      {"stored_size_mismatch", [&](std::string &b, auto &) { b = stored; },
       kFdiErrCorruptCabinet},
      {"header_reserve_too_big",
       [](std::string &b, auto &) {
         PutU16(b, cab::kCfHeaderFlags, cab::kFlagReservePresent);
         PutU16(b, cab::kCfHeaderSize + cab::kCfReserveCbCfHeader, 60001);
       },
       kFdiErrCorruptCabinet},
  };
  ParsedCabinet unused;
  for (const DamageCase &c : cases) {
    SCOPED_TRACE(c.defect);
    std::string bytes = HandBuiltCabinet("a.txt", "hello", 5);
    c.damage(bytes, unused);
    Extraction x = ExtractBytes(bytes);
    EXPECT_FALSE(x.ok);
    EXPECT_EQ(x.error.operationCode, c.code);
  }
  EXPECT_STREQ(FdiErrorText(kFdiErrWrongCabinet),
               "Cabinet returned on fdintNEXT_CABINET is incorrect");
  EXPECT_STREQ(FdiErrorText(-3), "Unknown error");
}

TEST(CabinetReadEngineTest, ChecksumZeroMeansNone) {
  std::string bytes = SampleCabinet();
  for (const ParsedCabinet::Block &block : ParseCabinet(bytes).blocks) {
    PutU32(bytes, block.at, 0);
  }
  Extraction x = ExtractBytes(bytes);
  ASSERT_TRUE(x.ok) << x.error.operationCode;
  EXPECT_EQ(x.extracted, AsMap(SampleSources()));
}

TEST(CabinetReadEngineTest, ReadsReserveAreasWithContent) {
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.headerReserveSize = 100;
  desc.folderReserveSize = 5;
  desc.dataReserveSize = 6;
  desc.folderThreshold = 0;
  ASSERT_TRUE(WriteCabinets(fs, SampleSources(), desc).ok);
  std::string bytes = fs.files["out.cab"];
  ParsedCabinet parsed = ParseCabinet(bytes);
  bytes.replace(cab::kCfHeaderSize + cab::kCfReserveSize, 100, 100, '\xAB');
  for (const ParsedCabinet::Folder &folder : parsed.folders) {
    bytes.replace(folder.at + cab::kCfFolderSize, 5, 5, '\xCD');
  }
  // Writers differ on whether the checksum covers the block reserve: the
  // first block is summed without it, the others with it.
  for (std::size_t i = 0; i < parsed.blocks.size(); ++i) {
    const ParsedCabinet::Block &block = parsed.blocks[i];
    bytes.replace(block.at + cab::kCfDataSize, 6, 6, '\xEF');
    FixChecksum(bytes, block, i == 0 ? 0 : 6);
  }
  Extraction x = ExtractBytes(bytes);
  ASSERT_TRUE(x.ok) << x.error.operationCode;
  EXPECT_EQ(x.extracted, AsMap(SampleSources()));
}

TEST(CabinetReadEngineTest, NotificationsDecideWhatHappens) {
  const std::string sample = SampleCabinet();
  Extraction skip;
  skip.skipAll = true;
  Extraction skipped = ExtractBytes(sample, skip);
  EXPECT_TRUE(skipped.ok);
  EXPECT_EQ(skipped.announced.size(), 3u);
  EXPECT_TRUE(skipped.extracted.empty());
  EXPECT_EQ(skipped.cabinetIndexes, std::vector<std::uint16_t>{0});

  for (auto kind :
       {FdiNotificationKind::kCabinetInfo, FdiNotificationKind::kCopyFile,
        FdiNotificationKind::kCloseFileInfo}) {
    SCOPED_TRACE(static_cast<int>(kind));
    Extraction abort;
    abort.abortOn = static_cast<int>(kind);
    Extraction x = ExtractBytes(sample, abort);
    EXPECT_FALSE(x.ok);
    EXPECT_EQ(x.error.operationCode, kFdiErrUserAbort);
  }

  MemoryFiles fs;
  fs.files["in.cab"] = sample;
  fs.failWriteAt = 0;
  Extraction unwritable = ExtractCabinet(fs, "in.cab");
  EXPECT_FALSE(unwritable.ok);
  EXPECT_EQ(unwritable.error.operationCode, kFdiErrTargetFile);
  EXPECT_TRUE(fs.handles.empty());
  EXPECT_EQ(fs.liveAllocs, 0);

  Extraction missing = ExtractCabinet(fs, "nothing.cab");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error.operationCode, kFdiErrCabinetNotFound);
}

TEST(CabinetReadEngineTest, FailedAllocationsFailCleanly) {
  for (long n = 0;; ++n) {
    MemoryFiles fs;
    fs.files["in.cab"] = SampleCabinet();
    fs.failAllocAt = n;
    Extraction x = ExtractCabinet(fs, "in.cab");
    EXPECT_EQ(fs.liveAllocs, 0) << n;
    EXPECT_TRUE(fs.handles.empty()) << n;
    if (x.ok) {
      EXPECT_EQ(x.extracted, AsMap(SampleSources()));
      break;
    }
    EXPECT_EQ(x.error.operationCode, kFdiErrAllocFail) << n;
  }
}

// A set of three or more cabinets written from MixedSources.
MemoryFiles WriteSet(std::uint32_t dataReserve = 0) {
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.maxCabinetSize = 40000;
  desc.dataReserveSize = dataReserve;
  WriteCabinets(fs, MixedSources(), desc);
  return fs;
}

TEST(CabinetReadEngineTest, FollowsSetAndChecksNextCabinet) {
  MemoryFiles fs = WriteSet();
  ASSERT_EQ(fs.files.count("out3.cab"), 1u);

  // Started in the second cabinet: files begun in the first are partial.
  Extraction second = ExtractCabinet(fs, "out2.cab");
  EXPECT_TRUE(second.ok) << second.error.operationCode;
  EXPECT_FALSE(second.partial.empty());

  // The handler names another folder for the next cabinets.
  MemoryFiles moved = fs;
  moved.files["elsewhere/out2.cab"] = fs.files["out2.cab"];
  moved.files["elsewhere/out3.cab"] = fs.files["out3.cab"];
  moved.files.erase("out2.cab");
  moved.files.erase("out3.cab");
  Extraction lost = ExtractCabinet(moved, "out.cab");
  EXPECT_FALSE(lost.ok);
  EXPECT_EQ(lost.error.operationCode, kFdiErrCabinetNotFound);
  Extraction guided;
  guided.nextFolder = "elsewhere/";
  Extraction found = ExtractCabinet(moved, "out.cab", "", guided);
  EXPECT_TRUE(found.ok) << found.error.operationCode;
  EXPECT_EQ(found.extracted, AsMap(MixedSources()));
  EXPECT_EQ(found.cabinetIndexes, (std::vector<std::uint16_t>{0, 1, 2}));

  MemoryFiles otherSet = fs;
  PutU16(otherSet.files["out2.cab"], cab::kCfHeaderSetId, 0x4321);
  Extraction wrong = ExtractCabinet(otherSet, "out.cab");
  EXPECT_FALSE(wrong.ok);
  EXPECT_EQ(wrong.error.operationCode, kFdiErrWrongCabinet);
  EXPECT_GT(wrong.nextCabinetCalls, 1);

  MemoryFiles mixed = fs;
  mixed.files["out2.cab"] = WriteSet(4).files["out2.cab"];
  Extraction reserve = ExtractCabinet(mixed, "out.cab");
  EXPECT_FALSE(reserve.ok);
  EXPECT_EQ(reserve.error.operationCode, kFdiErrReserveMismatch);

  Extraction abort;
  abort.abortOn = static_cast<int>(FdiNotificationKind::kNextCabinet);
  Extraction aborted = ExtractCabinet(fs, "out.cab", "", abort);
  EXPECT_FALSE(aborted.ok);
  EXPECT_EQ(aborted.error.operationCode, kFdiErrUserAbort);
}

TEST(CabinetReadEngineTest, ReadsCabinetsMadeByGcab) {
  if (!HasPeerTool("gcab")) {
    GTEST_SKIP() << "gcab is not installed";
  }
  vorafile::test::TempDir dir;
  std::vector<SourceFile> sources = {{"a.txt", TextBytes(100000, 21)},
                                     {"b.bin", RandomBytes(50000, 22)},
                                     {"empty", ""}};
  for (const SourceFile &source : sources) {
    dir.write("in/" + source.name, source.data);
  }
  for (const char *options : {"-c -z", "-c"}) {
    SCOPED_TRACE(options);
    std::string command = "cd " + QuoteForShell(dir.file("in")) + " && gcab " +
                          options + " ../peer.cab a.txt b.bin empty";
    ASSERT_TRUE(RunPeerTool(command));
    Extraction x = ExtractBytes(dir.read("peer.cab"));
    ASSERT_TRUE(x.ok) << x.error.operationCode;
    EXPECT_EQ(x.extracted, AsMap(sources));
  }
}

TEST(CabinetReadEngineTest, ReadsCabinetsMadeByWineCabarc) {
  std::string wine = WineCommand();
  if (wine.empty()) {
    GTEST_SKIP() << "wine64 is not installed";
  }
  vorafile::test::TempDir dir;
  std::vector<SourceFile> sources = {{"a.txt", TextBytes(100000, 31)},
                                     {"b.bin", RandomBytes(50000, 32)},
                                     {"sub\\c.txt", TextBytes(999, 33)}};
  for (const SourceFile &source : sources) {
    std::string name = source.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    dir.write("in/" + name, source.data);
  }
  // Wine's FCI names the cabinets of a set from the '*' pattern: wine1.cab,
  // wine2.cab, ...
  const char *const optionSets[] = {"-m mszip", "-m mszip -s 6144", "-m none",
                                    "-m mszip -d 50000"};
  for (const char *options : optionSets) {
    SCOPED_TRACE(options);
    vorafile::test::TempDir out;
    std::string command = "cd " + QuoteForShell(dir.file("in")) + " && " +
                          wine + " cabarc " + options + " -r -p N " +
                          QuoteForShell(out.file("wine*.cab")) +
                          " a.txt b.bin sub/c.txt";
    ASSERT_TRUE(RunPeerTool(command));
    MemoryFiles fs;
    for (const auto &entry : std::filesystem::directory_iterator(out.path())) {
      fs.files[entry.path().filename().string()] =
          ReadWholeFile(entry.path().string());
    }
    int cabinets = static_cast<int>(fs.files.size());
    Extraction x = ExtractCabinet(fs, "wine1.cab");
    ASSERT_TRUE(x.ok) << x.error.operationCode;
    EXPECT_EQ(x.extracted, AsMap(sources));
    EXPECT_EQ(x.nextCabinetCalls, cabinets - 1);
  }
}

} // namespace
} // namespace vorafile::archive::test
