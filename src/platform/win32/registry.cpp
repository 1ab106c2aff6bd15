// Windows-only code: string values of the real registry.
#include "platform/registry.h"

#include <vector>
#include <windows.h>

namespace vorafile::platform {

namespace {

// The values we read are folder paths; anything longer is not one of them
// and is treated as absent rather than read whole.
constexpr DWORD kMaxValueBytes = 4096;

} // namespace

std::optional<std::string>
ReadMachineRegistryString(const std::string &keyPath,
                          const std::string &valueName) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<char> buffer(kMaxValueBytes);
  DWORD type = 0;
  DWORD size = kMaxValueBytes;
  LONG status =
      ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE *>(buffer.data()), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) ||
      size > kMaxValueBytes) {
    return std::nullopt;
  }
  // The stored bytes need not end with a terminator; stop at the first one.
  std::string value(buffer.data(), size);
  if (std::size_t end = value.find('\0'); end != std::string::npos) {
    value.resize(end);
  }
  return value;
}

} // namespace vorafile::platform
