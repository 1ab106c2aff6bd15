#include "nodes/effects/camera_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/section_lines.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

// Format notes: a camera line is "Camera", the parameter name (any letter
// case), "Set" or "Nil", and the value: one number, or three for the two
// vector parameters. "Nil" makes the value zero whatever follows. The
// keyword itself is compared exactly: a line of "camera" ends the section.

namespace vorafile::nodes {

namespace {

constexpr std::string_view kKeyword = "Camera";

struct CameraParam {
  int id;
  ValueType type;
};

constexpr auto kCameraParams = std::to_array<CameraParam>({
    {param::kDirection0, ValueType::Float},
    {param::kDirection1, ValueType::Float},
    {param::kDirection2, ValueType::Float},
    {param::kFarClip, ValueType::Float},
    {param::kFov, ValueType::Float},
    {param::kFovMin, ValueType::Float},
    {param::kFovMax, ValueType::Float},
    {param::kLock, ValueType::Float},
    {param::kLockPosition0, ValueType::Float},
    {param::kLockPosition1, ValueType::Float},
    {param::kLockPosition2, ValueType::Float},
    {param::kLookAt, ValueType::Vector},
    {param::kLookAtBoundsCenter, ValueType::Vector},
    {param::kLookAtBoundsRadius, ValueType::Float},
    {param::kMaxMove, ValueType::Float},
    {param::kNearClip, ValueType::Float},
    {param::kPhi, ValueType::Float},
    {param::kPhiMax, ValueType::Float},
    {param::kPhiMaxD, ValueType::Float},
    {param::kPhiMin, ValueType::Float},
    {param::kRadius, ValueType::Float},
    {param::kRadiusMin, ValueType::Float},
    {param::kRadiusMax, ValueType::Float},
    {param::kRadiusMaxD, ValueType::Float},
    {param::kTheta, ValueType::Float},
    {param::kThetaMax, ValueType::Float},
    {param::kThetaMaxD, ValueType::Float},
    {param::kThetaMin, ValueType::Float},
});

const CameraParam *FindCameraParam(int id) {
  const auto found =
      std::find_if(kCameraParams.begin(), kCameraParams.end(),
                   [id](const CameraParam &param) { return param.id == id; });
  return found == kCameraParams.end() ? nullptr : &*found;
}

// The value after the third word; nothing when the numbers are missing.
std::optional<ParamValue> ScanCameraValue(const CameraParam &param,
                                          LineScanner &scan, bool isNil) {
  if (param.type == ValueType::Vector) {
    Vector vector;
    if (!isNil) {
      for (float &component : vector.components) {
        scan.Float(component);
      }
      if (!scan.Ok()) {
        return std::nullopt;
      }
    }
    return ParamValue(vector);
  }
  float number = 0;
  if (!isNil && !scan.Float(number).Ok()) {
    return std::nullopt;
  }
  return ParamValue(number);
}

} // namespace

CameraNode::CameraNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::Camera);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

std::int64_t CameraNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version)) {
    return FailRead(position,
                    "unsupported script version " + std::to_string(version));
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot go to the camera section");
  }
  std::int64_t sectionEnd = position;
  std::string line;
  std::int64_t lineStart = position;
  while (ReadSectionLine(*in, line, lineStart)) {
    LineScanner scan(line);
    std::string keyword;
    std::string name;
    std::string mode;
    scan.Word(keyword).Word(name).Word(mode);
    if (keyword != kKeyword) {
      break; // the caller's line
    }
    if (!scan.Ok()) {
      return FailRead(lineStart,
                      "expected a parameter name and \"Set\" or \"Nil\"");
    }
    const int id = GetParamId(name);
    const CameraParam *param = FindCameraParam(id);
    if (param == nullptr) {
      return FailRead(lineStart, "\"" + name + "\" is no camera parameter");
    }
    std::optional<ParamValue> value =
        ScanCameraValue(*param, scan, mode == "Nil");
    if (!value) {
      return FailRead(lineStart, param->type == ValueType::Vector
                                     ? "expected three numbers"
                                     : "expected a number");
    }
    if (!AddParamValue(id, *value)) {
      return FailRead(lineStart,
                      "parameter \"" + GetParamName(id) + "\" is set twice");
    }
    sectionEnd = in->Tell();
  }
  return sectionEnd;
}

bool CameraNode::Write(TextSink *out) {
  if (!IsKnownScriptVersion(GetScriptVersion()) || out == nullptr) {
    return false;
  }
  for (const NodeParam &param : GetParamArray()) {
    const CameraParam *known = FindCameraParam(param.GetId());
    const ParamValue *value = param.GetValue();
    if (known == nullptr || value == nullptr ||
        value->GetType() != known->type) {
      continue;
    }
    const std::string prefix =
        std::string(kKeyword) + " " + GetParamName(param.GetId()) + " Set";
    if (!WriteValueLine(*out, prefix, *value, true)) {
      return false;
    }
  }
  return true;
}

} // namespace vorafile::nodes
