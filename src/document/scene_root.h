// The root of the scene tree: the scene's global settings as its own
// parameters, and the node index through which the host reaches every
// node. The scene script reader and writer fill and write it.
#ifndef VORAFILE_DOCUMENT_SCENE_ROOT_H
#define VORAFILE_DOCUMENT_SCENE_ROOT_H

#include "document/node_index.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorafile {

/// Why a scene script read failed: where, at which keyword, and what was
/// wrong. `position` is the file position of the line that failed.
struct ScriptReadProblem {
  std::int64_t position = -1;
  std::string keyword;
  std::string reason;
};

class SceneRoot final : public nodes::SceneNode {
public:
  /// An empty scene: the root alone, registered in row 0 of its index.
  SceneRoot();

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::SceneRoot;
  }

  [[nodiscard]] NodeIndex &GetNodeIndex() { return index_; }
  [[nodiscard]] const NodeIndex &GetNodeIndex() const { return index_; }

  // ---- The scene script ---------------------------------------------

  /// The object count that a "NumObjects" line declared.
  void SetDeclaredObjectCount(std::int32_t count) {
    declaredObjectCount_ = count;
  }
  [[nodiscard]] std::int32_t GetDeclaredObjectCount() const {
    return declaredObjectCount_;
  }

  /// Whether an oldest-version list waits to be merged into this scene:
  /// its objects then need not find their textures (the merge brings the
  /// scene's own).
  void SetMigrationPending(bool pending) { migrationPending_ = pending; }
  [[nodiscard]] bool IsMigrationPending() const { return migrationPending_; }

  /// Reads the scene script from `position` (ReadSceneScript). Answers the
  /// position after the last line consumed, or kReadFailed (see
  /// GetReadProblem). A successful read leaves the root at version 3.
  std::int64_t Read(nodes::TextSource *in, std::int64_t position) override;

  /// Writes the scene as a version-3 script, and the files that nodes keep
  /// of their own ("intro.ini") (WriteSceneScript). False on any failure.
  [[nodiscard]] bool Write(nodes::TextSink *out) override;

  /// Why the last read failed; empty reason when it did not.
  [[nodiscard]] const ScriptReadProblem &GetReadProblem() const {
    return problem_;
  }
  /// Keeps the first problem of a read; later ones are consequences.
  void RecordReadProblem(ScriptReadProblem problem);

  // ---- What the last read kept without understanding it ------------

  /// True when the last read ended before the end of the script (a keyword
  /// without a reader). The writer then writes the unread tail back after
  /// every section it knows, so nothing of the script is lost and the
  /// saved scene stops at the same place; a save also packs the files that
  /// only the tail may name. The tail is empty when the line that stopped
  /// the read was consumed and was the last.
  [[nodiscard]] bool HasUnreadTail() const { return stop_.has_value(); }
  /// The script from the line that stopped the read (or the line after
  /// it, when the root consumed that line) to the end, as it was read.
  [[nodiscard]] const std::string &GetUnreadTail() const { return tail_; }
  /// Where and why the read stopped; empty when it did not.
  [[nodiscard]] const std::optional<ScriptReadProblem> &GetReadStop() const {
    return stop_;
  }
  void SetUnreadTail(ScriptReadProblem stop, std::string tail);

  /// The "EffectPresetCategoryInfo" lines as read, line feed included; the
  /// writer gives them back unchanged.
  [[nodiscard]] const std::vector<std::string> &GetEffectPresetLines() const {
    return effectPresetLines_;
  }
  void AddEffectPresetLine(std::string line) {
    effectPresetLines_.push_back(std::move(line));
  }

private:
  nodes::NodeRegistry *GetKeptRegistry() override { return &index_; }

  NodeIndex index_;
  std::int32_t declaredObjectCount_ = 0;
  bool migrationPending_ = false;
  ScriptReadProblem problem_;
  std::optional<ScriptReadProblem> stop_;
  std::string tail_;
  std::vector<std::string> effectPresetLines_;
};

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_ROOT_H
