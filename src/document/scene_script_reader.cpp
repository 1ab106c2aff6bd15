#include "document/scene_script_reader.h"

#include "document/object_rows.h"
#include "document/scene_root.h"
#include "document/scene_script_sections.h"
#include "document/text_deform_lines.h"
#include "nodes/content/intro_node.h"
#include "nodes/content/macro_nodes.h"
#include "nodes/content/marquee_node.h"
#include "nodes/content/message_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/effects/audio_analysis_node.h"
#include "nodes/effects/camera_node.h"
#include "nodes/effects/def_ref_node.h"
#include "nodes/effects/lens_effects_node.h"
#include "nodes/effects/lighting_node.h"
#include "nodes/effects/transition_effect_node.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

#include <algorithm>
#include <cstdio>
#include <memory>

// Format notes: a scene script is a text file of lines of at most 255
// characters. Version 3 starts with a "Version 3" line and continues with
// keyword lines and node sections; version 2 (no "Version" line) is a fixed
// sequence of value lines followed by keyword lines. In version 3 a keyword
// without a row ends the read successfully; in version 2 it fails it.
// Section keywords whose node class this library does not build are such
// keywords without a row. The lines from there to the end are kept as read
// (the unread tail) for the writer, so a save loses none of them.

namespace vorafile {

using nodes::AudioAnalysisNode;
using nodes::CameraNode;
using nodes::IntroNode;
using nodes::kReadFailed;
using nodes::LightingNode;
using nodes::LineScanner;
using nodes::MarqueeNode;
using nodes::MessageNode;
using nodes::ParamValue;
namespace param = nodes::param;

namespace {

constexpr const char *kIntroFileName = "intro.ini";
constexpr const char *kVoraScriptFile = "Vora.script";
constexpr const char *kMarqueeFile = "Vora.mrq";
// The messages file of a version-2 scene once it is saved as version 3.
constexpr const char *kVersion2MessagesFile = "Text.ini";
constexpr const char *kMessageNodeName = "ThreeDTextNode0";
constexpr int kCurrentScriptVersion = 3;
constexpr std::int32_t kMaxCfxPreset = 100;

// Booleans are read as integers and accepted only as 0 or 1.
std::optional<std::uint8_t> AsBoolean(std::int32_t value) {
  if (value != 0 && value != 1) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

SectionResult LineDone(bool handled, const KeywordLine &line) {
  return handled ? SectionResult::ContinueAt(line.end)
                 : SectionResult::Failed();
}

// ---- The root's keyword lines ------------------------------------------

SectionResult ReadFloatSetting(ScriptReadContext &context,
                               const KeywordLine &line) {
  float value = 0;
  if (!ScanAfterKeyword(line).Float(value).Ok()) {
    context.Fail(line.keyword, "expected a number");
    return SectionResult::Failed();
  }
  return LineDone(context.Add(line.keywordId, ParamValue(value), line.keyword),
                  line);
}

SectionResult ReadIntSetting(ScriptReadContext &context,
                             const KeywordLine &line) {
  std::int32_t value = 0;
  if (!ScanAfterKeyword(line).Int(value).Ok()) {
    context.Fail(line.keyword, "expected a whole number");
    return SectionResult::Failed();
  }
  if (line.keywordId == param::kNumObjects) {
    context.Root().SetDeclaredObjectCount(value);
  }
  return LineDone(context.Add(line.keywordId, ParamValue(value), line.keyword),
                  line);
}

SectionResult ReadBooleanSetting(ScriptReadContext &context,
                                 const KeywordLine &line) {
  std::int32_t value = 0;
  if (!ScanAfterKeyword(line).Int(value).Ok()) {
    context.Fail(line.keyword, "expected 0 or 1");
    return SectionResult::Failed();
  }
  std::optional<std::uint8_t> flag = AsBoolean(value);
  if (!flag) {
    context.Fail(line.keyword, "expected 0 or 1, got " + std::to_string(value));
    return SectionResult::Failed();
  }
  return LineDone(context.Add(line.keywordId, ParamValue(*flag), line.keyword),
                  line);
}

SectionResult ReadTdfx(ScriptReadContext &context, const KeywordLine &line) {
  std::int32_t on = 0;
  std::int32_t rate = 0;
  if (!ScanAfterKeyword(line).Int(on).Int(rate).Ok()) {
    context.Fail(line.keyword, "expected two numbers");
    return SectionResult::Failed();
  }
  std::optional<std::uint8_t> flag = AsBoolean(on);
  if (!flag) {
    context.Fail(line.keyword, "expected 0 or 1, got " + std::to_string(on));
    return SectionResult::Failed();
  }
  return LineDone(
      context.Add(param::kTdfx, ParamValue(*flag), line.keyword) &&
          context.Add(param::kTdfxRate, ParamValue(rate), line.keyword),
      line);
}

// Counted for "NumMacroEffects" and kept as read, for the writer.
SectionResult KeepEffectPresetLine(ScriptReadContext &context,
                                   const KeywordLine &line) {
  ++context.effectPresetLines;
  std::string kept(line.text);
  nodes::EndKeptLine(kept);
  context.Root().AddEffectPresetLine(std::move(kept));
  return SectionResult::ContinueAt(line.end);
}

SectionResult ReadCfx(ScriptReadContext &context, const KeywordLine &line) {
  std::string name;
  std::int32_t preset = 0;
  if (!ScanAfterKeyword(line).Word(name).Int(preset).Ok()) {
    context.Fail(line.keyword, "expected a file name and a preset number");
    return SectionResult::Failed();
  }
  if (!context.HasFile(name)) {
    context.Fail(line.keyword, "file \"" + name + "\" is missing");
    return SectionResult::Failed();
  }
  if (preset < 0 || preset > kMaxCfxPreset) {
    context.Fail(line.keyword,
                 "preset " + std::to_string(preset) + " is outside 0 to 100");
    return SectionResult::Failed();
  }
  return LineDone(
      context.Add(param::kCfxFileName, ParamValue(name), line.keyword) &&
          context.Add(param::kCfxPreset, ParamValue(preset), line.keyword),
      line);
}

// ---- Lens and transition effects ---------------------------------------
//
// "LFX <file>" and "TFX <file>" name an effects file of the working folder,
// which its node reads whole, with the preset files it lists; the root keeps
// the file's path.

template <class EffectsNode>
SectionResult ReadEffectsFile(ScriptReadContext &context,
                              const KeywordLine &line, int rootFileId) {
  std::string name;
  if (!ScanAfterKeyword(line).Word(name).Ok()) {
    context.Fail(line.keyword, "expected a file name");
    return SectionResult::Failed();
  }
  SceneRoot &root = context.Root();
  EffectsNode *node = root.AddChild(std::make_unique<EffectsNode>(&root, name));
  const std::optional<std::string> path =
      platform::ResolvePackageName(context.Folder(), name);
  if (!path) {
    context.Fail(line.keyword, "file \"" + name + "\" is missing");
    return SectionResult::Failed();
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
      std::fopen(path->c_str(), "rb"), &std::fclose);
  if (!file) {
    context.Fail(line.keyword, "file \"" + name + "\" cannot be opened");
    return SectionResult::Failed();
  }
  nodes::FileSource source(file.get());
  if (node->Read(&source, 0) == kReadFailed) {
    const std::optional<nodes::SceneNode::ReadFailure> &failure =
        node->GetReadFailure();
    context.Fail(line.keyword, "\"" + name + "\": " +
                                   (failure ? failure->reason
                                            : std::string("cannot be read")));
    return SectionResult::Failed();
  }
  if (root.GetNodeIndex().IsOverfull()) {
    context.Fail(line.keyword, "more than 1024 nodes");
    return SectionResult::Failed();
  }
  return LineDone(context.Add(rootFileId, ParamValue(*path), line.keyword),
                  line);
}

SectionResult ReadLensEffects(ScriptReadContext &context,
                              const KeywordLine &line) {
  return ReadEffectsFile<nodes::LensEffectsNode>(context, line,
                                                 param::kLfxFileName);
}

SectionResult ReadTransitionEffects(ScriptReadContext &context,
                                    const KeywordLine &line) {
  return ReadEffectsFile<nodes::TransitionEffectNode>(context, line,
                                                      param::kTfxFileName);
}

SectionResult ReadSceneDetail(ScriptReadContext &context,
                              const KeywordLine &line) {
  std::string keyword;
  std::string what;
  std::string how;
  std::int32_t number = 0;
  LineScanner scan(line.text);
  scan.Word(keyword).Word(what).Word(how).Int(number);
  if (what != "ReadOnly") {
    return SectionResult::ContinueAt(line.end);
  }
  std::uint8_t value = 1;
  if (how == "Set") {
    if (scan.Count() < 4) {
      context.Fail(line.keyword, "expected 0 or 1");
      return SectionResult::Failed();
    }
    std::optional<std::uint8_t> flag = AsBoolean(number);
    if (!flag) {
      context.Fail(line.keyword,
                   "expected 0 or 1, got " + std::to_string(number));
      return SectionResult::Failed();
    }
    value = *flag;
  }
  return LineDone(
      context.Add(param::kReadOnly, ParamValue(value), line.keyword), line);
}

SectionResult ReadSceneLockMp3(ScriptReadContext &context,
                               const KeywordLine &line) {
  // The name is the rest of the line, without surrounding blanks.
  std::string name(ScanAfterKeyword(line).Rest());
  nodes::TrimSpaces(name);
  if (name.empty() || IsCommentLine(name)) {
    return SectionResult::ContinueAt(line.end);
  }
  // A repeated line keeps the first name instead of failing the read.
  if (context.Root().GetParamSize(param::kSceneLockMp3) !=
      nodes::kParamSizeAbsent) {
    return SectionResult::ContinueAt(line.end);
  }
  return LineDone(
      context.Add(param::kSceneLockMp3, ParamValue(name), line.keyword), line);
}

// The root takes the file's path; the message node reads the file. A file
// that reads nothing ends the read after this line: the root writes the
// line back itself, and the file, which the node then leaves as it was,
// travels unchanged.
SectionResult ReadMsgIni(ScriptReadContext &context, const KeywordLine &line) {
  std::string name;
  if (!ScanAfterKeyword(line).Word(name).Ok()) {
    context.Fail(line.keyword, "expected a file name");
    return SectionResult::Failed();
  }
  std::optional<std::string> path =
      platform::ResolvePackageName(context.Folder(), name);
  if (!path) {
    context.Fail(line.keyword, "file \"" + name + "\" is missing");
    return SectionResult::Failed();
  }
  if (!context.Add(param::kMsgIni, ParamValue(*path), line.keyword)) {
    return SectionResult::Failed();
  }
  SceneRoot &root = context.Root();
  MessageNode *messages = root.AddChild(
      std::make_unique<MessageNode>(&root, kMessageNodeName, *path));
  if (messages->Read(nullptr, 0) == kReadFailed) {
    return SectionResult::StopAfterLine();
  }
  return SectionResult::ContinueAt(line.end);
}

// Version 2: the number must be 0 or 1, whatever the words say.
SectionResult ReadVersion2SceneDetail(ScriptReadContext &context,
                                      const KeywordLine &line) {
  std::string what;
  std::string how;
  std::int32_t number = 0;
  if (!ScanAfterKeyword(line).Word(what).Word(how).Int(number).Ok()) {
    context.Fail(line.keyword, "expected two words and 0 or 1");
    return SectionResult::Failed();
  }
  std::optional<std::uint8_t> flag = AsBoolean(number);
  if (!flag) {
    context.Fail(line.keyword,
                 "expected 0 or 1, got " + std::to_string(number));
    return SectionResult::Failed();
  }
  return LineDone(
      context.Add(param::kReadOnly, ParamValue(*flag), line.keyword), line);
}

// ---- Node sections ---------------------------------------------------------

// The node of that class under the root, made on its first section: a later
// section of the same kind reads into it, so a save loses none of them.
template <class Node>
SectionResult
ReadSingleNodeSection(ScriptReadContext &context, const KeywordLine &line,
                      nodes::SceneNode::Kind kind, std::string_view name) {
  SceneRoot &root = context.Root();
  auto *node = nodes::DynCast<Node>(root.FindChild(kind, 0));
  if (node == nullptr) {
    node = root.AddChild(std::make_unique<Node>(&root, name));
  }
  const std::int64_t next = node->Read(&context.Source(), line.start);
  if (next == kReadFailed) {
    return context.FailNodeRead(*node, line);
  }
  return SectionResult::ContinueAt(next);
}

SectionResult ReadCameraSection(ScriptReadContext &context,
                                const KeywordLine &line) {
  return ReadSingleNodeSection<CameraNode>(
      context, line, nodes::SceneNode::Kind::Camera, "CameraNode0");
}

SectionResult ReadLightingSection(ScriptReadContext &context,
                                  const KeywordLine &line) {
  return ReadSingleNodeSection<LightingNode>(
      context, line, nodes::SceneNode::Kind::Lighting, "LightingNode0");
}

// Every "Nbands" line makes an audio analysis node of its own.
SectionResult ReadAudioAnalysis(ScriptReadContext &context,
                                const KeywordLine &line) {
  std::int32_t count = 0;
  if (!ScanAfterKeyword(line).Int(count).Ok()) {
    context.Fail(line.keyword, "expected the number of bands");
    return SectionResult::Failed();
  }
  if (count < 0 || count > nodes::kMaxBandCount) {
    context.Fail(line.keyword, "band count " + std::to_string(count) +
                                   " is outside 0 to " +
                                   std::to_string(nodes::kMaxBandCount));
    return SectionResult::Failed();
  }
  SceneRoot &root = context.Root();
  AudioAnalysisNode *node = root.AddChild(
      std::make_unique<AudioAnalysisNode>(&root, "AudioAnalysisNode0", count));
  if (root.GetNodeIndex().IsOverfull()) {
    context.Fail(line.keyword, "more than 1024 nodes");
    return SectionResult::Failed();
  }
  const std::int64_t next = node->Read(&context.Source(), line.end);
  if (next == kReadFailed) {
    return context.FailNodeRead(*node, line);
  }
  return SectionResult::ContinueAt(next);
}

// "MacroEffect <file> <preset> <friendly name>": the name takes the rest of
// the line, so names with blanks survive. A line that does not qualify, or
// whose macro file cannot be read, is passed over (the node stays and keeps
// its file as it was).
SectionResult ReadMacroEffect(ScriptReadContext &context,
                              const KeywordLine &line) {
  std::string file;
  std::int32_t preset = 0;
  LineScanner scan = ScanAfterKeyword(line);
  if (!scan.Word(file).Int(preset).Ok()) {
    return SectionResult::ContinueAt(line.end);
  }
  std::optional<std::string> path =
      platform::ResolvePackageName(context.Folder(), file);
  std::string friendly(scan.Rest());
  nodes::TrimSpaces(friendly);
  if (path) {
    // Only as much as a save can write back on one line (a preset written
    // right against the name, "1name", gains a blank).
    friendly.resize(
        std::min(friendly.size(), nodes::MacroEffectNode::FriendlyNameRoom(
                                      nodes::FileNameOf(*path), preset)));
  }
  nodes::TrimSpaces(friendly);
  if (friendly.empty() || !path) {
    return SectionResult::ContinueAt(line.end);
  }
  auto *macro =
      context.Root().AddChild(std::make_unique<nodes::MacroEffectNode>(
          &context.Root(), "MacroNode0", *path, preset, friendly));
  if (macro->Read(&context.Source(), line.end) != kReadFailed) {
    ++context.macrosMade;
  }
  return SectionResult::ContinueAt(line.end);
}

// Version 2: "EffectPresetCategoryInfo <friendly name> <count> <preset>",
// followed by the old macro files it lists, which are imported.
SectionResult ImportOldMacros(ScriptReadContext &context,
                              const KeywordLine &line) {
  std::string friendly;
  std::int32_t count = 0;
  std::int32_t preset = 0;
  if (!ScanAfterKeyword(line).Word(friendly).Int(count).Int(preset).Ok()) {
    context.Fail(line.keyword, "expected a name and two numbers");
    return SectionResult::Failed();
  }
  auto *macro =
      context.Root().AddChild(std::make_unique<nodes::MacroEffectNode>(
          &context.Root(), "MacroNode0", preset, friendly, count));
  if (macro->Read(&context.Source(), line.end) == kReadFailed) {
    return context.FailNodeRead(*macro, line);
  }
  ++context.macrosMade;
  return SectionResult::ContinueAt(line.end);
}

// Lines that name object or message nodes; with none in the scene they
// change nothing.
SectionResult PassOverLine(ScriptReadContext &, const KeywordLine &line) {
  return SectionResult::ContinueAt(line.end);
}

constexpr auto kAfter = SectionStartKind::AfterKeywordLine;
constexpr auto kAtLine = SectionStartKind::AtKeywordLine;

// The version-3 keyword table: one row per keyword.
constexpr SectionRow kVersion3Rows[] = {
    {param::kBrightness, kAfter, &ReadFloatSetting},
    {param::kFramesPerSecond, kAfter, &ReadFloatSetting},
    {param::kResponsivness, kAfter, &ReadFloatSetting},
    {param::kClights, kAfter, &ReadIntSetting},
    {param::kDynCol, kAfter, &ReadIntSetting},
    {param::kEnvMap, kAfter, &ReadIntSetting},
    {param::kFlat, kAfter, &ReadIntSetting},
    {param::kLights, kAfter, &ReadIntSetting},
    {param::kPause, kAfter, &ReadIntSetting},
    {param::kStrobe, kAfter, &ReadIntSetting},
    {param::kTmap, kAfter, &ReadIntSetting},
    {param::kTRot, kAfter, &ReadIntSetting},
    {param::kVersion, kAfter, &ReadIntSetting},
    {param::kWframe, kAfter, &ReadIntSetting},
    {param::kNumObjects, kAfter, &ReadIntSetting},
    {param::kMsgOn, kAfter, &ReadBooleanSetting},
    {param::kMsgIni, kAfter, &ReadMsgIni},
    {param::kEnableNewCameraNav, kAfter, &ReadBooleanSetting},
    {param::kTdfx, kAfter, &ReadTdfx},
    {param::kEffectPresetCategoryInfo, kAfter, &KeepEffectPresetLine},
    {param::kCfx, kAfter, &ReadCfx},
    {param::kLfx, kAfter, &ReadLensEffects},
    {param::kTfx, kAfter, &ReadTransitionEffects},
    {param::kSceneDetail, kAfter, &ReadSceneDetail},
    {param::kSceneLockMp3, kAfter, &ReadSceneLockMp3},
    {param::kCamera, kAtLine, &ReadCameraSection},
    {param::kLighting, kAtLine, &ReadLightingSection},
    // The name index gives "Nbands" its higher id only.
    {param::kNbands, kAfter, &ReadAudioAnalysis},
    {param::kTextDeform, kAfter, &ReadVersion3TextDeform},
    {param::kMacroEffect, kAfter, &ReadMacroEffect},
    {param::kOName, kAfter, &ReadObjectSection},
    {param::kParentChildLink, kAfter, &ReadVersion3ParentChildLink},
    {param::kTextureSettings, kAfter, &ReadVersion3TextureSettings},
};

// The keyword lines after the fixed values of a version-2 script.
constexpr SectionRow kVersion2Rows[] = {
    {param::kSceneDetail, kAfter, &ReadVersion2SceneDetail},
    {param::kCulling, kAfter, &ReadVersion2Culling},
    {param::kParentChildLink, kAfter, &ReadVersion2ParentChildLink},
    {param::kTextDeform, kAfter, &ReadVersion2TextDeform},
    {param::kTextureSettings, kAfter, &ReadVersion2TextureSettings},
    {param::kEffectPresetCategoryInfo, kAfter, &ImportOldMacros},
    // The old macro files' lines, which the import above read.
    {param::kEffectPreset, kAfter, &PassOverLine},
    {param::kCamera, kAtLine, &ReadCameraSection},
    {param::kLighting, kAtLine, &ReadLightingSection},
};

// ---- The frames around the keyword lines --------------------------------

class ScriptReader {
public:
  ScriptReader(SceneRoot &root, nodes::TextSource &in)
      : root_(root), in_(in), context_(root, in) {}

  std::int64_t Read(std::int64_t start);

private:
  std::int64_t ReadVersion3(std::int64_t start);
  std::int64_t ReadVersion2(std::int64_t start);
  bool ReadVersion2Values();
  bool ReadVersion2Audio();
  bool ReadVersion2Messages();
  bool MakeIntroNode();
  bool FinishVersion3();
  bool MakeMarqueeNode(const std::string &path);
  bool KeepUnreadTail(const KeywordLoopEnd &end);

  SceneRoot &root_;
  nodes::TextSource &in_;
  ScriptReadContext context_;
};

std::int64_t ScriptReader::Read(std::int64_t start) {
  if (!in_.Seek(start)) {
    context_.Fail("", "cannot seek to the start of the script");
    return kReadFailed;
  }
  std::string line;
  bool found = false;
  while (context_.NextLine(line)) {
    if (!IsCommentLine(line)) {
      found = true;
      break;
    }
  }
  if (!found) {
    context_.Fail("", "the script holds no line");
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
    context_.Fail(word, "unsupported script version " + std::to_string(number));
    return kReadFailed;
  }
  context_.Fail(word, "the first line names no script version");
  return kReadFailed;
}

// Every script version needs the introduction page.
bool ScriptReader::MakeIntroNode() {
  auto intro = std::make_unique<IntroNode>(&root_, "introNode1");
  IntroNode *node = root_.AddChild(std::move(intro));
  if (root_.GetNodeIndex().IsOverfull()) {
    return context_.Fail("", "more than 1024 nodes");
  }
  const std::string &folder = context_.Folder();
  std::optional<std::string> path =
      platform::FindInFolder(folder, kIntroFileName);
  if (!path) {
    return context_.Fail("", "\"intro.ini\" is missing");
  }
  if (!node->AddParamValue(param::kIniFileName, ParamValue(*path))) {
    return context_.Fail("", "cannot name \"intro.ini\"");
  }
  if (node->Read(nullptr, 0) == nodes::kReadFailed) {
    return context_.Fail("", "\"intro.ini\" cannot be read");
  }
  return true;
}

std::int64_t ScriptReader::ReadVersion3(std::int64_t start) {
  if (!in_.Seek(start)) {
    return kReadFailed;
  }
  if (!context_.Add(param::kTempDir, ParamValue(context_.Folder()), "") ||
      !MakeIntroNode()) {
    return kReadFailed;
  }
  const KeywordLoopEnd end = ReadKeywordLines(context_, kVersion3Rows,
                                              UnknownKeywordKind::EndsTheRead);
  switch (end.kind) {
  case KeywordLoopEnd::Kind::Failed:
    return kReadFailed;
  case KeywordLoopEnd::Kind::Stopped:
    return KeepUnreadTail(end) ? end.position : kReadFailed;
  case KeywordLoopEnd::Kind::EndOfFile:
    return FinishVersion3() ? in_.Tell() : kReadFailed;
  }
  return kReadFailed;
}

// The lines from the tail's start to the end of the text, so that a save
// loses none of what this version cannot read. A carriage return before a
// line feed is dropped, as every line read is (and one more before it, so
// that the tail reads back as it was written).
bool ScriptReader::KeepUnreadTail(const KeywordLoopEnd &end) {
  if (!in_.Seek(end.tailStart)) {
    return context_.FailAt(end.stopLine, end.stopKeyword,
                           "cannot go back to keep the unread lines");
  }
  // Longer pieces than a scene line only make fewer calls.
  constexpr std::size_t kTailPieceLength = std::size_t{64} * 1024;
  std::string tail;
  std::string piece;
  while (in_.ReadLine(piece, kTailPieceLength)) {
    nodes::DropReturnBeforeLineFeed(piece);
    tail += piece;
  }
  root_.SetUnreadTail(
      ScriptReadProblem{end.stopLine, end.stopKeyword, end.stopReason},
      std::move(tail));
  return in_.Seek(end.position) ||
         context_.FailAt(end.stopLine, end.stopKeyword,
                         "cannot go back after the unread lines");
}

bool ScriptReader::FinishVersion3() {
  const std::int32_t macroCount =
      context_.effectPresetLines + context_.macrosMade;
  if (!context_.Add(param::kNumMacroEffects, ParamValue(macroCount), "")) {
    return false;
  }
  const std::string &folder = context_.Folder();
  if (std::optional<std::string> script =
          platform::FindInFolder(folder, kVoraScriptFile)) {
    if (!context_.Add(param::kVoraScriptFileName, ParamValue(*script), "")) {
      return false;
    }
  }
  if (std::optional<std::string> marquee =
          platform::FindInFolder(folder, kMarqueeFile)) {
    if (!context_.Add(param::kVoraMarqueeFileName, ParamValue(*marquee), "") ||
        !MakeMarqueeNode(*marquee)) {
      return false;
    }
  }
  return true;
}

// The marquee file belongs to its node from its first line to its end.
bool ScriptReader::MakeMarqueeNode(const std::string &path) {
  auto marquee = std::make_unique<MarqueeNode>(&root_, "MarqueeNode");
  MarqueeNode *node = root_.AddChild(std::move(marquee));
  if (root_.GetNodeIndex().IsOverfull()) {
    return context_.Fail("", "more than 1024 nodes");
  }
  struct FileCloser {
    void operator()(std::FILE *open) const { (void)std::fclose(open); }
  };
  const std::unique_ptr<std::FILE, FileCloser> file(
      std::fopen(path.c_str(), "rb"));
  if (!file) {
    return context_.FailAt(-1, "", "\"Vora.mrq\" cannot be opened");
  }
  nodes::FileSource source(file.get());
  if (node->Read(&source, 0) != kReadFailed) {
    return true;
  }
  const std::optional<nodes::SceneNode::ReadFailure> &failure =
      node->GetReadFailure();
  return context_.FailAt(
      -1, "",
      "\"Vora.mrq\" " +
          (failure ? failure->reason : std::string("cannot be read")));
}

std::int64_t ScriptReader::ReadVersion2(std::int64_t start) {
  if (!context_.Add(param::kTempDir, ParamValue(context_.Folder()), "") ||
      !context_.Add(param::kVersion, ParamValue(std::int32_t{2}), "") ||
      !MakeIntroNode() || !in_.Seek(start) || !ReadVersion2Values()) {
    return kReadFailed;
  }
  const KeywordLoopEnd end = ReadKeywordLines(context_, kVersion2Rows,
                                              UnknownKeywordKind::FailsTheRead);
  if (end.kind == KeywordLoopEnd::Kind::Failed) {
    return kReadFailed;
  }
  if (!context_.Add(param::kNumMacroEffects,
                    ParamValue(std::int32_t{context_.macrosMade}), "")) {
    return kReadFailed;
  }
  // An Int of a known id: the set cannot fail.
  (void)root_.SetParamValue(param::kVersion,
                            ParamValue(std::int32_t{kCurrentScriptVersion}));
  root_.SetScriptVersion(kCurrentScriptVersion);
  return end.position;
}

// The fixed sequence of value lines at the top of a version-2 script.
bool ScriptReader::ReadVersion2Values() {
  std::string line;
  // The single word that marked the script as version 2.
  if (!context_.NextValueLine(line)) {
    return false;
  }
  auto readFloat = [&](int id) {
    float value = 0;
    if (!context_.NextValueLine(line) || !LineScanner(line).Float(value).Ok()) {
      return context_.Fail(nodes::ParamNameOf(id), "expected a number");
    }
    return context_.Add(id, ParamValue(value), nodes::ParamNameOf(id));
  };
  auto readInt = [&](int id, std::int32_t &value) {
    if (!context_.NextValueLine(line) || !LineScanner(line).Int(value).Ok()) {
      return context_.Fail(nodes::ParamNameOf(id), "expected a whole number");
    }
    return context_.Add(id, ParamValue(value), nodes::ParamNameOf(id));
  };
  std::int32_t special = 0;
  std::int32_t style = 0;
  std::int32_t objectCount = 0;
  if (!readFloat(param::kFramesPerSecond) || !readFloat(param::kBrightness) ||
      !readFloat(param::kResponsivness) ||
      !readInt(param::kSpecialField1, special)) {
    return false;
  }
  if (!context_.NextValueLine(line) || !LineScanner(line).Int(style).Ok()) {
    return context_.Fail("Style", "expected a whole number");
  }
  // The style flags, bit by bit; their adds are not checked.
  constexpr int kStyleBits[] = {param::kTmap,    param::kWframe, param::kStrobe,
                                param::kClights, param::kDynCol, param::kLights,
                                param::kPause,   param::kFlat,   param::kTRot,
                                param::kEnvMap};
  for (std::size_t bit = 0; bit < std::size(kStyleBits); ++bit) {
    (void)root_.AddParamValue(
        kStyleBits[bit], ParamValue(static_cast<std::int32_t>(
                             (static_cast<std::uint32_t>(style) >> bit) & 1u)));
  }
  if (!context_.Add(param::kStyle, ParamValue(style), "Style") ||
      !readInt(param::kNumObjects, objectCount)) {
    return false;
  }
  root_.SetDeclaredObjectCount(objectCount);
  std::string special2;
  if (!context_.NextValueLine(line) || !LineScanner(line).Word(special2).Ok() ||
      !context_.Add(param::kSpecialField2, ParamValue(special2),
                    "SpecialField2")) {
    return false;
  }

  if (!ReadVersion2Audio()) {
    return false;
  }
  // The message node reads next, then the objects.
  return ReadVersion2Messages() &&
         ReadVersion2Objects(context_, objectCount, root_.IsMigrationPending());
}

// The audio analysis section follows the value lines: its band count, then
// the bands.
bool ScriptReader::ReadVersion2Audio() {
  const std::int64_t start = in_.Tell();
  AudioAnalysisNode *node = root_.AddChild(
      std::make_unique<AudioAnalysisNode>(&root_, "AudioAnalysisNode0"));
  const std::int64_t next = node->Read(&in_, start);
  if (next == kReadFailed) {
    const KeywordLine section{"Nbands", param::kNbands, "", start, start};
    (void)context_.FailNodeRead(*node, section);
    return false;
  }
  return in_.Seek(next) ||
         context_.FailAt(start, "Nbands", "cannot go on after the bands");
}

// From where the source stands: the message, then the lock song. The
// scene's messages are saved into "Text.ini", which the root names.
bool ScriptReader::ReadVersion2Messages() {
  const std::int64_t start = in_.Tell();
  MessageNode *messages =
      root_.AddChild(std::make_unique<MessageNode>(&root_, kMessageNodeName));
  const std::int64_t end = messages->Read(&in_, start);
  if (end == kReadFailed) {
    const KeywordLine section{"message", param::kMessage, "", start, start};
    (void)context_.FailNodeRead(*messages, section);
    return false;
  }
  if (!in_.Seek(end)) {
    return context_.FailAt(end, "message", "cannot go on after the message");
  }
  std::optional<std::string> path =
      platform::PackagePathFor(context_.Folder(), kVersion2MessagesFile);
  if (!path || !messages->AddParamValue(param::kFileName, ParamValue(*path))) {
    return context_.FailAt(end, "message", "cannot name \"Text.ini\"");
  }
  if (!context_.Add(param::kMsgIni, ParamValue(*path), "MsgIni")) {
    return false;
  }

  // A line without a word is a lock song line naming none.
  std::string line;
  do {
    if (!context_.NextLine(line)) {
      return true;
    }
  } while (IsCommentLine(line));
  std::string lock;
  return !LineScanner(line).Word(lock).Ok() ||
         context_.Add(param::kSceneLockMp3, ParamValue(lock), "SceneLockMp3");
}

} // namespace

std::int64_t ReadSceneScript(SceneRoot &root, nodes::TextSource &in,
                             std::int64_t start) {
  ScriptReader reader(root, in);
  return reader.Read(start);
}

} // namespace vorafile
