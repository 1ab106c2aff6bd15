// A deformation reference: the audio inputs that drive a deformation, the
// definition file it uses and the preset chosen from it.
//
// Format notes. Version 3 gives a reference as keyword lines: "DefName"
// (read by the holder, which names the node after it), then any of
// "DefBand" TAB band, "DefVrd" TAB file name, "DefPreset" TAB number; the
// first other line ends it. Version 2 gives seven value lines without keys
// (';' lines are comments): input 1 band and type, input 2 band and type,
// the file name, the name, the preset. A built-in reference reads no lines:
// it takes default inputs and the preset it was made with, and is written as
// one "TextDeform Load" line, the form the scene script reader makes it from.
//
// Every definition file the reference names is found in the scene (any
// letter case) or read from the working folder; the reference holds it as a
// counted child. On save each reference writes its definition files, each
// shared one once per save, "defhydracreate.vrd" (the system's own) never.
#ifndef VORAFILE_NODES_EFFECTS_DEF_REF_NODE_H
#define VORAFILE_NODES_EFFECTS_DEF_REF_NODE_H

#include "nodes/core/scene_node.h"
#include "nodes/effects/def_file_node.h"

#include <cstdint>
#include <string_view>

namespace vorafile::nodes {

class DefRefNode final : public SceneNode {
public:
  /// Marks the constructor of a built-in reference.
  struct BuiltIn {
    std::int32_t preset;
  };

  /// Named "Unknown", without parent and not registered.
  DefRefNode();
  /// Named "Unknown".
  explicit DefRefNode(SceneNode *parent);
  DefRefNode(SceneNode *parent, std::string_view name);
  /// Sets "Name" to `displayName`.
  DefRefNode(SceneNode *parent, std::string_view name,
             std::string_view displayName);
  /// A built-in reference with that preset.
  DefRefNode(SceneNode *parent, std::string_view name, BuiltIn builtIn);
  /// Adds "Preset" = `preset`.
  DefRefNode(SceneNode *parent, std::string_view name, std::int32_t preset);
  /// Hands a shared definition that names this node as its parent on to
  /// this node's parent, so that its last holder still reaches the scene.
  ~DefRefNode() override;

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::DefRef;
  }

  [[nodiscard]] bool IsBuiltIn() const { return builtIn_; }
  /// The definition found or read last; null before.
  [[nodiscard]] DefFileNode *GetDefinition() const { return definition_; }

  enum class DefinitionResult : std::uint8_t {
    Attached,   // found in the scene, or read
    ReadFailed, // read, but the read failed (the node stays a child)
    Missing,    // the name leaves the folder or names no file
  };
  /// Holds the definition named `fileName`: the scene's type-10 node of
  /// that "Name" (any case), or a new one read from the working folder.
  [[nodiscard]] DefinitionResult AttachDefinition(std::string_view fileName);

  /// Reads the reference from `position` (see the format notes) and
  /// answers the position after the last line it consumed. kReadFailed for a
  /// value that does not convert, a refused add, a missing definition file
  /// or a script version other than 2 and 3. A definition whose read fails
  /// ends the reference's read there, successfully.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// Writes the reference's lines and its definition files; false for a
  /// missing value, a definition file that cannot be written, a failed sink
  /// or a script version other than 2 and 3.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  std::int64_t ReadVersion2(TextSource &in, std::int64_t position);
  std::int64_t ReadVersion3(TextSource &in, std::int64_t position);
  std::int64_t ReadBuiltIn(std::int64_t position, int version);
  [[nodiscard]] bool WriteDefinitions(TextSink &out, bool withVrdLines);

  DefFileNode *definition_ = nullptr;
  std::int32_t builtInPreset_ = -1;
  bool builtIn_ = false;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_DEF_REF_NODE_H
