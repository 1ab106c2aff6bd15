// The scene's node index: a flat table of every node of the scene, through
// which the host reaches nodes by id or by type and ordinal. The root owns
// it and registers itself in row 0; every node made under the root takes
// the next row. The table has a fixed number of rows and does not grow.
#ifndef VORAFILE_DOCUMENT_NODE_INDEX_H
#define VORAFILE_DOCUMENT_NODE_INDEX_H

#include "nodes/core/node_registry.h"
#include "vorafile/vorafile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorafile {

namespace nodes {
class SceneNode;
}

/// One row. A fresh row is the end marker: scans by type stop there.
struct NodeIndexRow {
  std::int32_t type = VORA_NODE_END;
  std::int32_t id = -1;
  nodes::SceneNode *node = nullptr;
};

/// Rows of the node index; it does not grow.
inline constexpr std::size_t kNodeIndexRows = 1024;

/// Type of a forgotten row: neither a node type nor the end marker, so that
/// scans by type pass over it and later rows keep their places.
inline constexpr std::int32_t kForgottenRowType = -1;

class NodeIndex final : public nodes::NodeRegistry {
public:
  NodeIndex() = default;
  NodeIndex(const NodeIndex &) = delete;
  NodeIndex &operator=(const NodeIndex &) = delete;
  ~NodeIndex() = default;

  /// Takes the next row; a full table takes nothing and becomes over-full.
  void Register(int rowType, int nodeId, nodes::SceneNode &node) override;
  /// Turns every row of the node into a forgotten row (type
  /// kForgottenRowType, id -1, no node); the row count stays.
  void Forget(const nodes::SceneNode &node) override;

  nodes::SceneNode *FindById(int nodeId) const override;
  /// The same, searching only the first `rows` rows (the scene document
  /// keeps the row count it saw first).
  nodes::SceneNode *FindByIdInRows(int nodeId, int rows) const;
  nodes::SceneNode *FindByIntParam(int rowType, int paramId,
                                   std::int32_t value) const override;
  nodes::SceneNode *FindByTextParam(int rowType, int paramId,
                                    std::string_view text) const override;
  /// The ordinal-th (from 0) node of that row type in row order, scanning
  /// up to the end marker; null when there are not that many.
  nodes::SceneNode *FindByTypeAndOrdinal(int rowType, int ordinal) const;

  /// Rows in use, forgotten rows included.
  [[nodiscard]] int GetRowCount() const { return rowCount_; }
  [[nodiscard]] const std::array<NodeIndexRow, kNodeIndexRows> &
  GetRows() const {
    return rows_;
  }
  /// True once a node found no free row.
  [[nodiscard]] bool IsOverfull() const { return overfull_; }

private:
  std::array<NodeIndexRow, kNodeIndexRows> rows_{};
  int rowCount_ = 0;
  bool overfull_ = false;
};

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_NODE_INDEX_H
