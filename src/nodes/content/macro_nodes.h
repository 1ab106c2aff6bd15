// Macros: named lists of timed command lines that the host plays back.
//
// A scene (or a macro object's configuration) names a macro file through a
// macro effect entry (MacroEffectNode, "MacroNode0"); that node owns one
// MacroFileNode ("VRM Node 0") that reads and writes the macro file, and the
// file holds one MacroEntryNode per macro. Commands stay text: nothing here
// interprets them. Old scenes list old-style macro files instead, whose
// "SD" lines are converted into commands when the scene is read.
//
// The three classes share the macro name family (ids 4500 to 4507) and
// fall back to the built-in names for other ids.
#ifndef VORAFILE_NODES_CONTENT_MACRO_NODES_H
#define VORAFILE_NODES_CONTENT_MACRO_NODES_H

#include "nodes/core/indexed_params_node.h"
#include "nodes/core/name_table.h"
#include "nodes/core/owned_file_state.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The command every convertible line of an old macro file becomes, filled
/// with object, deformation and preset.
inline constexpr const char *kOldMacroCommandFormat =
    "00:00:0.0 OBJECT %s DEFORMATION %s : SetPreset %d";

/// The macro name family (ids 4500 to 4507).
const NameTable &GetMacroNameTable();
/// The name of a macro family id, or the built-in name of any other id.
std::string MacroParamName(int id);
/// The id of a macro family name (case aside), else the built-in one.
int MacroParamId(std::string_view name);

/// One macro of a macro file: its "ID", "MacroName", and its commands as
/// the indexed parameter 4504 (index = position), counted by
/// "NumMacroCommands".
class MacroEntryNode final : public IndexedParamsNode {
public:
  MacroEntryNode(SceneNode *parent, std::string_view name, std::int32_t id);
  /// The same, with "MacroName".
  MacroEntryNode(SceneNode *parent, std::string_view name,
                 std::string_view macroName, std::int32_t id);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::MacroEntry;
  }

  /// Reads from `position`: comment and empty lines are passed over; the
  /// first other line gives "MacroName" (the text after its first word, up
  /// to a "|", trimmed); then every non-empty line (trimmed) is the next
  /// command, until the end of the file or a line whose first word is
  /// "Macro", which is not consumed. Adds "NumMacroCommands". Answers the
  /// position of that "Macro" line or of the end; kReadFailed on a refused
  /// add or at the end of the file before the name line.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// The "Macro" and "MacroName" lines, then commands 0 to
  /// NumMacroCommands - 1 as plain lines. False when one of them is
  /// missing or for a version other than 3.
  [[nodiscard]] bool Write(TextSink *out) override;

  /// Adds the next command; false when the add is refused.
  [[nodiscard]] bool AppendCommand(std::string_view command);
  [[nodiscard]] const IndexedParamList &GetCommands() const {
    return commands_;
  }

private:
  // Id 4504 is the command list, addressed by `index` and visited as
  // "MacroCommand<i>"; every other id is a plain parameter.
  IndexedParamList *FindList(int id) override {
    return id == commands_.GetId() ? &commands_ : nullptr;
  }
  const IndexedParamList *FindList(int id) const override {
    return id == commands_.GetId() ? &commands_ : nullptr;
  }
  [[nodiscard]] std::vector<const IndexedParamList *>
  GetLists() const override {
    return {&commands_};
  }

  IndexedParamList commands_{macro_param::kMacroCommand};
};

/// A macro file: "Version", "NumMacros" and one MacroEntryNode child per
/// macro, in file order. "FileName" is the file's full path.
class MacroFileNode final : public SceneNode {
public:
  MacroFileNode(SceneNode *parent, std::string_view name,
                std::string_view filePath);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::MacroFile;
  }

  /// Version 3: reads the macro file from `position` of `in` to its end:
  /// "Version" and "NumMacros" lines and "Macro" entries; other lines are
  /// passed over. One entry more than "NumMacros" is accepted (0 while no
  /// "NumMacros" line was read); a further one fails the read, as do a
  /// refused add and an entry that fails.
  /// Version 2 (old format import, from the scene script): sets "Version"
  /// to 3 and converts up to "NumMacros" old macro files named by the
  /// "EffectPreset <file> <macro name>" lines from `position` on, stopping
  /// at the first other line or the end of the file.
  /// Answers a position after the lines read (at least 1).
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// With a sink: the macro file's text into it. With none: the file named
  /// by "FileName" is written (created or emptied); a file that cannot be
  /// opened is skipped silently, and a file whose last read ended early, or
  /// one without "Version" and "NumMacros", is left as it was. Version 2
  /// writes nothing; both answer true.
  [[nodiscard]] bool Write(TextSink *out) override;

  std::string GetParamName(int id, int reserved = -1) const override;
  int GetParamId(std::string_view name) const override;

  /// True unless the last read ended early.
  [[nodiscard]] bool IsReadComplete() const {
    return fileState_.IsReadComplete();
  }

private:
  std::int64_t ReadMacroFile(TextSource &in, std::int64_t position);
  std::int64_t ImportOldMacros(TextSource &in, std::int64_t position);
  /// One old macro file as the entry `macroName` with that id; false when
  /// the file cannot be opened.
  [[nodiscard]] bool ConvertOldMacroFile(const std::string &path,
                                         std::string_view macroName,
                                         std::int32_t id);
  [[nodiscard]] bool WriteText(TextSink &out) const;

  OwnedFileState fileState_;
};

/// A macro effect entry: "FileName" (the macro file's full path),
/// "MacroCurrentPreset", "MacroFriendlyName", and the MacroFileNode child.
class MacroEffectNode final : public SceneNode {
public:
  /// The version-2 scene line's node: no file name yet; the old-format
  /// macro count says how many old macro files follow. A current preset of
  /// -1 becomes 0.
  MacroEffectNode(SceneNode *parent, std::string_view name,
                  std::int32_t currentPreset, std::string_view friendlyName,
                  std::int32_t oldMacroCount);
  /// The version-3 node: the macro file's full path.
  MacroEffectNode(SceneNode *parent, std::string_view name,
                  std::string_view filePath, std::int32_t currentPreset,
                  std::string_view friendlyName);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::MacroEffect;
  }

  /// Version 3: opens the file named by "FileName" and lets a new
  /// MacroFileNode child read it (a child with that file name already
  /// there is kept and not read again); `in` is not read. Version 2: imports
  /// the old macro files listed from `position` of `in` (the line after the
  /// scene's "EffectPresetCategoryInfo" line) into a MacroFileNode whose
  /// file is the first listed file's name with the extension ".vrm". Answers
  /// `position` unchanged, or kReadFailed when the file cannot be opened or the
  /// child's read fails (the child stays).
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Version 3: the line "MacroEffect\t<file name> <preset> <friendly name>"
  /// into `out`, then the macro file into its own file. Nothing, and true,
  /// without "FileName". False for other versions or a missing value.
  [[nodiscard]] bool Write(TextSink *out) override;

  /// The longest friendly name that the line Write gives for `fileName` and
  /// `preset` carries whole: a longer one would reach past the line that a
  /// reader takes.
  [[nodiscard]] static std::size_t FriendlyNameRoom(std::string_view fileName,
                                                    std::int32_t preset);

  std::string GetParamName(int id, int reserved = -1) const override;
  int GetParamId(std::string_view name) const override;

  [[nodiscard]] std::int32_t GetOldMacroCount() const { return oldMacroCount_; }
  /// The macro file child; null before a read made it.
  [[nodiscard]] MacroFileNode *GetMacroFile() const;

private:
  std::int64_t ReadMacroFile(std::int64_t position);
  std::int64_t ImportOldMacros(TextSource &in, std::int64_t position);

  std::int32_t oldMacroCount_ = 0;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_MACRO_NODES_H
