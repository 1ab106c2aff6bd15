// The records of a cabinet as both engines (and the tests) read and write
// them: CFHEADER with its reserve sizes and set names, CFFOLDER, CFFILE and
// the fixed part of CFDATA. Offsets and limits are in cab_format.h.
//
// Each Read* decodes one record through a ByteCursor and checks the cursor
// once at its end: false when the bytes run out (or a name is unterminated
// or too long), with the cursor's error sticky. The readers check only the
// record's shape; whether its values fit the cabinet is the engine's call.
#ifndef VORAFILE_ARCHIVE_CAB_RECORDS_H
#define VORAFILE_ARCHIVE_CAB_RECORDS_H

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive::cab {

/// CFHEADER, the reserve sizes behind it and the set names.
struct HeaderRecord {
  std::uint32_t size = 0;        ///< cbCabinet
  std::uint32_t filesOffset = 0; ///< coffFiles
  std::uint8_t versionMinor = kVersionMinor;
  std::uint8_t versionMajor = kVersionMajor;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint16_t flags = 0;
  std::uint16_t setId = 0;
  std::uint16_t index = 0; ///< iCabinet
  std::uint16_t headerReserve = 0;
  std::uint8_t folderReserve = 0;
  std::uint8_t dataReserve = 0;
  std::string previousName;
  std::string previousDisk;
  std::string nextName;
  std::string nextDisk;

  [[nodiscard]] bool HasReserve() const {
    return (flags & kFlagReservePresent) != 0;
  }
  [[nodiscard]] bool HasPrevious() const {
    return (flags & kFlagPrevCabinet) != 0;
  }
  [[nodiscard]] bool HasNext() const { return (flags & kFlagNextCabinet) != 0; }
};

/// CFFOLDER without its reserve area.
struct FolderRecord {
  std::uint32_t dataOffset = 0; ///< coffCabStart
  std::uint16_t blockCount = 0; ///< cCFData
  std::uint16_t type = 0;       ///< typeCompress
};

/// CFFILE with its name.
struct FileRecord {
  std::uint32_t size = 0;         ///< cbFile
  std::uint32_t folderOffset = 0; ///< uoffFolderStart
  std::uint16_t folder = 0;       ///< iFolder
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::uint16_t attributes = 0;
  std::string name;
  /// Bytes the record takes: the fixed part, the name and its NUL.
  std::size_t recordSize = 0;

  [[nodiscard]] bool IsFromPrevious() const {
    return folder == kFolderContinuedFromPrev ||
           folder == kFolderContinuedPrevAndNext;
  }
  [[nodiscard]] bool IsToNext() const {
    return folder == kFolderContinuedToNext ||
           folder == kFolderContinuedPrevAndNext;
  }
};

/// The fixed part of CFDATA.
struct DataRecord {
  std::uint32_t checksum = 0;     ///< csum
  std::uint16_t compressed = 0;   ///< cbData
  std::uint16_t uncompressed = 0; ///< cbUncomp
};

/// The largest CFFILE record: the fixed part and a name of kNameMax.
inline constexpr std::size_t kFileRecordMax = kCfFileSize + kNameMax + 1;

/// The fixed CFHEADER fields after the signature (which the caller checks).
[[nodiscard]] bool ReadHeaderFixed(ByteCursor &cursor, HeaderRecord *header);
/// cbCFHeader, cbCFFolder and cbCFData; the reserve area itself is skipped
/// by the caller, who checks cbCFHeader against its limit first.
[[nodiscard]] bool ReadReserveSizes(ByteCursor &cursor, HeaderRecord *header);
/// The previous and next cabinet and disk names the flags announce. Cabinet
/// names must not be empty; disk names may.
[[nodiscard]] bool ReadSetNames(ByteCursor &cursor, HeaderRecord *header);
[[nodiscard]] bool ReadFolderRecord(ByteCursor &cursor, FolderRecord *folder);
[[nodiscard]] bool ReadFileRecord(ByteCursor &cursor, FileRecord *file);
[[nodiscard]] bool ReadDataRecord(ByteCursor &cursor, DataRecord *data);

/// Appends CFHEADER (signature left zero: writers store it last, so a
/// cabinet cut short is never taken for whole), the reserve sizes when the
/// flags announce them followed by `headerReserve` zero bytes, and the set
/// names the flags announce.
void AppendHeader(const HeaderRecord &header, std::vector<std::uint8_t> *out);
/// CFFOLDER into kCfFolderSize bytes at `out`.
void WriteFolderRecord(const FolderRecord &folder, std::uint8_t *out);
/// CFFILE into `out` (kFileRecordMax bytes of room); returns its size.
std::size_t WriteFileRecord(const FileRecord &file, std::uint8_t *out);
/// The fixed part of CFDATA into kCfDataSize bytes at `out`.
void WriteDataRecord(const DataRecord &data, std::uint8_t *out);

} // namespace vorafile::archive::cab

#endif // VORAFILE_ARCHIVE_CAB_RECORDS_H
