#include "archive/cabinet_header_reader.h"

#include "archive/byte_cursor.h"
#include "archive/engine_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace vorafile::archive {

namespace {

// Smallest CFFILE record: the fixed part, a one-character name, its NUL.
constexpr std::size_t kCfFileMin = cab::kCfFileSize + 2;
// Bytes after the header reserve that can hold the four set names.
constexpr std::size_t kSetNamesMax = 4 * (cab::kNameMax + 1);

} // namespace

FdiErrorCode ReadCabinetHeader(const CabFileCallbacks &callbacks, void *user,
                               CabFileHandle file, std::uint64_t base,
                               std::uint64_t available, CabinetHeader *header,
                               std::string *reason) {
  auto corrupt = [reason](std::string why) {
    *reason = std::move(why);
    return kFdiErrCorruptCabinet;
  };
  reason->clear();
  auto readAt = [&](std::uint64_t offset, void *data, std::size_t size) {
    return ReadFileAt(callbacks, user, file, offset, data, size);
  };
  std::uint8_t fixed[cab::kCfHeaderSize];
  std::size_t got = static_cast<std::size_t>(
      std::min<std::uint64_t>(available, cab::kCfHeaderSize));
  if (got < sizeof cab::kSignature || !readAt(base, fixed, got) ||
      std::memcmp(fixed, cab::kSignature, sizeof cab::kSignature) != 0) {
    *reason = "no cabinet signature";
    return kFdiErrNotACabinet;
  }
  if (got < cab::kCfHeaderSize) {
    return corrupt("header cut short");
  }
  *header = CabinetHeader{};
  header->base = base;
  ByteCursor cursor(fixed, sizeof fixed);
  if (!cab::ReadHeaderFixed(cursor, header)) {
    return corrupt("header cut short");
  }
  if (header->versionMajor != cab::kVersionMajor ||
      header->versionMinor != cab::kVersionMinor) {
    *reason = "format version " + std::to_string(header->versionMajor) + "." +
              std::to_string(header->versionMinor) + ", not 1.3";
    return kFdiErrUnknownCabinetVersion;
  }
  if (header->size < cab::kCfHeaderSize || header->size > available) {
    return corrupt("cabinet size " + std::to_string(header->size) +
                   " does not fit the file's " + std::to_string(available) +
                   " bytes");
  }

  std::uint64_t at = cab::kCfHeaderSize;
  if (header->HasReserve()) {
    std::uint8_t reserve[cab::kCfReserveSize];
    if (at + sizeof reserve > header->size ||
        !readAt(base + at, reserve, sizeof reserve)) {
      return corrupt("reserve sizes past the cabinet's end");
    }
    ByteCursor sizes(reserve, sizeof reserve);
    if (!cab::ReadReserveSizes(sizes, header)) {
      return corrupt("reserve sizes past the cabinet's end");
    }
    at += sizeof reserve + header->headerReserve;
    if (header->headerReserve > cab::kHeaderReserveMax || at > header->size) {
      return corrupt("header reserve of " +
                     std::to_string(header->headerReserve) +
                     " bytes out of bounds");
    }
  }

  if (header->HasPrevious() || header->HasNext()) {
    std::uint8_t names[kSetNamesMax];
    auto size = static_cast<std::size_t>(
        std::min<std::uint64_t>(sizeof names, header->size - at));
    ByteCursor strings(names, size);
    if (!readAt(base + at, names, size) ||
        !cab::ReadSetNames(strings, header)) {
      return corrupt("a set name is empty, unterminated or longer than 255 "
                     "bytes");
    }
    at += strings.Offset();
  }

  header->folderTableOffset = static_cast<std::uint32_t>(at);
  std::uint64_t folderTableEnd =
      at + std::uint64_t{header->folderCount} *
               (cab::kCfFolderSize + header->folderReserve);
  std::uint64_t filesEnd = std::uint64_t{header->filesOffset} +
                           std::uint64_t{header->fileCount} * kCfFileMin;
  if (folderTableEnd > header->size) {
    return corrupt("folder table runs past the cabinet's end");
  }
  header->folderTableEnd = static_cast<std::uint32_t>(folderTableEnd);
  if (header->filesOffset < folderTableEnd) {
    return corrupt("file table at offset " +
                   std::to_string(header->filesOffset) +
                   " overlaps the folder table, which ends at " +
                   std::to_string(folderTableEnd));
  }
  if (filesEnd > header->size) {
    return corrupt("file table runs past the cabinet's end");
  }
  if (header->fileCount > 0 && header->folderCount == 0) {
    return corrupt("files but no folders");
  }
  return kFdiErrNone;
}

} // namespace vorafile::archive
