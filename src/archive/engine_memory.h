// Memory of the cabinet engine, all of it taken from the caller's allocation
// callbacks: fixed buffers and the engine contexts themselves, with the
// shape both engines' entry functions share (create, call, destroy).
#ifndef VORAFILE_ARCHIVE_ENGINE_MEMORY_H
#define VORAFILE_ARCHIVE_ENGINE_MEMORY_H

#include "archive/cabinet_engine.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace vorafile::archive {

struct EngineAllocator {
  CabAllocFn alloc = nullptr;
  CabFreeFn free = nullptr;
  void *user = nullptr;

  void *Allocate(std::size_t size) const { return alloc(size, user); }
  void Release(void *memory) const {
    if (memory != nullptr) {
      free(memory, user);
    }
  }
};

/// A fixed-size byte buffer from the allocation callback.
class EngineBuffer {
public:
  EngineBuffer() = default;
  EngineBuffer(const EngineBuffer &) = delete;
  EngineBuffer &operator=(const EngineBuffer &) = delete;
  ~EngineBuffer() { allocator_.Release(data_); }

  /// False when the callback gave no memory.
  [[nodiscard]] bool Allocate(const EngineAllocator &allocator,
                              std::size_t size) {
    allocator_ = allocator;
    data_ = static_cast<std::uint8_t *>(allocator.Allocate(size));
    size_ = data_ != nullptr ? size : 0;
    return data_ != nullptr;
  }
  std::uint8_t *Data() { return data_; }
  const std::uint8_t *Data() const { return data_; }
  std::size_t Size() const { return size_; }
  void Swap(EngineBuffer &other) {
    std::swap(allocator_, other.allocator_);
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

private:
  EngineAllocator allocator_;
  std::uint8_t *data_ = nullptr;
  std::size_t size_ = 0;
};

/// Constructs a T in memory from the allocation callback; nullptr when the
/// callback fails.
template <typename T, typename... Args>
T *NewWithAllocator(const EngineAllocator &allocator, Args &&...args) {
  void *memory = allocator.Allocate(sizeof(T));
  if (memory == nullptr) {
    return nullptr;
  }
  try {
    return new (memory) T(std::forward<Args>(args)...);
  } catch (...) {
    // A constructor that ran out of memory must not take the block along.
    allocator.Release(memory);
    throw;
  }
}

template <typename T>
void DeleteWithAllocator(const EngineAllocator &allocator, T *object) {
  if (object != nullptr) {
    object->~T();
    allocator.Release(object);
  }
}

/// Makes an engine context and runs its Init(); nullptr when either fails.
/// When no memory can be had, `error` receives `allocFailCode`; a failing
/// Init has recorded its own reason.
template <typename Context, typename... Args>
Context *CreateEngineContext(const EngineAllocator &allocator,
                             CabinetErrorRecord *error,
                             std::int32_t allocFailCode, Args &&...args) {
  if (error != nullptr) {
    *error = CabinetErrorRecord{};
  }
  Context *context = nullptr;
  try {
    context = NewWithAllocator<Context>(allocator, std::forward<Args>(args)...);
    if (context != nullptr && context->Init()) {
      return context;
    }
  } catch (const std::bad_alloc &) {
  }
  if (context == nullptr) {
    RecordFailure(error, allocFailCode);
    return nullptr;
  }
  DeleteWithAllocator(allocator, context);
  return nullptr;
}

/// Runs `call(*context)`, so that no exception leaves an entry function: a
/// failed allocation becomes the context's out-of-memory failure. False
/// for a null context.
template <typename Context, typename Call>
[[nodiscard]] bool CallEngineContext(Context *context, Call &&call) {
  if (context == nullptr) {
    return false;
  }
  try {
    return call(*context);
  } catch (const std::bad_alloc &) {
    return context->FailOutOfMemory();
  }
}

/// Releases a context with the allocator it came from; nullptr is accepted.
template <typename Context> bool DestroyEngineContext(Context *context) {
  if (context != nullptr) {
    EngineAllocator allocator = context->Allocator();
    DeleteWithAllocator(allocator, context);
  }
  return true;
}

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_ENGINE_MEMORY_H
