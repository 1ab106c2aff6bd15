// What the read engine accepts where cabinet readers disagree. Each case is
// a small stored cabinet built field by field; where a peer tool answers
// otherwise on the same bytes, the case's comment names it and says why.
#include "archive/cab_format.h"
#include "cabinet_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorafile::archive::test {
namespace {

struct StoredFile {
  std::string name;
  std::uint32_t offset; // uoffFolderStart
  std::uint32_t size;   // cbFile
};

// One stored folder of `data` in one block, then `gap` zero bytes, then the
// file table (coffFiles pointing at it), so the data block comes last.
std::string StrictCabinet(const std::vector<StoredFile> &files,
                          const std::string &data, std::size_t gap = 0) {
  std::string bytes(cab::kCfHeaderSize, '\0');
  bytes.replace(0, 4, "MSCF");
  bytes[cab::kCfHeaderVersionMinor] = 3;
  bytes[cab::kCfHeaderVersionMajor] = 1;
  PutU16(bytes, cab::kCfHeaderCFolders, 1);
  PutU16(bytes, cab::kCfHeaderCFiles, static_cast<std::uint16_t>(files.size()));
  std::string folder(cab::kCfFolderSize, '\0');
  PutU16(folder, cab::kCfFolderCCfData, 1); // typeCompress 0: stored
  bytes += folder + std::string(gap, '\0');
  PutU32(bytes, cab::kCfHeaderCoffFiles,
         static_cast<std::uint32_t>(bytes.size()));
  for (const StoredFile &file : files) {
    std::string record(cab::kCfFileSize, '\0');
    PutU32(record, cab::kCfFileCbFile, file.size);
    PutU32(record, cab::kCfFileUoffFolderStart, file.offset);
    bytes += record + file.name + '\0';
  }
  PutU32(bytes, cab::kCfHeaderSize + cab::kCfFolderCoffCabStart,
         static_cast<std::uint32_t>(bytes.size()));
  std::string block(cab::kCfDataSize, '\0'); // csum 0: none
  PutU16(block, cab::kCfDataCbData, static_cast<std::uint16_t>(data.size()));
  PutU16(block, cab::kCfDataCbUncomp, static_cast<std::uint16_t>(data.size()));
  bytes += block + data;
  PutU32(bytes, cab::kCfHeaderCbCabinet,
         static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

struct StrictCase {
  const char *defect;
  std::string bytes;
  std::int32_t code;  // kFdiErrNone: accepted
  const char *detail; // the failure detail, or the warning when accepted
};

TEST(CabinetStrictnessTest, VerdictsWherePeersDisagree) {
  const std::string data = "ABCDEFGHIJKLMNOPQRST"; // 20 bytes
  std::string unterminated = StrictCabinet({{"a.txt", 0, 10}}, data);
  // The name runs into the end of the cabinet: the data block moves in
  // front of the file table, and the name loses its NUL.
  {
    std::string head = unterminated.substr(0, 44);
    std::string fileTable = unterminated.substr(44, cab::kCfFileSize + 5);
    std::string block = unterminated.substr(44 + cab::kCfFileSize + 6);
    unterminated = head + block + fileTable;
    PutU32(unterminated, cab::kCfHeaderSize + cab::kCfFolderCoffCabStart, 44);
    PutU32(unterminated, cab::kCfHeaderCoffFiles,
           static_cast<std::uint32_t>(44 + block.size()));
    PutU32(unterminated, cab::kCfHeaderCbCabinet,
           static_cast<std::uint32_t>(unterminated.size()));
  }
  const StrictCase cases[] = {
      // Read at coffFiles, as the format's own engine and 7-Zip do, with a
      // warning: cabextract and gcab read the file table right after the
      // folder table and refuse (here the gap's zeros make no file); Wine's
      // extrac32 writes nothing and reports success.
      {"file_table_after_gap",
       StrictCabinet({{"a.txt", 0, 10}, {"b.txt", 10, 10}}, data, 16),
       kFdiErrNone,
       "file table at offset 60, not 44 where the folder table ends; other "
       "tools may read other files"},
      // cabextract, gcab and 7-Zip list it and fail only the file's
      // extraction; Wine's extrac32 writes a 10-byte b.txt and reports
      // success. A range past the folder is damage, so no file of the
      // cabinet is written.
      {"range_past_folder",
       StrictCabinet({{"a.txt", 0, 10}, {"b.txt", 10, 20}}, data),
       kFdiErrCorruptCabinet,
       "file \"b.txt\": bytes 10..30 lie beyond the 20 bytes of folder 0"},
      // cabextract, gcab and Wine's extrac32 extract both files; 7-Zip
      // refuses the cabinet as we do: two files sharing part of their bytes
      // is no layout a writer makes.
      {"ranges_overlap",
       StrictCabinet({{"a.txt", 0, 10}, {"b.txt", 5, 10}}, data),
       kFdiErrCorruptCabinet,
       "file \"b.txt\": bytes 5..15 overlap file \"a.txt\" (bytes 0..10) in "
       "folder 0"},
      {"range_inside_another",
       StrictCabinet({{"a.txt", 0, 20}, {"b.txt", 5, 3}}, data),
       kFdiErrCorruptCabinet,
       "file \"b.txt\": bytes 5..8 overlap file \"a.txt\" (bytes 0..20) in "
       "folder 0"},
      // Every peer accepts identical ranges: writers store duplicate
      // content once.
      {"ranges_identical",
       StrictCabinet({{"a.txt", 0, 10}, {"b.txt", 0, 10}, {"c.txt", 10, 10}},
                     data),
       kFdiErrNone, ""},
      {"empty_file_inside_another",
       StrictCabinet({{"a.txt", 0, 20}, {"b.txt", 5, 0}}, data), kFdiErrNone,
       ""},
      // Wine's extrac32 crashes on a name this long; cabextract, gcab and
      // 7-Zip take it.
      {"name_of_255_bytes",
       StrictCabinet({{std::string(255, 'n'), 0, 10}}, data), kFdiErrNone, ""},
      // cabextract refuses it too; gcab and 7-Zip read it and fail only
      // when the file system refuses the name.
      {"name_of_256_bytes",
       StrictCabinet({{std::string(256, 'n'), 0, 10}}, data),
       kFdiErrCorruptCabinet,
       "file 0 at offset 44: name longer than 255 bytes"},
      // cabextract and 7-Zip refuse it too; gcab writes an empty a.txt
      // and then fails, Wine's extrac32 writes nothing and reports success.
      {"name_unterminated", unterminated, kFdiErrCorruptCabinet,
       "file 0 at offset 72: name not terminated before the cabinet's end"},
  };
  for (const StrictCase &c : cases) {
    SCOPED_TRACE(c.defect);
    Extraction x = ExtractBytes(c.bytes);
    EXPECT_EQ(x.ok, c.code == kFdiErrNone);
    EXPECT_EQ(x.error.operationCode, c.code);
    if (c.code == kFdiErrNone) {
      EXPECT_EQ(x.warnings, std::string(c.detail).empty()
                                ? std::vector<std::string>{}
                                : std::vector<std::string>{c.detail});
    } else {
      EXPECT_EQ(x.detail, c.detail);
      EXPECT_TRUE(x.extracted.empty()) << "refused before any file";
    }
  }
}

} // namespace
} // namespace vorafile::archive::test
