#include "nodes/effects/audio_analysis_node.h"

#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/value_writer.h"
#include "nodes/effects/section_lines.h"

#include <array>
#include <memory>
#include <string>
#include <utility>

// Format notes. Version 2: the band count alone on a line, then per band
// the lower and the upper frequency, each alone on a line. Version 3: the
// line "Nbands", a tab and the count (read by the scene script reader),
// then per band two lines of a word and a frequency; the word is "B", the
// band index and "Min" or "Max" (only the text from its first "M" counts),
// in either order. Comment and blank lines inside the bands are passed
// over in both versions. The count (0 to 10) and the frequencies (0 to
// 20480) are checked in both versions, so that a version-2 scene saved as
// version 3 opens again.

namespace vorafile::nodes {

namespace {

constexpr std::string_view kBandName = "FilterBandNode";

std::string BandLabel(std::int32_t index) {
  return "band " + std::to_string(index) + ": ";
}

} // namespace

// ---- AudioAnalysisNode ----------------------------------------------------

AudioAnalysisNode::AudioAnalysisNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::AudioAnalysis);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

AudioAnalysisNode::AudioAnalysisNode(SceneNode *parent, std::string_view name,
                                     std::int32_t bandCount)
    : AudioAnalysisNode(parent, name) {
  // A new node holds no count yet: the add cannot fail.
  (void)AddParamValue(param::kNbands, ParamValue(bandCount));
}

std::int64_t AudioAnalysisNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version)) {
    return FailRead(position,
                    "unsupported script version " + std::to_string(version));
  }
  if (in == nullptr) {
    return FailRead(position, "no script to read the bands from");
  }
  if (version == 3) {
    const std::optional<std::int32_t> count =
        GetParamAs<std::int32_t>(param::kNbands);
    if (!count) {
      return FailRead(position, "the number of bands is not set");
    }
    return *count < 1 ? position : ReadBands(*in, *count, position);
  }
  if (!in->Seek(position)) {
    return FailRead(position, "cannot go to the audio section");
  }
  std::string line;
  std::int64_t lineStart = position;
  std::int32_t count = 0;
  if (!ReadSectionLine(*in, line, lineStart)) {
    return FailRead(in->Tell(), "the number of bands is missing");
  }
  if (!LineScanner(line).Int(count).Ok()) {
    return FailRead(lineStart, "expected the number of bands");
  }
  if (count < 0 || count > kMaxBandCount) {
    return FailRead(lineStart, "band count " + std::to_string(count) +
                                   " is outside 0 to " +
                                   std::to_string(kMaxBandCount));
  }
  if (!AddParamValue(param::kNbands, ParamValue(count))) {
    return FailRead(lineStart, "the number of bands is set twice");
  }
  return ReadBands(*in, count, in->Tell());
}

std::int64_t AudioAnalysisNode::ReadBands(TextSource &in, std::int32_t count,
                                          std::int64_t position) {
  std::int64_t next = position;
  for (std::int32_t index = 0; index < count; ++index) {
    FilterBandNode *band = AddChild(std::make_unique<FilterBandNode>(
        this, std::string(kBandName) + std::to_string(index), index));
    next = band->Read(&in, next);
    if (next == kReadFailed) {
      const std::optional<ReadFailure> &failure = band->GetReadFailure();
      return FailRead(failure ? failure->position : position,
                      BandLabel(index) +
                          (failure ? failure->reason : "cannot be read"));
    }
  }
  return next;
}

bool AudioAnalysisNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version) || out == nullptr) {
    return false;
  }
  const std::optional<std::int32_t> count =
      GetParamAs<std::int32_t>(param::kNbands);
  if (version == 2) {
    if (!count || !WriteTextLine(*out, std::to_string(*count))) {
      return false;
    }
    for (int index = 0; index < *count; ++index) {
      SceneNode *band = GetChild(index);
      if (band == nullptr || !band->Write(out)) {
        return false;
      }
    }
    return true;
  }
  if (!count) {
    return true;
  }
  if (!WriteValueLine(*out, GetParamName(param::kNbands), ParamValue(*count),
                      true)) {
    return false;
  }
  int written = 0;
  while (SceneNode *band = FindChild(Kind::FilterBand, written)) {
    if (!band->Write(out)) {
      return false;
    }
    ++written;
  }
  return written == *count;
}

// ---- FilterBandNode -------------------------------------------------------

FilterBandNode::FilterBandNode(SceneNode *parent, std::string_view name)
    : SceneNode(name) {
  SetNodeType(Kind::FilterBand);
  SetParent(parent);
  if (parent != nullptr) {
    RegisterWithRoot();
  }
}

FilterBandNode::FilterBandNode(SceneNode *parent, std::string_view name,
                               std::int32_t index)
    : FilterBandNode(parent, name) {
  // A new node holds no "ID" yet: the add cannot fail.
  (void)AddParamValue(param::kId, ParamValue(index));
}

bool FilterBandNode::SetFrequency(int id, float value) {
  // Written so that NaN is out of range too.
  if (!(value >= 0.0f && value <= kMaxBandFrequency)) {
    return false;
  }
  // A frequency the node holds keeps its value.
  (void)AddParamValue(id, ParamValue(value));
  return true;
}

std::int64_t FilterBandNode::Read(TextSource *in, std::int64_t position) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version)) {
    return FailRead(position,
                    "unsupported script version " + std::to_string(version));
  }
  if (in == nullptr || !in->Seek(position)) {
    return FailRead(position, "cannot go to the band");
  }
  struct BandLine {
    std::int64_t start = 0;
    float frequency = 0;
    bool isMax = false;
  };
  std::array<BandLine, 2> lines{};
  std::string line;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    BandLine &band = lines[k];
    if (!ReadSectionLine(*in, line, band.start)) {
      return FailRead(in->Tell(), "the band's frequencies are missing");
    }
    LineScanner scan(line);
    if (version == 2) {
      band.isMax = k == 1;
      if (!scan.Float(band.frequency).Ok()) {
        return FailRead(band.start, "expected a frequency");
      }
      continue;
    }
    std::string word;
    if (!scan.Word(word).Float(band.frequency).Ok()) {
      return FailRead(band.start, "expected a word and a frequency");
    }
    const std::size_t m = word.find('M');
    const std::string_view suffix = m == std::string::npos
                                        ? std::string_view()
                                        : std::string_view(word).substr(m);
    if (suffix != "Min" && suffix != "Max") {
      return FailRead(band.start, "expected a \"Min\" or \"Max\" word, got \"" +
                                      word + "\"");
    }
    band.isMax = suffix == "Max";
  }
  if (lines[0].isMax == lines[1].isMax) {
    return FailRead(lines[1].start,
                    "expected one \"Min\" and one \"Max\" line");
  }
  for (const BandLine &band : lines) {
    const int id =
        band.isMax ? param::kMaximumFrequency : param::kMinimumFrequency;
    if (!SetFrequency(id, band.frequency)) {
      return FailRead(band.start,
                      "frequency " +
                          FormatValueText(ParamValue(band.frequency), false) +
                          " is outside 0 to 20480");
    }
  }
  return in->Tell();
}

bool FilterBandNode::Write(TextSink *out) {
  const int version = GetScriptVersion();
  if (!IsKnownScriptVersion(version) || out == nullptr) {
    return false;
  }
  if (version == 2) {
    for (const NodeParam &param : GetParamArray()) {
      const int id = param.GetId();
      if (id == param::kName || id == param::kNodeId || id == param::kId ||
          param.GetValue() == nullptr) {
        continue;
      }
      if (!WriteValue(*out, *param.GetValue())) {
        return false;
      }
    }
    return true;
  }
  const std::optional<std::int32_t> index =
      GetParamAs<std::int32_t>(param::kId);
  if (!index) {
    return false;
  }
  // Appended, not "B" + text: g++ 12 warns wrongly on that form (-Wrestrict).
  std::string label = "B";
  label.append(std::to_string(*index));
  for (const auto &[id, suffix] :
       {std::pair{param::kMinimumFrequency, "Min"},
        std::pair{param::kMaximumFrequency, "Max"}}) {
    ParamValue value;
    if (GetParamValue(id, value) &&
        !WriteValueLine(*out, label + suffix, value, true)) {
      return false;
    }
  }
  return true;
}

} // namespace vorafile::nodes
