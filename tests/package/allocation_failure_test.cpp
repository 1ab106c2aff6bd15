// Every allocation of an open and of a save of the example package made to
// fail in turn, through the package object and through the C entry: each
// ends in a failure result (or a success, when the allocation was not
// needed), never in an exception out of the library or std::terminate, and
// leaves no working folder, no temporary cabinet and the old package intact.
// Leaks are LeakSanitizer's to find in the sanitizer build.
//
// Its own program: it replaces the global allocation functions.
#include "document/scene_document.h"
#include "package/fault_fixture.h"
#include "package/package.h"
#include "vorafile/vorafile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <execinfo.h>
#include <functional>
#include <iostream>
#include <new>
#include <optional>

namespace {

std::atomic<bool> isCounting{false};
std::atomic<long> allocationCount{0};
std::atomic<long> failingAllocation{0}; // 0: none fails

// The call stack of the last failed allocation, printed when its point
// fails a check.
constexpr int kMaxFrames = 24;
void *failedFrames[kMaxFrames];
int failedFrameCount = 0;

void *FailAllocation() {
  failedFrameCount = backtrace(failedFrames, kMaxFrames);
  return nullptr;
}

// Null when the armed allocation is reached (or the heap is out).
void *AllocateCounted(std::size_t size, std::size_t alignment) {
  if (isCounting.load(std::memory_order_relaxed) &&
      allocationCount.fetch_add(1) + 1 == failingAllocation.load()) {
    return FailAllocation();
  }
  const std::size_t bytes = size == 0 ? 1 : size;
  if (alignment <= alignof(std::max_align_t)) {
    return std::malloc(bytes);
  }
  // aligned_alloc wants a multiple of the alignment.
  return std::aligned_alloc(alignment,
                            (bytes + alignment - 1) / alignment * alignment);
}

void *AllocateOrThrow(std::size_t size, std::size_t alignment) {
  if (void *memory = AllocateCounted(size, alignment)) {
    return memory;
  }
  throw std::bad_alloc();
}

} // namespace

void *operator new(std::size_t size) {
  return AllocateOrThrow(size, 0);
}
void *operator new[](std::size_t size) {
  return AllocateOrThrow(size, 0);
}
void *operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void *operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return AllocateCounted(size, 0);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return AllocateCounted(size, 0);
}
void *operator new(std::size_t size, std::align_val_t alignment,
                   const std::nothrow_t &) noexcept {
  return AllocateCounted(size, static_cast<std::size_t>(alignment));
}
void *operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t &) noexcept {
  return AllocateCounted(size, static_cast<std::size_t>(alignment));
}
void operator delete(void *memory) noexcept {
  std::free(memory);
}
void operator delete[](void *memory) noexcept {
  std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void *memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete(void *memory, std::align_val_t) noexcept {
  std::free(memory);
}
void operator delete[](void *memory, std::align_val_t) noexcept {
  std::free(memory);
}
void operator delete(void *memory, std::size_t, std::align_val_t) noexcept {
  std::free(memory);
}
void operator delete[](void *memory, std::size_t, std::align_val_t) noexcept {
  std::free(memory);
}
void operator delete(void *memory, const std::nothrow_t &) noexcept {
  std::free(memory);
}
void operator delete[](void *memory, const std::nothrow_t &) noexcept {
  std::free(memory);
}
void operator delete(void *memory, std::align_val_t,
                     const std::nothrow_t &) noexcept {
  std::free(memory);
}
void operator delete[](void *memory, std::align_val_t,
                       const std::nothrow_t &) noexcept {
  std::free(memory);
}

namespace vorafile {
namespace {

/// Counts the allocations of `step` while `point` (1-based; 0 for none)
/// fails. Answers the step's own answer, or nothing when an exception left
/// it.
std::optional<bool> RunCounted(long point, const std::function<bool()> &step) {
  allocationCount = 0;
  failingAllocation = point;
  isCounting = true;
  std::optional<bool> answer;
  try {
    answer = step();
  } catch (...) {
  }
  isCounting = false;
  return answer;
}

std::uintptr_t Arg(const std::string &text) {
  return reinterpret_cast<std::uintptr_t>(text.c_str());
}

// Through the package object: no exception may leave Open or SaveAs.
std::optional<bool> OpenThroughPackage(const std::string &package, long point) {
  SceneDocument document;
  Package opened(document);
  return RunCounted(point,
                    [&] { return static_cast<bool>(opened.Open(package)); });
}

std::optional<bool> SaveThroughPackage(const std::string &package,
                                       const std::string &target, long point) {
  SceneDocument document;
  Package opened(document);
  if (!opened.Open(package) || !document.WriteScript()) {
    ADD_FAILURE() << "the example package does not open";
    return false;
  }
  return RunCounted(point,
                    [&] { return static_cast<bool>(opened.SaveAs(target)); });
}

// Through the C entry, as a host asks: it answers 0 or 1, whatever fails.
std::optional<bool> OpenThroughEntry(const std::string &package, long point) {
  if (SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0) != 1) {
    ADD_FAILURE() << "no file manager";
    return false;
  }
  std::optional<bool> answer = RunCounted(point, [&] {
    return SendVoraFileMsg(VORA_MSG_OPEN_PACKAGE, Arg(package), 0, 0, 0) == 1;
  });
  (void)SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0);
  return answer;
}

std::optional<bool> SaveThroughEntry(const std::string &package,
                                     const std::string &target, long point) {
  if (SendVoraFileMsg(VORA_MSG_CREATE, 0, 0, 0, 0) != 1 ||
      SendVoraFileMsg(VORA_MSG_OPEN_PACKAGE, Arg(package), 0, 0, 0) != 1) {
    ADD_FAILURE() << "the example package does not open";
    return false;
  }
  std::optional<bool> answer = RunCounted(point, [&] {
    return SendVoraFileMsg(VORA_MSG_SAVE_PACKAGE, Arg(target), 0, 0, 0) == 1;
  });
  (void)SendVoraFileMsg(VORA_MSG_DESTROY, 0, 0, 0, 0);
  return answer;
}

using OpenDoor = std::optional<bool> (*)(const std::string &, long);
using SaveDoor = std::optional<bool> (*)(const std::string &,
                                         const std::string &, long);

struct DoorCase {
  const char *name;
  OpenDoor open;
  SaveDoor save;
};

const DoorCase kDoors[] = {
    {"package", OpenThroughPackage, SaveThroughPackage},
    {"C entry", OpenThroughEntry, SaveThroughEntry},
};

class AllocationFailureTest : public test::FaultTest {
protected:
  // Runs `attempt` once to count its allocations, then once per allocation
  // with that one failing; answers the count.
  long
  FailEachAllocation(const char *step,
                     const std::function<std::optional<bool>(long)> &attempt) {
    const std::optional<bool> unarmed = attempt(0);
    const long count = allocationCount;
    EXPECT_EQ(unarmed, std::optional<bool>(true)) << step;
    EXPECT_TRUE(ExpectCleanAfter(step, 0, false));
    long failures = 0;
    for (long point = 1; point <= count; ++point) {
      const std::optional<bool> answer = attempt(point);
      EXPECT_TRUE(answer.has_value())
          << step << ": an exception left the library at allocation " << point;
      failures += answer == std::optional<bool>(false);
      if (!answer || !ExpectCleanAfter(step, point, !*answer)) {
        std::cerr << "the failed allocation:\n";
        backtrace_symbols_fd(failedFrames, failedFrameCount, 2);
        break;
      }
    }
    std::cout << step << ": " << count << " allocations failed in turn, "
              << failures << " failed the step\n";
    RecordProperty(std::string(step) + " allocations", static_cast<int>(count));
    return count;
  }
};

TEST_F(AllocationFailureTest, EveryAllocationOfAnOpenAndASaveFailsCleanly) {
  for (const DoorCase &door : kDoors) {
    const std::string openStep = std::string(door.name) + " open";
    const std::string saveStep = std::string(door.name) + " save";
    EXPECT_GT(FailEachAllocation(
                  openStep.c_str(),
                  [&](long point) { return door.open(example_, point); }),
              100);
    EXPECT_GT(FailEachAllocation(saveStep.c_str(),
                                 [&](long point) {
                                   return door.save(example_, target_, point);
                                 }),
              100);
  }
}

} // namespace
} // namespace vorafile
