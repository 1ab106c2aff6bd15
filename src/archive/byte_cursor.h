// The cabinet layer's record reader: a cursor reading little-endian records
// out of a byte span. Every cursor read is
// bounds checked (overflow-safe); the first failure makes its error sticky:
// the offset stops moving and later reads return 0 or empty, so a record is
// decoded straight through and checked once with Ok() at its end.
#ifndef VORAFILE_ARCHIVE_BYTE_CURSOR_H
#define VORAFILE_ARCHIVE_BYTE_CURSOR_H

#include "platform/little_endian.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorafile::archive {

class ByteCursor {
public:
  ByteCursor(const std::uint8_t *data, std::size_t size)
      : data_(data), size_(size) {}

  [[nodiscard]] bool Ok() const { return ok_; }
  std::size_t Offset() const { return offset_; }
  std::size_t Remaining() const { return size_ - offset_; }

  std::uint8_t ReadU8() {
    if (!Prepare(1)) {
      return 0;
    }
    return data_[offset_++];
  }
  std::uint16_t ReadU16() {
    if (!Prepare(2)) {
      return 0;
    }
    std::uint16_t value = LoadU16(data_ + offset_);
    offset_ += 2;
    return value;
  }
  std::uint32_t ReadU32() {
    if (!Prepare(4)) {
      return 0;
    }
    std::uint32_t value = LoadU32(data_ + offset_);
    offset_ += 4;
    return value;
  }
  void Skip(std::size_t count) {
    if (Prepare(count)) {
      offset_ += count;
    }
  }
  /// A NUL-terminated string of at most maxLength characters; the
  /// terminator must lie within maxLength + 1 bytes. An empty string fails
  /// unless `allowEmpty`.
  std::string_view ReadCString(std::size_t maxLength, bool allowEmpty = false) {
    if (!ok_) {
      return {};
    }
    std::size_t limit =
        Remaining() < maxLength + 1 ? Remaining() : maxLength + 1;
    for (std::size_t i = 0; i < limit; ++i) {
      if (data_[offset_ + i] == 0) {
        if (i == 0 && !allowEmpty) {
          break;
        }
        std::string_view text(reinterpret_cast<const char *>(data_ + offset_),
                              i);
        offset_ += i + 1;
        return text;
      }
    }
    ok_ = false;
    return {};
  }

private:
  [[nodiscard]] bool Prepare(std::size_t count) {
    if (ok_ && count > size_ - offset_) {
      ok_ = false;
    }
    return ok_;
  }

  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_BYTE_CURSOR_H
