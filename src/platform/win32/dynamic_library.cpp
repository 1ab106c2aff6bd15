// Windows-only code: run-time loading over LoadLibraryA and GetProcAddress.
#include "platform/dynamic_library.h"

#include <windows.h>

namespace vorafile::platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string &path) {
  if (path.empty()) {
    return nullptr;
  }
  // A library that is missing or broken must fail quietly, not put up the
  // system's error box in the host's process.
  DWORD previousMode = 0;
  const bool quiet =
      ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX,
                           &previousMode) != 0;
  HMODULE module = ::LoadLibraryA(path.c_str());
  if (quiet) {
    ::SetThreadErrorMode(previousMode, nullptr);
  }
  if (module == nullptr) {
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(module));
}

DynamicLibrary::~DynamicLibrary() {
  ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void *DynamicLibrary::FindExport(const char *name) const {
  if (name == nullptr) {
    return nullptr;
  }
  FARPROC address = ::GetProcAddress(static_cast<HMODULE>(handle_), name);
  return reinterpret_cast<void *>(address);
}

} // namespace vorafile::platform
