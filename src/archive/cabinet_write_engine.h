// The cabinet write engine, the compression side (FCI-shaped): files are added
// one by one, compressed into temporary files, and written out as a cabinet (or
// a set of cabinets) when the cabinet is flushed.
//
// Usage: FciCreate, FciAddFile for each file, FciFlushCabinet, FciDestroy.
// Every function returns true on success; on failure the error record given
// to FciCreate holds an FciErrorCode and the caller destroys the context.
#ifndef VORAFILE_ARCHIVE_CABINET_WRITE_ENGINE_H
#define VORAFILE_ARCHIVE_CABINET_WRITE_ENGINE_H

#include "archive/cabinet_engine.h"

#include <cstdint>
#include <string>

namespace vorafile::archive {

/// Describes the cabinet being written; the next-cabinet callback receives a
/// copy (with cabinetNumber already raised) and updates it for the next
/// cabinet of a set.
struct CabinetDescription {
  /// Largest cabinet file in bytes; 0 means no limit (4 GiB - 1).
  std::uint32_t maxCabinetSize = 0;
  /// A folder is closed after the file that brings its compressed data to
  /// this many bytes; 0 gives each file a folder of its own.
  std::uint32_t folderThreshold = 0;
  std::uint32_t headerReserveSize = 0; ///< at most 60000
  std::uint32_t folderReserveSize = 0; ///< at most 255
  std::uint32_t dataReserveSize = 0;   ///< at most 255
  std::int32_t cabinetNumber = 0;
  std::int32_t diskNumber = 0;
  /// Fail with kFciErrCompressFail rather than store a block that MSZIP
  /// cannot shrink.
  bool failOnIncompressible = false;
  std::uint16_t setId = 0;
  std::string diskName;      ///< at most 255 characters
  std::string cabinetName;   ///< at most 255 characters
  std::string cabinetFolder; ///< prefix of cabinetName, with its separator
};

enum class FciStatusKind : int {
  /// A block was compressed: size1 compressed, size2 uncompressed bytes.
  kFile = 0,
  /// Folder data is being copied into the cabinet: size1 bytes copied so
  /// far, size2 the folder's total.
  kFolder = 1,
  /// A cabinet was written: size1 estimated (the size passed to the
  /// next-cabinet callback, or the actual size), size2 actual size. The
  /// result is the size to record; -1 aborts.
  kCabinet = 2,
};

/// Called for every file entry as its cabinet is written; -1 aborts.
using FciFilePlacedFn = int (*)(CabinetDescription *cabinet,
                                const char *storedName, std::int32_t size,
                                bool isContinuation, void *user);
/// Fills `buffer` (of `bufferSize` bytes) with a fresh temporary file name.
using FciTempFileFn = bool (*)(char *buffer, int bufferSize, void *user);
/// Updates `cabinet` (number already raised) to describe the next cabinet
/// of the set; false aborts.
using FciNextCabinetFn = bool (*)(CabinetDescription *cabinet,
                                  std::uint32_t previousCabinetSize,
                                  void *user);
/// Progress; -1 aborts with kFciErrUserAbort (see FciStatusKind).
using FciStatusFn = std::int32_t (*)(FciStatusKind kind, std::uint32_t size1,
                                     std::uint32_t size2, void *user);
/// Opens a source file for reading and gives its DOS date, time and
/// attributes; returns a handle for the read, seek and close callbacks, or -1.
using FciOpenInfoFn = CabFileHandle (*)(const char *path, std::uint16_t *date,
                                        std::uint16_t *time,
                                        std::uint16_t *attributes, int *err,
                                        void *user);

/// The file routines plus those only the write engine needs.
struct FciCallbacks : CabFileCallbacks {
  FciFilePlacedFn filePlaced = nullptr; ///< optional
  CabDeleteFn remove = nullptr;
  FciTempFileFn tempFile = nullptr;
};

class FciContext;

/// Creates a compression context and its temporary files. `user` comes back
/// in every callback. Returns nullptr on failure (kFciErrAllocFail,
/// kFciErrTempFile, or kFciErrCabinetFile for a description out of range).
FciContext *FciCreate(const FciCallbacks &callbacks, CabinetErrorRecord *error,
                      const CabinetDescription &cabinet, void *user);

/// Compresses one source file into the current folder. `compressionType` is
/// kCompressNone or kCompressMsZip (cab_format.h); Quantum and LZX give
/// kFciErrBadCompressionType. `storedName` is 1 to 255 characters. When the
/// cabinet would grow past its maximum size the cabinet is written and
/// `nextCabinet` asked for the next one; `status` and `nextCabinet` may be
/// nullptr.
[[nodiscard]] bool FciAddFile(FciContext *context, const char *sourcePath,
                              const char *storedName, bool isExecutable,
                              FciNextCabinetFn nextCabinet, FciStatusFn status,
                              FciOpenInfoFn openInfo,
                              std::uint16_t compressionType);

/// Closes the current folder; the next file starts a new one.
[[nodiscard]] bool FciFlushFolder(FciContext *context,
                                  FciNextCabinetFn nextCabinet,
                                  FciStatusFn status);

/// Writes the current cabinet: header, folders, files, data, then "MSCF" at
/// offset 0, then closes it. With `getNextCabinet` the cabinet is linked to
/// a further cabinet of the set (asked from `nextCabinet` now), which the
/// next added file starts. A cabinet with no files is written too.
[[nodiscard]] bool FciFlushCabinet(FciContext *context, bool getNextCabinet,
                                   FciNextCabinetFn nextCabinet,
                                   FciStatusFn status);

/// Sets how many threads code MSZIP blocks, the calling one included (0:
/// one per processor, the default; at most 4). The extra threads only run
/// deflate on the engine's buffers: every callback is still called on the
/// thread that calls the engine. The cabinets written are the same for any
/// count. False (kFciErrAllocFail) when the coders' memory cannot be had.
[[nodiscard]] bool FciSetThreadCount(FciContext *context, unsigned threadCount);

/// Closes and deletes the temporary files and releases the context. Anything
/// not flushed is dropped. nullptr is accepted.
[[nodiscard]] bool FciDestroy(FciContext *context);

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_WRITE_ENGINE_H
