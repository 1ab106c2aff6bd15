// In-memory files and memory for the cabinet engine's callbacks, with fault
// injection: the N-th allocation, write or open can be made to fail, and live
// allocations are counted so that tests can check nothing leaked. Shared by
// the engine tests, the cabinet fuzzer and anything else that runs the
// engines without a disk.
#ifndef VORAFILE_TESTS_ARCHIVE_MEMORY_FILES_H
#define VORAFILE_TESTS_ARCHIVE_MEMORY_FILES_H

#include "archive/cabinet_read_engine.h"
#include "archive/cabinet_write_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorafile::archive::test {

class MemoryFiles {
public:
  struct OpenFile {
    std::string name;
    std::size_t position = 0;
    bool writable = false;
  };
  struct WriteEvent {
    std::string name;
    std::size_t offset = 0;
    std::size_t size = 0;
  };

  std::map<std::string, std::string> files;
  std::map<CabFileHandle, OpenFile> handles;
  std::vector<WriteEvent> writes;
  CabFileHandle nextHandle = 1;
  int tempCounter = 0;

  long allocCalls = 0;
  long failAllocAt = -1; ///< index of the allocation that fails
  long liveAllocs = 0;
  long writeCalls = 0;
  long failWriteAt = -1;
  std::string failOpenOf; ///< opening this name fails
  std::string failReadOf; ///< reading a file of this name fails
  std::uint16_t date = 0x5A21;
  std::uint16_t time = 0x6B3C;
  std::uint16_t attributes = 0x20;
  /// A name that is not there opens for reading as these bytes when set.
  std::optional<std::string> missingFile;
  /// Bytes by which writes may grow the files in all; a write past that is
  /// counted as done but not stored (keeps a fuzzer's memory bounded).
  std::size_t storedGrowthMax = std::numeric_limits<std::size_t>::max();
  std::size_t storedGrowth = 0;
  long droppedWrites = 0;
  /// Calls with a handle that is not open: always a fault of the caller.
  long badHandleCalls = 0;

  static CabFileCallbacks Files() {
    CabFileCallbacks c;
    c.alloc = Alloc;
    c.free = Free;
    c.open = Open;
    c.read = Read;
    c.write = Write;
    c.close = Close;
    c.seek = Seek;
    return c;
  }
  FciCallbacks Fci() const {
    FciCallbacks c;
    static_cast<CabFileCallbacks &>(c) = Files();
    c.remove = Remove;
    c.tempFile = TempFile;
    return c;
  }
  FdiCallbacks Fdi() {
    FdiCallbacks c;
    static_cast<CabFileCallbacks &>(c) = Files();
    c.user = this;
    return c;
  }

  static MemoryFiles &From(void *user) {
    return *static_cast<MemoryFiles *>(user);
  }

  static void *Alloc(std::size_t size, void *user) {
    MemoryFiles &self = From(user);
    if (self.allocCalls++ == self.failAllocAt) {
      return nullptr;
    }
    ++self.liveAllocs;
    return std::malloc(size);
  }
  static void Free(void *memory, void *user) {
    --From(user).liveAllocs;
    std::free(memory);
  }
  static CabFileHandle Open(const char *path, int flags, int /*mode*/, int *err,
                            void *user) {
    MemoryFiles &self = From(user);
    std::string name(path);
    if (name == self.failOpenOf) {
      *err = 13;
      return kInvalidCabFile;
    }
    bool create = (flags & open_flag::kCreate) != 0;
    auto found = self.files.find(name);
    if (found == self.files.end() && !create) {
      if (!self.missingFile) {
        *err = 2;
        return kInvalidCabFile;
      }
      self.files[name] = *self.missingFile;
    }
    if (create && (flags & open_flag::kTruncate) != 0) {
      self.files[name].clear();
    } else if (found == self.files.end()) {
      self.files[name];
    }
    CabFileHandle handle = self.nextHandle++;
    self.handles[handle] =
        OpenFile{name, 0, (flags & open_flag::kAccessMask) != 0};
    return handle;
  }
  static std::int32_t Read(CabFileHandle file, void *buffer,
                           std::uint32_t count, int *err, void *user) {
    MemoryFiles &self = From(user);
    auto found = self.handles.find(file);
    if (found == self.handles.end()) {
      ++self.badHandleCalls;
      *err = 9;
      return -1;
    }
    if (found->second.name == self.failReadOf) {
      *err = 5;
      return -1;
    }
    const std::string &data = self.files[found->second.name];
    std::size_t position = found->second.position;
    std::size_t n = position >= data.size()
                        ? 0
                        : std::min<std::size_t>(count, data.size() - position);
    if (n > 0) {
      std::memcpy(buffer, data.data() + position, n);
    }
    found->second.position += n;
    return static_cast<std::int32_t>(n);
  }
  static std::int32_t Write(CabFileHandle file, const void *buffer,
                            std::uint32_t count, int *err, void *user) {
    MemoryFiles &self = From(user);
    auto found = self.handles.find(file);
    if (found == self.handles.end()) {
      ++self.badHandleCalls;
    }
    if (found == self.handles.end() || !found->second.writable ||
        self.writeCalls++ == self.failWriteAt) {
      *err = 28;
      return -1;
    }
    std::string &data = self.files[found->second.name];
    std::size_t position = found->second.position;
    if (data.size() < position + count) {
      std::size_t growth = position + count - data.size();
      if (growth > self.storedGrowthMax - self.storedGrowth) {
        ++self.droppedWrites;
        found->second.position += count;
        return static_cast<std::int32_t>(count);
      }
      self.storedGrowth += growth;
      data.resize(position + count);
    }
    std::memcpy(data.data() + position, buffer, count);
    self.writes.push_back(WriteEvent{found->second.name, position, count});
    found->second.position += count;
    return static_cast<std::int32_t>(count);
  }
  static int Close(CabFileHandle file, int *err, void *user) {
    if (From(user).handles.erase(file) == 0) {
      ++From(user).badHandleCalls;
      *err = 9;
      return -1;
    }
    return 0;
  }
  static std::int64_t Seek(CabFileHandle file, std::int64_t distance,
                           int origin, int *err, void *user) {
    MemoryFiles &self = From(user);
    auto found = self.handles.find(file);
    if (found == self.handles.end()) {
      ++self.badHandleCalls;
      *err = 9;
      return -1;
    }
    std::int64_t base = 0;
    if (origin == kSeekCur) {
      base = static_cast<std::int64_t>(found->second.position);
    } else if (origin == kSeekEnd) {
      base = static_cast<std::int64_t>(self.files[found->second.name].size());
    }
    if (base + distance < 0) {
      *err = 22;
      return -1;
    }
    found->second.position = static_cast<std::size_t>(base + distance);
    return base + distance;
  }
  static int Remove(const char *path, int * /*err*/, void *user) {
    return From(user).files.erase(path) == 1 ? 0 : -1;
  }
  static bool TempFile(char *buffer, int bufferSize, void *user) {
    std::string name = "tmp" + std::to_string(From(user).tempCounter++);
    if (static_cast<int>(name.size()) >= bufferSize) {
      return false;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return true;
  }
  static CabFileHandle OpenInfo(const char *path, std::uint16_t *date,
                                std::uint16_t *time, std::uint16_t *attributes,
                                int *err, void *user) {
    MemoryFiles &self = From(user);
    *date = self.date;
    *time = self.time;
    *attributes = self.attributes;
    return Open(path, open_flag::kReadOnly | open_flag::kBinary, 0, err, user);
  }
};

} // namespace vorafile::archive::test

#endif // VORAFILE_TESTS_ARCHIVE_MEMORY_FILES_H
