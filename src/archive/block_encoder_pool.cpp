#include "archive/block_encoder_pool.h"

#include <algorithm>
#include <system_error>

namespace vorafile::archive {

BlockEncoderPool::BlockEncoderPool(const EngineAllocator &allocator)
    : allocator_(allocator) {}

BlockEncoderPool::~BlockEncoderPool() {
  Stop();
}

void BlockEncoderPool::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread &worker : workers_) {
    worker.join();
  }
  workers_.clear();
  stopping_ = false;
}

bool BlockEncoderPool::Init(unsigned threadCount) {
  Stop();
  if (threadCount == 0) {
    threadCount = std::max(1u, std::thread::hardware_concurrency());
  }
  threadCount = std::min(threadCount, kThreadsMax);
  encoders_.resize(std::min<std::size_t>(encoders_.size(), threadCount));
  while (encoders_.size() < threadCount) {
    auto encoder = std::make_unique<MsZipEncoder>(allocator_);
    if (!encoder->Init()) {
      return false;
    }
    encoders_.push_back(std::move(encoder));
  }
  for (std::size_t index = 1; index < encoders_.size(); ++index) {
    try {
      workers_.emplace_back(&BlockEncoderPool::WorkerLoop, this, index);
    } catch (const std::system_error &) {
      break; // the threads already running share the work
    }
  }
  return true;
}

void BlockEncoderPool::RunJobs(MsZipEncoder &encoder) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (nextJob_ < jobCount_) {
    BlockJob &job = jobs_[nextJob_++];
    lock.unlock();
    job.payloadSize = encoder.Encode(job.history, job.historySize, job.input,
                                     job.size, job.out, &job.isStored);
    lock.lock();
    if (++finishedJobs_ == jobCount_) {
      done_.notify_one();
    }
  }
}

void BlockEncoderPool::WorkerLoop(std::size_t encoderIndex) {
  MsZipEncoder &encoder = *encoders_[encoderIndex];
  std::uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || batch_ != seen; });
      if (stopping_) {
        return;
      }
      seen = batch_;
    }
    RunJobs(encoder);
  }
}

void BlockEncoderPool::EncodeAll(BlockJob *jobs, std::size_t count) {
  if (workers_.empty() || count < 2) {
    MsZipEncoder &encoder = CallerEncoder();
    for (std::size_t i = 0; i < count; ++i) {
      BlockJob &job = jobs[i];
      job.payloadSize = encoder.Encode(job.history, job.historySize, job.input,
                                       job.size, job.out, &job.isStored);
    }
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_ = jobs;
    jobCount_ = count;
    nextJob_ = 0;
    finishedJobs_ = 0;
    ++batch_;
  }
  wake_.notify_all();
  RunJobs(CallerEncoder());
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return finishedJobs_ == jobCount_; });
  jobs_ = nullptr;
  jobCount_ = 0;
  nextJob_ = 0;
}

} // namespace vorafile::archive
