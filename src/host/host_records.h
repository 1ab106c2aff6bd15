// The host's parameter records: ParamQuery (one value) and NodeInfoBlock
// (every value of a node). These functions convert between the records and
// the node API; the checks of a write stay with the document.
#ifndef VORAFILE_HOST_HOST_RECORDS_H
#define VORAFILE_HOST_HOST_RECORDS_H

#include "vorafile/vorafile.h"

#include <cstdint>

namespace vorafile {
namespace nodes {
class SceneNode;
}

namespace host {

/// Copies one value into the caller's buffer, with its name and type. A
/// query whose extra is a sub-item key reads that sub-item when the node
/// lists one (SceneNode::VisitSubItems). Fails with the needed size in
/// query.size when the buffer is too small or null.
[[nodiscard]] bool ReadParam(nodes::SceneNode &node, ParamQuery &query);

/// Changes one value (same type, and same size unless a text), or adds it
/// when the node does not hold it. A text is taken up to its terminator,
/// and never past query.size when that is not 0.
[[nodiscard]] bool WriteParam(nodes::SceneNode &node, const ParamQuery &query);

/// Fills the block with every value of the node, the parameter list first
/// and then the node's sub-items, packed into the shared block
/// "voramemfilemap". A failure after the allocations leaves them in the
/// block for release (ReleaseNodeInfo).
[[nodiscard]] bool FillInfo(nodes::SceneNode &node, NodeInfoBlock &block);

/// Removes a parameter, or entry `index` of an indexed one (the entries
/// behind it move one place forward); the index is ignored for others.
[[nodiscard]] bool RemoveParam(nodes::SceneNode &node, std::uint32_t paramId,
                               std::int32_t index = -1);

} // namespace host
} // namespace vorafile

#endif // VORAFILE_HOST_HOST_RECORDS_H
