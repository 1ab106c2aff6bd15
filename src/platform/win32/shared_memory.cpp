// Windows-only code: named shared memory as a paging-file backed mapping.
#include "platform/shared_memory.h"

#include <cstdint>
#include <windows.h>

namespace vorafile::platform {

std::optional<SharedMapping> MapSharedBlock(const std::string &name,
                                            std::size_t size) {
  if (name.empty() || size == 0) {
    return std::nullopt;
  }
  const auto wide = static_cast<std::uint64_t>(size);
  HANDLE mapping = ::CreateFileMappingA(
      INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
      static_cast<DWORD>(wide >> 32), static_cast<DWORD>(wide & 0xFFFFFFFFu),
      name.c_str());
  if (mapping == nullptr) {
    return std::nullopt;
  }
  void *view = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
  if (view == nullptr) {
    ::CloseHandle(mapping);
    return std::nullopt;
  }
  SharedMapping result;
  result.handle = reinterpret_cast<std::uintptr_t>(mapping);
  result.view = view;
  return result;
}

void UnmapSharedBlock(std::uintptr_t handle, void *view, std::size_t /*size*/) {
  if (view != nullptr) {
    ::UnmapViewOfFile(view);
  }
  if (handle != 0) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle, kept as integer
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
  }
}

} // namespace vorafile::platform
