// POSIX-only code: named shared memory over shm_open and mmap.
#include "platform/shared_memory.h"

#include <map>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorafile::platform {

namespace {

std::string ShmName(const std::string &name) {
  return "/" + name;
}

// Names of the blocks this process holds, by descriptor: a POSIX name
// outlives its mappings unless unlinked, so the last unmap unlinks it.
// Only the host's calling thread maps blocks.
std::map<int, std::string> &OpenBlocks() {
  static std::map<int, std::string> blocks;
  return blocks;
}

} // namespace

std::optional<SharedMapping> MapSharedBlock(const std::string &name,
                                            std::size_t size) {
  if (name.empty() || name.find('/') != std::string::npos || size == 0) {
    return std::nullopt;
  }
  int fd = ::shm_open(ShmName(name).c_str(), O_RDWR | O_CREAT, 0600);
  if (fd < 0) {
    return std::nullopt;
  }
  // Handle 0 means "no mapping" to the host, so never hand out descriptor 0.
  if (fd == 0) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) {
      return std::nullopt;
    }
    fd = moved;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 ||
      (static_cast<std::size_t>(info.st_size) < size &&
       ::ftruncate(fd, static_cast<off_t>(size)) != 0)) {
    ::close(fd);
    return std::nullopt;
  }
  void *view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    ::close(fd);
    return std::nullopt;
  }
  OpenBlocks()[fd] = name;
  SharedMapping mapping;
  mapping.handle = static_cast<std::uintptr_t>(fd);
  mapping.view = view;
  // Like a paging-file mapping, the name lives only while the block is in
  // use; every map of the name before the last unmap shares these bytes.
  return mapping;
}

void UnmapSharedBlock(std::uintptr_t handle, void *view, std::size_t size) {
  if (view != nullptr && size != 0) {
    ::munmap(view, size);
  }
  if (handle == 0) {
    return;
  }
  int fd = static_cast<int>(handle);
  auto &blocks = OpenBlocks();
  if (auto it = blocks.find(fd); it != blocks.end()) {
    std::string name = it->second;
    blocks.erase(it);
    bool stillMapped = false;
    for (const auto &[otherFd, otherName] : blocks) {
      stillMapped = stillMapped || otherName == name;
    }
    if (!stillMapped) {
      ::shm_unlink(ShmName(name).c_str());
    }
  }
  ::close(fd);
}

} // namespace vorafile::platform
