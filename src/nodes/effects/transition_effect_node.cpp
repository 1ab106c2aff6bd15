#include "nodes/effects/transition_effect_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/preset_keys.h"

#include <array>
#include <memory>
#include <string>

namespace vorafile::nodes {

namespace {

constexpr int kEffectScriptVersion = 3;

constexpr std::array<std::string_view, 6> kTransitionEffectNames = {
    "Version",   "NumTfp", "Tfp Preset File", "TfxType", "PresetFriendlyName",
    "NumPresets"};

const PresetFileFamily &GetTransitionFileFamily() {
  static const PresetFileFamily family{
      transition_param::kTfxType,        transition_param::kPresetFriendlyName,
      transition_param::kNumPresets,     GetTransitionEffectNames(),
      SceneNode::Kind::TransitionPreset, "TfxPresetNode"};
  return family;
}

} // namespace

const NameTable &GetTransitionEffectNames() {
  static const NameTable table(transition_param::kVersion,
                               kTransitionEffectNames);
  return table;
}

// ---- Transition preset files ------------------------------------------------

TransitionPresetFileNode::TransitionPresetFileNode(SceneNode *parent)
    : TransitionPresetFileNode(parent, "Unknown") {}

TransitionPresetFileNode::TransitionPresetFileNode(SceneNode *parent,
                                                   std::string_view name)
    : PresetFileNode(parent, name, Kind::TransitionPresetFile,
                     GetTransitionFileFamily()) {
  (void)GetTransitionKeys();
}

TransitionPresetFileNode::TransitionPresetFileNode(SceneNode *parent,
                                                   std::string_view name,
                                                   std::string_view path)
    : TransitionPresetFileNode(parent, name) {
  // A new node holds no "FileName": the add cannot fail.
  (void)AddParamValue(param::kFileName, ParamValue(std::string(path)));
}

// ---- The transition effect file ---------------------------------------------

TransitionEffectNode::TransitionEffectNode(SceneNode *parent)
    : TransitionEffectNode(parent, "Unknown") {}

TransitionEffectNode::TransitionEffectNode(SceneNode *parent,
                                           std::string_view name)
    : PresetFileListNode(parent, name, Kind::TransitionEffect,
                         GetTransitionEffectNames(),
                         transition_param::kTfpPresetFile,
                         transition_param::kNumTfp, param::kTfxFileName) {}

TransitionEffectNode::TransitionEffectNode(SceneNode *parent,
                                           std::string_view name,
                                           std::int32_t preset)
    : TransitionEffectNode(parent, name) {
  // A new node holds no "Preset": the add cannot fail.
  (void)AddParamValue(param::kPreset, ParamValue(preset));
}

PresetFileNode &TransitionEffectNode::MakePresetFile(std::string_view name,
                                                     const std::string &path) {
  return *AddChild(
      std::make_unique<TransitionPresetFileNode>(this, name, path));
}

std::int64_t TransitionEffectNode::Read(TextSource *in, std::int64_t position) {
  OwnedFileRead read(fileState_);
  if (GetScriptVersion() != kEffectScriptVersion) {
    return FailRead(-1, "transitions are read in script version 3 only");
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek to the transitions");
  }
  std::string line;
  std::int64_t lineStart = 0;
  if (!NextContentLine(*in, line, lineStart)) {
    return FailRead(-1, "the transition effect file holds no line");
  }
  std::int32_t count = 0;
  for (int id : {transition_param::kVersion, transition_param::kNumTfp}) {
    const std::string name(GetTransitionEffectNames().NameOf(id));
    if (!NextContentLine(*in, line, lineStart)) {
      return FailRead(-1, "the file ends before its \"" + name + "\" line");
    }
    std::string key;
    std::int32_t value = 0;
    if (!LineScanner(line).Word(key).Int(value).Ok()) {
      return FailRead(lineStart, "\"" + name + "\": expected a number");
    }
    // A new node holds neither: the adds cannot fail.
    (void)AddParamValue(id, ParamValue(value));
    count = value;
  }
  switch (ReadPresetFiles(*in, count)) {
  case ListRead::Failed:
    return kReadFailed;
  case ListRead::StoppedEarly:
    return in->Tell();
  case ListRead::Complete:
    break;
  }
  read.Finish();
  return in->Tell();
}

bool TransitionEffectNode::WriteList(TextSink &out) {
  (void)WriteTextLine(out, "TransitionEffectFile");
  ParamValue version;
  if (GetParamValue(transition_param::kVersion, version)) {
    (void)WriteValueLine(out, "Version", version, false);
  }
  return WritePresetFiles(out, GetFilesInWriteOrder(), "NumTfp");
}

} // namespace vorafile::nodes
