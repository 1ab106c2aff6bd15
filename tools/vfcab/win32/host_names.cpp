// Windows-only code: names stay in the ANSI code page the tool works in.
#include "host_names.h"

#include "platform/file_system.h"

namespace vorafile::vfcab {

std::string HostName(std::string_view stored, std::uint16_t) {
  return std::string(stored);
}

std::size_t HostPathLimit() {
  return platform::kMaxPath;
}

} // namespace vorafile::vfcab
