// The loaded scene: opens the scene script of a working folder into a node
// tree, writes it back, and answers the host's node and parameter requests.
#ifndef VORAFILE_DOCUMENT_SCENE_DOCUMENT_H
#define VORAFILE_DOCUMENT_SCENE_DOCUMENT_H

#include "document/result_record.h"
#include "document/scene_root.h"
#include "vorafile/vorafile.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorafile {

/// Every way opening a scene can fail.
enum class SceneOpenStatus {
  Ok,
  NoScript,         // neither "vora.rudov" nor "vora.vrc" in the folder
  ScriptUnreadable, // the script cannot be opened
  ScriptRejected,   // the script reader refused a line (keyword, line)
  TooManyNodes,     // more nodes than the node index table holds
};

using SceneOpenResult = ResultRecord<SceneOpenStatus>;

class SceneDocument {
public:
  /// Names of the scene scripts, as delivered, as saved, and the old list
  /// whose values migrate into a template scene.
  static constexpr const char *kDeliveredScript = "vora.rudov";
  static constexpr const char *kSavedScript = "vora.vrc";
  static constexpr const char *kMigrationList = "vora_.rudov";

  SceneDocument();
  SceneDocument(const SceneDocument &) = delete;
  SceneDocument &operator=(const SceneDocument &) = delete;
  ~SceneDocument();

  /// Loads the scene of `folder` (ending with a separator), replacing any
  /// scene first, also when the load then fails. Reads "vora.rudov", else
  /// "vora.vrc". The values of an old list ("vora_.rudov") are not merged
  /// here: that is part of opening a package. A success whose reason is
  /// not empty is a warning: the read stopped early at that line
  /// (SceneRoot::HasUnreadTail).
  [[nodiscard]] SceneOpenResult Open(const std::string &folder);

  /// Writes the scene as "vora.vrc" into the root's folder.
  [[nodiscard]] bool WriteScript();

  [[nodiscard]] bool HasScene() const { return root_ != nullptr; }
  [[nodiscard]] SceneRoot *GetRoot() const { return root_.get(); }
  [[nodiscard]] const std::string &GetScriptPath() const { return scriptPath_; }
  /// The answer of the last Open.
  [[nodiscard]] const SceneOpenResult &GetOpenProblem() const {
    return problem_;
  }

  // ---- Node lookups: null when there is no such node ----------------

  nodes::SceneNode *FindById(std::int32_t id);
  nodes::SceneNode *FindByTypeAndOrdinal(std::int32_t type,
                                         std::int32_t ordinal);
  /// Follows the path's steps from `start` until a step of type 30.
  static nodes::SceneNode *FollowPath(nodes::SceneNode *start,
                                      const NodePath *path);
  nodes::SceneNode *FindByPath(const NodePath *path);
  nodes::SceneNode *FindByIdAndPath(std::int32_t id, const NodePath *path);

  // ---- Parameter writes ---------------------------------------------

  /// Changes parameter `id` of the node when it holds a value of type
  /// `code` and, unless the type is String, of exactly `size` bytes; adds
  /// it when the node does not hold it. `source` holds the value's bytes
  /// (a NUL-terminated text for a String); a fixed-size value needs at
  /// least its type's size in `size`. False, and no change, otherwise.
  [[nodiscard]] static bool
  WriteParamChecked(nodes::SceneNode &node, int id, const void *source,
                    std::uint32_t code, std::uint32_t size, int extra = -1);

private:
  void DropScene();
  /// Takes the table's row count on first use and keeps it.
  int CachedRowCount();
  /// Records a failure of the open at the line starting at `position`
  /// (-1: no line) and answers it.
  const SceneOpenResult &RecordProblem(SceneOpenStatus status,
                                       const std::string &file,
                                       std::int64_t position,
                                       std::string_view keyword,
                                       std::string_view reason);

  std::string scriptPath_;
  std::optional<int> cachedRowCount_;
  std::unique_ptr<SceneRoot> root_;
  SceneOpenResult problem_;
};

} // namespace vorafile

#endif // VORAFILE_DOCUMENT_SCENE_DOCUMENT_H
