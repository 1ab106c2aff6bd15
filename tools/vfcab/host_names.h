// Stored names as this system shows and stores them, and its path limit.
// The library keeps names as the cabinet's raw bytes; the tool shows them
// as peer tools do.
#ifndef VORAFILE_TOOLS_VFCAB_HOST_NAMES_H
#define VORAFILE_TOOLS_VFCAB_HOST_NAMES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::vfcab {

/// A stored name as this system's terminal and file names take it. POSIX:
/// UTF-8, decoded from the Windows code page 1252 unless the attributes
/// flag the name as UTF-8 already. Windows: the bytes unchanged, for the
/// ANSI functions the tool calls.
std::string HostName(std::string_view stored, std::uint16_t attributes);

/// The length from which this system refuses a path: PATH_MAX on POSIX,
/// the Windows API's 260 characters on Windows.
std::size_t HostPathLimit();

} // namespace vorafile::vfcab

#endif // VORAFILE_TOOLS_VFCAB_HOST_NAMES_H
