// Named shared memory blocks that a host can see by name.
#ifndef VORAFILE_PLATFORM_SHARED_MEMORY_H
#define VORAFILE_PLATFORM_SHARED_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vorafile::platform {

/// A mapped block: the handle of the mapping (never 0) and its view.
struct SharedMapping {
  std::uintptr_t handle = 0;
  void *view = nullptr;
};

/// Creates (or opens, when it exists already) the named read-write block of
/// `size` bytes and maps it whole. A second map of the same name shares the
/// same bytes. Windows: a paging-file backed file mapping. POSIX: shm_open.
[[nodiscard]] std::optional<SharedMapping>
MapSharedBlock(const std::string &name, std::size_t size);

/// Unmaps `view` (when not null) and closes `handle` (when not 0). `size` is
/// the size the block was mapped with. The block goes away with its last
/// mapping.
void UnmapSharedBlock(std::uintptr_t handle, void *view, std::size_t size);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_SHARED_MEMORY_H
