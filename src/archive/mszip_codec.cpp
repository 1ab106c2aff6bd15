#include "archive/mszip_codec.h"

#include "archive/byte_cursor.h"
#include "archive/cab_format.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

#include <zlib.h>
#if VORAFILE_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace vorafile::archive {
namespace {

// Raw deflate (no zlib header) with the full 32 KiB window.
constexpr int kRawWindowBits = -15;
#if VORAFILE_HAVE_LIBDEFLATE
// libdeflate codes each block alone, without the previous block as
// dictionary, and still codes smaller than zlib's level 5 with it, at about
// 2.5 times zlib's speed. Its level 6 is a few tenths of a percent smaller
// than its level 5 for a tenth more time.
constexpr int kLibdeflateLevel = 6;
#else
// Level 5 with the history carried from block to block codes smaller than
// level 6 on blocks coded alone (what other MSZIP writers do) and about half
// again as fast as level 6 with history.
constexpr int kDeflateLevel = 5;
constexpr int kMemLevel = 8;
#endif

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

#if VORAFILE_HAVE_LIBDEFLATE
// libdeflate takes memory through one process-wide hook without a context
// pointer, and only in its alloc and free calls. Around those calls the
// engine lends its allocator to the hook through this thread's slot; other
// calls get malloc and free. (The library is linked statically where it
// can be, so the hook is not shared with other libdeflate users.)
thread_local const EngineAllocator *tLentAllocator = nullptr;

void *LibdeflateAllocate(std::size_t size) {
  return tLentAllocator != nullptr ? tLentAllocator->Allocate(size)
                                   : std::malloc(size);
}

void LibdeflateRelease(void *address) {
  if (tLentAllocator != nullptr) {
    tLentAllocator->Release(address);
  } else {
    std::free(address);
  }
}

class LentAllocator {
public:
  explicit LentAllocator(const EngineAllocator &allocator) {
    static std::once_flag installed;
    std::call_once(installed, [] {
      libdeflate_set_memory_allocator(LibdeflateAllocate, LibdeflateRelease);
    });
    tLentAllocator = &allocator;
  }
  LentAllocator(const LentAllocator &) = delete;
  LentAllocator &operator=(const LentAllocator &) = delete;
  ~LentAllocator() { tLentAllocator = nullptr; }
};
#endif

} // namespace

struct MsZipEncoder::Stream {
#if VORAFILE_HAVE_LIBDEFLATE
  libdeflate_compressor *compressor = nullptr;
#else
  z_stream z{};
  bool ready = false;
#endif
  std::uint32_t repeatTable[std::size_t{1} << kRepeatHashBits] = {};
};

struct MsZipDecoder::Stream {
  z_stream z{};
  bool ready = false;
#if VORAFILE_HAVE_LIBDEFLATE
  libdeflate_decompressor *decompressor = nullptr;
  // Set once a block decoded only with its history: that writer's later
  // blocks go to zlib directly instead of failing in libdeflate first.
  bool historyUsed = false;
#endif
};

const char *MsZipEncoder::LibraryName() {
#if VORAFILE_HAVE_LIBDEFLATE
  return "libdeflate " LIBDEFLATE_VERSION_STRING;
#else
  return "zlib " ZLIB_VERSION;
#endif
}

bool MsZipEncoder::CodesWithHistory() {
  return VORAFILE_HAVE_LIBDEFLATE == 0;
}

MsZipEncoder::MsZipEncoder(const EngineAllocator &allocator)
    : allocator_(allocator) {}

MsZipEncoder::~MsZipEncoder() {
  if (stream_ != nullptr) {
#if VORAFILE_HAVE_LIBDEFLATE
    LentAllocator lent(allocator_);
    libdeflate_free_compressor(stream_->compressor);
#else
    if (stream_->ready) {
      deflateEnd(&stream_->z);
    }
#endif
  }
  DeleteWithAllocator(allocator_, stream_);
}

bool MsZipEncoder::Init() {
  stream_ = NewWithAllocator<Stream>(allocator_);
  if (stream_ == nullptr) {
    return false;
  }
#if VORAFILE_HAVE_LIBDEFLATE
  LentAllocator lent(allocator_);
  stream_->compressor = libdeflate_alloc_compressor(kLibdeflateLevel);
  return stream_->compressor != nullptr;
#else
  stream_->z.zalloc = ZlibAlloc;
  stream_->z.zfree = ZlibFree;
  stream_->z.opaque = &allocator_;
  stream_->ready =
      deflateInit2(&stream_->z, kDeflateLevel, Z_DEFLATED, kRawWindowBits,
                   kMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
  return stream_->ready;
#endif
}

std::size_t MsZipEncoder::Encode(const std::uint8_t *history,
                                 std::size_t historySize,
                                 const std::uint8_t *input, std::size_t size,
                                 std::uint8_t *out, bool *isStored) {
  std::memcpy(out, cab::kMsZipSignature, cab::kMsZipSignatureSize);
  // Less room than a stored block needs: deflate either wins or is dropped.
  std::size_t room = StoredSize(size) - 1 - cab::kMsZipSignatureSize;
#if VORAFILE_HAVE_LIBDEFLATE
  // Blocks are coded alone, so repeats in the history do not count.
  (void)history;
  (void)historySize;
  if (LooksIncompressible(nullptr, 0, input, size, stream_->repeatTable)) {
    return Store(input, size, out, isStored);
  }
  std::size_t coded = libdeflate_deflate_compress(
      stream_->compressor, input, size, out + cab::kMsZipSignatureSize, room);
  if (coded != 0) {
    *isStored = false;
    return cab::kMsZipSignatureSize + coded;
  }
  return Store(input, size, out, isStored);
#else
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
  z.avail_out = static_cast<uInt>(room);
  int result = deflate(&z, Z_FINISH);
  if (result == Z_STREAM_END) {
    *isStored = false;
    return cab::kMsZipSignatureSize + z.total_out;
  }
  if (result != Z_OK && result != Z_BUF_ERROR) {
    return 0;
  }
  return Store(input, size, out, isStored);
#endif
}

std::size_t MsZipEncoder::Store(const std::uint8_t *input, std::size_t size,
                                std::uint8_t *out, bool *isStored) {
  // A final stored block: BFINAL=1, BTYPE=00, then LEN and NLEN.
  std::uint8_t *at = out + cab::kMsZipSignatureSize;
  auto length = static_cast<std::uint16_t>(size);
  at[0] = 0x01;
  StoreU16(at + 1, length);
  StoreU16(at + 3, static_cast<std::uint16_t>(~length));
  if (size > 0) {
    std::memcpy(at + 5, input, size);
  }
  *isStored = true;
  return StoredSize(size);
}

MsZipDecoder::MsZipDecoder(const EngineAllocator &allocator)
    : allocator_(allocator) {}

MsZipDecoder::~MsZipDecoder() {
  if (stream_ != nullptr) {
    if (stream_->ready) {
      inflateEnd(&stream_->z);
    }
#if VORAFILE_HAVE_LIBDEFLATE
    LentAllocator lent(allocator_);
    libdeflate_free_decompressor(stream_->decompressor);
#endif
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
  if (!stream_->ready ||
      inflateSetDictionary(&stream_->z, kPrime, sizeof kPrime) != Z_OK) {
    return false;
  }
#if VORAFILE_HAVE_LIBDEFLATE
  LentAllocator lent(allocator_);
  stream_->decompressor = libdeflate_alloc_decompressor();
  return stream_->decompressor != nullptr;
#else
  return true;
#endif
}

bool MsZipDecoder::Decode(const std::uint8_t *history, std::size_t historySize,
                          const std::uint8_t *input, std::size_t size,
                          std::uint8_t *out, std::size_t expected) {
  if (size < cab::kMsZipSignatureSize ||
      std::memcmp(input, cab::kMsZipSignature, cab::kMsZipSignatureSize) != 0) {
    return false;
  }
  const std::uint8_t *deflated = input + cab::kMsZipSignatureSize;
  std::size_t deflatedSize = size - cab::kMsZipSignatureSize;
#if VORAFILE_HAVE_LIBDEFLATE
  // libdeflate cannot take a dictionary, but most writers code blocks alone,
  // and a block that decodes without its history decodes the same with it.
  // Anything libdeflate refuses goes to zlib, which has the history.
  if (historySize == 0 || !stream_->historyUsed) {
    std::size_t produced = 0;
    if (libdeflate_deflate_decompress(stream_->decompressor, deflated,
                                      deflatedSize, out, expected,
                                      &produced) == LIBDEFLATE_SUCCESS) {
      return produced == expected;
    }
  }
#endif
  z_stream &z = stream_->z;
  if (inflateReset(&z) != Z_OK) {
    return false;
  }
  if (historySize > 0 &&
      inflateSetDictionary(&z, history, static_cast<uInt>(historySize)) !=
          Z_OK) {
    return false;
  }
  z.next_in = const_cast<Bytef *>(deflated);
  z.avail_in = static_cast<uInt>(deflatedSize);
  z.next_out = out;
  z.avail_out = static_cast<uInt>(expected);
  // The stream must end exactly where the declared size is reached.
  bool decoded = inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_out == 0;
#if VORAFILE_HAVE_LIBDEFLATE
  stream_->historyUsed = stream_->historyUsed || (decoded && historySize > 0);
#endif
  return decoded;
}

} // namespace vorafile::archive
