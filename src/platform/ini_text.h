// The text of a private-profile (INI) file, read and edited in memory.
//
// This is the engine of the POSIX private-profile functions, kept free of
// file access so that it can be tested and fuzzed on every system. The
// Windows build uses it only for the argument checks that both sides share.
//
// Format notes (what the Windows functions do, and so what we do):
// - Lines end with LF or CRLF. A line is cut at its first NUL byte, and a
//   UTF-8 byte order mark before the first line is skipped.
// - Leading blanks of a line are ignored. A line starting with ";" is a
//   comment. "[name]" starts a section: the name runs to the last "]" of the
//   line and is trimmed; text after that "]" is ignored. Any other line with
//   "=" is a key: the name before the first "=", the value after it, both
//   trimmed of blanks. Other lines are kept but mean nothing.
// - Lines before the first section header form a section without name.
// - Section and key names compare without regard to ASCII case. Only the
//   first section of a name counts (a later one of the same name is neither
//   read nor changed), and within it the first key of a name.
// - A value in one pair of matching quotes (' or ") loses them on reading.
// - Editing keeps every other byte of the file as it was. A changed key is
//   rewritten as "name=value" with the file's spelling of the name; a new key
//   goes after the last non-blank line of its section; a new section goes at
//   the end. New lines end like the file's first line, or CRLF (as Windows
//   writes them) when the file has no line break yet.
#ifndef VORAFILE_PLATFORM_INI_TEXT_H
#define VORAFILE_PLATFORM_INI_TEXT_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::platform {

/// True when `section` can be written as a section header that reads back
/// as the same name: not empty, no line break or NUL, no surrounding blanks.
[[nodiscard]] bool IsWritableIniSection(std::string_view section);

/// True when `key` can be written as a key line that reads back as the same
/// name: as for sections, and no "=", and not starting with ";" or "[".
[[nodiscard]] bool IsWritableIniKey(std::string_view key);

/// True when `value` fits on one line: no line break and no NUL. (Blanks
/// around it and one pair of quotes are still lost on reading, as on
/// Windows.)
[[nodiscard]] bool IsWritableIniValue(std::string_view value);

/// The text to write as the value of a key line so that reading it gives
/// `value` back: `value` itself, or `value` in double quotes when reading
/// would take blanks around it or a pair of quotes off. `value` must be
/// writable (IsWritableIniValue).
[[nodiscard]] std::string IniValueReadingAs(std::string_view value);

/// One key line of a section, as ReplaceIniSection writes it.
struct IniEntry {
  std::string key;
  std::string value;
};

/// True when `section` and every entry are writable (see above) and no two
/// keys share a name, ASCII case aside.
[[nodiscard]] bool IsWritableIniSection(std::string_view section,
                                        const std::vector<IniEntry> &entries);

/// What a read of a private-profile string answers: `found` when the key
/// exists (already unquoted by FindValue), else `defaultValue` with its
/// trailing blanks and one pair of matching quotes removed; either cut to
/// `capacity` - 1 characters (nothing when `capacity` is 0).
std::string ChooseIniString(const std::optional<std::string> &found,
                            std::string_view defaultValue,
                            std::size_t capacity);

/// A whole INI file as text. Lookups scan the text; edits splice it, so any
/// byte the edit does not concern stays as it was.
class IniText {
public:
  IniText() = default;
  explicit IniText(std::string text) : text_(std::move(text)) {}

  const std::string &Text() const { return text_; }

  /// The value of `key` in `section` (names trimmed of blanks before the
  /// lookup), unquoted; nothing when the section or key is missing.
  [[nodiscard]] std::optional<std::string>
  FindValue(std::string_view section, std::string_view key) const;

  /// FindValue for each of `keys`, in order, with the section scanned once
  /// rather than once per key.
  [[nodiscard]] std::vector<std::optional<std::string>>
  FindValues(std::string_view section,
             const std::vector<std::string_view> &keys) const;

  /// The non-empty key names of `section` in file order, duplicates
  /// included (as Windows lists them); empty when the section is missing.
  std::vector<std::string> ListKeys(std::string_view section) const;

  /// The 1-based line number of the line that FindValue reads `key` of
  /// `section` from, so that a problem with a value can name its line; 0
  /// when the section or key is missing.
  [[nodiscard]] int FindLineNumber(std::string_view section,
                                   std::string_view key) const;

  /// Sets `key` in `section`, adding the key or the section as needed.
  /// True when the text changed; false also when a name or the value is
  /// not writable (see IsWritableIni*), leaving the text alone.
  [[nodiscard]] bool SetValue(std::string_view section, std::string_view key,
                              std::string_view value);

  /// Removes the first line of `key` in `section`. True when it changed.
  bool DeleteKey(std::string_view section, std::string_view key);

  /// Removes `section`: its header and every line up to the next header.
  /// True when it changed.
  bool DeleteSection(std::string_view section);

  /// Removes every copy of `section` and, unless `entries` is empty, adds it
  /// at the end with `entries` in order: the text that DeleteSection until
  /// false, then SetValue for each entry, would give, built in one pass.
  /// False, leaving the text alone, when IsWritableIniSection(section,
  /// entries) is false.
  [[nodiscard]] bool ReplaceSection(std::string_view section,
                                    const std::vector<IniEntry> &entries);

private:
  std::string text_;
};

} // namespace vorafile::platform

#endif // VORAFILE_PLATFORM_INI_TEXT_H
