// The file names a cabinet lists, read straight from its header and file
// records, so that tests can see what a writer put in (a name twice, say)
// without going through the reader under test.
#ifndef VORAFILE_TESTS_SUPPORT_CABINET_NAMES_H
#define VORAFILE_TESTS_SUPPORT_CABINET_NAMES_H

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace vorafile::test {

/// Nothing for a file that is no single plain cabinet (no reserved fields,
/// no neighbours in a set) or whose records run past its end.
inline std::optional<std::vector<std::string>>
ReadCabinetNames(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)),
                          std::istreambuf_iterator<char>());
  auto u16 = [&bytes](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1])
                                          << 8);
  };
  auto u32 = [&u16](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  constexpr std::size_t kHeaderSize = 36;
  constexpr std::size_t kFileRecordSize = 16;
  if (bytes.size() < kHeaderSize || bytes.compare(0, 4, "MSCF") != 0 ||
      u16(30) != 0) {
    return std::nullopt;
  }
  std::size_t at = u32(16);
  const std::uint32_t count = u16(28);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t name = at + kFileRecordSize;
    const std::size_t end =
        name < bytes.size() ? bytes.find('\0', name) : std::string::npos;
    if (end == std::string::npos) {
      return std::nullopt;
    }
    names.push_back(bytes.substr(name, end - name));
    at = end + 1;
  }
  return names;
}

} // namespace vorafile::test

#endif // VORAFILE_TESTS_SUPPORT_CABINET_NAMES_H
