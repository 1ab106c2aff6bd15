#include "archive/cabinet_header_reader.h"

#include "archive/byte_cursor.h"
#include "archive/engine_files.h"

#include <algorithm>
#include <cstring>

namespace vorafile::archive {

namespace {

// Smallest CFFILE record: the fixed part, a one-character name, its NUL.
constexpr std::size_t kCfFileMin = cab::kCfFileSize + 2;
// Bytes after the header reserve that can hold the four set names.
constexpr std::size_t kSetNamesMax = 4 * (cab::kNameMax + 1);

} // namespace

FdiErrorCode ReadCabinetHeader(const CabFileCallbacks &callbacks, void *user,
                               CabFileHandle file, std::uint64_t base,
                               std::uint64_t available, CabinetHeader *header) {
  auto readAt = [&](std::uint64_t offset, void *data, std::size_t size) {
    return ReadFileAt(callbacks, user, file, offset, data, size);
  };
  std::uint8_t fixed[cab::kCfHeaderSize];
  std::size_t got = static_cast<std::size_t>(
      std::min<std::uint64_t>(available, cab::kCfHeaderSize));
  if (got < sizeof cab::kSignature || !readAt(base, fixed, got) ||
      std::memcmp(fixed, cab::kSignature, sizeof cab::kSignature) != 0) {
    return kFdiErrNotACabinet;
  }
  if (got < cab::kCfHeaderSize) {
    return kFdiErrCorruptCabinet;
  }
  *header = CabinetHeader{};
  header->base = base;
  ByteCursor cursor(fixed, sizeof fixed);
  if (!cab::ReadHeaderFixed(cursor, header)) {
    return kFdiErrCorruptCabinet;
  }
  if (header->versionMajor != cab::kVersionMajor ||
      header->versionMinor != cab::kVersionMinor) {
    return kFdiErrUnknownCabinetVersion;
  }
  if (header->size < cab::kCfHeaderSize || header->size > available) {
    return kFdiErrCorruptCabinet;
  }

  std::uint64_t at = cab::kCfHeaderSize;
  if (header->HasReserve()) {
    std::uint8_t reserve[cab::kCfReserveSize];
    if (at + sizeof reserve > header->size ||
        !readAt(base + at, reserve, sizeof reserve)) {
      return kFdiErrCorruptCabinet;
    }
    ByteCursor sizes(reserve, sizeof reserve);
    if (!cab::ReadReserveSizes(sizes, header)) {
      return kFdiErrCorruptCabinet;
    }
    at += sizeof reserve + header->headerReserve;
    if (header->headerReserve > cab::kHeaderReserveMax || at > header->size) {
      return kFdiErrCorruptCabinet;
    }
  }

  if (header->HasPrevious() || header->HasNext()) {
    std::uint8_t names[kSetNamesMax];
    auto size = static_cast<std::size_t>(
        std::min<std::uint64_t>(sizeof names, header->size - at));
    if (!readAt(base + at, names, size)) {
      return kFdiErrCorruptCabinet;
    }
    ByteCursor strings(names, size);
    if (!cab::ReadSetNames(strings, header)) {
      return kFdiErrCorruptCabinet;
    }
    at += strings.Offset();
  }

  header->folderTableOffset = static_cast<std::uint32_t>(at);
  std::uint64_t folderTableEnd =
      at + std::uint64_t{header->folderCount} *
               (cab::kCfFolderSize + header->folderReserve);
  std::uint64_t filesEnd = std::uint64_t{header->filesOffset} +
                           std::uint64_t{header->fileCount} * kCfFileMin;
  if (folderTableEnd > header->size || header->filesOffset < folderTableEnd ||
      filesEnd > header->size ||
      (header->fileCount > 0 && header->folderCount == 0)) {
    return kFdiErrCorruptCabinet;
  }
  return kFdiErrNone;
}

} // namespace vorafile::archive
