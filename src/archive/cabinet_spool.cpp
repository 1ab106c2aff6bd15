#include "archive/cabinet_spool.h"

#include "archive/byte_cursor.h"
#include "archive/engine_files.h"

#include <algorithm>
#include <cstring>

namespace vorafile::archive {

namespace {

constexpr int kTempNameSize = 256;

} // namespace

CabinetSpool::~CabinetSpool() {
  for (TempFile &temp : files_) {
    int err = 0;
    if (temp.handle != kInvalidCabFile) {
      callbacks_.close(temp.handle, &err, user_);
    }
    if (!temp.name.empty()) {
      callbacks_.remove(temp.name.c_str(), &err, user_);
    }
  }
}

bool CabinetSpool::Create(int *err) {
  for (TempFile &temp : files_) {
    *err = 0;
    char name[kTempNameSize] = {};
    if (!callbacks_.tempFile(name, kTempNameSize, user_)) {
      return false;
    }
    temp.name.assign(name, strnlen(name, kTempNameSize - 1));
    temp.handle = callbacks_.open(temp.name.c_str(),
                                  open_flag::kReadWrite | open_flag::kCreate |
                                      open_flag::kTruncate | open_flag::kBinary,
                                  kOpenPermissionReadWrite, err, user_);
    if (temp.handle == kInvalidCabFile) {
      temp.name.clear(); // nothing was made, nothing to delete
      return false;
    }
  }
  return true;
}

bool CabinetSpool::WriteAt(CabFileHandle file, std::uint64_t offset,
                           const void *data, std::size_t size) const {
  return WriteFileAt(callbacks_, user_, file, offset, data, size);
}

bool CabinetSpool::ReadAt(CabFileHandle file, std::uint64_t offset, void *data,
                          std::size_t size) const {
  return ReadFileAt(callbacks_, user_, file, offset, data, size);
}

bool CabinetSpool::WriteEntry(CabFileHandle file, std::uint64_t offset,
                              const cab::FileRecord &entry) const {
  std::uint8_t record[cab::kFileRecordMax];
  std::size_t size = cab::WriteFileRecord(entry, record);
  return WriteAt(file, offset, record, size);
}

bool CabinetSpool::ReadEntry(CabFileHandle file, std::uint64_t offset,
                             std::uint64_t end, cab::FileRecord *entry) const {
  std::uint8_t record[cab::kFileRecordMax];
  std::size_t size = static_cast<std::size_t>(
      std::min<std::uint64_t>(sizeof record, end - offset));
  if (!ReadAt(file, offset, record, size)) {
    return false;
  }
  ByteCursor cursor(record, size);
  return cab::ReadFileRecord(cursor, entry);
}

} // namespace vorafile::archive
