// Files and folders, as the rest of the library sees them on every system.
//
// Paths are 8-bit strings. Folder paths that this layer hands out end with
// kPathSeparator. Attributes use the Windows bit values; the POSIX side maps
// its file modes onto them (see ReadAttributes).
#ifndef VORAFILE_PLATFORM_FILE_SYSTEM_H
#define VORAFILE_PLATFORM_FILE_SYSTEM_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::platform {

/// Longest path, terminator included, that a host-visible buffer holds.
inline constexpr std::size_t kMaxPath = 260;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
/// Characters that end a folder part of a path on this system.
inline constexpr const char *kPathSeparators = "\\/:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char *kPathSeparators = "/";
#endif

/// File attribute bits, with the Windows values.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
inline constexpr std::uint32_t kReparsePoint = 0x400;
} // namespace attr

/// The attributes of a file or folder, or nothing when they cannot be read
/// (missing path). A symbolic link (or junction) is described itself, not its
/// target: it carries kReparsePoint, plus kDirectory when it names a folder.
/// POSIX: a folder is kDirectory, a file kNormal; kReadOnly when the owner
/// may not write.
[[nodiscard]] std::optional<std::uint32_t>
ReadAttributes(const std::string &path);

/// Sets kReadOnly as given (the only bit POSIX can hold). False on failure.
[[nodiscard]] bool WriteAttributes(const std::string &path,
                                   std::uint32_t attributes);

/// True when the attributes of path can be read.
[[nodiscard]] bool PathExists(const std::string &path);

/// Deletes a file, or a symbolic link itself (never its target).
[[nodiscard]] bool RemoveFile(const std::string &path);

/// Removes an empty folder, or a link to a folder (never its target).
[[nodiscard]] bool RemoveEmptyFolder(const std::string &path);

/// Copies a file; fails when `to` exists already.
[[nodiscard]] bool CopyFileNoOverwrite(const std::string &from,
                                       const std::string &to);

/// Moves or renames a file; fails when `to` exists already.
[[nodiscard]] bool MoveFileNoOverwrite(const std::string &from,
                                       const std::string &to);

/// Moves a file over `to`, replacing it (atomically where the system can).
[[nodiscard]] bool ReplaceFile(const std::string &from, const std::string &to);

/// Creates one folder level. False when it exists or cannot be made.
[[nodiscard]] bool MakeFolder(const std::string &path);

struct FolderEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

/// The entries of a folder, without "." and "..", in no particular order;
/// empty when the folder cannot be listed.
std::vector<FolderEntry> ListFolder(const std::string &folder);

/// MS-DOS date and time (local time), as cabinets store them.
struct DosDateTime {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
};

/// The last-write time of a file as a DOS date and time.
[[nodiscard]] std::optional<DosDateTime>
ReadLastWriteTime(const std::string &path);

/// Sets creation (where the system keeps one) and last-write time.
[[nodiscard]] bool WriteFileTime(const std::string &path, DosDateTime when);

/// The system's temporary folder, ending with kPathSeparator; at most
/// kMaxPath - 1 characters. Windows: GetTempPathA. POSIX: $TMPDIR, else /tmp.
std::string TempFolder();

/// Creates a fresh folder named `prefix` + a decimal number, as the runtime's
/// temporary-name service would name it: under $TMP when that names an
/// existing folder, else under `parent`. Answers its path without a trailing
/// separator, or nothing when no folder could be made.
[[nodiscard]] std::optional<std::string>
MakeFreshFolder(const std::string &parent, std::string_view prefix);

/// Finds `name` inside `folder` (which ends with a separator) as Windows
/// would: an exact match first, then, on POSIX, the one entry whose name
/// matches without regard to ASCII case. Answers the full path, or nothing.
[[nodiscard]] std::optional<std::string> FindInFolder(const std::string &folder,
                                                      std::string_view name);

/// Appends a separator unless `folder` is empty or ends with one.
std::string WithTrailingSeparator(std::string folder);

/// Copies `text` into a host buffer of `capacity` bytes, always terminated.
/// False (and an empty buffer) when it does not fit.
[[nodiscard]] bool CopyToHostBuffer(char *buffer, std::size_t capacity,
                                    std::string_view text);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_FILE_SYSTEM_H
