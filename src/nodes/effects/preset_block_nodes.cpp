#include "nodes/effects/preset_block_nodes.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/preset_keys.h"

#include <string>

namespace vorafile::nodes {

namespace {

// Exactly 79: the files have always had one '#' less than a full line.
constexpr std::string_view kSeparatorLine =
    "##########################################################################"
    "#####\n";
static_assert(kSeparatorLine.size() == 80, "79 '#' and a line feed");

constexpr PresetFamily kDeformationFamily{def_preset_param::kPreset,
                                          param::kToBeIdentified, false};
constexpr PresetFamily kLensFamily{lens_preset_param::kPreset,
                                   lens_preset_param::kUnknown, true};
constexpr PresetFamily kTransitionFamily{
    transition_preset_param::kPreset, transition_preset_param::kUnknown, true};

// The first word of a line; "" for a line without one.
std::string KeyOf(std::string_view line) {
  std::string key;
  (void)LineScanner(line).Word(key);
  return key;
}

bool IsCommentLine(std::string_view line) {
  return !line.empty() && line.front() == ';';
}

} // namespace

// ---- The shared block reader and writer ------------------------------------

PresetBlockNode::PresetBlockNode(SceneNode *parent, std::string_view name,
                                 Kind kind)
    : SceneNode(parent, name) {
  SetNodeType(kind);
  RegisterWithRoot();
}

std::int64_t PresetBlockNode::ReadBlock(TextSource *in, std::int64_t position,
                                        const PresetFamily &family) {
  hasPresetLine_ = false;
  if (in == nullptr) {
    return FailRead(-1, "no preset file to read");
  }
  if (!in->Seek(position)) {
    return FailRead(position, "cannot seek to the preset block");
  }
  // The block starts at its "Preset" line; whatever comes before it (the
  // separator, stray lines) is passed over.
  std::string line;
  std::int64_t lineStart = 0;
  while (true) {
    lineStart = in->Tell();
    if (!in->ReadLine(line)) {
      return kReadEndOfFile;
    }
    if (GetParamId(KeyOf(line)) == family.presetId) {
      break;
    }
  }
  std::string key;
  std::int32_t number = 0;
  if (!LineScanner(line).Word(key).Int(number).Ok()) {
    return FailRead(lineStart, "expected a preset number");
  }
  if (!SetParamValue(param::kId, ParamValue(number))) {
    return FailRead(lineStart, "cannot set the preset number");
  }
  hasPresetLine_ = true;

  lineStart = in->Tell();
  if (!in->ReadLine(line)) {
    return kReadEndOfFile;
  }
  if (family.hasNameLine) {
    while (IsCommentLine(line)) {
      lineStart = in->Tell();
      if (!in->ReadLine(line)) {
        return kReadEndOfFile;
      }
    }
    std::string nameKey;
    std::string name;
    const bool isNameLine = LineScanner(line).Word(nameKey).Word(name).Ok() &&
                            GetParamId(nameKey) != family.presetId &&
                            name.front() != '\0';
    // A line of one word (the next block's separator) is no name: the value
    // lines start there. Nor is a name that a text value would keep as ""
    // (it starts with a NUL byte): it would be written as a line of one
    // word.
    if (isNameLine) {
      if (!AddParamValue(GetParamId(nameKey), ParamValue(name))) {
        return FailRead(lineStart, "cannot add the preset name");
      }
      lineStart = in->Tell();
      if (!in->ReadLine(line)) {
        return kReadEndOfFile;
      }
    }
  }
  return ReadValueLines(*in, line, lineStart, family);
}

// `line` holds the first line after the block's head, read from
// `lineStart`.
std::int64_t PresetBlockNode::ReadValueLines(TextSource &in, std::string &line,
                                             std::int64_t lineStart,
                                             const PresetFamily &family) {
  while (true) {
    const std::string key = KeyOf(line);
    if (!key.empty()) {
      const int id = GetParamId(key);
      if (id == family.presetId) {
        return lineStart;
      }
      if (id != family.unknownId) {
        std::string word;
        float value = 0;
        if (!LineScanner(line).Word(word).Float(value).Ok()) {
          return FailRead(lineStart, "\"" + key + "\": expected a number");
        }
        if (!AddParamValue(id, ParamValue(value))) {
          return FailRead(lineStart, "\"" + key + "\" stands twice");
        }
      }
    }
    lineStart = in.Tell();
    if (!in.ReadLine(line)) {
      return kReadEndOfFile;
    }
  }
}

bool PresetBlockNode::WriteBlock(TextSink &out) const {
  (void)out.Write(kSeparatorLine);
  ParamValue id;
  if (hasPresetLine_ && GetParamValue(param::kId, id)) {
    (void)WriteValueLine(out, "Preset", id, false);
  }
  for (const NodeParam &param : GetParamArray()) {
    const int paramId = param.GetId();
    if (paramId == param::kId || paramId == param::kName ||
        paramId == param::kNodeId || param.GetValue() == nullptr) {
      continue;
    }
    (void)WriteValueLine(out, GetParamName(paramId), *param.GetValue(), false);
  }
  return !out.HasFailed();
}

// ---- Deformation blocks ----------------------------------------------------

DefPresetNode::DefPresetNode(SceneNode *parent)
    : DefPresetNode(parent, "Unknown") {}

DefPresetNode::DefPresetNode(SceneNode *parent, std::string_view name)
    : PresetBlockNode(parent, name, Kind::DefPreset) {
  (void)GetDeformationKeys();
}

DefPresetNode::DefPresetNode(SceneNode *parent, std::string_view name,
                             bool builtIn, std::int32_t index)
    : DefPresetNode(parent, name) {
  builtIn_ = builtIn;
  if (builtIn) {
    // A new node holds no "State": the add cannot fail.
    (void)AddParamValue(def_preset_param::kState,
                        ParamValue(static_cast<float>(index)));
  }
}

std::string DefPresetNode::GetParamName(int id, int reserved) const {
  const NameTable &keys = GetDeformationKeys();
  if (keys.Contains(id)) {
    return std::string(keys.NameOf(id));
  }
  return SceneNode::GetParamName(id, reserved);
}

int DefPresetNode::GetParamId(std::string_view name) const {
  return GetDeformationKeys().FindId(name).value_or(ParamIdOf(name));
}

std::int64_t DefPresetNode::Read(TextSource *in, std::int64_t position) {
  if (builtIn_) {
    return FailRead(-1, "a built-in preset has no lines");
  }
  const int version = GetScriptVersion();
  if (version != 2 && version != 3) {
    return FailRead(-1, "unknown script version");
  }
  return ReadBlock(in, position, kDeformationFamily);
}

bool DefPresetNode::Write(TextSink *out) {
  if (builtIn_) {
    return true;
  }
  const int version = GetScriptVersion();
  return (version == 2 || version == 3) && out != nullptr && WriteBlock(*out);
}

// ---- Lens and transition blocks --------------------------------------------

FxPresetNode::FxPresetNode(Kind kind)
    : FxPresetNode(nullptr, "Unknown", kind) {}

FxPresetNode::FxPresetNode(SceneNode *parent, std::string_view name, Kind kind)
    : PresetBlockNode(parent, name, kind) {
  assert((kind == Kind::LensPreset || kind == Kind::TransitionPreset) &&
         "an effect preset is a lens or a transition block");
  if (IsLens()) {
    (void)GetDeformationKeys();
    (void)GetLensKeys();
  } else {
    (void)GetTransitionKeys();
  }
}

FxPresetNode::FxPresetNode(SceneNode *parent, std::string_view name,
                           std::int32_t preset, Kind kind)
    : FxPresetNode(parent, name, kind) {
  // A new node holds no "ID": the add cannot fail.
  (void)AddParamValue(param::kId, ParamValue(preset));
}

std::string FxPresetNode::GetParamName(int id, int reserved) const {
  const NameTable &own = IsLens() ? GetLensKeys() : GetTransitionKeys();
  if (own.Contains(id)) {
    return std::string(own.NameOf(id));
  }
  if (IsLens() && GetDeformationKeys().Contains(id)) {
    return std::string(GetDeformationKeys().NameOf(id));
  }
  return SceneNode::GetParamName(id, reserved);
}

int FxPresetNode::GetParamId(std::string_view name) const {
  if (!IsLens()) {
    return GetTransitionKeys().FindId(name).value_or(
        transition_preset_param::kUnknown);
  }
  if (std::optional<int> id = GetLensKeys().FindId(name)) {
    return *id;
  }
  return GetDeformationKeys().FindId(name).value_or(
      lens_preset_param::kUnknown);
}

std::int64_t FxPresetNode::Read(TextSource *in, std::int64_t position) {
  if (GetScriptVersion() != 3) {
    return FailRead(-1, "effect presets are read in script version 3 only");
  }
  return ReadBlock(in, position, IsLens() ? kLensFamily : kTransitionFamily);
}

bool FxPresetNode::Write(TextSink *out) {
  return GetScriptVersion() == 3 && out != nullptr && WriteBlock(*out);
}

// ---- The walk over a file's blocks -----------------------------------------

PresetWalk WalkPresetBlocks(TextSource &in, std::int64_t position,
                            const PresetBlockMaker &makeBlock) {
  PresetWalk walk{position, 0};
  while (walk.position != kReadEndOfFile) {
    SceneNode &block = makeBlock(walk.blockCount);
    ++walk.blockCount;
    walk.position = block.Read(&in, walk.position);
    if (walk.position == kReadFailed) {
      walk.failedBlock = &block;
      return walk;
    }
  }
  return walk;
}

} // namespace vorafile::nodes
