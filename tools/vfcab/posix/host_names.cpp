// POSIX-only code: stored names become UTF-8, paths are bound by PATH_MAX.
#include "host_names.h"

#include "archive/cab_format.h"

#include <climits>

namespace vorafile::vfcab {

namespace {

// Code points of bytes 0x80..0x9F in the Windows code page 1252; the five
// bytes it leaves undefined map to the control character of their value,
// as Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t code, std::string &out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

} // namespace

std::string HostName(std::string_view stored, std::uint16_t attributes) {
  if ((attributes & archive::cab::kAttribNameIsUtf) != 0) {
    return std::string(stored);
  }
  std::string out;
  out.reserve(stored.size());
  for (char c : stored) {
    auto byte = static_cast<unsigned char>(c);
    AppendUtf8(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte,
               out);
  }
  return out;
}

std::size_t HostPathLimit() {
  return PATH_MAX;
}

} // namespace vorafile::vfcab
