// The parts of the file service that are the same on every system.
#include "platform/file_system.h"

#include <cstring>

namespace vorafile::platform {

std::string WithTrailingSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != kPathSeparator) {
    folder += kPathSeparator;
  }
  return folder;
}

bool CopyToHostBuffer(char *buffer, std::size_t capacity,
                      std::string_view text) {
  if (buffer == nullptr || capacity == 0) {
    return false;
  }
  if (text.size() >= capacity) {
    buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return true;
}

} // namespace vorafile::platform
