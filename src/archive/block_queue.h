// The write engine's queue of full blocks of the open folder, coded together.
//
// Bytes of the files added fill one block at a time; a full block joins the
// queue. Every queued block's input and its dictionary (the block before it,
// or the history from the previous batch) are then known, so the whole queue
// is coded at once by a BlockEncoderPool (several threads), and the engine
// admits the coded blocks one by one in order. The queue depth, not the
// thread count, decides the batches, so the output is the same for any
// number of threads.
#ifndef VORAFILE_ARCHIVE_BLOCK_QUEUE_H
#define VORAFILE_ARCHIVE_BLOCK_QUEUE_H

#include "archive/block_encoder_pool.h"
#include "archive/cab_format.h"
#include "archive/engine_memory.h"

#include <cstddef>
#include <cstdint>

namespace vorafile::archive {

class BlockQueue {
public:
  /// Full blocks read ahead of coding: enough to keep every thread busy.
  static constexpr std::size_t kCapacity =
      std::size_t{2} * BlockEncoderPool::kThreadsMax;
  /// Largest coded block: a stored MSZIP block.
  static constexpr std::size_t kPayloadMax = cab::kBlockMax + 7;

  explicit BlockQueue(const EngineAllocator &allocator);
  BlockQueue(const BlockQueue &) = delete;
  BlockQueue &operator=(const BlockQueue &) = delete;

  /// Allocates the block buffers and starts the coders (one thread per
  /// processor); false when memory could not be had.
  [[nodiscard]] bool Init();
  /// See BlockEncoderPool::Init.
  [[nodiscard]] bool SetThreadCount(unsigned threadCount);

  /// A new folder: nothing queued, nothing being filled, no history.
  void Reset();
  /// Drops the history, so the next block starts a fresh dictionary.
  void ForgetHistory() { historySize_ = 0; }

  /// Where the next bytes of the block being filled go, and how many fit.
  std::uint8_t *FillAt() { return slots_[queued_].input.Data() + filling_; }
  std::size_t FillRoom() const { return cab::kBlockMax - filling_; }
  /// Counts `count` bytes written at FillAt(). A block that is full joins
  /// the queue; true when the queue is then full and must be coded.
  [[nodiscard]] bool AddFilled(std::size_t count);
  /// The partly filled block joins the queue (its folder is closing).
  void QueuePartial();

  std::size_t QueuedCount() const { return queued_; }
  [[nodiscard]] bool HasPartial() const { return filling_ > 0; }

  /// Codes the queued blocks (MSZIP, or copies for `type` kCompressNone)
  /// and returns their QueuedCount() jobs, in order.
  BlockJob *Encode(std::uint16_t type);
  /// Codes one job again, e.g. without its history.
  void EncodeOne(BlockJob &job, std::uint16_t type);
  /// After the coded blocks were admitted: the last one becomes the history
  /// and the queue is empty again (the block being filled kept).
  void Retire();

private:
  struct BlockSlot {
    EngineBuffer input;   // uncompressed bytes
    EngineBuffer payload; // the coded block
    std::size_t size = 0;
  };

  void EncodeJobs(BlockJob *jobs, std::size_t count, std::uint16_t type);

  EngineAllocator allocator_;
  BlockEncoderPool pool_;
  // slots_[0, queued_) wait to be coded; slots_[queued_] is being filled
  // (filling_ bytes).
  BlockSlot slots_[kCapacity];
  BlockJob jobs_[kCapacity];
  std::size_t queued_ = 0;
  std::size_t filling_ = 0;
  EngineBuffer history_; // the folder's block before slots_[0]
  std::size_t historySize_ = 0;
};

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_BLOCK_QUEUE_H
