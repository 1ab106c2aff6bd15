#include "archive/mszip_codec.h"

#include "archive/cab_format.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <zlib.h>

namespace vorafile::archive {
namespace {

// Raw deflate (no zlib header) with the full 32 KiB window.
constexpr int kRawWindowBits = -15;
constexpr int kMemLevel = 8;
// Level 5 with the history carried from block to block codes smaller than
// level 6 on blocks coded alone (what other MSZIP writers do) and about half
// again as fast as level 6 with history.
constexpr int kDeflateLevel = 5;

// Incompressibility probe: at 7.98 bits per byte and above, Huffman coding
// cannot win back a dynamic block's code tables (random 32 KiB blocks sit
// near 7.994), and with fewer 4-byte repeats than one per kRepeatRatio bytes
// matches cannot either.
constexpr double kFlatEntropyBits = 7.98;
constexpr std::size_t kRepeatRatio = 256;
constexpr int kRepeatHashBits = 14;
// Positions of the history are sampled at this step (and those of the
// block itself after they were looked up): any repeat of 7 bytes or more
// still meets a sample, and fewer samples leave the table's entries alone.
constexpr std::size_t kRepeatSampleStep = 4;

std::uint32_t Load32(const std::uint8_t *at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::size_t RepeatHash(std::uint32_t value) {
  return (value * 2654435761u) >> (32 - kRepeatHashBits);
}

// True when deflate could not shrink `input` (after `history`), judged in
// one pass instead of a full deflate run: photographs and packed data then
// cost almost nothing to store. `table` holds kRepeatTableSize entries.
bool LooksIncompressible(const std::uint8_t *history, std::size_t historySize,
                         const std::uint8_t *input, std::size_t size,
                         std::uint32_t *table) {
  if (size < 1024) {
    return false;
  }
  std::uint32_t counts[256] = {};
  for (std::size_t i = 0; i < size; ++i) {
    ++counts[input[i]];
  }
  double sum = 0.0;
  for (std::uint32_t count : counts) {
    if (count != 0) {
      double c = static_cast<double>(count);
      sum += c * std::log2(c);
    }
  }
  double n = static_cast<double>(size);
  if (std::log2(n) - sum / n < kFlatEntropyBits) {
    return false;
  }
  // Entries are positions + 1 in history followed by input; 0 is empty.
  std::memset(table, 0, sizeof(std::uint32_t) << kRepeatHashBits);
  auto at = [&](std::size_t position) {
    return position < historySize ? history + position
                                  : input + (position - historySize);
  };
  for (std::size_t i = 0; i + 4 <= historySize; i += kRepeatSampleStep) {
    table[RepeatHash(Load32(history + i))] = static_cast<std::uint32_t>(i + 1);
  }
  std::size_t repeats = 0;
  std::size_t allowed = size / kRepeatRatio;
  for (std::size_t i = 0; i + 4 <= size; ++i) {
    std::uint32_t value = Load32(input + i);
    std::uint32_t &entry = table[RepeatHash(value)];
    if (entry != 0 && Load32(at(entry - 1)) == value && ++repeats > allowed) {
      return false;
    }
    if (i % kRepeatSampleStep == 0) {
      entry = static_cast<std::uint32_t>(historySize + i + 1);
    }
  }
  return true;
}

voidpf ZlibAlloc(voidpf opaque, uInt items, uInt size) {
  auto *allocator = static_cast<const EngineAllocator *>(opaque);
  if (size != 0 && items > std::numeric_limits<std::size_t>::max() / size) {
    return Z_NULL;
  }
  return allocator->Allocate(static_cast<std::size_t>(items) * size);
}

void ZlibFree(voidpf opaque, voidpf address) {
  static_cast<const EngineAllocator *>(opaque)->Release(address);
}

} // namespace

struct MsZipEncoder::Stream {
  z_stream z{};
  bool ready = false;
  std::uint32_t repeatTable[std::size_t{1} << kRepeatHashBits];
};

struct MsZipDecoder::Stream {
  z_stream z{};
  bool ready = false;
};

MsZipEncoder::MsZipEncoder(const EngineAllocator &allocator)
    : allocator_(allocator) {}

MsZipEncoder::~MsZipEncoder() {
  if (stream_ != nullptr && stream_->ready) {
    deflateEnd(&stream_->z);
  }
  DeleteWithAllocator(allocator_, stream_);
}

bool MsZipEncoder::Init() {
  stream_ = NewWithAllocator<Stream>(allocator_);
  if (stream_ == nullptr) {
    return false;
  }
  stream_->z.zalloc = ZlibAlloc;
  stream_->z.zfree = ZlibFree;
  stream_->z.opaque = &allocator_;
  stream_->ready =
      deflateInit2(&stream_->z, kDeflateLevel, Z_DEFLATED, kRawWindowBits,
                   kMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
  return stream_->ready;
}

std::size_t MsZipEncoder::Encode(const std::uint8_t *history,
                                 std::size_t historySize,
                                 const std::uint8_t *input, std::size_t size,
                                 std::uint8_t *out, bool *isStored) {
  std::memcpy(out, cab::kMsZipSignature, cab::kMsZipSignatureSize);
  if (LooksIncompressible(history, historySize, input, size,
                          stream_->repeatTable)) {
    return Store(input, size, out, isStored);
  }
  z_stream &z = stream_->z;
  if (deflateReset(&z) != Z_OK) {
    return 0;
  }
  if (historySize > 0 &&
      deflateSetDictionary(&z, history, static_cast<uInt>(historySize)) !=
          Z_OK) {
    return 0;
  }
  z.next_in = const_cast<Bytef *>(input);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out + cab::kMsZipSignatureSize;
  // Less room than a stored block needs: deflate either wins or is dropped.
  z.avail_out =
      static_cast<uInt>(StoredSize(size) - 1 - cab::kMsZipSignatureSize);
  int result = deflate(&z, Z_FINISH);
  if (result == Z_STREAM_END) {
    *isStored = false;
    return cab::kMsZipSignatureSize + z.total_out;
  }
  if (result != Z_OK && result != Z_BUF_ERROR) {
    return 0;
  }
  return Store(input, size, out, isStored);
}

std::size_t MsZipEncoder::Store(const std::uint8_t *input, std::size_t size,
                                std::uint8_t *out, bool *isStored) {
  // A final stored block: BFINAL=1, BTYPE=00, then LEN and NLEN.
  std::uint8_t *at = out + cab::kMsZipSignatureSize;
  auto length = static_cast<std::uint16_t>(size);
  at[0] = 0x01;
  at[1] = static_cast<std::uint8_t>(length);
  at[2] = static_cast<std::uint8_t>(length >> 8);
  at[3] = static_cast<std::uint8_t>(~length);
  at[4] = static_cast<std::uint8_t>(~length >> 8);
  if (size > 0) {
    std::memcpy(at + 5, input, size);
  }
  *isStored = true;
  return StoredSize(size);
}

MsZipDecoder::MsZipDecoder(const EngineAllocator &allocator)
    : allocator_(allocator) {}

MsZipDecoder::~MsZipDecoder() {
  if (stream_ != nullptr && stream_->ready) {
    inflateEnd(&stream_->z);
  }
  DeleteWithAllocator(allocator_, stream_);
}

bool MsZipDecoder::Init() {
  stream_ = NewWithAllocator<Stream>(allocator_);
  if (stream_ == nullptr) {
    return false;
  }
  stream_->z.zalloc = ZlibAlloc;
  stream_->z.zfree = ZlibFree;
  stream_->z.opaque = &allocator_;
  stream_->ready = inflateInit2(&stream_->z, kRawWindowBits) == Z_OK;
  // zlib allocates the window on first use; a one-byte dictionary makes it
  // do so now, so that no allocation can fail while a cabinet is read.
  static const Bytef kPrime[1] = {0};
  return stream_->ready &&
         inflateSetDictionary(&stream_->z, kPrime, sizeof kPrime) == Z_OK;
}

bool MsZipDecoder::Decode(const std::uint8_t *history, std::size_t historySize,
                          const std::uint8_t *input, std::size_t size,
                          std::uint8_t *out, std::size_t expected) {
  if (size < cab::kMsZipSignatureSize ||
      std::memcmp(input, cab::kMsZipSignature, cab::kMsZipSignatureSize) != 0) {
    return false;
  }
  z_stream &z = stream_->z;
  if (inflateReset(&z) != Z_OK) {
    return false;
  }
  if (historySize > 0 &&
      inflateSetDictionary(&z, history, static_cast<uInt>(historySize)) !=
          Z_OK) {
    return false;
  }
  z.next_in = const_cast<Bytef *>(input + cab::kMsZipSignatureSize);
  z.avail_in = static_cast<uInt>(size - cab::kMsZipSignatureSize);
  z.next_out = out;
  z.avail_out = static_cast<uInt>(expected);
  // The stream must end exactly where the declared size is reached.
  return inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_out == 0;
}

} // namespace vorafile::archive
