// Writing a cabinet out of the write engine's spool, and splitting a set:
// when the next block would make the cabinet too large, the open folder's
// file entries are sorted into those that stay, the one whose data crosses
// the split and those that move on, the cabinet is written and the next
// one started.
#include "archive/cabinet_write_context.h"

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <vector>

namespace vorafile::archive {

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

} // namespace vorafile::archive
