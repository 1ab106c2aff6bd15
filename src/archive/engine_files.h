// Positioned reads and writes through the caller's file callbacks, as both
// engines use them.
#ifndef VORAFILE_ARCHIVE_ENGINE_FILES_H
#define VORAFILE_ARCHIVE_ENGINE_FILES_H

#include "archive/cabinet_engine.h"

#include <cstddef>
#include <cstdint>

namespace vorafile::archive {

/// Reads exactly `size` bytes at `offset`; false on a failed seek or read,
/// a short file, or a callback that claims more bytes than were asked for.
[[nodiscard]] inline bool ReadFileAt(const CabFileCallbacks &callbacks,
                                     void *user, CabFileHandle file,
                                     std::uint64_t offset, void *data,
                                     std::size_t size) {
  int err = 0;
  if (callbacks.seek(file, static_cast<std::int64_t>(offset), kSeekSet, &err,
                     user) != static_cast<std::int64_t>(offset)) {
    return false;
  }
  auto *at = static_cast<std::uint8_t *>(data);
  while (size > 0) {
    std::int32_t got =
        callbacks.read(file, at, static_cast<std::uint32_t>(size), &err, user);
    if (got <= 0 || static_cast<std::size_t>(got) > size) {
      return false;
    }
    at += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

/// Writes all `size` bytes at `offset`.
[[nodiscard]] inline bool WriteFileAt(const CabFileCallbacks &callbacks,
                                      void *user, CabFileHandle file,
                                      std::uint64_t offset, const void *data,
                                      std::size_t size) {
  int err = 0;
  if (callbacks.seek(file, static_cast<std::int64_t>(offset), kSeekSet, &err,
                     user) != static_cast<std::int64_t>(offset)) {
    return false;
  }
  return size == 0 ||
         callbacks.write(file, data, static_cast<std::uint32_t>(size), &err,
                         user) == static_cast<std::int32_t>(size);
}

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_ENGINE_FILES_H
