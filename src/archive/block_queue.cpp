#include "archive/block_queue.h"

#include <cstring>

namespace vorafile::archive {

BlockQueue::BlockQueue(const EngineAllocator &allocator)
    : allocator_(allocator), pool_(allocator) {}

bool BlockQueue::Init() {
  for (BlockSlot &slot : slots_) {
    if (!slot.input.Allocate(allocator_, cab::kBlockMax) ||
        !slot.payload.Allocate(allocator_, kPayloadMax)) {
      return false;
    }
  }
  return history_.Allocate(allocator_, cab::kBlockMax) && pool_.Init(0);
}

bool BlockQueue::SetThreadCount(unsigned threadCount) {
  return pool_.Init(threadCount);
}

void BlockQueue::Reset() {
  queued_ = 0;
  filling_ = 0;
  historySize_ = 0;
}

bool BlockQueue::AddFilled(std::size_t count) {
  filling_ += count;
  if (filling_ < cab::kBlockMax) {
    return false;
  }
  slots_[queued_].size = filling_;
  filling_ = 0;
  return ++queued_ == kCapacity;
}

void BlockQueue::QueuePartial() {
  if (filling_ > 0) {
    slots_[queued_].size = filling_;
    ++queued_;
    filling_ = 0;
  }
}

void BlockQueue::EncodeJobs(BlockJob *jobs, std::size_t count,
                            std::uint16_t type) {
  if (type != cab::kCompressNone) {
    pool_.EncodeAll(jobs, count);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(jobs[i].out, jobs[i].input, jobs[i].size);
    jobs[i].payloadSize = jobs[i].size;
    jobs[i].isStored = false;
  }
}

BlockJob *BlockQueue::Encode(std::uint16_t type) {
  for (std::size_t i = 0; i < queued_; ++i) {
    BlockJob &job = jobs_[i];
    job = BlockJob{};
    job.history = i == 0 ? history_.Data() : slots_[i - 1].input.Data();
    job.historySize = i == 0 ? historySize_ : slots_[i - 1].size;
    job.input = slots_[i].input.Data();
    job.size = slots_[i].size;
    job.out = slots_[i].payload.Data();
  }
  EncodeJobs(jobs_, queued_, type);
  return jobs_;
}

void BlockQueue::EncodeOne(BlockJob &job, std::uint16_t type) {
  EncodeJobs(&job, 1, type);
}

void BlockQueue::Retire() {
  if (queued_ == 0) {
    return;
  }
  history_.Swap(slots_[queued_ - 1].input);
  historySize_ = slots_[queued_ - 1].size;
  if (queued_ < kCapacity) {
    slots_[0].input.Swap(slots_[queued_].input);
  }
  queued_ = 0;
}

} // namespace vorafile::archive
