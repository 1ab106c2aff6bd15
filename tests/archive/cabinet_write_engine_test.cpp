#include "archive/cabinet_write_engine.h"
#include "archive/mszip_codec.h"

#include "cabinet_test_support.h"
#include "peer_tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <numeric>

#include <algorithm>
#include <filesystem>

namespace vorafile::archive::test {
namespace {

TEST(CabinetWriteEngineTest, RoundTripSmallEmptyAndManyFiles) {
  std::vector<SourceFile> sources = {{"a.txt", "hello"}, {"empty.bin", ""}};
  for (int i = 0; i < 300; ++i) {
    sources.push_back({"maps\\f" + std::to_string(i) + ".txt",
                       TextBytes(static_cast<std::size_t>(i * 37),
                                 static_cast<unsigned>(i))});
  }
  for (std::uint16_t type : {cab::kCompressMsZip, cab::kCompressNone}) {
    MemoryFiles fs;
    WriteResult written =
        WriteCabinets(fs, sources, DefaultDescription(), type);
    ASSERT_TRUE(written.ok) << written.error.operationCode;
    ASSERT_EQ(written.cabinets.size(), 1u);
    Extraction x = ExtractCabinet(fs, "out.cab");
    ASSERT_TRUE(x.ok) << x.error.operationCode;
    EXPECT_EQ(x.extracted, AsMap(sources));
    EXPECT_EQ(fs.liveAllocs, 0);
    EXPECT_TRUE(fs.handles.empty());
  }
}

TEST(CabinetWriteEngineTest, WritesHeaderFoldersFilesAndCheckedBlocks) {
  MemoryFiles fs;
  WriteResult written = WriteCabinets(
      fs, {{"a.txt", "hello"}, {"sub\\b.txt", ""}}, DefaultDescription());
  ASSERT_TRUE(written.ok);
  const std::string &bytes = fs.files["out.cab"];
  ParsedCabinet cabinet = ParseCabinet(bytes);
  EXPECT_EQ(bytes.substr(0, 4), "MSCF");
  EXPECT_EQ(cabinet.size, bytes.size());
  EXPECT_EQ(static_cast<unsigned char>(bytes[cab::kCfHeaderVersionMinor]), 3);
  EXPECT_EQ(static_cast<unsigned char>(bytes[cab::kCfHeaderVersionMajor]), 1);
  EXPECT_EQ(cabinet.flags, 0);
  EXPECT_EQ(cabinet.setId, 0x1234);
  EXPECT_EQ(cabinet.index, 0);
  ASSERT_EQ(cabinet.folders.size(), 1u);
  EXPECT_EQ(cabinet.folders[0].type, cab::kCompressMsZip);
  ASSERT_EQ(cabinet.files.size(), 2u);
  EXPECT_EQ(cabinet.files[0].name, "a.txt");
  EXPECT_EQ(cabinet.files[0].size, 5u);
  EXPECT_EQ(cabinet.files[0].date, fs.date);
  EXPECT_EQ(cabinet.files[0].time, fs.time);
  EXPECT_EQ(cabinet.files[0].attributes, fs.attributes);
  EXPECT_EQ(cabinet.files[1].name, "sub\\b.txt");
  EXPECT_EQ(cabinet.files[1].folderOffset, 5u);
  ASSERT_EQ(cabinet.blocks.size(), 1u);
  const ParsedCabinet::Block &block = cabinet.blocks[0];
  EXPECT_EQ(block.uncompressed, 5);
  EXPECT_EQ(bytes.substr(block.payloadAt, 2), "CK");
  std::string fixed = bytes;
  FixChecksum(fixed, block);
  EXPECT_NE(block.checksum, 0u);
  EXPECT_EQ(fixed, bytes);
}

TEST(CabinetWriteEngineTest, WritesSignatureLastAndRemovesTemporaryFiles) {
  MemoryFiles fs;
  ASSERT_TRUE(
      WriteCabinets(fs, {{"a.txt", TextBytes(50000, 4)}}, DefaultDescription())
          .ok);
  const MemoryFiles::WriteEvent *last = nullptr;
  for (const MemoryFiles::WriteEvent &event : fs.writes) {
    if (event.name == "out.cab") {
      last = &event;
    }
  }
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->offset, 0u);
  EXPECT_EQ(last->size, 4u);
  for (const auto &[name, data] : fs.files) {
    EXPECT_TRUE(name == "out.cab" || name.rfind("src/", 0) == 0) << name;
  }
}

TEST(CabinetWriteEngineTest, RepeatsAcrossBlocksUseHistoryOnlyWhereCoded) {
  // A 20000-byte random run repeated: most of the second block repeats the
  // first, which only a dictionary carried over from it can exploit.
  std::string run = RandomBytes(20000, 5);
  std::vector<SourceFile> sources = {
      {"runs.bin", (run + run + run + run).substr(0, 2 * cab::kBlockMax)}};
  MemoryFiles fs;
  ASSERT_TRUE(WriteCabinets(fs, sources, DefaultDescription()).ok);
  ParsedCabinet cabinet = ParseCabinet(fs.files["out.cab"]);
  ASSERT_EQ(cabinet.blocks.size(), 2u);
  EXPECT_EQ(cabinet.blocks[0].uncompressed, cab::kBlockMax);
  EXPECT_EQ(cabinet.blocks[1].uncompressed, cab::kBlockMax);
  if (MsZipEncoder::CodesWithHistory()) {
    EXPECT_LT(cabinet.blocks[1].compressed, 1000);
  } else {
    // Coded alone, the block still finds the repeat within itself.
    EXPECT_GT(cabinet.blocks[1].compressed, 10000);
    EXPECT_LT(cabinet.blocks[1].compressed, 25000);
  }
  EXPECT_EQ(ExtractCabinet(fs, "out.cab").extracted, AsMap(sources));
}

TEST(CabinetWriteEngineTest, StoresBlocksThatDeflateWouldExpand) {
  std::vector<SourceFile> sources = {{"noise.bin", RandomBytes(40000, 6)}};
  MemoryFiles fs;
  ASSERT_TRUE(WriteCabinets(fs, sources, DefaultDescription()).ok);
  ParsedCabinet cabinet = ParseCabinet(fs.files["out.cab"]);
  ASSERT_EQ(cabinet.blocks.size(), 2u);
  // "CK", the stored block header (1 + 2 + 2 bytes), the data.
  EXPECT_EQ(cabinet.blocks[0].compressed, cab::kBlockMax + 7);
  EXPECT_EQ(cabinet.blocks[1].compressed, 40000 - cab::kBlockMax + 7);
  EXPECT_EQ(ExtractCabinet(fs, "out.cab").extracted, AsMap(sources));

  MemoryFiles strict;
  CabinetDescription desc = DefaultDescription();
  desc.failOnIncompressible = true;
  WriteResult refused = WriteCabinets(strict, sources, desc);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error.operationCode, kFciErrCompressFail);
}

TEST(CabinetWriteEngineTest, StartsFoldersAtThresholdAndTypeChange) {
  std::vector<SourceFile> sources = {{"a", TextBytes(40000, 7)},
                                     {"b", TextBytes(10, 8)},
                                     {"c", TextBytes(70000, 9)}};
  struct Case {
    std::uint32_t threshold;
    std::size_t folders;
  } cases[] = {{0, 3}, {900000, 1}, {100, 2}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.threshold);
    MemoryFiles fs;
    CabinetDescription desc = DefaultDescription();
    desc.folderThreshold = c.threshold;
    ASSERT_TRUE(WriteCabinets(fs, sources, desc).ok);
    EXPECT_EQ(ParseCabinet(fs.files["out.cab"]).folders.size(), c.folders);
    EXPECT_EQ(ExtractCabinet(fs, "out.cab").extracted, AsMap(sources));
  }

  MemoryFiles fs;
  FciContext *context = FciCreate(fs.Fci(), nullptr, DefaultDescription(), &fs);
  fs.files["src/a"] = "stored";
  fs.files["src/b"] = "zipped";
  ASSERT_TRUE(FciAddFile(context, "src/a", "a", false, nullptr, nullptr,
                         MemoryFiles::OpenInfo, cab::kCompressNone));
  ASSERT_TRUE(FciAddFile(context, "src/b", "b", true, nullptr, nullptr,
                         MemoryFiles::OpenInfo, cab::kCompressMsZip));
  ASSERT_TRUE(FciFlushCabinet(context, false, nullptr, nullptr));
  EXPECT_TRUE(FciDestroy(context));
  ParsedCabinet cabinet = ParseCabinet(fs.files["out.cab"]);
  ASSERT_EQ(cabinet.folders.size(), 2u);
  EXPECT_EQ(cabinet.folders[0].type, cab::kCompressNone);
  EXPECT_EQ(cabinet.folders[1].type, cab::kCompressMsZip);
  EXPECT_EQ(cabinet.files[1].attributes & cab::kAttribExecute,
            cab::kAttribExecute);
  EXPECT_EQ(
      ExtractCabinet(fs, "out.cab").extracted,
      (std::map<std::string, std::string>{{"a", "stored"}, {"b", "zipped"}}));
}

TEST(CabinetWriteEngineTest, SplitsSetAtMaximumSizeAndReadsItBack) {
  std::vector<SourceFile> sources = MixedSources();
  for (std::uint16_t type : {cab::kCompressMsZip, cab::kCompressNone}) {
    SCOPED_TRACE(type);
    MemoryFiles fs;
    CabinetDescription desc = DefaultDescription();
    desc.maxCabinetSize = 40000;
    WriteResult written = WriteCabinets(fs, sources, desc, type);
    ASSERT_TRUE(written.ok) << written.error.operationCode;
    ASSERT_GE(written.cabinets.size(), 3u);
    for (std::size_t i = 0; i < written.cabinets.size(); ++i) {
      const std::string &bytes = fs.files[written.cabinets[i]];
      ParsedCabinet cabinet = ParseCabinet(bytes);
      EXPECT_LE(bytes.size(), desc.maxCabinetSize);
      EXPECT_EQ(cabinet.index, i);
      EXPECT_EQ(cabinet.setId, desc.setId);
      EXPECT_EQ((cabinet.flags & cab::kFlagPrevCabinet) != 0, i > 0);
      bool last = i + 1 == written.cabinets.size();
      EXPECT_EQ((cabinet.flags & cab::kFlagNextCabinet) != 0, !last);
      if (!last) {
        EXPECT_EQ(cabinet.nextName, written.cabinets[i + 1]);
      }
      if (i > 0) {
        EXPECT_EQ(cabinet.previousName, written.cabinets[i - 1]);
      }
    }
    Extraction x = ExtractSet(fs, "out.cab");
    ASSERT_TRUE(x.ok) << x.error.operationCode;
    EXPECT_EQ(x.extracted, AsMap(sources));
    // Every cabinet is opened once, in order.
    std::vector<std::uint16_t> order(written.cabinets.size());
    std::iota(order.begin(), order.end(), std::uint16_t{0});
    EXPECT_EQ(x.cabinetIndexes, order);
  }
}

TEST(CabinetWriteEngineTest, SameCabinetsForAnyThreadCount) {
  // Many small files and large ones, folder thresholds and set splits: the
  // blocks are coded on several threads but admitted in order, so the bytes
  // do not depend on who coded them.
  std::vector<SourceFile> sources = MixedSources();
  for (unsigned i = 0; i < 40; ++i) {
    sources.push_back({"small" + std::to_string(i) + ".txt",
                       TextBytes(500 + 97 * i, 10 + i)});
  }
  sources.push_back({"big.txt", TextBytes(600000, 60)});
  sources.push_back({"photo.jpg", RandomBytes(300000, 61)});
  for (std::uint32_t maxSize : {0u, 150000u}) {
    SCOPED_TRACE(maxSize);
    CabinetDescription desc = DefaultDescription();
    desc.maxCabinetSize = maxSize;
    desc.folderThreshold = 20000;
    std::vector<std::string> reference;
    for (unsigned threads : {1u, 2u, 4u}) {
      SCOPED_TRACE(threads);
      MemoryFiles fs;
      WriteResult written = WriteCabinets(
          fs, sources, desc, cab::kCompressMsZip, nullptr, threads);
      ASSERT_TRUE(written.ok) << written.error.operationCode;
      std::vector<std::string> bytes;
      for (const std::string &name : written.cabinets) {
        bytes.push_back(fs.files[name]);
      }
      if (threads == 1) {
        reference = bytes;
        std::size_t folders = 0;
        for (const std::string &cabinet : bytes) {
          folders += ParseCabinet(cabinet).folders.size();
        }
        EXPECT_GT(folders, 3u);
        Extraction x = ExtractCabinet(fs, "out.cab");
        ASSERT_TRUE(x.ok) << x.error.operationCode;
        EXPECT_EQ(x.extracted, AsMap(sources));
      } else {
        EXPECT_EQ(bytes, reference);
      }
    }
  }
}

TEST(CabinetWriteEngineTest, SplitAtFileBoundaryStartsFreshFolder) {
  // Stored 32768-byte files: every block ends with a file, so no file
  // crosses the split and each later cabinet reads on its own.
  std::vector<SourceFile> sources;
  for (int i = 0; i < 5; ++i) {
    sources.push_back({"f" + std::to_string(i),
                       RandomBytes(cab::kBlockMax, static_cast<unsigned>(i))});
  }
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.maxCabinetSize = 80000;
  WriteResult written = WriteCabinets(fs, sources, desc, cab::kCompressNone);
  ASSERT_TRUE(written.ok);
  ASSERT_EQ(written.cabinets.size(), 3u);
  Extraction second = ExtractCabinet(fs, "out2.cab");
  ASSERT_TRUE(second.ok);
  EXPECT_TRUE(second.partial.empty());
  EXPECT_EQ(second.extracted,
            (std::map<std::string, std::string>{{"f2", sources[2].data},
                                                {"f3", sources[3].data}}));
}

TEST(CabinetWriteEngineTest, FlushWithNextCabinetLinksIndependentCabinets) {
  MemoryFiles fs;
  fs.files["src/a"] = TextBytes(5000, 14);
  fs.files["src/b"] = TextBytes(6000, 15);
  FciContext *context = FciCreate(fs.Fci(), nullptr, DefaultDescription(), &fs);
  ASSERT_TRUE(FciAddFile(context, "src/a", "a", false, NextCabinetName, nullptr,
                         MemoryFiles::OpenInfo, cab::kCompressMsZip));
  ASSERT_TRUE(FciFlushCabinet(context, true, NextCabinetName, nullptr));
  ASSERT_TRUE(FciAddFile(context, "src/b", "b", false, NextCabinetName, nullptr,
                         MemoryFiles::OpenInfo, cab::kCompressMsZip));
  ASSERT_TRUE(FciFlushFolder(context, NextCabinetName, nullptr));
  ASSERT_TRUE(FciFlushCabinet(context, false, NextCabinetName, nullptr));
  EXPECT_TRUE(FciDestroy(context));
  ParsedCabinet first = ParseCabinet(fs.files["out.cab"]);
  ParsedCabinet second = ParseCabinet(fs.files["out2.cab"]);
  EXPECT_EQ(first.flags, cab::kFlagNextCabinet);
  EXPECT_EQ(first.nextName, "out2.cab");
  EXPECT_EQ(second.flags, cab::kFlagPrevCabinet);
  EXPECT_EQ(second.previousName, "out.cab");
  EXPECT_EQ(second.index, 1);
  // No file spans the two, so each reads on its own.
  Extraction one = ExtractCabinet(fs, "out.cab");
  EXPECT_EQ(one.extracted,
            (std::map<std::string, std::string>{{"a", fs.files["src/a"]}}));
  EXPECT_EQ(one.nextCabinetCalls, 0);
  Extraction two = ExtractCabinet(fs, "out2.cab");
  EXPECT_EQ(two.extracted,
            (std::map<std::string, std::string>{{"b", fs.files["src/b"]}}));
  EXPECT_TRUE(two.partial.empty());
}

TEST(CabinetWriteEngineTest, ReportsFilesPlacedWithContinuations) {
  struct Placed {
    std::string cabinet;
    std::string name;
    bool continuation;
  };
  static std::vector<Placed> placed;
  placed.clear();
  MemoryFiles fs;
  FciCallbacks callbacks = fs.Fci();
  callbacks.filePlaced = [](CabinetDescription *cabinet, const char *name,
                            std::int32_t, bool continuation, void *) {
    placed.push_back({cabinet->cabinetName, name, continuation});
    return 0;
  };
  CabinetDescription desc = DefaultDescription();
  desc.maxCabinetSize = 30000;
  fs.files["src/big"] = RandomBytes(50000, 10);
  FciContext *context = FciCreate(callbacks, nullptr, desc, &fs);
  ASSERT_TRUE(FciAddFile(context, "src/big", "big", false, NextCabinetName,
                         nullptr, MemoryFiles::OpenInfo, cab::kCompressMsZip));
  ASSERT_TRUE(FciFlushCabinet(context, false, NextCabinetName, nullptr));
  EXPECT_TRUE(FciDestroy(context));
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].cabinet, "out.cab");
  EXPECT_FALSE(placed[0].continuation);
  EXPECT_EQ(placed[1].cabinet, "out2.cab");
  EXPECT_TRUE(placed[1].continuation);
  EXPECT_EQ(ParseCabinet(fs.files["out.cab"]).files[0].folder,
            cab::kFolderContinuedToNext);
  EXPECT_EQ(ParseCabinet(fs.files["out2.cab"]).files[0].folder,
            cab::kFolderContinuedFromPrev);
}

TEST(CabinetWriteEngineTest, WritesReserveAreas) {
  MemoryFiles fs;
  CabinetDescription desc = DefaultDescription();
  desc.headerReserveSize = 6144;
  desc.folderReserveSize = 12;
  desc.dataReserveSize = 7;
  std::vector<SourceFile> sources = MixedSources();
  ASSERT_TRUE(WriteCabinets(fs, sources, desc).ok);
  ParsedCabinet cabinet = ParseCabinet(fs.files["out.cab"]);
  EXPECT_EQ(cabinet.flags, cab::kFlagReservePresent);
  EXPECT_EQ(cabinet.headerReserve, 6144);
  EXPECT_EQ(cabinet.folderReserve, 12);
  EXPECT_EQ(cabinet.dataReserve, 7);
  EXPECT_EQ(ExtractCabinet(fs, "out.cab").extracted, AsMap(sources));
}

TEST(CabinetWriteEngineTest, FailsWithTheRightCode) {
  struct Case {
    const char *label;
    std::uint16_t type;
    std::string failOpenOf;
    std::string failReadOf;
    std::int32_t code;
  } cases[] = {
      {"quantum", cab::kCompressQuantum, "", "", kFciErrBadCompressionType},
      {"lzx", static_cast<std::uint16_t>(cab::kCompressLzx | 0x1500), "", "",
       kFciErrBadCompressionType},
      {"bad type", cab::kCompressBad, "", "", kFciErrBadCompressionType},
      {"source missing", cab::kCompressMsZip, "src/a", "", kFciErrOpenSource},
      {"source unreadable", cab::kCompressMsZip, "", "src/a",
       kFciErrReadSource},
      {"cabinet not creatable", cab::kCompressMsZip, "out.cab", "",
       kFciErrCabinetFile},
      {"temporary file", cab::kCompressMsZip, "tmp1", "", kFciErrTempFile},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    MemoryFiles fs;
    fs.failOpenOf = c.failOpenOf;
    fs.failReadOf = c.failReadOf;
    WriteResult written =
        WriteCabinets(fs, {{"a", "data"}}, DefaultDescription(), c.type);
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.error.operationCode, c.code);
    EXPECT_EQ(written.error.errorFlag, 1);
    EXPECT_EQ(fs.files.count("out.cab"), 0u);
    EXPECT_EQ(fs.liveAllocs, 0);
    EXPECT_TRUE(fs.handles.empty());
  }

  MemoryFiles fs;
  CabinetErrorRecord error;
  CabinetDescription desc = DefaultDescription();
  desc.headerReserveSize = 60001;
  EXPECT_EQ(FciCreate(fs.Fci(), &error, desc, &fs), nullptr);
  EXPECT_EQ(error.operationCode, kFciErrCabinetFile);
  EXPECT_STREQ(FciErrorText(kFciErrAllocFail), "Insufficient memory in FCI");
  EXPECT_STREQ(FciErrorText(42), "Unknown error");
}

int abortKind = -1;

std::int32_t AbortOnKind(FciStatusKind kind, std::uint32_t, std::uint32_t,
                         void *) {
  return static_cast<int>(kind) == abortKind ? -1 : 0;
}

TEST(CabinetWriteEngineTest, StatusReportsProgressAndCanAbort) {
  struct Totals {
    std::uint64_t uncompressed = 0;
    std::uint32_t cabinetSize = 0;
    std::uint32_t lastFolderCopied = 0, lastFolderTotal = 0;
  };
  static Totals totals;
  totals = {};
  FciStatusFn record = [](FciStatusKind kind, std::uint32_t size1,
                          std::uint32_t size2, void *) -> std::int32_t {
    if (kind == FciStatusKind::kFile) {
      totals.uncompressed += size2;
    } else if (kind == FciStatusKind::kFolder) {
      totals.lastFolderCopied = size1;
      totals.lastFolderTotal = size2;
    } else {
      totals.cabinetSize = size2;
    }
    return 0;
  };
  MemoryFiles fs;
  std::vector<SourceFile> sources = MixedSources();
  ASSERT_TRUE(WriteCabinets(fs, sources, DefaultDescription(),
                            cab::kCompressMsZip, record)
                  .ok);
  std::uint64_t total = 0;
  for (const SourceFile &source : sources) {
    total += source.data.size();
  }
  EXPECT_EQ(totals.uncompressed, total);
  EXPECT_EQ(totals.cabinetSize, fs.files["out.cab"].size());
  EXPECT_EQ(totals.lastFolderCopied, totals.lastFolderTotal);

  for (int kind = 0; kind <= 2; ++kind) {
    SCOPED_TRACE(kind);
    MemoryFiles aborting;
    abortKind = kind;
    WriteResult written = WriteCabinets(aborting, sources, DefaultDescription(),
                                        cab::kCompressMsZip, AbortOnKind);
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.error.operationCode, kFciErrUserAbort);
  }
}

TEST(CabinetWriteEngineTest, FailedAllocationsAndWritesFailCleanly) {
  std::vector<SourceFile> sources = MixedSources();
  CabinetDescription desc = DefaultDescription();
  desc.maxCabinetSize = 60000;
  for (long n = 0;; ++n) {
    MemoryFiles fs;
    fs.failAllocAt = n;
    WriteResult written = WriteCabinets(fs, sources, desc);
    EXPECT_EQ(fs.liveAllocs, 0) << n;
    EXPECT_TRUE(fs.handles.empty()) << n;
    if (written.ok) {
      break;
    }
    EXPECT_EQ(written.error.operationCode, kFciErrAllocFail) << n;
  }
  for (long n = 0;; ++n) {
    MemoryFiles fs;
    fs.failWriteAt = n;
    WriteResult written = WriteCabinets(fs, sources, desc);
    EXPECT_EQ(fs.liveAllocs, 0) << n;
    EXPECT_TRUE(fs.handles.empty()) << n;
    if (written.ok) {
      break;
    }
    EXPECT_TRUE(written.error.operationCode == kFciErrTempFile ||
                written.error.operationCode == kFciErrCabinetFile)
        << n << ": " << written.error.operationCode;
    // A cabinet that failed half-way is not left behind.
    for (const std::string &name : written.cabinets) {
      EXPECT_EQ(fs.files[name].substr(0, 4), "MSCF") << n;
    }
  }
}

// Writes the cabinets of `fs` into `dir`; returns the first one's path.
std::string SaveCabinets(MemoryFiles &fs, const WriteResult &written,
                         const vorafile::test::TempDir &dir) {
  for (const std::string &name : written.cabinets) {
    dir.write(name, fs.files[name]);
  }
  return dir.file(written.cabinets.front());
}

struct PeerCase {
  const char *label;
  std::uint16_t type;
  std::uint32_t folderThreshold;
  std::uint32_t maxCabinetSize;
  std::uint32_t reserve;
};

TEST(CabinetWriteEngineTest, PeerToolsAcceptWhatWeWrite) {
  const PeerCase cases[] = {
      {"mszip", cab::kCompressMsZip, 900000, 100000000, 0},
      {"stored", cab::kCompressNone, 900000, 100000000, 0},
      {"folder per file", cab::kCompressMsZip, 0, 100000000, 0},
      {"reserve areas", cab::kCompressMsZip, 900000, 100000000, 20},
      {"set of cabinets", cab::kCompressMsZip, 900000, 40000, 0},
  };
  bool cabextract = HasPeerTool("cabextract");
  bool gcab = HasPeerTool("gcab");
  bool sevenZip = HasPeerTool("7zz");
  if (!cabextract && !gcab && !sevenZip) {
    GTEST_SKIP() << "no peer cabinet tool installed";
  }
  for (const PeerCase &c : cases) {
    SCOPED_TRACE(c.label);
    vorafile::test::TempDir dir;
    MemoryFiles fs;
    CabinetDescription desc = DefaultDescription();
    desc.folderThreshold = c.folderThreshold;
    desc.maxCabinetSize = c.maxCabinetSize;
    desc.headerReserveSize = c.reserve;
    desc.folderReserveSize = c.reserve;
    desc.dataReserveSize = c.reserve;
    WriteResult written = WriteCabinets(fs, MixedSources(), desc, c.type);
    ASSERT_TRUE(written.ok) << written.error.operationCode;
    std::string cabinet = QuoteForShell(SaveCabinets(fs, written, dir));
    bool isSet = written.cabinets.size() > 1;
    if (cabextract) {
      EXPECT_TRUE(RunPeerTool("cabextract -q -t " + cabinet));
      // cabextract answers 0 even when it gives up on a set: compare what
      // it extracts.
      std::string out = dir.file("cabextract-out");
      ASSERT_TRUE(RunPeerTool("cabextract -q -d " + QuoteForShell(out) + " " +
                              cabinet));
      for (const SourceFile &source : MixedSources()) {
        std::string name = source.name;
        std::replace(name.begin(), name.end(), '\\', '/');
        EXPECT_TRUE(ReadWholeFile(out + "/" + name) == source.data) << name;
      }
    }
    if (sevenZip) {
      EXPECT_TRUE(RunPeerTool("7zz t " + cabinet));
    }
    if (gcab && !isSet && c.reserve == 0) {
      std::string out = dir.file("gcab-out");
      ASSERT_TRUE(
          RunPeerTool("gcab -x -C " + QuoteForShell(out) + " " + cabinet));
      EXPECT_TRUE(ReadWholeFile(out + "/maps/deep/long.txt") ==
                  TextBytes(200000, 3));
    }
  }
}

TEST(CabinetWriteEngineTest, WineExtractsWhatWeWrite) {
  std::string wine = WineCommand();
  if (wine.empty()) {
    GTEST_SKIP() << "wine64 is not installed";
  }
  // Single cabinets only: Wine's extraction takes the files listed in the
  // first cabinet of a set and stops after them.
  for (std::uint32_t reserve : {0u, 6144u}) {
    SCOPED_TRACE(reserve);
    vorafile::test::TempDir dir;
    MemoryFiles fs;
    CabinetDescription desc = DefaultDescription();
    desc.headerReserveSize = reserve;
    WriteResult written = WriteCabinets(fs, MixedSources(), desc);
    ASSERT_TRUE(written.ok);
    std::string cabinet = SaveCabinets(fs, written, dir);
    std::string dest = dir.file("dest");
    std::filesystem::create_directories(dest);
    ASSERT_TRUE(RunPeerTool(wine + " extrac32 /E /L " + WinePath(dest) + " " +
                            WinePath(cabinet)));
    for (const SourceFile &source : MixedSources()) {
      std::string name = source.name;
      std::replace(name.begin(), name.end(), '\\', '/');
      EXPECT_TRUE(ReadWholeFile(dest + "/" + name) == source.data) << name;
    }
  }
}

} // namespace
} // namespace vorafile::archive::test
