// Loading a library at run time and finding its exports.
#ifndef VORAFILE_PLATFORM_DYNAMIC_LIBRARY_H
#define VORAFILE_PLATFORM_DYNAMIC_LIBRARY_H

#include <memory>
#include <string>

namespace vorafile::platform {

class DynamicLibrary {
public:
  /// Loads the library at `path`; nothing when it cannot be loaded.
  [[nodiscard]] static std::unique_ptr<DynamicLibrary>
  Load(const std::string &path);

  DynamicLibrary(const DynamicLibrary &) = delete;
  DynamicLibrary &operator=(const DynamicLibrary &) = delete;
  /// Unloads the library.
  ~DynamicLibrary();

  /// The address of the export `name`, or null.
  [[nodiscard]] void *FindExport(const char *name) const;

private:
  explicit DynamicLibrary(void *handle) : handle_(handle) {}
  void *handle_;
};

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_DYNAMIC_LIBRARY_H
