#include "nodes/effects/lighting_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/section_lines.h"

#include <algorithm>
#include <array>
#include <optional>

// Format notes: a lighting line is "Lighting", a light number, the
// parameter name (any letter case) and the value: four numbers for
// "Diffuse" (a colour from 0.0 to 1.0, not bytes), "Position" and
// "Direction", 0 or 1 for "Spot", one number for "SpotCutOff". The writer
// always writes light 0 and puts two spaces before the name.

namespace vorafile::nodes {

namespace {

constexpr std::string_view kKeyword = "Lighting";
constexpr std::string_view kWrittenPrefix = "Lighting 0  ";

struct LightParam {
  int id;
  ValueType type;
};

// In the order the writer writes them.
constexpr auto kLightParams = std::to_array<LightParam>({
    {param::kDiffuse, ValueType::Color},
    {param::kPosition, ValueType::FloatQuad},
    {param::kSpot, ValueType::Byte},
    {param::kSpotCutOff, ValueType::Float},
    {param::kDirection, ValueType::FloatQuad},
});

const LightParam *FindLightParam(int id) {
  const auto found =
      std::find_if(kLightParams.begin(), kLightParams.end(),
                   [id](const LightParam &param) { return param.id == id; });
  return found == kLightParams.end() ? nullptr : &*found;
}

std::optional<std::array<float, 4>> ScanFourNumbers(LineScanner &scan) {
  std::array<float, 4> numbers{};
  for (float &number : numbers) {
    scan.Float(number);
  }
  return scan.Ok() ? std::optional(numbers) : std::nullopt;
}

} // namespace

LightingNode::LightingNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::Lighting);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

std::int64_t LightingNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version)) {
    return FailRead(position,
                    "unsupported script version " + std::to_string(version));
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot go to the lighting section");
  }
  std::int64_t sectionEnd = position;
  std::string line;
  std::int64_t lineStart = position;
  while (ReadSectionLine(*in, line, lineStart)) {
    LineScanner scan(line);
    std::string keyword;
    std::int32_t light = 0;
    std::string name;
    scan.Word(keyword).Int(light).Word(name);
    if (keyword != kKeyword) {
      break; // the caller's line
    }
    if (!scan.Ok()) {
      return FailRead(lineStart, "expected a light number and a name");
    }
    const int id = GetParamId(name);
    const LightParam *param = FindLightParam(id);
    if (param == nullptr) {
      std::string kept = line;
      EndKeptLine(kept);
      keptLines_.push_back(std::move(kept));
      sectionEnd = in->Tell();
      continue;
    }
    std::optional<ParamValue> value;
    if (param->type == ValueType::Byte) {
      std::int32_t spot = 0;
      if (!scan.Int(spot).Ok()) {
        return FailRead(lineStart, "expected 0 or 1");
      }
      if (spot != 0 && spot != 1) {
        return FailRead(lineStart,
                        "expected 0 or 1, got " + std::to_string(spot));
      }
      value = ParamValue(static_cast<std::uint8_t>(spot));
    } else if (param->type == ValueType::Float) {
      float number = 0;
      if (!scan.Float(number).Ok()) {
        return FailRead(lineStart, "expected a number");
      }
      value = ParamValue(number);
    } else {
      std::optional<std::array<float, 4>> numbers = ScanFourNumbers(scan);
      if (!numbers) {
        return FailRead(lineStart, "expected four numbers");
      }
      value = param->type == ValueType::Color ? ParamValue(Color{*numbers})
                                              : ParamValue(FloatQuad{*numbers});
    }
    if (!AddParamValue(id, *value)) {
      return FailRead(lineStart,
                      "parameter \"" + GetParamName(id) + "\" is set twice");
    }
    sectionEnd = in->Tell();
  }
  return sectionEnd;
}

bool LightingNode::Write(TextSink *out) {
  if (!IsKnownScriptVersion(GetScriptVersion()) || out == nullptr) {
    return false;
  }
  for (const LightParam &param : kLightParams) {
    ParamValue value;
    if (!GetParamValue(param.id, value) || value.GetType() != param.type) {
      continue;
    }
    const std::string prefix =
        std::string(kWrittenPrefix) + GetParamName(param.id);
    if (!WriteValueLine(*out, prefix, value, false)) {
      return false;
    }
  }
  for (const std::string &line : keptLines_) {
    if (!out->Write(line)) {
      return false;
    }
  }
  return true;
}

} // namespace vorafile::nodes
