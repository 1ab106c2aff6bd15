// The transitions of a scene: the transition effect file, which lists the
// transition preset files.
//
// Format notes. The transition effect file is read by position: a header
// word ("TransitionEffectFile"), "Version" n, "NumTfp" n, then the n
// transition preset file lines (see preset_file_list.h); lines after them
// are not read. Before the list, ';' lines and lines without a word are
// passed over. Everything is read and written in script version 3 only.
#ifndef VORAFILE_NODES_EFFECTS_TRANSITION_EFFECT_NODE_H
#define VORAFILE_NODES_EFFECTS_TRANSITION_EFFECT_NODE_H

#include "nodes/core/param_ids.h"
#include "nodes/effects/preset_file_list.h"

#include <cstdint>
#include <string_view>

namespace vorafile::nodes {

/// The rest of the transition effect file's family, ids 3000 to 3005.
namespace transition_param {
inline constexpr int kVersion = 3000;
inline constexpr int kTfxType = 3003;
inline constexpr int kPresetFriendlyName = 3004;
inline constexpr int kNumPresets = 3005;
} // namespace transition_param

/// The names of ids 3000 to 3005.
const NameTable &GetTransitionEffectNames();

/// One transition preset file (node type 21): its header values and its
/// transition preset blocks (TfxPresetNode0, TfxPresetNode1, ...).
class TransitionPresetFileNode final : public PresetFileNode {
public:
  /// Named "Unknown".
  explicit TransitionPresetFileNode(SceneNode *parent);
  TransitionPresetFileNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "FileName" = `path`.
  TransitionPresetFileNode(SceneNode *parent, std::string_view name,
                           std::string_view path);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::TransitionPresetFile;
  }
};

/// The transition effect file (node type 20). Its indexed "Tfp Preset
/// File" (3002) holds the transition preset files' paths, entry i that of
/// the TransitionPresetFileNode child with "ID" i. Removing entry i removes
/// that child, renumbers the ones behind it and lowers "NumTfp".
class TransitionEffectNode final : public PresetFileListNode {
public:
  /// Named "Unknown".
  explicit TransitionEffectNode(SceneNode *parent);
  /// `name` is the transition effect file's name.
  TransitionEffectNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "Preset" = `preset`.
  TransitionEffectNode(SceneNode *parent, std::string_view name,
                       std::int32_t preset);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::TransitionEffect;
  }

  /// Reads the transition effect file from `position` with every
  /// transition preset file it names. Answers the position after the last
  /// list line; the position of the line whose file exists but cannot be
  /// opened (the read stopped early: the transitions before stay, and the
  /// file is never rewritten); kReadFailed (why in GetReadFailure) when the
  /// file ends before the list, a number is missing, a transition fails or
  /// the script version is not 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

protected:
  PresetFileNode &MakePresetFile(std::string_view name,
                                 const std::string &path) override;
  [[nodiscard]] bool WriteList(TextSink &out) override;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_TRANSITION_EFFECT_NODE_H
