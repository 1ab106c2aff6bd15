// The read engine's context, private to the engine's files:
// cabinet_read_engine.cpp walks the file list and extracts, and
// cabinet_block_reader.cpp reads a folder's data blocks, following a folder
// into the next cabinet of a set.
#ifndef VORAFILE_ARCHIVE_CABINET_READ_CONTEXT_H
#define VORAFILE_ARCHIVE_CABINET_READ_CONTEXT_H

#include "archive/cab_records.h"
#include "archive/cabinet_header_reader.h"
#include "archive/cabinet_read_engine.h"
#include "archive/engine_memory.h"
#include "archive/mszip_codec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorafile::archive {

class FdiContext {
public:
  using FileRecord = cab::FileRecord;
  using FolderRecord = cab::FolderRecord;

  FdiContext(const FdiCallbacks &callbacks, CabinetErrorRecord *error)
      : callbacks_(callbacks),
        error_(error), allocator_{callbacks.alloc, callbacks.free,
                                  callbacks.user},
        decoder_(allocator_) {}
  FdiContext(const FdiContext &) = delete;
  FdiContext &operator=(const FdiContext &) = delete;
  ~FdiContext() { CloseCabinet(); }

  [[nodiscard]] bool Init();
  [[nodiscard]] bool IsCabinet(CabFileHandle file, FdiCabinetInfo *info);
  [[nodiscard]] bool Copy(const char *cabinetName, const char *cabinetPath,
                          FdiNotifyFn notify, void *user);
  const EngineAllocator &Allocator() const { return allocator_; }
  [[nodiscard]] bool FailOutOfMemory() { return Fail(kFdiErrAllocFail); }
  [[nodiscard]] const std::string &FailureDetail() const { return detail_; }
  [[nodiscard]] const std::vector<std::string> &Warnings() const {
    return warnings_;
  }

private:
  bool Fail(FdiErrorCode code, int runtimeError = 0);
  /// Fail with words for people: where (file, folder, block) and why.
  bool Fail(FdiErrorCode code, std::string detail, int runtimeError = 0);
  /// Clears the error record, the failure detail and the warnings.
  void StartOperation();
  void Warn(std::string text);
  [[nodiscard]] bool ReadAt(CabFileHandle file, std::uint64_t offset,
                            void *data, std::size_t size);
  /// Reads and checks a header at `base`, with `available` bytes in the file
  /// from there; sets the error record on failure.
  [[nodiscard]] bool ReadHeader(CabFileHandle file, std::uint64_t base,
                                std::uint64_t available, CabinetHeader *header);
  /// Reads the `index`th file record, which lies at `offset`.
  [[nodiscard]] bool ReadFileRecord(std::uint64_t offset, std::uint32_t index,
                                    FileRecord *record);
  [[nodiscard]] bool ReadFolderRecord(std::uint16_t index,
                                      FolderRecord *record);
  void CloseCabinet();
  CabFileHandle Notify(FdiNotificationKind kind, FdiNotification *note);
  [[nodiscard]] bool NotifyCabinetInfo();

  /// Reads every file record once before any file is announced, and
  /// refuses a table whose ranges leave their folder or overlap.
  [[nodiscard]] bool CheckFileTable(bool *firstFolderContinued);
  /// The uncompressed bytes of a folder that lies wholly in this cabinet.
  [[nodiscard]] bool MeasureFolder(std::uint16_t index, std::uint64_t *size);
  /// "folder F block B" for the messages.
  std::string BlockPlace(std::uint32_t block) const;
  [[nodiscard]] bool ProcessFiles();
  std::uint16_t FolderOf(const FileRecord &record) const;
  [[nodiscard]] bool ExtractFile(const FileRecord &record,
                                 CabFileHandle target);

  [[nodiscard]] bool StartFolder(std::uint16_t index);
  [[nodiscard]] bool SeekFolder(std::uint16_t index, std::uint64_t offset);
  [[nodiscard]] bool ReadBlock();
  [[nodiscard]] bool ReadBlockPart(std::size_t *payloadSize,
                                   std::uint16_t *uncompressed);
  [[nodiscard]] bool SwitchCabinet();
  void AppendWindow(const std::uint8_t *data, std::size_t size);

  FdiCallbacks callbacks_;
  CabinetErrorRecord *error_;
  std::string detail_;
  std::vector<std::string> warnings_;
  EngineAllocator allocator_;
  MsZipDecoder decoder_;
  EngineBuffer input_;  // compressed payload of one block
  EngineBuffer output_; // its uncompressed bytes
  EngineBuffer window_; // last 32 KiB of the folder, the MSZIP history
  std::size_t windowSize_ = 0;

  FdiNotifyFn notify_ = nullptr;
  void *user_ = nullptr;
  char pathBuffer_[kCabinetPathBufferSize] = {};
  std::string cabinetPath_;
  CabFileHandle cabinet_ = kInvalidCabFile;
  CabinetHeader header_;
  std::uint32_t generation_ = 0; // raised for every cabinet opened

  // Decoder position.
  bool folderActive_ = false;
  std::uint32_t folderGeneration_ = 0;
  std::uint16_t folderIndex_ = 0;
  std::uint16_t folderType_ = 0;
  std::uint64_t nextBlock_ = 0;
  std::uint32_t blocksLeft_ = 0;
  std::uint32_t blockIndex_ = 0;  // of the block being read, in this cabinet
  std::uint64_t outputStart_ = 0; // folder offset of output_[0]
  std::size_t outputSize_ = 0;
  std::size_t outputPos_ = 0;
  std::uint32_t toNextHandled_ = 0; // continued entries handled here
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_CABINET_READ_CONTEXT_H
