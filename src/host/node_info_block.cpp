#include "host/node_info_block.h"

#include "platform/shared_memory.h"

#include <cstdlib>

namespace vorafile {

// The entries are a C array handed to the host, so they come from the C
// allocator; a block that reaches the release twice finds null fields.
ParamQuery *AllocateNodeInfoEntries(std::size_t count) {
  if (count == 0) {
    return nullptr;
  }
  return static_cast<ParamQuery *>(std::calloc(count, sizeof(ParamQuery)));
}

void ReleaseNodeInfo(NodeInfoBlock *block) {
  if (block == nullptr) {
    return;
  }
  if (block->mapping != 0) {
    platform::UnmapSharedBlock(block->mapping, block->view,
                               VORA_SHARED_BLOCK_SIZE);
  } else {
    std::free(block->view);
  }
  block->mapping = 0;
  block->view = nullptr;
  ReleaseNodeInfoEntries(block);
}

void ReleaseNodeInfoEntries(NodeInfoBlock *block) {
  if (block == nullptr) {
    return;
  }
  std::free(block->entries);
  block->entries = nullptr;
}

} // namespace vorafile
