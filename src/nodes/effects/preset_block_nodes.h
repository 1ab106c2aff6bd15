// The preset blocks of the preset files: one node per block, holding the
// block's values as parameters in file order.
//
// Format notes. A block is, in file order: a separator line of 79 '#'
// (written, never looked for), "Preset" TAB number, in lens and transition
// blocks a name line (key TAB one word; ';' lines before it are comments),
// then value lines key TAB float. Readers find a block by its "Preset" line
// and end it at the next one. A line with no word is passed over; a key that
// the family does not know is skipped; a value that is not a number fails.
// A "Preset" line is never a block's name: a block whose name line would be
// the next block's "Preset" line has no name.
//
// Block reads answer a position: kReadFailed, kReadEndOfFile (the file ended
// inside the block, so it was the last), or the position of the next
// block's "Preset" line (or before it), to hand to the next block's read.
#ifndef VORAFILE_NODES_EFFECTS_PRESET_BLOCK_NODES_H
#define VORAFILE_NODES_EFFECTS_PRESET_BLOCK_NODES_H

#include "nodes/core/scene_node.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// What a family's blocks look like to the shared block reader.
struct PresetFamily {
  int presetId;     // the id of the "Preset" key
  int unknownId;    // the id GetParamId gives a key to skip
  bool hasNameLine; // lens and transition blocks
};

/// The block reader and writer that both block classes share.
class PresetBlockNode : public SceneNode {
public:
  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::DefPreset ||
           node->GetKind() == Kind::LensPreset ||
           node->GetKind() == Kind::TransitionPreset;
  }

  /// Whether the block's last read met its "Preset" line; only then does a
  /// write give one back.
  [[nodiscard]] bool HasPresetLine() const { return hasPresetLine_; }

protected:
  PresetBlockNode(SceneNode *parent, std::string_view name, Kind kind);

  /// Reads one block from `position` (see the format notes).
  std::int64_t ReadBlock(TextSource *in, std::int64_t position,
                         const PresetFamily &family);
  /// The separator, the "Preset" line when one was read, then every
  /// parameter but "ID", "Name" and "NodeID" in list order. True unless the
  /// sink failed.
  [[nodiscard]] bool WriteBlock(TextSink &out) const;

private:
  [[nodiscard]] std::int64_t ReadValueLines(TextSource &in, std::string &line,
                                            std::int64_t lineStart,
                                            const PresetFamily &family);

  bool hasPresetLine_ = false;
};

/// A deformation preset block (node type 13): the blocks of a definition
/// file, or a built-in preset that holds only "State" = its index and is
/// never read or written.
class DefPresetNode final : public PresetBlockNode {
public:
  /// Named "Unknown".
  explicit DefPresetNode(SceneNode *parent);
  DefPresetNode(SceneNode *parent, std::string_view name);
  /// A built-in preset when `builtIn`: it holds "State" = `index`.
  DefPresetNode(SceneNode *parent, std::string_view name, bool builtIn,
                std::int32_t index);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::DefPreset;
  }

  [[nodiscard]] bool IsBuiltIn() const { return builtIn_; }

  /// Deformation key names for 1600 to 2040, else the built-in names.
  std::string GetParamName(int id, int reserved = -1) const override;
  /// Deformation keys first, then the built-in names (275 when unknown).
  int GetParamId(std::string_view name) const override;

  /// Script versions 2 and 3 only; a built-in preset is never read
  /// (kReadFailed).
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// A built-in preset writes nothing (true); otherwise versions 2 and 3.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  bool builtIn_ = false;
};

/// A lens (node type 18) or transition (node type 22) preset block. Lens
/// blocks accept deformation keys too.
class FxPresetNode final : public PresetBlockNode {
public:
  /// Named "Unknown", without parent and not registered. `kind` is
  /// Kind::LensPreset or Kind::TransitionPreset.
  explicit FxPresetNode(Kind kind);
  /// Registers the node with the root above `parent`.
  FxPresetNode(SceneNode *parent, std::string_view name, Kind kind);
  /// The same, and adds "ID" = `preset`.
  FxPresetNode(SceneNode *parent, std::string_view name, std::int32_t preset,
               Kind kind);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::LensPreset ||
           node->GetKind() == Kind::TransitionPreset;
  }

  std::string GetParamName(int id, int reserved = -1) const override;
  /// The family's keys (lens: then the deformation keys), else the
  /// family's unknown id.
  int GetParamId(std::string_view name) const override;

  /// Script version 3 only.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// Script version 3 only.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  [[nodiscard]] bool IsLens() const { return GetKind() == Kind::LensPreset; }
};

/// Makes the block node for block `index` of a file (named after the
/// family's prefix and the index), already a child of the file node.
using PresetBlockMaker = std::function<SceneNode &(int index)>;

/// The result of walking a file's blocks.
struct PresetWalk {
  std::int64_t position = 0; // where the last block ended, or kReadFailed
  int blockCount = 0;        // blocks made, the failed one included
  SceneNode *failedBlock = nullptr; // the block whose read failed
};

/// Reads block after block from `position` until one meets the end of the
/// file: at least one block is made, since the block that meets the end is
/// kept. Stops at the first block that fails (its node stays).
[[nodiscard]] PresetWalk WalkPresetBlocks(TextSource &in, std::int64_t position,
                                          const PresetBlockMaker &makeBlock);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_PRESET_BLOCK_NODES_H
