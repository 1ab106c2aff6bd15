#include "nodes/content/object_node.h"

#include "nodes/content/text_helpers.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"
#include "platform/package_name.h"

#include <algorithm>
#include <optional>

namespace vorafile::nodes {

namespace {

constexpr std::string_view kBuiltInDefinitionStem = "defhydracreate";
// A version-2 object of type 1 has a fixed placement: written whatever it
// holds.
constexpr Vector kFixedPosition{{0.0f, -1.7f, 1.0f}};
constexpr Vector kFixedAngle{{0.0f, -90.0f, 0.0f}};

bool IsBuiltInDefinitionPath(std::string_view path) {
  const std::string fileName = FileNameOf(path);
  const std::string_view stem =
      std::string_view(fileName).substr(0, fileName.find_last_of('.'));
  return ascii::EqualsIgnoreCase(stem, kBuiltInDefinitionStem);
}

} // namespace

ObjectNode::ObjectNode(SceneNode *parent, std::string_view name)
    : IndexedListNode(parent, name, Kind::Object, GetParamNameIndex(),
                      param::kVro0, ValueType::String) {}

std::vector<std::string> ObjectNode::ObjectFileNames(bool builtInAsRaruz) {
  std::vector<std::string> names;
  for (const ParamValue &value : GetList().GetValues()) {
    names.push_back(builtInAsRaruz && IsBuiltInDefinitionPath(value.GetText())
                        ? std::string(kBuiltInObjectFile)
                        : FileNameOf(value.GetText()));
  }
  return names;
}

bool ObjectNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (out == nullptr || (version != 2 && version != 3)) {
    return false;
  }
  const bool written = version == 2 ? WriteVersion2(*out) : WriteVersion3(*out);
  return written && !out->HasFailed();
}

bool ObjectNode::WriteVersion2(TextSink &out) {
  const std::vector<std::string> files = ObjectFileNames(true);
  const std::optional<std::int32_t> type =
      GetParamAs<std::int32_t>(param::kOType);
  ParamValue value;
  for (int id :
       {param::kName, param::kNumMorphs, param::kOType, param::kOPos,
        param::kOAng, param::kOSize, param::kDefScale, param::kTName,
        param::kTColor, param::kSpecCol, param::kGloss, param::kNumDefs}) {
    if (!GetParamValue(id, value)) {
      return false;
    }
    if (id == param::kNumMorphs) {
      value = ParamValue(static_cast<std::int32_t>(files.size()));
    } else if (type == 1 && id == param::kOPos) {
      value = ParamValue(kFixedPosition);
    } else if (type == 1 && id == param::kOAng) {
      value = ParamValue(kFixedAngle);
    } else if (id == param::kTName) {
      value = ParamValue(FileNameOf(value.GetText()));
    }
    (void)WriteValue(out, value);
  }
  for (const std::string &file : files) {
    (void)WriteTextLine(out, file);
  }
  return WriteDeformations(out);
}

// The first "NumDefs" deformation references that are held. A section may
// end before its count of references (the reader takes that), so the count
// is written as read and only the references held follow it.
bool ObjectNode::WriteDeformations(TextSink &out) {
  const std::int32_t defs =
      GetParamAs<std::int32_t>(param::kNumDefs).value_or(0);
  for (int i = 0; i < defs; ++i) {
    SceneNode *reference = FindChild(Kind::DefRef, i);
    if (reference == nullptr) {
      break;
    }
    if (!reference->Write(&out)) {
      return false;
    }
  }
  return true;
}

bool ObjectNode::WriteVersion3(TextSink &out) {
  auto writeLine = [&](std::string_view key, int id, bool colorBytes) {
    ParamValue value;
    if (GetParamValue(id, value)) {
      (void)WriteValueLine(out, key, value, colorBytes);
    }
  };
  const std::vector<std::string> files = ObjectFileNames(false);
  writeLine(ParamNameOf(param::kOName), param::kName, false);
  writeLine(ParamNameOf(param::kVisible), param::kVisible, false);
  // The count as held, unless fewer than the files held: those are all
  // written, and a reader takes no more than the count allows.
  const std::optional<std::int32_t> morphs =
      GetParamAs<std::int32_t>(param::kNumMorphs);
  if (!files.empty() || morphs) {
    const auto held = static_cast<std::int32_t>(files.size());
    (void)WriteValueLine(out, ParamNameOf(param::kNumMorphs),
                         ParamValue(std::max(morphs.value_or(0), held)), false);
  }
  // Kept in version 3 as well, so that the type survives a save.
  writeLine(ParamNameOf(param::kOType), param::kOType, false);
  for (int id : kFlagIds) {
    writeLine(ParamNameOf(id), id, false);
  }
  for (int id : {param::kOPos, param::kOAng, param::kOSize, param::kDefScale}) {
    writeLine(ParamNameOf(id), id, false);
  }
  for (int id : {param::kTName, param::kT2Name}) {
    if (std::optional<std::string> path = GetTextParam(id)) {
      (void)WriteValueLine(out, ParamNameOf(id), ParamValue(FileNameOf(*path)),
                           false);
    }
  }
  std::string transform;
  bool wholeTransform = true;
  for (int id : kTextureTransformIds) {
    ParamValue value;
    wholeTransform = wholeTransform && GetParamValue(id, value) &&
                     value.GetType() == ValueType::Float;
    if (wholeTransform) {
      if (!transform.empty()) {
        transform += ' ';
      }
      transform += FormatValueText(value, false);
    }
  }
  if (wholeTransform) {
    (void)WriteValueLine(out, ParamNameOf(param::kT2ScaleTransRotate),
                         ParamValue(transform), false);
  }
  writeLine(ParamNameOf(param::kTColor), param::kTColor, true);
  writeLine(ParamNameOf(param::kSpecCol), param::kSpecCol, true);
  for (int id : {param::kGloss, param::kCulling, param::kNumDefs}) {
    writeLine(ParamNameOf(id), id, false);
  }
  for (const std::string &file : files) {
    (void)WriteValueLine(out, ParamNameOf(param::kVroFile), ParamValue(file),
                         false);
  }
  writeLine(ParamNameOf(param::kOlink), param::kOlink, false);
  if (std::optional<std::string> site = GetTextParam(param::kObjSite)) {
    (void)WriteValueLine(out, ParamNameOf(param::kObjSite),
                         ParamValue(FileNameOf(*site)), false);
    if (!WriteHotSpot()) {
      return false;
    }
  }
  return WriteDeformations(out);
}

bool ObjectNode::WriteHotSpot() {
  SceneNode *hotSpot = FindChild(Kind::ObjectConfig, 0);
  const std::optional<std::string> site = GetTextParam(param::kObjSite);
  if (hotSpot == nullptr || !site) {
    return true;
  }
  // The path a host may have set is never written as it stands: only its
  // file name, inside the working folder.
  const std::optional<std::string> path = platform::PackagePathFor(
      std::string(GetFolder().value_or("")), FileNameOf(*site));
  if (!path) {
    return false;
  }
  FileSink sink(*path);
  const bool written = hotSpot->Write(&sink);
  return sink.Close() && written;
}

} // namespace vorafile::nodes
