// Windows-only code: notification messages over SendMessageA and
// PostMessageA.
#include "platform/window_messages.h"

#include <windows.h>

namespace vorafile::platform {

std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) {
  if (window == nullptr) {
    return 0;
  }
  return static_cast<std::intptr_t>(
      ::SendMessageA(static_cast<HWND>(window), message,
                     static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

bool PostWindowMessage(WindowHandle window, std::uint32_t message,
                       std::uintptr_t wParam, std::intptr_t lParam) {
  if (window == nullptr) {
    return false;
  }
  return ::PostMessageA(static_cast<HWND>(window), message,
                        static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != 0;
}

} // namespace vorafile::platform
