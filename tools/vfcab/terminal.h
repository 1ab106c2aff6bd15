// Whether the program's output goes to a terminal: vfcab draws its progress
// line only there.
#ifndef VORAFILE_TOOLS_VFCAB_TERMINAL_H
#define VORAFILE_TOOLS_VFCAB_TERMINAL_H

namespace vorafile::vfcab {

/// True when standard output is a terminal (a console on Windows).
bool IsStandardOutputTerminal();

} // namespace vorafile::vfcab

#endif // VORAFILE_TOOLS_VFCAB_TERMINAL_H
