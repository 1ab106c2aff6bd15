#include "platform/shared_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vorafile::platform {
namespace {

constexpr std::size_t kBlockSize = 16384;

TEST(SharedMemoryTest, MapsOfOneNameShareTheirBytes) {
  const std::string name = "vorafile-test-block";
  std::optional<SharedMapping> first = MapSharedBlock(name, kBlockSize);
  ASSERT_TRUE(first);
  EXPECT_NE(first->handle, 0u);
  ASSERT_NE(first->view, nullptr);
  auto *bytes = static_cast<unsigned char *>(first->view);
  std::memset(bytes, 0x5a, kBlockSize); // the whole block is writable
  bytes[0] = 1;
  bytes[kBlockSize - 1] = 2;

  std::optional<SharedMapping> second = MapSharedBlock(name, kBlockSize);
  ASSERT_TRUE(second);
  auto *seen = static_cast<unsigned char *>(second->view);
  EXPECT_EQ(seen[0], 1);
  EXPECT_EQ(seen[kBlockSize - 1], 2);

  UnmapSharedBlock(second->handle, second->view, kBlockSize);
  UnmapSharedBlock(first->handle, first->view, kBlockSize);

  // With the last map gone the block starts afresh.
  std::optional<SharedMapping> third = MapSharedBlock(name, kBlockSize);
  ASSERT_TRUE(third);
  EXPECT_EQ(static_cast<unsigned char *>(third->view)[0], 0);
  UnmapSharedBlock(third->handle, third->view, kBlockSize);
}

TEST(SharedMemoryTest, RejectsUnusableRequests) {
  EXPECT_FALSE(MapSharedBlock("", kBlockSize));
  EXPECT_FALSE(MapSharedBlock("vorafile-test-empty", 0));
  UnmapSharedBlock(0, nullptr, kBlockSize); // nothing to release: no effect
}

} // namespace
} // namespace vorafile::platform
