// The scene's light: colour, position, direction and spot settings, read
// from and written to the lighting section of the scene script.
#ifndef VORAFILE_NODES_EFFECTS_LIGHTING_NODE_H
#define VORAFILE_NODES_EFFECTS_LIGHTING_NODE_H

#include "nodes/core/scene_node.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

class LightingNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  LightingNode(SceneNode *parent, std::string_view name);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Lighting;
  }

  /// Reads the run of "Lighting" lines from `position` (comment and blank
  /// lines between them are passed over). Each line gives a light number
  /// (not used: the node is one light) and a parameter. A line whose name
  /// is no lighting parameter is kept as it is, for Write. Answers the
  /// position after the last lighting line, or `position` itself when the
  /// first line is no lighting line (its keyword is not exactly
  /// "Lighting"). Fails (kReadFailed, GetReadFailure names the line) on a
  /// missing light number or value, a "Spot" other than 0 and 1, a
  /// parameter the node holds already (also from an earlier section), and
  /// for a script version other than 2 and 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Writes, as light 0, "Diffuse", "Position", "Spot", "SpotCutOff" and
  /// "Direction", each when the node holds it with the table's type, then
  /// the kept lines as they were read. False for a script version other
  /// than 2 and 3.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  /// Lines with names the node does not know, line feed included.
  std::vector<std::string> keptLines_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_LIGHTING_NODE_H
