// Case-insensitive text helpers for the names in scene files, INI files and
// stored paths. Only ASCII letters fold: file formats and Windows' own name
// comparison for these files ignore locales, so neither do we.
#ifndef VORAFILE_PLATFORM_ASCII_H
#define VORAFILE_PLATFORM_ASCII_H

#include <cstddef>
#include <string>
#include <string_view>

namespace vorafile::ascii {

constexpr char ToLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// strcmp-like: negative, 0 or positive, with ASCII letters folded to lower
/// case and other bytes compared as unsigned.
constexpr int CompareIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(ToLower(a[i]));
    const auto y = static_cast<unsigned char>(ToLower(b[i]));
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  if (a.size() == b.size()) {
    return 0;
  }
  return a.size() < b.size() ? -1 : 1;
}

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

constexpr bool EndsWithIgnoreCase(std::string_view text,
                                  std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

inline std::string ToLower(std::string_view text) {
  std::string folded(text);
  for (char &c : folded) {
    c = ToLower(c);
  }
  return folded;
}

/// Orders names as the case-insensitive file systems compare them, for sets
/// and maps of names.
struct LessIgnoreCase {
  using is_transparent = void;
  constexpr bool operator()(std::string_view a, std::string_view b) const {
    return CompareIgnoreCase(a, b) < 0;
  }
};

} // namespace vorafile::ascii

#endif // VORAFILE_PLATFORM_ASCII_H
