// Notification messages to a window that the host names, as the cabinet
// wrappers report their progress.
#ifndef VORAFILE_PLATFORM_WINDOW_MESSAGES_H
#define VORAFILE_PLATFORM_WINDOW_MESSAGES_H

#include <cstdint>

namespace vorafile::platform {

/// A window of the host (HWND on Windows); null means none.
using WindowHandle = void *;

/// Sends a message and waits until the window's thread has handled it;
/// answers the window's result. Nothing happens (result 0) for a null window
/// and on systems without windows.
std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam);

/// Queues a message for the window without waiting. False for a null window,
/// a failed post and on systems without windows.
[[nodiscard]] bool PostWindowMessage(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam,
                                     std::intptr_t lParam);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_WINDOW_MESSAGES_H
