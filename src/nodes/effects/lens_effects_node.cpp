#include "nodes/effects/lens_effects_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/preset_keys.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace vorafile::nodes {

namespace {

constexpr int kEffectScriptVersion = 3;

constexpr std::array<std::string_view, 12> kLensEffectsNames = {
    "Version",
    "NumLenses",
    "Lfp Preset File",
    "NumHyperPresets",
    "CurrentHyperPreset",
    "HyperPresetName",
    "NumPresetRefs",
    "LfpNum",
    "PresetNum",
    "LfxType",
    "PresetFriendlyName",
    "NumPresets"};

const PresetFileFamily &GetLensFileFamily() {
  static const PresetFileFamily family{
      lens_param::kLfxType,        lens_param::kPresetFriendlyName,
      lens_param::kNumPresets,     GetLensEffectsNames(),
      SceneNode::Kind::LensPreset, "LfxPresetNode"};
  return family;
}

} // namespace

const NameTable &GetLensEffectsNames() {
  static const NameTable table(lens_param::kVersion, kLensEffectsNames);
  return table;
}

// ---- Lens preset files ------------------------------------------------------

LensPresetFileNode::LensPresetFileNode(SceneNode *parent)
    : LensPresetFileNode(parent, "Unknown") {}

LensPresetFileNode::LensPresetFileNode(SceneNode *parent, std::string_view name)
    : PresetFileNode(parent, name, Kind::LensPresetFile, GetLensFileFamily()) {
  (void)GetLensKeys();
}

LensPresetFileNode::LensPresetFileNode(SceneNode *parent, std::string_view name,
                                       std::string_view path)
    : LensPresetFileNode(parent, name) {
  // A new node holds no "FileName": the add cannot fail.
  (void)AddParamValue(param::kFileName, ParamValue(std::string(path)));
}

// ---- Hyper presets ----------------------------------------------------------

HyperPresetEntry::HyperPresetEntry(SceneNode *parent)
    : HyperPresetEntry(parent, "Unknown") {}

HyperPresetEntry::HyperPresetEntry(SceneNode *parent, std::string_view name)
    : IndexedListNode(parent, name, Kind::HyperPresetEntry,
                      GetLensEffectsNames(), lens_param::kPresetNum,
                      ValueType::Int) {
  // Held once, by its LensEffectsNode, whose destruction ends it.
  MakeShared(0);
}

HyperPresetEntry::HyperPresetEntry(SceneNode *parent, std::string_view name,
                                   std::int32_t index)
    : HyperPresetEntry(parent, name) {
  // A new node holds no "ID": the add cannot fail.
  (void)AddParamValue(param::kId, ParamValue(index));
}

std::int64_t HyperPresetEntry::Read(TextSource *in, std::int64_t /*position*/) {
  if (GetScriptVersion() != kEffectScriptVersion) {
    return FailRead(-1, "hyper presets are read in script version 3 only");
  }
  const auto *lenses = DynCast<LensEffectsNode>(GetParent());
  if (in == nullptr || lenses == nullptr) {
    return FailRead(-1, "a hyper preset is read by its lens effects file");
  }
  std::string line;
  std::int64_t lineStart = 0;
  const auto nextLine = [&] { return NextContentLine(*in, line, lineStart); };

  std::int32_t unused = 0;
  std::string key;
  std::string name;
  if (!nextLine()) {
    return FailRead(-1, "the file ends before a hyper preset");
  }
  if (!LineScanner(line).Int(unused).Word(key).Word(name).Ok()) {
    return FailRead(lineStart, "expected an index, a key and a name");
  }
  if (!AddParamValue(lens_param::kHyperPresetName, ParamValue(name))) {
    return FailRead(lineStart, "the hyper preset already has a name");
  }
  std::int32_t count = 0;
  if (!nextLine()) {
    return FailRead(-1, "the file ends before \"NumPresetRefs\"");
  }
  if (!LineScanner(line).Word(key).Int(count).Ok() || count < 0) {
    return FailRead(lineStart, "expected a number of preset references");
  }
  if (!AddParamValue(lens_param::kNumPresetRefs, ParamValue(count))) {
    return FailRead(lineStart, "\"NumPresetRefs\" stands twice");
  }
  for (std::int32_t j = 0; j < count; ++j) {
    std::int32_t lens = 0;
    std::int32_t preset = 0;
    if (!nextLine()) {
      return FailRead(-1, "the file ends before preset reference " +
                              std::to_string(j));
    }
    if (!LineScanner(line).Int(lens).Int(preset).Ok()) {
      return FailRead(lineStart, "expected a lens and a preset number");
    }
    PresetFileNode *file = lenses->FindPresetFile(lens);
    if (file == nullptr) {
      return FailRead(lineStart, "lens " + std::to_string(lens) +
                                     " is not in the lens list");
    }
    if (!List().Add(j, ParamValue(preset))) {
      return FailRead(lineStart, "preset reference " + std::to_string(j) +
                                     " stands twice");
    }
    AddReferenceChild(*file);
  }
  return in->Tell();
}

bool HyperPresetEntry::Write(TextSink *out) {
  if (GetScriptVersion() != kEffectScriptVersion || out == nullptr) {
    return false;
  }
  const auto *lenses = DynCast<LensEffectsNode>(GetParent());
  return WriteEntry(*out, lenses != nullptr ? lenses->GetFilesInWriteOrder()
                                            : std::vector<PresetFileNode *>{});
}

bool HyperPresetEntry::WriteEntry(TextSink &out,
                                  const std::vector<PresetFileNode *> &lenses) {
  std::optional<std::string> name = GetTextParam(lens_param::kHyperPresetName);
  std::optional<std::int32_t> id = GetParamAs<std::int32_t>(param::kId);
  if (name && id) {
    (void)WriteTextLine(out,
                        std::to_string(*id) + "\tHyperPresetName\t" + *name);
  }
  std::vector<std::string> references;
  const std::size_t count =
      std::min(List().GetCount(), static_cast<std::size_t>(GetChildCount()));
  for (std::size_t j = 0; j < count; ++j) {
    const SceneNode *lens = GetChild(static_cast<int>(j));
    const auto at = std::find(lenses.begin(), lenses.end(), lens);
    const std::int32_t *preset =
        List().Find(static_cast<int>(j))->GetIf<std::int32_t>();
    if (at != lenses.end() && preset != nullptr) {
      references.push_back(std::to_string(at - lenses.begin()) + "\t" +
                           std::to_string(*preset));
    }
  }
  // Always written: a reader takes the line after the name as the count.
  (void)WriteValueLine(out, "NumPresetRefs",
                       ParamValue(static_cast<std::int32_t>(references.size())),
                       false);
  for (const std::string &reference : references) {
    (void)WriteTextLine(out, reference);
  }
  return !out.HasFailed();
}

bool HyperPresetEntry::RemoveEntry(int index) {
  if (!List().Remove(index)) {
    return false;
  }
  (void)RemoveChild(index);
  DecrementCount(lens_param::kNumPresetRefs);
  return true;
}

int HyperPresetEntry::ForgetLens(const SceneNode &lens) {
  int removed = 0;
  for (int j = GetChildCount() - 1; j >= 0; --j) {
    if (GetChild(j) == &lens && RemoveEntry(j)) {
      ++removed;
    }
  }
  return removed;
}

// ---- The lens effects file
// ---------------------------------------------------

LensEffectsNode::LensEffectsNode(SceneNode *parent)
    : LensEffectsNode(parent, "Unknown") {}

LensEffectsNode::LensEffectsNode(SceneNode *parent, std::string_view name)
    : PresetFileListNode(parent, name, Kind::LensEffects, GetLensEffectsNames(),
                         lens_param::kLfpPresetFile, lens_param::kNumLenses,
                         param::kLfxFileName) {}

LensEffectsNode::LensEffectsNode(SceneNode *parent, std::string_view name,
                                 std::int32_t preset)
    : LensEffectsNode(parent, name) {
  // A new node holds no "Preset": the add cannot fail.
  (void)AddParamValue(param::kPreset, ParamValue(preset));
}

PresetFileNode &LensEffectsNode::MakePresetFile(std::string_view name,
                                                const std::string &path) {
  return *AddChild(std::make_unique<LensPresetFileNode>(this, name, path));
}

void LensEffectsNode::ForgetPresetFile(const PresetFileNode &file) {
  for (HyperPresetEntry *hyper : GetHyperPresets()) {
    (void)hyper->ForgetLens(file);
  }
}

std::vector<HyperPresetEntry *> LensEffectsNode::GetHyperPresets() const {
  std::vector<HyperPresetEntry *> found;
  for (int i = 0; i < GetChildCount(); ++i) {
    if (auto *hyper = DynCast<HyperPresetEntry>(GetChild(i))) {
      found.push_back(hyper);
    }
  }
  return found;
}

std::int64_t LensEffectsNode::Read(TextSource *in, std::int64_t position) {
  OwnedFileRead read(fileState_);
  if (GetScriptVersion() != kEffectScriptVersion) {
    return FailRead(-1, "lens effects are read in script version 3 only");
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot seek to the lens effects");
  }
  std::string line;
  std::int64_t lineStart = 0;
  if (!NextContentLine(*in, line, lineStart)) {
    return FailRead(-1, "the lens effects file holds no line");
  }
  std::int32_t hyperCount = 0;
  while (true) {
    lineStart = in->Tell();
    if (!in->ReadLine(line)) {
      break;
    }
    std::string key;
    std::int32_t value = 0;
    LineScanner scan(line);
    scan.Word(key);
    const int id = GetParamId(key);
    if (id != lens_param::kVersion && id != lens_param::kNumLenses &&
        id != lens_param::kNumHyperPresets &&
        id != lens_param::kCurrentHyperPreset) {
      continue;
    }
    if (!scan.Int(value).Ok()) {
      continue;
    }
    if (!AddParamValue(id, ParamValue(value))) {
      return FailRead(lineStart, "\"" + key + "\" stands twice");
    }
    if (id == lens_param::kNumLenses) {
      switch (ReadPresetFiles(*in, value)) {
      case ListRead::Failed:
        return kReadFailed;
      case ListRead::StoppedEarly:
        return in->Tell();
      case ListRead::Complete:
        break;
      }
    } else if (id == lens_param::kNumHyperPresets) {
      if (value < 0) {
        return FailRead(lineStart, "\"" + key + "\" is negative");
      }
      hyperCount = value;
    } else if (id == lens_param::kCurrentHyperPreset &&
               !ReadHyperPresets(*in, hyperCount, lineStart)) {
      return kReadFailed;
    }
  }
  // The count a write gives: the hyper presets made (a "CurrentHyperPreset"
  // line before "NumHyperPresets" makes none).
  if (GetParamAs<std::int32_t>(lens_param::kNumHyperPresets)) {
    (void)SetParamValue(
        lens_param::kNumHyperPresets,
        ParamValue(static_cast<std::int32_t>(GetHyperPresets().size())));
  }
  read.Finish();
  return in->Tell();
}

bool LensEffectsNode::ReadHyperPresets(TextSource &in, std::int32_t count,
                                       std::int64_t lineStart) {
  for (std::int32_t j = 0; j < count; ++j) {
    auto *hyper = AddChild(std::make_unique<HyperPresetEntry>(
        this, "HyperPresetNode" + std::to_string(j), j));
    if (hyper->Read(&in, in.Tell()) == kReadFailed) {
      const std::optional<ReadFailure> &failure = hyper->GetReadFailure();
      (void)FailRead(failure ? failure->position : lineStart,
                     "hyper preset " + std::to_string(j) + ": " +
                         (failure ? failure->reason : "cannot be read"));
      return false;
    }
  }
  return true;
}

bool LensEffectsNode::WriteList(TextSink &out) {
  (void)WriteTextLine(out, "LensEffectsFile");
  ParamValue version;
  if (GetParamValue(lens_param::kVersion, version)) {
    (void)WriteValueLine(out, "Version", version, false);
  }
  const std::vector<PresetFileNode *> lenses = GetFilesInWriteOrder();
  if (!WritePresetFiles(out, lenses, "NumLenses")) {
    return false;
  }
  const std::vector<HyperPresetEntry *> hypers = GetHyperPresets();
  if (GetParamAs<std::int32_t>(lens_param::kNumHyperPresets) ||
      !hypers.empty()) {
    (void)WriteValueLine(out, "NumHyperPresets",
                         ParamValue(static_cast<std::int32_t>(hypers.size())),
                         false);
  }
  ParamValue current;
  if (GetParamValue(lens_param::kCurrentHyperPreset, current)) {
    (void)WriteValueLine(out, "CurrentHyperPreset", current, false);
  }
  for (HyperPresetEntry *hyper : hypers) {
    if (!hyper->WriteEntry(out, lenses)) {
      return false;
    }
  }
  return !out.HasFailed();
}

} // namespace vorafile::nodes
