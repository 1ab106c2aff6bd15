// The write engine's context, private to the engine's files:
// cabinet_write_engine.cpp takes files in and fills folders and blocks, and
// cabinet_write_out.cpp writes a cabinet out of the spool and splits a set
// when a cabinet is full (see the writer notes there and in the engine).
#ifndef VORAFILE_ARCHIVE_CABINET_WRITE_CONTEXT_H
#define VORAFILE_ARCHIVE_CABINET_WRITE_CONTEXT_H

#include "archive/block_queue.h"
#include "archive/cab_records.h"
#include "archive/cabinet_spool.h"
#include "archive/cabinet_write_engine.h"
#include "archive/engine_files.h"
#include "archive/engine_memory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

class FciContext {
public:
  // A folder of the cabinet being built; until the cabinet is written its
  // dataOffset counts in the data temporary file, which never holds more
  // than one cabinet's data (under 4 GiB).
  using FolderRecord = cab::FolderRecord;
  using FileEntry = cab::FileRecord;

  FciContext(const FciCallbacks &callbacks, CabinetErrorRecord *error,
             const CabinetDescription &cabinet, void *user)
      : callbacks_(callbacks), error_(error), desc_(cabinet),
        user_(user), allocator_{callbacks.alloc, callbacks.free, user},
        queue_(allocator_), spool_(callbacks, user) {}
  FciContext(const FciContext &) = delete;
  FciContext &operator=(const FciContext &) = delete;

  [[nodiscard]] bool Init();
  [[nodiscard]] bool AddFile(const char *sourcePath, const char *storedName,
                             bool isExecutable, FciNextCabinetFn nextCabinet,
                             FciStatusFn status, FciOpenInfoFn openInfo,
                             std::uint16_t compressionType);
  [[nodiscard]] bool FlushFolder(FciNextCabinetFn nextCabinet,
                                 FciStatusFn status);
  [[nodiscard]] bool FlushCabinet(bool getNextCabinet,
                                  FciNextCabinetFn nextCabinet,
                                  FciStatusFn status);
  [[nodiscard]] bool SetThreadCount(unsigned threadCount);
  const EngineAllocator &Allocator() const { return allocator_; }
  [[nodiscard]] bool FailOutOfMemory() { return Fail(kFciErrAllocFail); }

private:
  // Room kept in every cabinet header for the next cabinet's two names.
  static constexpr std::uint64_t kNextNamesReserve = 2 * (cab::kNameMax + 1);
  static constexpr std::uint64_t kCabinetSizeMax = 0xFFFFFFFF;
  static constexpr std::size_t kPayloadMax = BlockQueue::kPayloadMax;
  // Temporary file to cabinet copies go in pieces of this size.
  static constexpr std::size_t kCopyChunk = 4 * cab::kBlockMax;

  [[nodiscard]] bool Fail(FciErrorCode code, int runtimeError = 0);
  [[nodiscard]] bool
  IsDescriptionValid(const CabinetDescription &cabinet) const;
  [[nodiscard]] bool HasReserve() const;
  std::uint64_t HeaderSize(bool withNextReserve) const;
  std::uint64_t EstimateSize() const;
  std::uint64_t MaxSize() const;

  [[nodiscard]] bool OpenFolder(std::uint16_t type);
  [[nodiscard]] bool CloseFolder();
  [[nodiscard]] bool AppendRecord(const std::uint8_t *payload,
                                  std::size_t payloadSize,
                                  std::size_t uncompressed);
  [[nodiscard]] bool EmitQueued();
  [[nodiscard]] bool EmitBlock(BlockJob &job);
  [[nodiscard]] bool Spill(const std::uint8_t *payload, std::size_t payloadSize,
                           bool *isContinued, std::size_t *firstPart);
  [[nodiscard]] bool AskNextCabinet(CabinetDescription *next);
  [[nodiscard]] bool WriteCabinet(const CabinetDescription *next);
  [[nodiscard]] bool ReportFilesPlaced();
  void ResetCabinet();

  [[nodiscard]] bool WriteAt(CabFileHandle file, std::uint64_t offset,
                             const void *data, std::size_t size) {
    return WriteFileAt(callbacks_, user_, file, offset, data, size);
  }
  [[nodiscard]] bool CopyTemp(CabFileHandle from, std::uint64_t size,
                              CabFileHandle to,
                              const std::vector<FolderRecord> *folders);

  FciCallbacks callbacks_;
  CabinetErrorRecord *error_;
  CabinetDescription desc_;
  void *user_;
  EngineAllocator allocator_;
  BlockQueue queue_;
  CabinetSpool spool_;
  FciNextCabinetFn nextCabinet_ = nullptr;
  FciStatusFn status_ = nullptr;
  std::uint32_t estimatedSize_ = 0; // as given to the next-cabinet callback

  EngineBuffer copy_; // temporary file to cabinet copies

  // The cabinet being built.
  bool hasPrevious_ = false;
  std::string previousName_;
  std::string previousDisk_;
  std::vector<FolderRecord> folders_;
  std::uint64_t filesBytes_ = 0;
  std::uint32_t fileCount_ = 0;
  std::uint64_t dataBytes_ = 0;

  // The open folder. Offsets count from the folder's start, also when it
  // began in an earlier cabinet.
  bool folderOpen_ = false;
  // The open folder began in the previous cabinet (a file crossed the split).
  bool folderContinued_ = false;
  std::uint16_t folderType_ = 0;
  std::uint64_t folderUncompressed_ = 0; // bytes of all files added
  std::uint64_t folderCommitted_ = 0;    // bytes in emitted blocks
  std::uint64_t folderCompressed_ = 0;
  std::uint64_t folderFilesStart_ = 0; // its first entry in this cabinet
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_WRITE_CONTEXT_H
