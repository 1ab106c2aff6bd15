#include "archive/cabinet_read_engine.h"

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"
#include "archive/cab_records.h"
#include "archive/cabinet_read_context.h"
#include "archive/engine_files.h"
#include "archive/engine_memory.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// Format notes (reader):
// - Nothing read from a cabinet is trusted before it is checked against
//   cbCabinet, which must itself fit in the file: header strings are bounded
//   to 255 characters, tables and blocks must lie inside the cabinet, block
//   sizes are capped at 32768 uncompressed / 38912 compressed bytes, and an
//   inflated block must come out at exactly its declared size.
// - A data block checksum of 0 means "none". The checksum is accepted with
//   or without the block's reserve area, as writers differ there.
// - uoffFolderStart counts from the start of a folder, also in a folder
//   continued from an earlier cabinet. Processing that starts in a cabinet
//   whose first folder is continued (it lists files continued from the
//   previous cabinet) cannot decode that folder, so all of its files are
//   announced as partial files.
// - When a file's data runs on into the next cabinet, the next cabinet is
//   asked for (kNextCabinet), its header must carry the same set identifier,
//   the next index and the same reserve sizes, and its first folder goes on
//   where the previous cabinet stopped. Processing then continues with that
//   cabinet's file list; its entries for files continued from the previous
//   cabinet that were already handled there are skipped.
// - A block with cbUncomp 0 at the end of a cabinet that continues is the
//   first part of a block split between cabinets; the parts are joined.
// - Quantum and LZX folders answer kFdiErrBadCompressionType when a file in
//   them is to be extracted.
// - The file table is read at coffFiles, as the format's own engine does,
//   also when it does not start where the folder table ends; readers that
//   take it to follow the folder table (libmspack's) read other files from
//   the same bytes, so that is reported as a warning.
// - Before any file is announced, the whole file table is read: a range
//   (uoffFolderStart + cbFile) past its folder's uncompressed data, or
//   ranges in one folder that overlap without being identical, refuse the
//   cabinet. Identical ranges are how some writers store duplicate content.
//   Folders continued from or into another cabinet are not measured.
// - Failures leave words for people (FdiFailureDetail) beside the code the
//   host sees: the file, or the folder and block, and the reason.

namespace vorafile::archive {

namespace {

std::string Quoted(const std::string &name) {
  return "\"" + name + "\"";
}

// Why a file record at the end of `bytes` does not read.
std::string FileRecordProblem(const std::uint8_t *bytes, std::size_t size,
                              std::size_t bufferSize) {
  if (size <= cab::kCfFileSize) {
    return "record runs past the cabinet's end";
  }
  const std::uint8_t *name = bytes + cab::kCfFileSize;
  const auto *nul = static_cast<const std::uint8_t *>(
      std::memchr(name, 0, size - cab::kCfFileSize));
  if (nul == name) {
    return "empty name";
  }
  if (nul == nullptr && size < bufferSize) {
    return "name not terminated before the cabinet's end";
  }
  return "name longer than " + std::to_string(cab::kNameMax) + " bytes";
}

} // namespace

bool FdiContext::Init() {
  if (!input_.Allocate(allocator_, cab::kCompressedBlockMax) ||
      !output_.Allocate(allocator_, cab::kBlockMax) ||
      !window_.Allocate(allocator_, cab::kBlockMax) || !decoder_.Init()) {
    return Fail(kFdiErrAllocFail);
  }
  return true;
}

bool FdiContext::Fail(FdiErrorCode code, int runtimeError) {
  return RecordFailure(error_, code, runtimeError);
}

bool FdiContext::Fail(FdiErrorCode code, std::string detail, int runtimeError) {
  detail_ = std::move(detail);
  return RecordFailure(error_, code, runtimeError);
}

void FdiContext::StartOperation() {
  if (error_ != nullptr) {
    *error_ = CabinetErrorRecord{};
  }
  detail_.clear();
  warnings_.clear();
}

void FdiContext::Warn(std::string text) {
  if (std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end()) {
    warnings_.push_back(std::move(text));
  }
}

std::string FdiContext::BlockPlace(std::uint32_t block) const {
  return "folder " + std::to_string(folderIndex_) + " block " +
         std::to_string(block);
}

bool FdiContext::ReadAt(CabFileHandle file, std::uint64_t offset, void *data,
                        std::size_t size) {
  return ReadFileAt(callbacks_, callbacks_.user, file, offset, data, size);
}

bool FdiContext::ReadHeader(CabFileHandle file, std::uint64_t base,
                            std::uint64_t available, CabinetHeader *header) {
  std::string reason;
  FdiErrorCode code = ReadCabinetHeader(callbacks_, callbacks_.user, file, base,
                                        available, header, &reason);
  if (code != kFdiErrNone) {
    return Fail(code, std::move(reason));
  }
  if (header->IsFileTableDetached()) {
    Warn("file table at offset " + std::to_string(header->filesOffset) +
         ", not " + std::to_string(header->folderTableEnd) +
         " where the folder table ends; other tools may read other files");
  }
  return true;
}

bool FdiContext::ReadFileRecord(std::uint64_t offset, std::uint32_t index,
                                FileRecord *record) {
  std::uint8_t bytes[cab::kFileRecordMax];
  std::string place = "file " + std::to_string(index) + " at offset " +
                      std::to_string(offset) + ": ";
  if (offset >= header_.size) {
    return Fail(kFdiErrCorruptCabinet,
                place + "record runs past the cabinet's end");
  }
  auto size = static_cast<std::size_t>(
      std::min<std::uint64_t>(sizeof bytes, header_.size - offset));
  if (!ReadAt(cabinet_, header_.base + offset, bytes, size)) {
    return Fail(kFdiErrCorruptCabinet, place + "record does not read");
  }
  ByteCursor cursor(bytes, size);
  if (!cab::ReadFileRecord(cursor, record)) {
    return Fail(kFdiErrCorruptCabinet,
                place + FileRecordProblem(bytes, size, sizeof bytes));
  }
  place = "file " + Quoted(record->name) + ": ";
  if (std::uint64_t{record->folderOffset} + record->size > 0xFFFFFFFF) {
    return Fail(kFdiErrCorruptCabinet, place + "range ends past 4 GiB");
  }
  if (record->folder < cab::kFolderContinuedFromPrev
          ? record->folder >= header_.folderCount
          : header_.folderCount == 0) {
    return Fail(kFdiErrCorruptCabinet, place + "folder " +
                                           std::to_string(record->folder) +
                                           " of a cabinet with " +
                                           std::to_string(header_.folderCount));
  }
  if ((record->IsFromPrevious() && !header_.HasPrevious()) ||
      (record->IsToNext() && !header_.HasNext())) {
    return Fail(kFdiErrCorruptCabinet,
                place + "continued from or into a cabinet the header does "
                        "not name");
  }
  return true;
}

bool FdiContext::ReadFolderRecord(std::uint16_t index, FolderRecord *record) {
  std::uint8_t bytes[cab::kCfFolderSize];
  std::uint64_t at =
      header_.folderTableOffset +
      std::uint64_t{index} * (cab::kCfFolderSize + header_.folderReserve);
  std::string place = "folder " + std::to_string(index) + ": ";
  ByteCursor cursor(bytes, sizeof bytes);
  if (index >= header_.folderCount ||
      !ReadAt(cabinet_, header_.base + at, bytes, sizeof bytes) ||
      !cab::ReadFolderRecord(cursor, record)) {
    return Fail(kFdiErrCorruptCabinet, place + "record does not read");
  }
  std::uint64_t minimumEnd = std::uint64_t{record->dataOffset} +
                             std::uint64_t{record->blockCount} *
                                 (cab::kCfDataSize + header_.dataReserve);
  if (record->dataOffset < cab::kCfHeaderSize || minimumEnd > header_.size) {
    return Fail(kFdiErrCorruptCabinet,
                place + "data blocks lie outside the cabinet");
  }
  return true;
}

void FdiContext::CloseCabinet() {
  if (cabinet_ != kInvalidCabFile) {
    int err = 0;
    callbacks_.close(cabinet_, &err, callbacks_.user);
    cabinet_ = kInvalidCabFile;
  }
  folderActive_ = false;
}

CabFileHandle FdiContext::Notify(FdiNotificationKind kind,
                                 FdiNotification *note) {
  note->user = user_;
  note->setId = header_.setId;
  note->cabinetIndex = header_.index;
  return notify_(kind, note);
}

bool FdiContext::NotifyCabinetInfo() {
  FdiNotification note;
  note.text1 = header_.nextName.c_str();
  note.text2 = header_.nextDisk.c_str();
  std::size_t length =
      std::min<std::size_t>(cabinetPath_.size(), kCabinetPathBufferSize - 1);
  std::memcpy(pathBuffer_, cabinetPath_.data(), length);
  pathBuffer_[length] = '\0';
  note.text3 = pathBuffer_;
  if (Notify(FdiNotificationKind::kCabinetInfo, &note) == -1) {
    return Fail(kFdiErrUserAbort);
  }
  return true;
}

bool FdiContext::IsCabinet(CabFileHandle file, FdiCabinetInfo *info) {
  StartOperation();
  int err = 0;
  void *user = callbacks_.user;
  std::int64_t start = callbacks_.seek(file, 0, kSeekCur, &err, user);
  std::int64_t end = callbacks_.seek(file, 0, kSeekEnd, &err, user);
  if (start < 0 || end < start ||
      callbacks_.seek(file, start, kSeekSet, &err, user) != start) {
    return Fail(kFdiErrNotACabinet, "cannot seek", err);
  }
  CabinetHeader header;
  if (!ReadHeader(file, static_cast<std::uint64_t>(start),
                  static_cast<std::uint64_t>(end - start), &header)) {
    return false;
  }
  if (info != nullptr) {
    info->cabinetSize = header.size;
    info->folderCount = header.folderCount;
    info->fileCount = header.fileCount;
    info->setId = header.setId;
    info->cabinetIndex = header.index;
    info->hasReserve = (header.flags & cab::kFlagReservePresent) != 0;
    info->hasPrevious = header.HasPrevious();
    info->hasNext = header.HasNext();
  }
  return true;
}

std::uint16_t FdiContext::FolderOf(const FileRecord &record) const {
  if (record.IsFromPrevious()) {
    return 0;
  }
  if (record.folder == cab::kFolderContinuedToNext) {
    return static_cast<std::uint16_t>(header_.folderCount - 1);
  }
  return record.folder;
}

bool FdiContext::ExtractFile(const FileRecord &record, CabFileHandle target) {
  if (!SeekFolder(FolderOf(record), record.folderOffset)) {
    return false;
  }
  std::uint32_t remaining = record.size;
  while (remaining > 0) {
    if (outputPos_ == outputSize_ && !ReadBlock()) {
      return false;
    }
    auto chunk = static_cast<std::uint32_t>(
        std::min<std::size_t>(remaining, outputSize_ - outputPos_));
    int err = 0;
    if (chunk > 0 &&
        callbacks_.write(target, output_.Data() + outputPos_, chunk, &err,
                         callbacks_.user) != static_cast<std::int32_t>(chunk)) {
      return Fail(kFdiErrTargetFile,
                  "file " + Quoted(record.name) + ": writing it failed", err);
    }
    outputPos_ += chunk;
    remaining -= chunk;
  }
  return true;
}

bool FdiContext::MeasureFolder(std::uint16_t index, std::uint64_t *size) {
  FolderRecord folder;
  if (!ReadFolderRecord(index, &folder)) {
    return false;
  }
  *size = 0;
  std::uint64_t at = folder.dataOffset;
  std::size_t fixedSize = cab::kCfDataSize + header_.dataReserve;
  for (std::uint32_t block = 0; block < folder.blockCount; ++block) {
    std::uint8_t fixed[cab::kCfDataSize];
    ByteCursor cursor(fixed, sizeof fixed);
    cab::DataRecord record;
    if (at + fixedSize > header_.size ||
        !ReadAt(cabinet_, header_.base + at, fixed, sizeof fixed) ||
        !cab::ReadDataRecord(cursor, &record)) {
      return Fail(kFdiErrCorruptCabinet,
                  "folder " + std::to_string(index) + " block " +
                      std::to_string(block) +
                      ": header runs past the cabinet's end");
    }
    *size += record.uncompressed;
    at += fixedSize + record.compressed;
  }
  return true;
}

bool FdiContext::CheckFileTable(bool *firstFolderContinued) {
  *firstFolderContinued = false;
  struct Range {
    std::uint16_t folder;
    std::uint16_t file;
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t recordAt;
    std::uint64_t End() const { return std::uint64_t{offset} + size; }
  };
  std::vector<Range> ranges;
  ranges.reserve(header_.fileCount);
  std::uint64_t at = header_.filesOffset;
  for (std::uint32_t i = 0; i < header_.fileCount; ++i) {
    FileRecord record;
    if (!ReadFileRecord(at, i, &record)) {
      return false;
    }
    // A cabinet whose first folder began in the previous cabinet lists
    // files continued from there.
    *firstFolderContinued = *firstFolderContinued || record.IsFromPrevious();
    ranges.push_back(Range{FolderOf(record), static_cast<std::uint16_t>(i),
                           record.folderOffset, record.size,
                           static_cast<std::uint32_t>(at)});
    at += record.recordSize;
  }
  std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) {
    return std::tie(a.folder, a.offset, a.size) <
           std::tie(b.folder, b.offset, b.size);
  });
  auto nameOf = [this](const Range &range) {
    FileRecord record;
    return ReadFileRecord(range.recordAt, range.file, &record)
               ? Quoted(record.name)
               : std::string("?");
  };
  auto bytesOf = [](const Range &range) {
    return "bytes " + std::to_string(range.offset) + ".." +
           std::to_string(range.End());
  };
  const Range *furthest = nullptr; // reaches furthest in its folder so far
  std::uint64_t folderSize = 0;
  for (const Range &range : ranges) {
    if (furthest == nullptr || furthest->folder != range.folder) {
      furthest = nullptr;
      bool isWhole =
          !(range.folder == 0 && *firstFolderContinued) &&
          !(range.folder + 1 == header_.folderCount && header_.HasNext());
      folderSize = UINT64_MAX;
      if (isWhole && !MeasureFolder(range.folder, &folderSize)) {
        return false;
      }
    }
    if (range.End() > folderSize) {
      return Fail(kFdiErrCorruptCabinet,
                  "file " + nameOf(range) + ": " + bytesOf(range) +
                      " lie beyond the " + std::to_string(folderSize) +
                      " bytes of folder " + std::to_string(range.folder));
    }
    if (range.size == 0) {
      continue;
    }
    if (furthest != nullptr && range.offset < furthest->End() &&
        (range.offset != furthest->offset || range.size != furthest->size)) {
      std::string first = nameOf(*furthest);
      return Fail(kFdiErrCorruptCabinet,
                  "file " + nameOf(range) + ": " + bytesOf(range) +
                      " overlap file " + first + " (" + bytesOf(*furthest) +
                      ") in folder " + std::to_string(range.folder));
    }
    if (furthest == nullptr || range.End() > furthest->End()) {
      furthest = &range;
    }
  }
  return true;
}

bool FdiContext::ProcessFiles() {
  bool firstFolderContinued = false;
  if (!CheckFileTable(&firstFolderContinued)) {
    return false;
  }
  bool enteredBySwitch = false;
  std::uint32_t skipContinued = 0;
  toNextHandled_ = 0;
  std::uint64_t at = header_.filesOffset;
  std::uint32_t index = 0;
  while (index < header_.fileCount) {
    FileRecord record;
    if (!ReadFileRecord(at, index, &record)) {
      return false;
    }
    at += record.recordSize;
    ++index;
    if (record.IsFromPrevious() && skipContinued > 0) {
      --skipContinued;
      continue;
    }
    if (!enteredBySwitch && (record.IsFromPrevious() ||
                             (firstFolderContinued && FolderOf(record) == 0))) {
      FdiNotification note;
      note.text1 = record.name.c_str();
      note.text2 = header_.previousName.c_str();
      note.text3 = pathBuffer_;
      std::size_t length = std::min<std::size_t>(header_.previousDisk.size(),
                                                 kCabinetPathBufferSize - 1);
      std::memcpy(pathBuffer_, header_.previousDisk.data(), length);
      pathBuffer_[length] = '\0';
      if (Notify(FdiNotificationKind::kPartialFile, &note) == -1) {
        return Fail(kFdiErrUserAbort);
      }
      continue;
    }
    if (record.IsToNext()) {
      ++toNextHandled_;
    }
    FdiNotification note;
    note.text1 = record.name.c_str();
    note.size = static_cast<std::int32_t>(record.size);
    note.date = record.date;
    note.time = record.time;
    note.attributes = record.attributes;
    note.folderIndex = record.folder;
    CabFileHandle target = Notify(FdiNotificationKind::kCopyFile, &note);
    if (target == -1) {
      return Fail(kFdiErrUserAbort);
    }
    if (target == 0) {
      continue;
    }
    std::uint32_t generation = generation_;
    if (!ExtractFile(record, target)) {
      int err = 0;
      callbacks_.close(target, &err, callbacks_.user);
      return false;
    }
    FdiNotification closing;
    closing.text1 = record.name.c_str();
    closing.file = target;
    closing.date = record.date;
    closing.time = record.time;
    closing.attributes = record.attributes;
    closing.size = (record.attributes & cab::kAttribExecute) != 0 ? 1 : 0;
    closing.folderIndex = record.folder;
    if (Notify(FdiNotificationKind::kCloseFileInfo, &closing) <= 0) {
      return Fail(kFdiErrUserAbort);
    }
    if (generation != generation_) {
      // The file ran on into the next cabinet: go on with its file list.
      enteredBySwitch = true;
      skipContinued = toNextHandled_;
      toNextHandled_ = 0;
      at = header_.filesOffset;
      index = 0;
    }
  }
  return true;
}

bool FdiContext::Copy(const char *cabinetName, const char *cabinetPath,
                      FdiNotifyFn notify, void *user) {
  StartOperation();
  if (cabinetName == nullptr || notify == nullptr) {
    return Fail(kFdiErrCabinetNotFound);
  }
  notify_ = notify;
  user_ = user;
  cabinetPath_ = cabinetPath != nullptr ? cabinetPath : "";
  std::string path = cabinetPath_ + cabinetName;
  int err = 0;
  cabinet_ =
      callbacks_.open(path.c_str(), open_flag::kReadOnly | open_flag::kBinary,
                      0, &err, callbacks_.user);
  if (cabinet_ == kInvalidCabFile) {
    return Fail(kFdiErrCabinetNotFound, "cannot open it", err);
  }
  std::int64_t size =
      callbacks_.seek(cabinet_, 0, kSeekEnd, &err, callbacks_.user);
  bool ok = size >= 0 &&
            ReadHeader(cabinet_, 0, static_cast<std::uint64_t>(size), &header_);
  if (size < 0) {
    Fail(kFdiErrCabinetNotFound, err);
  }
  ++generation_;
  ok = ok && NotifyCabinetInfo() && ProcessFiles();
  CloseCabinet();
  return ok;
}

FdiContext *FdiCreate(const FdiCallbacks &callbacks, int /*cpuType*/,
                      CabinetErrorRecord *error) {
  if (!callbacks.IsComplete()) {
    RecordFailure(error, kFdiErrAllocFail);
    return nullptr;
  }
  return CreateEngineContext<FdiContext>(
      EngineAllocator{callbacks.alloc, callbacks.free, callbacks.user}, error,
      kFdiErrAllocFail, callbacks, error);
}

bool FdiIsCabinet(FdiContext *context, CabFileHandle file,
                  FdiCabinetInfo *info) {
  return CallEngineContext(
      context, [&](FdiContext &self) { return self.IsCabinet(file, info); });
}

bool FdiCopy(FdiContext *context, const char *cabinetName,
             const char *cabinetPath, int /*flags*/, FdiNotifyFn notify,
             FdiDecryptFn /*decrypt*/, void *user) {
  return CallEngineContext(context, [&](FdiContext &self) {
    return self.Copy(cabinetName, cabinetPath, notify, user);
  });
}

const char *FdiFailureDetail(const FdiContext *context) {
  return context != nullptr ? context->FailureDetail().c_str() : "";
}

std::vector<std::string> FdiWarnings(const FdiContext *context) {
  return context != nullptr ? context->Warnings() : std::vector<std::string>{};
}

bool FdiDestroy(FdiContext *context) {
  return DestroyEngineContext(context);
}

} // namespace vorafile::archive
