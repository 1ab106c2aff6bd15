// The scene's 3D text messages: MessageNode holds the playback settings of
// the list and one MessageDataNode child per message (its text, font,
// colour, size, extrusion and effect).
//
// Format notes. In script version 3 the list is an INI file of its own
// (the list's "FileName"): section "General" holds "Rate", "AutoSwitch",
// "Fade", "Randomize" and "NumMsgs"; sections "Message" and "Data" hold one
// key per message, "0", "1", ... without gaps (a read stops at the first
// missing key). A data line has eleven fields separated by ";": font,
// italics, red, green, blue, alpha (0 to 255), weight, size, extrusion,
// effect name and a last number; the last two may be missing or empty. In
// script version 2 the scene script holds one message as eight value lines.
#ifndef VORAFILE_NODES_CONTENT_MESSAGE_NODE_H
#define VORAFILE_NODES_CONTENT_MESSAGE_NODE_H

#include "nodes/core/owned_file_state.h"
#include "nodes/core/scene_node.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorafile::nodes {

/// The data line of a message whose "Data" value is empty.
inline constexpr std::string_view kDefaultMessageData =
    "Arial;0;254;254;254;255;500;0.5000;1.0000;Explode;0.0000";

class MessageDataNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` and adds "ID" = number.
  MessageDataNode(SceneNode *parent, std::string_view name,
                  std::int32_t number);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::MessageData;
  }

  /// Version 3: reads keys "ID" of sections "Message" and "Data" of the
  /// parent's "FileName" (source and position unused); answers 1, or
  /// kReadFailed (ReadValues). Version 2: the eight value lines from
  /// `position`, comment lines skipped; the first line's number goes to
  /// the scene root as "MsgOn" (1 for any number but 0). Answers the
  /// position after the eighth line, or kReadFailed for a missing or
  /// unreadable line or a refused add.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Version 3: writes the node's keys under its "ID" into the parent's
  /// "FileName"; writes nothing for a message without text. Version 2: the
  /// eight value lines; the first is "Enable" when the node has it, else
  /// the root's "MsgOn", else 0, so that the lines read back.
  [[nodiscard]] bool Write(TextSink *out) override;

  /// Adds the text and the values of a data line (kDefaultMessageData
  /// when empty). Fails, naming the fault, for fewer than nine fields or a
  /// colour component outside 0 to 255; an empty tenth or eleventh field
  /// adds nothing.
  std::int64_t ReadValues(const std::string &text, const std::string &data);

  /// The INI values of the message, text and data line; false for a
  /// message without text.
  [[nodiscard]] bool FormatValues(std::string &text, std::string &data) const;

private:
  std::int64_t ReadVersion2(TextSource &in, std::int64_t position);
  [[nodiscard]] bool WriteVersion2(TextSink &out) const;
};

class MessageNode final : public SceneNode {
public:
  /// Registers the node with the root above `parent` (when there is one).
  MessageNode(SceneNode *parent, std::string_view name);
  /// The same, and adds "FileName" = the messages file.
  MessageNode(SceneNode *parent, std::string_view name,
              std::string_view messagesFile);

  [[nodiscard]] static bool ClassOf(const SceneNode *node) {
    return node->GetKind() == Kind::Message;
  }

  /// Version 3: reads the INI file named by "FileName" (source and
  /// position unused): the settings ("Rate" 50 and the flags 0 when
  /// missing), then messages 0, 1, ... up to the first without text, then
  /// adds "NumMsgs". Answers 1, or kReadFailed (with the messages read so
  /// far kept, and the file then never rewritten) for a missing "FileName",
  /// a message that cannot be read or a refused add. Version 2: adds the
  /// settings of a version-2 scene (one message, rate 0, flags 0) and one
  /// message that reads its lines from `position`; answers its result.
  std::int64_t Read(TextSource *in, std::int64_t position) override;

  /// Version 3: rewrites sections "General", "Message" and "Data" of the
  /// file named by "FileName". Messages without text are left out and the
  /// others take the keys 0, 1, ... in child order, "NumMsgs" being their
  /// number, so the file reads back with the same messages. After a read
  /// that ended early the file is left as it was (true). Version 2: each
  /// message writes its lines into `out`.
  [[nodiscard]] bool Write(TextSink *out) override;

private:
  std::int64_t ReadVersion3();
  [[nodiscard]] bool WriteVersion3();

  OwnedFileState messagesFileState_;
};

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CONTENT_MESSAGE_NODE_H
