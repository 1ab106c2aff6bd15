// The cabinet read engine, the decompression side (FDI-shaped): tests whether
// an open file is a cabinet and walks a cabinet (and the rest of its set),
// letting a notification callback decide file by file what is extracted.
//
// Usage: FdiCreate, FdiIsCabinet and/or FdiCopy, FdiDestroy. Functions return
// true on success; on failure the error record given to FdiCreate holds an
// FdiErrorCode.
#ifndef VORAFILE_ARCHIVE_CABINET_READ_ENGINE_H
#define VORAFILE_ARCHIVE_CABINET_READ_ENGINE_H

#include "archive/cabinet_engine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

/// Processor type argument of FdiCreate (accepted, not used).
inline constexpr int kCpuUnknown = -1;
inline constexpr int kCpu80286 = 0;
inline constexpr int kCpu80386 = 1;

/// Size of the cabinet folder buffer that kNextCabinet hands out.
inline constexpr int kCabinetPathBufferSize = 256;

/// The file routines with the value handed back to them.
struct FdiCallbacks : CabFileCallbacks {
  /// Handed back to the file and memory callbacks.
  void *user = nullptr;
};

/// Summary of a cabinet as FdiIsCabinet finds it.
struct FdiCabinetInfo {
  std::uint32_t cabinetSize = 0;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
  bool hasReserve = false;
  bool hasPrevious = false;
  bool hasNext = false;
};

/// The notifications of FdiCopy. Fields of FdiNotification that a kind does
/// not name are 0 or nullptr.
enum class FdiNotificationKind : int {
  /// A cabinet was opened: text1 next cabinet name, text2 next disk name,
  /// text3 cabinet folder, setId, cabinetIndex. -1 aborts.
  kCabinetInfo = 0,
  /// A file that began in an earlier cabinet (not extracted from this one):
  /// text1 name, text2 first cabinet name, text3 first disk name. -1 aborts.
  kPartialFile = 1,
  /// text1 name, size, date, time, attributes, folderIndex. The result is a
  /// handle to write the file to, 0 to skip it, -1 to abort.
  kCopyFile = 2,
  /// The file's data was written: text1 name, file (the handle, which the
  /// callback closes), date, time, attributes, size 1 when the execute
  /// attribute is set. 0 or -1 aborts.
  kCloseFileInfo = 3,
  /// The next cabinet of the set is needed: text1 its name, text2 its disk
  /// name, text3 a kCabinetPathBufferSize-byte buffer holding the folder it
  /// is looked for in, which the callback may overwrite, errorCode 0 or the
  /// reason the previous try failed. -1 aborts.
  kNextCabinet = 4,
  kEnumerate = 5,
};

struct FdiNotification {
  std::int32_t size = 0;
  const char *text1 = nullptr;
  const char *text2 = nullptr;
  char *text3 = nullptr;
  void *user = nullptr;
  CabFileHandle file = 0;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::uint16_t attributes = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
  std::uint16_t folderIndex = 0;
  std::int32_t errorCode = 0;
};

using FdiNotifyFn = CabFileHandle (*)(FdiNotificationKind kind,
                                      FdiNotification *notification);
/// Accepted for the shape of the interface; the engine reads no encrypted
/// cabinets and never calls it.
using FdiDecryptFn = int (*)(void *decryptInfo);

class FdiContext;

/// Creates a decompression context and its buffers. Returns nullptr on
/// failure (kFdiErrAllocFail).
FdiContext *FdiCreate(const FdiCallbacks &callbacks, int cpuType,
                      CabinetErrorRecord *error);

/// Reads a cabinet header from `file` at its current position. False when
/// the file is no cabinet (kFdiErrNotACabinet) or of another version
/// (kFdiErrUnknownCabinetVersion), or the header is damaged
/// (kFdiErrCorruptCabinet).
[[nodiscard]] bool FdiIsCabinet(FdiContext *context, CabFileHandle file,
                                FdiCabinetInfo *info);

/// Opens cabinetPath + cabinetName (plain concatenation) and announces its
/// files through `notify`, extracting those for which it returns a handle.
/// A file continued into a next cabinet makes the engine ask for that
/// cabinet (kNextCabinet) and go on with the rest of the set. `flags` and
/// `decrypt` are unused. `user` arrives as FdiNotification::user.
[[nodiscard]] bool FdiCopy(FdiContext *context, const char *cabinetName,
                           const char *cabinetPath, int flags,
                           FdiNotifyFn notify, FdiDecryptFn decrypt,
                           void *user);

/// Words for people on the last failure of FdiIsCabinet or FdiCopy: the
/// file, or the folder and block, and the reason ("folder 0 block 3:
/// checksum mismatch"), without the cabinet's name. Empty when nothing
/// failed or the failure has no more to say than its code (a user abort).
const char *FdiFailureDetail(const FdiContext *context);

/// What the last FdiIsCabinet or FdiCopy read in spite of doubts, for
/// people; the read went on as the text says.
std::vector<std::string> FdiWarnings(const FdiContext *context);

/// Releases the context. nullptr is accepted.
[[nodiscard]] bool FdiDestroy(FdiContext *context);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_READ_ENGINE_H
