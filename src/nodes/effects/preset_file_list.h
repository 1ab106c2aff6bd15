// What the lens effects file and the transition effect file have in common:
// a node with one indexed parameter (the list of preset files, or a hyper
// preset's preset numbers), the preset file nodes that hold the preset
// blocks of one file each, and the list of preset file lines that makes
// them.
//
// Format notes. A preset file is four header lines taken by position (each
// the next line that holds a word and does not start with ';'; keys are not
// checked): "Version" TAB integer, the type TAB word, "PresetFriendlyName"
// TAB word, "NumPresets" TAB integer; then the preset blocks of its family.
// The "NumPresets" number is kept as read, not compared with the blocks.
// A list of preset files is n lines "index TAB file TAB name"; the index on
// the line is not used (the line's place is), ';' lines are passed over
// and a line without three fields fails the read.
#ifndef VORAFILE_NODES_EFFECTS_PRESET_FILE_LIST_H
#define VORAFILE_NODES_EFFECTS_PRESET_FILE_LIST_H

#include "nodes/core/indexed_params_node.h"
#include "nodes/core/name_table.h"
#include "nodes/core/owned_file_state.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// The ids and names of one family of preset files.
struct PresetFileFamily {
  int typeId;         // "LfxType" or "TfxType"
  int friendlyNameId; // "PresetFriendlyName"
  int numPresetsId;   // "NumPresets"
  const NameTable &names;
  SceneNode::Kind blockKind; // the family's FxPresetNode kind
  std::string_view blockPrefix;
};

/// One preset file: its header values and its preset blocks as children.
/// Holds "ID" (its index in the list) and "FileName" (its path).
class PresetFileNode : public SceneNode {
public:
  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::LensPresetFile ||
           node->GetKind() == Kind::TransitionPresetFile;
  }

  /// The family's names, then the built-in ones.
  std::string GetParamName(int id, int reserved = -1) const override;

  /// Reads the header from the current position, then the blocks to the
  /// end of the file. Answers kReadEndOfFile, or kReadFailed (why in
  /// GetReadFailure) for a missing or malformed header line, a header value
  /// read twice, a block that fails or a script version other than 3.
  std::int64_t Read(TextSource *in, std::int64_t position) override;
  /// The header lines it holds, then every block. False for a script
  /// version other than 3, a null sink, a block that fails or a failed
  /// write.
  [[nodiscard]] bool Write(TextSink *out) override;

protected:
  PresetFileNode(SceneNode *parent, std::string_view name, Kind kind,
                 const PresetFileFamily &family);

private:
  const PresetFileFamily &family_;
};

/// The node of an effects file that lists preset files: its indexed list
/// holds their full paths, and one PresetFileNode child per list entry,
/// whose "ID" is the entry's index. Removing entry i destroys that child
/// and renumbers the children behind it, so entry i and the child with ID
/// i always belong together.
class PresetFileListNode : public IndexedListNode {
public:
  /// Whether the last read took the whole file (see OwnedFileState): a
  /// list whose read stopped early is never rewritten.
  [[nodiscard]] bool IsReadComplete() const {
    return fileState_.IsReadComplete();
  }

  /// The preset file child whose "ID" is `id`; null when there is none.
  [[nodiscard]] PresetFileNode *FindPresetFile(std::int32_t id) const;
  /// The preset files as a write gives them, in order: for each list entry
  /// the child with its index as "ID", when there is one.
  [[nodiscard]] std::vector<PresetFileNode *> GetFilesInWriteOrder() const;

  /// With a null sink: writes the file that the root's parameter
  /// `rootFileId` names, when that file exists in the working folder
  /// (nothing to do otherwise: true). A list whose read stopped early is
  /// left as it was, preset files included (true).
  [[nodiscard]] bool Write(TextSink *out) override;

protected:
  PresetFileListNode(SceneNode *parent, std::string_view name, Kind kind,
                     const NameTable &names, int listId, int countId,
                     int rootFileId);

  /// Makes the preset file node for one list line, already a child.
  virtual PresetFileNode &MakePresetFile(std::string_view name,
                                         const std::string &path) = 0;
  /// Called before a preset file node is removed with its entry.
  virtual void ForgetPresetFile(const PresetFileNode &) {}
  /// Writes the file's text into the sink (the preset files into their
  /// own files); called only with a sink and in script version 3.
  [[nodiscard]] virtual bool WriteList(TextSink &out) = 0;

  enum class ListRead : std::uint8_t { Complete, StoppedEarly, Failed };
  /// Reads `count` list lines and each preset file they name. Failed (why
  /// in GetReadFailure) for a negative count, a missing or malformed line,
  /// a file that is not in the working folder or a preset file that cannot
  /// be read; StoppedEarly when a listed file cannot be opened.
  [[nodiscard]] ListRead ReadPresetFiles(TextSource &in, std::int32_t count);
  /// The count line ("NumLenses" TAB n) and the n list lines, each
  /// followed by writing its preset file; `files` as GetFilesInWriteOrder.
  [[nodiscard]] bool
  WritePresetFiles(TextSink &out, const std::vector<PresetFileNode *> &files,
                   std::string_view countName);

  [[nodiscard]] bool RemoveEntry(int index) override;

  OwnedFileState fileState_;

private:
  int countId_;
  int rootFileId_;
};

/// The next line that holds a word and does not start with ';', and where
/// it starts; false at the end of the text.
[[nodiscard]] bool NextContentLine(TextSource &in, std::string &line,
                                   std::int64_t &lineStart);

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_EFFECTS_PRESET_FILE_LIST_H
