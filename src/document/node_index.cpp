#include "document/node_index.h"

#include "nodes/core/scene_node.h"
#include "platform/ascii.h"

#include <algorithm>

namespace vorafile {

using nodes::SceneNode;

void NodeIndex::Register(int rowType, int nodeId, SceneNode &node) {
  if (static_cast<std::size_t>(rowCount_) >= kNodeIndexRows) {
    overfull_ = true;
    return;
  }
  rows_[static_cast<std::size_t>(rowCount_)] = {rowType, nodeId, &node};
  ++rowCount_;
}

void NodeIndex::Forget(const SceneNode &node) {
  const auto used = rows_.begin() + rowCount_;
  for (auto row = rows_.begin(); row != used; ++row) {
    if (row->node == &node) {
      *row = {kForgottenRowType, -1, nullptr};
    }
  }
}

SceneNode *NodeIndex::FindById(int nodeId) const {
  return FindByIdInRows(nodeId, rowCount_);
}

SceneNode *NodeIndex::FindByIdInRows(int nodeId, int rows) const {
  const int limit = std::clamp(rows, 0, rowCount_);
  for (int row = 0; row < limit; ++row) {
    const NodeIndexRow &entry = rows_[static_cast<std::size_t>(row)];
    if (entry.node != nullptr && entry.id == nodeId) {
      return entry.node;
    }
  }
  return nullptr;
}

SceneNode *NodeIndex::FindByIntParam(int rowType, int paramId,
                                     std::int32_t value) const {
  for (int row = 0; row < rowCount_; ++row) {
    const NodeIndexRow &entry = rows_[static_cast<std::size_t>(row)];
    if (entry.type != rowType || entry.node == nullptr) {
      continue;
    }
    std::optional<std::int32_t> held =
        entry.node->GetParamAs<std::int32_t>(paramId);
    if (held && *held == value) {
      return entry.node;
    }
  }
  return nullptr;
}

SceneNode *NodeIndex::FindByTextParam(int rowType, int paramId,
                                      std::string_view text) const {
  for (int row = 0; row < rowCount_; ++row) {
    const NodeIndexRow &entry = rows_[static_cast<std::size_t>(row)];
    if (entry.type != rowType || entry.node == nullptr) {
      continue;
    }
    std::optional<std::string> held = entry.node->GetTextParam(paramId);
    if (held && ascii::EqualsIgnoreCase(*held, text)) {
      return entry.node;
    }
  }
  return nullptr;
}

SceneNode *NodeIndex::FindByTypeAndOrdinal(int rowType, int ordinal) const {
  if (ordinal < 0) {
    return nullptr;
  }
  int seen = 0;
  for (const NodeIndexRow &row : rows_) {
    if (row.type == VORA_NODE_END) {
      break;
    }
    if (row.type == rowType && row.node != nullptr && seen++ == ordinal) {
      return row.node;
    }
  }
  return nullptr;
}

} // namespace vorafile
