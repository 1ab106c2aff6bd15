// POSIX-only code: there are no windows to notify.
#include "platform/window_messages.h"

namespace vorafile::platform {

std::intptr_t SendWindowMessage(WindowHandle, std::uint32_t, std::uintptr_t,
                                std::intptr_t) {
  return 0;
}

bool PostWindowMessage(WindowHandle, std::uint32_t, std::uintptr_t,
                       std::intptr_t) {
  return false;
}

} // namespace vorafile::platform
