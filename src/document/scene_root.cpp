#include "document/scene_root.h"

#include "nodes/content/intro_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_names.h"
#include "nodes/core/value_writer.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

#include <cstdio>

// Format notes: a scene script is a text file of lines of at most 255
// characters. Version 3 starts with a "Version 3" line and continues with
// keyword lines and node sections; version 2 (no "Version" line) is a fixed
// sequence of value lines followed by keyword lines. In version 3 a keyword
// without a handler ends the read successfully; in version 2 it fails it.
// Section keywords whose node class this library does not build are such
// keywords without handler.

namespace vorafile {

using nodes::IntroNode;
using nodes::kReadFailed;
using nodes::LineScanner;
using nodes::ParamValue;
using nodes::SceneNode;

namespace {

// Parameter ids of the root's settings.
namespace param {
constexpr int kBrightness = 3;
constexpr int kClights = 4;
constexpr int kCfx = 7;
constexpr int kCfxFileName = 8;
constexpr int kCfxPreset = 9;
constexpr int kDynCol = 31;
constexpr int kEffectPresetCategoryInfo = 34;
constexpr int kEnableNewCameraNav = 36;
constexpr int kEnvMap = 83;
constexpr int kFlat = 90;
constexpr int kFramesPerSecond = 104;
constexpr int kIniFileName = 109;
constexpr int kVoraScriptFileName = 116;
constexpr int kVoraMarqueeFileName = 117;
constexpr int kLights = 121;
constexpr int kMsgIni = 156;
constexpr int kMsgOn = 157;
constexpr int kNumMacroEffects = 169;
constexpr int kNumObjects = 173;
constexpr int kPause = 207;
constexpr int kReadOnly = 220;
constexpr int kResponsivness = 222;
constexpr int kSceneDetail = 225;
constexpr int kSceneLockMp3 = 226;
constexpr int kSpecialField1 = 234;
constexpr int kSpecialField2 = 235;
constexpr int kStrobe = 239;
constexpr int kStyle = 241;
constexpr int kTmap = 243;
constexpr int kTRot = 246;
constexpr int kTdfx = 255;
constexpr int kTdfxRate = 256;
constexpr int kTempDir = 257;
constexpr int kVersion = 277;
constexpr int kWframe = 278;
} // namespace param

constexpr const char *kIntroFileName = "intro.ini";
constexpr const char *kVoraScriptFile = "Vora.script";
constexpr const char *kMarqueeFile = "Vora.mrq";
constexpr int kCurrentScriptVersion = 3;
constexpr std::int32_t kMaxCfxPreset = 100;

bool IsComment(std::string_view line) {
  return !line.empty() && line.front() == ';';
}

bool IsFloatKeyword(int id) {
  return id == param::kBrightness || id == param::kFramesPerSecond ||
         id == param::kResponsivness;
}

bool IsIntKeyword(int id) {
  switch (id) {
  case param::kClights:
  case param::kDynCol:
  case param::kEnvMap:
  case param::kFlat:
  case param::kLights:
  case param::kPause:
  case param::kStrobe:
  case param::kTmap:
  case param::kTRot:
  case param::kVersion:
  case param::kWframe:
    return true;
  default:
    return false;
  }
}

bool IsBooleanKeyword(int id) {
  return id == param::kMsgOn || id == param::kEnableNewCameraNav;
}

// Booleans are read as integers and accepted only as 0 or 1.
std::optional<std::uint8_t> AsBoolean(std::int32_t value) {
  if (value != 0 && value != 1) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

} // namespace

// ---- Reading ----------------------------------------------------------

class SceneRoot::ScriptReader {
public:
  ScriptReader(SceneRoot &root, nodes::TextSource &in)
      : root_(root), in_(in),
        folder_(std::string(root.GetFolder().value_or(""))) {}

  std::int64_t Read(std::int64_t start);

private:
  std::int64_t ReadVersion3(std::int64_t start);
  std::int64_t ReadVersion2(std::int64_t start);
  bool HandleVersion3Line(int id, const std::string &line);
  bool HandleVersion2Line(int id, const std::string &line);
  bool MakeIntroNode(bool required);
  bool FinishVersion3();

  // Reads the next line; false at the end of the file.
  bool NextLine(std::string &line) {
    lineStart_ = in_.Tell();
    return in_.ReadLine(line);
  }
  // Reads the next line that is not a comment and holds a word.
  bool NextValueLine(std::string &line);

  bool Fail(std::string_view keyword, std::string reason) {
    if (root_.problem_.reason.empty()) {
      root_.problem_.position = lineStart_;
      root_.problem_.keyword = std::string(keyword);
      root_.problem_.reason = std::move(reason);
    }
    return false;
  }
  bool Add(int id, const ParamValue &value, std::string_view keyword) {
    if (root_.AddParamValue(id, value)) {
      return true;
    }
    return Fail(keyword, "parameter \"" + std::string(nodes::ParamNameOf(id)) +
                             "\" is already set");
  }
  bool HasFile(std::string_view name) const {
    return platform::FindInFolder(folder_, name).has_value();
  }

  SceneRoot &root_;
  nodes::TextSource &in_;
  std::string folder_;
  std::int64_t lineStart_ = 0;
  int effectPresetLines_ = 0;
  int macrosMade_ = 0;
};

bool SceneRoot::ScriptReader::NextValueLine(std::string &line) {
  while (NextLine(line)) {
    if (IsComment(line)) {
      continue;
    }
    std::string word;
    if (LineScanner(line).Word(word).Ok()) {
      return true;
    }
  }
  return false;
}

std::int64_t SceneRoot::ScriptReader::Read(std::int64_t start) {
  if (!in_.Seek(start)) {
    Fail("", "cannot seek to the start of the script");
    return kReadFailed;
  }
  std::string line;
  bool found = false;
  while (NextLine(line)) {
    if (!IsComment(line)) {
      found = true;
      break;
    }
  }
  if (!found) {
    Fail("", "the script holds no line");
    return kReadFailed;
  }
  std::string word;
  std::int32_t number = 0;
  LineScanner scan(line);
  scan.Word(word).Int(number);
  if (scan.Count() == 1) {
    root_.SetScriptVersion(2);
    return ReadVersion2(start);
  }
  if (scan.Count() == 2 && word == "Version") {
    root_.SetScriptVersion(number);
    if (number == kCurrentScriptVersion) {
      return ReadVersion3(start);
    }
    Fail(word, "unsupported script version " + std::to_string(number));
    return kReadFailed;
  }
  Fail(word, "the first line names no script version");
  return kReadFailed;
}

bool SceneRoot::ScriptReader::MakeIntroNode(bool required) {
  auto intro = std::make_unique<IntroNode>(&root_, "introNode1");
  IntroNode *node = root_.AddChild(std::move(intro));
  if (root_.IsTableOverfull()) {
    return Fail("", "more than 1024 nodes");
  }
  std::optional<std::string> path =
      platform::FindInFolder(folder_, kIntroFileName);
  if (!path) {
    return required ? Fail("", "\"intro.ini\" is missing") : true;
  }
  if (!node->AddParamValue(param::kIniFileName, ParamValue(*path))) {
    return Fail("", "cannot name \"intro.ini\"");
  }
  if (node->Read(nullptr, 0) == nodes::kReadFailed) {
    return Fail("", "\"intro.ini\" cannot be read");
  }
  return true;
}

std::int64_t SceneRoot::ScriptReader::ReadVersion3(std::int64_t start) {
  if (!in_.Seek(start)) {
    return kReadFailed;
  }
  if (!Add(param::kTempDir, ParamValue(folder_), "") || !MakeIntroNode(true)) {
    return kReadFailed;
  }

  std::int64_t resume = start;
  std::string line;
  while (NextLine(line)) {
    if (line == "\n") {
      continue;
    }
    std::string word;
    if (!LineScanner(line).Word(word).Ok()) {
      resume = in_.Tell();
      continue; // blanks only: nothing to handle
    }
    if (IsComment(line)) {
      continue;
    }
    const int id = nodes::ParamIdOf(word);
    std::optional<bool> handled;
    // Unknown keywords, and keywords whose node class is not built here,
    // end the script.
    if (IsFloatKeyword(id) || IsIntKeyword(id) || IsBooleanKeyword(id) ||
        id == param::kNumObjects || id == param::kTdfx ||
        id == param::kEffectPresetCategoryInfo || id == param::kCfx ||
        id == param::kSceneDetail || id == param::kSceneLockMp3) {
      handled = HandleVersion3Line(id, line);
    }
    if (!handled) {
      return resume;
    }
    if (!*handled) {
      return kReadFailed;
    }
    resume = in_.Tell();
  }
  if (!FinishVersion3()) {
    return kReadFailed;
  }
  return in_.Tell();
}

bool SceneRoot::ScriptReader::HandleVersion3Line(int id,
                                                 const std::string &line) {
  std::string keyword;
  LineScanner scan(line);
  scan.Word(keyword);

  if (IsFloatKeyword(id)) {
    float value = 0;
    if (!scan.Float(value).Ok()) {
      return Fail(keyword, "expected a number");
    }
    return Add(id, ParamValue(value), keyword);
  }
  if (IsIntKeyword(id) || id == param::kNumObjects) {
    std::int32_t value = 0;
    if (!scan.Int(value).Ok()) {
      return Fail(keyword, "expected a whole number");
    }
    if (id == param::kNumObjects) {
      root_.declaredObjectCount_ = value;
    }
    return Add(id, ParamValue(value), keyword);
  }
  if (IsBooleanKeyword(id)) {
    std::int32_t value = 0;
    if (!scan.Int(value).Ok()) {
      return Fail(keyword, "expected 0 or 1");
    }
    std::optional<std::uint8_t> flag = AsBoolean(value);
    if (!flag) {
      return Fail(keyword, "expected 0 or 1, got " + std::to_string(value));
    }
    return Add(id, ParamValue(*flag), keyword);
  }
  switch (id) {
  case param::kTdfx: {
    std::int32_t on = 0;
    std::int32_t rate = 0;
    if (!scan.Int(on).Int(rate).Ok()) {
      return Fail(keyword, "expected two numbers");
    }
    std::optional<std::uint8_t> flag = AsBoolean(on);
    if (!flag) {
      return Fail(keyword, "expected 0 or 1, got " + std::to_string(on));
    }
    return Add(param::kTdfx, ParamValue(*flag), keyword) &&
           Add(param::kTdfxRate, ParamValue(rate), keyword);
  }
  case param::kEffectPresetCategoryInfo:
    ++effectPresetLines_;
    return true;
  case param::kCfx: {
    std::string name;
    std::int32_t preset = 0;
    if (!scan.Word(name).Int(preset).Ok()) {
      return Fail(keyword, "expected a file name and a preset number");
    }
    if (!HasFile(name)) {
      return Fail(keyword, "file \"" + name + "\" is missing");
    }
    if (preset < 0 || preset > kMaxCfxPreset) {
      return Fail(keyword,
                  "preset " + std::to_string(preset) + " is outside 0 to 100");
    }
    return Add(param::kCfxFileName, ParamValue(name), keyword) &&
           Add(param::kCfxPreset, ParamValue(preset), keyword);
  }
  case param::kSceneDetail: {
    std::string what;
    std::string how;
    std::int32_t number = 0;
    scan.Word(what).Word(how).Int(number);
    if (what != "ReadOnly") {
      return true;
    }
    std::uint8_t value = 1;
    if (how == "Set") {
      if (scan.Count() < 4) {
        return Fail(keyword, "expected 0 or 1");
      }
      std::optional<std::uint8_t> flag = AsBoolean(number);
      if (!flag) {
        return Fail(keyword, "expected 0 or 1, got " + std::to_string(number));
      }
      value = *flag;
    }
    return Add(param::kReadOnly, ParamValue(value), keyword);
  }
  case param::kSceneLockMp3: {
    // The name is the rest of the line, without surrounding blanks.
    std::string name(scan.Rest());
    nodes::TrimSpaces(name);
    if (name.empty() || IsComment(name)) {
      return true;
    }
    // A repeated line keeps the first name instead of failing the read.
    if (root_.GetParamSize(param::kSceneLockMp3) != nodes::kParamSizeAbsent) {
      return true;
    }
    return Add(param::kSceneLockMp3, ParamValue(name), keyword);
  }
  default:
    return Fail(keyword, "keyword without handler");
  }
}

bool SceneRoot::ScriptReader::FinishVersion3() {
  const std::int32_t macroCount = effectPresetLines_ + macrosMade_;
  if (!Add(param::kNumMacroEffects, ParamValue(macroCount), "")) {
    return false;
  }
  if (std::optional<std::string> script =
          platform::FindInFolder(folder_, kVoraScriptFile)) {
    if (!Add(param::kVoraScriptFileName, ParamValue(*script), "")) {
      return false;
    }
  }
  if (std::optional<std::string> marquee =
          platform::FindInFolder(folder_, kMarqueeFile)) {
    if (!Add(param::kVoraMarqueeFileName, ParamValue(*marquee), "")) {
      return false;
    }
  }
  return true;
}

std::int64_t SceneRoot::ScriptReader::ReadVersion2(std::int64_t start) {
  if (!Add(param::kTempDir, ParamValue(folder_), "") ||
      !Add(param::kVersion, ParamValue(std::int32_t{2}), "") ||
      !MakeIntroNode(true) || !in_.Seek(start)) {
    return kReadFailed;
  }

  std::string line;
  // The single word that marked the script as version 2.
  if (!NextValueLine(line)) {
    return kReadFailed;
  }

  auto readFloat = [&](int id) {
    float value = 0;
    if (!NextValueLine(line) || !LineScanner(line).Float(value).Ok()) {
      return Fail(nodes::ParamNameOf(id), "expected a number");
    }
    return Add(id, ParamValue(value), nodes::ParamNameOf(id));
  };
  auto readInt = [&](int id, std::int32_t &value) {
    if (!NextValueLine(line) || !LineScanner(line).Int(value).Ok()) {
      return Fail(nodes::ParamNameOf(id), "expected a whole number");
    }
    return Add(id, ParamValue(value), nodes::ParamNameOf(id));
  };
  std::int32_t special = 0;
  std::int32_t style = 0;
  std::int32_t objectCount = 0;
  if (!readFloat(param::kFramesPerSecond) || !readFloat(param::kBrightness) ||
      !readFloat(param::kResponsivness) ||
      !readInt(param::kSpecialField1, special)) {
    return kReadFailed;
  }
  if (!NextValueLine(line) || !LineScanner(line).Int(style).Ok()) {
    Fail("Style", "expected a whole number");
    return kReadFailed;
  }
  // The style flags, bit by bit; their adds are not checked.
  constexpr int kStyleBits[] = {param::kTmap,    param::kWframe, param::kStrobe,
                                param::kClights, param::kDynCol, param::kLights,
                                param::kPause,   param::kFlat,   param::kTRot,
                                param::kEnvMap};
  for (std::size_t bit = 0; bit < std::size(kStyleBits); ++bit) {
    root_.AddParamValue(kStyleBits[bit],
                        ParamValue(static_cast<std::int32_t>(
                            (static_cast<std::uint32_t>(style) >> bit) & 1u)));
  }
  if (!Add(param::kStyle, ParamValue(style), "Style") ||
      !readInt(param::kNumObjects, objectCount)) {
    return kReadFailed;
  }
  root_.declaredObjectCount_ = objectCount;
  std::string special2;
  if (!NextValueLine(line) || !LineScanner(line).Word(special2).Ok() ||
      !Add(param::kSpecialField2, ParamValue(special2), "SpecialField2")) {
    return kReadFailed;
  }

  // The audio analysis and message sections, and the message file, belong
  // to node classes that are not built here; their lines are left to the
  // keyword loop.
  if (NextLine(line)) {
    std::string lock;
    if (!IsComment(line) && LineScanner(line).Word(lock).Ok() &&
        !Add(param::kSceneLockMp3, ParamValue(lock), "SceneLockMp3")) {
      return kReadFailed;
    }
  }
  if (objectCount > 0) {
    Fail("NumObjects", "object sections are not supported");
    return kReadFailed;
  }

  while (NextLine(line)) {
    std::string word;
    if (IsComment(line) || !LineScanner(line).Word(word).Ok()) {
      continue;
    }
    if (!HandleVersion2Line(nodes::ParamIdOf(word), line)) {
      return kReadFailed;
    }
  }
  if (!Add(param::kNumMacroEffects, ParamValue(std::int32_t{macrosMade_}),
           "")) {
    return kReadFailed;
  }
  root_.SetParamValue(param::kVersion,
                      ParamValue(std::int32_t{kCurrentScriptVersion}));
  root_.SetScriptVersion(kCurrentScriptVersion);
  return in_.Tell();
}

bool SceneRoot::ScriptReader::HandleVersion2Line(int id,
                                                 const std::string &line) {
  std::string keyword;
  LineScanner scan(line);
  scan.Word(keyword);
  switch (id) {
  case param::kSceneDetail: {
    std::string what;
    std::string how;
    std::int32_t number = 0;
    if (!scan.Word(what).Word(how).Int(number).Ok()) {
      return Fail(keyword, "expected two words and 0 or 1");
    }
    std::optional<std::uint8_t> flag = AsBoolean(number);
    if (!flag) {
      return Fail(keyword, "expected 0 or 1, got " + std::to_string(number));
    }
    return Add(param::kReadOnly, ParamValue(*flag), keyword);
  }
  // These name object or message nodes; with none in the scene the
  // lines change nothing.
  case 15:  // "Culling"
  case 196: // "ParentChildLink"
  case 261: // "TextDeform"
  case 265: // "TextureSettings"
    return true;
  default:
    return Fail(keyword, "unknown keyword");
  }
}

// ---- SceneRoot --------------------------------------------------------

SceneRoot::SceneRoot() : SceneNode("Unknown") {
  SetNodeType(Kind::SceneRoot);
  AddIndexRow(VORA_NODE_SCENE_ROOT, GetNodeId(), this);
}

SceneNode *SceneRoot::FindIndexedNodeByIntParam(int nodeType, int paramId,
                                                std::int32_t value) const {
  for (int row = 0; row < rowCount_; ++row) {
    const NodeIndexRow &entry = table_[static_cast<std::size_t>(row)];
    if (entry.type != nodeType || entry.node == nullptr) {
      continue;
    }
    std::optional<std::int32_t> held =
        entry.node->GetParamAs<std::int32_t>(paramId);
    if (held && *held == value) {
      return entry.node;
    }
  }
  return nullptr;
}

SceneNode *SceneRoot::FindIndexedNodeByTextParam(int nodeType, int paramId,
                                                 std::string_view text) const {
  for (int row = 0; row < rowCount_; ++row) {
    const NodeIndexRow &entry = table_[static_cast<std::size_t>(row)];
    if (entry.type != nodeType || entry.node == nullptr) {
      continue;
    }
    std::optional<std::string> held = entry.node->GetTextParam(paramId);
    if (held && ascii::EqualsIgnoreCase(*held, text)) {
      return entry.node;
    }
  }
  return nullptr;
}

SceneNode *SceneRoot::FindIndexedNodeById(int nodeId) const {
  for (int row = 0; row < rowCount_; ++row) {
    const NodeIndexRow &entry = table_[static_cast<std::size_t>(row)];
    if (entry.id == nodeId) {
      return entry.node;
    }
  }
  return nullptr;
}

bool SceneRoot::HasDescendantWithIntParam(Kind kind, int paramId,
                                          std::int32_t value) const {
  return FindDescendantByIntParam(kind, paramId, value) != nullptr;
}

bool SceneRoot::HasDescendantWithTextParam(Kind kind, int paramId,
                                           std::string_view text) const {
  return FindDescendantByTextParam(kind, paramId, text) != nullptr;
}

void SceneRoot::AddIndexRow(int nodeType, int nodeId, SceneNode *node) {
  if (static_cast<std::size_t>(rowCount_) >= kNodeIndexRows) {
    tableOverfull_ = true;
    return;
  }
  table_[static_cast<std::size_t>(rowCount_)] = {nodeType, nodeId, node};
  ++rowCount_;
}

std::int64_t SceneRoot::Read(nodes::TextSource *in, std::int64_t position) {
  problem_ = {};
  if (in == nullptr) {
    return kReadFailed;
  }
  ScriptReader reader(*this, *in);
  return reader.Read(position);
}

// ---- Writing ----------------------------------------------------------

bool SceneRoot::Write(nodes::TextSink *out) {
  if (out == nullptr) {
    return false;
  }
  SceneNode *intro = FindChild(Kind::Intro, 0);
  if (intro == nullptr || !intro->Write(nullptr)) {
    return false;
  }

  auto writeParam = [&](int id) {
    ParamValue value;
    if (GetParamValue(id, value)) {
      nodes::WriteValueLine(*out, nodes::ParamNameOf(id), value, true);
    }
  };
  for (int id :
       {param::kVersion, param::kFramesPerSecond, param::kBrightness,
        param::kResponsivness, param::kTmap, param::kWframe, param::kStrobe,
        param::kClights, param::kDynCol, param::kLights, param::kPause,
        param::kFlat, param::kTRot, param::kEnvMap}) {
    writeParam(id);
  }

  char line[nodes::kMaxLineLength + 1];
  auto writeLine = [&](int length) {
    if (length > 0) {
      out->Write(std::string_view(
          line, std::min(static_cast<std::size_t>(length), sizeof line - 1)));
    }
  };
  std::optional<std::uint8_t> tdfx = GetParamAs<std::uint8_t>(param::kTdfx);
  std::optional<std::int32_t> tdfxRate =
      GetParamAs<std::int32_t>(param::kTdfxRate);
  if (tdfx && tdfxRate) {
    writeLine(std::snprintf(line, sizeof line, "%s\t%d\t%d\n", "TDFX", *tdfx,
                            *tdfxRate));
  }
  writeParam(param::kNumObjects);
  // The colour effect is written in the form the reader takes back: file
  // name and preset number on one "CFX" line.
  std::optional<std::string> cfxName = GetTextParam(param::kCfxFileName);
  std::optional<std::int32_t> cfxPreset =
      GetParamAs<std::int32_t>(param::kCfxPreset);
  if (cfxName && cfxPreset) {
    writeLine(std::snprintf(line, sizeof line, "%s\t%s\t%d\n", "CFX",
                            cfxName->c_str(), *cfxPreset));
  }

  writeParam(param::kMsgOn);
  if (std::optional<std::string> msgIni = GetTextParam(param::kMsgIni)) {
    writeLine(std::snprintf(line, sizeof line, "%s\t%s\n", "MsgIni",
                            nodes::FileNameOf(*msgIni).c_str()));
  }
  writeParam(param::kSceneLockMp3);
  writeParam(param::kEnableNewCameraNav);

  ParamValue readOnly;
  if (GetParamValue(param::kReadOnly, readOnly)) {
    nodes::WriteValueLine(*out, "SceneDetail ReadOnly Set", readOnly, true);
  }
  return !out->HasFailed();
}

} // namespace vorafile
