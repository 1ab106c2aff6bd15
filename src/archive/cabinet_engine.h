// The cabinet engine's shared vocabulary: file handles and the callbacks
// through which the engine reaches files and memory, the error record and its
// codes, and the data block checksum.
//
// The engine never opens a file by name nor allocates large memory itself:
// everything goes through the caller's callbacks, so the same code runs on
// disk files in the library and on memory buffers in the tests.
#ifndef VORAFILE_ARCHIVE_CABINET_ENGINE_H
#define VORAFILE_ARCHIVE_CABINET_ENGINE_H

#include <cstddef>
#include <cstdint>

namespace vorafile::archive {

/// A file handle of the caller's choosing; -1 means failure.
using CabFileHandle = std::intptr_t;
inline constexpr CabFileHandle kInvalidCabFile = -1;

/// Open flags handed to CabOpenFn; the values equal the Windows runtime's
/// _O_* flags, so a Windows caller can pass them straight on.
namespace open_flag {
inline constexpr int kReadOnly = 0x0000;
inline constexpr int kWriteOnly = 0x0001;
inline constexpr int kReadWrite = 0x0002;
inline constexpr int kCreate = 0x0100;
inline constexpr int kTruncate = 0x0200;
inline constexpr int kExclusive = 0x0400;
inline constexpr int kBinary = 0x8000;
inline constexpr int kAccessMask = 0x0003;
} // namespace open_flag

/// Permission argument of CabOpenFn when kCreate is set (_S_IREAD|_S_IWRITE).
inline constexpr int kOpenPermissionReadWrite = 0x0180;

/// Seek origins of CabSeekFn.
inline constexpr int kSeekSet = 0;
inline constexpr int kSeekCur = 1;
inline constexpr int kSeekEnd = 2;

/// Memory: nullptr on failure. The engine asks for at most a few hundred
/// kilobytes in total per context, whatever the cabinet size.
using CabAllocFn = void *(*)(std::size_t size, void *user);
using CabFreeFn = void (*)(void *memory, void *user);
/// Returns a handle or -1; `err` may receive an errno-style code.
using CabOpenFn = CabFileHandle (*)(const char *path, int flags, int mode,
                                    int *err, void *user);
/// Read and write return the byte count moved, or -1.
using CabReadFn = std::int32_t (*)(CabFileHandle file, void *buffer,
                                   std::uint32_t count, int *err, void *user);
using CabWriteFn = std::int32_t (*)(CabFileHandle file, const void *buffer,
                                    std::uint32_t count, int *err, void *user);
/// Returns 0, or -1 on failure.
using CabCloseFn = int (*)(CabFileHandle file, int *err, void *user);
/// Returns the new position, or -1.
using CabSeekFn = std::int64_t (*)(CabFileHandle file, std::int64_t distance,
                                   int origin, int *err, void *user);
/// Returns 0, or -1 on failure.
using CabDeleteFn = int (*)(const char *path, int *err, void *user);

/// The file and memory routines through which both engines reach the
/// caller's files; every one must be set.
struct CabFileCallbacks {
  CabAllocFn alloc = nullptr;
  CabFreeFn free = nullptr;
  CabOpenFn open = nullptr;
  CabReadFn read = nullptr;
  CabWriteFn write = nullptr;
  CabCloseFn close = nullptr;
  CabSeekFn seek = nullptr;

  [[nodiscard]] bool IsComplete() const {
    return alloc != nullptr && free != nullptr && open != nullptr &&
           read != nullptr && write != nullptr && close != nullptr &&
           seek != nullptr;
  }
};

/// Filled by the engine when an operation fails: the error code (one of
/// FciErrorCode or FdiErrorCode), the runtime error of the callback that
/// failed (0 when none) and a set flag.
struct CabinetErrorRecord {
  std::int32_t operationCode = 0;
  std::int32_t errorType = 0;
  std::int32_t errorFlag = 0;
};

/// Fills `error` (when given) with a failure; always false, so a failing
/// step can `return RecordFailure(...)`.
inline bool RecordFailure(CabinetErrorRecord *error, std::int32_t code,
                          int runtimeError = 0) {
  if (error != nullptr) {
    error->operationCode = code;
    error->errorType = runtimeError;
    error->errorFlag = 1;
  }
  return false;
}

/// Compression side error codes.
enum FciErrorCode : std::int32_t {
  kFciErrNone = 0,
  kFciErrOpenSource = 1,
  kFciErrReadSource = 2,
  kFciErrAllocFail = 3,
  kFciErrTempFile = 4,
  kFciErrBadCompressionType = 5,
  kFciErrCabinetFile = 6,
  kFciErrUserAbort = 7,
  kFciErrCompressFail = 8,
};

/// Decompression side error codes.
enum FdiErrorCode : std::int32_t {
  kFdiErrNone = 0,
  kFdiErrCabinetNotFound = 1,
  kFdiErrNotACabinet = 2,
  kFdiErrUnknownCabinetVersion = 3,
  kFdiErrCorruptCabinet = 4,
  kFdiErrAllocFail = 5,
  kFdiErrBadCompressionType = 6,
  kFdiErrDecompressFail = 7,
  kFdiErrTargetFile = 8,
  kFdiErrReserveMismatch = 9,
  kFdiErrWrongCabinet = 10,
  kFdiErrUserAbort = 11,
};

/// The fixed text of a compression error code; "Unknown error" for others.
const char *FciErrorText(std::int32_t code);
/// The fixed text of a decompression error code; "Unknown error" for others.
const char *FdiErrorText(std::int32_t code);

/// The format's data block checksum: the 32-bit little-endian words of
/// `data` XORed into `seed`, a trailing partial word taken big-end first.
/// A block's checksum is this over the payload, continued over cbData,
/// cbUncomp and the block's reserve area.
std::uint32_t CabinetChecksum(const std::uint8_t *data, std::size_t size,
                              std::uint32_t seed);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_ENGINE_H
