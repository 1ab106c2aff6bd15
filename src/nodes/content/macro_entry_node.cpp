#include "nodes/content/macro_nodes.h"

#include "nodes/content/line_reading.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"

#include <algorithm>

namespace vorafile::nodes {

namespace {

// The family's names as the macro file spells its keys.
constexpr std::string_view kMacroKey = "Macro";
constexpr std::string_view kMacroNameKey = "MacroName";

bool IsCommentOrBlank(std::string_view line) {
  return (!line.empty() && line.front() == ';') || line == "\n";
}

std::string FirstWord(std::string_view line) {
  std::string word;
  LineScanner(line).Word(word);
  return word;
}

} // namespace

// ---- MacroEntryNode -------------------------------------------------------

MacroEntryNode::MacroEntryNode(SceneNode *parent, std::string_view name,
                               std::int32_t id)
    : IndexedParamsNode(name, GetMacroNameTable()) {
  SetNodeType(Kind::MacroEntry);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
  // A new node holds no "ID": the add cannot fail.
  (void)IndexedParamsNode::AddParam(param::kId, &id, VORA_VALUE_INT);
}

MacroEntryNode::MacroEntryNode(SceneNode *parent, std::string_view name,
                               std::string_view macroName, std::int32_t id)
    : MacroEntryNode(parent, name, id) {
  (void)AddParamValue(macro_param::kMacroName,
                      ParamValue(std::string(macroName)));
}

bool MacroEntryNode::AppendCommand(std::string_view command) {
  return commands_.Add(static_cast<int>(commands_.GetCount()),
                       ParamValue(std::string(command)));
}

std::int64_t MacroEntryNode::Read(TextSource *in, std::int64_t position) {
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek to the macro");
  }
  std::string line;
  std::int64_t lineStart = in->Tell();
  bool found = false;
  while (ReadScannedLine(*in, line)) {
    if (!IsCommentOrBlank(line)) {
      found = true;
      break;
    }
    lineStart = in->Tell();
  }
  if (!found) {
    return FailRead(lineStart, "the file ends before the macro's name");
  }

  LineScanner scan(line);
  std::string key;
  scan.Word(key);
  std::string name(scan.Rest());
  name.resize(std::min(name.find('|'), name.size()));
  TrimSpaces(name);
  if (!SetParamValue(macro_param::kMacroName, ParamValue(name))) {
    return FailRead(lineStart, "cannot store the macro's name");
  }

  // `end` is the start of the line being read: a "Macro" line is left
  // to the caller.
  std::int64_t end = in->Tell();
  while (ReadScannedLine(*in, line)) {
    TrimSpaces(line);
    if (!line.empty() && ascii::EqualsIgnoreCase(FirstWord(line), kMacroKey)) {
      break;
    }
    if (!line.empty() && !AppendCommand(line)) {
      return FailRead(end, "cannot store a command");
    }
    end = in->Tell();
  }
  const auto count = static_cast<std::int32_t>(commands_.GetCount());
  if (!SetParamValue(macro_param::kNumMacroCommands, ParamValue(count))) {
    return FailRead(end, "cannot store the number of commands");
  }
  return std::max<std::int64_t>(end, 1);
}

bool MacroEntryNode::Write(TextSink *out) {
  if (out == nullptr || GetScriptVersion() != 3) {
    return false;
  }
  ParamValue id;
  std::optional<std::string> name = GetTextParam(macro_param::kMacroName);
  if (!IndexedParamsNode::GetParamValue(param::kId, id) || !name) {
    return false;
  }
  const std::int32_t count =
      GetParamAs<std::int32_t>(macro_param::kNumMacroCommands).value_or(0);
  (void)WriteValueLine(*out, kMacroKey, id, true);
  (void)WriteValueLine(*out, kMacroNameKey, ParamValue(*name), true);
  for (std::int32_t i = 0; i < count; ++i) {
    const ParamValue *command = commands_.Find(i);
    if (command == nullptr) {
      return false;
    }
    (void)WriteTextLine(*out, command->GetText());
  }
  return !out->HasFailed();
}

} // namespace vorafile::nodes
