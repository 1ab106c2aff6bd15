// MSZIP block coding: each block is "CK" and a raw deflate stream that ends
// with a final block; the previous block's uncompressed bytes of the same
// folder may serve as the stream's preset dictionary.
//
// Built with libdeflate, blocks are coded alone (no dictionary) and decoded
// by libdeflate, with zlib for the blocks that need their history. Without
// it (the Windows builds), zlib does both, coding with the history. Either
// way every coder's memory comes from the engine's allocator.
#ifndef VORAFILE_ARCHIVE_MSZIP_CODEC_H
#define VORAFILE_ARCHIVE_MSZIP_CODEC_H

#include "archive/engine_memory.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vorafile::archive {

class MsZipEncoder {
public:
  explicit MsZipEncoder(const EngineAllocator &allocator);
  MsZipEncoder(const MsZipEncoder &) = delete;
  MsZipEncoder &operator=(const MsZipEncoder &) = delete;
  ~MsZipEncoder();

  /// False when the deflate library could not get its memory.
  [[nodiscard]] bool Init();

  /// The deflate library that codes, with its version: "libdeflate 1.14".
  static const char *LibraryName();

  /// True when blocks are coded with the previous block as dictionary.
  [[nodiscard]] static bool CodesWithHistory();

  /// Worst-case payload of a block of `size` bytes (a stored block).
  static std::size_t StoredSize(std::size_t size) { return size + 7; }

  /// Codes `size` (at most 32768) bytes into `out`, which holds
  /// StoredSize(size) bytes, and returns the payload size ("CK" included),
  /// or 0 when the deflate library fails. When deflate cannot shrink the data
  /// the block is written as a stored deflate block and `isStored` is set;
  /// blocks that look incompressible (flat byte statistics, hardly any repeats)
  /// are stored without trying deflate. Uses no memory beyond Init's, so may
  /// run on any thread.
  std::size_t Encode(const std::uint8_t *history, std::size_t historySize,
                     const std::uint8_t *input, std::size_t size,
                     std::uint8_t *out, bool *isStored);

private:
  static std::size_t Store(const std::uint8_t *input, std::size_t size,
                           std::uint8_t *out, bool *isStored);

  struct Stream;
  EngineAllocator allocator_;
  Stream *stream_ = nullptr;
};

class MsZipDecoder {
public:
  explicit MsZipDecoder(const EngineAllocator &allocator);
  MsZipDecoder(const MsZipDecoder &) = delete;
  MsZipDecoder &operator=(const MsZipDecoder &) = delete;
  ~MsZipDecoder();

  [[nodiscard]] bool Init();

  /// Decodes one block payload ("CK" included) into exactly `expected`
  /// bytes of `out`. False on a missing signature, bad deflate data, or
  /// output that is shorter or longer than `expected`; never writes past
  /// out + expected.
  [[nodiscard]] bool Decode(const std::uint8_t *history,
                            std::size_t historySize, const std::uint8_t *input,
                            std::size_t size, std::uint8_t *out,
                            std::size_t expected);

private:
  struct Stream;
  EngineAllocator allocator_;
  Stream *stream_ = nullptr;
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_MSZIP_CODEC_H
