// A scene object: the object files it morphs between, its placement, its
// textures and colours, an optional hot-spot file and its deformations.
//
// Format notes. Version 3 gives the section as key lines ("OPos" TAB x y z)
// after the scene's "OName" line, which the scene reader consumes; the
// first line whose key the object does not know ends the section. Flags are
// 0 or 1; colours four bytes "r g b a" held as floats times 1/255. "VroFile"
// lines (at most one more than "NumMorphs") hold the object files, "Olink"
// 1 is followed by the hot-spot file's line, and each "DefName" opens a
// deformation reference's lines. Version 2 gives thirteen value lines
// without keys (';' lines are comments), then "NumMorphs" object file lines
// and "NumDefs" references of seven lines each; there "raruz.vro" stands
// for the built-in definition "defhydracreate.vrd".
//
// Every file name is a name in the working folder: one that leaves it fails
// the read. A texture that is missing is taken in its other picture format
// (".jpg" for ".bmp" and back) when that one exists.
#ifndef VORAFILE_NODES_CONTENT_OBJECT_NODE_H
#define VORAFILE_NODES_CONTENT_OBJECT_NODE_H

#include "nodes/core/indexed_params_node.h"
#include "nodes/core/param_ids.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The object node. Its object files are the indexed parameter "Vro0"
/// (133); the children are DeformationNode0, DeformationNode1, ...
/// (DefRefNode) in file order and, with a hot-spot file, "HotNode" (an
/// ObjectConfigNode read from that file).
class ObjectNode final : public IndexedListNode {
public:
  /// Registers with the root above `parent`.
  ObjectNode(SceneNode *parent, std::string_view name);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Object;
  }

  /// Version 2: the section's value lines from `position`; version 3: the
  /// key lines from `position` up to the first line of another key, whose
  /// start it answers (the end of the text when the section ends there).
  /// kReadFailed, with the line and reason in GetReadFailure, for a value
  /// out of range, a file name outside the working folder, a missing
  /// texture, object or hot-spot file, one object file or deformation more
  /// than one beyond its count, a refused add, a failed deformation or
  /// hot-spot read, or another script version. What was added before a
  /// failure stays.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// True when a version-3 object section, with the deformations at its
  /// end, reads a line of keyword `id` as its own: such a line that follows
  /// an object section joins it.
  [[nodiscard]] static bool TakesSectionKeyword(int id);

  /// The version-2 scene reader's entry: with `skipTextureCheck` a
  /// version-2 texture need not exist. Stores the switch, then Read.
  std::int64_t Read(TextSource *in, std::int64_t position,
                    bool skipTextureCheck);

  /// The section in the layout the reader takes, every object file held
  /// written. The count written is the number of files in version 2; in
  /// version 3 the count held, or the number of files when more. Version 3
  /// writes
  /// each key only when its value is held, and the hot-spot node into the
  /// "ObjSite" file; version 2 needs every value. False for a missing
  /// value or deformation, a failed write or another script version.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  class SectionReader;

  [[nodiscard]] bool WriteVersion2(TextSink &out);
  [[nodiscard]] bool WriteVersion3(TextSink &out);
  [[nodiscard]] bool WriteHotSpot();
  [[nodiscard]] bool WriteDeformations(TextSink &out);
  /// The file names of the object files, as the writer gives them.
  [[nodiscard]] std::vector<std::string> ObjectFileNames(bool builtInAsRaruz);

  /// The value lines of a version-3 object section ("DefName" starts a
  /// deformation, which reads its own lines).
  [[nodiscard]] static bool IsValueLineKeyword(int id);

  /// The version-3 flags, in the writer's order.
  static constexpr std::array<int, 6> kFlagIds = {
      param::kEnableEnvMap,    param::kEnableTexture,    param::kEnableLighting,
      param::kEnableWireFrame, param::kEnableDecimation, param::kEnableTexSwap};
  /// The values of "T2ScaleTransRotate", in their order on the line.
  static constexpr std::array<int, 5> kTextureTransformIds = {
      param::kT2UScale, param::kT2VScale, param::kT2UTrans, param::kT2VTrans,
      param::kT2Rotate};
  /// How version-2 sections name the built-in deformation definition as an
  /// object file.
  static constexpr std::string_view kBuiltInObjectFile = "raruz.vro";

  bool skipTextureCheck_ = false;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_OBJECT_NODE_H
