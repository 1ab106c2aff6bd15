// The memory behind a host's NodeInfoBlock: the entry array that a fill
// allocates and the shared block its values live in.
#ifndef VORAFILE_HOST_NODE_INFO_BLOCK_H
#define VORAFILE_HOST_NODE_INFO_BLOCK_H

#include "vorafile/vorafile.h"

#include <cstddef>

namespace vorafile {

/// Allocates `count` zeroed entries for a block; null when out of memory.
/// Entries are released only by ReleaseNodeInfo or ReleaseNodeInfoEntries.
ParamQuery *AllocateNodeInfoEntries(std::size_t count);

/// Releases everything the block holds: unmaps the shared block and closes
/// its mapping (or frees a view that has no mapping), frees the entries, and
/// zeroes those fields. A null block is ignored.
void ReleaseNodeInfo(NodeInfoBlock *block);

/// Frees only the entry array and zeroes that field; the shared block stays.
void ReleaseNodeInfoEntries(NodeInfoBlock *block);

} // namespace vorafile

#endif // VORAFILE_HOST_NODE_INFO_BLOCK_H
