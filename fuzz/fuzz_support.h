// What the fuzz targets share: the stop at a broken promise, a working
// folder of their own, and writing its files.
#ifndef VORAFILE_FUZZ_FUZZ_SUPPORT_H
#define VORAFILE_FUZZ_FUZZ_SUPPORT_H

#include "platform/file_system.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace vorafile::fuzz {

/// Stops the run when `condition` is false, naming the caller's line, which
/// tells the broken promise apart; libFuzzer keeps the input.
inline void Check(bool condition, int line = __builtin_LINE()) {
  if (!condition) {
    std::fprintf(stderr, "check failed at line %d\n", line);
    std::abort();
  }
}

/// One folder per process, made on first use under the temporary folder,
/// with a trailing separator, as a package's working folder would be.
inline const std::string &WorkFolder() {
  static const std::string folder = [] {
    std::optional<std::string> made =
        platform::MakeFreshFolder(platform::TempFolder(), "__fuzz");
    Check(made.has_value());
    return platform::WithTrailingSeparator(*made);
  }();
  return folder;
}

/// Writes `text` as the whole file at `path`.
inline void WriteFile(const std::string &path, std::string_view text) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr);
  if (!text.empty()) {
    Check(std::fwrite(text.data(), 1, text.size(), file) == text.size());
  }
  Check(std::fclose(file) == 0);
}

} // namespace vorafile::fuzz

#endif // VORAFILE_FUZZ_FUZZ_SUPPORT_H
