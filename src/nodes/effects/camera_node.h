// The scene camera: field of view, clipping distances, orbit angles and
// radii, look-at target, each one parameter read from and written to the
// camera section of the scene script.
#ifndef VORAFILE_NODES_EFFECTS_CAMERA_NODE_H
#define VORAFILE_NODES_EFFECTS_CAMERA_NODE_H

#include "nodes/core/scene_node.h"

#include <string_view>

namespace vorafile::nodes {

class CameraNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  CameraNode(SceneNode *parent, std::string_view name);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Camera;
  }

  /// Reads the run of "Camera" lines from `position` (comment and blank
  /// lines between them are passed over), one parameter per line. Answers
  /// the position after the last camera line, or `position` itself when
  /// the first line is no camera line (its keyword is not exactly
  /// "Camera"). Fails (kReadFailed, GetReadFailure names the line) on a
  /// name that is no camera parameter, a missing value, a parameter the
  /// node holds already (also from an earlier section), and for a script
  /// version other than 2 and 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Writes one line per camera parameter, in the node's list order.
  /// Parameters outside the camera's table, or of another type than the
  /// table gives, are not written, so that what is written reads back.
  /// False for a script version other than 2 and 3.
  [[nodiscard]] bool Write(TextSink *out) override;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_CAMERA_NODE_H
