// The introduction page: the values of section "Introduction" of the
// package's "intro.ini", one parameter per key.
#ifndef VORAFILE_NODES_CONTENT_INTRO_NODE_H
#define VORAFILE_NODES_CONTENT_INTRO_NODE_H

#include "nodes/core/owned_file_state.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/scene_node.h"

#include <string_view>

namespace vorafile::nodes {

/// Number of keys of section "Introduction".
inline constexpr int kIntroKeyCount = 46;

class IntroNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  IntroNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "ID" = id.
  IntroNode(SceneNode *parent, std::string_view name, std::int32_t id);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Intro;
  }

  /// Reads every key of the INI file named by "IniFileName" (the source and
  /// position are not used), each key's default standing in for a missing key
  /// or file. Answers 1 when every key was stored; kReadFailed on a missing
  /// "IniFileName", a value with too few fields, a refused add, or a script
  /// version other than 2 and 3 (the keys before a failure stay added, and
  /// the read counts as ended early).
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Replaces section "Introduction" of the INI file named by "IniFileName"
  /// with the node's values, in key order; stops with false at the first
  /// missing or mistyped parameter (the keys before stay written). After a
  /// read that ended early the file is left as it was, and the answer is
  /// true.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  OwnedFileState iniFileState_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_INTRO_NODE_H
