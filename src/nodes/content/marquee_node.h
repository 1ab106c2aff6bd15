// The marquee: a numbered list of texts, each with a link, that the player
// shows in turn. The node reads and writes its own file, "Vora.mrq" beside
// the scene script, which exists only in script version 3.
//
// Besides its ordinary parameters ("Version", "NumMarquees") it keeps two
// indexed parameters, "Text" (4002) and "URL" (4003): the parameter
// operations address their entries by the index argument, and the host's
// info block lists them as "Text0", "URL3" (VisitSubItems). Removing an
// entry renumbers those behind it (IndexedParamList).
#ifndef VORAFILE_NODES_CONTENT_MARQUEE_NODE_H
#define VORAFILE_NODES_CONTENT_MARQUEE_NODE_H

#include "nodes/core/indexed_params_node.h"
#include "nodes/core/name_table.h"
#include "nodes/core/owned_file_state.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/scene_node.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::nodes {

/// Longest text or link the marquee keeps: the player's buffers hold 1024
/// bytes with the terminator. Longer ones are cut to this length.
inline constexpr std::size_t kMaxMarqueeTextLength = 1023;

class MarqueeNode final : public IndexedParamsNode {
public:
  /// Named "Unknown".
  explicit MarqueeNode(SceneNode *parent);
  /// Registers the node with the root above `parent` (when there is one);
  /// no texts, no links.
  MarqueeNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "NumMarquees" = count.
  MarqueeNode(SceneNode *parent, std::string_view name, std::int32_t count);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Marquee;
  }

  /// The marquee's own names (ids 4000 to 4004), asked before the built-in
  /// ones.
  [[nodiscard]] static const NameTable &GetNameTable();

  /// Reads the marquee file from `position` to its end. Answers a position
  /// other than kReadFailed on success, also for an empty file (no texts);
  /// kReadFailed, with the line at fault named in GetReadFailure(), for a
  /// script version other than 3, a second "Version" or "NumMarquees" line,
  /// or more "Text" lines than NumMarquees + 1. After such a failure the
  /// file counts as read only in part and Write leaves it as it was.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Writes the marquee file into `out`: "Version" if held; "NumMarquees"
  /// as the number of entries written (texts or links, whichever are more),
  /// unless the node holds neither a count nor an entry; then per entry a
  /// "Text" and a "URL" line (empty when the entry lacks one, so that the
  /// next text is never read as a link). A text ends at its first line feed
  /// and after kMaxMarqueeTextLength characters. With a null sink, writes
  /// the file that the root's "VoraMarqueeFileName" names (WriteFile).
  /// False for a script version other than 3 or a failed write.
  [[nodiscard]] bool Write(TextSink *out) override;

  /// Writes the marquee file at `path`, unless the last read of it ended
  /// early: the file is then left as it was (true). False when the file
  /// cannot be written whole.
  [[nodiscard]] bool WriteFile(const std::string &path);

private:
  // 4002 and 4003 address entry `index` of the texts or links.
  IndexedParamList *FindList(int id) override;
  const IndexedParamList *FindList(int id) const override;
  /// The texts, then the links ("Text0", ..., "URL0", ...).
  [[nodiscard]] std::vector<const IndexedParamList *>
  GetLists() const override {
    return {&texts_, &urls_};
  }
  /// GetParam answers texts and links as Strings only.
  [[nodiscard]] bool AnswersEntryType(const IndexedParamList & /*list*/,
                                      ValueType type) const override {
    return type == ValueType::String;
  }
  /// The number of entries: texts or links, whichever are more.
  [[nodiscard]] std::size_t GetEntryCount() const;

  IndexedParamList texts_{marquee_param::kText};
  IndexedParamList urls_{marquee_param::kUrl};
  OwnedFileState fileState_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_MARQUEE_NODE_H
