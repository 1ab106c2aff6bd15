// The lens effects of a scene: the lens effects file, which lists the lens
// preset files and defines hyper presets (named picks of one preset from
// each of several lens preset files).
//
// Format notes. The lens effects file is a header word ("LensEffectsFile"),
// then keyword lines: "Version" n, "NumLenses" n followed by the n lens
// lines (see preset_file_list.h), "NumHyperPresets" m, and
// "CurrentHyperPreset" n followed by the m hyper presets. A hyper preset is
// "index TAB HyperPresetName TAB name" (the name is one word), "NumPresetRefs"
// k, and k lines "lens TAB preset number". Lines of other keywords are passed
// over; a "CurrentHyperPreset" line before "NumHyperPresets" makes no hyper
// presets. The lens index on a lens line is not used: the line's place is.
// Everything is read and written in script version 3 only.
#ifndef VORAFILE_NODES_EFFECTS_LENS_EFFECTS_NODE_H
#define VORAFILE_NODES_EFFECTS_LENS_EFFECTS_NODE_H

#include "nodes/core/param_ids.h"
#include "nodes/effects/preset_file_list.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The rest of the lens effects file's family, ids 2200 to 2211.
namespace lens_param {
inline constexpr int kVersion = 2200;
inline constexpr int kNumHyperPresets = 2203;
inline constexpr int kCurrentHyperPreset = 2204;
inline constexpr int kHyperPresetName = 2205;
inline constexpr int kNumPresetRefs = 2206;
/// Indexed: the preset number of each of a hyper preset's references.
inline constexpr int kPresetNum = 2208;
inline constexpr int kLfxType = 2209;
inline constexpr int kPresetFriendlyName = 2210;
inline constexpr int kNumPresets = 2211;
} // namespace lens_param

/// The names of ids 2200 to 2211.
const NameTable &GetLensEffectsNames();

/// One lens preset file (node type 19): its header values and its lens
/// preset blocks (LfxPresetNode0, LfxPresetNode1, ...).
class LensPresetFileNode final : public PresetFileNode {
public:
  /// Named "Unknown".
  explicit LensPresetFileNode(SceneNode *parent);
  LensPresetFileNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "FileName" = `path`.
  LensPresetFileNode(SceneNode *parent, std::string_view name,
                     std::string_view path);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::LensPresetFile;
  }
};

class LensEffectsNode;

/// One hyper preset (node type 17), a child of its LensEffectsNode: holds
/// "ID" (its index), "HyperPresetName", "NumPresetRefs" and the indexed
/// "PresetNum" (2208); its children are references to the lens preset
/// files it picks from, one per "PresetNum" entry, which the
/// LensEffectsNode owns. Removing entry j of "PresetNum" removes reference
/// j with it and lowers "NumPresetRefs".
class HyperPresetEntry final : public IndexedListNode {
public:
  /// Named "Unknown".
  explicit HyperPresetEntry(SceneNode *parent);
  HyperPresetEntry(SceneNode *parent, std::string_view name);
  /// The same, and adds "ID" = `index`.
  HyperPresetEntry(SceneNode *parent, std::string_view name,
                   std::int32_t index);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::HyperPresetEntry;
  }

  /// Reads one hyper preset from the current position (the position is not
  /// used). Answers the position after its last line, or kReadFailed (why
  /// in GetReadFailure) at the end of the text, for a malformed line, a
  /// negative count, a lens that the parent does not hold, or a script
  /// version other than 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// Writes the hyper preset with the lens indexes its parent's write
  /// gives (WriteEntry).
  [[nodiscard]] bool Write(TextSink *out) override;
  /// Writes the hyper preset; a reference is written as the position of its
  /// lens in `lenses`, and one whose lens is not there is left out.
  /// "NumPresetRefs" is the number of references written.
  [[nodiscard]] bool WriteEntry(TextSink &out,
                                const std::vector<PresetFileNode *> &lenses);

  /// Removes an entry of a lens that is going away, and its reference;
  /// answers the number removed.
  int ForgetLens(const SceneNode &lens);

protected:
  [[nodiscard]] bool RemoveEntry(int index) override;
};

/// The lens effects file (node type 16). Its indexed "Lfp Preset File"
/// (2202) holds the lens preset files' paths, entry i that of the
/// LensPresetFileNode child with "ID" i; its HyperPresetEntry children
/// follow the lens preset files. Removing entry i removes that lens (and
/// the hyper presets' references to it), renumbers the lenses behind it,
/// and lowers "NumLenses".
class LensEffectsNode final : public PresetFileListNode {
public:
  /// Named "Unknown".
  explicit LensEffectsNode(SceneNode *parent);
  /// `name` is the lens effects file's name.
  LensEffectsNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "Preset" = `preset`.
  LensEffectsNode(SceneNode *parent, std::string_view name,
                  std::int32_t preset);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::LensEffects;
  }

  /// Reads the lens effects file from `position` to its end, with every
  /// lens preset file it names. Answers the position at its end; the
  /// position of the lens line whose file exists but cannot be opened (the
  /// read stopped early: the lenses before stay, and the file is never
  /// rewritten); kReadFailed (why in GetReadFailure) for an empty file, a
  /// keyword line read twice, a lens or hyper preset that fails, or a
  /// script version other than 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// The hyper presets, in child order.
  [[nodiscard]] std::vector<HyperPresetEntry *> GetHyperPresets() const;

protected:
  PresetFileNode &MakePresetFile(std::string_view name,
                                 const std::string &path) override;
  void ForgetPresetFile(const PresetFileNode &file) override;
  [[nodiscard]] bool WriteList(TextSink &out) override;

private:
  [[nodiscard]] bool ReadHyperPresets(TextSource &in, std::int32_t count,
                                      std::int64_t lineStart);
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_LENS_EFFECTS_NODE_H
