#include "nodes/content/macro_nodes.h"

#include "nodes/content/line_reading.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/name_table.h"
#include "nodes/core/node_registry.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"
#include "platform/package_name.h"

#include <array>
#include <cstdio>
#include <memory>

// Format notes: a macro file is
//   Version<TAB>3
//   NumMacros<TAB>n
//   <empty line>
//   Macro<TAB>id          one block per macro, each followed by an empty
//   MacroName<TAB>name    line; the name runs to a "|" (the rest of that
//   command line ...      line is ignored), commands are whole lines
// An old scene instead lists "EffectPreset <file> <macro name>" lines after
// its "EffectPresetCategoryInfo" line; each file is an old macro file whose
// "SD <object> <deformation> <n> <preset>" lines become commands.

namespace vorafile::nodes {

namespace {

constexpr std::array<std::string_view, 8> kMacroNames = {
    "Macro",
    "Version",
    "NumMacros",
    "MacroName",
    "MacroCommand",
    "NumMacroCommands",
    "MacroCurrentPreset",
    "MacroFriendlyName",
};

constexpr const char *kMacroFileNodeName = "VRM Node 0";
constexpr const char *kConvertedEntryName = "MacroCommands";
constexpr const char *kMacroFileExtension = ".vrm";

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

FileHandle OpenForReading(const std::string &path) {
  return FileHandle(std::fopen(path.c_str(), "rb"), &std::fclose);
}

bool IsBlankLine(std::string_view line) {
  return line == "\n";
}

bool IsCommentOrBlank(std::string_view line) {
  return (!line.empty() && line.front() == ';') || IsBlankLine(line);
}

std::string FirstWord(std::string_view line) {
  std::string word;
  LineScanner(line).Word(word);
  return word;
}

// The version an operation runs under: the node's own or its parent's.
bool IsVersion(const SceneNode &node, int version) {
  return node.GetScriptVersion() == version;
}

// At least 1: a position of 0 would read as a failure.
std::int64_t ReadEndPosition(const TextSource &in) {
  return std::max<std::int64_t>(in.Tell(), 1);
}

} // namespace

const NameTable &GetMacroNameTable() {
  static const NameTable table(macro_param::kMacro, kMacroNames);
  return table;
}

std::string MacroParamName(int id) {
  if (GetMacroNameTable().Contains(id)) {
    return std::string(GetMacroNameTable().NameOf(id));
  }
  return std::string(ParamNameOf(id));
}

int MacroParamId(std::string_view name) {
  return GetMacroNameTable().FindId(name).value_or(ParamIdOf(name));
}

// ---- MacroFileNode --------------------------------------------------------

MacroFileNode::MacroFileNode(SceneNode *parent, std::string_view name,
                             std::string_view filePath)
    : SceneNode(name) {
  SetNodeType(Kind::MacroFile);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
  (void)AddParamValue(param::kFileName, ParamValue(std::string(filePath)));
}

std::int64_t MacroFileNode::Read(TextSource *in, std::int64_t position) {
  OwnedFileRead read(fileState_);
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek in the macro file");
  }
  std::int64_t end = kReadFailed;
  if (IsVersion(*this, 3)) {
    end = ReadMacroFile(*in, position);
  } else if (IsVersion(*this, 2)) {
    end = ImportOldMacros(*in, position);
  } else {
    return FailRead(-1, "unknown script version");
  }
  if (end != kReadFailed) {
    read.Finish();
  }
  return end;
}

std::int64_t MacroFileNode::ReadMacroFile(TextSource &in,
                                          std::int64_t /*position*/) {
  std::int32_t entriesRead = 0;
  std::string line;
  while (true) {
    const std::int64_t lineStart = in.Tell();
    if (!ReadScannedLine(in, line)) {
      break;
    }
    const int id = MacroParamId(FirstWord(line));
    if (id != macro_param::kMacro && id != macro_param::kVersion &&
        id != macro_param::kNumMacros) {
      continue;
    }
    std::string key;
    std::int32_t number = 0;
    if (!LineScanner(line).Word(key).Int(number).Ok()) {
      return FailRead(lineStart, "expected \"" + key + "\" and a number");
    }
    if (id != macro_param::kMacro) {
      if (!AddParamValue(id, ParamValue(number))) {
        return FailRead(lineStart, "\"" + key + "\" stands twice");
      }
      continue;
    }
    // One entry beyond the declared number is still taken.
    const std::int32_t declared =
        GetParamAs<std::int32_t>(macro_param::kNumMacros).value_or(0);
    if (entriesRead > declared) {
      return FailRead(lineStart, "more macros than \"NumMacros\" declares");
    }
    auto *entry = AddChild(
        std::make_unique<MacroEntryNode>(this, kMacroNames[0], number));
    const std::int64_t next = entry->Read(&in, in.Tell());
    if (next == kReadFailed) {
      const auto &failure = entry->GetReadFailure();
      return FailRead(failure ? failure->position : lineStart,
                      failure ? failure->reason : "the macro cannot be read");
    }
    if (!in.Seek(next)) {
      return FailRead(lineStart, "cannot go on after the macro");
    }
    ++entriesRead;
  }
  return ReadEndPosition(in);
}

std::int64_t MacroFileNode::ImportOldMacros(TextSource &in,
                                            std::int64_t /*position*/) {
  (void)SetParamValue(macro_param::kVersion, ParamValue(std::int32_t{3}));
  const std::int32_t count =
      GetParamAs<std::int32_t>(macro_param::kNumMacros).value_or(0);
  const std::string folder(GetFolder().value_or(""));
  std::int32_t converted = 0;
  std::string line;
  std::int64_t end = in.Tell();
  while (converted < count) {
    const std::int64_t lineStart = in.Tell();
    if (!ReadScannedLine(in, line)) {
      break;
    }
    if (IsCommentOrBlank(line)) {
      end = in.Tell();
      continue;
    }
    std::string key;
    std::string file;
    std::string macroName;
    if (!LineScanner(line).Word(key).Word(file).Word(macroName).Ok() ||
        MacroParamId(key) != param::kEffectPreset) {
      end = lineStart;
      break;
    }
    end = in.Tell();
    std::optional<std::string> path =
        platform::ResolvePackageName(folder, file);
    if (path && ConvertOldMacroFile(*path, macroName, converted)) {
      ++converted;
    }
  }
  if (!in.Seek(end)) {
    return FailRead(end, "cannot go back after the old macros");
  }
  return std::max<std::int64_t>(end, 1);
}

bool MacroFileNode::ConvertOldMacroFile(const std::string &path,
                                        std::string_view macroName,
                                        std::int32_t id) {
  FileHandle file = OpenForReading(path);
  if (!file) {
    return false;
  }
  auto *entry = AddChild(std::make_unique<MacroEntryNode>(
      this, kConvertedEntryName, macroName, id));
  NodeRegistry *registry = GetSceneRegistry();
  FileSource source(file.get());
  std::string line;
  while (ReadScannedLine(source, line)) {
    if (line.size() < 2 || line[0] != 'S' || line[1] != 'D') {
      continue;
    }
    std::string object;
    std::string deformation;
    std::int32_t unused = 0;
    std::int32_t preset = 0;
    if (!LineScanner(std::string_view(line).substr(2))
             .Word(object)
             .Word(deformation)
             .Int(unused)
             .Int(preset)
             .Ok() ||
        registry == nullptr) {
      continue;
    }
    SceneNode *objectNode = registry->FindByTextParam(
        static_cast<int>(Kind::Object), param::kName, object);
    if (objectNode == nullptr ||
        objectNode->FindDescendantByTextParam(Kind::DefRef, param::kName,
                                              deformation) == nullptr) {
      continue;
    }
    std::array<char, 2 * kMaxLineLength + 64> command{};
    (void)std::snprintf(command.data(), command.size(), kOldMacroCommandFormat,
                        object.c_str(), deformation.c_str(), preset);
    (void)entry->AppendCommand(command.data());
  }
  if (const std::size_t commands = entry->GetCommands().GetCount();
      commands > 0) {
    (void)entry->AddParamValue(macro_param::kNumMacroCommands,
                               ParamValue(static_cast<std::int32_t>(commands)));
  }
  return true;
}

bool MacroFileNode::WriteText(TextSink &out) const {
  ParamValue version;
  ParamValue declared;
  if (!SceneNode::GetParamValue(macro_param::kVersion, version) ||
      !SceneNode::GetParamValue(macro_param::kNumMacros, declared) ||
      declared.GetIf<std::int32_t>() == nullptr) {
    return false;
  }
  (void)WriteValueLine(out, kMacroNames[1], version, true);
  (void)WriteValueLine(out, kMacroNames[2], declared, true);
  (void)WriteTextLine(out, "");
  std::int32_t written = 0;
  const std::int32_t limit = *declared.GetIf<std::int32_t>();
  for (int i = 0; i < GetChildCount() && written < limit; ++i) {
    auto *entry = DynCast<MacroEntryNode>(GetChild(i));
    if (entry == nullptr) {
      continue;
    }
    if (!entry->Write(&out)) {
      return false;
    }
    (void)WriteTextLine(out, "");
    ++written;
  }
  return !out.HasFailed();
}

bool MacroFileNode::Write(TextSink *out) {
  if (IsVersion(*this, 2)) {
    return true;
  }
  if (!IsVersion(*this, 3)) {
    return false;
  }
  if (out != nullptr) {
    return WriteText(*out);
  }
  std::optional<std::string> path = GetTextParam(param::kFileName);
  if (!path || !fileState_.MayRewrite()) {
    return true;
  }
  // The text is made first, so a node that cannot describe its file leaves
  // the file as it was.
  StringSink text;
  if (!WriteText(text)) {
    return true;
  }
  FileSink file(*path);
  if (file.HasFailed()) {
    return true;
  }
  return file.Write(text.GetText()) && file.Close();
}

std::string MacroFileNode::GetParamName(int id, int /*reserved*/) const {
  return MacroParamName(id);
}

int MacroFileNode::GetParamId(std::string_view name) const {
  return MacroParamId(name);
}

// ---- MacroEffectNode ------------------------------------------------------

namespace {

std::int32_t StoredPreset(std::int32_t preset) {
  return preset == -1 ? 0 : preset;
}

// The name with its extension replaced by (or, without one, extended
// with) ".vrm".
std::string WithMacroFileExtension(std::string name) {
  const std::size_t dot = name.find_last_of('.');
  const std::size_t separator = name.find_last_of("/\\");
  if (dot != std::string::npos &&
      (separator == std::string::npos || dot > separator)) {
    name.resize(dot);
  }
  return name + kMacroFileExtension;
}

// The scene line of a macro up to its friendly name.
std::string EntryLinePrefix(std::string_view fileName, std::int32_t preset) {
  std::string prefix(ParamNameOf(param::kMacroEffect));
  prefix += '\t';
  prefix += fileName;
  prefix += ' ';
  prefix += std::to_string(preset);
  prefix += ' ';
  return prefix;
}

} // namespace

MacroEffectNode::MacroEffectNode(SceneNode *parent, std::string_view name,
                                 std::int32_t currentPreset,
                                 std::string_view friendlyName,
                                 std::int32_t oldMacroCount)
    : SceneNode(name), oldMacroCount_(oldMacroCount) {
  SetNodeType(Kind::MacroEffect);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
  (void)AddParamValue(macro_param::kMacroCurrentPreset,
                      ParamValue(StoredPreset(currentPreset)));
  (void)AddParamValue(macro_param::kMacroFriendlyName,
                      ParamValue(std::string(friendlyName)));
}

MacroEffectNode::MacroEffectNode(SceneNode *parent, std::string_view name,
                                 std::string_view filePath,
                                 std::int32_t currentPreset,
                                 std::string_view friendlyName)
    : MacroEffectNode(parent, name, currentPreset, friendlyName, 0) {
  (void)AddParamValue(param::kFileName, ParamValue(std::string(filePath)));
}

MacroFileNode *MacroEffectNode::GetMacroFile() const {
  return DynCast<MacroFileNode>(FindChild(Kind::MacroFile, 0));
}

std::int64_t MacroEffectNode::Read(TextSource *in, std::int64_t position) {
  if (IsVersion(*this, 3)) {
    return ReadMacroFile(position);
  }
  if (IsVersion(*this, 2)) {
    if (in == nullptr) {
      return FailRead(position, "no scene script to import from");
    }
    return ImportOldMacros(*in, position);
  }
  return FailRead(position, "unknown script version");
}

std::int64_t MacroEffectNode::ReadMacroFile(std::int64_t position) {
  std::optional<std::string> path = GetTextParam(param::kFileName);
  if (!path) {
    return FailRead(position, "the macro effect names no file");
  }
  // A read that is repeated reads the file into the child it made before.
  for (int i = 0; i < GetChildCount(); ++i) {
    auto *known = DynCast<MacroFileNode>(GetChild(i));
    if (known != nullptr && known->GetTextParam(param::kFileName) == path) {
      return position;
    }
  }
  auto *file = AddChild(
      std::make_unique<MacroFileNode>(this, kMacroFileNodeName, *path));
  FileHandle handle = OpenForReading(*path);
  if (!handle) {
    return FailRead(position, "the macro file cannot be opened");
  }
  FileSource source(handle.get());
  if (file->Read(&source, 0) == kReadFailed) {
    const auto &failure = file->GetReadFailure();
    return FailRead(position, "macro file \"" + FileNameOf(*path) + "\": " +
                                  (failure ? failure->reason : "unreadable"));
  }
  return position;
}

std::int64_t MacroEffectNode::ImportOldMacros(TextSource &in,
                                              std::int64_t position) {
  if (oldMacroCount_ == 0) {
    return position;
  }
  if (!in.Seek(position)) {
    return FailRead(position, "cannot seek to the old macro list");
  }
  std::string line;
  bool found = false;
  while (ReadScannedLine(in, line)) {
    if (!IsCommentOrBlank(line)) {
      found = true;
      break;
    }
  }
  std::string key;
  std::string file;
  std::string macroName;
  if (!found || !LineScanner(line).Word(key).Word(file).Word(macroName).Ok()) {
    return position;
  }
  // The macro file is named after the first old macro file, with the
  // macro file extension: saving writes the imported macros there, so it
  // must not be a file that the scene reads otherwise (the list may name
  // any file of the folder, "intro.ini" as well).
  const std::string folder(GetFolder().value_or(""));
  std::optional<std::string> path =
      platform::PackagePathFor(folder, WithMacroFileExtension(file));
  if (!path) {
    return position;
  }
  if (!SetParamValue(param::kFileName, ParamValue(*path)) ||
      !in.Seek(position)) {
    return FailRead(position, "cannot name the macro file");
  }
  auto *macroFile = AddChild(
      std::make_unique<MacroFileNode>(this, kMacroFileNodeName, *path));
  if (!macroFile->AddParamValue(macro_param::kNumMacros,
                                ParamValue(oldMacroCount_)) ||
      macroFile->Read(&in, position) == kReadFailed) {
    return FailRead(position, "the old macros cannot be imported");
  }
  return position;
}

std::size_t MacroEffectNode::FriendlyNameRoom(std::string_view fileName,
                                              std::int32_t preset) {
  // The line feed counts against the line too.
  const std::size_t used = EntryLinePrefix(fileName, preset).size() + 1;
  return used < kMaxLineLength ? kMaxLineLength - used : 0;
}

bool MacroEffectNode::Write(TextSink *out) {
  if (out == nullptr || !IsVersion(*this, 3)) {
    return false;
  }
  std::optional<std::string> path = GetTextParam(param::kFileName);
  if (!path) {
    return true;
  }
  std::optional<std::int32_t> preset =
      GetParamAs<std::int32_t>(macro_param::kMacroCurrentPreset);
  std::optional<std::string> friendly =
      GetTextParam(macro_param::kMacroFriendlyName);
  if (!preset || !friendly) {
    return false;
  }
  (void)WriteTextLine(*out,
                      EntryLinePrefix(FileNameOf(*path), *preset) + *friendly);
  if (MacroFileNode *file = GetMacroFile()) {
    if (!file->Write(nullptr)) {
      return false;
    }
  }
  return !out->HasFailed();
}

std::string MacroEffectNode::GetParamName(int id, int /*reserved*/) const {
  return MacroParamName(id);
}

int MacroEffectNode::GetParamId(std::string_view name) const {
  return MacroParamId(name);
}

} // namespace vorafile::nodes
