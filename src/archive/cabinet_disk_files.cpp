#include "archive/cabinet_disk_files.h"

#include "platform/ascii.h"
#include "platform/fault_injection.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

namespace vorafile::archive {

namespace {

std::FILE *AsFile(CabFileHandle file) {
  // The engine's handles are integers, as in the callback interface it
  // mirrors; ours carry a FILE pointer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  return reinterpret_cast<std::FILE *>(file);
}

// The runtime's fopen mode for open_flag bits; nullptr for combinations that
// the engine never asks for.
const char *ModeOf(int flags) {
  const bool create = (flags & open_flag::kCreate) != 0;
  const bool truncate = (flags & open_flag::kTruncate) != 0;
  switch (flags & open_flag::kAccessMask) {
  case open_flag::kReadOnly:
    return "rb";
  case open_flag::kWriteOnly:
    return create || truncate ? "wb" : "r+b";
  case open_flag::kReadWrite:
    return create || truncate ? "w+b" : "r+b";
  default:
    return nullptr;
  }
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Stored names compare as Windows compares paths: case and separator blind.
char FoldCase(char c) {
  return c == '/' ? '\\' : ascii::ToLower(c);
}

} // namespace

void *DiskAlloc(std::size_t size, void *) {
  return std::malloc(size);
}

void DiskFree(void *memory, void *) {
  std::free(memory);
}

CabFileHandle DiskOpen(const char *path, int flags, int, int *err, void *) {
  const char *mode = ModeOf(flags);
  if (path == nullptr || mode == nullptr) {
    *err = EINVAL;
    return kInvalidCabFile;
  }
  const bool isReading =
      (flags & open_flag::kAccessMask) == open_flag::kReadOnly;
  if (platform::IsFileFaultInjected(
          isReading ? platform::FileOperationKind::Read
                    : platform::FileOperationKind::Create)) {
    *err = EIO;
    return kInvalidCabFile;
  }
  // "x" is not known to every runtime; the check and the open are not
  // atomic, which only the temporary names (random) would need.
  try {
    if ((flags & open_flag::kExclusive) != 0 &&
        (flags & open_flag::kCreate) != 0 && platform::PathExists(path)) {
      *err = EEXIST;
      return kInvalidCabFile;
    }
  } catch (const std::bad_alloc &) {
    // No exception may unwind through the engine.
    *err = ENOMEM;
    return kInvalidCabFile;
  }
  errno = 0;
  std::FILE *file = std::fopen(path, mode);
  if (file == nullptr) {
    *err = errno;
    return kInvalidCabFile;
  }
  return reinterpret_cast<CabFileHandle>(file);
}

std::int32_t DiskRead(CabFileHandle file, void *buffer, std::uint32_t count,
                      int *err, void *) {
  if (count > static_cast<std::uint32_t>(INT32_MAX)) {
    *err = EINVAL;
    return -1;
  }
  if (platform::IsFileFaultInjected(platform::FileOperationKind::Read)) {
    *err = EIO;
    return -1;
  }
  std::size_t got = std::fread(buffer, 1, count, AsFile(file));
  if (got < count && std::ferror(AsFile(file)) != 0) {
    *err = EIO;
    return -1;
  }
  return static_cast<std::int32_t>(got);
}

std::int32_t DiskWrite(CabFileHandle file, const void *buffer,
                       std::uint32_t count, int *err, void *) {
  if (count > static_cast<std::uint32_t>(INT32_MAX)) {
    *err = EINVAL;
    return -1;
  }
  if (platform::IsFileFaultInjected(platform::FileOperationKind::Write)) {
    *err = ENOSPC;
    return -1;
  }
  std::size_t put = std::fwrite(buffer, 1, count, AsFile(file));
  if (put < count) {
    *err = EIO;
    return -1;
  }
  return static_cast<std::int32_t>(put);
}

int DiskClose(CabFileHandle file, int *err, void *) {
  if (std::fclose(AsFile(file)) != 0) {
    *err = EIO;
    return -1;
  }
  return 0;
}

std::int64_t DiskSeek(CabFileHandle file, std::int64_t distance, int origin,
                      int *err, void *) {
  // fseek takes a long, which has 32 bits on Windows: cabinets of the
  // package operations stay far below 2 GiB.
  if (distance < LONG_MIN || distance > LONG_MAX) {
    *err = EOVERFLOW;
    return -1;
  }
  int whence = origin == kSeekCur   ? SEEK_CUR
               : origin == kSeekEnd ? SEEK_END
                                    : SEEK_SET;
  if (std::fseek(AsFile(file), static_cast<long>(distance), whence) != 0) {
    *err = EINVAL;
    return -1;
  }
  long position = std::ftell(AsFile(file));
  if (position < 0) {
    *err = EIO;
    return -1;
  }
  return position;
}

int DiskDelete(const char *path, int *err, void *) {
  if (path == nullptr) {
    *err = ENOENT;
    return -1;
  }
  bool removed = false;
  try {
    removed = platform::RemoveFile(path);
  } catch (const std::bad_alloc &) {
    // Called from destructors that may not throw; a spool file must still
    // go, and the runtime's removal needs no memory.
    removed =
        !platform::IsFileFaultInjected(platform::FileOperationKind::Delete) &&
        std::remove(path) == 0;
  }
  if (!removed) {
    *err = ENOENT;
    return -1;
  }
  return 0;
}

bool DiskTempFile(char *buffer, int bufferSize, void *) {
  static std::atomic<std::uint32_t> counter{0};
  static const std::uint32_t seed = [] {
    std::random_device device;
    return static_cast<std::uint32_t>(device());
  }();
  std::uint32_t number = seed ^ (counter.fetch_add(1) * 2654435761U);
  std::string name =
      platform::TempFolder() + "xx" + std::to_string(number) + ".tmp";
  if (buffer == nullptr || bufferSize <= 0 ||
      name.size() >= static_cast<std::size_t>(bufferSize)) {
    return false;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

std::string StoredNameOf(std::string_view path, std::string_view baseFolder) {
  std::string_view rest = path;
  if (!baseFolder.empty()) {
    std::size_t at = path.find(baseFolder);
    if (at != std::string_view::npos) {
      rest = path.substr(at + baseFolder.size());
    }
  }
  std::string stored(rest);
  for (char &c : stored) {
    if (c == '/') {
      c = kStoredSeparator;
    }
  }
  return stored;
}

bool IsSafeStoredName(std::string_view storedName) {
  return platform::IsInsideFolderName(storedName);
}

std::string StoredNameToPath(std::string_view storedName) {
  std::string path(storedName);
  for (char &c : path) {
    if (IsSeparator(c)) {
      c = platform::kPathSeparator;
    }
  }
  return path;
}

bool StoredNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) {
      return false;
    }
  }
  return true;
}

CabFileCallbacks DiskFileCallbacks() {
  CabFileCallbacks callbacks;
  callbacks.alloc = DiskAlloc;
  callbacks.free = DiskFree;
  callbacks.open = DiskOpen;
  callbacks.read = DiskRead;
  callbacks.write = DiskWrite;
  callbacks.close = DiskClose;
  callbacks.seek = DiskSeek;
  return callbacks;
}

FciCallbacks DiskFciCallbacks() {
  FciCallbacks callbacks;
  static_cast<CabFileCallbacks &>(callbacks) = DiskFileCallbacks();
  callbacks.remove = DiskDelete;
  callbacks.tempFile = DiskTempFile;
  return callbacks;
}

FdiCallbacks DiskFdiCallbacks() {
  FdiCallbacks callbacks;
  static_cast<CabFileCallbacks &>(callbacks) = DiskFileCallbacks();
  return callbacks;
}

} // namespace vorafile::archive
