#include "archive/cabinet_compressor.h"

#include "cabinet_test_support.h"

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

} // namespace
} // namespace vorafile::archive::test
