// Memory of the cabinet engine, all of it taken from the caller's allocation
// callbacks: fixed buffers and the engine contexts themselves.
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
  return new (memory) T(std::forward<Args>(args)...);
}

template <typename T>
void DeleteWithAllocator(const EngineAllocator &allocator, T *object) {
  if (object != nullptr) {
    object->~T();
    allocator.Release(object);
  }
}

} // namespace vorafile::archive

#endif // VORAFILE_ARCHIVE_ENGINE_MEMORY_H
