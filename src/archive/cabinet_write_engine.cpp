#include "archive/cabinet_write_engine.h"

#include "archive/block_queue.h"
#include "archive/byte_cursor.h"
#include "archive/cab_format.h"
#include "archive/cab_records.h"
#include "archive/cabinet_spool.h"
#include "archive/engine_files.h"
#include "archive/engine_memory.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// Writer notes:
// - Blocks and file entries wait in temporary files (CabinetSpool), full
//   blocks are coded in batches (BlockQueue); this file decides where
//   folders end and cabinets split, and writes the cabinets.
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

namespace {

// Room kept in every cabinet header for the next cabinet's two names.
constexpr std::uint64_t kNextNamesReserve = 2 * (cab::kNameMax + 1);
constexpr std::uint64_t kCabinetSizeMax = 0xFFFFFFFF;
constexpr std::size_t kPayloadMax = BlockQueue::kPayloadMax;
// Temporary file to cabinet copies go in pieces of this size.
constexpr std::size_t kCopyChunk = 4 * cab::kBlockMax;

// A folder of the cabinet being built; until the cabinet is written its
// dataOffset counts in the data temporary file, which never holds more than
// one cabinet's data (under 4 GiB).
using cab::FolderRecord;
using FileEntry = cab::FileRecord;

} // namespace

class FciContext {
public:
  FciContext(const FciCallbacks &callbacks, CabinetErrorRecord *error,
             const CabinetDescription &cabinet, void *user)
      : callbacks_(callbacks), error_(error), desc_(cabinet),
        user_(user), allocator_{callbacks.alloc, callbacks.free, user},
        queue_(allocator_), spool_(callbacks, user) {}
  FciContext(const FciContext &) = delete;
  FciContext &operator=(const FciContext &) = delete;

  bool Init();
  bool AddFile(const char *sourcePath, const char *storedName,
               bool isExecutable, FciNextCabinetFn nextCabinet,
               FciStatusFn status, FciOpenInfoFn openInfo,
               std::uint16_t compressionType);
  bool FlushFolder(FciNextCabinetFn nextCabinet, FciStatusFn status);
  bool FlushCabinet(bool getNextCabinet, FciNextCabinetFn nextCabinet,
                    FciStatusFn status);
  bool SetThreadCount(unsigned threadCount);
  const EngineAllocator &Allocator() const { return allocator_; }
  bool FailOutOfMemory() { return Fail(kFciErrAllocFail); }

private:
  bool Fail(FciErrorCode code, int runtimeError = 0);
  bool IsDescriptionValid(const CabinetDescription &cabinet) const;
  bool HasReserve() const;
  std::uint64_t HeaderSize(bool withNextReserve) const;
  std::uint64_t EstimateSize() const;
  std::uint64_t MaxSize() const;

  bool OpenFolder(std::uint16_t type);
  bool CloseFolder();
  bool AppendRecord(const std::uint8_t *payload, std::size_t payloadSize,
                    std::size_t uncompressed);
  bool EmitQueued();
  bool EmitBlock(BlockJob &job);
  bool Spill(const std::uint8_t *payload, std::size_t payloadSize,
             bool *isContinued, std::size_t *firstPart);
  bool AskNextCabinet(CabinetDescription *next);
  bool WriteCabinet(const CabinetDescription *next);
  bool ReportFilesPlaced();
  void ResetCabinet();

  bool WriteAt(CabFileHandle file, std::uint64_t offset, const void *data,
               std::size_t size) {
    return WriteFileAt(callbacks_, user_, file, offset, data, size);
  }
  bool CopyTemp(CabFileHandle from, std::uint64_t size, CabFileHandle to,
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

bool FciContext::AskNextCabinet(CabinetDescription *next) {
  *next = desc_;
  ++next->cabinetNumber;
  if (nextCabinet_ == nullptr ||
      !nextCabinet_(
          next,
          static_cast<std::uint32_t>(std::min(EstimateSize(), kCabinetSizeMax)),
          user_)) {
    return Fail(kFciErrUserAbort);
  }
  if (!IsDescriptionValid(*next) ||
      next->headerReserveSize != desc_.headerReserveSize ||
      next->folderReserveSize != desc_.folderReserveSize ||
      next->dataReserveSize != desc_.dataReserveSize) {
    return Fail(kFciErrCabinetFile);
  }
  return true;
}

// Splits the cabinet before the block being emitted: sorts the open folder's
// entries into those that stay, the one whose data crosses the split (listed
// in both cabinets) and those that move on, writes this cabinet and starts
// the next one.
bool FciContext::Spill(const std::uint8_t *payload, std::size_t payloadSize,
                       bool *isContinued, std::size_t *firstPart) {
  CabinetDescription next;
  if (!AskNextCabinet(&next)) {
    return false;
  }
  CabFileHandle files = spool_.Entries();
  CabFileHandle nextFiles = spool_.NextEntries();
  std::uint64_t committed = folderCommitted_;
  bool folderHasBlocks = folderOpen_ && folders_.back().blockCount > 0;

  // First pass: does a file cross the split?
  bool crossing = false;
  FileEntry entry;
  if (folderOpen_ && folderHasBlocks) {
    for (std::uint64_t at = folderFilesStart_; at < filesBytes_;
         at += entry.recordSize) {
      if (!spool_.ReadEntry(files, at, filesBytes_, &entry)) {
        return Fail(kFciErrTempFile);
      }
      if (entry.folderOffset < committed &&
          entry.folderOffset + std::uint64_t{entry.size} > committed) {
        crossing = true;
      }
    }
  }
  *isContinued = crossing;
  folderContinued_ = crossing;
  std::uint64_t rebase = crossing ? 0 : committed;

  // Second pass: patch the crossing entry, copy the ones for the next
  // cabinet; entries are in folder-offset order, so the kept ones come first.
  std::uint64_t keptEnd = filesBytes_;
  std::uint32_t keptCount = fileCount_;
  std::uint64_t nextBytes = 0;
  std::uint32_t nextCount = 0;
  if (folderOpen_) {
    keptEnd = folderFilesStart_;
    std::uint32_t folderEntries = 0;
    for (std::uint64_t at = folderFilesStart_; at < filesBytes_;
         at += entry.recordSize) {
      if (!spool_.ReadEntry(files, at, filesBytes_, &entry)) {
        return Fail(kFciErrTempFile);
      }
      ++folderEntries;
      std::uint64_t end = entry.folderOffset + std::uint64_t{entry.size};
      bool stays = folderHasBlocks && end <= committed;
      bool crosses =
          folderHasBlocks && entry.folderOffset < committed && end > committed;
      if (stays || crosses) {
        keptEnd = at + entry.recordSize;
        --folderEntries;
      }
      if (stays) {
        continue;
      }
      if (crosses) {
        std::uint8_t mark[2];
        StoreU16(mark, entry.folder == cab::kFolderContinuedFromPrev
                           ? cab::kFolderContinuedPrevAndNext
                           : cab::kFolderContinuedToNext);
        if (!spool_.WriteAt(files, at + cab::kCfFileIFolder, mark,
                            sizeof mark)) {
          return Fail(kFciErrTempFile);
        }
        entry.folder = cab::kFolderContinuedFromPrev;
      } else {
        entry.folder = 0;
        entry.folderOffset =
            static_cast<std::uint32_t>(entry.folderOffset - rebase);
      }
      if (!spool_.WriteEntry(nextFiles, nextBytes, entry)) {
        return Fail(kFciErrTempFile);
      }
      nextBytes += entry.recordSize;
      ++nextCount;
    }
    keptCount = fileCount_ - folderEntries;
  }

  FolderRecord openFolder{0, 0, folderType_};
  if (folderOpen_ && !folderHasBlocks) {
    folders_.pop_back();
  }
  filesBytes_ = keptEnd;
  fileCount_ = keptCount;
  if (crossing) {
    // Readers join a folder across cabinets through a block split between
    // them (cbUncomp 0 on the first part): fill this cabinet with the block's
    // first bytes.
    std::uint64_t size =
        HeaderSize(false) + next.cabinetName.size() + 1 + next.diskName.size() +
        1 + folders_.size() * (cab::kCfFolderSize + desc_.folderReserveSize) +
        filesBytes_ + dataBytes_ + cab::kCfDataSize + desc_.dataReserveSize;
    std::uint64_t room = MaxSize() > size ? MaxSize() - size : 0;
    *firstPart = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(room, 1, payloadSize));
    if (!AppendRecord(payload, *firstPart, 0)) {
      return false;
    }
  }
  if (!WriteCabinet(&next)) {
    return false;
  }

  hasPrevious_ = true;
  previousName_ = desc_.cabinetName;
  previousDisk_ = desc_.diskName;
  desc_ = next;
  spool_.SwapEntries();
  filesBytes_ = nextBytes;
  fileCount_ = nextCount;
  dataBytes_ = 0;
  folders_.clear();
  if (folderOpen_) {
    folders_.push_back(openFolder);
    folderFilesStart_ = 0;
    if (!crossing) {
      folderUncompressed_ -= committed;
      folderCommitted_ = 0;
      folderCompressed_ = 0;
    }
  }
  return true;
}

bool FciContext::ReportFilesPlaced() {
  if (callbacks_.filePlaced == nullptr) {
    return true;
  }
  CabFileHandle files = spool_.Entries();
  FileEntry entry;
  for (std::uint64_t at = 0; at < filesBytes_; at += entry.recordSize) {
    if (!spool_.ReadEntry(files, at, filesBytes_, &entry)) {
      return Fail(kFciErrTempFile);
    }
    bool isContinuation = entry.folder == cab::kFolderContinuedFromPrev ||
                          entry.folder == cab::kFolderContinuedPrevAndNext;
    if (callbacks_.filePlaced(&desc_, entry.name.c_str(),
                              static_cast<std::int32_t>(entry.size),
                              isContinuation, user_) == -1) {
      return Fail(kFciErrUserAbort);
    }
  }
  return true;
}

bool FciContext::CopyTemp(CabFileHandle from, std::uint64_t size,
                          CabFileHandle to,
                          const std::vector<FolderRecord> *folders) {
  int err = 0;
  std::size_t folder = 0;
  for (std::uint64_t done = 0; done < size;) {
    std::uint64_t folderEnd = size;
    if (folders != nullptr && folder + 1 < folders->size()) {
      folderEnd = (*folders)[folder + 1].dataOffset;
    }
    auto chunk = static_cast<std::size_t>(
        std::min<std::uint64_t>(copy_.Size(), folderEnd - done));
    if (!spool_.ReadAt(from, done, copy_.Data(), chunk) ||
        callbacks_.write(to, copy_.Data(), static_cast<std::uint32_t>(chunk),
                         &err, user_) != static_cast<std::int32_t>(chunk)) {
      return Fail(kFciErrCabinetFile, err);
    }
    done += chunk;
    if (folders != nullptr && status_ != nullptr) {
      std::uint64_t start = (*folders)[folder].dataOffset;
      if (status_(FciStatusKind::kFolder,
                  static_cast<std::uint32_t>(done - start),
                  static_cast<std::uint32_t>(folderEnd - start), user_) == -1) {
        return Fail(kFciErrUserAbort);
      }
    }
    if (done == folderEnd) {
      ++folder;
    }
  }
  return true;
}

bool FciContext::WriteCabinet(const CabinetDescription *next) {
  if (!ReportFilesPlaced()) {
    return false;
  }
  cab::HeaderRecord record;
  std::uint64_t headerSize = HeaderSize(false);
  if (HasReserve()) {
    record.flags |= cab::kFlagReservePresent;
    record.headerReserve = static_cast<std::uint16_t>(desc_.headerReserveSize);
    record.folderReserve = static_cast<std::uint8_t>(desc_.folderReserveSize);
    record.dataReserve = static_cast<std::uint8_t>(desc_.dataReserveSize);
  }
  if (hasPrevious_) {
    record.flags |= cab::kFlagPrevCabinet;
    record.previousName = previousName_;
    record.previousDisk = previousDisk_;
  }
  if (next != nullptr) {
    record.flags |= cab::kFlagNextCabinet;
    record.nextName = next->cabinetName;
    record.nextDisk = next->diskName;
    headerSize += next->cabinetName.size() + 1 + next->diskName.size() + 1;
  }
  std::size_t folderEntrySize = cab::kCfFolderSize + desc_.folderReserveSize;
  std::uint64_t filesOffset = headerSize + folders_.size() * folderEntrySize;
  std::uint64_t dataOffset = filesOffset + filesBytes_;
  std::uint64_t total = dataOffset + dataBytes_;
  if (total > kCabinetSizeMax) {
    return Fail(kFciErrCabinetFile);
  }
  record.size = static_cast<std::uint32_t>(total);
  record.filesOffset = static_cast<std::uint32_t>(filesOffset);
  record.folderCount = static_cast<std::uint16_t>(folders_.size());
  record.fileCount = static_cast<std::uint16_t>(fileCount_);
  record.setId = desc_.setId;
  record.index =
      static_cast<std::uint16_t>(std::max(desc_.cabinetNumber - 1, 0));
  std::vector<std::uint8_t> header;
  cab::AppendHeader(record, &header);
  assert(header.size() == headerSize && "HeaderSize counts what is written");
  for (const FolderRecord &folder : folders_) {
    std::size_t at = header.size();
    header.resize(at + folderEntrySize);
    cab::WriteFolderRecord(
        FolderRecord{static_cast<std::uint32_t>(dataOffset + folder.dataOffset),
                     folder.blockCount, folder.type},
        header.data() + at);
  }

  std::string path = desc_.cabinetFolder + desc_.cabinetName;
  int err = 0;
  CabFileHandle cabinet =
      callbacks_.open(path.c_str(),
                      open_flag::kReadWrite | open_flag::kCreate |
                          open_flag::kTruncate | open_flag::kBinary,
                      kOpenPermissionReadWrite, &err, user_);
  if (cabinet == kInvalidCabFile) {
    return Fail(kFciErrCabinetFile, err);
  }
  // "MSCF" goes in last, so a cabinet cut short is never taken for whole.
  bool ok = WriteAt(cabinet, 0, header.data(), header.size()) &&
            CopyTemp(spool_.Entries(), filesBytes_, cabinet, nullptr) &&
            CopyTemp(spool_.Data(), dataBytes_, cabinet, &folders_) &&
            WriteAt(cabinet, 0, cab::kSignature, sizeof cab::kSignature);
  bool closed = callbacks_.close(cabinet, &err, user_) == 0;
  if (!ok || !closed) {
    callbacks_.remove(path.c_str(), &err, user_);
    if (error_ != nullptr && error_->errorFlag != 0) {
      return false; // the failing step has said why
    }
    return Fail(kFciErrCabinetFile, err);
  }
  if (status_ != nullptr) {
    auto actual = static_cast<std::uint32_t>(total);
    std::uint32_t estimated = next != nullptr ? estimatedSize_ : actual;
    if (status_(FciStatusKind::kCabinet, estimated, actual, user_) == -1) {
      return Fail(kFciErrUserAbort);
    }
  }
  return true;
}

void FciContext::ResetCabinet() {
  folders_.clear();
  filesBytes_ = 0;
  fileCount_ = 0;
  dataBytes_ = 0;
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
