// The comparison behind "vorafile diff": two scenes' nodes, parameters and
// files, matched without node ids, with values as an author reads them.
//
// A node is matched by its path from the root: each step is the node's type
// name, its name and its ordinal among the siblings of that type and name
// ("lens \"night.lfx\"/lensfile \"Rain\"", "[1]" added from the second
// sibling on). Node ids are left out: they are assigned in read order, so a
// node added early renumbers every later one. A node held in two places (a
// preset that a hyper preset refers to) is compared at both.
#ifndef VORAFILE_TOOLS_VORAFILE_SCENE_DIFF_H
#define VORAFILE_TOOLS_VORAFILE_SCENE_DIFF_H

#include "nodes/core/scene_node.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::cli {

/// What diff compares of one scene.
struct SceneSnapshot {
  struct Param {
    std::string key;   // the id, or "entry " and the name of a list entry
    std::string label; // the name an author reads (the id when unnamed)
    std::string value; // FormatAuthorValue
  };
  struct Node {
    std::string path;   // see the file comment; "root" for the root
    std::string parent; // the parent's path; "" for the root
    std::vector<Param> params;
  };
  std::vector<Node> nodes; // in preorder
  /// Files compared byte for byte: name relative to the scene (with "/")
  /// to the full path.
  std::map<std::string, std::string> files;
};

/// The nodes of the scene under `root`, every parameter but the node id and
/// every entry the node lists (SceneNode::VisitSubItems), with values
/// relative to `folder`. Files are left for the caller.
SceneSnapshot TakeSceneSnapshot(const nodes::SceneNode &root,
                                std::string_view folder);

enum class ChangeKind { Added, Removed, Changed };

/// A node only in one scene (`param` empty), or a parameter that differs.
/// A value absent on one side is "".
struct NodeChange {
  ChangeKind kind;
  std::string node;
  std::string param;
  std::string before;
  std::string after;
};

struct FileChange {
  ChangeKind kind;
  std::string file;
};

struct SceneDiff {
  std::vector<NodeChange> nodes;
  std::vector<FileChange> files;
  [[nodiscard]] bool IsEmpty() const { return nodes.empty() && files.empty(); }
  [[nodiscard]] std::size_t Count() const {
    return nodes.size() + files.size();
  }
};

/// What changed from `before` to `after`: nodes removed and the parameters
/// of nodes in both, in `before`'s order, then nodes added, in `after`'s
/// order (of a subtree only in one scene, only its topmost node); then files
/// by name. A file that cannot be read compares as changed.
SceneDiff CompareScenes(const SceneSnapshot &before,
                        const SceneSnapshot &after);

/// One line per change ("- NODE", "+ NODE", "~ NODE PARAM: OLD -> NEW",
/// "- NODE PARAM: OLD", "+ NODE PARAM: NEW", "~ file NAME", "- file NAME",
/// "+ file NAME"), then the count ("0 differences").
std::string FormatDiffText(const SceneDiff &diff);
/// {"nodes": [{"kind", "node"[, "param", "before", "after"]}...],
///  "files": [{"kind", "file"}...]}, kinds "added", "removed", "changed".
std::string FormatDiffJson(const SceneDiff &diff);

} // namespace vorafile::cli

#endif // VORAFILE_TOOLS_VORAFILE_SCENE_DIFF_H
