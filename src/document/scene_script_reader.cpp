#include "document/scene_script_reader.h"

#include "document/scene_root.h"
#include "document/scene_script_sections.h"
#include "nodes/content/intro_node.h"
#include "nodes/content/text_helpers.h"
#include "nodes/core/line_scanner.h"
#include "nodes/core/param_ids.h"
#include "nodes/core/param_names.h"
#include "nodes/effects/def_ref_node.h"
#include "nodes/effects/lens_effects_node.h"
#include "nodes/effects/transition_effect_node.h"
#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/package_name.h"

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

using nodes::DefRefNode;
using nodes::IntroNode;
using nodes::kReadFailed;
using nodes::LineScanner;
using nodes::ParamValue;
namespace param = nodes::param;

namespace {

constexpr const char *kIntroFileName = "intro.ini";
constexpr const char *kVoraScriptFile = "Vora.script";
constexpr const char *kMarqueeFile = "Vora.mrq";
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

// A scanner past the keyword.
LineScanner ScanAfterKeyword(const KeywordLine &line) {
  LineScanner scan(line.text);
  std::string keyword;
  scan.Word(keyword);
  return scan;
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
  // A piece of an over-long line keeps a line of its own when written.
  if (kept.empty() || kept.back() != '\n') {
    kept.push_back('\n');
  }
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

// Lines that name object or message nodes; with none in the scene they
// change nothing.
SectionResult PassOverLine(ScriptReadContext &, const KeywordLine &line) {
  return SectionResult::ContinueAt(line.end);
}

// ---- Text deformations ------------------------------------------------------
//
// "TextDeform Num n" on a line of its own, then n definition lines
// "TextDeform Load <definition file> <preset>"; each makes a built-in
// deformation reference under the root and reads its definition file, which
// references naming the same file (any case) share. A repeated definition
// name makes no second reference. The settings belong to the message node
// made last.

nodes::SceneNode *FindLastMessageNode(SceneRoot &root) {
  for (int i = root.GetChildCount() - 1; i >= 0; --i) {
    nodes::SceneNode *child = root.GetChild(i);
    if (child->GetKind() == nodes::SceneNode::Kind::Message) {
      return child;
    }
  }
  return nullptr;
}

bool HasRootReference(SceneRoot &root, std::string_view name) {
  for (int i = 0; i < root.GetChildCount(); ++i) {
    const nodes::SceneNode *child = root.GetChild(i);
    if (nodes::IsA<DefRefNode>(child) &&
        ascii::EqualsIgnoreCase(child->GetName(), name)) {
      return true;
    }
  }
  return false;
}

// One definition line (just read by the context); lines of other words are
// passed over.
bool ReadDefinitionLine(ScriptReadContext &context, std::string_view text) {
  std::string first;
  std::string second;
  std::string name;
  std::int32_t preset = 0;
  LineScanner scan(text);
  scan.Word(first).Word(second).Word(name).Int(preset);
  if (scan.Count() < 2 || !ascii::EqualsIgnoreCase(first, "TextDeform") ||
      !ascii::EqualsIgnoreCase(second, "Load")) {
    return true;
  }
  if (scan.Count() < 4) {
    return context.Fail("TextDeform",
                        "expected a definition file and a preset number");
  }
  SceneRoot &root = context.Root();
  if (HasRootReference(root, name)) {
    return true;
  }
  DefRefNode *reference = root.AddChild(
      std::make_unique<DefRefNode>(&root, name, DefRefNode::BuiltIn{preset}));
  nodes::TextSource &in = context.Source();
  if (reference->Read(&in, in.Tell()) == kReadFailed) {
    return context.Fail("TextDeform", "the deformation reference \"" + name +
                                          "\" cannot be read");
  }
  switch (reference->AttachDefinition(name)) {
  case DefRefNode::DefinitionResult::Missing:
    return context.Fail("TextDeform", "definition \"" + name + "\" is missing");
  case DefRefNode::DefinitionResult::ReadFailed: {
    const auto &failure = reference->GetDefinition()->GetReadFailure();
    return context.Fail("TextDeform",
                        "definition \"" + name + "\" cannot be read" +
                            (failure ? ": " + failure->reason : ""));
  }
  case DefRefNode::DefinitionResult::Attached:
    break;
  }
  if (root.GetNodeIndex().IsOverfull()) {
    return context.Fail("TextDeform", "more than 1024 nodes");
  }
  return true;
}

// "TextDeform Num n" and its definition lines. Version 3 counts every line
// but comments; version 2 only lines that hold a word.
SectionResult ReadTextDeformCount(ScriptReadContext &context,
                                  const KeywordLine &line,
                                  nodes::SceneNode &message, int version) {
  std::string form;
  std::int32_t count = 0;
  if (!ScanAfterKeyword(line).Word(form).Int(count).Ok() || count < 0) {
    context.Fail(line.keyword, "expected a number of definitions");
    return SectionResult::Failed();
  }
  if (!message.AddParamValue(param::kNum3DTextDefs, ParamValue(count))) {
    context.Fail(line.keyword, "the number of definitions is already set");
    return SectionResult::Failed();
  }
  std::string text;
  for (std::int32_t i = 0; i < count; ++i) {
    bool found = false;
    if (version == 2) {
      found = context.NextValueLine(text);
    } else {
      while ((found = context.NextLine(text)) && IsCommentLine(text)) {
      }
    }
    if (!found) {
      context.FailAt(line.start, line.keyword,
                     "expected " + std::to_string(count) + " definition lines");
      return SectionResult::Failed();
    }
    if (!ReadDefinitionLine(context, text)) {
      return SectionResult::Failed();
    }
  }
  return SectionResult::ContinueAt(context.Source().Tell());
}

SectionResult ReadTextDeform(ScriptReadContext &context,
                             const KeywordLine &line, int version) {
  nodes::SceneNode *message = FindLastMessageNode(context.Root());
  if (message == nullptr) {
    if (version == 2) {
      return SectionResult::ContinueAt(line.end);
    }
    context.Fail(line.keyword, "no message node to deform");
    return SectionResult::Failed();
  }
  std::string form;
  (void)ScanAfterKeyword(line).Word(form);
  switch (nodes::ParamIdOf(form)) {
  case param::kNum:
    return ReadTextDeformCount(context, line, *message, version);
  case param::kParent:
    // Needs the object nodes: version 3 keeps the line and the rest of the
    // script for the writer, version 2 passes over it.
    return version == 2 ? SectionResult::ContinueAt(line.end)
                        : SectionResult::Stop();
  default:
    return SectionResult::ContinueAt(line.end);
  }
}

SectionResult ReadVersion3TextDeform(ScriptReadContext &context,
                                     const KeywordLine &line) {
  return ReadTextDeform(context, line, 3);
}

SectionResult ReadVersion2TextDeform(ScriptReadContext &context,
                                     const KeywordLine &line) {
  return ReadTextDeform(context, line, 2);
}

constexpr auto kAfter = SectionStartKind::AfterKeywordLine;

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
    {param::kEnableNewCameraNav, kAfter, &ReadBooleanSetting},
    {param::kTdfx, kAfter, &ReadTdfx},
    {param::kEffectPresetCategoryInfo, kAfter, &KeepEffectPresetLine},
    {param::kCfx, kAfter, &ReadCfx},
    {param::kLfx, kAfter, &ReadLensEffects},
    {param::kTfx, kAfter, &ReadTransitionEffects},
    {param::kSceneDetail, kAfter, &ReadSceneDetail},
    {param::kSceneLockMp3, kAfter, &ReadSceneLockMp3},
    {param::kTextDeform, kAfter, &ReadVersion3TextDeform},
};

// The keyword lines after the fixed values of a version-2 script.
constexpr SectionRow kVersion2Rows[] = {
    {param::kSceneDetail, kAfter, &ReadVersion2SceneDetail},
    {param::kCulling, kAfter, &PassOverLine},
    {param::kParentChildLink, kAfter, &PassOverLine},
    {param::kTextDeform, kAfter, &ReadVersion2TextDeform},
    {param::kTextureSettings, kAfter, &PassOverLine},
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
  bool MakeIntroNode();
  bool FinishVersion3();
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
// line feed is dropped, as every line read is.
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
    if (!context_.Add(param::kVoraMarqueeFileName, ParamValue(*marquee), "")) {
      return false;
    }
  }
  return true;
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

  // The audio analysis and message sections, and the message file, belong
  // to node classes that are not built here; their lines are left to the
  // keyword loop.
  if (context_.NextLine(line)) {
    std::string lock;
    if (!IsCommentLine(line) && LineScanner(line).Word(lock).Ok() &&
        !context_.Add(param::kSceneLockMp3, ParamValue(lock), "SceneLockMp3")) {
      return false;
    }
  }
  if (objectCount > 0) {
    return context_.Fail("NumObjects", "object sections are not supported");
  }
  return true;
}

} // namespace

std::int64_t ReadSceneScript(SceneRoot &root, nodes::TextSource &in,
                             std::int64_t start) {
  ScriptReader reader(root, in);
  return reader.Read(start);
}

} // namespace vorafile
