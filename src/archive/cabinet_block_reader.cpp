// The read engine's data blocks: a folder's CFDATA records read, checked
// and decoded one at a time into the output buffer, and a folder that runs
// on into the next cabinet of a set followed there (see the format notes in
// cabinet_read_engine.cpp).
#include "archive/cabinet_read_context.h"

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vorafile::archive {

namespace {

// How often kNextCabinet is asked again after a wrong or missing cabinet.
constexpr int kNextCabinetAttempts = 8;

} // namespace

void FdiContext::AppendWindow(const std::uint8_t *data, std::size_t size) {
  std::uint8_t *window = window_.Data();
  if (size >= cab::kBlockMax) {
    std::memcpy(window, data + size - cab::kBlockMax, cab::kBlockMax);
    windowSize_ = cab::kBlockMax;
    return;
  }
  if (windowSize_ + size > cab::kBlockMax) {
    std::size_t drop = windowSize_ + size - cab::kBlockMax;
    std::memmove(window, window + drop, windowSize_ - drop);
    windowSize_ -= drop;
  }
  if (size > 0) {
    std::memcpy(window + windowSize_, data, size);
  }
  windowSize_ += size;
}

bool FdiContext::StartFolder(std::uint16_t index) {
  FolderRecord folder;
  if (!ReadFolderRecord(index, &folder)) {
    return false;
  }
  std::uint16_t type = folder.type & cab::kCompressMask;
  if (type != cab::kCompressNone && type != cab::kCompressMsZip) {
    return Fail(kFdiErrBadCompressionType,
                "folder " + std::to_string(index) + ": " +
                    (type == cab::kCompressQuantum ? std::string("Quantum")
                     : type == cab::kCompressLzx
                         ? std::string("LZX")
                         : "type " + std::to_string(type)) +
                    " compression is not supported");
  }
  folderActive_ = true;
  folderGeneration_ = generation_;
  folderIndex_ = index;
  folderType_ = type;
  nextBlock_ = folder.dataOffset;
  blocksLeft_ = folder.blockCount;
  blockIndex_ = 0;
  outputStart_ = 0;
  outputSize_ = 0;
  outputPos_ = 0;
  windowSize_ = 0;
  return true;
}

bool FdiContext::SeekFolder(std::uint16_t index, std::uint64_t offset) {
  bool sameFolder = folderActive_ && folderGeneration_ == generation_ &&
                    folderIndex_ == index;
  if (!sameFolder || offset < outputStart_) {
    if (!StartFolder(index)) {
      return false;
    }
  }
  while (offset > outputStart_ + outputSize_) {
    if (!ReadBlock()) {
      return false;
    }
  }
  outputPos_ = static_cast<std::size_t>(offset - outputStart_);
  return true;
}

// Reads the next CFDATA record of the folder into input_ after the
// `*payloadSize` bytes already there.
bool FdiContext::ReadBlockPart(std::size_t *payloadSize,
                               std::uint16_t *uncompressed) {
  if (blocksLeft_ == 0) {
    if (folderIndex_ + 1 != header_.folderCount || !header_.HasNext()) {
      return Fail(kFdiErrCorruptCabinet,
                  "folder " + std::to_string(folderIndex_) +
                      ": data ends before the file does");
    }
    if (!SwitchCabinet()) {
      return false;
    }
  }
  std::uint8_t fixed[cab::kCfDataSize + cab::kDataReserveMax];
  std::size_t fixedSize = cab::kCfDataSize + header_.dataReserve;
  ByteCursor cursor(fixed, fixedSize);
  cab::DataRecord record;
  if (nextBlock_ + fixedSize > header_.size ||
      !ReadAt(cabinet_, header_.base + nextBlock_, fixed, fixedSize) ||
      !cab::ReadDataRecord(cursor, &record)) {
    return Fail(kFdiErrCorruptCabinet,
                BlockPlace(blockIndex_) +
                    ": header runs past the cabinet's end");
  }
  std::uint32_t checksum = record.checksum;
  std::uint16_t compressed = record.compressed;
  *uncompressed = record.uncompressed;
  std::uint64_t end = nextBlock_ + fixedSize + compressed;
  if (*payloadSize + compressed > cab::kCompressedBlockMax ||
      *uncompressed > cab::kBlockMax || end > header_.size) {
    return Fail(kFdiErrCorruptCabinet,
                BlockPlace(blockIndex_) + ": sizes out of bounds (cbData " +
                    std::to_string(compressed) + ", cbUncomp " +
                    std::to_string(*uncompressed) + ")");
  }
  std::uint8_t *payload = input_.Data() + *payloadSize;
  if (!ReadAt(cabinet_, header_.base + nextBlock_ + fixedSize, payload,
              compressed)) {
    return Fail(kFdiErrCorruptCabinet,
                BlockPlace(blockIndex_) + ": data does not read");
  }
  if (checksum != 0) {
    std::uint32_t sum = CabinetChecksum(payload, compressed, 0);
    std::uint32_t withReserve = CabinetChecksum(
        fixed + cab::kCfDataCbData, fixedSize - cab::kCfDataCbData, sum);
    std::uint32_t withoutReserve = CabinetChecksum(
        fixed + cab::kCfDataCbData, cab::kCfDataSize - cab::kCfDataCbData, sum);
    if (checksum != withReserve && checksum != withoutReserve) {
      return Fail(kFdiErrCorruptCabinet,
                  BlockPlace(blockIndex_) + ": checksum mismatch");
    }
  }
  nextBlock_ = end;
  --blocksLeft_;
  ++blockIndex_;
  *payloadSize += compressed;
  return true;
}

bool FdiContext::ReadBlock() {
  const std::uint32_t block = blockIndex_;
  std::size_t payloadSize = 0;
  std::uint16_t uncompressed = 0;
  if (!ReadBlockPart(&payloadSize, &uncompressed)) {
    return false;
  }
  // cbUncomp 0 on the last block of a continuing cabinet: the block goes
  // on at the start of the next cabinet's first folder.
  while (uncompressed == 0 && blocksLeft_ == 0 &&
         folderIndex_ + 1 == header_.folderCount && header_.HasNext()) {
    if (!ReadBlockPart(&payloadSize, &uncompressed)) {
      return false;
    }
  }
  std::uint8_t *output = output_.Data();
  if (folderType_ == cab::kCompressNone) {
    if (payloadSize != uncompressed) {
      return Fail(kFdiErrCorruptCabinet,
                  BlockPlace(block) + ": stored block of " +
                      std::to_string(payloadSize) + " bytes declares " +
                      std::to_string(uncompressed));
    }
    std::memcpy(output, input_.Data(), payloadSize);
  } else if (!decoder_.Decode(window_.Data(), windowSize_, input_.Data(),
                              payloadSize, output, uncompressed)) {
    return Fail(kFdiErrDecompressFail,
                BlockPlace(block) + ": MSZIP data does not decode to " +
                    std::to_string(uncompressed) + " bytes");
  }
  AppendWindow(output, uncompressed);
  outputStart_ += outputSize_;
  outputSize_ = uncompressed;
  outputPos_ = 0;
  return true;
}

bool FdiContext::SwitchCabinet() {
  std::string nextName = header_.nextName;
  std::string nextDisk = header_.nextDisk;
  std::uint16_t expectedIndex = static_cast<std::uint16_t>(header_.index + 1);
  std::int32_t lastError = kFdiErrNone;
  for (int attempt = 0; attempt < kNextCabinetAttempts; ++attempt) {
    std::size_t length =
        std::min<std::size_t>(cabinetPath_.size(), kCabinetPathBufferSize - 1);
    std::memcpy(pathBuffer_, cabinetPath_.data(), length);
    pathBuffer_[length] = '\0';
    FdiNotification note;
    note.text1 = nextName.c_str();
    note.text2 = nextDisk.c_str();
    note.text3 = pathBuffer_;
    note.errorCode = lastError;
    if (Notify(FdiNotificationKind::kNextCabinet, &note) == -1) {
      return Fail(kFdiErrUserAbort);
    }
    std::string folder(pathBuffer_,
                       strnlen(pathBuffer_, kCabinetPathBufferSize - 1));
    std::string path = folder + nextName;
    int err = 0;
    CabFileHandle file =
        callbacks_.open(path.c_str(), open_flag::kReadOnly | open_flag::kBinary,
                        0, &err, callbacks_.user);
    if (file == kInvalidCabFile) {
      lastError = kFdiErrCabinetNotFound;
      detail_ = "next cabinet \"" + nextName + "\" not found";
      continue;
    }
    CabinetHeader header;
    std::int64_t fileSize =
        callbacks_.seek(file, 0, kSeekEnd, &err, callbacks_.user);
    bool headerOk =
        fileSize >= 0 &&
        ReadHeader(file, 0, static_cast<std::uint64_t>(fileSize), &header);
    if (headerOk &&
        (header.setId != header_.setId || header.index != expectedIndex ||
         !header.HasPrevious() || header.folderCount == 0)) {
      Fail(kFdiErrWrongCabinet,
           "next cabinet \"" + nextName + "\": not the next of this set");
      headerOk = false;
    } else if (headerOk && (header.headerReserve != header_.headerReserve ||
                            header.folderReserve != header_.folderReserve ||
                            header.dataReserve != header_.dataReserve)) {
      Fail(kFdiErrReserveMismatch,
           "next cabinet \"" + nextName + "\": reserve sizes differ");
      headerOk = false;
    }
    if (!headerOk) {
      lastError = error_ != nullptr && error_->operationCode != 0
                      ? error_->operationCode
                      : kFdiErrNotACabinet;
      callbacks_.close(file, &err, callbacks_.user);
      continue;
    }
    if (error_ != nullptr) {
      *error_ = CabinetErrorRecord{};
    }
    detail_.clear();
    callbacks_.close(cabinet_, &err, callbacks_.user);
    cabinet_ = file;
    header_ = header;
    cabinetPath_ = folder;
    ++generation_;
    if (!NotifyCabinetInfo()) {
      return false;
    }
    FolderRecord first;
    if (!ReadFolderRecord(0, &first)) {
      return false;
    }
    folderIndex_ = 0;
    if ((first.type & cab::kCompressMask) != folderType_) {
      return Fail(kFdiErrCorruptCabinet,
                  "folder 0: compression differs from the previous cabinet's");
    }
    folderGeneration_ = generation_;
    nextBlock_ = first.dataOffset;
    blocksLeft_ = first.blockCount;
    blockIndex_ = 0;
    return true;
  }
  return Fail(static_cast<FdiErrorCode>(lastError), detail_);
}

} // namespace vorafile::archive
