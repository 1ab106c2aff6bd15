// A deformation definition: one ".vrd" file of the working folder, shared
// by every reference that names it.
//
// Format notes. The file is "DefType" TAB type, "MaxInstance" TAB integer,
// "NumPresets" TAB integer, then the deformation preset blocks. Before the
// "MaxInstance" and "NumPresets" lines, ';' lines and lines of fewer than
// two words are passed over; before "DefType" only the latter. The type
// "DefRaruzCreate" (any case) marks the built-in definition: its presets are
// not in the file but made on reading, as many as "NumPresets" says, and it
// is stored as "DefSelector". A file whose third line is not "NumPresets"
// defines no presets. The number on a file's "NumPresets" line is not used:
// the node counts the blocks it read.
//
// Sharing: the node is a shared node held by one count per reference. The
// reference that made it holds the first count; every reference that finds
// it in the scene adds one (AddSharedChild); the last release destroys it.
#ifndef VORAFILE_NODES_EFFECTS_DEF_FILE_NODE_H
#define VORAFILE_NODES_EFFECTS_DEF_FILE_NODE_H

#include "nodes/core/owned_file_state.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// Largest preset count of a built-in definition: each preset is a node of
/// the scene's node index, which holds 1024.
inline constexpr std::int32_t kMaxBuiltInPresets = 1024;

class DefFileNode final : public SceneNode {
public:
  /// Named "Unknown".
  explicit DefFileNode(SceneNode *parent);
  /// `name` is the definition's file name as the reference gave it.
  DefFileNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "Preset" = `preset`.
  DefFileNode(SceneNode *parent, std::string_view name, std::int32_t preset);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::DefFile;
  }

  /// Whether the last read met the type "DefRaruzCreate".
  [[nodiscard]] bool IsBuiltIn() const { return builtIn_; }
  /// Whether the last read took the whole file (OwnedFileState).
  [[nodiscard]] bool IsReadComplete() const {
    return fileState_.IsReadComplete();
  }

  /// "DefType", "MaxInstance", "NumPresets" for 1400 to 1402, else the
  /// built-in names.
  std::string GetParamName(int id, int reserved = -1) const override;
  /// The three header names first, then the built-in names.
  int GetParamId(std::string_view name) const override;

  /// Reads the definition from `position` (0 for a whole file). Answers 1
  /// for a built-in definition, the position after the last block
  /// otherwise, kReadEndOfFile when the file ended before "NumPresets" (no
  /// presets; the read counts as ended early), kReadFailed when the first
  /// two lines are not "DefType" and "MaxInstance", a preset block fails or
  /// the script version is not 2 or 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// Opens the file that "Name" gives in the working folder (a name that
  /// leaves the folder is never opened) and reads it from its start.
  /// Nothing when it cannot be opened; else what Read answered.
  [[nodiscard]] std::optional<std::int64_t> ReadOwnFile();

  /// With a sink: the three header lines (a built-in definition gives its
  /// type as "DefRaruzCreate", so that it reads back with its presets),
  /// then every preset block; false when a header value is missing or the
  /// sink failed. With no sink: the same into the file that "Name" gives
  /// in the working folder; a file whose read ended early is left as it was
  /// (true).
  [[nodiscard]] bool Write(TextSink *out) override;

  /// Starts a save: from now on WriteOwnFileOnce writes each definition
  /// file once. Saves run one at a time on the entry point's thread.
  static void BeginSave();
  /// Write(nullptr), unless this node's file was written since the last
  /// BeginSave (true).
  [[nodiscard]] bool WriteOwnFileOnce();

private:
  [[nodiscard]] std::int64_t ReadPresets(TextSource &in, std::int64_t position,
                                         std::int32_t builtInCount,
                                         OwnedFileRead &read);

  OwnedFileState fileState_;
  std::uint32_t lastSave_ = 0;
  bool builtIn_ = false;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_DEF_FILE_NODE_H
