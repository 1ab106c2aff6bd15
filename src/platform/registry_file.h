// The text of the registry stand-in on POSIX: a file in the registry
// editor's export format (".reg"), as registry.h describes it. Apart from
// the file's reading so that its parsing can be tested and fuzzed on text.
#ifndef VORAFILE_PLATFORM_REGISTRY_FILE_H
#define VORAFILE_PLATFORM_REGISTRY_FILE_H

#include <optional>
#include <string>
#include <string_view>

namespace vorafile::platform {

/// The string value `valueName` of the key `keyPath` (backslash separated,
/// relative to HKEY_LOCAL_MACHINE) in `fileText`, compared without regard to
/// ASCII case; "@" names the empty value name. Nothing when the key or the
/// value is missing, the value is not a string, or its quotes do not close.
/// Lines longer than 64 KiB are skipped; the first match wins.
[[nodiscard]] std::optional<std::string>
FindRegistryString(std::string_view fileText, std::string_view keyPath,
                   std::string_view valueName);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_REGISTRY_FILE_H
