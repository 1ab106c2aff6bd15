// Reading and checking a cabinet's header for the read engine: CFHEADER,
// the reserve sizes and the set names, with the folder and file tables
// checked to lie inside the cabinet.
#ifndef VORAFILE_ARCHIVE_CABINET_HEADER_READER_H
#define VORAFILE_ARCHIVE_CABINET_HEADER_READER_H

#include "archive/cab_records.h"
#include "archive/cabinet_engine.h"

#include <cstdint>
#include <string>

namespace vorafile::archive {

/// A cabinet's header and where it was found.
struct CabinetHeader : cab::HeaderRecord {
  std::uint64_t base = 0; ///< file offset of the signature
  std::uint32_t folderTableOffset = 0;
  /// Where the folder table and its per-folder reserves end. The file
  /// table is read at coffFiles even when that lies further on; readers
  /// that take the file table to follow the folders read other files then.
  std::uint32_t folderTableEnd = 0;

  [[nodiscard]] bool IsFileTableDetached() const {
    return filesOffset != folderTableEnd;
  }
};

/// Reads the header at `base` of `file`, which holds `available` bytes from
/// there. kFdiErrNone, or kFdiErrNotACabinet (no signature),
/// kFdiErrUnknownCabinetVersion, or kFdiErrCorruptCabinet (a field or table
/// out of bounds, a name unterminated or too long). On failure `reason`
/// says what is wrong, for people.
[[nodiscard]] FdiErrorCode ReadCabinetHeader(const CabFileCallbacks &callbacks,
                                             void *user, CabFileHandle file,
                                             std::uint64_t base,
                                             std::uint64_t available,
                                             CabinetHeader *header,
                                             std::string *reason);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_HEADER_READER_H
