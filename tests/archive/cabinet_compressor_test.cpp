#include "archive/cabinet_compressor.h"

#include "cabinet_test_support.h"
#include "peer_tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vorafile::archive::test {
namespace {

TEST(CabinetCompressorTest, RoundTripSmallEmptyAndManyFiles) {
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

// Sources that exercise every block path: empty, small, highly
// compressible, incompressible (stored blocks), several blocks with history.
std::vector<SourceFile> MixedSources() {
  return {{"empty.txt", ""},
          {"vora.vrc", TextBytes(3000, 1)},
          {"maps\\sky.bmp", RandomBytes(70000, 2)},
          {"maps\\deep\\long.txt", TextBytes(200000, 3)},
          {"one.bin", "x"}};
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

TEST(CabinetCompressorTest, PeerToolsAcceptWhatWeWrite) {
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
    }
    if (sevenZip) {
      EXPECT_TRUE(RunPeerTool("7zz t " + cabinet));
    }
    if (gcab && !isSet && c.reserve == 0) {
      std::string out = dir.file("gcab-out");
      ASSERT_TRUE(
          RunPeerTool("gcab -x -C " + QuoteForShell(out) + " " + cabinet));
      EXPECT_EQ(ReadWholeFile(out + "/maps/deep/long.txt"),
                TextBytes(200000, 3));
    }
  }
}

} // namespace
} // namespace vorafile::archive::test
