// The root of the scene tree: the scene's global settings as its own
// parameters, the node index table through which the host reaches every
// node, and the scene script reader and writer.
#ifndef VORAFILE_DOCUMENT_SCENE_ROOT_H
#define VORAFILE_DOCUMENT_SCENE_ROOT_H

#include "nodes/core/scene_node.h"

#include <array>
#include <cstdint>
#include <string>

namespace vorafile {

/// One row of the node index table.
struct NodeIndexRow {
  std::int32_t type = VORA_NODE_END;
  std::int32_t id = -1;
  nodes::SceneNode *node = nullptr;
};

/// Rows of the node index table; it does not grow.
inline constexpr std::size_t kNodeIndexRows = 1024;

/// Why a scene script read failed: where, at which keyword, and what was
/// wrong. `position` is the file position of the line that failed.
struct ScriptReadProblem {
  std::int64_t position = -1;
  std::string keyword;
  std::string reason;
};

class SceneRoot final : public nodes::SceneNode {
public:
  /// An empty scene: the root alone, registered in row 0 of its table.
  SceneRoot();

  static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::SceneRoot;
  }

  // ---- The node index table ---------------------------------------

  SceneNode *FindIndexedNodeByIntParam(int nodeType, int paramId,
                                       std::int32_t value) const override;
  SceneNode *FindIndexedNodeByTextParam(int nodeType, int paramId,
                                        std::string_view text) const override;
  SceneNode *FindIndexedNodeById(int nodeId) const override;
  bool HasDescendantWithIntParam(Kind kind, int paramId,
                                 std::int32_t value) const override;
  bool HasDescendantWithTextParam(Kind kind, int paramId,
                                  std::string_view text) const override;
  /// Records the row in the next free place. A full table records nothing
  /// and marks the scene as over-full: the read that made the node fails.
  void AddIndexRow(int nodeType, int nodeId, SceneNode *node) override;

  /// Rows in use.
  [[nodiscard]] int GetRowCount() const { return rowCount_; }
  [[nodiscard]] const std::array<NodeIndexRow, kNodeIndexRows> &
  GetIndexTable() const {
    return table_;
  }
  /// True once a node found no free row.
  [[nodiscard]] bool IsTableOverfull() const { return tableOverfull_; }

  // ---- The scene script ---------------------------------------------

  /// Set by the scene document before reading: "vora_.rudov" is present.
  void SetMigrationPending(bool pending) { migrationPending_ = pending; }
  [[nodiscard]] bool IsMigrationPending() const { return migrationPending_; }

  /// Reads the scene script from `position`: picks the version-2 or
  /// version-3 reader by the first line that is not a comment. Answers the
  /// position after the last line consumed, or kReadFailed (see
  /// GetReadProblem). A successful read leaves the root at version 3.
  std::int64_t Read(nodes::TextSource *in, std::int64_t position) override;

  /// Writes the scene as a version-3 script, and the files that nodes keep
  /// of their own ("intro.ini"). False on any failure.
  bool Write(nodes::TextSink *out) override;

  /// Why the last read failed; empty reason when it did not.
  [[nodiscard]] const ScriptReadProblem &GetReadProblem() const {
    return problem_;
  }

private:
  class ScriptReader;
  friend class ScriptReader;

  std::array<NodeIndexRow, kNodeIndexRows> table_{};
  int rowCount_ = 0;
  bool tableOverfull_ = false;
  bool migrationPending_ = false;
  std::int32_t declaredObjectCount_ = 0;
  ScriptReadProblem problem_;
};

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_ROOT_H
