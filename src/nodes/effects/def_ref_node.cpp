#include "nodes/effects/def_ref_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/node_registry.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"

#include <memory>
#include <string>

namespace vorafile::nodes {

namespace {

// The system's own definition, delivered with every installation: a
// reference names it but never writes it.
constexpr std::string_view kSystemDefinition = "defhydracreate.vrd";

bool IsKnownVersion(int version) {
  return version == 2 || version == 3;
}

// The next line that does not start with ';'; its start in `lineStart`.
bool NextValueLine(TextSource &in, std::string &line, std::int64_t &lineStart) {
  do {
    lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      return false;
    }
  } while (!line.empty() && line.front() == ';');
  return true;
}

} // namespace

DefRefNode::DefRefNode() : SceneNode(nullptr, "Unknown") {
  SetNodeType(Kind::DefRef);
}

DefRefNode::DefRefNode(SceneNode *parent) : DefRefNode(parent, "Unknown") {}

DefRefNode::DefRefNode(SceneNode *parent, std::string_view name)
    : SceneNode(parent, name) {
  SetNodeType(Kind::DefRef);
  RegisterWithRoot();
}

DefRefNode::DefRefNode(SceneNode *parent, std::string_view name,
                       std::string_view displayName)
    : DefRefNode(parent, name) {
  // A String for "Name": the set cannot fail.
  (void)SetParamValue(param::kName, ParamValue(std::string(displayName)));
}

DefRefNode::DefRefNode(SceneNode *parent, std::string_view name,
                       BuiltIn builtIn)
    : DefRefNode(parent, name) {
  builtIn_ = true;
  builtInPreset_ = builtIn.preset;
}

DefRefNode::DefRefNode(SceneNode *parent, std::string_view name,
                       std::int32_t preset)
    : DefRefNode(parent, name) {
  // A new node holds no "Preset": the add cannot fail.
  (void)AddParamValue(param::kPreset, ParamValue(preset));
}

DefRefNode::~DefRefNode() {
  for (int i = 0; i < GetChildCount(); ++i) {
    SceneNode *child = GetChild(i);
    if (IsA<DefFileNode>(child) && child->GetParent() == this &&
        child->GetRefCount() > 1) {
      child->SetParent(GetParent());
    }
  }
}

DefRefNode::DefinitionResult
DefRefNode::AttachDefinition(std::string_view fileName) {
  if (NodeRegistry *registry = GetSceneRegistry()) {
    if (auto *found = DynCast<DefFileNode>(registry->FindByTextParam(
            static_cast<int>(Kind::DefFile), param::kName, fileName))) {
      AddSharedChild(*found);
      definition_ = found;
      return DefinitionResult::Attached;
    }
  }
  definition_ = AddChild(std::make_unique<DefFileNode>(this, fileName));
  const std::optional<std::int64_t> read = definition_->ReadOwnFile();
  if (!read) {
    return DefinitionResult::Missing;
  }
  return *read == kReadFailed ? DefinitionResult::ReadFailed
                              : DefinitionResult::Attached;
}

std::int64_t DefRefNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (!IsKnownVersion(version)) {
    return FailRead(-1, "unknown script version");
  }
  if (builtIn_) {
    return ReadBuiltIn(position, version);
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek to the deformation reference");
  }
  return version == 2 ? ReadVersion2(*in, position)
                      : ReadVersion3(*in, position);
}

std::int64_t DefRefNode::ReadBuiltIn(std::int64_t position, int version) {
  const bool added =
      version == 2
          ? AddParamValue(param::kInput1Band, ParamValue(std::int32_t{0})) &&
                AddParamValue(param::kInput1Type,
                              ParamValue(std::int32_t{0})) &&
                AddParamValue(param::kInput2Band,
                              ParamValue(std::int32_t{0})) &&
                AddParamValue(param::kInput2Type, ParamValue(std::int32_t{1}))
          : AddParamValue(param::kInput1Band, ParamValue(std::int32_t{0}));
  if (!added || !AddParamValue(param::kPreset, ParamValue(builtInPreset_))) {
    return FailRead(-1, "the built-in reference was read already");
  }
  return position;
}

std::int64_t DefRefNode::ReadVersion2(TextSource &in, std::int64_t position) {
  std::string line;
  std::int64_t lineStart = position;
  auto readInt = [&](int id) {
    std::int32_t value = 0;
    if (!NextValueLine(in, line, lineStart)) {
      return FailRead(in.Tell(), "the deformation reference is cut short");
    }
    if (!LineScanner(line).Int(value).Ok()) {
      return FailRead(lineStart, "expected a whole number");
    }
    if (!AddParamValue(id, ParamValue(value))) {
      std::string reason(ParamNameOf(id));
      reason.append(" stands twice");
      return FailRead(lineStart, std::move(reason));
    }
    return in.Tell();
  };
  auto readWord = [&](std::string &word) {
    if (!NextValueLine(in, line, lineStart)) {
      return FailRead(in.Tell(), "the deformation reference is cut short");
    }
    if (!LineScanner(line).Word(word).Ok()) {
      return FailRead(lineStart, "expected a word");
    }
    return in.Tell();
  };

  for (int id : {param::kInput1Band, param::kInput1Type, param::kInput2Band,
                 param::kInput2Type}) {
    if (readInt(id) == kReadFailed) {
      return kReadFailed;
    }
  }
  std::string fileName;
  std::int64_t consumed = readWord(fileName);
  if (consumed == kReadFailed) {
    return kReadFailed;
  }
  if (!AddParamValue(param::kVrdFileName, ParamValue(fileName))) {
    return FailRead(lineStart, "\"VRDFileName\" stands twice");
  }
  switch (AttachDefinition(fileName)) {
  case DefinitionResult::Missing:
    return FailRead(lineStart, "definition \"" + fileName + "\" is missing");
  case DefinitionResult::ReadFailed:
    return consumed;
  case DefinitionResult::Attached:
    break;
  }
  std::string name;
  consumed = readWord(name);
  if (consumed == kReadFailed) {
    return kReadFailed;
  }
  if (!SetParamValue(param::kName, ParamValue(name))) {
    return FailRead(lineStart, "cannot set the name");
  }
  return readInt(param::kPreset);
}

std::int64_t DefRefNode::ReadVersion3(TextSource &in, std::int64_t position) {
  std::int64_t consumed = position;
  std::string line;
  while (true) {
    const std::int64_t lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      return consumed;
    }
    std::string keyword;
    LineScanner scan(line);
    scan.Word(keyword);
    const int id = ParamIdOf(keyword);
    if (id == param::kDefBand || id == param::kDefPreset) {
      std::int32_t value = 0;
      if (!scan.Int(value).Ok()) {
        return FailRead(lineStart, "expected a whole number");
      }
      const int target =
          id == param::kDefBand ? param::kInput1Band : param::kPreset;
      if (!AddParamValue(target, ParamValue(value))) {
        return FailRead(lineStart, "\"" + keyword + "\" stands twice");
      }
    } else if (id == param::kDefVrd) {
      std::string fileName;
      if (!scan.Word(fileName).Ok()) {
        return FailRead(lineStart, "expected a definition file name");
      }
      if (!AddParamValue(param::kVrdFileName, ParamValue(fileName))) {
        return FailRead(lineStart, "\"DefVrd\" stands twice");
      }
      switch (AttachDefinition(fileName)) {
      case DefinitionResult::Missing:
        return FailRead(lineStart,
                        "definition \"" + fileName + "\" is missing");
      case DefinitionResult::ReadFailed:
        return in.Tell();
      case DefinitionResult::Attached:
        break;
      }
    } else {
      return consumed;
    }
    consumed = in.Tell();
  }
}

bool DefRefNode::WriteDefinitions(TextSink &out, bool withVrdLines) {
  if (withVrdLines) {
    if (std::optional<std::string> vrd = GetTextParam(param::kVrdFileName)) {
      (void)WriteValueLine(out, "DefVrd", ParamValue(*vrd), false);
    }
  }
  for (int i = 0; i < GetChildCount(); ++i) {
    auto *definition = DynCast<DefFileNode>(GetChild(i));
    if (definition == nullptr ||
        ascii::EqualsIgnoreCase(definition->GetName(), kSystemDefinition)) {
      continue;
    }
    if (!definition->WriteOwnFileOnce()) {
      return false;
    }
  }
  return true;
}

bool DefRefNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (!IsKnownVersion(version) || out == nullptr) {
    return false;
  }
  ParamValue name;
  ParamValue preset;
  const bool hasName = GetParamValue(param::kName, name);
  const bool hasPreset = GetParamValue(param::kPreset, preset);
  if (builtIn_) {
    if (!hasName || !hasPreset) {
      return false;
    }
    std::string line = "TextDeform Load\t";
    line.append(name.GetText());
    line.push_back('\t');
    line.append(FormatValueText(preset, false));
    (void)WriteTextLine(*out, line);
    return WriteDefinitions(*out, false) && !out->HasFailed();
  }
  if (version == 2) {
    for (int id : {param::kInput1Band, param::kInput1Type, param::kInput2Band,
                   param::kInput2Type, param::kVrdFileName, param::kName,
                   param::kPreset}) {
      ParamValue value;
      if (!GetParamValue(id, value)) {
        return false;
      }
      (void)WriteValue(*out, value);
    }
    return WriteDefinitions(*out, false) && !out->HasFailed();
  }
  if (hasName) {
    (void)WriteValueLine(*out, "DefName", name, false);
  }
  ParamValue band;
  if (GetParamValue(param::kInput1Band, band)) {
    (void)WriteValueLine(*out, "DefBand", band, false);
  }
  if (!WriteDefinitions(*out, true)) {
    return false;
  }
  if (hasPreset) {
    (void)WriteValueLine(*out, "DefPreset", preset, false);
  }
  return !out->HasFailed();
}

} // namespace vorafile::nodes
