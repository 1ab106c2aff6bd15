#include "archive/cabinet_engine.h"

#include "archive/byte_cursor.h"

namespace vorafile::archive {

const char *FciErrorText(std::int32_t code) {
  switch (code) {
  case kFciErrNone:
    return "No error";
  case kFciErrOpenSource:
    return "Failure opening file to be stored in cabinet";
  case kFciErrReadSource:
    return "Failure reading file to be stored in cabinet";
  case kFciErrAllocFail:
    return "Insufficient memory in FCI";
  case kFciErrTempFile:
    return "Could not create a temporary file";
  case kFciErrBadCompressionType:
    return "Unknown compression type";
  case kFciErrCabinetFile:
    return "Could not create cabinet file";
  case kFciErrUserAbort:
    return "Client requested abort";
  case kFciErrCompressFail:
    return "Failure compressing data";
  default:
    return "Unknown error";
  }
}

const char *FdiErrorText(std::int32_t code) {
  switch (code) {
  case kFdiErrNone:
    return "No error";
  case kFdiErrCabinetNotFound:
    return "Cabinet not found";
  case kFdiErrNotACabinet:
    return "Not a cabinet";
  case kFdiErrUnknownCabinetVersion:
    return "Unknown cabinet version";
  case kFdiErrCorruptCabinet:
    return "Corrupt cabinet";
  case kFdiErrAllocFail:
    return "Memory allocation failed";
  case kFdiErrBadCompressionType:
    return "Unknown compression type";
  case kFdiErrDecompressFail:
    return "Failure decompressing data";
  case kFdiErrTargetFile:
    return "Failure writing to target file";
  case kFdiErrReserveMismatch:
    return "Cabinets in set have different RESERVE sizes";
  case kFdiErrWrongCabinet:
    return "Cabinet returned on fdintNEXT_CABINET is incorrect";
  case kFdiErrUserAbort:
    return "User aborted";
  default:
    return "Unknown error";
  }
}

std::uint32_t CabinetChecksum(const std::uint8_t *data, std::size_t size,
                              std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    sum ^= LoadU32(data + i);
  }
  // The tail is taken with its first byte highest, as the format defines.
  std::uint32_t tail = 0;
  for (; i < size; ++i) {
    tail = tail << 8 | data[i];
  }
  return sum ^ tail;
}

} // namespace vorafile::archive
