// Read-only access to string values under HKEY_LOCAL_MACHINE.
//
// Windows reads the real registry. POSIX reads a file in the registry
// editor's export format (".reg"): the file named by the environment variable
// VORAFILE_REGISTRY, else /etc/vorafile/registry.reg. For example
//
//   [HKEY_LOCAL_MACHINE\Software\Mervel Tech\Tervy]
//   "Path"="/opt/tervy"
//
// Key paths and value names compare without regard to ASCII case; a missing
// file, key or value reads as absent.
#ifndef VORAFILE_PLATFORM_REGISTRY_H
#define VORAFILE_PLATFORM_REGISTRY_H

#include <optional>
#include <string>

namespace vorafile::platform {

/// The string value `valueName` of the key `keyPath` (backslash separated,
/// relative to HKEY_LOCAL_MACHINE), or nothing.
[[nodiscard]] std::optional<std::string>
ReadMachineRegistryString(const std::string &keyPath,
                          const std::string &valueName);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_REGISTRY_H
