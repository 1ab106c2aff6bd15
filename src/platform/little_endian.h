// Little-endian loads and stores: the byte order of every binary format
// the library reads or writes (cabinets, bitmaps), whatever the machine's.
#ifndef VORAFILE_PLATFORM_LITTLE_ENDIAN_H
#define VORAFILE_PLATFORM_LITTLE_ENDIAN_H

#include <cstdint>

namespace vorafile {

inline void StoreU16(std::uint8_t *at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void StoreU32(std::uint8_t *at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}
inline std::uint16_t LoadU16(const std::uint8_t *at) {
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}
inline std::uint32_t LoadU32(const std::uint8_t *at) {
  return static_cast<std::uint32_t>(at[0]) |
         static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 |
         static_cast<std::uint32_t>(at[3]) << 24;
}

} // namespace vorafile

#endif // VORAFILE_PLATFORM_LITTLE_ENDIAN_H
