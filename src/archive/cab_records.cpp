#include "archive/cab_records.h"

#include <cassert>
#include <cstring>

namespace vorafile::archive::cab {

bool ReadHeaderFixed(ByteCursor &cursor, HeaderRecord *header) {
  cursor.Skip(kCfHeaderCbCabinet - kCfHeaderSignature);
  header->size = cursor.ReadU32();
  cursor.Skip(kCfHeaderCoffFiles - kCfHeaderReserved2);
  header->filesOffset = cursor.ReadU32();
  cursor.Skip(kCfHeaderVersionMinor - kCfHeaderReserved3);
  header->versionMinor = cursor.ReadU8();
  header->versionMajor = cursor.ReadU8();
  header->folderCount = cursor.ReadU16();
  header->fileCount = cursor.ReadU16();
  header->flags = cursor.ReadU16();
  header->setId = cursor.ReadU16();
  header->index = cursor.ReadU16();
  return cursor.Ok();
}

bool ReadReserveSizes(ByteCursor &cursor, HeaderRecord *header) {
  header->headerReserve = cursor.ReadU16();
  header->folderReserve = cursor.ReadU8();
  header->dataReserve = cursor.ReadU8();
  return cursor.Ok();
}

bool ReadSetNames(ByteCursor &cursor, HeaderRecord *header) {
  if (header->HasPrevious()) {
    header->previousName = cursor.ReadCString(kNameMax);
    header->previousDisk = cursor.ReadCString(kNameMax, true);
  }
  if (header->HasNext()) {
    header->nextName = cursor.ReadCString(kNameMax);
    header->nextDisk = cursor.ReadCString(kNameMax, true);
  }
  return cursor.Ok();
}

bool ReadFolderRecord(ByteCursor &cursor, FolderRecord *folder) {
  folder->dataOffset = cursor.ReadU32();
  folder->blockCount = cursor.ReadU16();
  folder->type = cursor.ReadU16();
  return cursor.Ok();
}

bool ReadFileRecord(ByteCursor &cursor, FileRecord *file) {
  std::size_t start = cursor.Offset();
  file->size = cursor.ReadU32();
  file->folderOffset = cursor.ReadU32();
  file->folder = cursor.ReadU16();
  file->date = cursor.ReadU16();
  file->time = cursor.ReadU16();
  file->attributes = cursor.ReadU16();
  file->name = cursor.ReadCString(kNameMax);
  file->recordSize = cursor.Offset() - start;
  return cursor.Ok();
}

bool ReadDataRecord(ByteCursor &cursor, DataRecord *data) {
  data->checksum = cursor.ReadU32();
  data->compressed = cursor.ReadU16();
  data->uncompressed = cursor.ReadU16();
  return cursor.Ok();
}

void AppendHeader(const HeaderRecord &header, std::vector<std::uint8_t> *out) {
  std::size_t start = out->size();
  out->resize(start + kCfHeaderSize);
  std::uint8_t *fixed = out->data() + start;
  StoreU32(fixed + kCfHeaderCbCabinet, header.size);
  StoreU32(fixed + kCfHeaderCoffFiles, header.filesOffset);
  fixed[kCfHeaderVersionMinor] = header.versionMinor;
  fixed[kCfHeaderVersionMajor] = header.versionMajor;
  StoreU16(fixed + kCfHeaderCFolders, header.folderCount);
  StoreU16(fixed + kCfHeaderCFiles, header.fileCount);
  StoreU16(fixed + kCfHeaderFlags, header.flags);
  StoreU16(fixed + kCfHeaderSetId, header.setId);
  StoreU16(fixed + kCfHeaderICabinet, header.index);
  if (header.HasReserve()) {
    std::size_t at = out->size();
    out->resize(at + kCfReserveSize + header.headerReserve);
    std::uint8_t *reserve = out->data() + at;
    StoreU16(reserve + kCfReserveCbCfHeader, header.headerReserve);
    reserve[kCfReserveCbCfFolder] = header.folderReserve;
    reserve[kCfReserveCbCfData] = header.dataReserve;
  }
  auto appendName = [out](const std::string &name) {
    out->insert(out->end(), name.begin(), name.end());
    out->push_back(0);
  };
  if (header.HasPrevious()) {
    appendName(header.previousName);
    appendName(header.previousDisk);
  }
  if (header.HasNext()) {
    appendName(header.nextName);
    appendName(header.nextDisk);
  }
}

void WriteFolderRecord(const FolderRecord &folder, std::uint8_t *out) {
  StoreU32(out + kCfFolderCoffCabStart, folder.dataOffset);
  StoreU16(out + kCfFolderCCfData, folder.blockCount);
  StoreU16(out + kCfFolderTypeCompress, folder.type);
}

std::size_t WriteFileRecord(const FileRecord &file, std::uint8_t *out) {
  assert(file.name.size() <= kNameMax && "stored names are bounded on entry");
  StoreU32(out + kCfFileCbFile, file.size);
  StoreU32(out + kCfFileUoffFolderStart, file.folderOffset);
  StoreU16(out + kCfFileIFolder, file.folder);
  StoreU16(out + kCfFileDate, file.date);
  StoreU16(out + kCfFileTime, file.time);
  StoreU16(out + kCfFileAttribs, file.attributes);
  // The name with its terminating NUL.
  std::memcpy(out + kCfFileSize, file.name.c_str(), file.name.size() + 1);
  return kCfFileSize + file.name.size() + 1;
}

void WriteDataRecord(const DataRecord &data, std::uint8_t *out) {
  StoreU32(out + kCfDataCsum, data.checksum);
  StoreU16(out + kCfDataCbData, data.compressed);
  StoreU16(out + kCfDataCbUncomp, data.uncompressed);
}

} // namespace vorafile::archive::cab
