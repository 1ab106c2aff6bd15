// POSIX-only code: run-time loading over dlopen and dlsym.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace vorafile::platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string &path) {
  if (path.empty()) {
    return nullptr;
  }
  void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
  ::dlclose(handle_);
}

void *DynamicLibrary::FindExport(const char *name) const {
  return name == nullptr ? nullptr : ::dlsym(handle_, name);
}

} // namespace vorafile::platform
