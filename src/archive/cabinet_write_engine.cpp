#include "archive/cabinet_write_engine.h"

#include "archive/cab_format.h"
#include "archive/cabinet_write_context.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// Writer notes:
// - Blocks and file entries wait in temporary files (CabinetSpool), full
//   blocks are coded in batches (BlockQueue); this file decides where
//   folders end, cabinet_write_out.cpp where cabinets split, and writes
//   them.
// - A file's entry is written when the file starts (its size is taken by
//   seeking to its end), so the entries of a cabinet being split are known.
// - Before a block is admitted, the cabinet's size with that block and with
//   room for the next cabinet's names (2 x 256 bytes) is compared with the
//   maximum; when it would be exceeded (and the cabinet already holds a
//   block) the cabinet is written and the next one started.
// - At such a split the open folder continues in the next cabinet (as its
//   first folder) only when a file's data crosses the split. The block is
//   then split too: its first compressed bytes fill the cabinet in a block
//   with cbUncomp 0, the rest opens the next cabinet, as readers expect of
//   a continued folder. Otherwise the folder ends and the next cabinet
//   starts a fresh one, so no reader needs the previous cabinet for it.
// - The queue is coded when it is full, when a folder closes, and at the
//   end of a file whenever its blocks could bring the folder to the
//   threshold, so folders close after the same files as with one block at
//   a time, and the bytes written are the same for any number of threads.

namespace vorafile::archive {

bool FciContext::Fail(FciErrorCode code, int runtimeError) {
  return RecordFailure(error_, code, runtimeError);
}

bool FciContext::IsDescriptionValid(const CabinetDescription &cabinet) const {
  return cabinet.headerReserveSize <= cab::kHeaderReserveMax &&
         cabinet.folderReserveSize <= cab::kFolderReserveMax &&
         cabinet.dataReserveSize <= cab::kDataReserveMax &&
         cabinet.cabinetName.size() <= cab::kNameMax &&
         !cabinet.cabinetName.empty() &&
         cabinet.diskName.size() <= cab::kNameMax &&
         cabinet.cabinetName.find('\0') == std::string::npos &&
         cabinet.diskName.find('\0') == std::string::npos;
}

bool FciContext::Init() {
  if (!IsDescriptionValid(desc_)) {
    return Fail(kFciErrCabinetFile);
  }
  if (!queue_.Init() || !copy_.Allocate(allocator_, kCopyChunk)) {
    return Fail(kFciErrAllocFail);
  }
  int err = 0;
  if (!spool_.Create(&err)) {
    return Fail(kFciErrTempFile, err);
  }
  return true;
}

bool FciContext::HasReserve() const {
  return desc_.headerReserveSize != 0 || desc_.folderReserveSize != 0 ||
         desc_.dataReserveSize != 0;
}

std::uint64_t FciContext::HeaderSize(bool withNextReserve) const {
  std::uint64_t size = cab::kCfHeaderSize;
  if (HasReserve()) {
    size += cab::kCfReserveSize + desc_.headerReserveSize;
  }
  if (hasPrevious_) {
    size += previousName_.size() + 1 + previousDisk_.size() + 1;
  }
  if (withNextReserve) {
    size += kNextNamesReserve;
  }
  return size;
}

std::uint64_t FciContext::EstimateSize() const {
  return HeaderSize(true) +
         folders_.size() * (cab::kCfFolderSize + desc_.folderReserveSize) +
         filesBytes_ + dataBytes_;
}

std::uint64_t FciContext::MaxSize() const {
  return desc_.maxCabinetSize == 0 ? kCabinetSizeMax : desc_.maxCabinetSize;
}

bool FciContext::OpenFolder(std::uint16_t type) {
  if (folders_.size() >= cab::kFoldersMax) {
    return Fail(kFciErrCompressFail);
  }
  folders_.push_back(
      FolderRecord{static_cast<std::uint32_t>(dataBytes_), 0, type});
  folderOpen_ = true;
  folderContinued_ = false;
  folderType_ = type;
  folderUncompressed_ = 0;
  folderCommitted_ = 0;
  folderCompressed_ = 0;
  folderFilesStart_ = filesBytes_;
  queue_.Reset();
  return true;
}

bool FciContext::CloseFolder() {
  if (folderOpen_) {
    queue_.QueuePartial();
    if (!EmitQueued()) {
      return false;
    }
  }
  folderOpen_ = false;
  queue_.ForgetHistory();
  return true;
}

// Codes the queued blocks and admits them in order.
bool FciContext::EmitQueued() {
  std::size_t count = queue_.QueuedCount();
  if (count == 0) {
    return true;
  }
  BlockJob *jobs = queue_.Encode(folderType_);
  for (std::size_t i = 0; i < count; ++i) {
    if (!EmitBlock(jobs[i])) {
      return false;
    }
  }
  queue_.Retire();
  return true;
}

bool FciContext::AppendRecord(const std::uint8_t *payload,
                              std::size_t payloadSize,
                              std::size_t uncompressed) {
  std::uint8_t fixed[cab::kCfDataSize + cab::kDataReserveMax] = {};
  std::size_t fixedSize = cab::kCfDataSize + desc_.dataReserveSize;
  cab::WriteDataRecord(
      cab::DataRecord{0, static_cast<std::uint16_t>(payloadSize),
                      static_cast<std::uint16_t>(uncompressed)},
      fixed);
  std::uint32_t sum = CabinetChecksum(payload, payloadSize, 0);
  sum = CabinetChecksum(fixed + cab::kCfDataCbData,
                        fixedSize - cab::kCfDataCbData, sum);
  StoreU32(fixed + cab::kCfDataCsum, sum);
  if (!spool_.WriteAt(spool_.Data(), dataBytes_, fixed, fixedSize) ||
      !spool_.WriteAt(spool_.Data(), dataBytes_ + fixedSize, payload,
                      payloadSize)) {
    return Fail(kFciErrTempFile);
  }
  dataBytes_ += fixedSize + payloadSize;
  ++folders_.back().blockCount;
  return true;
}

bool FciContext::EmitBlock(BlockJob &job) {
  if (folders_.back().blockCount >= cab::kBlocksPerFolderMax) {
    return Fail(kFciErrCompressFail);
  }
  if (job.payloadSize == 0 && job.size > 0) {
    return Fail(kFciErrCompressFail);
  }
  if (job.isStored && desc_.failOnIncompressible) {
    return Fail(kFciErrCompressFail);
  }
  const std::uint8_t *payload = job.out;
  std::size_t payloadSize = job.payloadSize;
  std::size_t reportedSize = payloadSize;
  std::size_t recordSize =
      cab::kCfDataSize + desc_.dataReserveSize + payloadSize;
  if (dataBytes_ > 0 && EstimateSize() + recordSize > MaxSize()) {
    bool isContinued = false;
    std::size_t firstPart = 0;
    if (!Spill(payload, payloadSize, &isContinued, &firstPart)) {
      return false;
    }
    if (isContinued) {
      // The block's first part went into the previous cabinet.
      payload += firstPart;
      payloadSize -= firstPart;
    } else if (job.historySize > 0) {
      // The block opens a fresh folder: code it again without history.
      job.history = nullptr;
      job.historySize = 0;
      queue_.EncodeOne(job, folderType_);
      if (job.payloadSize == 0 && job.size > 0) {
        return Fail(kFciErrCompressFail);
      }
      payloadSize = job.payloadSize;
      reportedSize = payloadSize;
    }
  }
  if (!AppendRecord(payload, payloadSize, job.size)) {
    return false;
  }
  folderCommitted_ += job.size;
  folderCompressed_ += reportedSize;
  if (status_ != nullptr &&
      status_(FciStatusKind::kFile, static_cast<std::uint32_t>(reportedSize),
              static_cast<std::uint32_t>(job.size), user_) == -1) {
    return Fail(kFciErrUserAbort);
  }
  return true;
}

bool FciContext::AddFile(const char *sourcePath, const char *storedName,
                         bool isExecutable, FciNextCabinetFn nextCabinet,
                         FciStatusFn status, FciOpenInfoFn openInfo,
                         std::uint16_t compressionType) {
  nextCabinet_ = nextCabinet;
  status_ = status;
  auto type = static_cast<std::uint16_t>(compressionType & cab::kCompressMask);
  if (type != cab::kCompressNone && type != cab::kCompressMsZip) {
    return Fail(kFciErrBadCompressionType);
  }
  std::size_t nameLength = strnlen(storedName, cab::kNameMax + 1);
  if (sourcePath == nullptr || openInfo == nullptr || nameLength == 0 ||
      nameLength > cab::kNameMax) {
    return Fail(kFciErrOpenSource);
  }
  FileEntry entry;
  entry.name.assign(storedName, nameLength);
  int err = 0;
  CabFileHandle source = openInfo(sourcePath, &entry.date, &entry.time,
                                  &entry.attributes, &err, user_);
  if (source == kInvalidCabFile) {
    return Fail(kFciErrOpenSource, err);
  }
  // Closes the source on every way out.
  struct SourceCloser {
    FciContext *self;
    CabFileHandle file;
    ~SourceCloser() {
      int ignored = 0;
      self->callbacks_.close(file, &ignored, self->user_);
    }
  } closer{this, source};

  std::int64_t size = callbacks_.seek(source, 0, kSeekEnd, &err, user_);
  if (size < 0 || size > std::int64_t{0xFFFFFFFF} ||
      callbacks_.seek(source, 0, kSeekSet, &err, user_) != 0) {
    return Fail(kFciErrReadSource, err);
  }
  // As other writers lay sets out (and readers expect): a folder that
  // continues from the previous cabinet ends with the file that crossed the
  // split, so no folder spans more than that one file's cabinets. For the
  // crossing file to be the last one in the folder, a folder whose queued
  // blocks could reach the end of the cabinet is closed before another file
  // joins it.
  const std::uint64_t queuedWorstCase =
      (queue_.QueuedCount() + (queue_.HasPartial() ? 1u : 0u)) *
      std::uint64_t{cab::kCfDataSize + desc_.dataReserveSize + kPayloadMax};
  if (folderOpen_ &&
      (folderType_ != type || folderContinued_ ||
       EstimateSize() + queuedWorstCase > MaxSize() ||
       folderUncompressed_ + static_cast<std::uint64_t>(size) > 0xFFFFFFFF)) {
    if (!CloseFolder()) {
      return false;
    }
  }
  if (!folderOpen_ && !OpenFolder(type)) {
    return false;
  }
  if (fileCount_ >= cab::kFilesMax) {
    return Fail(kFciErrCompressFail);
  }
  entry.size = static_cast<std::uint32_t>(size);
  entry.folderOffset = static_cast<std::uint32_t>(folderUncompressed_);
  entry.folder = static_cast<std::uint16_t>(folders_.size() - 1);
  if (isExecutable) {
    entry.attributes |= cab::kAttribExecute;
  }
  if (!spool_.WriteEntry(spool_.Entries(), filesBytes_, entry)) {
    return Fail(kFciErrTempFile);
  }
  filesBytes_ += cab::kCfFileSize + nameLength + 1;
  ++fileCount_;
  folderUncompressed_ += static_cast<std::uint64_t>(size);

  auto remaining = static_cast<std::uint64_t>(size);
  while (remaining > 0) {
    auto want = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(queue_.FillRoom(), remaining));
    std::int32_t got =
        callbacks_.read(source, queue_.FillAt(), want, &err, user_);
    if (got <= 0 || static_cast<std::uint32_t>(got) > want) {
      return Fail(kFciErrReadSource, err); // error, or the file shrank
    }
    remaining -= static_cast<std::uint64_t>(got);
    if (queue_.AddFilled(static_cast<std::size_t>(got)) && !EmitQueued()) {
      return false;
    }
  }
  // No queued block codes larger than kPayloadMax: below this bound the
  // folder cannot have reached its threshold yet.
  if (folderCompressed_ + queue_.QueuedCount() * kPayloadMax >=
          desc_.folderThreshold &&
      !EmitQueued()) {
    return false;
  }
  if (folderCompressed_ >= desc_.folderThreshold) {
    return CloseFolder();
  }
  return true;
}

bool FciContext::SetThreadCount(unsigned threadCount) {
  if (!queue_.SetThreadCount(threadCount)) {
    return Fail(kFciErrAllocFail);
  }
  return true;
}

bool FciContext::FlushFolder(FciNextCabinetFn nextCabinet, FciStatusFn status) {
  nextCabinet_ = nextCabinet;
  status_ = status;
  return CloseFolder();
}

bool FciContext::FlushCabinet(bool getNextCabinet, FciNextCabinetFn nextCabinet,
                              FciStatusFn status) {
  nextCabinet_ = nextCabinet;
  status_ = status;
  if (!CloseFolder()) {
    return false;
  }
  CabinetDescription next;
  if (getNextCabinet && !AskNextCabinet(&next)) {
    return false;
  }
  if (!WriteCabinet(getNextCabinet ? &next : nullptr)) {
    return false;
  }
  ResetCabinet();
  hasPrevious_ = getNextCabinet;
  if (getNextCabinet) {
    previousName_ = desc_.cabinetName;
    previousDisk_ = desc_.diskName;
    desc_ = next;
  }
  return true;
}

FciContext *FciCreate(const FciCallbacks &callbacks, CabinetErrorRecord *error,
                      const CabinetDescription &cabinet, void *user) {
  if (!callbacks.IsComplete() || callbacks.remove == nullptr ||
      callbacks.tempFile == nullptr) {
    RecordFailure(error, kFciErrAllocFail);
    return nullptr;
  }
  return CreateEngineContext<FciContext>(
      EngineAllocator{callbacks.alloc, callbacks.free, user}, error,
      kFciErrAllocFail, callbacks, error, cabinet, user);
}

bool FciAddFile(FciContext *context, const char *sourcePath,
                const char *storedName, bool isExecutable,
                FciNextCabinetFn nextCabinet, FciStatusFn status,
                FciOpenInfoFn openInfo, std::uint16_t compressionType) {
  if (storedName == nullptr) {
    return false;
  }
  return CallEngineContext(context, [&](FciContext &self) {
    return self.AddFile(sourcePath, storedName, isExecutable, nextCabinet,
                        status, openInfo, compressionType);
  });
}

bool FciFlushFolder(FciContext *context, FciNextCabinetFn nextCabinet,
                    FciStatusFn status) {
  return CallEngineContext(context, [&](FciContext &self) {
    return self.FlushFolder(nextCabinet, status);
  });
}

bool FciFlushCabinet(FciContext *context, bool getNextCabinet,
                     FciNextCabinetFn nextCabinet, FciStatusFn status) {
  return CallEngineContext(context, [&](FciContext &self) {
    return self.FlushCabinet(getNextCabinet, nextCabinet, status);
  });
}

bool FciSetThreadCount(FciContext *context, unsigned threadCount) {
  return CallEngineContext(context, [&](FciContext &self) {
    return self.SetThreadCount(threadCount);
  });
}

bool FciDestroy(FciContext *context) {
  return DestroyEngineContext(context);
}

} // namespace vorafile::archive
