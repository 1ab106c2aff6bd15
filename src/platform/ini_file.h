// Private-profile (INI) files with the semantics of the Windows functions.
//
// Windows uses the real private-profile functions. The POSIX side is our own
// reader and writer that behaves the same way: section and key names compare
// without regard to ASCII case, values are trimmed of surrounding blanks and
// of one pair of matching quotes, CRLF and LF lines are accepted, and every
// other section, key and unknown line is kept as it was.
#ifndef VORAFILE_PLATFORM_INI_FILE_H
#define VORAFILE_PLATFORM_INI_FILE_H

#include "platform/ini_text.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vorafile::platform {

/// Reads `key` of `section`; `defaultValue` when the file, section or key is
/// missing. The answer holds at most `capacity` - 1 characters, as a caller's
/// buffer of that size would (longer values are cut).
std::string ReadIniString(const std::string &file, const std::string &section,
                          const std::string &key,
                          const std::string &defaultValue,
                          std::size_t capacity = 260);

/// A key to read and the answer when it is missing.
struct IniQuery {
  std::string key;
  std::string defaultValue;
};

/// ReadIniString for each query, in order, with the file read once (one
/// system call per key on Windows, where the system caches the file).
std::vector<std::string> ReadIniStrings(const std::string &file,
                                        const std::string &section,
                                        const std::vector<IniQuery> &queries,
                                        std::size_t capacity = 260);

/// The key names of `section` in file order; empty when there are none.
std::vector<std::string> ReadIniKeys(const std::string &file,
                                     const std::string &section);

/// Writes `key`=`value` into `section`, creating the file and the section
/// (at the end) as needed; an existing key keeps its place. False when the
/// file cannot be written, and for names or values that would not read back
/// as written (line breaks, NUL, "=" in a key, blanks around a name; see
/// IsWritableIni* in ini_text.h), which leave the file alone.
[[nodiscard]] bool WriteIniString(const std::string &file,
                                  const std::string &section,
                                  const std::string &key,
                                  const std::string &value);

/// Deletes one key of a section. Deleting what is not there (file, section
/// or key) succeeds and creates nothing.
[[nodiscard]] bool DeleteIniKey(const std::string &file,
                                const std::string &section,
                                const std::string &key);

/// Deletes a whole section with its keys (a write with no key).
[[nodiscard]] bool DeleteIniSection(const std::string &file,
                                    const std::string &section);

/// Writes `section` anew with `entries` in their order, in one rewrite of
/// the file: the same as DeleteIniSection followed by WriteIniString for
/// each entry (so the section moves to the end of the file), without a
/// rewrite per key. An empty list only deletes the section. False, with the
/// file left alone, when the section or an entry is not writable or two keys
/// share a name (IsWritableIniSection); false also when the file cannot be
/// written.
[[nodiscard]] bool ReplaceIniSection(const std::string &file,
                                     const std::string &section,
                                     const std::vector<IniEntry> &entries);

/// Makes pending writes of `file` reach the disk (a write with no section,
/// key or value). Always true: the system call reports nothing useful.
[[nodiscard]] bool FlushIniFile(const std::string &file);

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_INI_FILE_H
