// MSZIP block coding spread over threads: a batch of blocks whose inputs
// (and dictionaries) are all known is coded by the calling thread together
// with a few worker threads, each with its own zlib stream.
//
// The workers do nothing but deflate on buffers the caller owns: they call no
// engine callback, and all zlib memory is taken (through the caller's
// allocation callback) by Init on the calling thread. Which thread codes a
// block changes nothing in its bytes.
#ifndef VORAFILE_ARCHIVE_BLOCK_ENCODER_POOL_H
#define VORAFILE_ARCHIVE_BLOCK_ENCODER_POOL_H

#include "archive/engine_memory.h"
#include "archive/mszip_codec.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vorafile::archive {

/// One block to code: the MsZipEncoder::Encode arguments and its results.
struct BlockJob {
  const std::uint8_t *history = nullptr;
  std::size_t historySize = 0;
  const std::uint8_t *input = nullptr;
  std::size_t size = 0;
  std::uint8_t *out = nullptr; ///< MsZipEncoder::StoredSize(size) bytes
  std::size_t payloadSize = 0; ///< 0 when zlib failed
  bool isStored = false;
};

class BlockEncoderPool {
public:
  /// Most threads used for one context, the calling one included.
  static constexpr unsigned kThreadsMax = 4;

  explicit BlockEncoderPool(const EngineAllocator &allocator);
  BlockEncoderPool(const BlockEncoderPool &) = delete;
  BlockEncoderPool &operator=(const BlockEncoderPool &) = delete;
  /// Stops and joins the workers.
  ~BlockEncoderPool();

  /// Makes the coders for `threadCount` threads (0: one per processor),
  /// capped at kThreadsMax, and starts the workers. A worker that cannot be
  /// started leaves its share to the others. False when zlib could not get
  /// its memory; the pool is then unusable. May be called again to change
  /// the count.
  [[nodiscard]] bool Init(unsigned threadCount);

  /// Threads that code blocks, the calling one included.
  unsigned ThreadCount() const {
    return static_cast<unsigned>(workers_.size()) + 1;
  }

  /// The calling thread's coder, for single blocks.
  MsZipEncoder &CallerEncoder() { return *encoders_.front(); }

  /// Codes every job and returns when all are done.
  void EncodeAll(BlockJob *jobs, std::size_t count);

private:
  void Stop();
  void WorkerLoop(std::size_t encoderIndex);
  void RunJobs(MsZipEncoder &encoder);

  EngineAllocator allocator_;
  std::vector<std::unique_ptr<MsZipEncoder>> encoders_;
  std::vector<std::thread> workers_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  BlockJob *jobs_ = nullptr;
  std::size_t jobCount_ = 0;
  std::size_t nextJob_ = 0;
  std::size_t finishedJobs_ = 0;
  std::uint64_t batch_ = 0;
  bool stopping_ = false;
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_BLOCK_ENCODER_POOL_H
