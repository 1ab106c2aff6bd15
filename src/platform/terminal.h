// Whether the program's output goes to a terminal, for tools that draw
// progress only there.
#ifndef VORAFILE_PLATFORM_TERMINAL_H
#define VORAFILE_PLATFORM_TERMINAL_H

namespace vorafile::platform {

/// True when standard output is a terminal (a console on Windows).
[[nodiscard]] bool IsStandardOutputTerminal();

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_TERMINAL_H
